// The command line's names of the program-wide settings: each value is printed as it is
// kept, and a value outside what the name allows changes nothing.
#include "core/app/setting_names.h"

#include <gtest/gtest.h>

namespace {

std::string Get(const AppSettings& settings, const std::string& name) {
  const NamedSetting* setting = FindNamedSetting(name);
  return setting ? setting->get(settings) : "(none)";
}

bool Set(AppSettings& settings, const std::string& name, const std::string& value) {
  const NamedSetting* setting = FindNamedSetting(name);
  return setting && setting->set && setting->set(settings, value);
}

}  // namespace

TEST(SettingNames, EveryProgramWideSettingHasANameThatReadsAndWritesIt) {
  AppSettings settings;
  struct Case {
    const char* name;
    const char* value;
  };
  for (Case change : {Case{"mail-server", "smtp.example.jp"}, Case{"mail-port", "587"},
                      Case{"mail-account", "花子@example.jp"}, Case{"proxy", "proxy:8080"},
                      Case{"no-proxy-for-local", "0"}, Case{"start-resident", "1"},
                      Case{"reset-on-list-close", "1"}, Case{"list-double-click", "1"},
                      Case{"link-overwrite", "1"}, Case{"mail-security", "starttls"},
                      Case{"check-jobs", "16"}, Case{"host-interval", "3600"},
                      Case{"change-history", "0"}, Case{"autostart", "1"}}) {
    ASSERT_TRUE(Set(settings, change.name, change.value)) << change.name;
    EXPECT_EQ(Get(settings, change.name), change.value);
  }
  EXPECT_EQ(settings.m_mailPort, 587);
  EXPECT_EQ(settings.m_proxy, "proxy:8080");
  EXPECT_EQ(settings.m_listDoubleClick, 1);
  EXPECT_EQ(settings.m_linkOverwrite, 1);

  EXPECT_EQ(Get(settings, "mail-password"), "");
  ASSERT_TRUE(Set(settings, "mail-password", "秘密"));
  EXPECT_EQ(settings.m_mailPassword, "秘密");
  EXPECT_EQ(Get(settings, "mail-password"), "********");

  settings.m_smtpAuthState = "APOP_BFR_SMTP";
  EXPECT_EQ(Get(settings, "smtp-auth"), "APOP_BFR_SMTP");
  EXPECT_FALSE(FindNamedSetting("smtp-auth")->set);  // found only by the mail test
  settings.m_smtpAuthState = "不明";  // what a failed test leaves reads as not known
  EXPECT_EQ(Get(settings, "smtp-auth"), "");
  ASSERT_TRUE(Set(settings, "mail-user", "taro@example.jp"));
  EXPECT_EQ(settings.m_mailUser, "taro@example.jp");
  EXPECT_EQ(Get(settings, "error-alert-after"), "3");
  EXPECT_TRUE(Set(settings, "error-alert-after", "0"));
  EXPECT_FALSE(Set(settings, "error-alert-after", "101"));
  EXPECT_EQ(settings.m_errorAlertAfter, 0);
  EXPECT_TRUE(Set(settings, "proxy", ""));
  EXPECT_EQ(settings.m_proxy, "");
  EXPECT_TRUE(Set(settings, "fetch-time-limit", "0"));
  EXPECT_EQ(settings.m_fetchTimeLimit, 0);
  EXPECT_FALSE(Set(settings, "page-size-limit", "4097"));
  EXPECT_EQ(settings.m_mailSecurity, MailSecurity::StartTls);
  EXPECT_FALSE(Set(settings, "browser-jobs", "5"));
  EXPECT_TRUE(Set(settings, "browser-jobs", "2"));
  EXPECT_EQ(settings.m_browserJobs, 2);
  EXPECT_EQ(NamedSettings().size(), 25u);
  EXPECT_EQ(NamedSettingList().substr(0, 24), "mail-server, mail-port, ");
}

TEST(SettingNames, AProxyLoginIsKeptWholeAndPrintedWithoutItsPassword) {
  AppSettings settings;
  ASSERT_TRUE(Set(settings, "proxy", "太郎:p@ss:秘密@proxy.example.jp:3128"));
  EXPECT_EQ(settings.m_proxy, "太郎:p@ss:秘密@proxy.example.jp:3128");
  EXPECT_EQ(Get(settings, "proxy"), "太郎:********@proxy.example.jp:3128");
  for (const char* value : {"@proxy:3128", ":secret@proxy:3128", "taro:pw@proxy", "taro:pw@:80"}) {
    EXPECT_FALSE(Set(settings, "proxy", value)) << value;
  }
  EXPECT_EQ(settings.m_proxy, "太郎:p@ss:秘密@proxy.example.jp:3128");

  // The extra CA file must be a file; empty is none.
  EXPECT_FALSE(Set(settings, "ca-file", "/no/such/ca.pem"));
  EXPECT_FALSE(Set(settings, "ca-file", "/tmp"));
  EXPECT_TRUE(Set(settings, "ca-file", "/etc/hostname"));
  EXPECT_EQ(Get(settings, "ca-file"), "/etc/hostname");
  EXPECT_TRUE(Set(settings, "ca-file", ""));
  EXPECT_EQ(settings.m_extraCaFile, "");
}

TEST(SettingNames, RefusedValuesLeaveTheSettingAsItWas) {
  AppSettings settings;
  settings.m_proxy = "old:1";
  for (const char* value : {"host", ":80", "host:", "host:0", "host:65536", "host:80:80",
                            "a b:80"}) {
    EXPECT_FALSE(Set(settings, "proxy", value)) << value;
  }
  EXPECT_EQ(settings.m_proxy, "old:1");
  for (const char* value : {"65536", "0", "-1", "x", ""}) EXPECT_FALSE(Set(settings, "mail-port", value));
  EXPECT_TRUE(Set(settings, "mail-port", "30001")) << "a port above 30000 is legal";
  settings.m_mailPort = 25;
  EXPECT_EQ(settings.m_mailPort, 25);
  for (const char* value : {"2", "yes", ""}) EXPECT_FALSE(Set(settings, "start-resident", value));
  EXPECT_FALSE(Set(settings, "mail-server", "a\nb"));
  EXPECT_EQ(FindNamedSetting("no-such-setting"), nullptr);
  EXPECT_EQ(settings.m_mailServer, "");
  for (const char* value : {"0", "17"}) EXPECT_FALSE(Set(settings, "check-jobs", value));
  EXPECT_FALSE(Set(settings, "change-history", "21"));
  EXPECT_FALSE(Set(settings, "mail-security", "ssl"));
  EXPECT_EQ(settings.m_checkJobs, 4);
}
