// Runs mail client work on a worker thread while the test thread serves the dialog's
// queue, and records every progress report (done flag and text).
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/mail/mail_window.h"
#include "platform/ui_queue.h"

class CMailProgressRecorder {
 public:
  CMailProgressRecorder() {
    m_window.queue = &m_queue;
    m_window.onProgress = [this](int done, const std::string& text) {
      m_events.emplace_back(done, text);
    };
  }

  const MailWindow* Window() const { return &m_window; }

  // Returns when `work` has ended (the worker is joined).
  void Run(const std::function<void()>& work) {
    std::atomic<bool> finished{false};
    std::thread worker([&] {
      work();
      m_queue.Post([&] { finished = true; });
    });
    m_queue.RunUntil([&] { return finished.load(); }, 60000);
    worker.join();
  }

  int Steps() const {
    int steps = 0;
    for (const auto& event : m_events) steps += event.first == 0;
    return steps;
  }
  std::vector<std::string> Finals() const {
    std::vector<std::string> finals;
    for (const auto& event : m_events) {
      if (event.first == 1) finals.push_back(event.second);
    }
    return finals;
  }
  const std::vector<std::pair<int, std::string>>& Events() const { return m_events; }

 private:
  platform::CLoopQueue m_queue;
  MailWindow m_window;
  std::vector<std::pair<int, std::string>> m_events;
};
