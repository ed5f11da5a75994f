#include "gui/announce/announce_parts.h"

#include <memory>
#include <wx/weakref.h>

#include "core/announce/announce_check.h"
#include "core/app/watch_app.h"
#include "core/common/version.h"
#include "gui/announce/announce_dlg.h"
#include "gui/app/main_frame.h"
#include "gui/wx_ui_queue.h"

namespace {

constexpr const char* kOwnCategory = "free";

struct AnnouncementState {
  wxWeakRef<CMainDlg> main;
  std::unique_ptr<CAnnounceCheck> check;
  wxWeakRef<CAnnounceDlg> dialog;  // while the question is open
};

AnnounceAnswer Ask(AnnouncementState& state) {
  // Not a child of the main window: a window that ends while the question is open must not
  // take the dialog with it under its modal run. It stays above the other windows instead.
  wxWeakRef<CAnnounceDlg> dialog = new CAnnounceDlg(nullptr);
  state.dialog = dialog;
  int code = dialog->ShowModal();
  state.dialog = nullptr;
  if (dialog) dialog->Destroy();
  return CAnnounceDlg::ToAnswer(code);
}

}  // namespace

void AddAnnouncement(MainWindowParts& parts, CWatchApp& app, CWxUiQueue& queue,
                     unsigned delayMs) {
  auto state = std::make_shared<AnnouncementState>();
  auto otherCreate = std::move(parts.createWindows);
  parts.createWindows = [state, otherCreate](CMainDlg& window) {
    if (otherCreate) otherCreate(window);
    state->main = &window;
  };
  auto otherDestroy = std::move(parts.destroyWindows);
  parts.destroyWindows = [state, otherDestroy] {
    if (otherDestroy) otherDestroy();
    if (state->dialog) state->dialog->EndModal(CAnnounceDlg::ID_NEXT_TIME);
    state->check.reset();
  };
  parts.startAnnouncement = [state, &app, &queue, delayMs] {
    state->check = std::make_unique<CAnnounceCheck>(kProductName, kDefaultAnnouncementAddress);
    platform::HttpOptions options;
    options.agent = kAgentText;
    options.proxy = app.m_settings.m_proxy;
    options.bypassLocal = app.m_settings.m_noProxyForLocal != 0;
    options.extraCaFile = app.m_settings.m_extraCaFile;
    state->check->SetHttpOptions(std::move(options));
    AnnounceWindow window;
    window.queue = &queue;
    window.ask = [state] { return Ask(*state); };
    window.done = [state](const std::optional<std::string>& page) {
      if (state->main) state->main->AnnounceDone(page);
      state->check.reset();
    };
    state->check->Start(delayMs, std::move(window), CWatchApp::VersionNumber(),
                        kOwnCategory);
  };
}
