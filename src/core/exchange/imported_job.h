// What an import makes of one job of the file it reads: an item ready to be added, or a
// job skipped or refused with the reason, and what of the job was left out on the way.
// The report shows one line per job; the command line prints it and the desktop's
// preview lists it. Plain values and functions; any thread.
#pragma once

#include <string>
#include <vector>

#include "core/watch/watch_item.h"

struct ImportedJob {
  enum class Outcome { Ready, Skipped, Refused };
  Outcome outcome = Outcome::Ready;
  std::string label;   // the job as the report names it: its name, or its URL, or "ジョブ N"
  WatchItem item;      // Ready: the item to add
  std::string reason;  // Skipped, Refused: why
  std::vector<std::string> notes;  // parts of the job left out, each with the reason
};

// The file as read: `parsed` false when it could not be parsed at all (`error` says why;
// nothing is imported then).
struct ImportReading {
  bool parsed = true;
  std::string error;
  std::vector<ImportedJob> jobs;
};

// Marks the ready jobs whose URL the list already has (`listUrls`), or an earlier job of
// the same file has, as skipped; none when duplicates are allowed.
void SkipDuplicates(std::vector<ImportedJob>& jobs, const std::vector<std::string>& listUrls,
                    bool allowDuplicates);

// The report line of a job: "追加 12: 名前", "スキップ: 名前: 理由" or "拒否: 名前: 理由",
// with the notes after it. `number` is the added item's number (1 from the top), 0 for
// a job not added (a dry run: "追加予定").
std::string ImportReportLine(const ImportedJob& job, int number);
// Whether any job was refused: the import's exit status is then 1.
bool AnyRefused(const std::vector<ImportedJob>& jobs);
