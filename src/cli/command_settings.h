// pagewarden-cli settings: the program-wide settings of the settings archive.
//   settings              every setting, one "name<TAB>value" line each
//   settings NAME         the one setting
//   settings NAME VALUE   sets it and saves the archive (atomically); mail-password "-"
//                         reads the password from standard input (not echoed on a terminal)
// Printing reads the archive as it is; setting works on the data folder as a working copy.
// Exit status: 0 done, 1 the folder or the archive cannot be used, 2 a bad name or value
// (the archive is then unchanged).
#pragma once

#include <string>
#include <vector>

#include "core/common/app_settings.h"

int RunSettingsCommand(const std::string& homeArgument, const std::vector<std::string>& args);
// The settings of the data folder's archive (defaults where it has none); the folder must
// be open.
AppSettings StoredSettings();
