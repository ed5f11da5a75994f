// The text a text item compares: the page's reader text (reader_text.h), the part the
// item selects, less the lines its ignore rules match. Everything here takes and gives
// CP932, the program's code page, as the watch item and the page text hold it; libxml2
// and PCRE2 work in UTF-8, so the text is converted at this edge and back.
//
// Plain functions on values; safe on any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace text {

// A text item's settings, as the watch item holds them (CP932; the ignore rules one per
// line, not escaped).
struct TextSettings {
  std::string selectCss;
  std::string selectXPath;
  std::string excludeCss;
  std::string ignoreLines;
  bool ignoreCase = false;
};

struct ComparedText {
  enum Status {
    kText,             // `lines` holds the text to compare
    kNothingSelected,  // the selection matched nothing on this page
    kFault,            // a setting cannot run; `error` says why
  };
  Status status = kText;
  std::vector<std::string> lines;  // CP932, in page order
  int matched = -1;                // elements selected; -1 without a selection
  std::string error;               // CP932
};

ComparedText TextToCompare(const std::string& pageCp932, const TextSettings& settings);

// Every line of the page's reader text for showing it (CP932), each marked when it is of
// the selected part and when an ignore rule leaves it out.
struct ShownLine {
  std::string text;
  bool selected = false;
  bool ignored = false;
};
struct ShownText {
  std::vector<ShownLine> lines;
  int matched = -1;
  std::string error;
};
ShownText TextToShow(const std::string& pageCp932, const TextSettings& settings);

// Why a CSS selector (CP932) cannot be used, or empty.
std::string CssFault(const std::string& cssCp932);
// Why an XPath 1.0 expression (CP932) cannot be used, or empty.
std::string XPathFault(const std::string& xpathCp932);

// The text as it is stored beside the page copy, and back: one line each, "\n" after each.
std::string JoinLines(const std::vector<std::string>& lines);
std::vector<std::string> SplitLines(std::string_view text);

}  // namespace text
