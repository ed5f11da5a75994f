// The results list on the terminal: each row as one line, its three columns (time, page,
// result) separated by TABs.
#pragma once

#include <functional>

#include "core/check/check_results.h"

class CConsoleResultView : public IResultView {
 public:
  // `onRow` (may be empty) is told of each row after it is printed; UI thread.
  explicit CConsoleResultView(std::function<void(const ResultRow&)> onRow = {})
      : m_onRow(std::move(onRow)) {}
  void AddResultRow(const ResultRow& row) override;
  static std::string Line(const ResultRow& row);

 private:
  std::function<void(const ResultRow&)> m_onRow;
};
