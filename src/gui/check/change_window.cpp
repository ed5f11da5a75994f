#include "gui/check/change_window.h"

#include <wx/button.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "gui/wx_text.h"

namespace {

constexpr int kFontPoints = 10;

wxFont FixedJapaneseFont() {
  // IPAGothic is fixed-width in both halves: double-byte characters keep the columns.
  return wxFont(wxFontInfo(kFontPoints).Family(wxFONTFAMILY_TELETYPE).FaceName(wxASCII_STR("IPAGothic")));
}

}  // namespace

const wxColour& CChangeWindow::AddedColour() {
  static const wxColour colour(0xd8, 0xf5, 0xd0);
  return colour;
}

const wxColour& CChangeWindow::RemovedColour() {
  static const wxColour colour(0xfb, 0xd8, 0xd8);
  return colour;
}

CChangeWindow::CChangeWindow(wxWindow* parent, CChangeView view)
    : wxFrame(parent, wxID_ANY, ToWx(view.Title()), wxDefaultPosition, wxSize(760, 520)),
      m_view(std::move(view)) {
  auto* panel = new wxPanel(this);
  m_text = new wxTextCtrl(panel, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                          wxTE_MULTILINE | wxTE_READONLY | wxTE_RICH2 | wxTE_DONTWRAP | wxHSCROLL);
  m_text->SetFont(FixedJapaneseFont());
  m_previous = new wxButton(panel, wxID_ANY, ToWx(CChangeView::kPreviousCaption));
  m_next = new wxButton(panel, wxID_ANY, ToWx(CChangeView::kNextCaption));
  m_status = new wxStaticText(panel, wxID_ANY, wxEmptyString);
  m_previous->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { GoPrevious(); });
  m_next->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { GoNext(); });

  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  buttons->Add(m_previous, 0, wxRIGHT, 6);
  buttons->Add(m_next, 0, wxRIGHT, 12);
  buttons->Add(m_status, 1, wxALIGN_CENTER_VERTICAL);
  auto* column = new wxBoxSizer(wxVERTICAL);
  column->Add(buttons, 0, wxEXPAND | wxALL, 6);
  column->Add(m_text, 1, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 6);
  panel->SetSizer(column);
  // Made smaller by the user, the buttons and a few lines stay in view.
  SetMinClientSize(column->GetMinSize());

  // Esc closes this window only; the key goes no further to the main window.
  Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
    if (event.GetKeyCode() == WXK_ESCAPE) {
      Close();
      return;
    }
    event.Skip();
  });

  Fill();
  // The first change is in view when the window opens.
  if (m_view.CanGoNext()) ShowRow(m_view.GoNext());
  UpdateControls();
}

void CChangeWindow::Fill() {
  wxTextAttr plain(*wxBLACK, *wxWHITE);
  wxTextAttr note(wxColour(0x30, 0x30, 0x90), *wxWHITE);
  wxTextAttr hunk(wxColour(0x00, 0x60, 0x80), wxColour(0xee, 0xee, 0xee));
  wxTextAttr added(*wxBLACK, AddedColour());
  wxTextAttr removed(*wxBLACK, RemovedColour());
  m_text->Freeze();
  for (const CChangeView::Row& row : m_view.Rows()) {
    m_rowStarts.push_back(m_text->GetLastPosition());
    switch (row.kind) {
      case CChangeView::Row::kNote: m_text->SetDefaultStyle(note); break;
      case CChangeView::Row::kHunk: m_text->SetDefaultStyle(hunk); break;
      case CChangeView::Row::kAdded: m_text->SetDefaultStyle(added); break;
      case CChangeView::Row::kRemoved: m_text->SetDefaultStyle(removed); break;
      case CChangeView::Row::kContext: m_text->SetDefaultStyle(plain); break;
    }
    m_text->AppendText(ToWx(row.text + "\n"));
  }
  m_text->SetDefaultStyle(plain);
  m_text->Thaw();
}

void CChangeWindow::ShowRow(int row) {
  if (row < 0 || row >= static_cast<int>(m_rowStarts.size())) return;
  long start = RowStart(row);
  m_text->SetInsertionPoint(start);
  m_text->ShowPosition(start);
}

void CChangeWindow::UpdateControls() {
  m_status->SetLabel(ToWx(m_view.StatusText()));
  m_previous->Enable(m_view.CanGoPrevious());
  m_next->Enable(m_view.CanGoNext());
}

void CChangeWindow::GoPrevious() {
  ShowRow(m_view.GoPrevious());
  UpdateControls();
}

void CChangeWindow::GoNext() {
  ShowRow(m_view.GoNext());
  UpdateControls();
}
