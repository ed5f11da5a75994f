// What core asks the user: the front end answers with wx dialogs, the terminal, or (in
// tests) scripted answers. Called on whichever thread needs the answer; the call blocks
// that thread until the user has answered.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

class IPrompter {
 public:
  virtual ~IPrompter() = default;

  struct Credentials {
    std::string user;
    std::string password;
  };
  // The authentication dialog for `url`; nullopt when the user refuses or `timeoutMs`
  // passes without an answer.
  virtual std::optional<Credentials> AskCredentials(const std::string& url,
                                                    std::uint32_t timeoutMs) = 0;

  enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
  enum class Icon { None, Information, Warning, Error, Question };
  enum class Answer { Ok, Cancel, Yes, No, Retry };
  // A message box; `caption` empty means the program's name.
  virtual Answer ShowMessage(const std::string& text, Buttons buttons, Icon icon,
                             const std::string& caption = {}) = 0;
};
