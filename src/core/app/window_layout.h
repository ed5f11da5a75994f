// Layout values of the main window and the watch list window that persist in the settings
// archive. The windows own and use them; core only keeps and stores them.
#pragma once

#include <array>
#include <string>

// A window rectangle in screen coordinates. top == -1 means that none is known yet.
struct WindowRect {
  int left = 0;
  int top = -1;
  int right = 0;
  int bottom = 0;

  bool IsKnown() const { return top != -1; }
  bool operator==(const WindowRect&) const = default;
};

// The folder the link update starts in when the user has never chosen one.
inline constexpr const char* kDefaultLinkFolder = "c:";

// The main window's stored layout and its link update folder.
struct MainWindowLayout {
  std::string m_linkFolder = kDefaultLinkFolder;
  WindowRect m_windowRect;
  std::array<int, 3> m_columnWidths = {70, 240, 140};  // results list columns 0, 1, 2

  bool operator==(const MainWindowLayout&) const = default;
};

// The watch list window's stored layout.
struct WatchListWindowLayout {
  std::array<int, 5> m_columnWidths = {200, 100, 100, 100, 380};
  WindowRect m_windowRect;
  int m_tagColumnWidth = 120;  // the "タグ" column after them

  bool operator==(const WatchListWindowLayout&) const = default;
};
