// Starting other programs, in place of the shell's "open": a companion program from its
// folder, or a document or address with the desktop's default program. Safe to call
// from any thread.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Starts `folder`/`executable` (CP932 names) with `folder` as its working folder and no
// arguments. false when the folder is empty, the file is not an executable, or the
// program could not be started. Programs started here that have ended are reaped at the
// next call.
bool StartProgram(const std::string& folder, const std::string& executable);

// Opens a file or address (CP932) with the desktop's default program: the opener (by
// default "xdg-open") is run with the target as its last argument. true when the opener
// started and did not report a failure within a few seconds (it may still be running
// then, showing the target).
bool OpenWithDesktop(const std::string& target);

// Starts a file as the desktop's "open" does: a program (a regular file with execute
// permission) is run with no arguments, any other existing file (or folder) is opened with
// the desktop's opener. `folder` (CP932, empty: none) is the working folder and the place
// of `file`; without a folder a bare name that is no file here is looked up on PATH.
// false when nothing could be started.
bool StartFile(const std::string& folder, const std::string& file);

// Replaces the opener: the program and any leading arguments. An empty list restores the
// default ($PAGEWARDEN_OPENER when set, else "xdg-open"). Tests put a recorder here.
void SetDesktopOpener(std::vector<std::string> command);

// Collects the exit status of started programs that have ended; the number collected.
int ReapStartedPrograms();

}  // namespace platform
