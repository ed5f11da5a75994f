// The icon in the desktop's notification area. The right button opens the first tray menu,
// the left button the second, a double click opens the main window; every command goes to
// the main window as a command event, after the menu has closed.
//
// Threads: UI thread only. The main window owns it and removes it with Destroy().
#pragma once

#include <functional>
#include <wx/taskbar.h>

class wxEvtHandler;

class CTrayIcon : public wxTaskBarIcon {
 public:
  // `enabled` tells which commands the menus offer enabled.
  CTrayIcon(wxEvtHandler& commandTarget, std::function<bool(int)> enabled);

  // Shows the icon with the tip "Pagewarden". false when the desktop could not take it.
  bool Add();

 protected:
  wxMenu* CreatePopupMenu() override;

 private:
  void OnLeftClick(wxTaskBarIconEvent& event);
  void OnDoubleClick(wxTaskBarIconEvent& event);
  void OnMenu(wxCommandEvent& event);

  wxMenu* Menu(int which) const;

  wxEvtHandler& m_target;
  std::function<bool(int)> m_enabled;
};
