// The environment settings dialog's rules without a display: what it shows, what it
// refuses, what OK writes back, and the test send against a scripted mail server.
#include "core/app/env_settings.h"

#include <gtest/gtest.h>

#include "core/mail/loop_dialog_host.h"
#include "support/companion_environment.h"
#include "support/scripted_mail_server.h"
#include "support/scripted_prompter.h"

namespace {

AppSettings Stored() {
  AppSettings settings;
  settings.m_mailServer = "mail.example.jp";
  settings.m_mailPort = 587;
  settings.m_mailAccount = "taro@example.jp";
  settings.m_mailPassword = "secret";
  settings.m_proxy = "proxy.example.jp:8080";
  settings.m_noProxyForLocal = 0;
  settings.m_listDoubleClick = 1;
  settings.m_startResident = 1;
  return settings;
}

}  // namespace

TEST(EnvSettings, OpensWithTheSettingsAndOkWritesEveryValueBack) {
  CEnvSettings dialog(Stored());
  const EnvDialogValues& shown = dialog.Values();
  EXPECT_EQ(shown.proxyHost, "proxy.example.jp");
  EXPECT_EQ(shown.proxyPort, "8080");
  EXPECT_EQ(shown.mailPort, "587");
  EXPECT_EQ(shown.listDoubleClick, 1);
  EXPECT_EQ(dialog.AuthText(), "不明");

  dialog.Values().resetOnListClose = 1;
  dialog.Values().mailPort = " 25 ";
  dialog.Values().noProxyForLocal = 1;
  ASSERT_FALSE(dialog.Check());
  AppSettings settings = Stored();
  settings.m_linkOverwrite = 1;
  dialog.StoreInto(settings);
  EXPECT_EQ(settings.m_mailPort, 25);
  EXPECT_EQ(settings.m_resetOnListClose, 1);
  EXPECT_EQ(settings.m_noProxyForLocal, 1);
  EXPECT_EQ(settings.m_proxy, "proxy.example.jp:8080");
  EXPECT_EQ(settings.m_smtpAuthState, "");  // no test: still unknown
  EXPECT_EQ(settings.m_linkOverwrite, 1);   // not the dialog's

  // The check's limits: shown, and written back within their ranges.
  EXPECT_EQ(dialog.Values().fetchTimeLimit, 300);
  dialog.Values().fetchTimeLimit = 0;
  dialog.Values().pageSizeLimitMiB = 99999;
  dialog.StoreInto(settings);
  EXPECT_EQ(settings.m_fetchTimeLimit, 0);
  EXPECT_EQ(settings.m_pageSizeLimitMiB, 4096);

  // A stored proxy without ':' shows nothing; clearing either field stores none.
  AppSettings noColon;
  noColon.m_proxy = "proxyonly";
  EXPECT_EQ(CEnvSettings(noColon).Values().proxyHost, "");
  dialog.Values().proxyPort = "";
  dialog.StoreInto(settings);
  EXPECT_EQ(settings.m_proxy, "");

  // The user name and the alarm; which login works is forgotten with another account.
  AppSettings known = Stored();
  known.m_mailLoginForm = kLoginLocalPart;
  known.m_errorAlertAfter = 5;
  CEnvSettings login(known);
  EXPECT_EQ(login.Values().errorAlertAfter, 5);
  login.Values().errorAlertAfter = 0;
  login.StoreInto(known);
  EXPECT_EQ(known.m_mailLoginForm, kLoginLocalPart);
  EXPECT_EQ(known.m_errorAlertAfter, 0);
  login.Values().mailUser = "taro-login";
  login.StoreInto(known);
  EXPECT_EQ(known.m_mailUser, "taro-login");
  EXPECT_EQ(known.m_mailLoginForm, kLoginNotKnown);

  // No server: the test says so and sends nothing.
  CLoopDialogHost host;
  CScriptedPrompter prompter;
  login.Values().mailServer = " ";
  login.TestSend(host, prompter);
  EXPECT_EQ(prompter.Messages().back(), "メールサーバーが設定されていません。");
  EXPECT_EQ(host.DialogCount(), 0);
}

TEST(EnvSettings, AProxyLoginAndTheExtraCaFileGoThroughTheDialogUnchanged) {
  AppSettings stored = Stored();
  stored.m_proxy = "taro:p@ss:w@proxy.example.jp:3128";
  stored.m_extraCaFile = "/etc/hostname";
  CEnvSettings dialog(stored);
  EXPECT_EQ(dialog.Values().proxyHost, "proxy.example.jp");
  EXPECT_EQ(dialog.Values().proxyPort, "3128");
  EXPECT_EQ(dialog.Values().proxyUser, "taro");
  EXPECT_EQ(dialog.Values().proxyPassword, "p@ss:w");
  ASSERT_FALSE(dialog.Check());
  AppSettings settings;
  dialog.StoreInto(settings);
  EXPECT_EQ(settings.m_proxy, stored.m_proxy);
  EXPECT_EQ(settings.m_extraCaFile, "/etc/hostname");

  dialog.Values().proxyUser = "ta:ro";
  ASSERT_TRUE(dialog.Check());
  EXPECT_EQ(dialog.Check()->field, EnvRefusal::Field::ProxyUser);
  dialog.Values().proxyUser = "";  // a password without a user
  ASSERT_TRUE(dialog.Check());
  dialog.Values().proxyPassword = "";
  dialog.Values().extraCaFile = "/no/such/ca.pem";
  ASSERT_TRUE(dialog.Check());
  EXPECT_EQ(dialog.Check()->field, EnvRefusal::Field::ExtraCaFile);
}

TEST(EnvSettings, RefusesPortsOutOfRangeAndAProxyThatCannotBeJoined) {
  CEnvSettings dialog(Stored());
  for (const char* port : {"65536", "0", "-1", "abc", "", "25x"}) {
    dialog.Values().mailPort = port;
    std::optional<EnvRefusal> refusal = dialog.Check();
    ASSERT_TRUE(refusal) << port;
    EXPECT_EQ(refusal->field, EnvRefusal::Field::MailPort);
    EXPECT_EQ(refusal->message, "ポートには 1 から 65535 までの整数を入力してください。");
  }
  for (const char* port : {"1", "30001", "65535"}) {
    dialog.Values().mailPort = port;
    EXPECT_FALSE(dialog.Check()) << port;
  }

  dialog.Values().proxyPort = "80a";
  ASSERT_TRUE(dialog.Check());
  EXPECT_EQ(dialog.Check()->field, EnvRefusal::Field::ProxyPort);
  dialog.Values().proxyPort = "8080";
  dialog.Values().proxyHost = "proxy.example.jp:3128";
  ASSERT_TRUE(dialog.Check());
  EXPECT_EQ(dialog.Check()->field, EnvRefusal::Field::ProxyHost);
}

TEST(EnvSettings, TestSendFindsTheStateWhichOnlyOkKeeps) {
  CompanionEnvironment world;  // the communication log goes to its program folder
  CScriptedMailServer smtp(kMaxMailPort);
  using Server = CScriptedMailServer;
  Server::Script delivers = {Server::Send("220 ready\r\n")};
  for (const char* reply : {"250 mail\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n"}) {
    delivers.push_back(Server::ReadLine());
    delivers.push_back(Server::Send(reply));
  }
  for (Server::Step step : {Server::ReadData(), Server::Send("250 queued\r\n"),
                            Server::ReadLine(), Server::Send("221 bye\r\n")}) {
    delivers.push_back(step);
  }
  smtp.AddConnection(delivers);
  AppSettings stored = Stored();
  stored.m_smtpAuthState = "SMTP_AUTH";
  CEnvSettings dialog(stored);
  dialog.Values().mailServer = "127.0.0.1";
  dialog.Values().mailPort = std::to_string(smtp.Port());
  dialog.Values().mailPassword = "";
  CLoopDialogHost host;
  CScriptedPrompter prompter;

  dialog.Values().mailAccount = "@example.jp";
  dialog.TestSend(host, prompter);
  EXPECT_EQ(prompter.Messages().back(), "メールアドレスが不正です。");
  EXPECT_EQ(host.DialogCount(), 0);
  dialog.Values().mailAccount = "taro@example.jp";
  dialog.Values().mailPort = "99999";
  dialog.TestSend(host, prompter);
  EXPECT_EQ(prompter.Messages().back(), "ポートには 1 から 65535 までの整数を入力してください。");
  EXPECT_EQ(host.DialogCount(), 0);

  dialog.Values().mailPort = std::to_string(smtp.Port());
  dialog.TestSend(host, prompter);
  EXPECT_EQ(dialog.AuthText(), "NO_AUTH");
  EXPECT_EQ(dialog.AuthWords(), "認証なしで送信できます") << "the code stays in the file, words show";
  EXPECT_EQ(prompter.Messages().back(), "メール配送完了");
  EXPECT_EQ(smtp.Lines()[1], "MAIL FROM: <taro@example.jp>");

  // Cancel is not storing: the settings keep the state they had.
  EXPECT_EQ(stored.m_smtpAuthState, "SMTP_AUTH");
  dialog.StoreInto(stored);
  EXPECT_EQ(stored.m_smtpAuthState, "NO_AUTH");
}

namespace {

TEST(EnvSettings, ChoosingTheEncryptionProposesItsPortButKeepsATypedOne) {
  CEnvSettings dialog(AppSettings{});
  EXPECT_EQ(dialog.Values().mailPort, "25");
  dialog.ChooseSecurity(static_cast<int>(MailSecurity::StartTls));
  EXPECT_EQ(dialog.Values().mailPort, "587");
  dialog.ChooseSecurity(static_cast<int>(MailSecurity::Tls));
  EXPECT_EQ(dialog.Values().mailPort, "465");
  dialog.Values().mailPort = "2525";
  dialog.ChooseSecurity(static_cast<int>(MailSecurity::None));
  EXPECT_EQ(dialog.Values().mailPort, "2525");
  AppSettings stored;
  dialog.StoreInto(stored);
  EXPECT_EQ(stored.m_mailSecurity, MailSecurity::None);
  EXPECT_EQ(stored.m_mailPort, 2525);
  dialog.ChooseSecurity(static_cast<int>(MailSecurity::StartTls));
  dialog.StoreInto(stored);
  EXPECT_EQ(stored.m_mailSecurity, MailSecurity::StartTls);
  EXPECT_EQ(CEnvSettings(stored).Values().mailSecurity, 1);
}

TEST(EnvSettings, ChecksAtOnceAndThePausePerHostStayInTheirRanges) {
  AppSettings settings;
  settings.m_checkJobs = 99;  // an archive written by hand
  settings.m_hostInterval = -5;
  CEnvSettings dialog(settings);
  EXPECT_EQ(dialog.Values().checkJobs, kMaxCheckJobs);
  EXPECT_EQ(dialog.Values().hostInterval, 0);
  dialog.Values().checkJobs = 2;
  dialog.Values().hostInterval = 4000;
  dialog.StoreInto(settings);
  EXPECT_EQ(settings.m_checkJobs, 2);
  EXPECT_EQ(settings.m_hostInterval, kMaxHostInterval);
}

}  // namespace
