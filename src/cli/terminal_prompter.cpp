#include "cli/terminal_prompter.h"

#include <unistd.h>

#include <string>

#include "cli/console.h"

std::optional<IPrompter::Credentials> CTerminalPrompter::AskCredentials(const std::string& url,
                                                                       std::uint32_t timeoutMs) {
  if (!isatty(STDIN_FILENO)) return std::nullopt;
  std::lock_guard<std::mutex> lock(m_mutex);
  PrintLine("認証が必要です: " + url, stderr);
  Prompt("ユーザー名: ");
  std::optional<std::string> user = ReadInputLine(timeoutMs);
  if (!user || user->empty()) return std::nullopt;

  Prompt("パスワード: ");
  std::optional<std::string> password = ReadInputLine(timeoutMs, true);
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
