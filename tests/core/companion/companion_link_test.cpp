// The companion conventions against a real second process: the stand-in companion
// (tests/support/standin) takes requests, locations and messages as the helper would.
#include "core/companion/companion_link.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>

#include "core/companion/companion_names.h"
#include "core/companion/request_file.h"
#include "platform/broadcast.h"
#include "platform/file_system.h"
#include "platform/registry_key.h"
#include "platform/shell.h"
#include "support/companion_environment.h"
#include "support/scripted_prompter.h"
#include "support/time_zone.h"

namespace {

using platform::CRegistryKey;

constexpr std::time_t kStart = 1700000000;

class CompanionLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetDesktopOpener({StandInPath(), "--opener", OpenerRecord()});
  }
  void TearDown() override {
    platform::Broadcast("standin-quit");
    // Every stand-in started here has written "closed" before the folders go.
    for (const std::string& record : {HelperRecord(), m_downloaderFolder.File("record.txt")}) {
      if (WaitForRecord(record, "ready", 0)) {
        EXPECT_TRUE(WaitForRecord(record, "closed"));
      }
    }
    platform::ReapStartedPrograms();
    platform::SetDesktopOpener({});
  }

  // Makes the link's keys; values written before exist for the read-only downloader key.
  CCompanionLink& Link() {
    if (!m_link) {
      m_own = std::make_unique<CRegistryKey>(kOwnKeyPath, false);
      m_helper = std::make_unique<CRegistryKey>(kHelperKeyPath, false);
      m_downloader = std::make_unique<CRegistryKey>(kDownloaderKeyPath, true);
      m_location = std::make_unique<CRegistryKey>(kLocationKeyPath, false);
      m_link = std::make_unique<CCompanionLink>(m_own.get(), m_helper.get(), m_downloader.get(),
                                                m_location.get(), m_prompter);
    }
    return *m_link;
  }

  // The helper as installed but not running.
  void InstallHelper(const std::string& version) {
    InstallStandIn(m_helperFolder.Path(), kHelperExecutable);
    m_helperFolder.WriteBytes("version", version);
    CRegistryKey helper(kHelperKeyPath, false);
    helper.Write("Position", m_helperFolder.Path());
    helper.Write("Version", version);
    helper.Write("State", "closed");
  }
  void StartHelper(const std::string& version) {
    InstallHelper(version);
    ASSERT_TRUE(platform::StartProgram(m_helperFolder.Path(), kHelperExecutable));
    ASSERT_TRUE(WaitForRecord(HelperRecord(), "ready"));
  }

  std::string LeaveRequest(const FetchRequest& request) {
    auto path = WriteNewRequestFile(environment.Program().File("WatchToHelp"), request);
    EXPECT_TRUE(path.has_value());
    return path.value_or("");
  }

  std::string HelperRecord() const { return m_helperFolder.File("record.txt"); }
  std::string OpenerRecord() const { return m_openerFolder.File("opened.txt"); }
  std::string OwnValue(const char* name) { return CRegistryKey(kOwnKeyPath, true).Read(name); }
  std::string LocationUrl() { return CRegistryKey(kLocationKeyPath, true).Read("URL"); }

  CompanionEnvironment environment;
  ScopedManualClock m_clock{kStart};
  CScriptedPrompter m_prompter;
  TempFolder m_helperFolder;
  TempFolder m_downloaderFolder;
  TempFolder m_openerFolder;
  std::unique_ptr<CRegistryKey> m_own, m_helper, m_downloader, m_location;
  std::unique_ptr<CCompanionLink> m_link;
};

FetchRequest Page(const std::string& url) {
  FetchRequest request;
  request.m_url = url;
  return request;
}

TEST_F(CompanionLinkTest, HelperVersionDropsTheFirstDot) {
  CRegistryKey helper(kHelperKeyPath, false);
  EXPECT_EQ(Link().HelperVersion(), 0);
  for (auto [text, number] : {std::pair{"1.5", 15}, {"1.50", 150}, {"2.10", 210},
                              {"1.49", 149}, {"1.2.3", 12}, {"beta", 0}}) {
    helper.Write("Version", text);
    EXPECT_EQ(Link().HelperVersion(), number) << text;
  }
}

TEST_F(CompanionLinkTest, PendingRequestBlocksTheNextForAMinute) {
  ASSERT_EQ(Link().SetOwnIdentifier("/first"), 0);
  EXPECT_EQ(OwnValue("Identifier"), "/first");
  const std::time_t t = kStart;
  EXPECT_EQ(environment.StoredValue("Pageward", "IdTime"),
            std::string({char(t & 0xff), char((t >> 8) & 0xff), char((t >> 16) & 0xff),
                         char((t >> 24) & 0xff)}));

  m_clock.Set(kStart + 59);
  EXPECT_EQ(Link().SetOwnIdentifier("/second"), 1);
  EXPECT_EQ(OwnValue("Identifier"), "/first");
  m_clock.Set(kStart + 60);
  EXPECT_EQ(Link().SetOwnIdentifier("/second"), 0);
  EXPECT_EQ(OwnValue("Identifier"), "/second");

  // Taken by the helper: free at once.
  CRegistryKey(kOwnKeyPath, false).Write("Identifier", "");
  EXPECT_EQ(Link().SetOwnIdentifier("/third"), 0);
  // A clock set back behind the stored time does not block.
  m_clock.Set(kStart - 3600);
  EXPECT_EQ(Link().SetOwnIdentifier("/fourth"), 0);
  EXPECT_TRUE(m_prompter.Messages().empty());
}

TEST_F(CompanionLinkTest, MissingOwnKeySaysTheRegistryIsDamaged) {
  CCompanionLink link(nullptr, nullptr, nullptr, nullptr, m_prompter);
  EXPECT_EQ(link.SetOwnIdentifier("/x"), -1);
  EXPECT_EQ(link.HandToHelper("/x"), -1);
  EXPECT_EQ(m_prompter.Messages(),
            (std::vector<std::string>{"レジストリが壊れています。", "レジストリが壊れています。"}));
}

TEST_F(CompanionLinkTest, RunningHelperTakesTheRequest) {
  StartHelper("1.50");
  FetchRequest request = Page("http://example.invalid/page");
  request.m_user = "someone";
  std::string path = LeaveRequest(request);
  ASSERT_EQ(Link().HandToHelper(path), 0);
  EXPECT_TRUE(WaitForRecord(HelperRecord(), "request http://example.invalid/page from WatchToHelp"));
  EXPECT_EQ(OwnValue("Identifier"), "");
  EXPECT_FALSE(platform::FileExists(path));
  EXPECT_TRUE(m_prompter.Messages().empty());
}

TEST_F(CompanionLinkTest, ClosedHelperIsStartedAndFindsTheRequest) {
  InstallHelper("2.00");
  std::string path = LeaveRequest(Page("http://example.invalid/closed"));
  ASSERT_EQ(Link().HandToHelper(path), 0);
  EXPECT_TRUE(WaitForRecord(HelperRecord(), "request http://example.invalid/closed"));
  auto ready = WaitForRecord(HelperRecord(), "ready");
  ASSERT_TRUE(ready);
  EXPECT_NE(ready->find(" in " + m_helperFolder.Path()), std::string::npos);
  EXPECT_TRUE(RecordLines(OpenerRecord()).empty());
}

TEST_F(CompanionLinkTest, TooOldHelperShowsTheAddressAfterAWarning) {
  StartHelper("1.5");
  FetchRequest request = Page("http://example.invalid/form");
  request.m_formData = "a=1";
  std::string path = LeaveRequest(request);
  ASSERT_EQ(Link().HandToHelper(path), 0);
  // Taken back: the request file is gone and the helper shows just the address.
  EXPECT_FALSE(platform::FileExists(path));
  EXPECT_EQ(OwnValue("Identifier"), "");
  EXPECT_TRUE(WaitForRecord(HelperRecord(), "location http://example.invalid/form"));
  EXPECT_EQ(LocationUrl(), "");
  EXPECT_EQ(m_prompter.Messages(), (std::vector<std::string>{
                                       "ページを正しく表示するには、\nGrabmateVer. 1.50以上が必要です"}));
  auto lines = RecordLines(HelperRecord());
  EXPECT_EQ(lines.end(), std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
              return line.rfind("request", 0) == 0;
            }));
}

TEST_F(CompanionLinkTest, WithoutAHelperTheDesktopOpensTheAddress) {
  std::string path = LeaveRequest(Page("http://example.invalid/plain"));
  ASSERT_EQ(Link().HandToHelper(path), 0);
  EXPECT_EQ(RecordLines(OpenerRecord()),
            (std::vector<std::string>{"open http://example.invalid/plain"}));
  EXPECT_FALSE(platform::FileExists(path));
  EXPECT_EQ(LocationUrl(), "");  // written for the helper, cleared again
  EXPECT_TRUE(m_prompter.Messages().empty());  // nothing needed the helper

  // The desktop cannot open it either: failed.
  platform::SetDesktopOpener({StandInPath(), "--opener", OpenerRecord(), "--fail"});
  EXPECT_EQ(Link().ShowThroughHelper("http://example.invalid/nowhere"), -1);
  EXPECT_EQ(LocationUrl(), "");
}

TEST_F(CompanionLinkTest, BusyHelperRefusesTheSecondRequestWithinAMinute) {
  m_helperFolder.WriteBytes("deaf", "");
  StartHelper("1.50");
  std::string first = LeaveRequest(Page("http://example.invalid/1"));
  std::string second = LeaveRequest(Page("http://example.invalid/2"));
  EXPECT_EQ(Link().HandToHelper(first), 0);
  EXPECT_EQ(Link().HandToHelper(second), 1);
  EXPECT_EQ(OwnValue("Identifier"), first);
  m_clock.Set(kStart + 60);
  EXPECT_EQ(Link().HandToHelper(second), 0);
  EXPECT_EQ(OwnValue("Identifier"), second);
}

TEST_F(CompanionLinkTest, RequestLeftByTheHelperIsTakenAtStartUp) {
  TempFolder leftIn;
  std::string command = StandInPath() + " --leave-request " + leftIn.Path() +
                        " http://example.invalid/from-helper";
  ASSERT_EQ(std::system(command.c_str()), 0);
  auto taken = Link().TakeHelperRequest(CCompanionLink::RequestTrigger::StartUp);
  EXPECT_TRUE(taken.showMainWindow);
  ASSERT_TRUE(taken.request);
  EXPECT_EQ(taken.request->m_url, "http://example.invalid/from-helper");
  EXPECT_EQ(taken.request->m_referer, "http://referer.example/");
  EXPECT_EQ(CRegistryKey(kHelperKeyPath, true).Read("Identifier"), "");
  EXPECT_FALSE(platform::FileExists(leftIn.File("GrabToWatch")));

  // Nothing pending: the start-up leaves the window alone, the message shows it.
  auto none = Link().TakeHelperRequest(CCompanionLink::RequestTrigger::StartUp);
  EXPECT_FALSE(none.showMainWindow || none.request);
  auto shown = Link().TakeHelperRequest(CCompanionLink::RequestTrigger::Message);
  EXPECT_TRUE(shown.showMainWindow);
  EXPECT_FALSE(shown.request);

  // A value naming a file that is gone is cleared anyway.
  CRegistryKey(kHelperKeyPath, false).Write("Identifier", leftIn.File("gone"));
  auto gone = Link().TakeHelperRequest(CCompanionLink::RequestTrigger::Message);
  EXPECT_TRUE(gone.showMainWindow);
  EXPECT_FALSE(gone.request);
  EXPECT_EQ(CRegistryKey(kHelperKeyPath, true).Read("Identifier"), "");
}

TEST_F(CompanionLinkTest, MenuCommandsStartClosedCompanionsAndAlwaysWakeThem) {
  platform::CLoopQueue queue;
  std::vector<std::string> heard;
  platform::CBroadcastReceiver listener(
      queue, [&](const std::string& name) { heard.push_back(name); }, "listener");

  // Never installed (no "State"): no start, no message, just the wake-up.
  Link().HelperCommand();
  Link().DownloaderCommand();
  EXPECT_TRUE(m_prompter.Messages().empty());

  // Closed and not to be found: the not-installed messages.
  CRegistryKey(kHelperKeyPath, false).Write("State", "closed");
  CRegistryKey(kHelperKeyPath, false).Write("Position", m_openerFolder.Path());
  Link().HelperCommand();
  EXPECT_EQ(m_prompter.Messages(),
            (std::vector<std::string>{"Grabmateが正しくインストールされていません。"}));
  ASSERT_TRUE(queue.RunUntil([&] { return heard.size() == 3; }, 5000));
  EXPECT_EQ(heard, (std::vector<std::string>{kMessageWakeHelper, kMessageWakeDownloader,
                                              kMessageWakeHelper}));

  // The downloader, closed but installed, is started from its folder.
  InstallStandIn(m_downloaderFolder.Path(), kDownloaderExecutable);
  CRegistryKey downloader(kDownloaderKeyPath, false);
  downloader.Write("Position", m_downloaderFolder.Path());
  downloader.Write("State", "closed");
  m_link.reset();
  Link().DownloaderCommand();
  EXPECT_TRUE(WaitForRecord(m_downloaderFolder.File("record.txt"), "ready"));
  EXPECT_EQ(m_prompter.Messages().size(), 1u);

  // Closed with no such program: the downloader has no fallback folder.
  downloader.Write("State", "closed");
  downloader.Write("Position", "");
  Link().DownloaderCommand();
  EXPECT_EQ(m_prompter.Messages().back(), "Linkreelが正しくインストールされていません。");
}

}  // namespace
