// A small CSS selector to XPath 1.0 translator, so that a text item's selection can be
// given in the notation users copy from a browser's inspector and still run on libxml2's
// XPath engine. libxml2 has no CSS engine and the Debian libraries that do bring a whole
// browser engine with them; the subset below is what selecting a part of a page needs:
//   type and *, .class, #id, [attr], [attr=v], [attr*=v], [attr^=v] (v a name or quoted),
//   the descendant (blank) and child (>) combinators, "," lists,
//   :nth-child(n | odd | even | an+b), :first-child, :last-child.
// Anything else is refused with the position (in characters, from 1) where it stands.
//
// Plain functions; safe on any thread.
#pragma once

#include <string>
#include <string_view>

namespace text {

struct CssTranslation {
  std::string xpath;  // selects the matched elements from the document node
  std::string error;  // empty when translated; else why not, in CP932
};

// `cssUtf8`: the selector in UTF-8. Element and attribute names are matched in lower
// case, as the HTML parser stores them.
CssTranslation CssToXPath(std::string_view cssUtf8);

// A string literal of XPath 1.0 that stands for `value` (concat() when it holds both
// kinds of quote).
std::string XPathLiteral(std::string_view value);

}  // namespace text
