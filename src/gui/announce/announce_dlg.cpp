#include "gui/announce/announce_dlg.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "gui/app/app_icon.h"
#include "gui/wx_text.h"

namespace {
void (*g_shownHook)(CAnnounceDlg&) = nullptr;
}  // namespace

void CAnnounceDlg::SetShownHook(void (*shown)(CAnnounceDlg&)) { g_shownHook = shown; }

CAnnounceDlg::CAnnounceDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, ToWx("お知らせ"), wxDefaultPosition, wxDefaultSize,
               wxBORDER_RAISED | wxSTAY_ON_TOP) {
  auto* texts = new wxBoxSizer(wxVERTICAL);
  texts->Add(new wxStaticText(this, wxID_ANY, ToWx("Pagewardenの新しいお知らせがあります")), 0,
             wxBOTTOM, 8);
  texts->Add(new wxStaticText(this, wxID_ANY, ToWx("お知らせを読みますか？")));
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(new wxStaticBitmap(this, wxID_ANY, MakeAppBitmap(32)), 0, wxRIGHT, 12);
  row->Add(texts, 1, wxALIGN_CENTER_VERTICAL);

  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  auto* yes = new wxButton(this, wxID_OK, ToWx("はい"));
  yes->SetDefault();
  buttons->Add(yes, 0, wxRIGHT, 8);
  buttons->Add(new wxButton(this, ID_NEXT_TIME, ToWx("次の機会にします")), 0, wxRIGHT, 8);
  buttons->Add(new wxButton(this, wxID_CANCEL, ToWx("拒否します")));
  Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { EndModal(ID_NEXT_TIME); }, ID_NEXT_TIME);

  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(row, 0, wxEXPAND | wxALL, 16);
  top->Add(buttons, 0, wxALIGN_RIGHT | wxLEFT | wxRIGHT | wxBOTTOM, 16);
  SetSizerAndFit(top);
  yes->SetFocus();
  CentreOnScreen();
  Bind(wxEVT_INIT_DIALOG, [this](wxInitDialogEvent& event) {
    event.Skip();
    if (g_shownHook) CallAfter([this] { g_shownHook(*this); });
  });
}

AnnounceAnswer CAnnounceDlg::ToAnswer(int code) {
  if (code == wxID_OK) return AnnounceAnswer::Yes;
  if (code == ID_NEXT_TIME) return AnnounceAnswer::NextTime;
  return AnnounceAnswer::Refuse;
}
