#include "gui/app/env_parts.h"

#include <memory>
#include <wx/weakref.h>

#include "core/app/autostart.h"
#include "core/app/watch_app.h"
#include "gui/app/env_dlg.h"
#include "gui/app/main_frame.h"
#include "gui/mail/mail_progress_window.h"
#include "gui/wx_prompter.h"
#include "gui/wx_ui_queue.h"
#include "gui/size_keeper.h"

void AddEnvironmentDialog(MainWindowParts& parts, CWatchApp& app, CWxUiQueue& queue) {
  auto main = std::make_shared<wxWeakRef<CMainDlg>>();
  auto otherCreate = std::move(parts.createWindows);
  parts.createWindows = [main, otherCreate](CMainDlg& window) {
    if (otherCreate) otherCreate(window);
    *main = &window;
  };
  parts.runEnvironment = [main, &app, &queue] {
    CMainDlg* owner = main->get();
    CWxPrompter prompter(queue);
    CMailProgressHost mailHost(queue);
    CEnvDlg dialog(owner, app.m_settings, prompter, mailHost);
    prompter.SetOwner([&dialog] { return static_cast<wxWindow*>(&dialog); });
    mailHost.SetOwner([&dialog] { return static_cast<wxWindow*>(&dialog); });
    KeepSizeBetweenRuns(&dialog, app.OwnKey(), "EnvironmentSize");
    if (dialog.ShowModal() != wxID_OK) return;
    dialog.StoreInto(app.m_settings);
    std::string failure;
    if (!ApplyAutostartSetting(app.m_settings, failure)) {
      prompter.ShowMessage(failure, IPrompter::Buttons::Ok, IPrompter::Icon::Warning);
    }
    if (*main) {
      (*main)->SaveSettings();
    } else {
      app.SaveSettings();
    }
  };
}
