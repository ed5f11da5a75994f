#include "core/fetch/browser_fetch.h"

#include <algorithm>

#include "core/fetch/browser_slots.h"
#include "platform/browser/browser_process.h"
#include "platform/browser/rendered_page.h"
#include "platform/cancel_signal.h"
#include "platform/file_system.h"
#include "platform/program_folder.h"

const char kNoBrowserMessage[] =
    "ブラウザ (chromium) が見つかりません。sudo apt-get install chromium でインストールできます";

namespace {

// A browser run needs a bound even where the setting gives none.
constexpr std::uint32_t kDefaultBrowserLimitMs = 300000;

const char kFormRefused[] = "フォーム送信データのあるアイテムはブラウザで表示できません";
const char kStoppedByForce[] = "強制終了しました";

platform::BrowserPageRequest PageRequest(const FetchJob& job, const FetchSettings& settings,
                                         std::uint32_t limitMs) {
  platform::BrowserPageRequest request;
  request.url = job.m_url;
  request.userAgent = job.m_userAgent;
  request.referer = job.m_referer;
  request.proxy = ProxyOf(job, settings);
  request.bypassLocal = BypassesLocal(job, settings);
  request.cookie = job.m_cookie;
  request.extraHeaders = job.m_extraHeaders;
  request.user = job.m_user;
  request.password = job.m_password;
  request.waitFor = job.m_waitFor;
  request.timeLimitMs = limitMs;
  request.sizeLimit = settings.m_pageSizeLimit;
  request.profileParent = platform::NativePath(platform::ProgramFolderPath() + "/comp");
  request.cancelDescriptor = settings.m_cancel ? settings.m_cancel->Descriptor() : -1;
  return request;
}

// The document where the retriever puts a body: in memory when it fits, else a file.
FetchOutcome Keep(FetchJob& job, std::string dom) {
  job.m_contentLength = static_cast<std::int64_t>(dom.size());
  job.m_lastModified = 0;  // a document built in the browser has no date of its own
  job.m_body = std::move(dom);
  job.m_bodyInMemory = true;
  job.m_outcome = FetchOutcome::Fetched;
  if (job.m_memoryLimit <= 0 || static_cast<std::int64_t>(job.m_body.size()) > job.m_memoryLimit) {
    WriteKeptBody(job);
  }
  return job.m_outcome;
}

}  // namespace

FetchOutcome FetchRendered(FetchJob& job, const FetchSettings& settings) {
  job.ClearOutcome();
  job.m_bodyInMemory = false;
  job.m_body.clear();
  job.m_etag.clear();
  job.m_lastModifiedText.clear();
  if (!job.m_formData.empty()) return job.Fail(kFormRefused);
  if (platform::FindBrowserProgram().empty()) return job.Fail(kNoBrowserMessage);

  // The wait for a free browser counts against the same limit as the browser itself.
  const std::uint32_t limitMs = settings.m_totalTimeoutMs > 0 ? settings.m_totalTimeoutMs : kDefaultBrowserLimitMs;
  const auto start = std::chrono::steady_clock::now();
  CBrowserSlot slot(settings.m_browserLimit, settings.m_cancel.get(), limitMs);
  if (!slot.Held()) {
    if (settings.m_cancel && settings.m_cancel->IsCancelled()) return job.Fail(kStoppedByForce);
    return job.Fail("ブラウザの空きを待つうちに制限時間を過ぎました");
  }
  auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  const std::uint32_t leftMs = limitMs - static_cast<std::uint32_t>(std::min<long long>(waited.count(), limitMs - 1));

  platform::BrowserPage page = platform::RenderPage(PageRequest(job, settings, leftMs));
  using Outcome = platform::BrowserPage::Outcome;
  switch (page.outcome) {
    case Outcome::Rendered:
      return Keep(job, std::move(page.dom));
    case Outcome::NoBrowser:
      return job.Fail(kNoBrowserMessage);
    case Outcome::HttpStatus:
      return job.Answered(page.httpStatus);
    case Outcome::TooLarge:
      return job.Fail(PageTooLarge(settings.m_pageSizeLimit));
    case Outcome::Cancelled:
      return job.Fail(kStoppedByForce);
    default:
      return job.Fail(page.message);
  }
}
