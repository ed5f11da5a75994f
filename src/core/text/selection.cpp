#include "core/text/selection.h"

#include <algorithm>

#include "core/text/css_xpath.h"
#include "core/text/ignore_rules.h"
#include "core/text/reader_text.h"
#include "platform/text_codec.h"

namespace text {

namespace {

// The page in UTF-8 for the parser, converted from CP932 a part at a time: a large page is
// not held in both codes at once. Each part ends after a byte below 0x40, which is neither
// the first nor the second byte of a double-byte character, so the parts convert as the
// whole would.
class CCp932Source : public IHtmlSource {
 public:
  explicit CCp932Source(std::string_view cp932) : m_cp932(cp932) {}

  int Read(char* buffer, int size) override {
    if (m_readAt == m_utf8.size()) Convert();
    std::size_t count = std::min(m_utf8.size() - m_readAt, static_cast<std::size_t>(size));
    std::copy_n(m_utf8.data() + m_readAt, count, buffer);
    m_readAt += count;
    return static_cast<int>(count);
  }

 private:
  static constexpr std::size_t kPart = 64 * 1024;

  void Convert() {
    std::size_t end = m_convertAt + std::min(kPart, m_cp932.size() - m_convertAt);
    if (end < m_cp932.size()) {
      std::size_t cut = end;
      while (cut > m_convertAt && static_cast<unsigned char>(m_cp932[cut - 1]) >= 0x40) --cut;
      // A part without such a byte is taken whole up to the next one.
      while (cut == m_convertAt && end < m_cp932.size()) {
        if (static_cast<unsigned char>(m_cp932[end++]) < 0x40) cut = end;
      }
      end = cut == m_convertAt ? m_cp932.size() : cut;
    }
    m_utf8 = platform::Cp932ToUtf8(m_cp932.substr(m_convertAt, end - m_convertAt));
    m_convertAt = end;
    m_readAt = 0;
  }

  std::string_view m_cp932;
  std::size_t m_convertAt = 0;
  std::string m_utf8;
  std::size_t m_readAt = 0;
};

Selection SelectionOf(const TextSettings& settings) {
  Selection selection;
  selection.css = platform::Cp932ToUtf8(settings.selectCss);
  if (selection.css.empty()) selection.xpath = platform::Cp932ToUtf8(settings.selectXPath);
  selection.exclude = platform::Cp932ToUtf8(settings.excludeCss);
  return selection;
}

struct Prepared {
  ReaderText text;
  CIgnoreRules rules;
  std::string error;
};

ReaderText ReaderTextOf(std::string_view pageCp932, const Selection& selection,
                        bool selectedOnly = false, const LineSink& sink = {}) {
  CCp932Source source(pageCp932);
  return ExtractReaderText(source, selection, selectedOnly, sink);
}

Prepared Prepare(const std::string& pageCp932, const TextSettings& settings) {
  Prepared prepared;
  prepared.error = prepared.rules.Compile(platform::Cp932ToUtf8(settings.ignoreLines),
                                          settings.ignoreCase);
  if (!prepared.error.empty()) return prepared;
  prepared.text = ReaderTextOf(pageCp932, SelectionOf(settings));
  prepared.error = prepared.text.error;
  return prepared;
}

}  // namespace

ComparedText TextToCompare(const std::string& pageCp932, const TextSettings& settings) {
  ComparedText compared;
  CIgnoreRules rules;
  std::string error = rules.Compile(platform::Cp932ToUtf8(settings.ignoreLines), settings.ignoreCase);
  if (error.empty()) {
    // Only the selected lines, each converted as the walk gives it: a large page's text is
    // not held in both codes.
    ReaderText text = ReaderTextOf(pageCp932, SelectionOf(settings), true, [&](const TextLine& line) {
      if (!rules.Matches(line.text)) compared.lines.push_back(platform::Utf8ToCp932(line.text));
    });
    error = text.error;
    compared.matched = text.matched;
  }
  if (!error.empty()) {
    compared = ComparedText();
    compared.status = ComparedText::kFault;
    compared.error = error;
  } else if (compared.matched == 0) {
    compared.lines.clear();
    compared.status = ComparedText::kNothingSelected;
  }
  return compared;
}

ShownText TextToShow(const std::string& pageCp932, const TextSettings& settings) {
  ShownText shown;
  Prepared prepared = Prepare(pageCp932, settings);
  shown.error = prepared.error;
  if (!shown.error.empty()) {
    // Without the selection the page's text can still be shown.
    prepared.text = ReaderTextOf(pageCp932, {});
  }
  shown.matched = prepared.text.matched;
  for (const TextLine& line : prepared.text.lines) {
    shown.lines.push_back(
        {platform::Utf8ToCp932(line.text), line.selected, prepared.rules.Matches(line.text)});
  }
  return shown;
}

std::string CssFault(const std::string& cssCp932) {
  return CssToXPath(platform::Cp932ToUtf8(cssCp932)).error;
}

std::string XPathFault(const std::string& xpathCp932) {
  return XPathExpressionFault(platform::Cp932ToUtf8(xpathCp932));
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

}  // namespace text
