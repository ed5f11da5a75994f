// The commands that move a watch list in and out: import (urlwatch's jobs, a plain list
// or this program's JSON export), export, and backup and restore of the whole data
// folder.
#pragma once

#include <string>
#include <vector>

bool IsExchangeCommand(const std::string& command);
// Runs one; the exit status.
int RunExchangeCommand(const std::string& homeArgument, const std::string& command,
                       const std::vector<std::string>& args);
// Help lines of these commands.
const std::vector<const char*>& ExchangeCommandsUsage();
