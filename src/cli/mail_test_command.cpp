#include "cli/mail_test_command.h"

#include <vector>

#include "cli/cli_session.h"
#include "cli/console.h"
#include "core/app/settings_archive.h"
#include "core/mail/loop_dialog_host.h"
#include "core/mail/mail_job.h"

namespace {

// Message boxes become lines on the terminal, answered with their first button.
class CConsoleMessagePrompter : public IPrompter {
 public:
  std::optional<Credentials> AskCredentials(const std::string&, std::uint32_t) override {
    return std::nullopt;
  }
  Answer ShowMessage(const std::string& text, Buttons buttons, Icon, const std::string&) override {
    // A message of two lines is printed as two lines.
    PrintLine(text);
    switch (buttons) {
      case Buttons::YesNo:
      case Buttons::YesNoCancel: return Answer::Yes;
      case Buttons::RetryCancel: return Answer::Retry;
      default: return Answer::Ok;
    }
  }
};

// Lines that may help after a failed test: only those that fit the failure, and only
// settings the user has not made already.
void PrintHints(const AppSettings& settings, const CMailJob& job) {
  std::vector<std::string> lines;
  const char* pw = "  pagewarden-cli settings ";
  if (job.PlainRefused()) {
    lines.push_back("ヒント: 暗号化を選ぶか (STARTTLS が使えないときは tls とポート 465)、"
                    "サーバーの証明書を確かめてください:");
    lines.push_back(std::string(pw) + "mail-security tls");
  } else if (job.PasswordRefused()) {
    lines.push_back("ヒント: ユーザー名とパスワードを確かめてください:");
    if (settings.m_mailUser.empty()) lines.push_back(std::string(pw) + "mail-user ログイン名");
    lines.push_back(std::string(pw) + "mail-password - < password.txt");
  } else if (job.LastFailure() == MailFailure::Connection && settings.m_mailPort == 25 &&
             settings.m_mailSecurity == MailSecurity::None) {
    // Most providers take mail only on the submission port, with STARTTLS and a password.
    lines.push_back("ヒント: 多くのメールサービスはポート 587 で STARTTLS とパスワードを使います:");
    lines.push_back(std::string(pw) + "mail-port 587");
    lines.push_back(std::string(pw) + "mail-security starttls");
    if (settings.m_mailPassword.empty()) lines.push_back(std::string(pw) + "mail-password - < password.txt");
  } else if (job.LastFailure() == MailFailure::Refused && settings.m_mailPassword.empty()) {
    lines.push_back("ヒント: サーバーがパスワードを求めているかもしれません:");
    lines.push_back(std::string(pw) + "mail-password - < password.txt");
  }
  for (const std::string& line : lines) PrintLine(line);
}

}  // namespace

int RunMailTestCommand(const std::string& homeArgument) {
  // Works like the desktop program's dialog, so it takes the data folder as a working copy.
  CCliSession session;
  if (int status = session.Open(homeArgument, CCliSession::Access::Work)) return status;
  AppSettings& settings = session.App().m_settings;

  if (settings.m_mailServer.empty()) {
    PrintLine(kNoMailServer);
    PrintLine("  pagewarden-cli settings mail-server ホスト名");
    return 1;
  }
  if (!HasAtAfterFirst(settings.m_mailAccount)) {
    PrintLine("メールアドレスが不正です。");
    return 1;
  }
  CMailServerInfo info = CMailServerInfo::FromSettings(settings, false);
  CMailMessage message;
  BuildTestMessage(message, settings.m_mailAccount);

  CLoopDialogHost host;
  CConsoleMessagePrompter prompter;
  std::string state;
  MailSecurity security;
  CMailJob job(host, &prompter);
  job.SetTextListener([](const std::string& text) { PrintLine(text); });
  state = job.TestFromSettings(info, message);
  security = job.FoundSecurity();
  PrintLine("SMTP認証: " + state);
  if (security != settings.m_mailSecurity) PrintLine("暗号化: STARTTLS が使えます (starttls)");
  settings.m_smtpAuthState = state;
  settings.m_mailSecurity = security;
  if (state != kAuthUnknown && settings.m_mailUser.empty() &&
      info.LoginForm() != kLoginNotKnown) {
    settings.m_mailLoginForm = info.LoginForm();
    PrintLine("ログイン名: " + info.m_strAccount);
  }
  if (!session.App().SaveSettings()) {
    PrintLine("設定ファイルを保存できませんでした: " + SettingsArchivePath(), stderr);
    return 1;
  }
  if (state == kAuthUnknown) {
    PrintHints(settings, job);
    return 1;
  }
  return 0;
}
