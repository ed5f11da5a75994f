// Where a mail client reports its progress: the progress dialog, reached through the
// queue of the thread that serves it (the client runs on a worker thread).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/cancel_signal.h"
#include "platform/ui_queue.h"

struct MailWindow {
  // The queue of the thread that serves the dialog; Notify sends (not posts) to it.
  platform::IUiQueue* queue = nullptr;
  // Run on that thread with done (0 one step, 1 the final result) and the text.
  std::function<void(int done, const std::string& text)> onProgress;
  // Cancelled from another thread: the client's connection fails at its next wait.
  std::shared_ptr<platform::CCancelSignal> cancel;
};
