#include "core/text/reader_text.h"

#include <libxml/HTMLparser.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <climits>
#include <cstring>
#include <memory>
#include <unordered_set>

#include "core/text/css_xpath.h"

namespace text {

namespace {

bool IsOneOf(const char* name, std::initializer_list<const char*> names) {
  for (const char* candidate : names) {
    if (std::strcmp(name, candidate) == 0) return true;
  }
  return false;
}

bool IsHidden(const char* name) {
  return IsOneOf(name, {"script", "style", "noscript", "template", "head", "iframe"});
}

bool IsBlock(const char* name) {
  return IsOneOf(name, {"address", "article", "aside", "blockquote", "body", "caption",
                        "center", "dd", "details", "dialog", "div", "dl", "dt", "fieldset",
                        "figcaption", "figure", "footer", "form", "h1", "h2", "h3", "h4", "h5",
                        "h6", "header", "hr", "html", "li", "main", "nav", "ol", "option",
                        "p", "pre", "section", "summary", "table", "tbody", "tfoot", "thead",
                        "tr", "ul", "legend", "menu"});
}

void IgnoreGenericError(void*, const char*, ...) {}

// Collects the last libxml2 error of this thread instead of letting it reach stderr.
struct ErrorCatcher {
  std::string message;
  int offset = -1;
  ErrorCatcher() {
    xmlSetGenericErrorFunc(nullptr, IgnoreGenericError);
    xmlSetStructuredErrorFunc(this, [](void* self, xmlErrorPtr error) {
      auto* catcher = static_cast<ErrorCatcher*>(self);
      catcher->message = error && error->message ? error->message : "";
      while (!catcher->message.empty() && catcher->message.back() == '\n') {
        catcher->message.pop_back();
      }
      catcher->offset = error ? error->int1 : -1;
    });
  }
  ~ErrorCatcher() {
    xmlSetStructuredErrorFunc(nullptr, nullptr);
    xmlSetGenericErrorFunc(nullptr, nullptr);
  }
};

struct DocumentDeleter {
  void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};
using Document = std::unique_ptr<xmlDoc, DocumentDeleter>;

Document ParseHtml(std::string_view htmlUtf8) {
  // The page was converted to UTF-8 before it came here: a charset its <meta> names must
  // not make the parser read it again in that code.
  int options = HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                HTML_PARSE_NONET | HTML_PARSE_COMPACT | HTML_PARSE_IGNORE_ENC;
  int size = htmlUtf8.size() > INT_MAX ? INT_MAX : static_cast<int>(htmlUtf8.size());
  return Document(htmlReadMemory(htmlUtf8.data(), size, nullptr, "UTF-8", options));
}

// The nodes `xpath` selects; false (and `error` set) when it does not run or gives no
// node set.
bool EvaluateNodes(xmlDoc* document, const std::string& xpath,
                   std::unordered_set<const xmlNode*>& nodes, std::string& error) {
  ErrorCatcher catcher;
  std::unique_ptr<xmlXPathContext, decltype(&xmlXPathFreeContext)> context(
      xmlXPathNewContext(document), xmlXPathFreeContext);
  if (!context) return false;
  std::unique_ptr<xmlXPathObject, decltype(&xmlXPathFreeObject)> result(
      xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(xpath.c_str()), context.get()),
      xmlXPathFreeObject);
  if (!result) {
    error = "XPath が使えません: " + catcher.message;
    return false;
  }
  if (result->type != XPATH_NODESET) {
    error = "XPath の結果が要素ではありません";
    return false;
  }
  xmlNodeSet* set = result->nodesetval;
  for (int i = 0; set && i < set->nodeNr; ++i) {
    const xmlNode* node = set->nodeTab[i];
    if (node->type == XML_ELEMENT_NODE || node->type == XML_TEXT_NODE) nodes.insert(node);
  }
  return true;
}

class CTextWalker {
 public:
  CTextWalker(const std::unordered_set<const xmlNode*>& selected,
              const std::unordered_set<const xmlNode*>& excluded)
      : m_selected(selected), m_excluded(excluded) {}

  std::vector<TextLine> Walk(xmlDoc* document) {
    auto* root = reinterpret_cast<xmlNode*>(document);
    xmlNode* node = root->children;
    while (node) {
      bool entered = Enter(node);
      if (entered && node->children) {
        node = node->children;
        continue;
      }
      if (entered) Leave(node);
      while (node && !node->next) {
        node = node->parent;
        if (!node || node == root) {
          node = nullptr;
        } else {
          Leave(node);
        }
      }
      if (node) node = node->next;
    }
    EndLine();
    return std::move(m_lines);
  }

 private:
  // Whether the walk goes into the node's children (and later leaves it).
  bool Enter(const xmlNode* node) {
    if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
      bool selected = m_selected.count(node) > 0;
      if (selected) BeginSelected();
      AppendText(reinterpret_cast<const char*>(node->content));
      if (selected) EndSelected();
      return false;
    }
    if (node->type != XML_ELEMENT_NODE || !node->name) return false;
    const char* name = reinterpret_cast<const char*>(node->name);
    if (IsHidden(name) || m_excluded.count(node)) return false;
    if (IsOneOf(name, {"br"})) {
      EndLine();
      return false;
    }
    if (IsBlock(name)) EndLine();
    if (IsOneOf(name, {"td", "th"}) && !m_line.empty()) {
      m_line += '\t';
      m_pendingBlank = false;
    }
    if (m_selected.count(node)) BeginSelected();
    return true;
  }

  void Leave(const xmlNode* node) {
    if (node->type != XML_ELEMENT_NODE) return;
    if (m_selected.count(node)) EndSelected();
    if (IsBlock(reinterpret_cast<const char*>(node->name))) EndLine();
  }

  void BeginSelected() {
    if (m_selectedDepth++ == 0) EndLine();
  }
  void EndSelected() {
    if (--m_selectedDepth == 0) EndLine();
  }

  void AppendText(const char* text) {
    if (!text) return;
    for (const char* at = text; *at; ++at) {
      unsigned char ch = static_cast<unsigned char>(*at);
      bool noBreakSpace = ch == 0xC2 && static_cast<unsigned char>(at[1]) == 0xA0;
      if (ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r' || ch == '\f' || noBreakSpace) {
        if (noBreakSpace) ++at;
        m_pendingBlank = true;
        continue;
      }
      if (m_pendingBlank && !m_line.empty() && m_line.back() != '\t') m_line += ' ';
      m_pendingBlank = false;
      m_line += *at;
      if (m_selectedDepth > 0) m_lineSelected = true;
    }
  }

  void EndLine() {
    while (!m_line.empty() && (m_line.back() == '\t' || m_line.back() == ' ')) m_line.pop_back();
    if (!m_line.empty()) m_lines.push_back({std::move(m_line), m_lineSelected});
    m_line.clear();
    m_lineSelected = false;
    m_pendingBlank = false;
  }

  const std::unordered_set<const xmlNode*>& m_selected;
  const std::unordered_set<const xmlNode*>& m_excluded;
  std::vector<TextLine> m_lines;
  std::string m_line;
  bool m_lineSelected = false;
  bool m_pendingBlank = false;
  int m_selectedDepth = 0;
};

}  // namespace

ReaderText ExtractReaderText(std::string_view htmlUtf8, const Selection& selection) {
  ReaderText result;
  std::string selectPath = selection.xpath;
  if (!selection.css.empty()) {
    CssTranslation translation = CssToXPath(selection.css);
    if (!translation.error.empty()) {
      result.error = translation.error;
      return result;
    }
    selectPath = translation.xpath;
  }
  std::string excludePath;
  if (!selection.exclude.empty()) {
    CssTranslation translation = CssToXPath(selection.exclude);
    if (!translation.error.empty()) {
      result.error = "除外: " + translation.error;
      return result;
    }
    excludePath = translation.xpath;
  }

  Document document = ParseHtml(htmlUtf8);
  if (!document) {
    if (!selectPath.empty()) result.matched = 0;
    return result;  // nothing a parser could read: no text
  }
  std::unordered_set<const xmlNode*> selected;
  std::unordered_set<const xmlNode*> excluded;
  if (!selectPath.empty()) {
    if (!EvaluateNodes(document.get(), selectPath, selected, result.error)) return result;
    result.matched = static_cast<int>(selected.size());
  }
  if (!excludePath.empty() && !EvaluateNodes(document.get(), excludePath, excluded, result.error)) {
    return result;
  }
  result.lines = CTextWalker(selected, excluded).Walk(document.get());
  return result;
}

std::string XPathExpressionFault(std::string_view xpathUtf8) {
  ErrorCatcher catcher;
  std::string expression(xpathUtf8);
  xmlXPathCompExpr* compiled = xmlXPathCompile(reinterpret_cast<const xmlChar*>(expression.c_str()));
  if (compiled) {
    xmlXPathFreeCompExpr(compiled);
    return "";
  }
  std::string fault = "XPath が使えません: " + catcher.message;
  if (catcher.offset >= 0) fault += " (位置 " + std::to_string(catcher.offset + 1) + ")";
  return fault;
}

}  // namespace text
