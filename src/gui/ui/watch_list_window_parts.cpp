#include "gui/ui/watch_list_window_parts.h"

#include <memory>
#include <wx/weakref.h>

#include "core/app/watch_app.h"
#include "gui/app/main_frame.h"
#include "gui/size_keeper.h"
#include "gui/ui/edit_box.h"
#include "gui/window_utils.h"

namespace {

EditBoxCallbacks CallbacksFor(CMainDlg& main) {
  wxWeakRef<CMainDlg> owner(&main);
  EditBoxCallbacks callbacks;
  // The sheet opens after the command that asked for it has ended (a posted message).
  callbacks.editItem = [owner](int index) {
    if (!owner) return;
    owner->CallAfter([owner, index] {
      if (owner) owner->EditItem(index);
    });
  };
  callbacks.displayPage = [owner](const WatchItem& item) {
    if (owner) {
      owner->DisplayPage(IMainWindowMessages::DisplayKind::Request,
                         static_cast<const FetchRequest&>(item));
    }
  };
  callbacks.showChange = [owner](const WatchItem& item) {
    if (owner) owner->OpenChangeWindow(item);
  };
  callbacks.saveSettings = [owner] {
    if (owner) owner->SaveSettings();
  };
  callbacks.mainCommand = [owner](int id) {
    if (owner) owner->Command(id);
  };
  return callbacks;
}

}  // namespace

void AddWatchListWindow(MainWindowParts& parts, CWatchApp& app,
                        std::function<void(CEditBox&)> created) {
  auto box = std::make_shared<wxWeakRef<CEditBox>>();

  auto otherCreate = std::move(parts.createWindows);
  parts.createWindows = [box, &app, created, otherCreate](CMainDlg& main) {
    if (otherCreate) otherCreate(main);
    *box = new CEditBox(&main, main.WatchList(), app.m_settings, app.m_watchListWindowLayout,
                        CallbacksFor(main));
    PlaceWindow(*box, app.m_watchListWindowLayout.m_windowRect,
                KeepFrameBetweenRuns(*box, app.OwnKey(), "WatchListFrame"));
    if (created) created(**box);
  };
  auto otherDestroy = std::move(parts.destroyWindows);
  parts.destroyWindows = [box, otherDestroy] {
    if (otherDestroy) otherDestroy();
    if (*box) (*box)->Destroy();
    *box = nullptr;
  };
  parts.showWatchList = [box] {
    if (*box) (*box)->ShowWindow();
  };
  parts.refreshWatchList = [box] {
    if (*box) (*box)->Refill();
  };
}
