// Fetches pages for the check options page's source view on worker threads, so that a
// stalling server never freezes the windows. A new fetch supersedes the one still running
// (which is cancelled and whose result is dropped): only the newest result is handed back,
// on the UI thread. The retriever's questions (the authentication dialog) are asked on the
// UI thread through the given prompter while the worker waits for the answer; a fetch that
// is cancelled stops waiting and takes the question as refused. A dropped fetch leaves no
// file beside the one it was to fetch into (the retriever may have taken a new name).
//
// Threads: Start, Cancel, Busy and the destructor on the UI thread (the one serving the
// queue). The destructor cancels every fetch and joins every worker without waiting for
// the UI thread. The queue and the prompter outlive the fetcher; results come only while
// it lives.
#pragma once

#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "core/fetch/fetch.h"

namespace platform {
class IUiQueue;
}

class CSourceFetcher {
 public:
  using Done = std::function<void(const FetchJob& job)>;

  CSourceFetcher(platform::IUiQueue& queue, IPrompter& prompter);
  ~CSourceFetcher();
  CSourceFetcher(const CSourceFetcher&) = delete;
  CSourceFetcher& operator=(const CSourceFetcher&) = delete;

  // Fetches `job` with `settings`; `done` gets the finished job unless a newer Start or a
  // Cancel came first.
  void Start(FetchJob job, FetchSettings settings, Done done);
  // Breaks the running fetch off; its result is dropped.
  void Cancel();
  // A fetch is running whose result is still wanted.
  bool Busy() const { return m_busy; }

 private:
  struct Run;
  class CRunPrompter;
  void Work(std::shared_ptr<Run> run, FetchJob job, FetchSettings settings);
  void JoinFinished();

  platform::IUiQueue& m_queue;
  IPrompter& m_prompter;
  std::vector<std::shared_ptr<Run>> m_runs;
  std::shared_ptr<Run> m_current;
  bool m_busy = false;
};
