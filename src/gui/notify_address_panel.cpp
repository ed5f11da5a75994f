#include "gui/notify_address_panel.h"

#include <wx/button.h>
#include <wx/listbox.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/textdlg.h>
#include <wx/utils.h>

#include "core/common/prompter.h"
#include "gui/wx_text.h"

CNotifyAddressPanel::CNotifyAddressPanel(wxWindow* parent, const std::string& list,
                                         const AppSettings& settings, IPrompter& prompter,
                                         const char* caption)
    : wxPanel(parent, wxID_ANY), m_list(list), m_settings(settings), m_prompter(prompter) {
  SetName(wxASCII_STR("notifyAddresses"));
  auto* box = new wxStaticBoxSizer(wxHORIZONTAL, this, ToWx(caption));
  wxWindow* frame = box->GetStaticBox();
  m_box = new wxListBox(frame, wxID_ANY, wxDefaultPosition, wxSize(-1, FromDIP(72)));
  m_box->SetName(wxASCII_STR("notifyList"));
  box->Add(m_box, 1, wxEXPAND | wxALL, 4);
  // Two by two: four buttons in a column make the site definition sheet taller than a
  // small screen.
  auto* buttons = new wxGridSizer(2, 2, 2);
  auto* add = new wxButton(frame, wxID_ANY, ToWx("追加"));
  m_edit = new wxButton(frame, wxID_ANY, ToWx("編集"));
  m_remove = new wxButton(frame, wxID_ANY, ToWx("削除"));
  m_test = new wxButton(frame, wxID_ANY, ToWx("テスト送信"));
  for (wxButton* button : {add, m_edit, m_remove, m_test}) buttons->Add(button, 0, wxEXPAND);
  box->Add(buttons, 0, wxALL, 4);
  SetSizerAndFit(box);

  add->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
    std::string typed = AskAddress({});
    while (!typed.empty() && !AddTyped(typed)) typed = AskAddress(typed);
  });
  m_edit->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
    int selected = m_box->GetSelection();
    if (selected == wxNOT_FOUND) return;
    std::string typed = AskAddress(m_list.At(static_cast<std::size_t>(selected)));
    while (!typed.empty() && !EditSelected(typed)) typed = AskAddress(typed);
  });
  m_remove->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { RemoveSelected(); });
  m_test->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { TestSelected(); });
  m_box->Bind(wxEVT_LISTBOX, [this](wxCommandEvent&) { UpdateButtons(); });
  m_box->Bind(wxEVT_LISTBOX_DCLICK, [this](wxCommandEvent&) {
    wxCommandEvent click(wxEVT_BUTTON, m_edit->GetId());
    m_edit->ProcessWindowEvent(click);
  });
  Refill(m_list.Count() > 0 ? 0 : -1);
}

bool CNotifyAddressPanel::AddTyped(const std::string& address) {
  std::string refused = m_list.Add(address);
  if (!refused.empty()) {
    m_prompter.ShowMessage(refused, IPrompter::Buttons::Ok, IPrompter::Icon::Warning);
    return false;
  }
  Refill(static_cast<int>(m_list.Count()) - 1);
  return true;
}

bool CNotifyAddressPanel::EditSelected(const std::string& address) {
  int selected = m_box->GetSelection();
  if (selected == wxNOT_FOUND) return true;
  std::string refused = m_list.Replace(static_cast<std::size_t>(selected), address);
  if (!refused.empty()) {
    m_prompter.ShowMessage(refused, IPrompter::Buttons::Ok, IPrompter::Icon::Warning);
    return false;
  }
  Refill(selected);
  return true;
}

void CNotifyAddressPanel::RemoveSelected() {
  int selected = m_box->GetSelection();
  if (selected == wxNOT_FOUND) return;
  m_list.Remove(static_cast<std::size_t>(selected));
  Refill(std::min(selected, static_cast<int>(m_list.Count()) - 1));
}

void CNotifyAddressPanel::TestSelected() {
  int selected = m_box->GetSelection();
  if (selected == wxNOT_FOUND) return;
  std::string answer;
  {
    wxBusyCursor busy;
    answer = m_list.TestSend(static_cast<std::size_t>(selected), m_settings);
  }
  m_prompter.ShowMessage(answer, IPrompter::Buttons::Ok, IPrompter::Icon::Information);
}

void CNotifyAddressPanel::SetAddresses(const std::string& list) {
  m_list = CNotifyAddressList(list);
  Refill(m_list.Count() > 0 ? 0 : -1);
}

void CNotifyAddressPanel::Select(int index) {
  m_box->SetSelection(index);
  UpdateButtons();
}

bool CNotifyAddressPanel::Enable(bool enable) {
  m_enabled = enable;
  bool changed = wxPanel::Enable(enable);
  UpdateButtons();
  return changed;
}

void CNotifyAddressPanel::Refill(int selection) {
  m_box->Clear();
  for (const std::string& line : m_list.MaskedLines()) m_box->Append(ToWx(line));
  if (selection >= 0 && selection < static_cast<int>(m_list.Count())) m_box->SetSelection(selection);
  UpdateButtons();
}

void CNotifyAddressPanel::UpdateButtons() {
  bool chosen = m_enabled && m_box->GetSelection() != wxNOT_FOUND;
  m_edit->Enable(chosen);
  m_remove->Enable(chosen);
  m_test->Enable(chosen);
}

std::string CNotifyAddressPanel::AskAddress(const std::string& initial) {
  wxTextEntryDialog dialog(this, ToWx("通知先 (例 ntfys://ntfy.sh/トピック, discord://ID/トークン)"),
                           ToWx("通知先"), ToWx(initial));
  if (dialog.ShowModal() != wxID_OK) return {};
  return FromWx(dialog.GetValue());
}
