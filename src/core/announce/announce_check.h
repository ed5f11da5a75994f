// The look for news from the program's maker: shortly after start-up a worker downloads
// a small announcement file from the address in the value store ("Location" of the key
// "Software\Velmar\AutoAnn\<product>"), reads its "Url_: ", "Vers: ", "Cate: " and
// "ID__: " lines, and when the announcement is new to the user (its id is above the
// stored "AnnID"), meant for this version (below its version limit) and for this category,
// asks the user whether to read it. The answer goes to the window: the page to show when
// the user said yes, else nothing. "はい" and "拒否します" store the id so that the same
// announcement is not offered again; "次の機会にします" asks again at the next start.
//
// Threads: constructed, started and destroyed on the UI thread. The worker downloads and
// decides; the question and the answer run on the UI thread through the window's queue,
// the worker waiting for the answer. Destroying the object stops the worker at once
// wherever it waits (the delay, the download, the question not yet answered) and joins it.
// The queue outlives the object; the window's functions are copied into the tasks.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "platform/http_session.h"
#include "platform/registry_key.h"
#include "platform/ui_queue.h"

enum class AnnounceAnswer { Yes, NextTime, Refuse };

struct AnnounceWindow {
  platform::IUiQueue* queue = nullptr;
  // UI thread: the dialog "Pagewardenの新しいお知らせがあります"; the user's answer.
  std::function<AnnounceAnswer()> ask;
  // UI thread, once per start: the announced page when the user chose "はい", else none.
  std::function<void(const std::optional<std::string>& page)> done;
};

// What the announcement file says. A later line with the same key replaces an earlier one.
struct Announcement {
  std::string page;        // "Url_: "
  int versionLimit = 0;    // "Vers: ": shown only to versions below it; 0 for every version
  std::string categories;  // "Cate: ": shown only to these categories; empty for all
  int id = 0;              // "ID__: "

  // One line of the file: leading blanks and the line end are dropped; a line shorter
  // than six characters or with another key is ignored.
  void ParseLine(const std::string& line);
};

// Whether the user is to be asked: a page address beginning with "http://" or "https://",
// an id above the one last answered, a version below the limit, a category among them.
bool ShouldAsk(const Announcement& announcement, int answeredId, int ownVersion,
               const std::string& ownCategory);

class CAnnounceCheck {
 public:
  enum ErrorCode { kNoError = 0, kDownloadFailed = 1000, kFileNotOpened = 1001, kReadFailed = 1002 };

  // Opens (creating it when missing) the product's key and reads "Location"; an empty one
  // becomes `defaultAddress`, which is also stored. Without key or address the check is
  // not ready and Start does nothing.
  CAnnounceCheck(const std::string& productName, const std::string& defaultAddress);
  ~CAnnounceCheck();
  CAnnounceCheck(const CAnnounceCheck&) = delete;
  CAnnounceCheck& operator=(const CAnnounceCheck&) = delete;

  bool IsReady() const { return m_ready; }
  const std::string& FileAddress() const { return m_fileAddress; }
  // How the file is downloaded (proxy, time-outs); set before Start.
  void SetHttpOptions(platform::HttpOptions options) { m_httpOptions = std::move(options); }

  // Starts the worker once: after `delayMs` it downloads the file into "announce.dat" in
  // the program folder, decides and, when the user is to be asked, asks through `window`.
  // `window.done` is called in every case once the worker has decided.
  void Start(std::uint32_t delayMs, AnnounceWindow window, int ownVersion,
             const std::string& ownCategory);

  // After the worker has decided (tests).
  int ErrorCode() const { return m_errorCode; }
  const Announcement& Announced() const { return m_announcement; }

  // The file the announcement is downloaded to.
  static std::string FilePath();

 private:
  struct Shared;
  void Run();
  void Download();
  void Decide();
  AnnounceAnswer Ask();

  std::unique_ptr<platform::CRegistryKey> m_key;
  std::string m_fileAddress;
  bool m_ready = false;
  platform::HttpOptions m_httpOptions;
  std::uint32_t m_delayMs = 0;
  AnnounceWindow m_window;
  int m_ownVersion = 0;
  std::string m_ownCategory;
  int m_errorCode = kNoError;
  Announcement m_announcement;
  std::shared_ptr<Shared> m_shared;
  std::thread m_thread;
};
