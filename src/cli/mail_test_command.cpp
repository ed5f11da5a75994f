#include "cli/mail_test_command.h"

#include "cli/console.h"
#include "core/app/settings_archive.h"
#include "core/mail/loop_dialog_host.h"
#include "core/mail/mail_job.h"
#include "platform/file_system.h"
#include "platform/program_folder.h"
#include "platform/text_codec.h"

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

int RunMailTestCommand(const std::vector<std::string>& args) {
  std::string home;
  bool named = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "mailtest" && !named) {
      named = true;
    } else if (args[i] == "--home" && i + 1 < args.size()) {
      home = platform::Utf8ToCp932(args[++i]);  // the terminal's text
    } else {
      // Another command's arguments, or a stray one with "mailtest".
      return named ? 2 : -1;
    }
  }
  if (!named) return -1;

  const std::string folder = platform::ResolveProgramFolder(home);
  platform::MakeDirectories(folder);
  platform::SetProgramFolder(folder);
  AppSettings settings;
  MainWindowLayout mainWindow;
  WatchListWindowLayout watchListWindow;
  const std::string archive = SettingsArchivePath();
  LoadSettingsFile(archive, settings, mainWindow, watchListWindow);

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
  {
    CMailJob job(host, &prompter);
    job.SetTextListener([](const std::string& text) { PrintLine(text); });
    state = job.TestFromSettings(info, message);
  }
  PrintLine("SMTP認証: " + state);
  settings.m_smtpAuthState = state;
  if (!SaveSettingsFile(archive, settings, mainWindow, watchListWindow)) {
    PrintLine("設定ファイルを保存できませんでした: " + archive, stderr);
    return 1;
  }
  return state == kAuthUnknown ? 1 : 0;
}
