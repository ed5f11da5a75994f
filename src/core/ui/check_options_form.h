// The check options page's rules: the three comparison modes (none on means the page's
// date decides), which fields they enable, the simple keyword counter's reset, the
// Japanese code written into the working item at once, and what OK stores. It also keeps
// the page's source view model: how a fetch of the page for the view is set up and what
// its result does to the item (the fetched page becomes the comparison base), the anchor
// and area highlights, and the anchor keyword, occurrence, offset and size taken from a
// selection in the view. Positions are display byte positions of CSourceText; the window
// maps them to its own.
//
// Threads: UI thread only. The prompter and the converter outlive the form.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/check/source_text.h"
#include "core/fetch/fetch_job.h"
#include "core/text/selection.h"
#include "core/watch/item_codes.h"

struct WatchItem;
namespace platform {
class CCodePageConverter;
}

inline constexpr const char* kCounterResetMessage = "単純キーワードのカウンターをリセットしました。";
inline constexpr const char* kNoUrlMessage = "ＵＲＬが指定されていません";
inline constexpr const char* kNoDownloadFileMessage = "ダウンロードするファイルが指定されていません";
inline constexpr const char* kCannotDownloadMessage = "現在のデータをダウンロードできません";
inline constexpr const char* kCannotConvertMessage = "ダウンロードしたデータを変換できません";
inline constexpr const char* kSelectInSourceMessage = "ソース中の文字列を選択してください。";
inline constexpr const char* kAnchorFirstMessage = "先にアンカーキーワードを決めて下さい。";
inline constexpr const char* kNothingSelectedSummary = "一致した要素がありません";

class CCheckOptionsForm {
 public:
  enum Mode : int { kDateRule = 0, kFullText, kSimpleKeyword, kAnchorKeyword, kTextCompare };

  // The page's fields as typed; the numbers as their texts.
  struct Fields {
    std::string simpleKeyword;
    bool increase = false;
    bool decrease = false;
    bool caseSensitive = false;
    std::string anchor;
    std::string nth;
    std::string offset;
    std::string size;
    JapaneseCode code = JapaneseCode::Auto;
    // The text comparison. The selector is XPath when it begins with '/' or '(' (as every
    // XPath that selects elements of a page does), else CSS.
    std::string selector;
    std::string exclude;
    std::string ignoreLines;  // one rule a line ("\n" between them)
    bool addedOnly = false;
  };
  struct Enabling {
    bool simpleKeyword = false;  // its field, "増加", "減少", the case box and "リセット"
    bool anchorKeyword = false;  // its field, the occurrence, offset and size fields
    bool text = false;           // the selector, exclusion, ignore rules, "追加された行だけ", "テスト"
  };
  // The source view in text mode: the text the check would compare with the selected
  // part's lines to highlight (display byte positions), and the "テスト" summary.
  struct TextView {
    std::string text;
    std::vector<TextRange> selected;
    std::string summary;  // "一致した要素: 3 個", or why the selection cannot run
  };

  CCheckOptionsForm(IPrompter& prompter, const platform::CCodePageConverter* converter);

  // A new run on `item`: the modes from its fields (an anchor keyword clears ChkD).
  void Load(WatchItem& item);
  // The first activation of a run: the fields from the item.
  void FillFields(const WatchItem& item);
  Fields& Values() { return m_fields; }
  const Fields& Values() const { return m_fields; }

  Mode CurrentMode() const { return m_mode; }
  // A click on a mode button: one that is on goes off, one that is off goes on alone.
  void ToggleMode(Mode mode);
  Enabling Enabled() const;
  // "リセット": the stored count goes at OK.
  void ResetCounter();
  int SavedCount() const { return m_savedCount; }
  // A new choice in the Japanese code list: into the item at once.
  void ChooseCode(JapaneseCode code, WatchItem& item);
  // Why the text comparison's fields cannot be stored (CP932, to tell the user); empty
  // when they can or text mode is off.
  std::string TextProblem() const;
  // OK: the modes and fields into the item.
  void Store(WatchItem& item);

  // Showing the source. The fetch for the view, as a job for the retriever, or nothing
  // after telling the user why not (no URL, no file to fetch into). May set the item's
  // private copy path.
  std::optional<FetchJob> PrepareFetch(WatchItem& item);
  // The retriever's result for the job PrepareFetch gave: the saved page becomes the
  // item's comparison base and the view's text. false after telling the user why not.
  bool TakeFetched(WatchItem& item, const FetchJob& job);
  // A page text is in the view.
  bool HasSource() const { return m_sourceText.has_value(); }
  const CSourceText& Source() const { return m_source; }
  // The page in the view as the text comparison sees it with the fields as typed; nothing
  // before a page was fetched.
  std::optional<TextView> TextOfSource() const;

  // The anchor highlight for the fields' keyword and occurrence: nothing when the keyword
  // is empty or not found. With fewer occurrences than asked for, the last one is used and
  // the occurrence field becomes the number found (`nthRewritten`).
  struct AnchorHighlight {
    TextRange range;
    bool nthRewritten = false;
  };
  std::optional<AnchorHighlight> HighlightAnchor();
  // The stored area of the fields, to highlight; nothing when it is empty.
  std::optional<TextRange> HighlightArea();

  // "ソース中から選択" for the anchor: the selected text becomes the anchor keyword and its
  // occurrence number the occurrence field. false after the message for an empty one.
  bool AnchorFromSelection(TextRange selection);
  // "ソース中から選択" for the area: the offset and size fields from the selection. false
  // after the message for a missing anchor or an empty selection.
  bool AreaFromSelection(TextRange selection);

 private:
  int Nth() const;
  text::TextSettings TextSettingsOfFields() const;

  IPrompter& m_prompter;
  const platform::CCodePageConverter* m_converter;
  Fields m_fields;
  Mode m_mode = kDateRule;
  int m_savedCount = -1;
  bool m_ignoreCase = false;  // kept as the item has it: the page has no box for it
  std::optional<std::string> m_sourceText;
  std::string m_sourceUrl;
  JapaneseCode m_sourceCode = JapaneseCode::Auto;
  std::string m_fetchTarget;  // the file PrepareFetch chose
  CSourceText m_source;
};
