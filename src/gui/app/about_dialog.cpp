#include "gui/app/about_dialog.h"

#include <string>
#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "core/common/version.h"
#include "gui/app/app_icon.h"
#include "gui/wx_text.h"

CAboutDlg::CAboutDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, ToWx("Pagewardenのﾊﾞｰｼﾞｮﾝ情報")) {
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(new wxStaticBitmap(this, wxID_ANY, MakeAppBitmap(32)), 0, wxALL, 12);
  std::string version = std::string(kProductName) + " Version " + kProductVersion;
  auto* line = new wxStaticText(this, wxID_ANY, ToWx(version));
  line->SetName(wxASCII_STR("version"));
  row->Add(line, 1, wxALIGN_CENTER_VERTICAL | wxRIGHT, 24);
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(row, 0, wxEXPAND | wxTOP, 4);
  auto* ok = new wxButton(this, wxID_OK, ToWx("OK"));
  ok->SetDefault();
  top->Add(ok, 0, wxALIGN_RIGHT | wxALL, 10);
  SetSizerAndFit(top);
  CentreOnParent();
}
