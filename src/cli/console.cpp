#include "cli/console.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "platform/text_codec.h"

namespace {

std::optional<std::string> ReadLineAsTyped(std::uint32_t timeoutMs) {
  std::string line;
  for (;;) {
    pollfd input{STDIN_FILENO, POLLIN, 0};
    int ready = poll(&input, 1, timeoutMs == kWaitForInput ? -1 : static_cast<int>(timeoutMs));
    if (ready <= 0) return std::nullopt;
    char ch;
    if (read(STDIN_FILENO, &ch, 1) != 1) {
      if (line.empty()) return std::nullopt;
      break;
    }
    if (ch == '\n') break;
    if (ch != '\r') line += ch;
  }
  return line;
}

}  // namespace

void PrintLine(const std::string& cp932Text, FILE* stream) {
  std::string line = platform::Cp932ToUtf8(cp932Text) + "\n";
  fwrite(line.data(), 1, line.size(), stream);
  fflush(stream);
}

void Prompt(const std::string& cp932Text) {
  std::string text = platform::Cp932ToUtf8(cp932Text);
  fwrite(text.data(), 1, text.size(), stderr);
  fflush(stderr);
}

std::optional<std::string> ReadInputLine(std::uint32_t timeoutMs, bool hidden) {
  termios saved{};
  bool quiet = hidden && isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &saved) == 0;
  if (quiet) {
    termios noEcho = saved;
    noEcho.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSANOW, &noEcho);
  }
  std::optional<std::string> line = ReadLineAsTyped(timeoutMs);
  if (quiet) {
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    Prompt("\n");
  }
  if (!line) return std::nullopt;
  return platform::Utf8ToCp932(*line);
}

void PrintUtf8Line(const std::string& utf8Text) {
  std::string line = utf8Text + "\n";
  fwrite(line.data(), 1, line.size(), stdout);
  fflush(stdout);
}

bool RefuseForeignText(std::string_view utf8) {
  std::optional<platform::ForeignCharacter> found = platform::FindForeignCharacter(utf8);
  if (!found) return false;
  // The terminal shows what CP932 cannot: the character and, when it is UTF-8, the text.
  std::string message = "pagewarden-cli: " + platform::Cp932ToUtf8(platform::ForeignCharacterText(*found));
  if (!found->utf8.empty()) message += platform::Cp932ToUtf8("「") + found->utf8 + platform::Cp932ToUtf8("」");
  message += platform::Cp932ToUtf8(found->utf8.empty() ? " は使えません" : "は使えません");
  if (!found->utf8.empty() && utf8.find('\n') == std::string_view::npos) message += ": " + std::string(utf8);
  message += "\n";
  fwrite(message.data(), 1, message.size(), stderr);
  fflush(stderr);
  return true;
}
