// The per-user folders shared by the program and its companion programs: the runtime
// folder for locks and message sockets, and the root of the per-user value store.
// Paths here are native (UTF-8), as the OS wants them.
#pragma once

#include <string>

namespace platform {

// $XDG_RUNTIME_DIR/velmar, else /tmp/velmar-<uid>; created with mode 0700 when missing.
// Empty when it cannot be created or is not a folder owned by this user and closed to
// others (someone else could otherwise plant sockets or lock files in it).
std::string RuntimeFolder();

// $XDG_CONFIG_HOME/Velmar, else ~/.config/Velmar. Not created here.
std::string ValueStoreRoot();

}  // namespace platform
