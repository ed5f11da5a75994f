// One watched page: how to fetch it (the fetch request it begins with), how to decide that
// it changed, when to check it, what to do on an update, and the state left by the last
// check. A plain value passed around by copy; stored in the watch list file as a text block
// between "\t//{{TOP-W\n" and "\tEND-W}}//\n" that holds the fetch request's own block.
//
// The item derives from its fetch request, so the fetch fields are the item's own
// (item.m_url). SetDefaults, ParseLine, Read and Write below hide the fetch request's; a
// WatchItem used as a FetchRequest (TransferFile, the display hand-off) reads and writes
// the fetch request block alone.
//
// Nothing here is shared between threads: each thread works on its own copy.
#pragma once

#include <cstdio>
#include <ctime>
#include <optional>
#include <string>

#include "core/fetch/fetch_request.h"
#include "core/watch/item_codes.h"

struct WatchItem : FetchRequest {
  // Stored fields, in the order of their lines in the file (key in the comment).
  std::string m_checkKind = "daily";  // Chec: "daily", "weekly", "monthly" or "once"
  std::string m_timing = "open";      // Timi: "open", "inter" or "define"
  int m_date = 0;          // Date: weekday bits (Sunday 1 ... Saturday 64), day of the month,
                           //       or the day's local midnight for "once"
  int m_time = 0;          // Time: interval ("inter") or seconds after midnight ("define")
  DownloadMode m_download = DownloadMode::PrivateCopy;  // Down
  int m_showPage = 0;      // Show: 1 = open the page in the browser on an update
  int m_lastCheck = 0;     // Last: start time of the last check
  CheckResult m_result = CheckResult::NeverChecked;    // Resu
  std::string m_hiddenPath;         // Hidd: private copy of the page (comparison base)
  std::string m_exec;               // Exec: file or URL to run on an update
  int m_soundUse = 1;               // SUse: 0 none, 1 "notify.wav", 2 m_soundFile
  std::string m_soundFile = "notify.wav";  // SFil
  int m_popUp = 1;                  // PopU: 1 = bring the main window up on an update
  std::string m_anchorKeyword;      // Keyw: non-empty selects the anchor-keyword comparison
  int m_anchorNth = 1;              // KeyP: which occurrence of the anchor keyword
  JapaneseCode m_japaneseCode = JapaneseCode::Auto;  // Jpco
  int m_compareOffset = 0;          // CmpO: offset of the check area from the anchor
  int m_compareSize = 20;           // CmpS: size of the check area
  std::string m_compareData;        // CmpD: check area text at the last update (form-escaped on disk)
  int m_useMail = 0;                // UseM: 1 = send a notification mail on an update
  std::string m_mailTo;             // ToAd
  std::string m_mailSubject;        // Subj
  std::string m_mailBody;           // Honb
  int m_lastUpdate = 0;             // LstM: time of the last detected update
  int m_active = 0;                 // Actv: 1 = takes part in scheduled checks
  UpdateMark m_renewMark = UpdateMark::Unknown;      // RnwM
  int m_compareAll = 0;             // ChkD: 1 = full-text comparison
  std::string m_simpleKeyword;      // SKyW: non-empty selects the keyword-count comparison
  int m_simpleKeywordOptions = 0;   // SKOp: bit 0 an increase, bit 1 a decrease is an update
  int m_simpleKeywordCase = 0;      // SKSc: 1 = the count is case-sensitive
  int m_simpleKeywordCount = -1;    // SKyC: count found by the last check; -1 not counted
  std::string m_historyName;        // Hist: folder of the kept previous versions in "comp"
                                    //       (page_history.h); written only when set
  // What the server said of the page last fetched, each written only when set, so that a
  // list without them reads and writes as before (conditional_request.h):
  std::string m_etag;                // ETag: its ETag, as written
  std::string m_lastModifiedHeader;  // LMod: its Last-Modified, as written
  std::string m_validatorsFor;       // CndR: the request the two belong to (a fingerprint)
  std::string m_pageCharset;         // Cset: the charset of its Content-Type
  int m_errorCount = 0;             // ErrC: checks failed in a row; written only when set
  // The text comparison (core/text), each written only when set:
  int m_textCompare = 0;            // TxtC: 1 = compare the text a reader sees, line by line
  std::string m_selectCss;          // TCss: CSS selector of the part compared
  std::string m_selectXPath;        // TXPa: XPath 1.0 expression of the part compared
  std::string m_excludeCss;         // TExc: CSS selector of elements left out
  std::string m_ignoreLines;        // TIgn: regexes, one per line, of lines left out
                                    //       (form-escaped on disk)
  int m_ignoreCase = 0;             // TIgC: 1 = the ignore rules ignore case
  int m_addedOnly = 0;              // TAdd: 1 = updated only when lines were added
  int m_browser = 0;                // Brws: 1 = fetched through the headless browser (its
                                    //       rendered document is the page); only when set
  std::string m_waitFor;            // WaiF: CSS selector the browser waits for; only when set

  // Run-time fields, never written to the file.
  int m_nextCheck = 0;     // a time; 0 = as soon as possible; -1 not scheduled; -2 to reschedule
  unsigned m_id = 0;       // identity in the watch list for this run, kept across replace;
                           // 0 = not in a list (the result rows refer to items by it)
  int m_errorStatus = 0;   // result code of the last failed check (2: m_errorText holds it)
  std::string m_errorText;
  // RtyA: the server asked not to be called before this time; 0: no wish. Written only
  // when set, so that the wish outlives the program.
  int m_retryAt = 0;
  // NtfS: 1 = send a message to the notification addresses on an update ("通知先に送る").
  int m_notify = 0;
  // NtfA: the item's own notification addresses, one a line (form-escaped on disk); empty:
  // the program's. Both written only when set.
  std::string m_notifyUrls;
  std::string m_tags;  // Tags: space-separated tag words (item_tags.h); written only when set

  // Every field, the fetch request's and the run-time ones included, back to its default.
  void SetDefaults();

  // Parses one "Key: value" line into the record. Gives the key's position in the key
  // string (0 for Chec, 6 for Timi, ... 180 for SKyC), or -1 for an empty or short line or
  // an unknown key, which change nothing. A fetch request key is unknown here.
  int ParseLine(const char* line);
  // Resets the record, then reads the next item block from a text-mode file. Long lines are
  // read whole. A block without an Actv line is active. false when the file ends before a
  // complete block. `strayText`, when given, is set when text that belongs to no complete
  // block was passed over (anything but blank lines before the block, or a block cut off
  // by the end of the file): the file then holds more than the blocks read.
  bool Read(FILE* file, bool* strayText = nullptr);
  // Writes the item as one block: 0 on success, 1 when a write failed (the block is then
  // incomplete).
  int Write(FILE* file) const;

  // Scheduling, on local calendar days and the clock of platform::Now().
  // The start-up rule: sets m_nextCheck (and raises a too short interval to 60 seconds).
  void ScheduleAtStart();
  // The rescheduling rule; changes nothing while m_nextCheck is 0 or more.
  void Reschedule();
  // The schedule as the watch list shows it, e.g. "毎週[月水金]09時00分00秒".
  std::string ScheduleText() const;

  // The first scheduled day's midnight on or after the midnight `reference`; -1 when no
  // day is ever scheduled; nothing for an unknown schedule kind.
  std::optional<std::time_t> FirstScheduledDay(std::time_t reference) const;
  // Whether the local day of `time` is a scheduled day.
  bool IsScheduledDay(std::time_t time) const;
};
