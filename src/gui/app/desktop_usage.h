// What `pagewarden --help` prints, and the message for an argument the program does not
// know. Display-free: both are printed before the toolkit starts, or without a display.
#pragma once

#include <string>

// The usage of the desktop program, UTF-8, ending with a line end.
std::string DesktopUsageText();
// "pagewarden: 不明な引数: X (もしかして: --home)" and the pointer to --help, UTF-8, each
// line with its line end.
std::string DesktopUnknownArgumentText(const std::string& argument);
