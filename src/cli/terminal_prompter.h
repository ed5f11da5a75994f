// The terminal's answers to what core asks: a server's request for a user name and
// password is asked on the terminal when standard input is one, and refused at once
// otherwise (the check then fails with "認証が否定されました"). Messages go to standard
// error and get the cautious answer (Cancel, No), as no one may be there to read them.
//
// Threads: called on the check engine's worker; one question at a time.
#pragma once

#include <mutex>

#include "core/common/prompter.h"

class CTerminalPrompter : public IPrompter {
 public:
  std::optional<Credentials> AskCredentials(const std::string& url,
                                            std::uint32_t timeoutMs) override;
  Answer ShowMessage(const std::string& text, Buttons buttons, Icon icon,
                     const std::string& caption) override;

 private:
  std::mutex m_mutex;
};
