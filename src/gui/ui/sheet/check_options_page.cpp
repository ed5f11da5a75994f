#include "gui/ui/sheet/check_options_page.h"

#include <algorithm>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/tglbtn.h>

#include "core/common/app_settings.h"
#include "core/common/prompter.h"
#include "core/ui/source_fetcher.h"
#include "core/ui/source_view_positions.h"
#include "gui/text_view_scroll.h"
#include "gui/ui/sheet/num_edit.h"
#include "gui/ui/sheet/sheet_layout.h"
#include "gui/wx_text.h"

namespace {

// The code list holds the codes in the order of their numbers; another number shows as
// the last choice.
int ChoiceOf(JapaneseCode code) { return std::clamp(StoredNumber(code), 0, 4); }
JapaneseCode CodeAt(int choice) { return FromStoredNumber<JapaneseCode>(choice); }

wxButton* Button(wxWindow* parent, const char* text) {
  return new wxButton(parent, wxID_ANY, ToWx(text));
}

wxToggleButton* ModeToggle(wxWindow* parent, const char* text) {
  return new wxToggleButton(parent, wxID_ANY, ToWx(text));
}

wxBoxSizer* Row(std::initializer_list<wxWindow*> controls) {
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  for (wxWindow* control : controls) row->Add(control, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, kGap);
  return row;
}

}  // namespace

CCKOption::CCKOption(wxWindow* book, const SheetServices& services)
    : CSheetPage(book, services),
      m_form(services.prompter, services.converter),
      m_fetcher(std::make_unique<CSourceFetcher>(services.queue, services.prompter)) {
  m_fullText = ModeToggle(this, "全文比較");
  m_simpleMode = ModeToggle(this, "単純キーワード");
  m_anchorMode = ModeToggle(this, "アンカーキーワード");
  m_textMode = ModeToggle(this, "テキスト比較");
  // The mode buttons share one width, so that their fields line up.
  wxSize modeSize = m_anchorMode->GetBestSize();
  for (wxToggleButton* button : {m_fullText, m_simpleMode, m_anchorMode, m_textMode}) {
    button->SetMinSize(modeSize);
  }

  m_simpleKeyword = new wxTextCtrl(this, wxID_ANY, wxString(), wxDefaultPosition, wxSize(FromDIP(200), -1));
  m_increase = new wxCheckBox(this, wxID_ANY, ToWx("増加"));
  m_decrease = new wxCheckBox(this, wxID_ANY, ToWx("減少"));
  m_reset = Button(this, "リセット");
  m_caseSensitive = new wxCheckBox(this, wxID_ANY, ToWx("大文字小文字を区別する"));
  m_anchor = new wxTextCtrl(this, wxID_ANY, wxString(), wxDefaultPosition, wxSize(FromDIP(200), -1));
  m_nth = new wxTextCtrl(this, wxID_ANY);
  m_nth->SetInitialSize(m_nth->GetSizeFromTextSize(GetTextExtent(wxString(5, '0')).GetWidth()));
  m_anchorFromSource = Button(this, "ソース中から選択");
  m_offsetField.SetMaximum("");
  m_sizeField.SetMaximum("");
  m_offset = new CNumEdit(this, m_offsetField, 6);
  m_size = new CNumEdit(this, m_sizeField, 6);
  m_areaFromSource = Button(this, "ソース中から選択");
  m_selector = new wxTextCtrl(this, wxID_ANY, wxString(), wxDefaultPosition, wxSize(FromDIP(200), -1));
  m_exclude = new wxTextCtrl(this, wxID_ANY, wxString(), wxDefaultPosition, wxSize(FromDIP(140), -1));
  m_ignore = new wxTextCtrl(this, wxID_ANY, wxString(), wxDefaultPosition, wxSize(FromDIP(260), FromDIP(44)),
                            wxTE_MULTILINE | wxTE_DONTWRAP);
  m_addedOnly = new wxCheckBox(this, wxID_ANY, ToWx("追加された行だけ"));
  m_test = Button(this, "テスト");
  m_testResult = Label(this, "");
  m_showSource = Button(this, "現在のソースコードを表示する");
  m_code = new wxChoice(this, wxID_ANY);
  for (const char* name : {"自動選択", "JIS", "EUC", "UTF8", "SHIFT-JIS"}) m_code->Append(ToWx(name));
  m_busyText = Label(this, "ページを読み込んでいます…");
  m_stop = Button(this, "中止");
  // The view grows with the sheet; its least height keeps the sheet within a 1024x700 screen.
  m_view = new wxTextCtrl(this, wxID_ANY, wxString(), wxDefaultPosition, wxSize(-1, FromDIP(150)),
                          wxTE_MULTILINE | wxTE_READONLY | wxTE_RICH2 | wxTE_NOHIDESEL | wxVSCROLL |
                              wxTE_DONTWRAP | wxHSCROLL);

  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(Row({m_fullText, Label(this, "（サーバーからファイル更新の日付が正しく得られる場合は不要です）")}),
           0, wxLEFT | wxRIGHT | wxTOP, kBorder);
  top->Add(Row({m_simpleMode, m_simpleKeyword, m_increase, m_decrease, m_reset}), 0,
           wxLEFT | wxRIGHT | wxTOP, kBorder);
  top->Add(m_caseSensitive, 0, wxLEFT, kBorder + modeSize.GetWidth() + kGap);
  top->Add(Row({m_anchorMode, m_anchor, m_nth, Label(this, "番目"), m_anchorFromSource}), 0,
           wxLEFT | wxRIGHT | wxTOP, kBorder);
  top->Add(Row({Label(this, "チェックエリア："), Label(this, "オフセット"), m_offset, Label(this, "サイズ"),
                m_size, m_areaFromSource}),
           0, wxLEFT | wxRIGHT | wxTOP, kBorder);
  top->Add(Row({m_textMode, Label(this, "CSS/XPath"), m_selector, Label(this, "除外"), m_exclude}), 0,
           wxLEFT | wxRIGHT | wxTOP, kBorder);
  wxBoxSizer* ignoreRow = Row({Label(this, "無視する行 (正規表現)"), m_ignore, m_addedOnly, m_test});
  ignoreRow->Add(m_testResult, 1, wxALIGN_CENTER_VERTICAL);
  top->Add(ignoreRow, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, kBorder);
  wxBoxSizer* sourceRow = Row({m_showSource, Label(this, "日本語コード"), m_code});
  sourceRow->AddStretchSpacer();
  sourceRow->Add(m_busyText, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, kGap);
  sourceRow->Add(m_stop, 0, wxALIGN_CENTER_VERTICAL);
  top->Add(sourceRow, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, kBorder);
  top->Add(m_view, 1, wxEXPAND | wxALL, kBorder);
  SetSizer(top);
  ShowBusy(false);

  m_fullText->Bind(wxEVT_TOGGLEBUTTON, [this](wxCommandEvent&) { ToggleMode(CCheckOptionsForm::kFullText); });
  m_simpleMode->Bind(wxEVT_TOGGLEBUTTON,
                     [this](wxCommandEvent&) { ToggleMode(CCheckOptionsForm::kSimpleKeyword); });
  m_anchorMode->Bind(wxEVT_TOGGLEBUTTON,
                     [this](wxCommandEvent&) { ToggleMode(CCheckOptionsForm::kAnchorKeyword); });
  m_textMode->Bind(wxEVT_TOGGLEBUTTON, [this](wxCommandEvent&) { ToggleMode(CCheckOptionsForm::kTextCompare); });
  m_test->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { TestSelection(); });
  m_reset->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { m_form.ResetCounter(); });
  m_anchorFromSource->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { AnchorFromSource(); });
  m_areaFromSource->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { AreaFromSource(); });
  m_showSource->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { ShowSource(); });
  m_stop->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
    m_fetcher->Cancel();
    ShowBusy(false);
  });
  m_code->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { CodeChosen(); });
  for (wxTextCtrl* field : {m_anchor, m_nth}) {
    field->Bind(wxEVT_TEXT, [this](wxCommandEvent&) { AnchorOrNthChanged(); });
  }
  for (CNumEdit* edit : {m_offset, m_size}) {
    edit->Text()->Bind(wxEVT_TEXT, [this](wxCommandEvent& event) {
      event.Skip();  // the numeric edit takes the text too
      AreaFieldChanged();
    });
  }
}

// The fetcher goes first: no result reaches a page being destroyed.
CCKOption::~CCKOption() { m_fetcher.reset(); }

wxToggleButton* CCKOption::ModeButton(CCheckOptionsForm::Mode mode) const {
  switch (mode) {
    case CCheckOptionsForm::kFullText:
      return m_fullText;
    case CCheckOptionsForm::kSimpleKeyword:
      return m_simpleMode;
    case CCheckOptionsForm::kAnchorKeyword:
      return m_anchorMode;
    case CCheckOptionsForm::kTextCompare:
      return m_textMode;
    default:
      return nullptr;
  }
}

bool CCKOption::Fetching() const { return m_fetcher->Busy(); }

void CCKOption::OnLoad(WatchItem& item) {
  m_fetcher->Cancel();
  ShowBusy(false);
  m_form.Load(item);
  m_view->Clear();
  m_positions.reset();
  m_anchorShown = m_areaShown = TextRange{};
}

void CCKOption::OnFirstActivation(WatchItem& item) {
  m_form.FillFields(item);
  const CCheckOptionsForm::Fields& fields = m_form.Values();
  m_anchor->ChangeValue(ToWx(fields.anchor));
  m_nth->ChangeValue(ToWx(fields.nth));
  m_offsetField.SetText(fields.offset);
  m_offset->ShowValue();
  m_sizeField.SetText(fields.size);
  m_size->ShowValue();
  m_code->SetSelection(ChoiceOf(fields.code));
  m_simpleKeyword->ChangeValue(ToWx(fields.simpleKeyword));
  m_increase->SetValue(fields.increase);
  m_decrease->SetValue(fields.decrease);
  m_caseSensitive->SetValue(fields.caseSensitive);
  m_selector->ChangeValue(ToWx(fields.selector));
  m_exclude->ChangeValue(ToWx(fields.exclude));
  m_ignore->ChangeValue(ToWx(fields.ignoreLines));
  m_addedOnly->SetValue(fields.addedOnly);
  m_testResult->SetLabel(wxString());
  ApplyModes();
}

void CCKOption::ToggleMode(CCheckOptionsForm::Mode mode) {
  bool wasText = m_form.CurrentMode() == CCheckOptionsForm::kTextCompare;
  m_form.ToggleMode(mode);
  ApplyModes();
  // The view follows the mode: the source, or the text the check would compare.
  bool isText = m_form.CurrentMode() == CCheckOptionsForm::kTextCompare;
  if (wasText != isText && m_form.HasSource()) ShowFetchedPage();
}

void CCKOption::ApplyModes() {
  CCheckOptionsForm::Mode mode = m_form.CurrentMode();
  m_fullText->SetValue(mode == CCheckOptionsForm::kFullText);
  m_simpleMode->SetValue(mode == CCheckOptionsForm::kSimpleKeyword);
  m_anchorMode->SetValue(mode == CCheckOptionsForm::kAnchorKeyword);
  m_textMode->SetValue(mode == CCheckOptionsForm::kTextCompare);
  CCheckOptionsForm::Enabling enabled = m_form.Enabled();
  for (wxWindow* control : std::initializer_list<wxWindow*>{m_simpleKeyword, m_increase, m_decrease,
                                                            m_caseSensitive, m_reset}) {
    control->Enable(enabled.simpleKeyword);
  }
  for (wxWindow* control : std::initializer_list<wxWindow*>{m_anchor, m_nth, m_offset, m_size}) {
    control->Enable(enabled.anchorKeyword);
  }
  for (wxWindow* control : std::initializer_list<wxWindow*>{m_selector, m_exclude, m_ignore, m_addedOnly, m_test}) {
    control->Enable(enabled.text);
  }
}

void CCKOption::ReadFields() {
  CCheckOptionsForm::Fields& fields = m_form.Values();
  fields.simpleKeyword = FromWx(m_simpleKeyword->GetValue());
  fields.increase = m_increase->GetValue();
  fields.decrease = m_decrease->GetValue();
  fields.caseSensitive = m_caseSensitive->GetValue();
  fields.anchor = FromWx(m_anchor->GetValue());
  fields.nth = FromWx(m_nth->GetValue());
  // From the controls: the numeric edits may not have taken a change yet.
  fields.offset = FromWx(m_offset->Text()->GetValue());
  fields.size = FromWx(m_size->Text()->GetValue());
  if (m_code->GetSelection() != wxNOT_FOUND) fields.code = CodeAt(m_code->GetSelection());
  fields.selector = FromWx(m_selector->GetValue());
  fields.exclude = FromWx(m_exclude->GetValue());
  fields.ignoreLines = FromWx(m_ignore->GetValue());
  fields.addedOnly = m_addedOnly->GetValue();
}

void CCKOption::ShowBusy(bool busy) {
  m_busyText->Show(busy);
  m_stop->Show(busy);
  Layout();
}

void CCKOption::ShowSource() {
  ReadFields();
  std::optional<FetchJob> job = m_form.PrepareFetch(Item());
  if (!job) return;
  // The main window's time-outs and certificates with the program-wide proxy and limits;
  // a server that never ends its answer is broken off as a check's would be.
  const AppSettings& settings = m_services.settings;
  FetchSettings fetch = m_services.fetch;
  ApplyProgramSettings(settings, fetch);
  fetch.m_totalTimeoutMs = TotalTimeoutMs(settings);
  m_fetcher->Start(std::move(*job), std::move(fetch), [this](const FetchJob& done) { SourceFetched(done); });
  ShowBusy(true);
}

void CCKOption::SourceFetched(const FetchJob& job) {
  ShowBusy(false);
  ReadFields();
  if (!m_form.TakeFetched(Item(), job)) return;
  ShowFetchedPage();
}

void CCKOption::ShowFetchedPage() {
  m_anchorShown = m_areaShown = TextRange{};
  std::optional<CCheckOptionsForm::TextView> text;
  if (m_form.CurrentMode() == CCheckOptionsForm::kTextCompare) text = m_form.TextOfSource();
  if (!text) {
    m_positions = std::make_unique<CSourceViewPositions>(m_form.Source().Display());
    m_view->ChangeValue(ToWx(m_positions->ViewText()));
    if (!m_form.Values().anchor.empty()) HighlightAnchorAndArea();
    return;
  }
  m_positions = std::make_unique<CSourceViewPositions>(text->text);
  m_view->ChangeValue(ToWx(m_positions->ViewText()));
  wxTextAttr selected(*wxBLUE, wxColour(255, 255, 200));
  for (const TextRange& range : text->selected) {
    m_view->SetStyle(m_positions->ToView(range.start), m_positions->ToView(range.end), selected);
  }
  if (!text->selected.empty()) ScrollToLineOf(text->selected.front());
  m_testResult->SetLabel(ToWx(text->summary));
  Layout();
}

void CCKOption::TestSelection() {
  ReadFields();
  if (std::string problem = m_form.TextProblem(); !problem.empty()) {
    m_testResult->SetLabel(ToWx(problem));
    return;
  }
  if (m_form.HasSource()) {
    ShowFetchedPage();
  } else {
    ShowSource();  // shown, with the count, once the page is here
  }
}

bool CCKOption::CanAccept() {
  ReadFields();
  std::string problem = m_form.TextProblem();
  if (problem.empty()) return true;
  m_services.prompter.ShowMessage(problem, IPrompter::Buttons::Ok, IPrompter::Icon::Warning);
  return false;
}

TextRange CCKOption::ViewSelection() const {
  if (!m_positions) return {};
  long from = 0;
  long to = 0;
  m_view->GetSelection(&from, &to);
  return TextRange{m_positions->ToDisplay(static_cast<int>(from)), m_positions->ToDisplay(static_cast<int>(to))};
}

void CCKOption::SelectInView(TextRange range) {
  if (!m_positions) return;
  m_view->SetSelection(m_positions->ToView(range.start), m_positions->ToView(range.end));
}

void CCKOption::Highlight(TextRange range, bool anchor) {
  if (!m_positions || range.Empty()) return;
  wxTextAttr style(anchor ? *wxRED : *wxBLUE);
  style.SetFontWeight(wxFONTWEIGHT_BOLD);
  long start = m_positions->ToView(range.start);
  m_view->SetStyle(start, m_positions->ToView(range.end), style);
  m_view->SetSelection(start, start);  // the caret at its start
  (anchor ? m_anchorShown : m_areaShown) = range;
}

void CCKOption::RemoveHighlight(TextRange range) {
  if (!m_positions || range.Empty()) return;
  wxTextAttr plain(*wxBLACK);
  plain.SetFontWeight(wxFONTWEIGHT_NORMAL);
  m_view->SetStyle(m_positions->ToView(range.start), m_positions->ToView(range.end), plain);
}

void CCKOption::HighlightAnchorAndArea() {
  RemoveHighlight(m_anchorShown);
  m_anchorShown = TextRange{};
  std::optional<CCheckOptionsForm::AnchorHighlight> anchor = m_form.HighlightAnchor();
  if (!anchor) return;
  if (anchor->nthRewritten) m_nth->ChangeValue(ToWx(m_form.Values().nth));
  Highlight(anchor->range, true);
  HighlightArea(false);
  ScrollToLineOf(anchor->range);
}

void CCKOption::HighlightArea(bool scroll) {
  RemoveHighlight(m_areaShown);
  m_areaShown = TextRange{};
  std::optional<TextRange> area = m_form.HighlightArea();
  if (!area) return;
  Highlight(*area, false);
  if (scroll) ScrollToLineOf(*area);
}

void CCKOption::ScrollToLineOf(TextRange range) {
  long x = 0;
  long line = 0;
  m_view->PositionToXY(m_positions->ToView(range.start), &x, &line);
  ScrollLineToTop(*m_view, line);
}

void CCKOption::AnchorFromSource() {
  TextRange selection = ViewSelection();
  ReadFields();
  if (!m_form.AnchorFromSelection(selection)) return;
  RemoveHighlight(m_anchorShown);
  Highlight(selection, true);
  // Both fields change: the source is shown again once, for the two of them.
  m_anchor->ChangeValue(ToWx(m_form.Values().anchor));
  m_nth->ChangeValue(ToWx(m_form.Values().nth));
  ShowSource();
}

void CCKOption::AreaFromSource() {
  TextRange selection = ViewSelection();
  ReadFields();
  if (!m_form.AreaFromSelection(selection)) return;
  RemoveHighlight(m_areaShown);
  Highlight(selection, false);
  // Written by the page: no change notification.
  m_offsetField.SetText(m_form.Values().offset);
  m_offset->ShowValue();
  m_sizeField.SetText(m_form.Values().size);
  m_size->ShowValue();
}

void CCKOption::CodeChosen() {
  if (m_code->GetSelection() == wxNOT_FOUND) return;
  m_form.ChooseCode(CodeAt(m_code->GetSelection()), Item());
  if (WasActivated()) ShowSource();
}

void CCKOption::AnchorOrNthChanged() {
  if (WasActivated()) ShowSource();
}

void CCKOption::AreaFieldChanged() {
  if (!WasActivated()) return;
  if (!m_positions) {
    ShowSource();
    return;
  }
  ReadFields();
  HighlightArea(true);
}

void CCKOption::OnOK(WatchItem& item) {
  m_fetcher->Cancel();
  ReadFields();
  m_form.Store(item);
}
