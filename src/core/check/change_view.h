// The rules of the change window ("変更点"): the rows it shows for a page's change (the
// summary of a keyword or anchor item, each hunk's header, its context, removed and added
// lines) and the moves between changes with "前へ" and "次へ". A change is one run of
// removed and added lines. The window only draws the rows and binds the buttons.
//
// Threads: the UI thread (or a test's).
#pragma once

#include <string>
#include <vector>

#include "core/check/page_diff.h"

class CChangeView {
 public:
  struct Row {
    enum Kind { kNote, kHunk, kContext, kRemoved, kAdded };
    Kind kind = kContext;
    std::string text;  // CP932; removed and added lines begin with "-" and "+"
  };

  static constexpr const char* kPreviousCaption = "前へ";
  static constexpr const char* kNextCaption = "次へ";

  // `pageName`: the item's name, or its address when it has none.
  CChangeView(const std::string& pageName, const PageChange& change);

  std::string Title() const;
  const std::vector<Row>& Rows() const { return m_rows; }
  // How many changes there are; the current one (0 before the first move, then 1 to Count).
  int ChangeCount() const { return static_cast<int>(m_changeRows.size()); }
  int CurrentChange() const { return m_current; }
  // Where the window stands: "変更 2/5", or why there is nothing to show.
  std::string StatusText() const;
  bool CanGoPrevious() const { return m_current > 1; }
  bool CanGoNext() const { return m_current < ChangeCount(); }
  // The moves: the row of the change now current, or -1 when there is no such change
  // (nothing moves then).
  int GoPrevious();
  int GoNext();

 private:
  void Add(Row::Kind kind, std::string text);

  std::string m_pageName;
  std::string m_problem;  // why nothing is shown; empty when the change is
  std::vector<Row> m_rows;
  std::vector<int> m_changeRows;  // the first row of each change
  int m_current = 0;
};
