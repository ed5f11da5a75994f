#include "cli/notify_commands.h"

#include <cstdio>

#include "cli/cli_session.h"
#include "cli/console.h"
#include "cli/command_settings.h"
#include "core/notify/atom_feed.h"
#include "core/notify/notify_address.h"
#include "core/notify/notify_sender.h"
#include "platform/file_system.h"

int RunNotifyTestCommand(const std::string& homeArgument, const std::string& address) {
  NotifyAddress parsed;
  if (std::string refused = ParseNotifyAddress(address, parsed); !refused.empty()) {
    PrintLine("pagewarden-cli: 通知先が正しくありません: " + MaskedNotifyAddress(address) + ": " + refused,
              stderr);
    return 2;
  }
  CCliSession session;
  if (int status = session.Open(homeArgument, CCliSession::Access::Read)) return status;
  AppSettings settings = StoredSettings();
  PrintLine("送信先: " + MaskedNotifyAddress(parsed));
  NotifyOutcome outcome = SendNotification(address, TestNotifyMessage(), NotifyOptionsFrom(settings, nullptr));
  if (!outcome.answer.empty()) PrintLine("答え: " + outcome.answer);
  if (outcome.sent) {
    PrintLine("通知を送りました");
    return 0;
  }
  PrintLine("pagewarden-cli: 通知を送れませんでした: " + outcome.reason, stderr);
  return 1;
}

int RunFeedCommand(const std::string& homeArgument) {
  CCliSession session;
  if (int status = session.Open(homeArgument, CCliSession::Access::Read)) return status;
  FILE* file = platform::OpenFile(FeedPath(), "rb");
  if (!file) {
    PrintLine("pagewarden-cli: 更新フィードはまだありません: " + FeedPath(), stderr);
    return 1;
  }
  // The feed is UTF-8 XML already: its bytes go out unchanged.
  char buffer[8192];
  std::size_t count = 0;
  while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) std::fwrite(buffer, 1, count, stdout);
  std::fclose(file);
  return 0;
}
