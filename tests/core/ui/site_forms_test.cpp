// The rules of the site definition pages, without a display: form data rows, the numeric
// field's steps, the page data fields, the update options and their test send.
#include <gtest/gtest.h>

#include "core/common/app_settings.h"
#include "core/common/version.h"
#include "core/common/path_utils.h"
#include "core/mail/loop_dialog_host.h"
#include "core/ui/form_data.h"
#include "core/ui/num_field.h"
#include "core/ui/page_data_form.h"
#include "core/ui/update_options_form.h"
#include "core/watch/watch_item.h"
#include "platform/program_folder.h"
#include "support/scripted_mail_server.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

namespace {

using Rows = std::vector<FormField>;
using Answer = IPrompter::Answer;

TEST(FormData, ParsesAndBuildsTheBodyThatIsPosted) {
  EXPECT_EQ(ParseFormData("a=1&&b=%e3%81%82"), (Rows{{"a", "1"}, {"b", "\xe3\x81\x82"}}));
  EXPECT_EQ(BuildFormData(ParseFormData("a=1&&b=%e3%81%82")), "a=1&b=%e3%81%82");
  // Without "=" the piece is a name, taken as it is; an "=" in a value stays in it.
  EXPECT_EQ(ParseFormData("fl+ag&x=a%3db=c"), (Rows{{"fl+ag", ""}, {"x", "a=b=c"}}));
  EXPECT_EQ(BuildFormData({{"flag", ""}}), "flag=");
  EXPECT_EQ(BuildFormData({{"msg", "1\r\n2 3"}}), "msg=1%0d%0a2+3");
  Rows japanese{{"名前", "二行\r\nの 値"}};
  EXPECT_EQ(ParseFormData(BuildFormData(japanese)), japanese);
  EXPECT_EQ(BuildFormData({}), "");
  EXPECT_TRUE(ParseFormData("&&").empty());
  // The edit field shows line feeds; the form data keeps CR LF.
  EXPECT_EQ(FormValueForEdit("a\r\nb"), "a\nb");
  EXPECT_EQ(FormValueFromEdit("a\nb\r\nc"), "a\r\nb\r\nc");
}

TEST(FormData, EditDeleteAndInsertFollowTheSelectionAndAskAboutEmptyNames) {
  CScriptedPrompter prompter;
  CFormDataRows rows({{"a", "1"}, {"b", "2"}, {"c", "3"}});
  EXPECT_EQ(CFormDataRows::EditTarget({}), std::nullopt);
  EXPECT_EQ(CFormDataRows::EditTarget({0, 2}), std::nullopt);
  EXPECT_EQ(CFormDataRows::EditTarget({1}), 1);
  EXPECT_EQ(rows.InsertPosition({}), 3);
  EXPECT_EQ(rows.InsertPosition({1}), 1);
  EXPECT_EQ(rows.InsertPosition({0, 1}), std::nullopt);

  rows.ApplyEdit(1, {"B", "two"}, prompter);
  prompter.QueueAnswer(Answer::No);
  rows.ApplyEdit(0, {"", "x"}, prompter);  // kept unchanged
  EXPECT_EQ(rows.Rows(), (Rows{{"a", "1"}, {"B", "two"}, {"c", "3"}}));
  prompter.QueueAnswer(Answer::Yes);
  rows.ApplyEdit(0, {"", "x"}, prompter);  // deleted
  EXPECT_EQ(rows.Rows(), (Rows{{"B", "two"}, {"c", "3"}}));
  ASSERT_EQ(prompter.Messages().size(), 2u);
  EXPECT_NE(prompter.Messages()[0].find("削除しますか？"), std::string::npos);

  prompter.QueueAnswer(Answer::Yes);
  rows.ApplyInsert(0, {"", "v"}, prompter);  // the insertion is cancelled
  prompter.QueueAnswer(Answer::No);
  rows.ApplyInsert(0, {"", "v"}, prompter);  // inserted with the empty name
  rows.ApplyInsert(3, {"z", "9"}, prompter);
  EXPECT_EQ(rows.Rows(), (Rows{{"", "v"}, {"B", "two"}, {"c", "3"}, {"z", "9"}}));
  EXPECT_NE(prompter.Messages()[2].find("挿入を取り消しますか？"), std::string::npos);

  rows.Delete({3, 0, 3});
  EXPECT_EQ(rows.Rows(), (Rows{{"B", "two"}, {"c", "3"}}));
}

TEST(NumField, StepsKeepTheWidthAndStopAtTheLimits) {
  CNumField month;
  EXPECT_EQ(month.SetMinimum("1"), 1);  // no maximum yet: only zeros pass
  EXPECT_EQ(month.SetMaximum("12"), 0);
  EXPECT_EQ(month.SetMinimum("13"), 1);
  EXPECT_EQ(month.SetMinimum(""), 1);
  EXPECT_EQ(month.SetMinimum("1"), 0);
  EXPECT_EQ(month.SetMaximum("0"), 1);
  month.SetText("11");
  month.StepUp();
  EXPECT_EQ(month.Text(), "12");
  month.StepUp();
  EXPECT_EQ(month.Text(), "12");
  month.SetText("02");
  month.StepDown();
  EXPECT_EQ(month.Text(), "01");
  month.StepDown();
  EXPECT_EQ(month.Text(), "01");

  // No maximum: any length, carried in 6-digit chunks; zeros are the floor.
  CNumField offset;
  offset.SetText("9999999");
  offset.StepUp();
  EXPECT_EQ(offset.Text(), "10000000");
  offset.SetText("1000000");
  offset.StepDown();
  EXPECT_EQ(offset.Text(), "0999999");
  offset.SetText("000");
  offset.StepDown();
  EXPECT_EQ(offset.Text(), "000");
  offset.SetText("099");  // typed text is not held to the limits
  offset.StepUp();
  EXPECT_EQ(offset.Text(), "100");
}

TEST(PageData, ProxyAndBrowserRulesOnLoadAndStore) {
  FetchRequest request;
  request.m_url = "http://example.jp/";
  request.m_proxy = "global:8080";
  request.m_userAgent = kNetscapeAgent;
  PageDataFields fields = LoadPageData(request, "global:8080");
  EXPECT_EQ(fields.url, "http://example.jp/");
  EXPECT_EQ(fields.proxyHost, "");
  EXPECT_EQ(fields.proxyPort, "");
  EXPECT_EQ(fields.browser, VirtualBrowser::Netscape);
  // Confirmed with empty proxy fields: the global proxy of that moment.
  StorePageData(fields, "other:3128", request);
  EXPECT_EQ(request.m_proxy, "other:3128");
  EXPECT_EQ(request.m_userAgent, kNetscapeAgent);

  request.m_proxy = "own.example:81:x";
  request.m_userAgent = "curl/8";
  fields = LoadPageData(request, "");
  EXPECT_EQ(fields.proxyHost, "own.example");
  EXPECT_EQ(fields.proxyPort, "81:x");
  EXPECT_EQ(fields.browser, VirtualBrowser::Pagewarden);
  fields.proxyPort.clear();  // half a proxy is none
  fields.browser = VirtualBrowser::Msie;
  StorePageData(fields, "", request);
  EXPECT_EQ(request.m_proxy, "");
  EXPECT_EQ(request.m_userAgent, kMsieAgent);
  EXPECT_EQ(AgentOfBrowser(VirtualBrowser::Pagewarden), std::string(kProductName) + kProductVersion);

  request.m_proxy = "noport";
  fields = LoadPageData(request, "");
  EXPECT_EQ(fields.proxyHost + fields.proxyPort, "");
}

TEST(PageData, TypedTextsThatShiftJisCannotHoldKeepTheUserOnThePage) {
  EXPECT_EQ(ForeignCharacterMessage({{"名前", "\xE3\x83\x8B\xE3\x80\x9C"}, {"ＵＲＬ", "http://a.jp/"}}), "");
  EXPECT_EQ(ForeignCharacterMessage({{"名前", "ok"}, {"ユーザー名", "me\xF0\x9F\x98\x80"}}),
            "「ユーザー名」のShift_JIS (CP932) にない文字 U+1F600 は保存できません。\n"
            "別の文字に置き換えてください。");
}

TEST(PageData, TheGlobalProxyLoginStaysInTheSettingsAndFirefoxIsAPreset) {
  FetchRequest request;
  PageDataFields fields = LoadPageData(request, "taro:pw@global:8080");
  StorePageData(fields, "taro:pw@global:8080", request);
  EXPECT_EQ(request.m_proxy, "global:8080") << "no password in the watch list";
  fields = LoadPageData(request, "taro:pw@global:8080");
  EXPECT_EQ(fields.proxyHost + fields.proxyPort, "") << "still the global proxy";

  fields.browser = VirtualBrowser::Firefox;
  StorePageData(fields, "", request);
  EXPECT_EQ(request.m_userAgent, kFirefoxAgent);
  EXPECT_EQ(LoadPageData(request, "").browser, VirtualBrowser::Firefox);
  // Older identities stay what they were.
  request.m_userAgent = kMsieAgent;
  EXPECT_EQ(LoadPageData(request, "").browser, VirtualBrowser::Msie);

  fields.url = "http://exa mple.org/";
  EXPECT_EQ(PageDataRefusal(fields), "URL のホスト名に空白があります。");
  fields.url = "https://例え.jp/ページ";
  EXPECT_EQ(PageDataRefusal(fields), "");
}

TEST(PageData, AnEmptyOrUnfetchableAddressAndABadProxyPortAreRefused) {
  PageDataFields fields;
  EXPECT_EQ(PageDataRefusal(fields), kNoUrl);
  for (const char* url : {"ftp://example.jp/", "example.jp", "file:///etc/passwd"}) {
    fields.url = url;
    EXPECT_NE(PageDataRefusal(fields).find("http"), std::string::npos) << url;
  }
  fields.url = "HTTPS://example.jp/";
  EXPECT_EQ(PageDataRefusal(fields), "");
  fields.proxyHost = "proxy.example.jp";
  for (const char* port : {"0", "65536", "80a", "123456"}) {
    fields.proxyPort = port;
    EXPECT_EQ(PageDataRefusal(fields), kBadPageProxyPort) << port;
  }
  fields.proxyPort = "65535";
  EXPECT_EQ(PageDataRefusal(fields), "");
}

TEST(UpdateOptions, FieldsEnablingAndWhatOkWrites) {
  WatchItem item;
  item.m_savePath = "/data/page.html";
  item.m_soundUse = 0;
  item.m_useMail = 1;
  item.m_mailTo = "hanako@example.jp";
  CUpdateOptionsForm form;
  form.SetItem(item);
  form.Load(item);
  EXPECT_EQ(form.Values().saveFile, "/data/page.html");
  EXPECT_TRUE(form.Values().popUp);
  EXPECT_FALSE(form.Enabled().soundFile);
  EXPECT_TRUE(form.Enabled().preview);  // the buttons start as drawn
  EXPECT_TRUE(form.Enabled().mailFields);

  form.Values().soundFile = "mine.wav";
  form.ChooseSound(CUpdateOptionsForm::kStandard);
  EXPECT_EQ(form.Values().soundFile, "notify.wav");
  EXPECT_FALSE(form.Enabled().soundBrowse);
  form.ChooseSound(CUpdateOptionsForm::kNoSound);
  EXPECT_FALSE(form.Enabled().preview);
  form.ChooseSound(CUpdateOptionsForm::kSoundFile);
  EXPECT_TRUE(form.Enabled().soundFile && form.Enabled().soundBrowse && form.Enabled().preview);
  form.ToggleMail();
  EXPECT_FALSE(form.Enabled().mailFields);

  form.Values().soundFile = "";
  std::string standard = form.SoundToPlay();
  EXPECT_EQ(standard.substr(standard.rfind('/')), "/notify.wav");
  form.Values().soundFile = "/usr/share/sounds/bell.wav";
  EXPECT_EQ(form.SoundToPlay(), "/usr/share/sounds/bell.wav");

  form.Values().download = DownloadMode::NewFile;
  form.Values().exec = "http://example.jp/run";
  WatchItem stored;
  form.Store(stored);
  EXPECT_EQ(stored.m_download, DownloadMode::NewFile);
  EXPECT_EQ(stored.m_soundUse, 2);
  EXPECT_EQ(stored.m_soundFile, "/usr/share/sounds/bell.wav");
  EXPECT_EQ(stored.m_useMail, 0);
  EXPECT_EQ(stored.m_mailTo, "hanako@example.jp");
  EXPECT_EQ(stored.m_exec, "http://example.jp/run");
  EXPECT_EQ(stored.m_savePath, "/data/page.html");

  EXPECT_EQ(FilterToWildcard(kSoundFileFilter),
            "サウンドファイル(*.wav)|*.wav|すべてのファイル(*.*)|*");
  EXPECT_EQ(FilterToWildcard(kAllFilesFilter), "すべてのファイル(*.*)|*");
}

TEST(UpdateOptions, TestSendAdvisesTheSettingsOnlyWhenTheJobFailed) {
  TempFolder folder;
  platform::SetProgramFolder(folder.Path());
  CLoopDialogHost host;
  CUpdateOptionsForm form;
  form.Values().mailTo = "hanako@example.jp";
  AppSettings settings;
  settings.m_mailServer = "127.0.0.1";
  settings.m_mailAccount = "taro@example.jp";

  // Never tested: only the job's request to set the server up, and no connection.
  CScriptedPrompter unknown;
  settings.m_smtpAuthState = "不明";
  EXPECT_EQ(form.TestSend(settings, host, unknown), 0);
  EXPECT_EQ(unknown.Messages(),
            std::vector<std::string>{"「環境設定」でメールサーバーの設定をしてください。"});

  // Sent directly before, refused now, and no password for POP before SMTP.
  CScriptedMailServer smtp;
  smtp.AddConnection({CScriptedMailServer::Send("220 ready\r\n"), CScriptedMailServer::ReadLine(),
                      CScriptedMailServer::Send("554 go away\r\n"), CScriptedMailServer::ReadLine(),
                      CScriptedMailServer::Send("221 bye\r\n")});
  settings.m_mailPort = smtp.Port();
  settings.m_smtpAuthState = "NO_AUTH";
  CScriptedPrompter refused;
  EXPECT_EQ(form.TestSend(settings, host, refused), -1);
  EXPECT_EQ(refused.Messages(),
            (std::vector<std::string>{"メールが送れませんでした。\n接続が拒否されました。(サーバーの応答: 554 go away)",
                                      kTestAgainInSettings}));
}

}  // namespace
