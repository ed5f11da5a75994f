#include "gui/ui/sheet/page_page.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "core/common/app_settings.h"
#include "core/common/prompter.h"
#include "core/watch/item_tags.h"
#include "gui/app/main_messages.h"
#include "gui/ui/sheet/sheet_layout.h"
#include "gui/wx_text.h"

CPagePage::CPagePage(wxWindow* book, const SheetServices& services)
    : CSheetPage(book, services) {
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* fields = new wxFlexGridSizer(3, kGap, kGap);
  fields->AddGrowableCol(1);

  m_name = new wxTextCtrl(this, wxID_ANY);
  AddLabelled(fields, this, "名前", m_name);
  fields->Add(Label(this, "（オプション）"), 0, wxALIGN_CENTER_VERTICAL);

  m_tags = new wxTextCtrl(this, wxID_ANY);
  AddLabelled(fields, this, "タグ", m_tags);
  fields->Add(Label(this, "（空白で区切る）"), 0, wxALIGN_CENTER_VERTICAL);

  m_url = new wxTextCtrl(this, wxID_ANY, wxString(), wxDefaultPosition,
                         wxSize(FromDIP(320), -1));
  AddLabelled(fields, this, "ＵＲＬ", m_url);
  auto* checkUrl = new wxButton(this, wxID_ANY, ToWx("チェック"));
  fields->Add(checkUrl, 0, wxALIGN_CENTER_VERTICAL);

  m_referer = new wxTextCtrl(this, wxID_ANY);
  AddLabelled(fields, this, "リンク元ＵＲＬ", m_referer);
  auto* refererButtons = new wxBoxSizer(wxHORIZONTAL);
  auto* clear = new wxButton(this, wxID_ANY, ToWx("クリア"));
  auto* checkReferer = new wxButton(this, wxID_ANY, ToWx("チェック"));
  refererButtons->Add(clear, 0, wxRIGHT, kGap);
  refererButtons->Add(checkReferer);
  fields->Add(refererButtons, 0, wxALIGN_CENTER_VERTICAL);

  m_user = new wxTextCtrl(this, wxID_ANY);
  AddLabelled(fields, this, "ユーザー名", m_user);
  fields->AddSpacer(0);
  m_password = new wxTextCtrl(this, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
                              wxTE_PASSWORD);
  AddLabelled(fields, this, "パスワード", m_password);
  fields->AddSpacer(0);
  top->Add(fields, 0, wxEXPAND | wxALL, kBorder);

  auto* proxyBox = new wxStaticBoxSizer(wxHORIZONTAL, this, ToWx("このページだけに使うプロキシ"));
  wxWindow* proxyParent = proxyBox->GetStaticBox();
  m_proxyHost = new wxTextCtrl(proxyParent, wxID_ANY);
  m_proxyPort = new wxTextCtrl(proxyParent, wxID_ANY);
  m_proxyPort->SetInitialSize(m_proxyPort->GetSizeFromTextSize(GetTextExtent(wxString(6, '0')).GetWidth()));
  proxyBox->Add(Label(proxyParent, "ホスト名またはIPアドレス"), 0, wxALIGN_CENTER_VERTICAL | wxALL, kGap);
  proxyBox->Add(m_proxyHost, 1, wxALIGN_CENTER_VERTICAL | wxALL, kGap);
  proxyBox->Add(Label(proxyParent, "ポート"), 0, wxALIGN_CENTER_VERTICAL | wxALL, kGap);
  proxyBox->Add(m_proxyPort, 0, wxALIGN_CENTER_VERTICAL | wxALL, kGap);
  top->Add(proxyBox, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, kBorder);

  auto* browserBox = new wxStaticBoxSizer(wxHORIZONTAL, this, ToWx("仮想ブラウザ"));
  wxWindow* browserParent = browserBox->GetStaticBox();
  m_msie = new wxRadioButton(browserParent, wxID_ANY, ToWx("MSIE"), wxDefaultPosition,
                             wxDefaultSize, wxRB_GROUP);
  m_netscape = new wxRadioButton(browserParent, wxID_ANY, ToWx("Netscape"));
  m_own = new wxRadioButton(browserParent, wxID_ANY, ToWx("Pagewarden"));
  m_firefox = new wxRadioButton(browserParent, wxID_ANY, ToWx("Firefox"));
  for (wxRadioButton* button : {m_msie, m_netscape, m_own, m_firefox}) {
    browserBox->Add(button, 0, wxALL, kGap);
  }
  top->Add(browserBox, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, kBorder);
  AddRenderingBox(top);
  SetSizer(top);

  checkUrl->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { CheckUrl(); });
  checkReferer->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { CheckReferer(); });
  clear->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { m_referer->Clear(); });
}

// Pages that scripts build: fetched through the headless browser, which sends no form data.
void CPagePage::AddRenderingBox(wxSizer* top) {
  auto* box = new wxStaticBoxSizer(wxVERTICAL, this, ToWx("スクリプトが作るページ"));
  wxWindow* parent = box->GetStaticBox();
  m_renderInBrowser = new wxCheckBox(parent, wxID_ANY, ToWx("ブラウザで表示してから比較する"));
  box->Add(m_renderInBrowser, 0, wxALL, kGap);
  auto* wait = new wxBoxSizer(wxHORIZONTAL);
  m_waitFor = new wxTextCtrl(parent, wxID_ANY);
  m_waitFor->SetHint(ToWx("CSS セレクタ (空: 通信が止むまで)"));
  wait->Add(Label(parent, "待つ要素"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, kGap);
  wait->Add(m_waitFor, 1, wxALIGN_CENTER_VERTICAL);
  box->Add(wait, 0, wxEXPAND | wxLEFT | wxRIGHT, kGap);
  box->Add(Label(parent, "フォーム送信データは送れません。表示には数秒かかります。"), 0, wxALL, kGap);
  top->Add(box, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, kBorder);
  m_renderInBrowser->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) {
    m_waitFor->Enable(m_renderInBrowser->GetValue());
  });
}

void CPagePage::OnFirstActivation(WatchItem& item) {
  PageDataFields fields = LoadPageData(item, m_services.settings.m_proxy);
  m_name->ChangeValue(ToWx(fields.name));
  m_tags->ChangeValue(ToWx(item.m_tags));
  m_url->ChangeValue(ToWx(fields.url));
  m_referer->ChangeValue(ToWx(fields.referer));
  m_user->ChangeValue(ToWx(fields.user));
  m_password->ChangeValue(ToWx(fields.password));
  m_proxyHost->ChangeValue(ToWx(fields.proxyHost));
  m_proxyPort->ChangeValue(ToWx(fields.proxyPort));
  m_msie->SetValue(fields.browser == VirtualBrowser::Msie);
  m_netscape->SetValue(fields.browser == VirtualBrowser::Netscape);
  m_own->SetValue(fields.browser == VirtualBrowser::Pagewarden);
  m_firefox->SetValue(fields.browser == VirtualBrowser::Firefox);
  m_renderInBrowser->SetValue(item.m_browser != 0);
  m_waitFor->ChangeValue(ToWx(item.m_waitFor));
  m_waitFor->Enable(item.m_browser != 0);
}

void CPagePage::StoreRendering(WatchItem& item) const {
  item.m_browser = m_renderInBrowser->GetValue() ? 1 : 0;
  item.m_waitFor = item.m_browser ? FromWx(m_waitFor->GetValue()) : std::string();
}

PageDataFields CPagePage::FieldsFromControls() const {
  PageDataFields fields;
  fields.name = FromWx(m_name->GetValue());
  fields.url = FromWx(m_url->GetValue());
  fields.referer = FromWx(m_referer->GetValue());
  fields.user = FromWx(m_user->GetValue());
  fields.password = FromWx(m_password->GetValue());
  fields.proxyHost = FromWx(m_proxyHost->GetValue());
  fields.proxyPort = FromWx(m_proxyPort->GetValue());
  fields.browser = m_netscape->GetValue() ? VirtualBrowser::Netscape
                   : m_msie->GetValue()   ? VirtualBrowser::Msie
                   : m_firefox->GetValue() ? VirtualBrowser::Firefox
                                          : VirtualBrowser::Pagewarden;
  return fields;
}

bool CPagePage::OnKillActive() {
  auto typed = [](wxTextCtrl* field) { return field->GetValue().utf8_string(); };
  std::string refused = ForeignCharacterMessage(
      {{"名前", typed(m_name)}, {"タグ", typed(m_tags)}, {"ＵＲＬ", typed(m_url)}, {"リンク元ＵＲＬ", typed(m_referer)},
       {"ユーザー名", typed(m_user)}, {"パスワード", typed(m_password)},
       {"ホスト名またはIPアドレス", typed(m_proxyHost)}, {"ポート", typed(m_proxyPort)},
       {"待つ要素", typed(m_waitFor)}});
  if (!refused.empty()) {
    m_services.prompter.ShowMessage(refused, IPrompter::Buttons::Ok, IPrompter::Icon::Warning);
    return false;
  }
  // The other pages work on the address as typed, and the source view fetches as chosen.
  Item().m_url = FromWx(m_url->GetValue());
  StoreRendering(Item());
  return true;
}

bool CPagePage::CanAccept() {
  std::string refusal = PageDataRefusal(FieldsFromControls());
  if (refusal.empty()) return true;
  m_services.prompter.ShowMessage(refusal, IPrompter::Buttons::Ok, IPrompter::Icon::Warning);
  wxTextCtrl* field = refusal == kBadPageProxyPort ? m_proxyPort : m_url;
  field->SetFocus();
  field->SelectAll();
  return false;
}

void CPagePage::OnOK(WatchItem& item) {
  StorePageData(FieldsFromControls(), m_services.settings.m_proxy, item);
  item.m_tags = JoinTags(TagWords(FromWx(m_tags->GetValue())));
  StoreRendering(item);
}

void CPagePage::CheckUrl() {
  if (m_url->IsEmpty()) return;
  Item().m_url = FromWx(m_url->GetValue());
  m_services.mainWindow.DisplayPage(IMainWindowMessages::DisplayKind::Request,
                                    static_cast<const FetchRequest&>(Item()));
}

void CPagePage::CheckReferer() {
  m_services.mainWindow.DisplayPage(IMainWindowMessages::DisplayKind::Address,
                                    FromWx(m_referer->GetValue()));
}
