#include "core/companion/hlp_call.h"

#include "core/companion/request_file.h"
#include "core/common/path_utils.h"
#include "platform/file_system.h"

namespace {
constexpr const char* kRequestFileName = "WatchToHelp";
}

CHLPCall::CHLPCall(IHelperHandOff& handOff, IPrompter& prompter, std::uint32_t pollMs)
    : m_handOff(handOff), m_prompter(prompter), m_pollMs(pollMs) {}

CHLPCall::~CHLPCall() { Stop(); }

void CHLPCall::Display(const FetchRequest& request) {
  {
    std::lock_guard lock(m_queueLock);
    m_queue.push_back(request);
  }
  if (!WorkerRunning()) {
    // A worker that ended after Stop is joined before a new one starts.
    if (m_pThread.joinable()) m_pThread.join();
    m_endedEvent.ResetEvent();
    m_stopEvent.ResetEvent();
    m_pThread = std::thread([this] { Worker(); });
  }
  m_workEvent.Set();
}

void CHLPCall::Stop() {
  if (!m_pThread.joinable()) return;
  m_stopEvent.Set();
  m_workEvent.Set();
  m_pThread.join();
}

std::size_t CHLPCall::QueuedCount() const {
  std::lock_guard lock(m_queueLock);
  return m_queue.size();
}

bool CHLPCall::WorkerRunning() const {
  return m_pThread.joinable() && !m_endedEvent.Wait(0);
}

void CHLPCall::Worker() {
  bool retry = false;
  for (;;) {
    m_workEvent.Wait(retry ? m_pollMs : platform::Event::kInfinite);
    if (m_stopEvent.TryWait()) break;
    // A burst is worked off without waiting between requests; a busy helper is asked
    // again after a pause.
    Outcome outcome;
    while ((outcome = ProcessOne()) == Outcome::Handed) {
      if (m_stopEvent.TryWait()) {
        m_endedEvent.Set();
        return;
      }
    }
    retry = outcome == Outcome::Busy;
  }
  m_endedEvent.Set();
}

bool CHLPCall::TakeFirst(FetchRequest& request) {
  std::lock_guard lock(m_queueLock);
  if (m_queue.empty()) return false;
  request = std::move(m_queue.front());
  m_queue.pop_front();
  return true;
}

CHLPCall::Outcome CHLPCall::ProcessOne() {
  FetchRequest request;
  if (!TakeFirst(request)) return Outcome::None;
  std::optional<std::string> path =
      WriteNewRequestFile(ProgramFolder() + "/" + kRequestFileName, request);
  if (!path) {
    m_prompter.ShowMessage("ファイルエラーです。ブラウザに表示できません。",
                           IPrompter::Buttons::Ok, IPrompter::Icon::Error);
    return Outcome::Handed;
  }
  int result = m_handOff.HandToHelper(*path);
  if (result == 0) return Outcome::Handed;  // the file stays for the helper
  if (result == 1) {
    std::lock_guard lock(m_queueLock);
    m_queue.push_back(std::move(request));
  }
  platform::RemoveFile(*path);
  return result == 1 ? Outcome::Busy : Outcome::Handed;
}
