// Windows text mode over a binary stream: a line feed is written as CR LF, and CR LF
// reads back as a line feed; a lone CR stays a CR.
#pragma once

#include <cstdio>

namespace platform {

// A text-mode stream over `raw`, which it owns and closes; nullptr on failure (`raw` is
// then closed too). Positions are offsets in `raw`.
FILE* WrapInTextMode(FILE* raw, const char* mode);

}  // namespace platform
