// "ページデータ": the page's name, its tags, address, referring address, user name and password, a
// proxy for this page only and the browser identity, with "チェック" buttons that show the
// page and the referring page, and "クリア" for the referring address; and whether the page
// is shown in the headless browser before it is compared, with the element it waits for.
#pragma once

#include "core/ui/page_data_form.h"
#include "gui/ui/sheet/sheet_page.h"

class wxCheckBox;
class wxRadioButton;
class wxSizer;
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
  wxCheckBox* RenderInBrowserBox() const { return m_renderInBrowser; }
  wxTextCtrl* WaitForField() const { return m_waitFor; }

 private:
  void OnFirstActivation(WatchItem& item) override;
  PageDataFields FieldsFromControls() const;
  void AddRenderingBox(wxSizer* top);
  void StoreRendering(WatchItem& item) const;
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
  wxCheckBox* m_renderInBrowser = nullptr;
  wxTextCtrl* m_waitFor = nullptr;
};
