// "チェックオプション": how the item is compared (full text, a simple keyword count, the
// area after the N-th anchor keyword, the text a reader sees of the part a CSS or XPath
// selector picks, or none of them: the page's date) and the Japanese
// code of its page. "現在のソースコードを表示する" fetches the page on a worker and shows its
// source, in which the anchor and the area are picked with the mouse; the anchor shows in
// red bold and the area in blue bold. While a fetch runs the page says so and "中止"
// breaks it off; every change of the anchor keyword, occurrence or code fetches anew, the
// newest fetch superseding one still running.
#pragma once

#include <memory>

#include "core/ui/check_options_form.h"
#include "core/ui/num_field.h"
#include "gui/ui/sheet/sheet_page.h"

class CNumEdit;
class CSourceFetcher;
class CSourceViewPositions;
class wxButton;
class wxCheckBox;
class wxChoice;
class wxStaticText;
class wxTextCtrl;
class wxToggleButton;

class CCKOption : public CSheetPage {
 public:
  CCKOption(wxWindow* book, const SheetServices& services);
  ~CCKOption() override;

  void OnOK(WatchItem& item) override;

  CCheckOptionsForm& Form() { return m_form; }
  wxToggleButton* ModeButton(CCheckOptionsForm::Mode mode) const;
  wxTextCtrl* SimpleKeywordField() const { return m_simpleKeyword; }
  wxTextCtrl* AnchorField() const { return m_anchor; }
  wxTextCtrl* NthField() const { return m_nth; }
  CNumEdit* OffsetEdit() const { return m_offset; }
  CNumEdit* SizeEdit() const { return m_size; }
  wxChoice* CodeChoice() const { return m_code; }
  wxTextCtrl* SourceView() const { return m_view; }
  wxButton* ShowSourceButton() const { return m_showSource; }
  wxButton* AnchorFromSourceButton() const { return m_anchorFromSource; }
  wxButton* AreaFromSourceButton() const { return m_areaFromSource; }
  wxTextCtrl* SelectorField() const { return m_selector; }
  wxTextCtrl* ExcludeField() const { return m_exclude; }
  wxTextCtrl* IgnoreField() const { return m_ignore; }
  wxCheckBox* AddedOnlyBox() const { return m_addedOnly; }
  wxButton* TestButton() const { return m_test; }
  wxStaticText* TestResult() const { return m_testResult; }
  bool Fetching() const;

  // The view's selection in display byte positions.
  TextRange ViewSelection() const;
  // Selects display positions in the view as the mouse does.
  void SelectInView(TextRange range);

  // The buttons and notifications.
  void ToggleMode(CCheckOptionsForm::Mode mode);
  void ShowSource();
  void AnchorFromSource();
  void AreaFromSource();
  void CodeChosen();
  // "テスト": the page's text as the check would compare it, the selected part
  // highlighted, and how many elements the selector matches (the page is fetched first
  // when none is shown yet).
  void TestSelection();
  bool CanAccept() override;

 private:
  void OnLoad(WatchItem& item) override;
  void OnFirstActivation(WatchItem& item) override;
  void ApplyModes();
  void ReadFields();
  void SourceFetched(const FetchJob& job);
  void ShowBusy(bool busy);
  void Highlight(TextRange range, bool anchor);
  void RemoveHighlight(TextRange range);
  void HighlightAnchorAndArea();
  // The fetched page in the view: its source, or in text mode its text.
  void ShowFetchedPage();
  void HighlightArea(bool scroll);
  void ScrollToLineOf(TextRange range);
  // Typed into the anchor keyword or the occurrence field: the page is fetched anew.
  void AnchorOrNthChanged();
  void AreaFieldChanged();

  CCheckOptionsForm m_form;
  std::unique_ptr<CSourceFetcher> m_fetcher;
  std::unique_ptr<CSourceViewPositions> m_positions;
  CNumField m_offsetField;
  CNumField m_sizeField;
  TextRange m_anchorShown;  // the highlights in the view, display positions
  TextRange m_areaShown;
  wxToggleButton* m_fullText = nullptr;
  wxToggleButton* m_simpleMode = nullptr;
  wxToggleButton* m_anchorMode = nullptr;
  wxToggleButton* m_textMode = nullptr;
  wxTextCtrl* m_selector = nullptr;
  wxTextCtrl* m_exclude = nullptr;
  wxTextCtrl* m_ignore = nullptr;
  wxCheckBox* m_addedOnly = nullptr;
  wxButton* m_test = nullptr;
  wxStaticText* m_testResult = nullptr;
  wxTextCtrl* m_simpleKeyword = nullptr;
  wxCheckBox* m_increase = nullptr;
  wxCheckBox* m_decrease = nullptr;
  wxButton* m_reset = nullptr;
  wxCheckBox* m_caseSensitive = nullptr;
  wxTextCtrl* m_anchor = nullptr;
  wxTextCtrl* m_nth = nullptr;
  CNumEdit* m_offset = nullptr;
  CNumEdit* m_size = nullptr;
  wxButton* m_anchorFromSource = nullptr;
  wxButton* m_areaFromSource = nullptr;
  wxButton* m_showSource = nullptr;
  wxChoice* m_code = nullptr;
  wxStaticText* m_busyText = nullptr;
  wxButton* m_stop = nullptr;
  wxTextCtrl* m_view = nullptr;
};
