// "フォームデータ編集": one name and its value (several lines allowed), without checks of
// its own. A line break in the value is CR LF in the form data, as the page posts it.
#pragma once

#include <wx/dialog.h>

#include "core/ui/form_data.h"

class wxTextCtrl;

class CFormDataDlg : public wxDialog {
 public:
  CFormDataDlg(wxWindow* parent, const FormField& field);
  FormField Field() const;

 private:
  wxTextCtrl* m_name = nullptr;
  wxTextCtrl* m_value = nullptr;
};
