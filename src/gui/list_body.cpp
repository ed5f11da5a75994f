#include "gui/list_body.h"

#include <wx/listctrl.h>

wxWindow* ListBody(wxListCtrl* list) {
  for (wxWindow* child : list->GetChildren()) {
    const wxClassInfo* info = child->GetClassInfo();
    if (info && wxString(info->GetClassName()) == wxASCII_STR("wxListMainWindow")) {
      return child;
    }
  }
  return list;
}
