#include "gui/app/main_frame.h"

#include <algorithm>
#include <cstdio>
#include <wx/button.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/statbmp.h>
#include <wx/taskbar.h>

#include "core/app/env_settings.h"
#include "core/app/image_test_page.h"
#include "core/common/version.h"
#include "core/app/watch_app.h"
#include "core/check/change_view.h"
#include "core/check/page_diff.h"
#include "core/check/renew.h"
#include "core/common/path_utils.h"
#include "core/fetch/fetch.h"
#include "core/watch/watch_list_notice.h"
#include "gui/app/about_dialog.h"
#include "gui/app/app_icon.h"
#include "gui/app/exchange_dialogs.h"
#include "gui/app/main_commands.h"
#include "gui/app/tray_icon.h"
#include "gui/button_bar.h"
#include "gui/check/change_window.h"
#include "gui/check/results_list.h"
#include "gui/mail/mail_progress_window.h"
#include "gui/window_utils.h"
#include "gui/wx_text.h"
#include "gui/wx_ui_queue.h"
#include "gui/size_keeper.h"
#include "platform/code_page_converter.h"
#include "platform/file_system.h"
#include "platform/sound_player.h"

namespace {

// The client area the controls are laid out for before the window takes its real size.
constexpr int kDesignWidth = 620;
constexpr int kDesignHeight = 320;
constexpr int kMargin = 8;

// The pages on the maker's site that the help menu shows.
constexpr const char* kHelpPage = "https://velmar.example/pagewarden/help/";
constexpr const char* kTroublePage = "https://velmar.example/pagewarden/trouble.html";
constexpr const char* kHelperPage = "https://velmar.example/grabmate/";
constexpr const char* kDownloaderPage = "https://velmar.example/linkreel/";
constexpr const char* kQaPage = "https://velmar.example/pagewarden/qa.html";

constexpr const char* kNoTempFile = "一時ファイルが作れません。";
constexpr const char* kAnnouncementFrame = "__Watch_Ann";

// The four buttons, left to right.
constexpr ButtonSpec kButtons[] = {{ID_FOLDER_UPDATE, "フォルダ更新"},
                                   {ID_SHOW_WATCH_LIST, "ウォッチリスト"},
                                   {ID_CLEAR_LOG, "ログのクリア"},
                                   {ID_STOP_SOUND, "サウンド停止"}};

}  // namespace

CMainDlg::CMainDlg(CWatchApp& app, CWxUiQueue& queue, MainWindowParts parts)
    : wxFrame(nullptr, wxID_ANY, ToWx(kProductTitle)),
      m_app(app),
      m_queue(queue),
      m_parts(std::move(parts)) {
  m_app.WriteState("opened");
  SetTitle(ToWx(std::string(kProductName) + " " + kProductVersion));
  SetMenuBar(MakeMainMenuBar());
  SetIcons(MakeAppIcons());
  CreateControls();
  SetClientSize(m_designWidth, FontScaled(this, kDesignHeight));
  SetMinClientSize(wxSize(200, 120));

  Bind(wxEVT_MENU, &CMainDlg::OnMenu, this);
  Bind(wxEVT_BUTTON, &CMainDlg::OnMenu, this);
  Bind(wxEVT_UPDATE_UI, &CMainDlg::OnUpdateUi, this);
  Bind(wxEVT_CLOSE_WINDOW, &CMainDlg::OnClose, this);
  Bind(wxEVT_ICONIZE, &CMainDlg::OnIconize, this);
  Bind(wxEVT_CHAR_HOOK, &CMainDlg::OnCharHook, this);
  Bind(wxEVT_SHOW, &CMainDlg::OnShow, this);
  m_panel->Bind(wxEVT_SIZE, &CMainDlg::OnSize, this);

  PlaceWindow(this, m_app.m_mainWindowLayout.m_windowRect,
              KeepFrameBetweenRuns(this, m_app.OwnKey(), "MainWindowFrame"));
  Command(ID_DEFERRED_INIT);
}

CMainDlg::~CMainDlg() {
  if (!m_ending) EndWindow();
}

void CMainDlg::CreateControls() {
  // The design size in this desktop's font; wider still when the buttons need it.
  m_designWidth = FontScaled(this, kDesignWidth);
  int designHeight = FontScaled(this, kDesignHeight);
  m_panel = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxSize(m_designWidth, designHeight));
  m_icon = new wxStaticBitmap(m_panel, wxID_ANY, MakeAppBitmap(32), wxPoint(kMargin, 4));
  int bottom = m_icon->GetRect().GetBottom();

  bottom = CreateButtonBar(m_panel, kButtons, std::size(kButtons), m_designWidth,
                           m_icon->GetRect().GetRight() + 1, kMargin, bottom, m_buttons,
                           m_buttonRow);
  for (std::size_t index = 0; index < m_buttons.size(); ++index) {
    m_buttons[index]->Enable(CommandAvailable(kButtons[index].id));
  }

  int top = bottom + 6;
  m_results = new CRenewCheckWnd(m_panel, wxID_ANY, wxPoint(0, top),
                                 wxSize(m_designWidth, std::max(designHeight - top, 40)));
  CheckSessionHost host;
  host.queue = &m_queue;
  host.prompter = &m_app.Prompter();
  host.view = m_results;
  host.raiseMainWindow = [this] { ShowFromTray(); };
  host.showChange = [this](const WatchItem& item) { OpenChangeWindow(item); };
  host.listChanged = [this] {
    if (m_parts.refreshWatchList) m_parts.refreshWatchList();
  };
  m_mailDialogs = std::make_unique<CMailProgressHost>(m_queue);
  m_mailDialogs->SetOwner([this]() -> wxWindow* { return this; });
  host.mailDialogs = m_mailDialogs.get();
  m_session = std::make_unique<CCheckSession>(m_app, std::move(host));
}

void CMainDlg::OnSize(wxSizeEvent& event) {
  event.Skip();
  LayoutControls();
}

void CMainDlg::LayoutControls() {
  if (m_results) LayoutButtonBar(m_panel, m_results, m_buttons, m_buttonRow);
}

void CMainDlg::Command(int id) { QueueEvent(new wxCommandEvent(wxEVT_MENU, id)); }

void CMainDlg::OnMenu(wxCommandEvent& event) { RunCommand(event.GetId()); }

bool CMainDlg::CommandAvailable(int id) const {
  switch (id) {
    case ID_NEW_SITE:
      return static_cast<bool>(m_parts.runSheet);
    case ID_SHOW_WATCH_LIST:
      return static_cast<bool>(m_parts.showWatchList);
    case ID_ENVIRONMENT:
      return static_cast<bool>(m_parts.runEnvironment);
    case ID_FOLDER_UPDATE:
      return static_cast<bool>(m_parts.runLinkUpdate);
    default:
      return true;
  }
}

void CMainDlg::OnUpdateUi(wxUpdateUIEvent& event) {
  event.Enable(CommandAvailable(event.GetId()));
}

void CMainDlg::RunCommand(int id) {
  if (m_ending) return;
  if (!CommandAvailable(id)) return;
  switch (id) {
    case ID_NEW_SITE:
      OpenSite(WatchItem(), 0);
      break;
    case ID_SHOW_WATCH_LIST:
      m_parts.showWatchList();
      break;
    case ID_CLEAR_LOG:
      m_results->DeleteAllItems();
      break;
    case ID_ENVIRONMENT:
      m_parts.runEnvironment();
      break;
    case ID_EXIT_PROGRAM:
      ExitProgram();
      break;
    case ID_DOWNLOADER:
      m_app.Companions().DownloaderCommand();
      break;
    case ID_HELPER:
      m_app.Companions().HelperCommand();
      break;
    case ID_HELP_CONTENTS:
      DisplayPage(DisplayKind::Address, std::string(kHelpPage));
      break;
    case ID_HELP_TROUBLE:
      DisplayPage(DisplayKind::Address, std::string(kTroublePage));
      break;
    case ID_HELP_HELPER_PAGE:
      DisplayPage(DisplayKind::Address, std::string(kHelperPage));
      break;
    case ID_HELP_DOWNLOADER_PAGE:
      DisplayPage(DisplayKind::Address, std::string(kDownloaderPage));
      break;
    case ID_HELP_QA:
      DisplayPage(DisplayKind::Address, std::string(kQaPage));
      break;
    case ID_ABOUT:
    case ID_ABOUT_VERSION: {
      CAboutDlg about(this);
      about.ShowModal();
      break;
    }
    case ID_FOLDER_UPDATE: {
      std::string& folder = m_app.m_mainWindowLayout.m_linkFolder;
      folder = m_parts.runLinkUpdate(folder);
      break;
    }
    case ID_STOP_SOUND:
      platform::SoundPlayer().Stop();
      break;
    case ID_SAVE_SETTINGS:
      SaveSettings();
      break;
    case ID_TAKE_HELPER_REQUEST:
      TakeHelperRequest(false);
      break;
    case ID_DEFERRED_INIT:
      DeferredInit();
      break;
    case ID_OPEN:
      ShowFromTray();
      break;
    case ID_IMPORT:
      RunImportDialog(this, WatchList(), m_app.Prompter());
      break;
    case ID_BACKUP:
      RunBackupDialog(this, WatchList(), m_app.Prompter());
      break;
    case ID_RESTORE: {
      std::int64_t limit = PageSizeLimitBytes(m_app.m_settings);
      RunRestoreDialog(this, m_app.Prompter(), limit > 0 ? limit : std::int64_t{kMaxPageSizeLimitMiB} << 20);
      break;
    }
    default:
      break;
  }
}

void CMainDlg::DeferredInit() {
  if (m_deferredInitDone) return;
  m_deferredInitDone = true;
  m_results->Attach(&WatchList(), this, m_app.m_mainWindowLayout.m_columnWidths);
  if (m_app.m_settings.m_startResident || m_app.m_startResidentOnce) GoToTray();
  // Every item gets its first check time as the list loads; a missing file is an empty list.
  m_session->Load();
  if (!ConfirmWatchListLoad(WatchList(), m_app.Prompter(), true)) {
    ExitProgram();  // the user keeps the list file as it is
    return;
  }
  if (m_parts.createWindows) m_parts.createWindows(*this);
  WatchList().Dispatch();
  Command(ID_TAKE_HELPER_REQUEST);
  if (m_parts.startAnnouncement) m_parts.startAnnouncement();
}

void CMainDlg::Minimise() {
  if (m_ending) return;
  if (!wxTaskBarIcon::IsAvailable()) {
    // No notification area to come back from: an ordinary minimised window stays reachable.
    if (!IsIconized()) Iconize(true);
    return;
  }
  m_inTray = false;
  GoToTray();
}

void CMainDlg::GoToTray() {
  if (m_inTray) {
    ExitProgram();
    return;
  }
  if (!wxTaskBarIcon::IsAvailable()) {
    Iconize(true);
    return;
  }
  if (!m_tray) {
    m_tray = new CTrayIcon(*this, [this](int id) { return CommandAvailable(id); });
  }
  if (!m_tray->Add()) {
    Iconize(true);
    return;
  }
  m_inTray = true;
  OnCancel();
}

void CMainDlg::ShowFromTray() {
  if (m_ending) return;
  m_hiddenInTray = false;
  // A window that the window manager minimised before it was hidden would be mapped
  // minimised again: restore it before showing it.
  Iconize(false);
  Show();
  BringToForeground(this);
  m_app.WriteState("opened");
}

void CMainDlg::StoreLayout() {
  MainWindowLayout& layout = m_app.m_mainWindowLayout;
  RememberWindowRect(this, layout.m_windowRect);
  if (m_results->IsAttached()) layout.m_columnWidths = m_results->ColumnWidths();
}

void CMainDlg::OnCancel() {
  if (m_ending) return;
  StoreLayout();
  if (m_inTray) {
    // A minimised window is hidden as it is; ShowFromTray restores it.
    m_hiddenInTray = true;
    Hide();
    m_app.WriteState("hide");
    return;
  }
  if (m_mailDialogs->IsShowing()) {
    // A notification mail's window is modal on this thread and the check's worker waits
    // for it: break the mail off, and end once its window has closed.
    m_session->SetShuttingDown();
    m_session->AbortActions();
    m_mailDialogs->WhenClosed([this] { OnCancel(); });
    return;
  }
  EndWindow();
  Destroy();
}

void CMainDlg::ExitProgram() {
  RemoveTray();
  m_inTray = false;
  OnCancel();
}

void CMainDlg::RemoveTray() {
  if (!m_tray) return;
  m_tray->RemoveIcon();
  m_tray->Destroy();
  m_tray = nullptr;
}

void CMainDlg::EndWindow() {
  m_ending = true;
  SaveSettings();
  m_session->SetShuttingDown();
  if (m_parts.destroyWindows) m_parts.destroyWindows();
  RemoveTray();
  // From here a worker asking the user is answered as refused: nothing it waits for on
  // this thread can keep the owners below from joining it.
  m_queue.Close();
  m_session->StopHandOff();
}

void CMainDlg::OnClose(wxCloseEvent& event) {
  if (!event.CanVeto()) {
    StoreLayout();
    if (!m_ending) EndWindow();
    Destroy();
    return;
  }
  OnCancel();
}

void CMainDlg::OnIconize(wxIconizeEvent& event) {
  event.Skip();
  // Into the tray after the window manager has finished minimising. The display may
  // report a minimise that a restore undoes at once (a window shown again from the tray
  // just after it was hidden): only a window that is still minimised goes.
  m_lastIconized = event.IsIconized();
  if (event.IsIconized() && !m_ending && wxTaskBarIcon::IsAvailable()) {
    CallAfter([this] {
      if (m_lastIconized) Minimise();
    });
  }
}

void CMainDlg::OnShow(wxShowEvent& event) {
  event.Skip();
  // wxGTK finishes showing a window when the display has mapped it; a window hidden into
  // the tray before that happened must stay hidden.
  if (event.IsShown() && m_hiddenInTray) {
    CallAfter([this] {
      if (m_hiddenInTray && IsShown()) Hide();
    });
  }
}

void CMainDlg::OnCharHook(wxKeyEvent& event) {
  // Keys of the windows this one owns reach it too: Esc there is theirs, not a close of
  // this window.
  if (event.GetKeyCode() == WXK_ESCAPE && PressedIn(event, this)) {
    OnCancel();
    return;
  }
  event.Skip();
}

void CMainDlg::SaveSettings() {
  // A settings archive that cannot be written keeps its old contents; nothing to report.
  m_app.SaveSettings();
}

void CMainDlg::OpenSite(const WatchItem& item, int index) {
  if (m_parts.runSheet) m_parts.runSheet(item, index);
}

void CMainDlg::NewSiteFromRequest(const FetchRequest& request) {
  WatchItem item;
  static_cast<FetchRequest&>(item) = request;
  OpenSite(item, 0);
}

void CMainDlg::StoreItem(int index, const WatchItem& item) {
  if (item.m_url.empty() || m_ending) return;
  WatchItem stored = item;
  stored.ScheduleAtStart();
  if (index == 0) {
    WatchList().AddItem(std::move(stored));
  } else {
    WatchList().ReplaceItem(index - 1, std::move(stored));
  }
  if (m_parts.refreshWatchList) m_parts.refreshWatchList();
}

void CMainDlg::EditItem(int index) {
  if (index < 1 || index > WatchList().GetCount()) return;
  OpenSite(WatchList().GetItem(index - 1), index);
}

void CMainDlg::ShowChange(int position) {
  if (position >= 0 && position < WatchList().GetCount()) OpenChangeWindow(WatchList().GetItem(position));
}

CChangeWindow* CMainDlg::OpenChangeWindow(const WatchItem& item) {
  // The converter keeps no state: one of the window's own does what the checks' does.
  platform::CCodePageConverter converter;
  PageChange change = LoadPageChange(item, &converter);
  auto* window = new CChangeWindow(this, CChangeView(item.m_name.empty() ? item.m_url : item.m_name, change));
  KeepSizeBetweenRuns(window, m_app.OwnKey(), "ChangeWindowSize");
  window->Show();
  window->Raise();
  return window;
}

std::string CMainDlg::ImageTestPath() { return ProgramFolder() + "/imagetest.htm"; }

void CMainDlg::DisplayPage(DisplayKind kind, const FetchRequest& request) {
  if (kind == DisplayKind::Request) {
    HandOff().Display(request);
  } else {
    DisplayPage(kind, request.m_url);
  }
}

void CMainDlg::DisplayPage(DisplayKind kind, const std::string& text) {
  FetchRequest request;
  if (kind == DisplayKind::Address) {
    request.m_url = text;
  } else if (kind == DisplayKind::Image) {
    std::string path = ImageTestPath();
    FILE* file = platform::OpenFile(path, "w");
    std::string page = ImageTestPage(text);
    bool written = file && std::fwrite(page.data(), 1, page.size(), file) == page.size();
    if (file && std::fclose(file) != 0) written = false;
    if (!written) {
      m_app.Prompter().ShowMessage(kNoTempFile, IPrompter::Buttons::Ok,
                                   IPrompter::Icon::Warning);
      return;
    }
    request.m_url = path;
  } else {
    return;  // a request comes with its own overload
  }
  HandOff().Display(request);
}

void CMainDlg::AnnounceDone(const std::optional<std::string>& address) {
  if (!address) return;
  FetchRequest request;
  request.m_frame = kAnnouncementFrame;
  request.m_url = *address;
  HandOff().Display(request);
}

void CMainDlg::TakeHelperRequest(bool fromMessage) {
  if (m_ending) return;
  CCompanionLink::HelperRequest taken = m_app.Companions().TakeHelperRequest(
      fromMessage ? CCompanionLink::RequestTrigger::Message
                  : CCompanionLink::RequestTrigger::StartUp);
  if (taken.showMainWindow) ShowFromTray();
  if (taken.request) NewSiteFromRequest(*taken.request);
}
