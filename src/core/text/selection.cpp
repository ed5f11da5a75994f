#include "core/text/selection.h"

#include "core/text/css_xpath.h"
#include "core/text/ignore_rules.h"
#include "core/text/reader_text.h"
#include "platform/text_codec.h"

namespace text {

namespace {

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

Prepared Prepare(const std::string& pageCp932, const TextSettings& settings) {
  Prepared prepared;
  prepared.error = prepared.rules.Compile(platform::Cp932ToUtf8(settings.ignoreLines),
                                          settings.ignoreCase);
  if (!prepared.error.empty()) return prepared;
  prepared.text = ExtractReaderText(platform::Cp932ToUtf8(pageCp932), SelectionOf(settings));
  prepared.error = prepared.text.error;
  return prepared;
}

}  // namespace

ComparedText TextToCompare(const std::string& pageCp932, const TextSettings& settings) {
  ComparedText compared;
  Prepared prepared = Prepare(pageCp932, settings);
  if (!prepared.error.empty()) {
    compared.status = ComparedText::kFault;
    compared.error = prepared.error;
    return compared;
  }
  compared.matched = prepared.text.matched;
  if (compared.matched == 0) {
    compared.status = ComparedText::kNothingSelected;
    return compared;
  }
  bool selects = compared.matched > 0;
  for (const TextLine& line : prepared.text.lines) {
    if (selects && !line.selected) continue;
    if (prepared.rules.Matches(line.text)) continue;
    compared.lines.push_back(platform::Utf8ToCp932(line.text));
  }
  return compared;
}

ShownText TextToShow(const std::string& pageCp932, const TextSettings& settings) {
  ShownText shown;
  Prepared prepared = Prepare(pageCp932, settings);
  shown.error = prepared.error;
  if (!shown.error.empty()) {
    // Without the selection the page's text can still be shown.
    prepared.text = ExtractReaderText(platform::Cp932ToUtf8(pageCp932), {});
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

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

}  // namespace text
