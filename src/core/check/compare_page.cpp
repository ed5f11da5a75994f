#include "core/check/compare_page.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <optional>

#include "core/check/keyword_search.h"
#include "core/check/page_text.h"
#include "core/fetch/fetch.h"
#include "platform/file_system.h"

namespace {

// Large enough that a usual page is read in one call.
constexpr std::size_t kBlockSize = 64 * 1024;
const char kAuthRefused[] = "認証が否定されました";

// Files of different lengths differ in the count of some block read, so no length is asked
// for beforehand (the stream would ask the system for it several times). The streams are
// unbuffered: every block goes straight into the comparison buffers.
int CompareOpenFiles(FILE* first, FILE* second) {
  std::setvbuf(first, nullptr, _IONBF, 0);
  std::setvbuf(second, nullptr, _IONBF, 0);
  std::unique_ptr<char[]> blocks(new char[2 * kBlockSize]);
  char* firstBlock = blocks.get();
  char* secondBlock = firstBlock + kBlockSize;
  for (;;) {
    std::size_t firstRead = std::fread(firstBlock, 1, kBlockSize, first);
    std::size_t secondRead = std::fread(secondBlock, 1, kBlockSize, second);
    if (std::ferror(first) || std::ferror(second)) return 1;
    // Also a file that grew or shrank while being read differs from its other half.
    if (firstRead != secondRead) return 1;
    if (std::memcmp(firstBlock, secondBlock, firstRead) != 0) return 1;
    if (firstRead < kBlockSize) return 0;
  }
}

// `newPath` empty: the page is in memory, with no file to delete.
int CompareAnchorArea(WatchItem& item, const std::string& text, const std::string& newPath) {
  std::string area = ExtractArea(text, item.m_anchorKeyword, item.m_anchorNth,
                                 item.m_compareOffset, item.m_compareSize);
  if (area == item.m_compareData) {
    if (!newPath.empty()) platform::RemoveFile(newPath);
    return 0;
  }
  item.m_compareData = std::move(area);
  return 1;
}

int CompareKeywordCount(WatchItem& item, const std::string& text) {
  int count = CountKeyword(text, item.m_simpleKeyword, item.m_simpleKeywordCase != 0);
  int old = item.m_simpleKeywordCount;
  if (count == old) return 0;
  // The new count is kept even when its direction is not one the user asked for.
  item.m_simpleKeywordCount = count;
  bool rise = count > old && (item.m_simpleKeywordOptions & 1) != 0;
  bool fall = count < old && (item.m_simpleKeywordOptions & 2) != 0;
  return rise || fall ? 1 : 0;
}

void CopyCredentials(WatchItem& item, const FetchJob& job) {
  item.m_user = job.m_user;
  item.m_password = job.m_password;
}

const std::string& ComparisonBase(const WatchItem& item) {
  return item.m_download != DownloadMode::PrivateCopy ? item.m_savePath : item.m_hiddenPath;
}

bool UsesKeywordRule(const WatchItem& item) {
  return !item.m_anchorKeyword.empty() || !item.m_simpleKeyword.empty();
}

int CompareKeywordRule(WatchItem& item, const std::optional<std::string>& text,
                       const std::string& newPath) {
  if (!text) return -1;
  if (!item.m_anchorKeyword.empty()) return CompareAnchorArea(item, *text, newPath);
  return CompareKeywordCount(item, *text);
}

}  // namespace

int CompareBytesWithFile(const std::string& bytes, const std::string& path) {
  FILE* file = platform::OpenFile(path, "rb");
  if (file == nullptr) return -2;
  std::setvbuf(file, nullptr, _IONBF, 0);
  std::unique_ptr<char[]> block(new char[kBlockSize]);
  int result = 0;
  for (std::size_t offset = 0;;) {
    std::size_t read = std::fread(block.get(), 1, kBlockSize, file);
    if (std::ferror(file) || read > bytes.size() - offset ||
        std::memcmp(block.get(), bytes.data() + offset, read) != 0) {
      result = 1;
      break;
    }
    offset += read;
    if (read < kBlockSize) {
      result = offset == bytes.size() ? 0 : 1;
      break;
    }
  }
  std::fclose(file);
  return result;
}

int CompareFiles(const std::string& first, const std::string& second) {
  FILE* firstFile = platform::OpenFile(first, "rb");
  if (firstFile == nullptr) return -1;
  FILE* secondFile = platform::OpenFile(second, "rb");
  if (secondFile == nullptr) {
    std::fclose(firstFile);
    return -2;
  }
  int result = CompareOpenFiles(firstFile, secondFile);
  std::fclose(firstFile);
  std::fclose(secondFile);
  return result;
}

int ComparePage(WatchItem& item, const std::string& newPath,
                const platform::CCodePageConverter* converter) {
  if (UsesKeywordRule(item)) {
    return CompareKeywordRule(
        item, LoadPageText(converter, newPath, item.m_japaneseCode, item.m_pageCharset), newPath);
  }
  // Comparing the file with itself would prove nothing.
  const std::string& base = ComparisonBase(item);
  if (base == newPath) return -1;
  return CompareFiles(newPath, base);
}

int ComparePageBytes(WatchItem& item, const std::string& bytes,
                     const platform::CCodePageConverter* converter) {
  if (UsesKeywordRule(item)) {
    return CompareKeywordRule(
        item, PageText(converter, bytes, item.m_japaneseCode, item.m_pageCharset), {});
  }
  return CompareBytesWithFile(bytes, ComparisonBase(item));
}

std::optional<CheckResult> CheckDate(WatchItem& item, FetchJob& job, CFetch& fetch) {
  // The server gave no date last time: only the page itself can tell.
  if (job.m_lastModified == 0) return std::nullopt;
  int modified = static_cast<int>(fetch.FetchLastModified(job));
  if (job.m_outcome != FetchOutcome::Fetched) {
    job.m_lastModified = 0;
    // A refusal and a server that asked to be called later end the check: a full fetch
    // now would be refused too, or call the server against its wish.
    if (job.m_outcome == FetchOutcome::Failed && (job.m_errorText == kAuthRefused || job.m_retryAfter >= 0)) {
      item.m_errorStatus = StatusNumber(job);
      item.m_errorText = job.m_errorText;
      return CheckResult::Error;
    }
    return std::nullopt;  // any other failure: the full check decides
  }
  if (modified == item.m_lastModified) {
    CopyCredentials(item, job);
    return CheckResult::NotUpdated;
  }
  item.m_lastModified = modified;
  // Without a date the page itself decides, from this check on: the fetch that follows
  // keeps the copy the next checks compare with, and reports the first check's update.
  if (modified == 0) {
    job.m_lastModified = 0;
    return std::nullopt;
  }
  // The page is fetched to be downloaded.
  if (item.m_download != DownloadMode::PrivateCopy) return std::nullopt;
  item.m_lastUpdate = modified;
  CopyCredentials(item, job);
  return CheckResult::Updated;
}
