// One page of the site definition sheet, and what the pages are given. A page is bound
// to the sheet's working watch item by Load at the start of every run, fills its controls
// from it on its first activation of the run, may keep the user on it when left, and
// writes its fields into the item on OK. A page not activated in a run writes nothing.
//
// Threads: UI thread only. The services outlive the sheet and its pages.
#pragma once

#include <wx/panel.h>

#include "core/fetch/fetch.h"
#include "core/watch/watch_item.h"

struct AppSettings;
class IMailDialogHost;
class IMainWindowMessages;
class IPrompter;
namespace platform {
class CCodePageConverter;
class IUiQueue;
}  // namespace platform

struct SheetServices {
  const AppSettings& settings;
  // Messages and questions of the pages, modal to the sheet.
  IPrompter& prompter;
  // The main window: pages are shown through its display (WM_DISPLAY_PAGE).
  IMainWindowMessages& mainWindow;
  // The mail progress dialogs of a test send.
  IMailDialogHost& mailHost;
  // Where the pages' workers report (the UI thread's queue).
  platform::IUiQueue& queue;
  // Page text to CP932; null when the program has no converter.
  const platform::CCodePageConverter* converter = nullptr;
  // The main window's network time-outs and trusted certificates.
  FetchSettings fetch;
};

class CSheetPage : public wxPanel {
 public:
  CSheetPage(wxWindow* book, const SheetServices& services)
      : wxPanel(book), m_services(services) {}

  // The start of a run: bound to the working item, not yet activated.
  void Load(WatchItem& item) {
    m_item = &item;
    m_activations = 0;
    OnLoad(item);
  }
  // The page became the visible one.
  void Activate() {
    if (m_activations == 0) OnFirstActivation(*m_item);
    ++m_activations;
  }
  bool WasActivated() const { return m_activations > 0; }

  // Leaving the page (another tab or OK): false keeps the user on it.
  virtual bool OnKillActive() { return true; }
  // OK, for every page activated in the run: false (after telling the user why) keeps the
  // sheet open on this page.
  virtual bool CanAccept() { return true; }
  // OK: the fields into the working item.
  virtual void OnOK(WatchItem& item) = 0;

 protected:
  virtual void OnLoad(WatchItem&) {}
  virtual void OnFirstActivation(WatchItem& item) = 0;
  WatchItem& Item() { return *m_item; }

  const SheetServices& m_services;

 private:
  WatchItem* m_item = nullptr;
  int m_activations = 0;
};
