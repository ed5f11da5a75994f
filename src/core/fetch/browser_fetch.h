// The fetch of a page through the headless browser (the job's m_browser): the page as a
// browser shows it after its scripts ran, in place of the file the server sent. The
// rendered document goes where the retriever puts a body (m_body when it fits the job's
// m_memoryLimit, else a free name beside m_savePath), so everything after the fetch
// treats it as the page.
//
// Threads: blocks the calling thread for at most the time limit; FetchSettings::m_cancel
// ends it at once from any thread.
#pragma once

#include <string>

#include "core/fetch/fetch.h"

// The result row when no browser is installed, with the line that installs it.
extern const char kNoBrowserMessage[];

// Renders job.m_url with the job's identity and fills the job as CFetch::Fetch does:
// Fetched with the document kept, HttpStatus when the document's status was 400 or more,
// Failed with the reason in m_errorText (no browser, a form post, time limit, page size
// limit, cancel).
FetchOutcome FetchRendered(FetchJob& job, const FetchSettings& settings);
