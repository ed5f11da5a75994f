#include "gui/ui/sheet/define_sheet_parts.h"

#include <memory>
#include <wx/app.h>
#include <wx/weakref.h>

#include "core/app/watch_app.h"
#include "core/session/check_session.h"
#include "gui/app/main_frame.h"
#include "gui/ui/sheet/define_sheet.h"
#include "gui/size_keeper.h"

namespace {

struct SheetHolder {
  wxWeakRef<CDefineSheet> sheet;
  bool running = false;
  bool destroyAfterRun = false;
};

void RunSheet(SheetHolder& holder, const WatchItem& item, int index) {
  if (holder.sheet && !holder.destroyAfterRun) {
    holder.sheet->Load(item, index);
    holder.sheet->DoModal();
  }
  holder.running = false;
  if (holder.destroyAfterRun && holder.sheet) {
    holder.sheet->Destroy();
    holder.sheet = nullptr;
  }
}

}  // namespace

void AddDefineSheet(MainWindowParts& parts, CWatchApp& app, CWxUiQueue& queue,
                    std::function<void(CDefineSheet&)> created) {
  auto holder = std::make_shared<SheetHolder>();

  auto otherCreate = std::move(parts.createWindows);
  parts.createWindows = [holder, &app, &queue, created, otherCreate](CMainDlg& main) {
    wxWeakRef<CMainDlg> owner(&main);
    auto store = [owner](int index, const WatchItem& item) {
      if (owner) owner->StoreItem(index, item);
    };
    // Not a child of the main window, which deletes its children at once when it ends: the
    // sheet outlives it until its own run has returned.
    holder->sheet = new CDefineSheet(nullptr, app.m_settings, main, queue, store, app.Converter(),
                                     main.Session().Host().fetch);
    KeepSizeBetweenRuns(holder->sheet, app.OwnKey(), "SiteSheetSize");
    if (created) created(*holder->sheet);
    if (otherCreate) otherCreate(main);
  };
  auto otherDestroy = std::move(parts.destroyWindows);
  parts.destroyWindows = [holder, otherDestroy] {
    if (otherDestroy) otherDestroy();
    if (!holder->sheet) return;
    if (holder->running) {
      // The window goes once its modal run has returned.
      holder->sheet->CancelRun();
      holder->destroyAfterRun = true;
      return;
    }
    holder->sheet->Destroy();
    holder->sheet = nullptr;
  };
  parts.runSheet = [holder](const WatchItem& item, int index) {
    if (!holder->sheet) return;
    if (holder->running) {
      // One item at a time: a second request finds the sheet in use.
      holder->sheet->Raise();
      return;
    }
    holder->running = true;
    // Run from the application's queue rather than inside the main window's handler: the
    // main window may end while the sheet is open, and nothing of it is on the stack then.
    wxTheApp->CallAfter([holder, item, index] { RunSheet(*holder, item, index); });
  };
}
