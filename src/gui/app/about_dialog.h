// The about box "Pagewardenのﾊﾞｰｼﾞｮﾝ情報": the icon, the version line and "OK".
#pragma once

#include <wx/dialog.h>

class CAboutDlg : public wxDialog {
 public:
  explicit CAboutDlg(wxWindow* parent);
};
