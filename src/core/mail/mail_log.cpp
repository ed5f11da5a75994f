#include "core/mail/mail_log.h"

#include <ctime>

#include "core/common/path_utils.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/text_codec.h"

std::string MailLogTimeStamp() {
  std::time_t now = platform::Now();
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%y/%m/%d %H:%M:%S", &local);
  return text;
}

FILE* OpenMailLog() {
  return platform::OpenFile(ProgramFolder() + "/" + kMailLogName, "a");
}

void WriteMailLogLine(FILE* log, const std::string& text) {
  if (!log) return;
  // UTF-8, so that cat, less and grep read it on the system; nothing reads the log back.
  std::string line = MailLogTimeStamp() + " " + platform::Cp932ToUtf8(text) + "\n";
  fwrite(line.data(), 1, line.size(), log);
  fflush(log);
}
