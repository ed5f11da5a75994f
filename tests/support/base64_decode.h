// Reading back what the mail's base64 encoder wrote: the program only encodes.
#pragma once

#include <string>

// Standard decoding; characters outside the alphabet (line breaks, "=") are skipped.
std::string B64Decode(const std::string& text);
