// The display hand-off: pages, downloaded files and announcements to be shown are queued
// here as fetch requests and handed to the companion helper one at a time from a worker
// thread, so that the user interface never waits for the helper.
//
// Threads: Display and Stop are called on the UI thread. The worker writes the request
// file, calls the hand-off and, when the file cannot be written, shows a message through
// the prompter (from the worker). Shutdown: Stop (also run by the destructor) ends the
// worker and joins it; a request being handed over is finished first. Call it while the
// prompter can still answer from a worker thread.
// Owns its queue and its worker; `handOff` and `prompter` must outlive the object.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

#include "core/common/prompter.h"
#include "core/companion/companion_link.h"
#include "core/fetch/fetch_request.h"
#include "platform/event.h"

class CHLPCall {
 public:
  // `pollMs`: how long after a busy answer the helper is asked again. Otherwise the worker
  // sleeps until a request comes.
  CHLPCall(IHelperHandOff& handOff, IPrompter& prompter, std::uint32_t pollMs = 1000);
  ~CHLPCall();
  CHLPCall(const CHLPCall&) = delete;
  CHLPCall& operator=(const CHLPCall&) = delete;

  // Queues a copy of `request` and makes sure the worker runs. Returns at once.
  void Display(const FetchRequest& request);
  // Ends the worker and waits for it; queued requests stay queued for a later Display.
  void Stop();

  std::size_t QueuedCount() const;
  bool WorkerRunning() const;

 private:
  void Worker();
  enum class Outcome { None, Handed, Busy };
  // Hands the oldest queued request to the helper; Busy: queued again for a retry.
  Outcome ProcessOne();
  bool TakeFirst(FetchRequest& request);

  IHelperHandOff& m_handOff;
  IPrompter& m_prompter;
  const std::uint32_t m_pollMs;

  std::thread m_pThread;  // joinable while a worker runs or has ended unjoined
  mutable std::mutex m_queueLock;
  std::deque<FetchRequest> m_queue;
  platform::Event m_workEvent{platform::Event::Reset::Auto};
  platform::Event m_stopEvent{platform::Event::Reset::Auto};
  mutable platform::Event m_endedEvent{platform::Event::Reset::Manual};
};
