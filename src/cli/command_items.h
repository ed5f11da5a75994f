// The commands that make and change watch items: add, show, set, remove, enable, disable,
// ack and edit. A change is made on the list file when no program works on the data
// folder (this command then holds the folder's lock while it changes the file), and is
// otherwise handed to the program that does (core/session/list_request.h), which makes it
// among its queued list changes and answers; the command prints that answer.
#pragma once

#include <string>
#include <vector>

#include "core/session/list_change.h"

// Whether `command` is one of the commands here.
bool IsItemCommand(const std::string& command);
// Runs one; the exit status (2 for bad arguments, with the reason on standard error).
int RunItemCommand(const std::string& homeArgument, const std::string& command,
                   const std::vector<std::string>& args);
// Makes `change` on the data folder's list, directly or through the running program, and
// prints the answer. The exit status.
int RunListChange(const std::string& homeArgument, const ListChange& change);
// Makes the changes in order, directly on the list file (saved once) or each through the
// running program, and gives their answers, one per change; none when the folder could
// not be used or the user kept a damaged list as it is (told already).
std::vector<ListAnswer> MakeListChanges(const std::string& homeArgument,
                                        const std::vector<ListChange>& changes);
// A positive item number as a position from 0, or -1 when the text is not one.
int ItemPosition(const std::string& text);
// Help lines of these commands.
const std::vector<const char*>& ItemCommandsUsage();
