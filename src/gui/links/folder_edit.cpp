#include "gui/links/folder_edit.h"

#include "gui/links/folder_browser.h"
#include "gui/wx_text.h"

CFolder::CFolder(wxWindow* parent, wxWindowID id, const wxPoint& position, const wxSize& size)
    : wxTextCtrl(parent, id, wxString(), position, size, wxTE_PROCESS_ENTER) {}

int CFolder::Browse(IPrompter& prompter) {
  CFolderBrowser browser(wxGetTopLevelParent(this), prompter);
  browser.SetInitialFolder(FromWx(GetValue()));
  std::string chosen = browser.Run();
  if (chosen.empty()) return -1;
  ChangeValue(ToWx(chosen));
  return 0;
}
