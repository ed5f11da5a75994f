// One fetch for the retriever: the request plus its result fields. The caller sets up the
// request and m_memoryLimit, and reads the rest back after CFetch::Fetch, which sets the
// outcome fields afresh. A fetch is cancelled through its settings' cancel signal
// (fetch.h); a cancelled fetch ends as Failed.
//
// Threads: the job belongs to the thread running the fetch.
#pragma once

#include <cstdint>
#include <string>

#include "core/fetch/fetch_request.h"

// How a fetch ended.
enum class FetchOutcome {
  Fetched,       // the page came: its body is in m_body (m_bodyInMemory) or in the file
                 // m_savedPath; after a HEAD request, its headers came
  NotModified,   // 304 (m_httpStatus): the copy the validators name is current; nothing saved
  HttpStatus,    // the server answered m_httpStatus instead of the page (404, 500, ...)
  Moved,         // the page moved to another file, which the job does not allow (m_redirectTarget)
  NotFetchable,  // no http or https URL
  Failed,        // the retriever's own failure, told by m_errorText
};

struct FetchJob : FetchRequest {
  std::int64_t m_contentLength = -1;  // the answer's Content-Length; -1 when none
  std::int64_t m_expectedSize = 0;    // saving stops at this file size; 0: at the body's end
  FetchOutcome m_outcome = FetchOutcome::Fetched;
  int m_httpStatus = 0;        // with NotModified and HttpStatus: the server's answer; else 0
  std::string m_errorText;     // with Failed: why
  std::string m_savedPath;     // with Fetched: the file holding the body; empty when in m_body
  // The Location of the last redirection when it named another file than the one asked
  // for; empty when none did.
  std::string m_redirectTarget;
  // > 0: a new body of at most this many bytes stays in m_body and no save file is made
  // (m_bodyInMemory); a larger one goes to the save file as any other.
  std::int64_t m_memoryLimit = 0;
  bool m_bodyInMemory = false;
  std::string m_body;

  // Conditional request (set by the caller, sent with a GET): the
  // validators of the copy the caller holds, exactly as the server gave them. A server
  // that finds them current answers 304: the outcome NotModified, with nothing saved.
  std::string m_ifNoneMatch;
  std::string m_ifModifiedSince;
  // The validators of the final answer (200 or 304), as the server wrote them; empty when
  // it gave none.
  std::string m_etag;
  std::string m_lastModifiedText;
  // Fetched through the headless browser (browser_fetch.h): the rendered document stands
  // for the page; m_waitFor, a CSS selector, is waited for instead of a quiet network.
  int m_browser = 0;
  std::string m_waitFor;
  // A 429 or 503 answer that said when to come back: the seconds to wait (Failed, with the
  // busy message in m_errorText); -1 otherwise.
  int m_retryAfter = -1;

  // Back to Fetched with no status, texts or paths, before the next fetch.
  void ClearOutcome();
  // Ends the job as Failed, told by `text`; gives Failed.
  FetchOutcome Fail(std::string text);
  // Ends the job with the server's answer `status` in place of the page: NotModified for
  // 304, else HttpStatus. Gives the outcome.
  FetchOutcome Answered(int status);
};

// The number the watch list and the result rows keep for a fetch's outcome: 0 fetched,
// 1 not fetchable, 2 the retriever's own failure (its text tells it), 3 moved, else the
// HTTP status.
int StatusNumber(const FetchJob& job);
