// Conditional requests for a check: the validators (ETag, Last-Modified) of the page last
// fetched are kept in the item, and the next fetch of the same request sends them back, so
// that a server whose page is unchanged answers 304 with no body. The validators belong to
// one request (URL, form data, the headers and credentials sent): a changed request starts
// without them, as does an item whose comparison base is gone, since a 304 then could not
// stand for the page the check compares with.
//
// Plain functions on the check's own values; any thread.
#pragma once

#include <string>

#include "core/fetch/fetch_job.h"
#include "core/watch/watch_item.h"

// A short fingerprint of what decides the page a request gets.
std::string RequestFingerprint(const FetchRequest& request);

// Puts the item's validators into `job` when they belong to its request and the item
// still has what a 304 would stand for. true when the fetch asks conditionally.
bool AddValidators(const WatchItem& item, FetchJob& job);

// Keeps the validators of the fetch's final answer (a full page or a 304) for the next
// check; an answer without any clears them.
void KeepValidators(WatchItem& item, const FetchJob& job);

// The charset parameter of a Content-Type value, without quotes; empty when none.
std::string CharsetOfContentType(const std::string& contentType);
