// The size a window reopens with, kept between runs as text ("640x480").
#pragma once

#include <optional>
#include <string>

struct WindowSize {
  int width = 0;
  int height = 0;

  bool operator==(const WindowSize&) const = default;
};

// "640x480" read back; nothing for any other text or a side below `least` (a window's
// size is positive; the frame around it may be 0 wide).
std::optional<WindowSize> ParseWindowSize(const std::string& text, int least = 1);
std::string FormatWindowSize(WindowSize size);

// The stored size, no smaller than what the window's content needs and no larger than the
// screen's room (the screen wins where the two disagree: a window beyond the screen cannot
// be handled at all).
WindowSize RestoredWindowSize(WindowSize stored, WindowSize contentMinimum, WindowSize screen);
