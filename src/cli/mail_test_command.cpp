#include "cli/mail_test_command.h"

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

}  // namespace

int RunMailTestCommand(const std::string& homeArgument) {
  // Works like the desktop program's dialog, so it takes the data folder as a working copy.
  CCliSession session;
  if (int status = session.Open(homeArgument, CCliSession::Access::Work)) return status;
  AppSettings& settings = session.App().m_settings;

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
  {
    CMailJob job(host, &prompter);
    job.SetTextListener([](const std::string& text) { PrintLine(text); });
    state = job.TestFromSettings(info, message);
    security = job.FoundSecurity();
  }
  PrintLine("SMTP認証: " + state);
  if (security != settings.m_mailSecurity) PrintLine("暗号化: STARTTLS が使えます (starttls)");
  settings.m_smtpAuthState = state;
  settings.m_mailSecurity = security;
  if (!session.App().SaveSettings()) {
    PrintLine("設定ファイルを保存できませんでした: " + SettingsArchivePath(), stderr);
    return 1;
  }
  if (state == kAuthUnknown) {
    // Most providers take mail only on the submission port, with STARTTLS and a password.
    PrintLine("ヒント: 多くのメールサービスはポート 587 で STARTTLS とパスワードを使います:");
    PrintLine("  pagewarden-cli settings mail-port 587");
    PrintLine("  pagewarden-cli settings mail-security starttls");
    PrintLine("  pagewarden-cli settings mail-password - < password.txt");
    return 1;
  }
  return 0;
}
