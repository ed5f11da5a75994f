// A guess at the name meant by a mistyped one (a command, an option, a setting), for the
// "もしかして" of a message.
#pragma once

#include <string>
#include <vector>

// The known name closest to `typed` (a typo: one or two letters wrong, left out, added or
// swapped; one only in a name of up to four letters), or "" when none is close. The
// first of equally close names wins. Compared byte by byte: the names are ASCII.
std::string ClosestName(const std::string& typed, const std::vector<std::string>& names);
