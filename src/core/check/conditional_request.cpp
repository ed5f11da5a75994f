#include "core/check/conditional_request.h"

#include <cctype>
#include <cstdint>
#include <cstdio>

#include "platform/file_system.h"

namespace {

// FNV-1a over the fields with a separator that none of them holds: cheap, stable across
// runs and builds, and a collision costs only one unconditional fetch.
void Mix(std::uint64_t& hash, const std::string& text) {
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ULL;
  }
  hash ^= 0xff;  // the separator: no CP932 text holds this byte
  hash *= 1099511628211ULL;
}

// What a 304 stands for is there: the copy the full comparison and a download keep, the
// count of the keyword rule. The anchor rule keeps its area in the item.
bool HoldsComparisonBase(const WatchItem& item) {
  bool keywordRule = !item.m_anchorKeyword.empty() || !item.m_simpleKeyword.empty();
  if (item.m_download != DownloadMode::PrivateCopy || !keywordRule) {
    const std::string& base =
        item.m_download != DownloadMode::PrivateCopy ? item.m_savePath : item.m_hiddenPath;
    return !base.empty() && platform::FileExists(base);
  }
  return !item.m_simpleKeyword.empty() ? item.m_simpleKeywordCount >= 0 : true;
}

}  // namespace

std::string RequestFingerprint(const FetchRequest& request) {
  std::uint64_t hash = 14695981039346656037ULL;
  for (const std::string* field : {&request.m_url, &request.m_formData, &request.m_extraHeaders,
                                   &request.m_cookie, &request.m_userAgent, &request.m_referer,
                                   &request.m_user}) {
    Mix(hash, *field);
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

bool AddValidators(const WatchItem& item, FetchJob& job) {
  job.m_ifNoneMatch.clear();
  job.m_ifModifiedSince.clear();
  if (item.m_etag.empty() && item.m_lastModifiedHeader.empty()) return false;
  if (!job.m_formData.empty()) return false;  // only a GET asks conditionally
  if (item.m_validatorsFor != RequestFingerprint(item) || !HoldsComparisonBase(item)) return false;
  job.m_ifNoneMatch = item.m_etag;
  job.m_ifModifiedSince = item.m_lastModifiedHeader;
  return true;
}

void KeepValidators(WatchItem& item, const FetchJob& job) {
  item.m_etag = job.m_etag;
  item.m_lastModifiedHeader = job.m_lastModifiedText;
  bool any = !item.m_etag.empty() || !item.m_lastModifiedHeader.empty();
  item.m_validatorsFor = any ? RequestFingerprint(item) : std::string();
}

std::string CharsetOfContentType(const std::string& contentType) {
  std::string lower = contentType;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::size_t at = lower.find("charset=");
  if (at == std::string::npos) return {};
  at += 8;
  std::size_t end = lower.find_first_of(";, \t", at);
  std::string value = contentType.substr(at, end == std::string::npos ? std::string::npos : end - at);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}
