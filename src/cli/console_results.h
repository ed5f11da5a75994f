// The results list on the terminal: each row as one line, its three columns (time, page,
// result) separated by TABs.
#pragma once

#include <functional>

#include "core/check/check_results.h"

class CConsoleResultView : public IResultView {
 public:
  // `onRow` (may be empty) is told of each row after it is printed; UI thread.
  // `print` false: rows are only told to `onRow` (a JSON document is printed instead).
  explicit CConsoleResultView(std::function<void(const ResultRow&)> onRow = {}, bool print = true)
      : m_onRow(std::move(onRow)), m_print(print) {}
  void AddResultRow(const ResultRow& row) override;
  static std::string Line(const ResultRow& row);

 private:
  std::function<void(const ResultRow&)> m_onRow;
  bool m_print = true;
};
