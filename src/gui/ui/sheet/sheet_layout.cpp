#include "gui/ui/sheet/sheet_layout.h"

#include <algorithm>
#include <wx/button.h>
#include <wx/textctrl.h>

namespace {

// What the field's frame and inner margins add to the height of its text.
constexpr int kTextFrameHeight = 10;

}  // namespace

void FitTextHeights(wxWindow* root) {
  for (wxWindow* child : root->GetChildren()) {
    auto* text = wxDynamicCast(child, wxTextCtrl);
    if (text && !text->IsMultiLine()) {
      int height = std::max(text->GetBestSize().GetHeight(),
                            text->GetCharHeight() + text->FromDIP(kTextFrameHeight));
      text->SetMinSize(wxSize(text->GetMinSize().GetWidth(), height));
    }
    FitTextHeights(child);
  }
}

wxButton* AddOkCancel(wxWindow* dialog, wxSizer* top, const char* cancelLabel) {
  // The desktop's order of OK and Cancel.
  auto* buttons = new wxStdDialogButtonSizer();
  auto* ok = new wxButton(dialog, wxID_OK, ToWx("OK"));
  buttons->AddButton(ok);
  buttons->AddButton(new wxButton(dialog, wxID_CANCEL, ToWx(cancelLabel)));
  buttons->Realize();
  top->Add(buttons, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, kBorder);
  ok->SetDefault();
  return ok;
}
