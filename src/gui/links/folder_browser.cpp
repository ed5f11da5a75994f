#include "gui/links/folder_browser.h"

#include <wx/button.h>
#include <wx/dirctrl.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "gui/wx_text.h"

namespace {

void (*g_shownHook)(wxDialog&) = nullptr;

}  // namespace

CFolderBrowser::CFolderBrowser(wxWindow* owner, IPrompter& prompter)
    : m_owner(owner), m_logic(prompter) {}

void CFolderBrowser::SetShownHook(void (*shown)(wxDialog&)) { g_shownHook = shown; }

std::string CFolderBrowser::Run() {
  std::string result;
  do {
    m_logic.ClearRestart();
    result = BrowseOnce();
  } while (m_logic.Restart());
  return result;
}

std::string CFolderBrowser::BrowseOnce() {
  CFolderBrowseDialog dialog(m_owner, m_logic);
  if (g_shownHook) {
    dialog.CallAfter([&dialog] { g_shownHook(dialog); });
  }
  if (dialog.ShowModal() != wxID_OK) return "";
  return dialog.Result();
}

CFolderBrowseDialog::CFolderBrowseDialog(wxWindow* owner, CFolderBrowserLogic& logic)
    : wxDialog(owner, wxID_ANY, ToWx("フォルダの参照"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      m_logic(logic) {
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(new wxStaticText(this, wxID_ANY, ToWx("どのフォルダを選びますか？")), 0,
           wxLEFT | wxRIGHT | wxTOP, 10);
  top->Add(new wxStaticText(this, wxID_ANY,
                            ToWx("サブフォルダを作る時は/で始まる文字列を下の欄に書いて下さい")),
           0, wxLEFT | wxRIGHT | wxTOP, 10);
  m_tree = new wxGenericDirCtrl(this, wxID_ANY, wxASCII_STR("/"), wxDefaultPosition,
                                wxSize(360, 300), wxDIRCTRL_DIR_ONLY | wxDIRCTRL_3D_INTERNAL);
  top->Add(m_tree, 1, wxEXPAND | wxALL, 10);
  m_edit = new wxTextCtrl(this, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
                          wxTE_PROCESS_ENTER);
  top->Add(m_edit, 0, wxEXPAND | wxLEFT | wxRIGHT, 10);
  // The desktop's order of OK and キャンセル.
  auto* buttons = new wxStdDialogButtonSizer();
  buttons->AddButton(new wxButton(this, wxID_OK, ToWx("OK")));
  buttons->AddButton(new wxButton(this, wxID_CANCEL, ToWx("キャンセル")));
  buttons->Realize();
  top->Add(buttons, 0, wxEXPAND | wxALL, 10);
  SetSizerAndFit(top);
  SetMinSize(GetSize());

  if (!m_logic.InitialFolder().empty()) m_tree->SetPath(ToWx(m_logic.InitialFolder()));
  m_logic.SelectionChanged(FromWx(m_tree->GetPath()));
  m_tree->Bind(wxEVT_DIRCTRL_SELECTIONCHANGED, [this](wxTreeEvent& event) {
    event.Skip();
    wxString path = m_tree->GetPath();
    if (!path.empty()) m_logic.SelectionChanged(FromWx(path));
  });
  Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Confirm(); }, wxID_OK);
  m_edit->Bind(wxEVT_TEXT_ENTER, [this](wxCommandEvent&) { Confirm(); });
}

void CFolderBrowseDialog::Confirm() {
  m_result = m_logic.Accept(FromWx(m_edit->GetValue()));
  if (!m_result.empty()) {
    EndModal(wxID_OK);
  } else if (m_logic.Restart()) {
    // Opened again at once, with the new folder selected.
    EndModal(wxID_CANCEL);
  }
}
