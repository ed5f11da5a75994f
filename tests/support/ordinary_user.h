// Runs a check as an ordinary user. Root may read and write any file, so under root the
// check runs in a child process that has become "nobody"; otherwise it runs here.
#pragma once

#include <functional>

// The value `check` gives (0 to 255), or -1 when the child could not be run.
int RunAsOrdinaryUser(const std::function<int()>& check);
