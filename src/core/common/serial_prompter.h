// A prompter that asks one question at a time: several check workers may need an answer
// at once, and the user sees their questions one after another. Only worker threads may
// use it: a thread that holds the question may be waiting for the UI thread.
#pragma once

#include <mutex>

#include "core/common/prompter.h"

class CSerialPrompter : public IPrompter {
 public:
  explicit CSerialPrompter(IPrompter& prompter) : m_prompter(prompter) {}

  std::optional<Credentials> AskCredentials(const std::string& url,
                                            std::uint32_t timeoutMs) override {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_prompter.AskCredentials(url, timeoutMs);
  }
  Answer ShowMessage(const std::string& text, Buttons buttons, Icon icon,
                     const std::string& caption = {}) override {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_prompter.ShowMessage(text, buttons, icon, caption);
  }

 private:
  IPrompter& m_prompter;
  std::mutex m_mutex;
};
