// "ページデータ": the page's name, its tags, address, referring address, user name and password, a
// proxy for this page only and the browser identity, with "チェック" buttons that show the
// page and the referring page, and "クリア" for the referring address.
#pragma once

#include "core/ui/page_data_form.h"
#include "gui/ui/sheet/sheet_page.h"

class wxRadioButton;
class wxTextCtrl;

class CPagePage : public CSheetPage {
 public:
  CPagePage(wxWindow* book, const SheetServices& services);

  bool OnKillActive() override;
  bool CanAccept() override;
  void OnOK(WatchItem& item) override;

  // For tests: the controls in the order of the fields.
  wxTextCtrl* UrlField() const { return m_url; }
  wxTextCtrl* NameField() const { return m_name; }
  wxTextCtrl* TagsField() const { return m_tags; }

 private:
  void OnFirstActivation(WatchItem& item) override;
  PageDataFields FieldsFromControls() const;
  void CheckUrl();
  void CheckReferer();

  wxTextCtrl* m_name = nullptr;
  wxTextCtrl* m_tags = nullptr;
  wxTextCtrl* m_url = nullptr;
  wxTextCtrl* m_referer = nullptr;
  wxTextCtrl* m_user = nullptr;
  wxTextCtrl* m_password = nullptr;
  wxTextCtrl* m_proxyHost = nullptr;
  wxTextCtrl* m_proxyPort = nullptr;
  wxRadioButton* m_msie = nullptr;
  wxRadioButton* m_netscape = nullptr;
  wxRadioButton* m_own = nullptr;
  wxRadioButton* m_firefox = nullptr;
};
