#include "core/check/text_preview.h"

#include "core/check/conditional_request.h"
#include "core/check/page_text.h"
#include "core/check/text_compare.h"
#include "platform/file_system.h"

namespace {

// A page larger than this is read through a temporary file.
constexpr std::int64_t kPreviewInMemory = 8 << 20;

}  // namespace

std::vector<std::string> TextPreview::ComparedLines() const {
  std::vector<std::string> lines;
  bool selects = text.matched > 0;
  for (const text::ShownLine& line : text.lines) {
    if ((!selects || line.selected) && !line.ignored) lines.push_back(line.text);
  }
  if (text.matched == 0) lines.clear();
  return lines;
}

TextPreview PreviewText(const WatchItem& item, const std::string& pageCp932) {
  TextPreview preview;
  preview.text = text::TextToShow(pageCp932, TextSettingsOf(item));
  return preview;
}

TextPreview FetchTextPreview(const WatchItem& item, CFetch& fetch,
                             const platform::CCodePageConverter* converter, const std::string& folder) {
  FetchJob job;
  static_cast<FetchRequest&>(job) = item;
  job.m_savePath = folder + "/temp.tmp";
  job.m_memoryLimit = kPreviewInMemory;
  job.m_allowRelocation = 1;
  job.m_useCache = 0;
  TextPreview preview;
  if (fetch.Fetch(job) != FetchOutcome::Fetched) {
    // The retriever's own failure is told by its message.
    preview.error = job.m_outcome == FetchOutcome::Failed && !job.m_errorText.empty()
                        ? job.m_errorText
                        : "エラー(status=" + std::to_string(StatusNumber(job)) + ")";
    return preview;
  }
  std::string charset = CharsetOfContentType(fetch.ContentType());
  std::optional<std::string> page;
  if (job.m_bodyInMemory) {
    page = PageText(converter, job.m_body, item.m_japaneseCode, charset);
  } else {
    const std::string& saved = job.m_savedPath;
    page = LoadPageText(converter, saved, item.m_japaneseCode, charset);
    platform::RemoveFile(saved);
  }
  if (!page) {
    preview.error = "ページを読み込めません";
    return preview;
  }
  return PreviewText(item, *page);
}
