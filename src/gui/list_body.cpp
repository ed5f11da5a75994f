#include "gui/list_body.h"

#include <wx/listctrl.h>

namespace {

// The control keeps its body in a protected member of a type it does not publish; a
// pointer to that member, taken through a derived class, reads it on any list control.
struct CBodyAccess : wxListCtrl {
  static auto Member() { return &CBodyAccess::m_mainWin; }
};

}  // namespace

wxWindow* ListBody(wxListCtrl* list) {
  const void* body = list->*CBodyAccess::Member();
  for (wxWindow* child : list->GetChildren()) {
    if (static_cast<const void*>(child) == body) return child;
  }
  return list;
}
