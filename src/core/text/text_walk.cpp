#include "core/text/text_walk.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <unordered_map>

namespace text {

namespace {

enum ElementKind : unsigned {
  kHidden = 1,
  kBlock = 2,
  kBreak = 4,
  kCell = 8,
};

// What the walk left to undo when it leaves an element (kept in the node's _private).
constexpr std::uintptr_t kLeaveSelected = kMarkSelected;
constexpr std::uintptr_t kLeaveHidden = 4;

unsigned KindOf(const xmlChar* name) {
  static const std::unordered_map<std::string_view, unsigned> kinds = [] {
    std::unordered_map<std::string_view, unsigned> table;
    for (const char* hidden : {"script", "style", "noscript", "template", "head", "iframe"}) {
      table[hidden] = kHidden;
    }
    for (const char* block : {"address", "article", "aside", "blockquote", "body", "caption",
                              "center", "dd", "details", "dialog", "div", "dl", "dt", "fieldset",
                              "figcaption", "figure", "footer", "form", "h1", "h2", "h3", "h4",
                              "h5", "h6", "header", "hr", "html", "li", "main", "nav", "ol",
                              "option", "p", "pre", "section", "summary", "table", "tbody",
                              "tfoot", "thead", "tr", "ul", "legend", "menu"}) {
      table[block] = kBlock;
    }
    table["br"] = kBreak;
    table["td"] = kCell;
    table["th"] = kCell;
    return table;
  }();
  auto found = kinds.find(reinterpret_cast<const char*>(name));
  return found == kinds.end() ? 0 : found->second;
}

bool IsDocument(const xmlNode* node) {
  return node->type == XML_DOCUMENT_NODE || node->type == XML_HTML_DOCUMENT_NODE;
}

}  // namespace

CTextWalk::CTextWalk(INodeClassifier& classifier, bool countHidden, bool selectedOnly,
                     const LineSink& sink)
    : m_classifier(classifier), m_countHidden(countHidden), m_selectedOnly(selectedOnly),
      m_sink(sink) {}

void CTextWalk::Advance(xmlDoc* document, xmlNode* current, bool prune, bool keepSiblings) {
  if (!document) return;
  if (m_open.empty()) m_open.push_back({reinterpret_cast<xmlNode*>(document), nullptr, true});
  std::vector<xmlNode*> path;
  for (xmlNode* node = current; node && !IsDocument(node); node = node->parent) path.push_back(node);
  std::reverse(path.begin(), path.end());
  // m_open[d + 1] stands for path[d] as far as the two agree; the rest of m_open was closed.
  std::size_t common = 0;
  while (common < path.size() && common + 1 < m_open.size() && m_open[common + 1].node == path[common]) {
    ++common;
  }
  while (m_open.size() > common + 1) FinishOpen(prune, keepSiblings);
  for (std::size_t depth = common; depth < path.size(); ++depth) {
    OpenNode& parent = m_open.back();
    WalkChildren(parent, path[depth], prune, keepSiblings);
    bool descended = parent.descended && Enter(path[depth]);
    m_open.push_back({path[depth], nullptr, descended});
  }
  WalkChildren(m_open.back(), nullptr, prune, keepSiblings);
  if (!current) {
    while (m_open.size() > 1) FinishOpen(prune, keepSiblings);
  }
}

std::vector<TextLine> CTextWalk::TakeLines() {
  EndLine();
  return std::move(m_lines);
}

// The innermost open element the walk entered has been closed by the parser.
void CTextWalk::FinishOpen(bool prune, bool keepSiblings) {
  OpenNode closed = m_open.back();
  WalkChildren(closed, nullptr, prune, keepSiblings);
  if (closed.descended) Leave(closed.node);
  m_open.pop_back();
  OpenNode& parent = m_open.back();
  parent.walkedChild = closed.node;
  if (prune) Release(parent, closed.node, keepSiblings);
}

void CTextWalk::WalkChildren(OpenNode& open, xmlNode* stop, bool prune, bool keepSiblings) {
  // The child kept last time as the last one may have had siblings added after it since.
  if (prune && open.walkedChild && open.walkedChild != open.node->last) {
    Release(open, open.walkedChild, keepSiblings);
  }
  xmlNode* child = open.walkedChild ? open.walkedChild->next : open.node->children;
  while (child && child != stop) {
    xmlNode* next = child->next;
    if (open.descended) WalkSubtree(child);
    open.walkedChild = child;
    if (prune) Release(open, child, keepSiblings);
    child = next;
  }
}

void CTextWalk::WalkSubtree(xmlNode* top) {
  for (xmlNode* node = top;;) {
    if (Enter(node)) {
      if (node->children) {
        node = node->children;
        continue;
      }
      Leave(node);
    }
    while (node != top && !node->next) {
      node = node->parent;
      Leave(node);
    }
    if (node == top) return;
    node = node->next;
  }
}

// Frees a walked child. The parser adds text to, and decides about blanks by, the last
// child of the element it has open, and by the document type: those stay, the last child
// bare of its children and attributes. With `keepSiblings` a walked element stays bare as
// well, for the selectors that count earlier siblings.
void CTextWalk::Release(OpenNode& open, xmlNode* child, bool keepSiblings) {
  bool element = child->type == XML_ELEMENT_NODE;
  if (child->type == XML_DTD_NODE) return;
  if (open.node->last != child && !(keepSiblings && element)) {
    open.walkedChild = child->prev;
    xmlUnlinkNode(child);
    xmlFreeNode(child);
    return;
  }
  if (!element) return;
  xmlFreeNodeList(child->children);
  child->children = nullptr;
  child->last = nullptr;
  xmlFreePropList(child->properties);
  child->properties = nullptr;
}

// Whether the walk goes into the node's children (and later leaves it).
bool CTextWalk::Enter(xmlNode* node) {
  if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
    if (m_hiddenDepth > 0) return false;
    bool selected = (m_classifier.Classify(node) & kMarkSelected) != 0;
    if (selected) BeginSelected();
    AppendText(reinterpret_cast<const char*>(node->content));
    if (selected) EndSelected();
    return false;
  }
  if (node->type != XML_ELEMENT_NODE || !node->name) return false;
  unsigned mark = m_classifier.Classify(node);
  unsigned kind = KindOf(node->name);
  if (m_hiddenDepth > 0 || (kind & kHidden) || (mark & kMarkExcluded)) {
    if (!m_countHidden) return false;
    ++m_hiddenDepth;
    node->_private = reinterpret_cast<void*>(kLeaveHidden);
    return true;
  }
  if (kind & kBreak) {
    EndLine();
    return false;
  }
  if (kind & kBlock) EndLine();
  if ((kind & kCell) && !m_line.empty()) {
    m_line += '\t';
    m_pendingBlank = false;
  }
  if (mark & kMarkSelected) BeginSelected();
  node->_private = reinterpret_cast<void*>(static_cast<std::uintptr_t>(mark & kLeaveSelected));
  return true;
}

void CTextWalk::Leave(xmlNode* node) {
  if (node->type != XML_ELEMENT_NODE) return;
  auto state = reinterpret_cast<std::uintptr_t>(node->_private);
  if (state & kLeaveHidden) {
    --m_hiddenDepth;
    return;
  }
  if (state & kLeaveSelected) EndSelected();
  if (KindOf(node->name) & kBlock) EndLine();
}

void CTextWalk::BeginSelected() {
  if (m_selectedDepth++ == 0) EndLine();
}

void CTextWalk::EndSelected() {
  if (--m_selectedDepth == 0) EndLine();
}

void CTextWalk::AppendText(const char* text) {
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

void CTextWalk::EndLine() {
  while (!m_line.empty() && (m_line.back() == '\t' || m_line.back() == ' ')) m_line.pop_back();
  if (!m_line.empty() && (!m_selectedOnly || m_lineSelected)) {
    if (m_sink) {
      TextLine line{std::move(m_line), m_lineSelected};
      m_sink(line);
      m_line = std::move(line.text);  // its buffer serves the next line
    } else {
      // A copy that takes only the room the line needs; the buffer serves the next line.
      m_lines.push_back({std::string(m_line), m_lineSelected});
    }
  }
  m_line.clear();
  m_lineSelected = false;
  m_pendingBlank = false;
}

}  // namespace text
