// The desktop's import preview: one row a job with its report line and a tick. Only a job
// that can be added can be ticked, and each starts ticked; the ticked ones are added.
// Display-free, so that the dialog only draws it. Threads: the UI thread.
#pragma once

#include <string>
#include <vector>

#include "core/exchange/imported_job.h"

class CImportPreview {
 public:
  explicit CImportPreview(std::vector<ImportedJob> jobs);

  struct Row {
    std::string text;   // the job's report line (CP932)
    bool tickable = false;
    bool ticked = false;
  };
  const std::vector<Row>& Rows() const { return m_rows; }
  // The user ticks or unticks a row; a row that cannot be ticked stays as it is. The
  // row's state afterwards.
  bool SetTicked(std::size_t row, bool ticked);
  // The items of the ticked rows, in file order.
  std::vector<WatchItem> ChosenItems() const;

 private:
  std::vector<ImportedJob> m_jobs;
  std::vector<Row> m_rows;
};
