#include "core/check/text_compare.h"

#include <cstdint>
#include <cstdio>

#include "core/check/page_text.h"
#include "core/text/added_lines.h"
#include "core/watch/page_history.h"
#include "platform/atomic_file.h"
#include "platform/file_system.h"

namespace {

// A diff of text lines this long is found at once; the limit only guards a huge page.
constexpr std::uint64_t kTextDiffWorkLimit = 60'000'000;

std::optional<std::string> ReadWholeFile(const std::string& path) {
  FILE* file = platform::OpenFile(path, "rb");
  if (!file) return std::nullopt;
  std::string text;
  char buffer[65536];
  std::size_t read;
  while ((read = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, read);
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return std::nullopt;
  return text;
}

// The first line of a kept text: the settings it was taken with. A text taken with other
// settings (the user changed the selector since) is not compared: the version's page is
// read again with the present ones, so that a new selector raises no alarm by itself.
std::string TextHeader(const WatchItem& item) {
  std::uint64_t hash = 14695981039346656037ULL;
  for (const std::string& field : {item.m_selectCss, item.m_selectXPath, item.m_excludeCss,
                                   item.m_ignoreLines, std::to_string(item.m_ignoreCase)}) {
    for (unsigned char ch : field) {
      hash ^= ch;
      hash *= 1099511628211ULL;
    }
    hash ^= 0xff;  // no CP932 text holds this byte
    hash *= 1099511628211ULL;
  }
  char header[48];
  std::snprintf(header, sizeof header, "#text %016llx\n", static_cast<unsigned long long>(hash));
  return header;
}

}  // namespace

text::TextSettings TextSettingsOf(const WatchItem& item) {
  text::TextSettings settings;
  settings.selectCss = item.m_selectCss;
  settings.selectXPath = item.m_selectXPath;
  settings.excludeCss = item.m_excludeCss;
  settings.ignoreLines = item.m_ignoreLines;
  settings.ignoreCase = item.m_ignoreCase == 1;
  return settings;
}

std::optional<std::vector<std::string>> VersionText(const WatchItem& item, const std::string& pagePath,
                                                    const platform::CCodePageConverter* converter) {
  if (pagePath.empty()) return std::nullopt;
  std::optional<std::string> kept = ReadWholeFile(TextCopyPath(pagePath));
  std::string header = TextHeader(item);
  if (kept && kept->compare(0, header.size(), header) == 0) {
    return text::SplitLines(std::string_view(*kept).substr(header.size()));
  }
  std::optional<std::string> page =
      LoadPageText(converter, pagePath, item.m_japaneseCode, item.m_pageCharset);
  if (!page) return std::nullopt;
  text::ComparedText compared = text::TextToCompare(*page, TextSettingsOf(item));
  if (compared.status != text::ComparedText::kText) return std::nullopt;
  return std::move(compared.lines);
}

TextVerdict JudgeText(const WatchItem& item, const std::string& pageCp932,
                      const platform::CCodePageConverter* converter) {
  TextVerdict verdict;
  text::ComparedText compared = text::TextToCompare(pageCp932, TextSettingsOf(item));
  if (compared.status == text::ComparedText::kFault) {
    verdict.kind = TextVerdict::kFault;
    verdict.error = compared.error;
    return verdict;
  }
  if (compared.status == text::ComparedText::kNothingSelected) {
    verdict.kind = TextVerdict::kNothingSelected;
    return verdict;
  }
  verdict.lines = std::move(compared.lines);
  std::optional<std::vector<std::string>> before =
      VersionText(item, CurrentVersionPath(item), converter);
  if (!before) {
    verdict.kind = TextVerdict::kUpdated;
    return verdict;
  }
  text::LineChange change = text::CompareLines(*before, verdict.lines);
  if (!change.changed) {
    verdict.kind = TextVerdict::kSame;
  } else if (item.m_addedOnly == 1 && !change.added) {
    verdict.kind = TextVerdict::kQuietChange;
  } else {
    verdict.kind = TextVerdict::kUpdated;
  }
  return verdict;
}

bool SaveVersionText(const WatchItem& item, const std::string& pagePath,
                     const std::vector<std::string>& lines) {
  platform::CAtomicFile file(TextCopyPath(pagePath), platform::CAtomicFile::Mode::Binary);
  FILE* stream = file.Open();
  if (!stream) return false;
  std::string text = TextHeader(item) + text::JoinLines(lines);
  if (std::fwrite(text.data(), 1, text.size(), stream) != text.size()) return false;
  return file.Commit();
}

std::optional<text::LineDelta> LoadTextDelta(const WatchItem& item,
                                             const platform::CCodePageConverter* converter) {
  std::string previous = PreviousVersionPath(item);
  std::string current = CurrentVersionPath(item);
  if (previous.empty() || current.empty()) return std::nullopt;
  std::optional<std::vector<std::string>> before = VersionText(item, previous, converter);
  std::optional<std::vector<std::string>> after = VersionText(item, current, converter);
  if (!before || !after) return std::nullopt;
  return text::DiffLines(*before, *after);
}

PageChange LoadTextChange(const WatchItem& item, const platform::CCodePageConverter* converter) {
  PageChange change;
  std::string previous = PreviousVersionPath(item);
  std::string current = CurrentVersionPath(item);
  if (previous.empty() || current.empty()) return change;
  std::optional<std::vector<std::string>> before = VersionText(item, previous, converter);
  std::optional<std::vector<std::string>> after = VersionText(item, current, converter);
  if (!before || !after) {
    change.status = PageChange::kUnreadable;
    return change;
  }
  std::string beforeText = text::JoinLines(*before);
  std::string afterText = text::JoinLines(*after);
  std::optional<std::vector<DiffHunk>> hunks =
      DiffTextsWithin(beforeText, afterText, 3, kTextDiffWorkLimit);
  if (!hunks) {
    change.status = PageChange::kTooManyChanges;
    change.oldLineCount = static_cast<int>(before->size());
    change.newLineCount = static_cast<int>(after->size());
    return change;
  }
  change.status = PageChange::kShown;
  change.hunks = std::move(*hunks);
  return change;
}
