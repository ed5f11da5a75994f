// A prompter that answers from a script and records every question, for tests.
#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "core/common/prompter.h"

class CScriptedPrompter : public IPrompter {
 public:
  // Answers given in order; with none left, credentials are refused and a message box
  // is answered with its first button (Ok or Yes or Retry).
  void QueueCredentials(std::optional<Credentials> answer);
  void QueueAnswer(Answer answer);

  std::optional<Credentials> AskCredentials(const std::string& url,
                                            std::uint32_t timeoutMs) override;
  Answer ShowMessage(const std::string& text, Buttons buttons, Icon icon,
                     const std::string& caption) override;

  struct Question {
    bool forCredentials = false;
    std::string text;  // the URL for credentials, the message otherwise
    std::uint32_t timeoutMs = 0;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
  };
  std::vector<Question> Questions() const;
  std::vector<std::string> Messages() const;

 private:
  mutable std::mutex m_mutex;
  std::deque<std::optional<Credentials>> m_credentials;
  std::deque<Answer> m_answers;
  std::vector<Question> m_questions;
};
