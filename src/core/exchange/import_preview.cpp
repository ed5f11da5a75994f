#include "core/exchange/import_preview.h"

CImportPreview::CImportPreview(std::vector<ImportedJob> jobs) : m_jobs(std::move(jobs)) {
  for (const ImportedJob& job : m_jobs) {
    bool ready = job.outcome == ImportedJob::Outcome::Ready;
    m_rows.push_back({ImportReportLine(job, 0), ready, ready});
  }
}

bool CImportPreview::SetTicked(std::size_t row, bool ticked) {
  if (row >= m_rows.size()) return false;
  if (m_rows[row].tickable) m_rows[row].ticked = ticked;
  return m_rows[row].ticked;
}

std::vector<WatchItem> CImportPreview::ChosenItems() const {
  std::vector<WatchItem> items;
  for (std::size_t row = 0; row < m_rows.size(); ++row) {
    if (m_rows[row].ticked) items.push_back(m_jobs[row].item);
  }
  return items;
}
