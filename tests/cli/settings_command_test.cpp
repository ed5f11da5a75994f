// pagewarden-cli settings as a user runs it, on a data folder of its own.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "core/app/settings_archive.h"
#include "platform/text_codec.h"
#include "support/child_process.h"
#include "support/companion_environment.h"

namespace {

class SettingsCommandTest : public ::testing::Test {
 protected:
  RunResult Cli(std::vector<std::string> args, const std::string& input = "/dev/null") {
    args.insert(args.begin(), {"--home", Home().Path(), "settings"});
    RunResult result = RunProgram(PAGEWARDEN_CLI, args, input);
    result.output = platform::Utf8ToCp932(result.output);
    result.errors = platform::Utf8ToCp932(result.errors);
    return result;
  }
  const TempFolder& Home() const { return world.Program(); }
  std::string Archive() const { return Home().ReadBytes(kSettingsArchiveName); }
  AppSettings Saved(MainWindowLayout& layout) const {
    AppSettings settings;
    WatchListWindowLayout listLayout;
    EXPECT_EQ(LoadSettingsFile(Home().File(kSettingsArchiveName), settings, layout, listLayout),
              platform::LoadOutcome::Loaded);
    return settings;
  }

  CompanionEnvironment world;
};

}  // namespace

TEST_F(SettingsCommandTest, PrintsEverySettingAndSavesOneChangeKeepingTheRest) {
  RunResult fresh = Cli({});
  EXPECT_EQ(fresh.status, 0);
  EXPECT_EQ(fresh.output,
            "mail-server\t\nmail-port\t25\nmail-security\tnone\nmail-account\t\n"
            "mail-user\t\nmail-password\t\nsmtp-auth\t\n"
            "proxy\t\nno-proxy-for-local\t1\nca-file\t\nstart-resident\t0\nreset-on-list-close\t0\n"
            "list-double-click\t0\nlink-overwrite\t0\ndesktop-notify\t1\n"
            "fetch-time-limit\t300\npage-size-limit\t64\nchange-history\t1\n"
            "check-jobs\t4\nhost-interval\t0\nautostart\t0\nerror-alert-after\t3\n"
            "notify-urls\t\nfeed-copy\t\nbrowser-jobs\t1\n");

  MainWindowLayout layout;
  layout.m_linkFolder = "/srv/links";
  AppSettings before;
  before.m_smtpAuthState = "NO_AUTH";
  ASSERT_TRUE(SaveSettingsFile(Home().File(kSettingsArchiveName), before, layout, {}));
  EXPECT_EQ(Cli({"mail-server", "smtp.example.jp"}).output, "mail-server\tsmtp.example.jp\n");
  EXPECT_EQ(Cli({"proxy", "proxy.example.jp:3128"}).status, 0);
  EXPECT_EQ(Cli({"list-double-click", "1"}).status, 0);
  EXPECT_EQ(Cli({"proxy"}).output, "proxy\tproxy.example.jp:3128\n");

  MainWindowLayout savedLayout;
  AppSettings saved = Saved(savedLayout);
  EXPECT_EQ(saved.m_mailServer, "smtp.example.jp");
  EXPECT_EQ(saved.m_proxy, "proxy.example.jp:3128");
  EXPECT_EQ(saved.m_listDoubleClick, 1);
  EXPECT_EQ(saved.m_smtpAuthState, "NO_AUTH");
  EXPECT_EQ(savedLayout.m_linkFolder, "/srv/links");
  struct stat status {};
  ASSERT_EQ(stat(Home().File(kSettingsArchiveName).c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);
}

TEST_F(SettingsCommandTest, RefusesBadNamesAndValuesWithoutTouchingTheArchive) {
  ASSERT_EQ(Cli({"mail-port", "587"}).status, 0);
  std::string archive = Archive();
  struct Case {
    std::vector<std::string> args;
    const char* told;
  };
  for (const Case& refused :
       {Case{{"mail-port", "65536"}, "1 から 65535 までの整数"},
        Case{{"start-resident", "yes"}, "0 か 1"},
        Case{{"proxy", "proxy.example.jp"}, "ホスト名:ポート"},
        Case{{"smtp-auth", "NO_AUTH"}, "読み取り専用"},
        Case{{"mail-sever", "x"}, "mail-server, mail-port"},
        Case{{"mail-port", "1", "2"}, "一つずつ"}}) {
    RunResult result = Cli(refused.args);
    EXPECT_EQ(result.status, 2) << refused.args[0];
    EXPECT_NE(result.errors.find(refused.told), std::string::npos) << result.errors;
    EXPECT_EQ(Archive(), archive);
  }
}

TEST_F(SettingsCommandTest, ThePasswordComesFromStandardInputAndIsNeverPrinted) {
  Home().WriteBytes("password.txt", platform::Cp932ToUtf8("秘密 の言葉") + "\r\n");
  RunResult set = Cli({"mail-password", "-"}, Home().File("password.txt"));
  EXPECT_EQ(set.status, 0);
  EXPECT_EQ(set.output, "mail-password\t********\n");
  MainWindowLayout layout;
  EXPECT_EQ(Saved(layout).m_mailPassword, "秘密 の言葉");
  EXPECT_EQ(Cli({}).output.find("秘密"), std::string::npos);

  // No input at all is not an empty password.
  RunResult nothing = Cli({"mail-password", "-"});
  EXPECT_EQ(nothing.status, 2);
  EXPECT_EQ(Saved(layout).m_mailPassword, "秘密 の言葉");
  Home().WriteBytes("empty.txt", "\n");
  EXPECT_EQ(Cli({"mail-password", "-"}, Home().File("empty.txt")).output, "mail-password\t\n");
}
