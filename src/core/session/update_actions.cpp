#include "core/session/update_actions.h"

#include <cctype>

#include "core/check/check_results.h"
#include "core/check/renew.h"
#include "core/check/text_compare.h"
#include "core/mail/loop_dialog_host.h"
#include "core/mail/mail_job.h"
#include "core/mail/mail_message.h"
#include "core/mail/mail_server_info.h"
#include "core/notify/atom_feed.h"
#include "core/session/notify_actions.h"
#include "core/watch/page_history.h"
#include "platform/code_page_converter.h"
#include "platform/desktop_notifier.h"
#include "platform/program_folder.h"
#include "platform/shell.h"
#include "platform/sound_player.h"
#include "platform/ui_queue.h"

namespace {

constexpr const char* kDefaultSound = "notify.wav";
constexpr const char* kIconFile = "pagewarden.png";

// What a text item's update added and removed, for its notifications and feed entry; for
// other items (or without a kept previous version) the result text stands alone.
ChangedLines TextUpdateLines(const WatchItem& item) {
  ChangedLines lines;
  if (item.m_textCompare != 1) return lines;
  platform::CCodePageConverter converter;
  if (std::optional<text::LineDelta> delta = LoadTextDelta(item, &converter)) {
    lines.added = std::move(delta->added);
    lines.removed = std::move(delta->removed);
  }
  return lines;
}
constexpr const char* kShowAction = "表示";
constexpr const char* kShowChangeAction = "変更点を表示";

FetchRequest AddressRequest(const std::string& address) {
  FetchRequest request;
  request.m_url = address;
  return request;
}

}  // namespace

CUpdateActions::CUpdateActions(CReNew& engine, UpdateActionsHost host,
                               platform::CDesktopNotifier* notifier)
    : m_engine(engine),
      m_host(std::move(host)),
      m_notifier(notifier),
      m_iconPath(platform::ShippedFile(kIconFile)) {}

bool CUpdateActions::OnUpdate(const WatchItem& item, const AppSettings& settings) {
  std::string sound = SoundPath(item);
  if (!sound.empty()) platform::SoundPlayer().Play(sound);
  if (settings.m_desktopNotify) Notify(item, kUpdatedText);
  if (item.m_popUp && !Ending()) RaiseMainWindow();
  if (item.m_showPage && !Ending()) ShowPage(item);
  if (!item.m_exec.empty() && !Ending()) RunExec(item.m_exec);
  bool mailSent = true;
  if (item.m_useMail && !Ending()) {
    // A mail broken off by the end of the program or a cancel is no failure to tell.
    mailSent = SendMail(item, settings, NoticeSubject(item), NoticeBody(item)) || Ending();
    if (!mailSent && settings.m_desktopNotify) Notify(item, kMailFailedText);
  }
  if (!Ending()) {
    Announce(item, settings, kUpdatedText, TextUpdateLines(item));
  }
  return mailSent;
}

bool CUpdateActions::OnAlert(const WatchItem& item, const AppSettings& settings,
                             const std::string& text) {
  if (settings.m_desktopNotify) Notify(item, text);
  bool mailSent = true;
  if (item.m_useMail && !item.m_mailTo.empty() && !Ending()) {
    std::string name = item.m_name.empty() ? item.m_url : item.m_name;
    mailSent = SendMail(item, settings, name + ": " + text, text + "\r\n" + item.m_url + "\r\n") ||
               Ending();
  }
  if (!Ending()) Announce(item, settings, text, {});
  return mailSent;
}

void CUpdateActions::Announce(const WatchItem& item, const AppSettings& settings,
                              const std::string& result, ChangedLines lines) {
  NotifyRun run;
  run.item = &item;
  run.settings = &settings;
  run.result = result;
  run.lines = std::move(lines);
  run.cancel = m_engine.AbortSignal();
  run.feedPath = FeedPath();
  run.failed = [this, &item](const std::string& text) { m_engine.ReportNotifyFailure(item, text); };
  RunNotifyActions(run);
}

std::string NoticeSubject(const WatchItem& item) {
  if (!item.m_mailSubject.empty()) return item.m_mailSubject;
  return item.m_name.empty() ? item.m_url : item.m_name;
}

std::string NoticeBody(const WatchItem& item) {
  if (!item.m_mailBody.empty()) return item.m_mailBody;
  return std::string(kUpdatedText) + "\r\n" + item.m_url + "\r\n";
}

bool RememberMailWay(AppSettings& settings, const MailWayFound& found) {
  const AppSettings& before = found.before;
  bool same = settings.m_mailServer == before.m_mailServer &&
              settings.m_mailPort == before.m_mailPort &&
              settings.m_mailAccount == before.m_mailAccount &&
              settings.m_mailUser == before.m_mailUser &&
              settings.m_mailPassword == before.m_mailPassword &&
              settings.m_mailSecurity == before.m_mailSecurity &&
              settings.m_smtpAuthState == before.m_smtpAuthState;
  if (!same) return false;
  settings.m_smtpAuthState = found.authState;
  settings.m_mailLoginForm = found.loginForm;
  settings.m_mailSecurity = found.security;
  return true;
}

std::string CUpdateActions::SoundPath(const WatchItem& item) {
  if (item.m_soundUse == 0) return {};
  if (item.m_soundUse == 1) return platform::ShippedFile(kDefaultSound);
  return item.m_soundFile;
}

bool CUpdateActions::IsAddress(const std::string& exec) {
  std::size_t start = exec.find_first_not_of(" \t");
  if (start == std::string::npos || exec.size() - start < 4) return false;
  std::string head = exec.substr(start, 4);
  for (char& ch : head) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return head == "http";
}

bool CUpdateActions::Ending() const {
  return m_engine.IsShuttingDown() || m_engine.AbortSignal()->IsCancelled();
}

void CUpdateActions::RaiseMainWindow() {
  if (m_host.raiseMainWindow && m_host.queue) m_host.queue->Send(m_host.raiseMainWindow);
}

void CUpdateActions::ShowPage(const FetchRequest& request) {
  if (!m_host.showPage || !m_host.queue) return;
  m_host.queue->Send([this, &request] { m_host.showPage(request); });
}

void CUpdateActions::RunExec(const std::string& exec) {
  if (IsAddress(exec)) {
    ShowPage(AddressRequest(exec));
    return;
  }
  std::size_t separator = exec.rfind('/');
  std::string folder = separator == std::string::npos ? std::string() : exec.substr(0, separator + 1);
  std::string file = separator == std::string::npos ? exec : exec.substr(separator + 1);
  // What cannot be started is not reported.
  platform::StartFile(folder, file);
}

bool CUpdateActions::SendMail(const WatchItem& item, const AppSettings& settings,
                              const std::string& subject, const std::string& body) {
  CMailServerInfo info = CMailServerInfo::FromSettings(settings);
  CMailMessage message;
  BuildNoticeMessage(message, body, subject, settings.m_mailAccount, item.m_mailTo);
  CLoopDialogHost withoutWindow;
  CMailJob job(m_host.mailDialogs ? *m_host.mailDialogs : withoutWindow, nullptr);
  job.SetCancelSignal(m_engine.AbortSignal());
  const std::string stateBefore = info.m_strAuthState;
  if (job.SendNotice(info, message) != 0) return false;
  KeepWayFound(settings, info, job.FoundSecurity(), stateBefore);
  return true;
}

void CUpdateActions::KeepWayFound(const AppSettings& settings, const CMailServerInfo& info,
                                  MailSecurity security, const std::string& stateBefore) {
  // A first mail that found the way, or the login that works, is kept for the next ones.
  // A known state that a retry replaced stays as it was, as the options page's test does.
  bool wayFound = stateBefore != kAuthSmtp && stateBefore != kAuthNone &&
                  stateBefore.find(kBeforeSmtpSuffix) == std::string::npos;
  MailWayFound found{settings, settings.m_smtpAuthState, settings.m_mailLoginForm,
                     settings.m_mailSecurity};
  if (wayFound) {
    found.authState = info.m_strAuthState;
    found.security = security;
  }
  if (settings.m_mailUser.empty() && info.LoginForm() != kLoginNotKnown) {
    found.loginForm = info.LoginForm();
  }
  bool learned = found.authState != settings.m_smtpAuthState ||
                 found.loginForm != settings.m_mailLoginForm ||
                 found.security != settings.m_mailSecurity;
  if (learned && m_host.rememberMailWay && m_host.queue) {
    m_host.queue->Post([remember = m_host.rememberMailWay, found] { remember(found); });
  }
}

void CUpdateActions::Notify(const WatchItem& item, const std::string& text) {
  if (!m_notifier || Ending()) return;
  platform::DesktopNotice notice;
  notice.summary = item.m_name.empty() ? item.m_url : item.m_name;
  notice.body = std::string(text) + "\n" + item.m_url;
  notice.iconPath = m_iconPath;
  if (m_host.notificationAction && m_host.showChange && m_host.queue &&
      !PreviousVersionPath(item).empty()) {
    notice.actionLabel = kShowChangeAction;
    notice.onAction = [this, item] {
      m_host.queue->Post([this, item] { m_host.showChange(item); });
    };
  } else if (m_host.notificationAction && m_host.showPage && m_host.queue) {
    notice.actionLabel = kShowAction;
    // The check's item is gone by the time the user chooses: the page goes by value.
    FetchRequest page = item;
    notice.onAction = [this, page] {
      m_host.queue->Post([this, page] { m_host.showPage(page); });
    };
  }
  m_notifier->Show(std::move(notice));
}
