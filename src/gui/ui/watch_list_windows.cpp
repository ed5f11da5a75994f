#include "gui/ui/watch_list_windows.h"

#include "core/app/watch_app.h"
#include "gui/app/main_frame.h"
#include "gui/check/results_list.h"

CWatchListWindows::CWatchListWindows(CWatchApp& app, platform::IUiQueue& queue,
                                     CheckEnvironment environment)
    : m_app(app), m_queue(queue), m_list(std::move(environment)) {}

CWatchListWindows::~CWatchListWindows() { End(); }

CheckEnvironment CWatchListWindows::EnvironmentOf(CWatchApp& app) {
  CheckEnvironment environment;
  environment.m_prompter = &app.Prompter();
  environment.m_settings = &app.m_settings;
  environment.m_converter = app.Converter();
  return environment;
}

void CWatchListWindows::CViewRelay::AddResultRow(const ResultRow& row) {
  if (m_results) m_results->AddResultRow(row);
}

void CWatchListWindows::CViewRelay::RefreshItem(int position) {
  if (m_refresh) m_refresh(position);
}

void CWatchListWindows::FillParts(MainWindowParts& parts, std::function<CMainDlg*()> mainWindow) {
  parts.startWatchList = [this, mainWindow](CRenewCheckWnd& results) {
    if (CMainDlg* main = mainWindow()) Start(*main, results);
  };
  parts.endWatchList = [this] { End(); };
  parts.showWatchList = [this] {
    if (m_box) m_box->ShowWindow();
  };
  parts.copyItem = [this](int index) -> std::optional<WatchItem> {
    if (index < 1 || index > m_list.GetCount()) return std::nullopt;
    return m_list.GetItem(index - 1);
  };
  parts.storeItem = [this](int index, const WatchItem& item) {
    if (index == 0) {
      m_list.AddItem(item);
    } else {
      m_list.ReplaceItem(index - 1, item);
    }
    if (m_box) m_box->Refill();  // ID_REFRESH_LIST
  };
  parts.listForward = [this](int position) {
    if (m_box) m_box->ListForward(position);
  };
}

void CWatchListWindows::Start(CMainDlg& main, CRenewCheckWnd& results) {
  wxWeakRef<CMainDlg> owner(&main);
  ResultListCallbacks resultCalls;
  resultCalls.listForward = [owner](int position) {
    if (owner) owner->ListForward(position);
  };
  resultCalls.displayPage = [owner](const WatchItem& item) {
    if (owner) owner->DisplayPage(CMainDlg::DisplayKind::Request, item);
  };
  resultCalls.displayFile = [owner](int kind, const std::string& path) {
    if (!owner) return;
    owner->DisplayPage(kind == 2 ? CMainDlg::DisplayKind::Image : CMainDlg::DisplayKind::Address,
                       path);
  };
  resultCalls.editItem = [owner](int index) {
    if (owner) owner->EditItem(index);
  };
  resultCalls.showMessage = [this](const std::string& text) {
    m_app.Prompter().ShowMessage(text, IPrompter::Buttons::Ok, IPrompter::Icon::Information);
  };
  resultCalls.refreshItem = [this](int position) {
    if (m_box) m_box->RefreshItem(position);
  };
  results.Connect(m_list, resultCalls);
  m_relay.m_results = &results;
  m_relay.m_refresh = resultCalls.refreshItem;

  m_list.Init(&m_queue, &m_results);

  EditBoxCallbacks boxCalls;
  // The sheet opens after the command that asked for it has ended.
  boxCalls.editItem = [owner](int index) {
    if (owner) owner->CallAfter([owner, index] {
        if (owner) owner->EditItem(index);
      });
  };
  boxCalls.displayPage = resultCalls.displayPage;
  boxCalls.saveSettings = [owner] {
    if (owner) owner->SaveSettings();
  };
  boxCalls.mainCommand = [owner](int id) {
    if (owner) owner->Command(id);
  };
  m_box = new CEditBox(&main, m_list, m_app.m_settings, m_app.m_watchListWindowLayout, boxCalls);
  m_list.Dispatch();
}

void CWatchListWindows::End() {
  m_list.SetShuttingDown();
  m_relay.m_results = nullptr;
  m_relay.m_refresh = nullptr;
  if (m_box) m_box->Destroy();
  m_box = nullptr;
}
