#include "core/check/renew.h"

#include <algorithm>
#include <climits>

#include "core/check/check_results.h"
#include "core/common/prompter.h"
#include "core/check/compare_page.h"
#include "core/check/conditional_request.h"
#include "core/check/page_text.h"
#include "core/check/text_compare.h"
#include "core/fetch/fetch_job.h"
#include "core/common/path_utils.h"
#include "core/watch/page_history.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/http_session.h"
#include "platform/ui_queue.h"

namespace {

// Stands in when the front end gives no prompter: every question is refused.
class CRefusingPrompter : public IPrompter {
 public:
  std::optional<Credentials> AskCredentials(const std::string&, std::uint32_t) override {
    return std::nullopt;
  }
  Answer ShowMessage(const std::string&, Buttons, Icon, const std::string&) override {
    return Answer::Cancel;
  }
};

// Pages up to this size are compared in memory; a larger one goes through its file.
constexpr std::int64_t kPageInMemory = 1 << 20;

// Where the fetch saved the page: the name it gave, or the one asked for.
const std::string& SavedPath(const FetchJob& job, const std::string& asked) {
  return job.m_savedPath.empty() ? asked : job.m_savedPath;
}

// The date rule applies when the item selects no comparison.
bool UsesDateRule(const WatchItem& item) {
  return item.m_compareAll == 0 && item.m_anchorKeyword.empty() && item.m_simpleKeyword.empty() &&
         item.m_textCompare == 0;
}

}  // namespace

CReNew::CReNew(CheckEnvironment environment) : m_environment(std::move(environment)) {
  // Checks follow one another, one worker at a time: they share the idle connections.
  if (!m_environment.m_fetch.m_connections) {
    m_environment.m_fetch.m_connections = std::make_shared<platform::CConnectionPool>();
  }
  // Engines that check at once share one pacer (the session gives it); a lone engine keeps its own.
  if (!m_environment.m_fetch.m_hostPacer) {
    m_environment.m_fetch.m_hostPacer = std::make_shared<CHostPacer>();
  }
  m_environment.m_fetch.m_cancel = m_abort;
}

CReNew::~CReNew() {
  Cancel();
  if (m_thread.joinable()) {
    m_exiting = true;
    m_hGo.Set();
    m_thread.join();
  }
}

void CReNew::SetNotifyTarget(platform::IUiQueue* queue, ICheckNotify* target) {
  m_queue = queue;
  m_notify = target;
}

void CReNew::Start(const WatchItem& item) {
  Stop();
  m_item = item;
  m_hasSettings = m_environment.m_settings != nullptr;
  m_checkSettings = m_hasSettings ? *m_environment.m_settings : AppSettings();
  m_due = item.m_nextCheck;
  StartThread();
}

void CReNew::StartThread() {
  // The previous check is over (Stop waited for it): this one starts uncancelled.
  m_abort->Reset();
  m_cancelRequested = false;
  m_acting = false;
  m_hDone.ResetEvent();
  m_hCancel.ResetEvent();
  m_hWake.ResetEvent();
  m_state = kWaiting;
  m_hIdle.Set();
  m_running = true;
  // One worker serves every check of the engine: a thread a check would cost more than a
  // check of a small page.
  if (!m_thread.joinable()) m_thread = std::thread(&CReNew::WorkerLoop, this);
  m_hGo.Set();
}

bool CReNew::Stop() {
  bool ran = false;
  if (m_running) {
    // The cancel is claimed before the time is cleared: a waiting worker must not take
    // the cleared time for a due check.
    int waiting = kWaiting;
    m_state.compare_exchange_strong(waiting, kCancelled);
    m_hCancel.Set();
    m_hWake.Set();
    m_hDone.Wait();
    ran = m_state == kFinished && IsChecking();
    m_state = kIdle;
    m_running = false;
  }
  m_due = 0;
  return ran;
}

bool CReNew::Cancel() {
  if (m_running) {
    m_cancelRequested = true;
    m_abort->Cancel();
    // The check has its result and its actions run: its report follows. The signal is
    // reset when the next check starts (StartThread).
    if (m_acting) return true;
  }
  return Stop();
}

bool CReNew::IsBusy() {
  std::time_t due = m_due;
  return due - platform::Now() == 1 || IsChecking();
}

bool CReNew::IsChecking() { return !m_hIdle.TryWait(); }

void CReNew::WorkerLoop() {
  for (;;) {
    m_hGo.Wait();
    if (m_exiting) return;
    ThreadProc();
  }
}

void CReNew::ThreadProc() {
  WaitUntilDue();
  // Claiming the check and a Stop's cancel exclude each other: exactly one of them wins.
  int waiting = kWaiting;
  if (!m_hCancel.TryWait() && m_state.compare_exchange_strong(waiting, kChecking)) {
    RunCheck();
    m_state = kFinished;
  }
  m_hDone.Set();
}

// Waits in slices against the wall clock, so that neither a clock change nor a suspend
// moves the check before its time or much after it. false when woken.
bool CReNew::WaitUntilDue() {
  for (;;) {
    std::time_t due = m_due;
    std::time_t now = platform::Now();
    if (due == 0 || now >= due) return true;
    std::uint64_t remaining = static_cast<std::uint64_t>(due - now) * 1000;
    auto slice = static_cast<std::uint32_t>(std::min<std::uint64_t>(remaining, m_waitSliceMs));
    if (m_hWake.Wait(std::max<std::uint32_t>(slice, 1))) return false;
  }
}

void CReNew::RunCheck() {
  m_hIdle.ResetEvent();
  m_item.m_lastCheck = static_cast<int>(platform::Now());
  m_item.m_retryAt = 0;
  if (m_hasSettings) m_item.m_bypassLocal = m_checkSettings.m_noProxyForLocal;
  m_item.m_result = Check();
  // Decided once: a check that a cancel broke off reports nothing, and the item keeps the
  // state it had before. Any other check has its result from here: a cancel that comes
  // now does not wait for its actions (they may wait for the UI thread that cancels), one
  // that came before skips them.
  bool brokenOff = m_cancelRequested && m_item.m_result == CheckResult::Error;
  if (!brokenOff) m_acting = true;
  bool mailFailed = false;
  bool updated = m_item.m_result == CheckResult::Updated;
  if (!brokenOff && !m_shuttingDown && !m_cancelRequested && updated && m_actions) {
    // A mail broken off by a cancel is no failure to tell.
    mailFailed = !m_actions->OnUpdate(m_item, m_checkSettings) && !m_cancelRequested;
  }
  if (!brokenOff && !m_shuttingDown) CountFailures();
  // A check that ends while the program ends reports nothing either: it counts as taken up.
  if (m_shuttingDown || brokenOff) {
    m_hIdle.Set();
    return;
  }
  Report(mailFailed);
}

void CReNew::Report(bool mailFailed) {
  if (!m_queue || !m_notify) return;
  ICheckNotify* notify = m_notify;
  if (mailFailed) m_queue->Post([notify, item = m_item] { notify->OnMailFailed(item); });
  m_queue->Post([notify, item = m_item] { notify->OnCheckDone(item); });
}

void CReNew::ReportNotifyFailure(const WatchItem& item, const std::string& text) {
  if (!m_queue || !m_notify) return;
  ICheckNotify* notify = m_notify;
  m_queue->Post([notify, item, text] { notify->OnNotifyFailed(item, text); });
}

CheckResult CReNew::Check() {
  // The midnight wake-up item has no page to fetch.
  if (m_item.m_url.empty()) return CheckResult::Error;

  FetchJob job;
  static_cast<FetchRequest&>(job) = m_item;
  FetchSettings settings = m_environment.m_fetch;
  // A server that never finishes its answer must not hold every later check back.
  settings.m_totalTimeoutMs = TotalTimeoutMs(m_checkSettings);
  // The program-wide proxy serves items that name none; the item keeps its own field.
  if (m_hasSettings) ApplyProgramSettings(m_checkSettings, settings);
  CRefusingPrompter refusing;
  IPrompter& prompter = m_environment.m_prompter ? *m_environment.m_prompter : refusing;
  CFetch fetch(prompter, settings);
  job.m_browser = m_item.m_browser;
  job.m_waitFor = m_item.m_waitFor;

  // A document built in the browser has no date of its own: it is compared as a whole.
  if (UsesDateRule(m_item) && !m_item.m_browser) {
    std::optional<CheckResult> decided = CheckDate(m_item, job, fetch);
    if (decided == CheckResult::Error) NoteRetryAfter(job);
    if (decided) return *decided;
  }

  // The fetch finds a free name beside this one itself (temp_1.tmp, ...) and tells it. A
  // page that fits in memory stays there, and becomes a file only when it changed.
  std::string temporary = TemporaryFolder() + "/temp.tmp";
  job.m_savePath = temporary;
  job.m_memoryLimit = kPageInMemory;
  job.m_allowRelocation = 1;
  job.m_useCache = 0;
  bool conditional = !m_item.m_browser && AddValidators(m_item, job);
  FetchOutcome fetched = fetch.Fetch(job);
  // The server still has the page the item holds: nothing was saved, nothing changes.
  if (fetched == FetchOutcome::NotModified && conditional) {
    m_item.m_user = job.m_user;
    m_item.m_password = job.m_password;
    KeepValidators(m_item, job);
    return CheckResult::NotUpdated;
  }
  if (fetched != FetchOutcome::Fetched) {
    NoteRetryAfter(job);
    return Failed(job);
  }
  std::string charset = CharsetOfContentType(fetch.ContentType());
  if (m_item.m_textCompare == 1) return CheckText(job, SavedPath(job, temporary), charset);

  bool unchanged = false;
  if (job.m_bodyInMemory) {
    // A changed page that cannot be written fails the check as the fetch into the file
    // would have, and the item keeps what it held before.
    WatchItem compared = m_item;
    compared.m_pageCharset = charset;
    unchanged = ComparePageBytes(compared, job.m_body, m_environment.m_converter) == 0;
    if (!unchanged && !WriteKeptBody(job)) return Failed(job);
    m_item = std::move(compared);
  } else {
    m_item.m_pageCharset = charset;
    unchanged = ComparePage(m_item, SavedPath(job, temporary), m_environment.m_converter) == 0;
    if (unchanged) platform::RemoveFile(SavedPath(job, temporary));
  }
  m_item.m_user = job.m_user;
  m_item.m_password = job.m_password;
  KeepValidators(m_item, job);
  if (unchanged) return CheckResult::NotUpdated;
  m_item.m_lastModified = job.m_lastModified;
  StoreUpdatedFile(SavedPath(job, temporary));
  m_item.m_lastUpdate = m_item.m_lastModified != 0 ? m_item.m_lastModified : m_item.m_lastCheck;
  return CheckResult::Updated;
}

// A server that asked to be called later: the item's next check waits for that time.
void CReNew::NoteRetryAfter(const FetchJob& job) {
  if (job.m_retryAfter >= 0) m_item.m_retryAt = static_cast<int>(platform::Now()) + job.m_retryAfter;
}

void CReNew::CountFailures() {
  // The midnight wake-up item is no check.
  if (m_item.m_url.empty()) return;
  const int alertAfter = m_checkSettings.m_errorAlertAfter;
  std::string alert;
  if (m_item.m_result == CheckResult::Error) {
    if (m_item.m_errorCount < INT_MAX) ++m_item.m_errorCount;
    if (alertAfter > 0 && m_item.m_errorCount == alertAfter) {
      alert = "チェックが " + std::to_string(alertAfter) + " 回続けて失敗しています: " +
              CCheckResults::ResultText(m_item);
    }
  } else if (m_item.m_result == CheckResult::NotUpdated ||
             m_item.m_result == CheckResult::Updated) {
    if (alertAfter > 0 && m_item.m_errorCount >= alertAfter) alert = kWorksAgainText;
    m_item.m_errorCount = 0;
  }
  if (!alert.empty() && m_actions && !m_cancelRequested) {
    m_actions->OnAlert(m_item, m_checkSettings, alert);
  }
}

CheckResult CReNew::Failed(const FetchJob& job) {
  m_item.m_errorStatus = StatusNumber(job);
  m_item.m_errorText = job.m_errorText;
  return CheckResult::Error;
}

std::string CReNew::TemporaryFolder() const {
  if (m_item.m_download != DownloadMode::PrivateCopy) {
    std::string folder = UpToLast(m_item.m_savePath, '/');
    while (!folder.empty() && folder.back() == '/') folder.pop_back();
    if (!folder.empty()) return folder;
  }
  return ProgramFolder() + "/comp";
}

// Moves the new private copy into `folder` under a free name: copy.tmp, copy_1.tmp, ...
// The copies live apart from the temporary names, so that the fetch's search for a free
// temporary name does not walk past every item's copy at every check; and this search
// starts where the last one ended. The move never replaces a file: another engine may
// just have taken the name. The new name, or "" when the move failed.
std::string CReNew::MoveToPrivateCopy(const std::string& savedPath, const std::string& folder) {
  if (folder != m_copyFolder) {
    m_copyFolder = folder;
    m_copyNumber = 0;
  }
  return RenameToUniqueName(savedPath, folder + "/copy.tmp", &m_copyNumber);
}

// A text item's page is judged by its reader text (text_compare.h). The page and its text
// replace the held version on every change, also on one the item does not report (lines
// that only went away with m_addedOnly): the next check compares with what the page now says.
CheckResult CReNew::CheckText(FetchJob& job, const std::string& savedPath,
                              const std::string& charset) {
  m_item.m_pageCharset = charset;
  std::optional<std::string> page =
      job.m_bodyInMemory
          ? PageText(m_environment.m_converter, job.m_body, m_item.m_japaneseCode, charset)
          : LoadPageText(m_environment.m_converter, savedPath, m_item.m_japaneseCode, charset);
  TextVerdict verdict;
  if (page) verdict = JudgeText(m_item, *page, m_environment.m_converter);
  m_item.m_user = job.m_user;
  m_item.m_password = job.m_password;
  KeepValidators(m_item, job);
  bool store = page && (verdict.kind == TextVerdict::kUpdated || verdict.kind == TextVerdict::kQuietChange);
  if (!store) {
    if (!job.m_bodyInMemory) platform::RemoveFile(savedPath);
    if (page && verdict.kind == TextVerdict::kSame) return CheckResult::NotUpdated;
    m_item.m_errorStatus = 2;
    m_item.m_errorText = !page ? "ページを読み込めません"
                         : verdict.kind == TextVerdict::kNothingSelected ? kNothingSelectedText
                                                                         : verdict.error;
    // The validators would let the next check skip the same page with its same fault.
    m_item.m_etag.clear();
    m_item.m_lastModifiedHeader.clear();
    return CheckResult::Error;
  }
  if (job.m_bodyInMemory && !WriteKeptBody(job)) return Failed(job);
  bool report = verdict.kind == TextVerdict::kUpdated;
  // A page kept in memory got its file only now, under the first free name.
  StoreUpdatedFile(SavedPath(job, savedPath), report);
  SaveVersionText(m_item, CurrentVersionPath(m_item), verdict.lines);
  if (!report) return CheckResult::NotUpdated;
  m_item.m_lastModified = job.m_lastModified;
  m_item.m_lastUpdate = m_item.m_lastModified != 0 ? m_item.m_lastModified : m_item.m_lastCheck;
  return CheckResult::Updated;
}

void CReNew::StoreUpdatedFile(const std::string& savedPath, bool keepPrevious) {
  // --- previous version: the base the new page replaces is kept first (page_history.h)
  std::string base = CurrentVersionPath(m_item);
  if (keepPrevious) {
    KeepPreviousVersion(m_item, base == savedPath ? std::string() : base,
                        m_checkSettings.m_historyCount);
  }
  // --- end of previous version
  switch (m_item.m_download) {
    case DownloadMode::PrivateCopy:
      if (m_item.m_hiddenPath.empty()) {
        std::string folder = UpToLast(savedPath, '/');
        if (!folder.empty() && folder.back() == '/') folder.pop_back();
        std::string copy = MoveToPrivateCopy(savedPath, folder);
        m_item.m_hiddenPath = copy.empty() ? savedPath : copy;
      } else if (m_item.m_hiddenPath != savedPath) {
        // The rename replaces the old copy in one step: a kill at any moment leaves the
        // old copy or the new one under the name the list holds, never none.
        platform::RenameFile(savedPath, m_item.m_hiddenPath);
      }
      break;
    case DownloadMode::Overwrite:
      if (m_item.m_savePath != savedPath) platform::RenameFile(savedPath, m_item.m_savePath);
      break;
    case DownloadMode::NewFile: {
      // Every update becomes a new numbered file beside the earlier ones.
      std::string numbered = RenameToUniqueName(savedPath, StripNumberSuffix(m_item.m_savePath));
      if (!numbered.empty()) m_item.m_savePath = numbered;
      break;
    }
    default:
      break;
  }
}
