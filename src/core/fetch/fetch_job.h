// One fetch for the retriever: the request plus its result fields. The caller sets up the
// request and m_memoryLimit, clears m_resultText, and reads the rest back after
// CFetch::Fetch. A fetch is cancelled through its settings' cancel signal (fetch.h).
//
// Threads: the job belongs to the thread running the fetch.
#pragma once

#include <cstdint>
#include <string>

#include "core/fetch/fetch_request.h"

struct FetchJob : FetchRequest {
  std::int64_t m_contentLength = -1;  // the answer's Content-Length; -1 when none
  std::int64_t m_expectedSize = 0;    // saving stops at this file size; 0: at the body's end
  std::string m_resultText;  // a message after a failure, or the path saved to
  int m_resultCode = 0;      // 0 saved, -1 cancelled, 1 not fetchable, 2 failure, 3 moved, else HTTP status
  // > 0: a new body of at most this many bytes stays in m_body and no save file is made
  // (m_bodyInMemory); a larger one goes to the save file as any other.
  std::int64_t m_memoryLimit = 0;
  bool m_bodyInMemory = false;
  std::string m_body;

  // Conditional request (set by the caller, sent with a GET): the
  // validators of the copy the caller holds, exactly as the server gave them. A server
  // that finds them current answers 304, which the fetch gives as its result code with
  // nothing saved.
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
  // A 429 or 503 answer that said when to come back: the seconds to wait (code 2, with the
  // busy message in m_resultText); -1 otherwise.
  int m_retryAfter = -1;
};
