#include "core/fetch/path_utils.h"

#include "platform/program_folder.h"

std::string ProgramFolder() { return platform::ProgramFolderPath(); }
