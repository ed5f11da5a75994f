#include "core/session/check_session.h"

#include "core/app/watch_app.h"
#include "core/check/renew.h"
#include "core/common/serial_prompter.h"
#include "core/session/list_request_server.h"
#include "core/common/version.h"
#include "core/session/update_actions.h"
#include "platform/desktop_notifier.h"
#include "platform/shell.h"

CCheckSession::CCheckSession(CWatchApp& app, CheckSessionHost host)
    : m_host(std::move(host)), m_handOff(app.Companions(), *m_host.prompter), m_app(app) {
  m_workerPrompter = std::make_unique<CSerialPrompter>(*m_host.prompter);
  CheckEnvironment environment;
  environment.m_prompter = m_workerPrompter.get();
  environment.m_settings = &app.m_settings;
  environment.m_converter = app.Converter();
  environment.m_fetch = m_host.fetch;
  // One record of the requests' ends for every engine: the pause per host holds across them.
  if (!environment.m_fetch.m_hostPacer) {
    environment.m_fetch.m_hostPacer = std::make_shared<CHostPacer>();
  }
  // An engine's worker starts with its first check: engines the limit leaves unused cost
  // no thread, so the setting may grow while the program runs.
  const int engines = m_host.jobs > 0 ? m_host.jobs : kMaxCheckJobs;
  for (int i = 0; i < engines; ++i) {
    auto engine = std::make_unique<CReNew>(environment);
    m_engines.push_back(engine.get());
    if (i == 0) {
      m_list = std::make_unique<CWatchList>(std::move(engine));
    } else {
      m_list->AddEngine(std::move(engine));
    }
  }
  if (m_host.jobs <= 0) {
    m_list->SetJobLimit([&app] { return app.m_settings.m_checkJobs; });
  }
  m_list->SetHostInterval([&app] { return app.m_settings.m_hostInterval; });
  m_results = std::make_unique<CCheckResults>(*m_list, *m_host.view);
  if (m_host.runActions) InstallActions();
}

void CCheckSession::InstallActions() {
  UpdateActionsHost actions;
  actions.queue = m_host.queue;
  actions.raiseMainWindow = m_host.raiseMainWindow;
  actions.mailDialogs = m_host.mailDialogs;
  actions.notificationAction = m_host.resident;
  actions.showChange = m_host.showChange;
  switch (m_host.pageDisplay) {
    case CheckSessionHost::PageDisplay::HandOff:
      actions.showPage = [this](const FetchRequest& request) { m_handOff.Display(request); };
      break;
    case CheckSessionHost::PageDisplay::DesktopOpener:
      actions.showPage = [](const FetchRequest& request) {
        platform::OpenWithDesktop(request.m_url);
      };
      break;
    case CheckSessionHost::PageDisplay::None:
      break;
  }
  // What the first notification mail found out about the server serves the next ones.
  actions.rememberMailWay = [this](const MailWayFound& found) {
    if (RememberMailWay(m_app.m_settings, found)) m_app.SaveSettings();
  };
  m_notifier = std::make_unique<platform::CDesktopNotifier>(kProductName);
  // Each engine's actions break off with that engine's cancel.
  m_actions.clear();
  for (CReNew* engine : m_engines) {
    m_actions.push_back(std::make_unique<CUpdateActions>(*engine, actions, m_notifier.get()));
    engine->SetUpdateActions(m_actions.back().get());
  }
}

void CCheckSession::AbortActions() {
  for (CReNew* engine : m_engines) engine->AbortSignal()->Cancel();
}

void CCheckSession::FlushNotifications() {
  if (m_notifier) m_notifier->Flush();
}

CCheckSession::~CCheckSession() {
  m_app.SetListRequestHandler({});
  m_requests.reset();
  SetShuttingDown();
  m_results.reset();
  m_list.reset();  // cancels the running check and joins the engine's worker
  m_notifier.reset();  // no notification's action reaches the actions any more
  m_handOff.Stop();
}

bool CCheckSession::Load() {
  bool loaded = m_list->Init(m_host.queue, m_results.get());
  // Requests are taken only once the list holds the file's items.
  m_requests = std::make_unique<CListRequestServer>(*m_list, *m_host.queue, m_host.listChanged);
  m_app.SetListRequestHandler(
      [server = m_requests.get()](const std::string& fileName) { server->Take(fileName); });
  return loaded;
}

void CCheckSession::SetUpdateActions(std::unique_ptr<IUpdateActions> actions) {
  m_actions.clear();
  for (CReNew* engine : m_engines) engine->SetUpdateActions(actions.get());
  m_actions.push_back(std::move(actions));
}

void CCheckSession::SetShuttingDown() { m_list->SetShuttingDown(); }

bool CCheckSession::Close() { return m_list->Close(); }
