// "チェックオプション": how the item is compared and the Japanese code of its page. This
// version of the page only tells the user that the comparison settings are kept as they
// are; the item's comparison fields pass through the sheet unchanged.
#pragma once

#include "gui/ui/sheet/sheet_page.h"

class CCKOption : public CSheetPage {
 public:
  CCKOption(wxWindow* book, const SheetServices& services);

  void OnOK(WatchItem&) override {}

 private:
  void OnFirstActivation(WatchItem&) override {}
};
