#include "gui/app/main_frame.h"

#include "core/app/version.h"
#include "gui/wx_text.h"

CMainDlg::CMainDlg() : wxFrame(nullptr, wxID_ANY, ToWx(kProductTitle)) {}
