#include "gui/ui/sheet/check_options_page.h"

#include <wx/sizer.h>

#include "gui/ui/sheet/sheet_layout.h"

CCKOption::CCKOption(wxWindow* book, const SheetServices& services)
    : CSheetPage(book, services) {
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(Label(this, "比較の方法と日本語コードは、ここではまだ変えられません。"
                       "\n今の設定がそのまま使われます。"),
           0, wxALL, kBorder);
  SetSizer(top);
}
