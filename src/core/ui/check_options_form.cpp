#include "core/ui/check_options_form.h"

#include <cstdlib>

#include "core/check/page_text.h"
#include "core/common/path_utils.h"
#include "core/common/prompter.h"
#include "core/text/ignore_rules.h"
#include "core/watch/page_history.h"
#include "core/watch/watch_item.h"
#include "platform/file_system.h"

namespace {

void Tell(IPrompter& prompter, const char* text) {
  prompter.ShowMessage(text, IPrompter::Buttons::Ok, IPrompter::Icon::Information);
}

int ToInt(const std::string& text) { return std::atoi(text.c_str()); }

// Replaces the file at `target` by the one at `saved` in one step (the old file stays
// until the new one takes its name), unless they are the same file.
void MoveInto(const std::string& saved, const std::string& target) {
  if (saved == target) return;
  platform::RenameFile(saved, target);
}

}  // namespace

CCheckOptionsForm::CCheckOptionsForm(IPrompter& prompter,
                                     const platform::CCodePageConverter* converter)
    : m_prompter(prompter), m_converter(converter), m_source(prompter) {}

void CCheckOptionsForm::Load(WatchItem& item) {
  if (!item.m_anchorKeyword.empty()) item.m_compareAll = 0;
  m_savedCount = item.m_simpleKeywordCount;
  if (item.m_textCompare == 1) {
    m_mode = kTextCompare;
  } else if (!item.m_anchorKeyword.empty()) {
    m_mode = kAnchorKeyword;
  } else if (!item.m_simpleKeyword.empty()) {
    // A full-text flag beside a simple keyword: the keyword decides at check time.
    m_mode = kSimpleKeyword;
  } else {
    m_mode = item.m_compareAll != 0 ? kFullText : kDateRule;
  }
}

void CCheckOptionsForm::FillFields(const WatchItem& item) {
  m_fields.anchor = item.m_anchorKeyword;
  m_fields.nth = std::to_string(item.m_anchorNth);
  m_fields.offset = std::to_string(item.m_compareOffset);
  m_fields.size = std::to_string(item.m_compareSize);
  m_fields.code = item.m_japaneseCode;
  m_fields.simpleKeyword = item.m_simpleKeyword;
  m_fields.increase = (item.m_simpleKeywordOptions & 1) != 0;
  m_fields.decrease = (item.m_simpleKeywordOptions & 2) != 0;
  m_fields.caseSensitive = item.m_simpleKeywordCase != 0;
  m_fields.selector = item.m_selectCss.empty() ? item.m_selectXPath : item.m_selectCss;
  m_fields.exclude = item.m_excludeCss;
  m_fields.ignoreLines = item.m_ignoreLines;
  m_fields.addedOnly = item.m_addedOnly != 0;
  m_ignoreCase = item.m_ignoreCase != 0;
}

void CCheckOptionsForm::ToggleMode(Mode mode) { m_mode = m_mode == mode ? kDateRule : mode; }

CCheckOptionsForm::Enabling CCheckOptionsForm::Enabled() const {
  return Enabling{m_mode == kSimpleKeyword, m_mode == kAnchorKeyword, m_mode == kTextCompare};
}

void CCheckOptionsForm::ResetCounter() {
  m_savedCount = -1;
  Tell(m_prompter, kCounterResetMessage);
}

void CCheckOptionsForm::ChooseCode(JapaneseCode code, WatchItem& item) {
  m_fields.code = code;
  item.m_japaneseCode = code;
}

std::string CCheckOptionsForm::TextProblem() const {
  if (m_mode != kTextCompare) return "";
  text::TextSettings settings = TextSettingsOfFields();
  std::string problem = !settings.selectXPath.empty() ? text::XPathFault(settings.selectXPath)
                        : !settings.selectCss.empty() ? text::CssFault(settings.selectCss)
                                                      : "";
  if (problem.empty() && !settings.excludeCss.empty()) {
    problem = text::CssFault(settings.excludeCss);
    if (!problem.empty()) problem = "除外: " + problem;
  }
  if (problem.empty()) problem = text::IgnoreRulesFault(settings.ignoreLines, settings.ignoreCase);
  return problem;
}

text::TextSettings CCheckOptionsForm::TextSettingsOfFields() const {
  text::TextSettings settings;
  std::size_t first = m_fields.selector.find_first_not_of(" \t");
  bool xpath = first != std::string::npos &&
               (m_fields.selector[first] == '/' || m_fields.selector[first] == '(');
  (xpath ? settings.selectXPath : settings.selectCss) = m_fields.selector;
  settings.excludeCss = m_fields.exclude;
  settings.ignoreLines = m_fields.ignoreLines;
  settings.ignoreCase = m_ignoreCase;
  return settings;
}

std::optional<CCheckOptionsForm::TextView> CCheckOptionsForm::TextOfSource() const {
  if (!m_sourceText) return std::nullopt;
  text::ShownText shown = text::TextToShow(*m_sourceText, TextSettingsOfFields());
  TextView view;
  for (const text::ShownLine& line : shown.lines) {
    int start = static_cast<int>(view.text.size());
    view.text += line.text;
    if (line.selected && !line.ignored) view.selected.push_back({start, static_cast<int>(view.text.size())});
    view.text += "\n";
  }
  if (!shown.error.empty()) {
    view.summary = shown.error;
  } else if (shown.matched == 0) {
    view.summary = kNothingSelectedSummary;
  } else if (shown.matched > 0) {
    view.summary = "一致した要素: " + std::to_string(shown.matched) + " 個, " +
                   std::to_string(view.selected.size()) + " 行";
  } else {
    view.summary = "選択なし: " + std::to_string(shown.lines.size()) + " 行";
  }
  return view;
}

void CCheckOptionsForm::Store(WatchItem& item) {
  item.m_compareAll = m_mode == kFullText ? 1 : 0;
  item.m_textCompare = m_mode == kTextCompare ? 1 : 0;
  if (m_mode == kTextCompare) {
    text::TextSettings settings = TextSettingsOfFields();
    item.m_selectCss = settings.selectCss;
    item.m_selectXPath = settings.selectXPath;
    item.m_excludeCss = settings.excludeCss;
    item.m_ignoreLines = settings.ignoreLines;
    item.m_addedOnly = m_fields.addedOnly ? 1 : 0;
  }
  if (m_mode != kSimpleKeyword) item.m_simpleKeyword.clear();
  if (m_mode != kAnchorKeyword) item.m_anchorKeyword.clear();
  if (m_mode == kSimpleKeyword) {
    if (m_fields.simpleKeyword != item.m_simpleKeyword) m_savedCount = -1;
    item.m_simpleKeyword = m_fields.simpleKeyword;
    item.m_simpleKeywordOptions = (m_fields.increase ? 1 : 0) + (m_fields.decrease ? 2 : 0);
    item.m_simpleKeywordCase = m_fields.caseSensitive ? 1 : 0;
    if (m_savedCount == -1) item.m_simpleKeywordCount = -1;
  }
  if (m_mode == kAnchorKeyword) {
    item.m_anchorKeyword = m_fields.anchor;
    item.m_anchorNth = ToInt(m_fields.nth);
    item.m_compareOffset = ToInt(m_fields.offset);
    item.m_compareSize = ToInt(m_fields.size);
  }
}

std::optional<FetchJob> CCheckOptionsForm::PrepareFetch(WatchItem& item) {
  if (item.m_url.empty()) {
    Tell(m_prompter, kNoUrlMessage);
    return std::nullopt;
  }
  if (item.m_url != m_sourceUrl || item.m_japaneseCode != m_sourceCode) m_sourceText.reset();

  std::string target;
  if (item.m_download != DownloadMode::PrivateCopy) {
    target = item.m_savePath;
  } else {
    std::string folder = UpToLast(item.m_hiddenPath, '/');
    if (!item.m_hiddenPath.empty() && CheckFolder(folder) == 0) {
      target = item.m_hiddenPath;
    } else {
      item.m_hiddenPath = UniqueFileName(ProgramFolder() + "/comp/temp.tmp");
      target = item.m_hiddenPath;
    }
  }
  if (target.empty()) {
    Tell(m_prompter, kNoDownloadFileMessage);
    return std::nullopt;
  }
  m_fetchTarget = target;
  FetchJob job;
  static_cast<FetchRequest&>(job) = item;
  // An item shown in the browser first is seen in the view as the browser built it.
  job.m_browser = item.m_browser;
  job.m_waitFor = item.m_waitFor;
  job.m_savePath = target;
  job.m_allowRelocation = 1;
  return job;
}

bool CCheckOptionsForm::TakeFetched(WatchItem& item, const FetchJob& job) {
  if (job.m_outcome != FetchOutcome::Fetched) {
    // A page broken off beside the base (a new name) is no base: it goes.
    if (job.m_savePath != m_fetchTarget) platform::RemoveFile(job.m_savePath);
    Tell(m_prompter, kCannotDownloadMessage);
    return false;
  }
  std::string saved = job.m_savedPath;
  // Credentials typed into the retriever's dialog serve the checks too.
  item.m_user = job.m_user;
  item.m_password = job.m_password;
  std::string loadFrom = saved;
  switch (item.m_download) {
    case DownloadMode::PrivateCopy:
      MoveInto(saved, item.m_hiddenPath);
      loadFrom = item.m_hiddenPath;
      break;
    case DownloadMode::Overwrite:
      MoveInto(saved, item.m_savePath);
      loadFrom = item.m_savePath;
      break;
    default:
      item.m_savePath = saved;
      break;
  }
  m_sourceUrl = item.m_url;
  m_sourceCode = item.m_japaneseCode;
  m_sourceText = LoadPageText(m_converter, loadFrom, item.m_japaneseCode, item.m_pageCharset);
  if (!m_sourceText) {
    Tell(m_prompter, kCannotConvertMessage);
    return false;
  }
  m_source.SetText(*m_sourceText);
  // The page fetched here is the new comparison base: a text kept for the one it replaced
  // would no longer belong to it (the next check takes the text from the page instead).
  platform::RemoveFile(TextCopyPath(loadFrom));
  return true;
}

int CCheckOptionsForm::Nth() const {
  int nth = ToInt(m_fields.nth);
  return nth < 2 ? 1 : nth;
}

std::optional<CCheckOptionsForm::AnchorHighlight> CCheckOptionsForm::HighlightAnchor() {
  if (m_fields.anchor.empty()) return std::nullopt;
  int nth = Nth();
  int found = m_source.FindAnchor(m_fields.anchor, nth);
  if (found == 0) return std::nullopt;
  AnchorHighlight highlight{m_source.AnchorSelection(), false};
  if (found < nth) {
    m_fields.nth = std::to_string(found);
    highlight.nthRewritten = true;
  }
  return highlight;
}

std::optional<TextRange> CCheckOptionsForm::HighlightArea() {
  if (!m_source.FindArea(ToInt(m_fields.offset), ToInt(m_fields.size), m_fields.anchor, Nth())) {
    return std::nullopt;
  }
  return m_source.AreaSelection();
}

bool CCheckOptionsForm::AnchorFromSelection(TextRange selection) {
  if (selection.Empty()) {
    Tell(m_prompter, kSelectInSourceMessage);
    return false;
  }
  const std::string& display = m_source.Display();
  m_fields.nth = std::to_string(m_source.OccurrenceIndex(selection));
  m_fields.anchor = display.substr(selection.start, selection.end - selection.start);
  return true;
}

bool CCheckOptionsForm::AreaFromSelection(TextRange selection) {
  if (m_fields.anchor.empty()) {
    Tell(m_prompter, kAnchorFirstMessage);
    return false;
  }
  if (selection.Empty()) {
    Tell(m_prompter, kSelectInSourceMessage);
    return false;
  }
  std::optional<CheckArea> area = m_source.AreaFromSelection(m_fields.anchor, ToInt(m_fields.nth), selection);
  if (!area) return false;
  m_fields.offset = std::to_string(area->offset);
  m_fields.size = std::to_string(area->size);
  return true;
}
