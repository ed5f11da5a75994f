#include "support/scripted_prompter.h"

void CScriptedPrompter::QueueCredentials(std::optional<Credentials> answer) {
  std::lock_guard lock(m_mutex);
  m_credentials.push_back(std::move(answer));
}

void CScriptedPrompter::QueueAnswer(Answer answer) {
  std::lock_guard lock(m_mutex);
  m_answers.push_back(answer);
}

std::optional<IPrompter::Credentials> CScriptedPrompter::AskCredentials(
    const std::string& url, std::uint32_t timeoutMs) {
  std::lock_guard lock(m_mutex);
  m_questions.push_back({true, url, timeoutMs, Buttons::OkCancel, Icon::None});
  if (m_credentials.empty()) return std::nullopt;
  auto answer = m_credentials.front();
  m_credentials.pop_front();
  return answer;
}

IPrompter::Answer CScriptedPrompter::ShowMessage(const std::string& text, Buttons buttons,
                                                 Icon icon, const std::string&) {
  std::lock_guard lock(m_mutex);
  m_questions.push_back({false, text, 0, buttons, icon});
  if (!m_answers.empty()) {
    Answer answer = m_answers.front();
    m_answers.pop_front();
    return answer;
  }
  switch (buttons) {
    case Buttons::YesNo:
    case Buttons::YesNoCancel: return Answer::Yes;
    case Buttons::RetryCancel: return Answer::Retry;
    default: return Answer::Ok;
  }
}

std::vector<CScriptedPrompter::Question> CScriptedPrompter::Questions() const {
  std::lock_guard lock(m_mutex);
  return m_questions;
}

std::vector<std::string> CScriptedPrompter::Messages() const {
  std::lock_guard lock(m_mutex);
  std::vector<std::string> messages;
  for (const auto& question : m_questions) {
    if (!question.forCredentials) messages.push_back(question.text);
  }
  return messages;
}
