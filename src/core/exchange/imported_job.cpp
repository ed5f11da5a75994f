#include "core/exchange/imported_job.h"

#include <set>

void SkipDuplicates(std::vector<ImportedJob>& jobs, const std::vector<std::string>& listUrls,
                    bool allowDuplicates) {
  if (allowDuplicates) return;
  std::set<std::string> seen(listUrls.begin(), listUrls.end());
  for (ImportedJob& job : jobs) {
    if (job.outcome != ImportedJob::Outcome::Ready) continue;
    if (!seen.insert(job.item.m_url).second) {
      job.outcome = ImportedJob::Outcome::Skipped;
      job.reason = "同じ URL のアイテムがあります (--duplicates で追加します)";
    }
  }
}

std::string ImportReportLine(const ImportedJob& job, int number) {
  std::string line;
  switch (job.outcome) {
    case ImportedJob::Outcome::Ready:
      line = (number > 0 ? "追加 " + std::to_string(number) : std::string("追加予定")) + ": " + job.label;
      break;
    case ImportedJob::Outcome::Skipped:
      line = "スキップ: " + job.label + ": " + job.reason;
      break;
    case ImportedJob::Outcome::Refused:
      line = "拒否: " + job.label + ": " + job.reason;
      break;
  }
  for (const std::string& note : job.notes) line += " [" + note + "]";
  return line;
}

bool AnyRefused(const std::vector<ImportedJob>& jobs) {
  for (const ImportedJob& job : jobs) {
    if (job.outcome == ImportedJob::Outcome::Refused) return true;
  }
  return false;
}
