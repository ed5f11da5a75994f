#include "gui/ui/sheet/define_sheet.h"

#include <algorithm>
#include <wx/bookctrl.h>
#include <wx/button.h>
#include <wx/sizer.h>

#include "gui/ui/sheet/check_options_page.h"
#include "gui/ui/sheet/form_data_page.h"
#include "gui/ui/sheet/page_page.h"
#include "gui/ui/sheet/sheet_layout.h"
#include "gui/ui/sheet/timing_page.h"
#include "gui/ui/sheet/update_options_page.h"
#include "gui/wx_text.h"

namespace {

// What a tab of the book adds to its caption's width: its margins and borders.
constexpr int kTabPadding = 36;

}  // namespace

CDefineSheet::CDefineSheet(wxWindow* parent, const AppSettings& settings,
                           IMainWindowMessages& mainWindow, CWxUiQueue& queue,
                           StoreItem storeItem, const platform::CCodePageConverter* converter,
                           FetchSettings fetch)
    : m_prompter(queue),
      m_mailHost(queue),
      m_services{settings, m_prompter, mainWindow, m_mailHost, queue, converter, std::move(fetch)},
      m_storeItem(std::move(storeItem)) {
  Create(parent, wxID_ANY, ToWx("サイトの定義"), wxDefaultPosition, wxDefaultSize,
         wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER);
  m_prompter.SetOwner([this] { return static_cast<wxWindow*>(this); });
  m_mailHost.SetOwner([this] { return static_cast<wxWindow*>(this); });
  CreateButtons(wxOK | wxCANCEL);
  // The program's own captions, whatever the desktop's language.
  if (auto* cancel = wxDynamicCast(FindWindow(wxID_CANCEL), wxButton)) {
    cancel->SetLabel(ToWx("キャンセル"));
  }
  if (auto* ok = wxDynamicCast(FindWindow(wxID_OK), wxButton)) {
    ok->SetLabel(ToWx("OK"));
    ok->SetDefault();
  }

  wxBookCtrlBase* book = GetBookCtrl();
  m_pageData = new CPagePage(book, m_services);
  m_timing = new CTimingPage(book, m_services);
  m_updateOptions = new CRNOption(book, m_services);
  m_checkOptions = new CCKOption(book, m_services);
  m_formData = new CPGDetail(book, m_services);
  m_pages = {m_pageData, m_timing, m_updateOptions, m_checkOptions, m_formData};
  const char* captions[] = {"ページデータ", "チェックするタイミング", "更新時オプション",
                            "チェックオプション", "フォーム送信データ"};
  for (std::size_t page = 0; page < m_pages.size(); ++page) {
    book->AddPage(m_pages[page], ToWx(captions[page]));
  }
  for (CSheetPage* page : m_pages) FitTextHeights(page);
  LayoutDialog();
  // Every tab in view at once, without the book's scroll arrows.
  int tabsWidth = 0;
  for (const char* caption : captions) {
    tabsWidth += book->GetTextExtent(ToWx(caption)).GetWidth() + FromDIP(kTabPadding);
  }
  // Client sizes: the frame the window manager adds is not known before the sheet shows.
  wxSize size = GetClientSize();
  size.SetWidth(std::max(size.GetWidth(), tabsWidth + FromDIP(kTabPadding)));
  SetClientSize(size);
  // Resizable, but never smaller than what the pages need.
  SetMinClientSize(size);
  CentreOnParent();

  book->Bind(wxEVT_BOOKCTRL_PAGE_CHANGING, &CDefineSheet::OnPageChanging, this);
  book->Bind(wxEVT_BOOKCTRL_PAGE_CHANGED, &CDefineSheet::OnPageChanged, this);
  Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Accept(); }, wxID_OK);
}

void CDefineSheet::Load(const WatchItem& item, int index) {
  m_working = item;
  for (CSheetPage* page : m_pages) page->Load(m_working);
  m_itemIndex = index;
  m_accepted = false;
}

int CDefineSheet::DoModal() {
  GetBookCtrl()->ChangeSelection(0);
  m_pages.front()->Activate();
  m_pageData->SetFocus();
  if (m_shown) {
    CallAfter([this] {
      if (IsModal() && m_shown) m_shown(*this);
    });
  }
  int code = ShowModal();
  if (m_accepted && m_storeItem) m_storeItem(m_itemIndex, m_working);
  return code;
}

void CDefineSheet::CancelRun() {
  m_accepted = false;
  if (IsModal()) EndModal(wxID_CANCEL);
}

CSheetPage* CDefineSheet::PageAt(int page) const {
  if (page < 0 || page >= static_cast<int>(m_pages.size())) return nullptr;
  return m_pages[page];
}

CSheetPage* CDefineSheet::CurrentPage() const { return PageAt(GetBookCtrl()->GetSelection()); }

void CDefineSheet::ShowPage(int page) { GetBookCtrl()->SetSelection(page); }

void CDefineSheet::OnPageChanging(wxBookCtrlEvent& event) {
  CSheetPage* leaving = PageAt(event.GetOldSelection());
  if (leaving && !leaving->OnKillActive()) event.Veto();
}

void CDefineSheet::OnPageChanged(wxBookCtrlEvent& event) {
  if (CSheetPage* page = PageAt(event.GetSelection())) page->Activate();
}

void CDefineSheet::Accept() {
  CSheetPage* current = CurrentPage();
  if (current && !current->OnKillActive()) return;
  std::string refusal = m_pageData->WasActivated() ? m_pageData->Refusal() : std::string();
  if (!refusal.empty()) {
    GetBookCtrl()->ChangeSelection(0);
    m_pageData->ShowRefusal(refusal);
    return;
  }
  // A page the user never opened in this run leaves its fields as they were loaded.
  for (CSheetPage* page : m_pages) {
    if (page->WasActivated()) page->OnOK(m_working);
  }
  m_accepted = true;
  EndModal(wxID_OK);
}
