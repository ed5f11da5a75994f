#include "core/session/check_session.h"

#include "core/app/watch_app.h"
#include "core/check/renew.h"
#include "core/session/list_request_server.h"

CCheckSession::CCheckSession(CWatchApp& app, CheckSessionHost host)
    : m_host(std::move(host)), m_handOff(app.Companions(), *m_host.prompter), m_app(app) {
  CheckEnvironment environment;
  environment.m_prompter = m_host.prompter;
  environment.m_settings = &app.m_settings;
  environment.m_converter = app.Converter();
  environment.m_fetch = m_host.fetch;
  auto engine = std::make_unique<CReNew>(std::move(environment));
  m_engine = engine.get();
  m_list = std::make_unique<CWatchList>(std::move(engine));
  m_results = std::make_unique<CCheckResults>(*m_list, *m_host.view);
}

CCheckSession::~CCheckSession() {
  m_app.SetListRequestHandler({});
  m_requests.reset();
  SetShuttingDown();
  m_results.reset();
  m_list.reset();  // cancels the running check and joins the engine's worker
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
  m_actions = std::move(actions);
  m_engine->SetUpdateActions(m_actions.get());
}

void CCheckSession::SetShuttingDown() { m_list->SetShuttingDown(); }

bool CCheckSession::Close() { return m_list->Close(); }
