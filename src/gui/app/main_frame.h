// The main window. The program ends when it closes.
#pragma once

#include <wx/frame.h>

class CMainDlg : public wxFrame {
 public:
  CMainDlg();
};
