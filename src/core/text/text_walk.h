// The walk that turns libxml2's HTML tree into reader lines (the rules in reader_text.h),
// in document order and in steps: while the parser still builds the tree, every part the
// parser is done with is walked and then let go, so that a large page is never held as a
// whole tree. Only the elements the parser has open, the last child of each (the parser
// looks at it to decide about blanks) and, where a selector counts earlier siblings, one
// bare element for each earlier sibling stay.
//
// Whether a node is selected or excluded is asked of a classifier as the walk reaches it,
// once per node: either marks set beforehand from XPath node sets, or a test of the node
// against its ancestors and earlier siblings while the tree grows.
//
// Internal to core/text; one walk per parse, on the parsing thread.
#pragma once

#include <libxml/tree.h>

#include <string>
#include <vector>

#include "core/text/reader_text.h"

namespace text {

// Flags a classifier gives for a node.
enum NodeMark : unsigned {
  kMarkSelected = 1,
  kMarkExcluded = 2,
};

class INodeClassifier {
 public:
  virtual ~INodeClassifier() = default;
  // kMarkSelected and/or kMarkExcluded for `node` (an element or a text node).
  virtual unsigned Classify(xmlNode* node) = 0;
};

class CTextWalk {
 public:
  // `countHidden`: the walk still goes through hidden and excluded elements, giving each
  // node to the classifier (which counts the matches) without taking text from them.
  // `selectedOnly`: lines that hold no selected text are not kept. With a `sink` every
  // line goes there as it ends.
  CTextWalk(INodeClassifier& classifier, bool countHidden, bool selectedOnly,
            const LineSink& sink = {});

  // Walks everything of `document` that lies before `current` (the element the parser has
  // open, null when the parse is over) and that the walk has not reached yet; with `prune`
  // the walked parts are freed, keeping what the parser still looks at, and with
  // `keepSiblings` a bare element for each walked element.
  void Advance(xmlDoc* document, xmlNode* current, bool prune, bool keepSiblings);

  std::vector<TextLine> TakeLines();

 private:
  struct OpenNode {
    xmlNode* node = nullptr;
    xmlNode* walkedChild = nullptr;  // its last child walked and still in the tree
    bool descended = true;            // its children are walked
  };

  void FinishOpen(bool prune, bool keepSiblings);
  void WalkChildren(OpenNode& open, xmlNode* stop, bool prune, bool keepSiblings);
  void WalkSubtree(xmlNode* top);
  void Release(OpenNode& open, xmlNode* child, bool keepSiblings);

  bool Enter(xmlNode* node);
  void Leave(xmlNode* node);
  void BeginSelected();
  void EndSelected();
  void AppendText(const char* text);
  void EndLine();

  INodeClassifier& m_classifier;
  bool m_countHidden;
  bool m_selectedOnly;
  const LineSink& m_sink;
  std::vector<OpenNode> m_open;  // the document, then the open elements the walk entered
  std::vector<TextLine> m_lines;
  std::string m_line;
  bool m_lineSelected = false;
  bool m_pendingBlank = false;
  int m_selectedDepth = 0;
  int m_hiddenDepth = 0;
};

}  // namespace text
