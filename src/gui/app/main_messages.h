// What the other windows ask of the main window, in place of the messages they sent it.
// Called on the UI thread; the call returns when the main window has done it.
#pragma once

#include <string>

#include "core/fetch/fetch_request.h"

class IMainWindowMessages {
 public:
  virtual ~IMainWindowMessages() = default;

  enum class DisplayKind { Request = 0, Address = 1, Image = 2 };
  // WM_DISPLAY_PAGE: a request, an address or a file, or the image check page of a file.
  virtual void DisplayPage(DisplayKind kind, const FetchRequest& request) = 0;
  virtual void DisplayPage(DisplayKind kind, const std::string& text) = 0;
  // WM_EDIT_ITEM: the site definition sheet on a copy of the item at `index` − 1.
  virtual void EditItem(int index) = 0;
  // "変更点を表示": the change window of the item at list `position` (its kept previous
  // version against its current one).
  virtual void ShowChange(int position) = 0;
};
