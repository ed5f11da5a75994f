#include "cli/console_results.h"

#include "cli/console.h"

std::string CConsoleResultView::Line(const ResultRow& row) {
  return row.m_time + "\t" + row.m_page + "\t" + row.m_text;
}

void CConsoleResultView::AddResultRow(const ResultRow& row) {
  if (m_print) PrintLine(Line(row));
  if (m_onRow) m_onRow(row);
}
