#include "gui/app/tray_icon.h"

#include <wx/icon.h>
#include <wx/menu.h>

#include "core/common/version.h"
#include "gui/app/app_icon.h"
#include "gui/app/main_commands.h"
#include "gui/wx_text.h"

CTrayIcon::CTrayIcon(wxEvtHandler& commandTarget, std::function<bool(int)> enabled)
    : m_target(commandTarget), m_enabled(std::move(enabled)) {
  // GTK reports a left click on the icon as "activate", which wx gives as a button press.
  Bind(wxEVT_TASKBAR_LEFT_DOWN, &CTrayIcon::OnLeftClick, this);
  Bind(wxEVT_TASKBAR_LEFT_DCLICK, &CTrayIcon::OnDoubleClick, this);
  Bind(wxEVT_MENU, &CTrayIcon::OnMenu, this);
}

bool CTrayIcon::Add() {
  wxIcon icon;
  icon.CopyFromBitmap(MakeAppBitmap(22));
  return SetIcon(icon, ToWx(kProductName));
}

wxMenu* CTrayIcon::Menu(int which) const {
  wxMenu* menu = MakeTrayMenu(which);
  for (wxMenuItem* item : menu->GetMenuItems()) {
    if (!item->IsSeparator() && m_enabled) item->Enable(m_enabled(item->GetId()));
  }
  return menu;
}

wxMenu* CTrayIcon::CreatePopupMenu() { return Menu(0); }

void CTrayIcon::OnLeftClick(wxTaskBarIconEvent&) {
  wxMenu* menu = Menu(1);
  PopupMenu(menu);
  delete menu;
}

void CTrayIcon::OnDoubleClick(wxTaskBarIconEvent&) {
  m_target.QueueEvent(new wxCommandEvent(wxEVT_MENU, ID_OPEN));
}

void CTrayIcon::OnMenu(wxCommandEvent& event) {
  // Queued: "exit" removes this icon, which must not happen inside its own menu.
  m_target.QueueEvent(new wxCommandEvent(wxEVT_MENU, event.GetId()));
}
