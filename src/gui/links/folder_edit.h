// The edit that holds a folder name, with the folder chooser behind it.
//
// Threads: UI thread only.
#pragma once

#include <wx/textctrl.h>

class IPrompter;

class CFolder : public wxTextCtrl {
 public:
  CFolder(wxWindow* parent, wxWindowID id, const wxPoint& position, const wxSize& size);

  // The folder chooser, starting at the edit's folder: 0 with the chosen folder in the
  // edit, -1 (the edit unchanged) when the user cancelled.
  int Browse(IPrompter& prompter);
};
