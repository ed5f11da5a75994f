// The program folder: the data folder that holds the watch list, the settings archive,
// "comp" and the other files the program keeps.
#pragma once

#include <string>

namespace platform {

// Resolves the folder from `homeArgument` (--home DIR, CP932; empty when not given),
// else $PAGEWARDEN_HOME, else $XDG_DATA_HOME/pagewarden, else ~/.local/share/pagewarden.
// The result is absolute, CP932, without a trailing separator.
std::string ResolveProgramFolder(const std::string& homeArgument);

// The folder in use by this process; set once at start-up by the front end.
void SetProgramFolder(const std::string& folder);
std::string ProgramFolderPath();
// `path` (CP932) lies inside the program folder in use. Such files hold copies of pages,
// the mail log and passwords: the program creates them readable by the user alone.
bool IsInProgramFolder(const std::string& path);

// The folder of the running executable (CP932), or empty when it cannot be told.
std::string ExecutableFolder();

// A file shipped with the program (CP932 name, e.g. "notify.wav"): beside the running
// executable, else in the data folder of the installation (<prefix>/share/pagewarden with
// the executable in <prefix>/bin), else in the data folder the build was configured to
// install into. The CP932 path, or empty when none holds it.
std::string ShippedFile(const std::string& name);

}  // namespace platform
