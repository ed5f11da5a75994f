#include "core/text/reader_text.h"

#include <libxml/HTMLparser.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <cstdint>
#include <exception>
#include <memory>

#include "core/text/css_xpath.h"
#include "core/text/text_walk.h"

namespace text {

namespace {

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

// The page was converted to UTF-8 before it came here: a charset its <meta> names must not
// make the parser read it again in that code.
constexpr int kParseOptions = HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                              HTML_PARSE_NONET | HTML_PARSE_COMPACT | HTML_PARSE_IGNORE_ENC;

// Marks the nodes `xpath` selects with `mark` in their _private, counting the nodes newly
// marked; false (and `error` set) when it does not run or gives no node set.
bool MarkNodes(xmlDoc* document, const std::string& xpath, unsigned mark, int& marked,
               std::string& error) {
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
    xmlNode* node = set->nodeTab[i];
    if (node->type != XML_ELEMENT_NODE && node->type != XML_TEXT_NODE) continue;
    auto marks = reinterpret_cast<std::uintptr_t>(node->_private);
    if (marks & mark) continue;
    node->_private = reinterpret_cast<void*>(marks | mark);
    ++marked;
  }
  return true;
}

// The marks MarkNodes left on the whole tree.
class CMarkedNodes : public INodeClassifier {
 public:
  unsigned Classify(xmlNode* node) override {
    return static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(node->_private)) &
           (kMarkSelected | kMarkExcluded);
  }
};

// Tests each element as the parser adds it against the translated CSS selectors, each
// entry turned from "/descendant::X[...]" into "self::X[...]": a selector looks only at
// the element, its ancestors and its earlier siblings, all in the tree by then.
class CSelfTests : public INodeClassifier {
 public:
  ~CSelfTests() override {
    for (Test& test : m_tests) xmlXPathFreeCompExpr(test.compiled);
    if (m_context) xmlXPathFreeContext(m_context);
  }

  bool Add(const std::string& path, unsigned mark, std::string& error) {
    constexpr std::string_view kFromDocument = "/descendant::";
    std::string step = "self::" + path.substr(kFromDocument.size());
    ErrorCatcher catcher;
    xmlXPathCompExpr* compiled = xmlXPathCompile(reinterpret_cast<const xmlChar*>(step.c_str()));
    if (!compiled) {
      error = "XPath が使えません: " + catcher.message;
      return false;
    }
    std::string type = path.substr(kFromDocument.size());
    type = type.substr(0, type.find('['));
    m_tests.push_back({type == "*" ? std::string() : type, mark, compiled});
    return true;
  }

  unsigned Classify(xmlNode* node) override {
    if (node->type != XML_ELEMENT_NODE || !node->name) return 0;
    if (!m_context) m_context = xmlXPathNewContext(node->doc);
    unsigned marks = 0;
    for (const Test& test : m_tests) {
      if ((marks & test.mark) || !m_context) continue;
      if (!test.type.empty() && test.type != reinterpret_cast<const char*>(node->name)) continue;
      m_context->node = node;
      if (xmlXPathCompiledEvalToBoolean(test.compiled, m_context) == 1) marks |= test.mark;
    }
    if (marks & kMarkSelected) ++m_selected;
    return marks;
  }

  int Selected() const { return m_selected; }

 private:
  struct Test {
    std::string type;  // the element name the step needs; empty for any
    unsigned mark;
    xmlXPathCompExpr* compiled;
  };
  std::vector<Test> m_tests;
  xmlXPathContext* m_context = nullptr;
  int m_selected = 0;
};

// One parse: the source it reads and, when the text is taken while parsing, the walk that
// runs at each element the parser starts, over all that lies before it. No exception may
// cross libxml2's C frames: one thrown in a callback stops the parse and is thrown again
// once the parser has returned.
struct Parsing {
  explicit Parsing(IHtmlSource& from) : source(from) {}
  IHtmlSource& source;
  CTextWalk* walk = nullptr;
  bool keepSiblings = false;
  startElementSAXFunc startElement = nullptr;
  std::exception_ptr failure;
};

void WalkThenStartElement(void* context, const xmlChar* name, const xmlChar** attributes) {
  auto* parser = static_cast<htmlParserCtxtPtr>(context);
  auto* parsing = static_cast<Parsing*>(parser->_private);
  try {
    parsing->walk->Advance(parser->myDoc, parser->node, true, parsing->keepSiblings);
  } catch (...) {
    parsing->failure = std::current_exception();
    xmlStopParser(parser);
    return;
  }
  parsing->startElement(context, name, attributes);
}

int ReadSource(void* context, char* buffer, int size) {
  auto* parsing = static_cast<Parsing*>(context);
  try {
    return parsing->source.Read(buffer, size);
  } catch (...) {
    parsing->failure = std::current_exception();
    return -1;
  }
}

Document ParseHtml(Parsing& parsing) {
  std::unique_ptr<htmlParserCtxt, decltype(&htmlFreeParserCtxt)> parser(htmlNewParserCtxt(),
                                                                        htmlFreeParserCtxt);
  if (!parser || !parser->sax) return nullptr;
  if (parsing.walk) {
    parsing.startElement = parser->sax->startElement;
    parser->sax->startElement = WalkThenStartElement;
    parser->_private = &parsing;
  }
  Document document(
      htmlCtxtReadIO(parser.get(), ReadSource, nullptr, &parsing, nullptr, "UTF-8", kParseOptions));
  if (parsing.failure) std::rethrow_exception(parsing.failure);
  return document;
}

bool Mentions(const std::vector<std::string>& paths, std::string_view axis) {
  for (const std::string& path : paths) {
    if (path.find(axis) != std::string::npos) return true;
  }
  return false;
}

}  // namespace

ReaderText ExtractReaderText(IHtmlSource& source, const Selection& selection, bool selectedOnly,
                             const LineSink& sink) {
  ReaderText result;
  // A "," list is evaluated entry by entry: libxml2's union compares every node of one set
  // with every node of the other.
  std::vector<std::string> selectPaths;
  if (!selection.xpath.empty()) selectPaths.push_back(selection.xpath);
  if (!selection.css.empty()) {
    CssTranslation translation = CssToXPath(selection.css);
    if (!translation.error.empty()) {
      result.error = translation.error;
      return result;
    }
    selectPaths = translation.paths;
  }
  std::vector<std::string> excludePaths;
  if (!selection.exclude.empty()) {
    CssTranslation translation = CssToXPath(selection.exclude);
    if (!translation.error.empty()) {
      result.error = "除外: " + translation.error;
      return result;
    }
    excludePaths = translation.paths;
  }
  bool selecting = !selectPaths.empty();
  selectedOnly = selectedOnly && selecting;

  // CSS (or no selection) is decided element by element while the page is parsed, and the
  // page is never held as a whole tree; an XPath expression, and :last-child, which looks
  // at later siblings, need the whole tree.
  if (selection.xpath.empty() && !Mentions(selectPaths, "following-sibling") &&
      !Mentions(excludePaths, "following-sibling")) {
    CSelfTests tests;
    for (const std::string& path : selectPaths) {
      if (!tests.Add(path, kMarkSelected, result.error)) return result;
    }
    for (const std::string& path : excludePaths) {
      if (!tests.Add(path, kMarkExcluded, result.error)) return result;
    }
    bool keepSiblings = Mentions(selectPaths, "preceding-sibling") ||
                        Mentions(excludePaths, "preceding-sibling");
    CTextWalk walk(tests, selecting, selectedOnly, sink);
    Parsing parsing(source);
    parsing.walk = &walk;
    parsing.keepSiblings = keepSiblings;
    Document document = ParseHtml(parsing);
    walk.Advance(document.get(), nullptr, true, keepSiblings);
    if (selecting) result.matched = tests.Selected();
    result.lines = walk.TakeLines();
    return result;
  }

  Parsing parsing(source);
  Document document = ParseHtml(parsing);
  if (!document) {
    if (selecting) result.matched = 0;
    return result;  // nothing a parser could read: no text
  }
  int selected = 0;
  int excluded = 0;
  for (const std::string& path : selectPaths) {
    if (!MarkNodes(document.get(), path, kMarkSelected, selected, result.error)) return result;
  }
  if (selecting) result.matched = selected;
  for (const std::string& path : excludePaths) {
    if (!MarkNodes(document.get(), path, kMarkExcluded, excluded, result.error)) return result;
  }
  CMarkedNodes marks;
  CTextWalk walk(marks, false, selectedOnly, sink);
  walk.Advance(document.get(), nullptr, false, false);
  result.lines = walk.TakeLines();
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
