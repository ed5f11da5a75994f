// A page's text as a reader sees it, taken from the HTML with libxml2's HTML parser:
// script, style, noscript, template, the head and comments left out; block elements and
// <br> end a line; table cells on one line, separated by a TAB; runs of blanks collapsed;
// blank lines dropped; character references decoded.
//
// With a selection (CSS or XPath) every line is marked by whether it holds text of a
// matched element; each matched element starts a line, and a match inside another match
// adds no second copy. Elements the exclusion matches give no text at all.
//
// Without a selection or with CSS (bar :last-child) the text is taken while the parser
// reads the page and the parts read are freed (text_walk.h): a page is never held as a
// whole tree, which takes some ten times the page's size. An XPath expression can look
// anywhere in the document, and :last-child at later siblings: those run on the whole tree.
//
// Plain functions on values; safe on any thread (libxml2's error handlers are per thread).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace text {

struct Selection {
  std::string css;      // UTF-8; empty: none
  std::string xpath;    // UTF-8; used when css is empty; empty: none
  std::string exclude;  // CSS, UTF-8; empty: none
  bool Selects() const { return !css.empty() || !xpath.empty(); }
};

struct TextLine {
  std::string text;  // UTF-8
  bool selected = false;
};

struct ReaderText {
  std::vector<TextLine> lines;
  int matched = -1;   // how many elements the selection matched; -1 without a selection
  std::string error;  // why the selection could not run (CP932); empty when it ran
};

// A page's HTML in UTF-8, read a part at a time, so that a large page need not be held
// in UTF-8 as a whole.
class IHtmlSource {
 public:
  virtual ~IHtmlSource() = default;
  // Fills `buffer` with up to `size` bytes; 0 at the end, -1 on failure.
  virtual int Read(char* buffer, int size) = 0;
};

// Takes each line as the walk ends it, so that a large page's lines need not be held.
using LineSink = std::function<void(const TextLine& line)>;

// With `selectedOnly` (and a selection) lines that hold no selected text are left out;
// with a `sink` the lines go there, not into the result.
ReaderText ExtractReaderText(IHtmlSource& source, const Selection& selection,
                             bool selectedOnly = false, const LineSink& sink = {});

// Why an XPath expression does not compile (CP932), or empty.
std::string XPathExpressionFault(std::string_view xpathUtf8);

}  // namespace text
