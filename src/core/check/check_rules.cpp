#include "core/check/check_rules.h"

#include <cstdio>
#include <cstring>

#include "core/check/page_text.h"
#include "core/fetch/fetch.h"
#include "core/fetch/fetch_job.h"
#include "platform/cp932.h"
#include "platform/file_system.h"

namespace {

const char kAuthRefused[] = "認証が否定されました";

// Positions of `key` in `text` that begin on a character boundary (overlapping finds count).
template <class F>
void ForEachOccurrence(const std::string& text, const std::string& key, F found) {
  if (key.empty()) return;
  for (std::size_t i = 0; i + key.size() <= text.size();) {
    if (text.compare(i, key.size(), key) == 0 && !found(i)) return;
    i += platform::IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
  }
}

std::string LowerSingleByte(const std::string& text) {
  std::string lower = text;
  for (std::size_t i = 0; i < lower.size();) {
    unsigned char c = static_cast<unsigned char>(lower[i]);
    if (platform::IsLeadByte(c)) {
      i += 2;
      continue;
    }
    if (c >= 'A' && c <= 'Z') lower[i] = static_cast<char>(c - 'A' + 'a');
    ++i;
  }
  return lower;
}

std::string Area(const std::string& text, const std::string& anchor, int nth, int offset,
                 int size) {
  if (nth < 1) nth = 1;
  long long at = -1;
  int count = 0;
  ForEachOccurrence(text, anchor, [&](std::size_t i) {
    if (++count < nth) return true;
    at = static_cast<long long>(i);
    return false;
  });
  if (at < 0) return {};
  long long start = at + static_cast<long long>(anchor.size()) + offset;
  if (start >= static_cast<long long>(text.size())) return {};
  if (start < 0) start = 0;
  if (size <= 0) return {};
  return text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(size));
}

int Count(const std::string& text, const std::string& keyword, bool caseSensitive) {
  std::string haystack = caseSensitive ? text : LowerSingleByte(text);
  std::string needle = caseSensitive ? keyword : LowerSingleByte(keyword);
  int count = 0;
  ForEachOccurrence(haystack, needle, [&](std::size_t) {
    ++count;
    return true;
  });
  return count;
}

int CompareFileContents(const std::string& first, const std::string& second) {
  FILE* a = platform::OpenFile(first, "rb");
  if (!a) return -1;
  FILE* b = platform::OpenFile(second, "rb");
  if (!b) {
    std::fclose(a);
    return -2;
  }
  int result = 0;
  std::fseek(a, 0, SEEK_END);
  std::fseek(b, 0, SEEK_END);
  if (std::ftell(a) != std::ftell(b)) result = 1;
  std::rewind(a);
  std::rewind(b);
  char blockA[1024], blockB[1024];
  while (result == 0) {
    std::size_t na = std::fread(blockA, 1, sizeof blockA, a);
    std::size_t nb = std::fread(blockB, 1, sizeof blockB, b);
    if (na != nb || std::ferror(a) || std::ferror(b) || std::memcmp(blockA, blockB, na) != 0) {
      result = 1;
    } else if (na < sizeof blockA) {
      break;
    }
  }
  std::fclose(a);
  std::fclose(b);
  return result;
}

void TakeCredentials(WatchItem& item, const FetchJob& job) {
  item.m_user = job.m_user;
  item.m_password = job.m_password;
}

}  // namespace

int CheckDateOf(WatchItem& item, FetchJob& job, CFetch& fetch) {
  if (job.m_lastModified == 0) return 0;
  std::time_t date = fetch.FetchLastModified(job);
  if (job.m_resultCode != 0) {
    job.m_lastModified = 0;
    if (job.m_resultCode == 2 && job.m_resultText == kAuthRefused) {
      item.m_errorStatus = job.m_resultCode;
      item.m_errorText = job.m_resultText;
      return -1;
    }
    return 0;
  }
  if (static_cast<int>(date) == item.m_lastModified) {
    TakeCredentials(item, job);
    return 1;
  }
  if (date == 0) job.m_lastModified = 0;
  item.m_lastModified = static_cast<int>(date);
  if (item.m_download != 0) return 0;
  item.m_lastUpdate = static_cast<int>(date);
  TakeCredentials(item, job);
  return 2;
}

int ComparePageOf(WatchItem& item, const std::string& newPath,
                  const platform::CCodePageConverter* converter) {
  const std::string& base = item.m_download != 0 ? item.m_savePath : item.m_hiddenPath;
  if (!item.m_anchorKeyword.empty() || !item.m_simpleKeyword.empty()) {
    std::optional<std::string> text = LoadPageText(converter, newPath, item.m_japaneseCode);
    if (!text) return -1;
    if (!item.m_anchorKeyword.empty()) {
      std::string area = Area(*text, item.m_anchorKeyword, item.m_anchorNth,
                              item.m_compareOffset, item.m_compareSize);
      if (area == item.m_compareData) {
        platform::RemoveFile(newPath);
        return 0;
      }
      item.m_compareData = area;
      return 1;
    }
    int count = Count(*text, item.m_simpleKeyword, item.m_simpleKeywordCase != 0);
    if (count == item.m_simpleKeywordCount) return 0;
    int old = item.m_simpleKeywordCount;
    item.m_simpleKeywordCount = count;
    bool up = count > old && (item.m_simpleKeywordOptions & 1);
    bool down = count < old && (item.m_simpleKeywordOptions & 2);
    return up || down ? 1 : 0;
  }
  if (base == newPath) return -1;
  return CompareFileContents(newPath, base);
}
