#include "core/announce/announce_check.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "core/common/path_utils.h"
#include "platform/cancel_signal.h"
#include "platform/file_system.h"

namespace {

constexpr const char* kKeyRoot = "Software\\Velmar\\AutoAnn\\";
constexpr const char* kLocationValue = "Location";
constexpr const char* kAnsweredIdValue = "AnnID";
constexpr const char* kFileName = "announce.dat";
constexpr std::size_t kKeyLength = 6;

bool StartsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

}  // namespace

// What the worker and the UI thread's question share; kept alive by both, so a question
// still queued when the check is destroyed finds it.
struct CAnnounceCheck::Shared {
  std::mutex mutex;
  std::condition_variable changed;
  bool quit = false;
  std::optional<AnnounceAnswer> answer;
  std::shared_ptr<platform::CCancelSignal> cancel = std::make_shared<platform::CCancelSignal>();
};

void Announcement::ParseLine(const std::string& line) {
  std::size_t first = line.find_first_not_of(" \t");
  if (first == std::string::npos) return;
  std::size_t end = line.find_last_not_of("\r\n");
  if (end == std::string::npos || end + 1 - first < kKeyLength) return;
  std::string key = line.substr(first, kKeyLength);
  std::string value = line.substr(first + kKeyLength, end + 1 - first - kKeyLength);
  if (key == "Url_: ") {
    page = value;
  } else if (key == "Vers: ") {
    versionLimit = std::atoi(value.c_str());
  } else if (key == "Cate: ") {
    categories = value;
  } else if (key == "ID__: ") {
    id = std::atoi(value.c_str());
  }
}

bool ShouldAsk(const Announcement& announcement, int answeredId, int ownVersion,
               const std::string& ownCategory) {
  // Only a web page is ever shown; any other scheme could start a program.
  if (!StartsWith(announcement.page, "http://") && !StartsWith(announcement.page, "https://")) {
    return false;
  }
  if (answeredId >= announcement.id) return false;
  if (announcement.versionLimit != 0 && ownVersion >= announcement.versionLimit) return false;
  if (!announcement.categories.empty() &&
      (ownCategory.empty() || announcement.categories.find(ownCategory) == std::string::npos)) {
    return false;
  }
  return true;
}

CAnnounceCheck::CAnnounceCheck(const std::string& productName, const std::string& defaultAddress)
    : m_shared(std::make_shared<Shared>()) {
  if (productName.empty()) return;
  m_key = std::make_unique<platform::CRegistryKey>(kKeyRoot + productName, false);
  if (!m_key->IsOpen()) return;
  m_fileAddress = m_key->Read(kLocationValue);
  if (m_fileAddress.empty() && !defaultAddress.empty()) {
    m_key->Write(kLocationValue, defaultAddress);
    m_fileAddress = defaultAddress;
  }
  m_ready = !m_fileAddress.empty();
}

CAnnounceCheck::~CAnnounceCheck() {
  {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->quit = true;
  }
  m_shared->changed.notify_all();
  m_shared->cancel->Cancel();
  if (m_thread.joinable()) m_thread.join();
}

std::string CAnnounceCheck::FilePath() { return ProgramFolder() + "/" + kFileName; }

void CAnnounceCheck::Start(std::uint32_t delayMs, AnnounceWindow window, int ownVersion,
                           const std::string& ownCategory) {
  if (!m_ready || m_thread.joinable() || !window.queue) return;
  m_delayMs = delayMs;
  m_window = std::move(window);
  m_ownVersion = ownVersion;
  m_ownCategory = ownCategory;
  m_httpOptions.cancel = m_shared->cancel;
  m_thread = std::thread([this] { Run(); });
}

void CAnnounceCheck::Run() {
  {
    std::unique_lock<std::mutex> lock(m_shared->mutex);
    m_shared->changed.wait_for(lock, std::chrono::milliseconds(m_delayMs),
                               [this] { return m_shared->quit; });
    if (m_shared->quit) return;
  }
  Download();
  Decide();
}

void CAnnounceCheck::Download() {
  std::string path = FilePath();
  std::string error;
  if (!platform::DownloadToFile(m_fileAddress, path, m_httpOptions, error)) {
    m_errorCode = kDownloadFailed;
    return;
  }
  FILE* file = platform::OpenFile(path, "r");
  if (!file) {
    m_errorCode = kFileNotOpened;
    return;
  }
  char buffer[1024];
  std::string line;
  while (std::fgets(buffer, sizeof buffer, file)) {
    line += buffer;
    if (line.back() != '\n') continue;  // the rest of a long line follows
    m_announcement.ParseLine(line);
    line.clear();
  }
  if (!line.empty()) m_announcement.ParseLine(line);
  if (std::ferror(file)) m_errorCode = kReadFailed;
  std::fclose(file);
}

void CAnnounceCheck::Decide() {
  std::optional<std::string> page;
  int answeredId = std::atoi(m_key->Read(kAnsweredIdValue).c_str());
  if (m_errorCode == kNoError &&
      ShouldAsk(m_announcement, answeredId, m_ownVersion, m_ownCategory)) {
    AnnounceAnswer answer = Ask();
    if (answer != AnnounceAnswer::NextTime) {
      m_key->Write(kAnsweredIdValue, std::to_string(m_announcement.id));
    }
    if (answer == AnnounceAnswer::Yes) page = m_announcement.page;
  }
  {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    if (m_shared->quit) return;  // the window is ending: nobody waits for the answer
  }
  m_window.queue->Post([done = m_window.done, page] {
    if (done) done(page);
  });
}

AnnounceAnswer CAnnounceCheck::Ask() {
  std::shared_ptr<Shared> shared = m_shared;
  m_window.queue->Post([shared, ask = m_window.ask] {
    {
      std::lock_guard<std::mutex> lock(shared->mutex);
      if (shared->quit) return;
    }
    AnnounceAnswer answer = ask ? ask() : AnnounceAnswer::NextTime;
    {
      std::lock_guard<std::mutex> lock(shared->mutex);
      shared->answer = answer;
    }
    shared->changed.notify_all();
  });
  std::unique_lock<std::mutex> lock(shared->mutex);
  shared->changed.wait(lock, [&] { return shared->quit || shared->answer.has_value(); });
  // Stopped before the user answered: nothing is stored, the same announcement comes again.
  return shared->answer.value_or(AnnounceAnswer::NextTime);
}
