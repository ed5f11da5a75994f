#include "gui/links/link_update_parts.h"

#include <memory>
#include <wx/weakref.h>

#include "core/app/watch_app.h"
#include "gui/app/main_commands.h"
#include "gui/app/main_frame.h"
#include "gui/links/link_update_dlg.h"
#include "gui/wx_prompter.h"
#include "gui/wx_ui_queue.h"

void AddLinkUpdateDialog(MainWindowParts& parts, CWatchApp& app, CWxUiQueue& queue) {
  auto main = std::make_shared<wxWeakRef<CMainDlg>>();
  auto otherCreate = std::move(parts.createWindows);
  parts.createWindows = [main, otherCreate](CMainDlg& window) {
    if (otherCreate) otherCreate(window);
    *main = &window;
  };
  parts.runLinkUpdate = [main, &app, &queue](const std::string& folder) {
    CMainDlg* owner = main->get();
    CWxPrompter prompter(queue);
    LinkListEnvironment environment;
    environment.m_prompter = &prompter;
    environment.m_settings = &app.m_settings;
    LinkUpdateCallbacks callbacks;
    wxWeakRef<CMainDlg> target(owner);
    callbacks.displayPage = [target](const FetchRequest& request) {
      if (target) target->DisplayPage(IMainWindowMessages::DisplayKind::Request, request);
    };
    callbacks.newSite = [target](const FetchRequest& request) {
      // The sheet opens after the dialog's command has ended, as a posted message would.
      if (target) target->CallAfter([target, request] {
        if (target) target->NewSiteFromRequest(request);
      });
    };
    // "設定" opens the environment settings, where the proxy of every download is set.
    callbacks.settings = [target] {
      if (target) target->Command(ID_ENVIRONMENT);
    };
    CLinkUpdateDlg dialog(owner, environment, queue, std::move(callbacks));
    prompter.SetOwner([&dialog] { return static_cast<wxWindow*>(&dialog); });
    if (!dialog.Init(folder)) return folder;
    dialog.ShowModal();
    return dialog.Folder();
  };
}
