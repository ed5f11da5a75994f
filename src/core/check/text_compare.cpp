#include "core/check/text_compare.h"

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
  if (std::optional<std::string> kept = ReadWholeFile(TextCopyPath(pagePath))) {
    return text::SplitLines(*kept);
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

bool SaveVersionText(const std::string& pagePath, const std::vector<std::string>& lines) {
  platform::CAtomicFile file(TextCopyPath(pagePath), platform::CAtomicFile::Mode::Binary);
  FILE* stream = file.Open();
  if (!stream) return false;
  std::string text = text::JoinLines(lines);
  if (std::fwrite(text.data(), 1, text.size(), stream) != text.size()) return false;
  return file.Commit();
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
