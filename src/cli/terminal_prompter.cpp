#include "cli/terminal_prompter.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <string>

#include "cli/console.h"
#include "platform/text_codec.h"

namespace {

// One line from standard input (UTF-8 from the terminal, given back as CP932), or nothing
// on time-out or end of input.
std::optional<std::string> ReadLine(std::uint32_t timeoutMs) {
  std::string line;
  for (;;) {
    pollfd input{STDIN_FILENO, POLLIN, 0};
    int ready = poll(&input, 1, timeoutMs == 0xFFFFFFFF ? -1 : static_cast<int>(timeoutMs));
    if (ready <= 0) return std::nullopt;
    char ch;
    if (read(STDIN_FILENO, &ch, 1) != 1) return std::nullopt;
    if (ch == '\n') break;
    if (ch != '\r') line += ch;
  }
  return platform::Utf8ToCp932(line);
}

void Prompt(const std::string& cp932Text) {
  std::string text = platform::Cp932ToUtf8(cp932Text);
  fwrite(text.data(), 1, text.size(), stderr);
  fflush(stderr);
}

}  // namespace

std::optional<IPrompter::Credentials> CTerminalPrompter::AskCredentials(const std::string& url,
                                                                       std::uint32_t timeoutMs) {
  if (!isatty(STDIN_FILENO)) return std::nullopt;
  std::lock_guard<std::mutex> lock(m_mutex);
  PrintLine("認証が必要です: " + url, stderr);
  Prompt("ユーザー名: ");
  std::optional<std::string> user = ReadLine(timeoutMs);
  if (!user || user->empty()) return std::nullopt;

  Prompt("パスワード: ");
  termios saved{};
  bool hidden = tcgetattr(STDIN_FILENO, &saved) == 0;
  if (hidden) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
  }
  std::optional<std::string> password = ReadLine(timeoutMs);
  if (hidden) tcsetattr(STDIN_FILENO, TCSANOW, &saved);
  Prompt("\n");
  if (!password) return std::nullopt;
  return Credentials{*user, *password};
}

IPrompter::Answer CTerminalPrompter::ShowMessage(const std::string& text, Buttons buttons, Icon,
                                                 const std::string&) {
  PrintLine(text, stderr);
  switch (buttons) {
    case Buttons::Ok: return Answer::Ok;
    case Buttons::YesNo: return Answer::No;
    default: return Answer::Cancel;
  }
}
