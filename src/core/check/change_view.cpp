#include "core/check/change_view.h"

CChangeView::CChangeView(const std::string& pageName, const PageChange& change)
    : m_pageName(pageName), m_problem(PageChangeProblem(change)) {
  for (const std::string& line : change.summary) Add(Row::kNote, line);
  for (const DiffHunk& hunk : change.hunks) {
    Add(Row::kHunk, "@@ -" + std::to_string(hunk.oldStart) + "," + std::to_string(hunk.oldCount) +
                        " +" + std::to_string(hunk.newStart) + "," +
                        std::to_string(hunk.newCount) + " @@");
    bool inChange = false;
    for (const DiffLine& line : hunk.lines) {
      bool changed = line.kind != DiffLine::kContext;
      if (changed && !inChange) m_changeRows.push_back(static_cast<int>(m_rows.size()));
      inChange = changed;
      Add(line.kind == DiffLine::kRemoved ? Row::kRemoved
          : line.kind == DiffLine::kAdded ? Row::kAdded
                                          : Row::kContext,
          static_cast<char>(line.kind) + line.text);
    }
  }
}

void CChangeView::Add(Row::Kind kind, std::string text) { m_rows.push_back({kind, std::move(text)}); }

std::string CChangeView::Title() const { return "変更点 - " + m_pageName; }

std::string CChangeView::StatusText() const {
  if (!m_problem.empty()) return m_problem + "。";
  if (ChangeCount() == 0) return "前の版との違いはありません。";
  return "変更 " + std::to_string(m_current) + "/" + std::to_string(ChangeCount());
}

int CChangeView::GoPrevious() {
  if (!CanGoPrevious()) return -1;
  return m_changeRows[--m_current - 1];
}

int CChangeView::GoNext() {
  if (!CanGoNext()) return -1;
  return m_changeRows[++m_current - 1];
}
