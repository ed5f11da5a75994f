#include "core/ui/source_fetcher.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "platform/cancel_signal.h"
#include "platform/file_system.h"
#include "platform/ui_queue.h"

// One fetch and what its worker shares with the UI thread.
struct CSourceFetcher::Run {
  std::thread thread;
  std::shared_ptr<platform::CCancelSignal> cancel = std::make_shared<platform::CCancelSignal>();
  std::atomic<bool> finished{false};
  // Set on the UI thread: the result is no longer wanted, questions are not asked.
  std::mutex mutex;
  std::condition_variable answered;
  bool abandoned = false;
  Done done;
  CSourceFetcher* owner = nullptr;  // read only on the UI thread, null once abandoned

  void Abandon() {
    {
      std::lock_guard<std::mutex> lock(mutex);
      abandoned = true;
    }
    answered.notify_all();
    cancel->Cancel();
  }
};

// The retriever's prompter on the worker: each question goes to the UI thread, and the
// worker waits for its answer or for the run to be abandoned (then: refused).
class CSourceFetcher::CRunPrompter : public IPrompter {
 public:
  CRunPrompter(platform::IUiQueue& queue, IPrompter& prompter, std::shared_ptr<Run> run)
      : m_queue(queue), m_prompter(prompter), m_run(std::move(run)) {}

  std::optional<Credentials> AskCredentials(const std::string& url, std::uint32_t timeoutMs) override {
    std::shared_ptr<Reply> reply = Ask([url, timeoutMs](IPrompter& prompter, Reply& into) {
      into.credentials = prompter.AskCredentials(url, timeoutMs);
    });
    return reply ? reply->credentials : std::nullopt;
  }
  Answer ShowMessage(const std::string& text, Buttons buttons, Icon icon,
                     const std::string& caption) override {
    std::shared_ptr<Reply> reply = Ask([=](IPrompter& prompter, Reply& into) {
      into.answer = prompter.ShowMessage(text, buttons, icon, caption);
    });
    return reply ? reply->answer : Answer::Cancel;
  }

 private:
  struct Reply {
    std::optional<Credentials> credentials;
    Answer answer = Answer::Cancel;
    bool given = false;
  };

  // The reply, or null when the run was abandoned first. The UI thread answers into a
  // reply of its own that it shares with the worker, so nothing it writes can outlive it.
  std::shared_ptr<Reply> Ask(std::function<void(IPrompter&, Reply&)> question) {
    auto reply = std::make_shared<Reply>();
    std::shared_ptr<Run> run = m_run;
    IPrompter& prompter = m_prompter;
    m_queue.Post([run, reply, question = std::move(question), &prompter] {
      {
        std::lock_guard<std::mutex> lock(run->mutex);
        if (run->abandoned) return;
      }
      // The dialog runs unlocked: the run may be abandoned meanwhile.
      Reply answer;
      question(prompter, answer);
      std::lock_guard<std::mutex> lock(run->mutex);
      answer.given = true;
      *reply = std::move(answer);
      run->answered.notify_all();
    });
    std::unique_lock<std::mutex> lock(run->mutex);
    run->answered.wait(lock, [&] { return reply->given || run->abandoned; });
    return reply->given ? reply : nullptr;
  }

  platform::IUiQueue& m_queue;
  IPrompter& m_prompter;
  std::shared_ptr<Run> m_run;
};

CSourceFetcher::CSourceFetcher(platform::IUiQueue& queue, IPrompter& prompter)
    : m_queue(queue), m_prompter(prompter) {}

CSourceFetcher::~CSourceFetcher() {
  for (const std::shared_ptr<Run>& run : m_runs) {
    run->owner = nullptr;
    run->Abandon();
  }
  for (const std::shared_ptr<Run>& run : m_runs) run->thread.join();
}

void CSourceFetcher::Start(FetchJob job, FetchSettings settings, Done done) {
  Cancel();
  JoinFinished();
  auto run = std::make_shared<Run>();
  run->done = std::move(done);
  run->owner = this;
  settings.m_cancel = run->cancel;
  // Each fetch has connections of its own: two may overlap while one is broken off.
  settings.m_connections = nullptr;
  m_current = run;
  m_busy = true;
  m_runs.push_back(run);
  run->thread = std::thread(&CSourceFetcher::Work, this, run, std::move(job), std::move(settings));
}

void CSourceFetcher::Cancel() {
  if (m_current) {
    m_current->owner = nullptr;
    m_current->Abandon();
    m_current.reset();
  }
  m_busy = false;
}

void CSourceFetcher::Work(std::shared_ptr<Run> run, FetchJob job, FetchSettings settings) {
  CRunPrompter prompter(m_queue, m_prompter, run);
  std::string target = job.m_savePath;
  {
    CFetch fetch(prompter, std::move(settings));
    fetch.Fetch(job);
  }
  run->finished = true;
  m_queue.Post([run, job, target] {
    CSourceFetcher* owner = run->owner;
    if (!owner || owner->m_current != run) {
      // Dropped: a page the retriever saved under a new name beside the target goes.
      bool named = job.m_outcome == FetchOutcome::Fetched && !job.m_savedPath.empty();
      const std::string& saved = named ? job.m_savedPath : job.m_savePath;
      if (saved != target) platform::RemoveFile(saved);
      return;
    }
    owner->m_current.reset();
    owner->m_busy = false;
    Done done = std::move(run->done);
    done(job);
  });
}

void CSourceFetcher::JoinFinished() {
  for (auto it = m_runs.begin(); it != m_runs.end();) {
    if ((*it)->finished) {
      (*it)->thread.join();
      it = m_runs.erase(it);
    } else {
      ++it;
    }
  }
}
