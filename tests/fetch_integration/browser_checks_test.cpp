// Checks through headless Chromium against a real nginx: a page whose list a script
// writes after a delay, from JSON it fetches; the wait for a selector; the time limit; a
// cancel and a kill in the middle; a machine without chromium. Every browser test also
// makes sure no browser process and no profile folder is left behind.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "core/check/renew.h"
#include "core/common/leftover_files.h"
#include "platform/browser/browser_process.h"
#include "support/check_fixture.h"
#include "support/child_process.h"
#include "support/nginx_server.h"
#include "support/scoped_environment.h"

namespace {

#define SKIP_WITHOUT_CHROMIUM()                                                            \
  do {                                                                                     \
    if (platform::FindBrowserProgram().empty())                                            \
      GTEST_SKIP() << "chromium is missing (Debian package chromium)";                    \
  } while (false)

std::string ReadAll(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

// A shell the script fills: after `delayMs` it fetches data.json and writes one list item
// of class "item" per entry.
std::string ScriptedPage(int delayMs) {
  return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>shop</title></head><body>"
         "<ul id=\"list\"></ul><script>setTimeout(() => fetch('data.json').then(r => r.json())"
         ".then(d => { const ul = document.getElementById('list'); for (const x of d.items) {"
         " const li = document.createElement('li'); li.className = 'item'; li.textContent = x;"
         " ul.appendChild(li); } }), " + std::to_string(delayMs) + ");</script></body></html>";
}

// A page that asks its server again and again and never falls quiet.
const char kRestlessPage[] =
    "<html><body><p id=\"state\">loading</p><script>setInterval(() => fetch('data.json')"
    ".then(() => { document.getElementById('state').textContent = 'polled'; }), 100);"
    "</script></body></html>";

class BrowserChecksTest : public ::testing::Test, public CheckFixture {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_NGINX();
    SKIP_WITHOUT_CHROMIUM();
    engine.SetNotifyTarget(&queue, &notify);
    nginx.AddFile("shop.html", ScriptedPage(300));
    nginx.AddFile("late.html", ScriptedPage(1200));
    nginx.AddFile("restless.html", kRestlessPage);
    nginx.AddFile("data.json", "{\"items\": [\"apple\", \"pear\"]}");
    ASSERT_TRUE(nginx.Start()) << nginx.Failure();
  }
  void TearDown() override {
    if (!HasFatalFailure() && !IsSkipped()) ExpectNothingLeft();
  }
  WatchItem BrowserItem(const std::string& path, const std::string& waitFor = "") {
    WatchItem item = FullTextItem("/");
    item.m_url = nginx.Url(path);
    item.m_browser = 1;
    item.m_waitFor = waitFor;
    return item;
  }
  WatchItem Check(WatchItem item) { return CheckNow(engine, notify, std::move(item)); }
  // Waits until a browser of the data folder runs, then lets it get under way.
  bool BrowserStarted() {
    bool started = false;
    for (int wait = 0; wait < 300 && !started; ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      started = !platform::RunningProcesses(0, folder.Path()).empty();
    }
    if (started) std::this_thread::sleep_for(std::chrono::milliseconds(500));
    return started;
  }
  void ExpectNothingLeft() {
    EXPECT_TRUE(platform::RunningProcesses(0, folder.Path()).empty()) << "a browser still runs";
    for (const std::string& name : FilesIn(folder.File("comp"))) {
      EXPECT_FALSE(platform::IsBrowserProfileName(name)) << name << " left in comp";
    }
  }

  NginxServer nginx;
  CReNew engine{Environment()};
  CRecordingNotify notify;
};

}  // namespace

TEST_F(BrowserChecksTest, AListWrittenByAScriptIsSeenOnlyThroughTheBrowserAndItsDataDecides) {
  WatchItem plain = FullTextItem("/");
  plain.m_url = nginx.Url("/shop.html");
  plain = Check(plain);
  ASSERT_EQ(plain.m_result, CheckResult::Updated) << plain.m_errorText;
  EXPECT_EQ(ReadAll(plain.m_hiddenPath).find("<li"), std::string::npos) << "libcurl sees the shell";

  WatchItem item = Check(BrowserItem("/shop.html"));
  ASSERT_EQ(item.m_result, CheckResult::Updated) << item.m_errorText;
  std::string dom = ReadAll(item.m_hiddenPath);
  EXPECT_NE(dom.find("<li class=\"item\">apple</li><li class=\"item\">pear</li>"), std::string::npos) << dom;
  ExpectNothingLeft();

  item = Check(item);
  EXPECT_EQ(item.m_result, CheckResult::NotUpdated) << "the same data renders the same document: " << item.m_errorText;

  nginx.AddFile("data.json", "{\"items\": [\"apple\", \"pear\", \"plum\"]}");
  item = Check(item);
  ASSERT_EQ(item.m_result, CheckResult::Updated) << item.m_errorText;
  EXPECT_NE(ReadAll(item.m_hiddenPath).find(">plum</li>"), std::string::npos);
}

TEST_F(BrowserChecksTest, ARenderedPageComparedAsTextBySelectorIgnoresChangesOutsideIt) {
  // The script also writes a stamp from the same data beside the list: noise to the reader.
  nginx.AddFile("stamped.html",
                "<html><body><ul id=\"list\"></ul><p id=\"stamp\"></p><script>"
                "fetch('stamped.json').then(r => r.json()).then(d => { document.getElementById('stamp')"
                ".textContent = d.stamp; const ul = document.getElementById('list'); for (const x of "
                "d.items) { const li = document.createElement('li'); li.textContent = x; "
                "ul.appendChild(li); } });</script></body></html>");
  nginx.AddFile("stamped.json", "{\"stamp\": \"12:00\", \"items\": [\"apple\"]}");
  WatchItem item = BrowserItem("/stamped.html");
  item.m_compareAll = 0;
  item.m_textCompare = 1;
  item.m_selectCss = "#list";
  item = Check(item);
  ASSERT_EQ(item.m_result, CheckResult::Updated) << item.m_errorText;

  nginx.AddFile("stamped.json", "{\"stamp\": \"12:05\", \"items\": [\"apple\"]}");
  item = Check(item);
  EXPECT_EQ(item.m_result, CheckResult::NotUpdated) << "only the stamp changed: " << item.m_errorText;

  nginx.AddFile("stamped.json", "{\"stamp\": \"12:10\", \"items\": [\"apple\", \"pear\"]}");
  item = Check(item);
  EXPECT_EQ(item.m_result, CheckResult::Updated) << item.m_errorText;
}

// The program-wide proxy reaches the browser, and so does its bypass for this machine's
// own addresses.
TEST_F(BrowserChecksTest, TheProgramWideProxyCarriesThePageUnlessLocalPagesGoDirect) {
  settings.m_proxy = "127.0.0.1:1";  // nothing listens there
  settings.m_noProxyForLocal = 0;
  WatchItem item = Check(BrowserItem("/shop.html"));
  EXPECT_EQ(item.m_result, CheckResult::Error) << "the page came around the proxy";
  EXPECT_FALSE(item.m_errorText.empty());

  settings.m_noProxyForLocal = 1;
  item = Check(item);
  ASSERT_EQ(item.m_result, CheckResult::Updated) << item.m_errorText;
  std::string dom = ReadAll(item.m_hiddenPath);
  EXPECT_NE(dom.find(">apple</li>"), std::string::npos) << dom;
}

TEST_F(BrowserChecksTest, TheWaitSelectorOutwaitsAQuietNetworkAndTheTimeLimitEndsEveryWait) {
  // The list comes 1.2 s after the load, long after the network fell quiet; the wait ends
  // as soon as it is there, however slowly the browser starts on a busy machine.
  settings.m_fetchTimeLimit = 60;
  WatchItem item = Check(BrowserItem("/late.html", "li.item"));
  ASSERT_EQ(item.m_result, CheckResult::Updated) << item.m_errorText;
  EXPECT_NE(ReadAll(item.m_hiddenPath).find(">apple</li>"), std::string::npos);

  settings.m_fetchTimeLimit = 12;
  const auto start = std::chrono::steady_clock::now();
  item = Check(BrowserItem("/shop.html", "li.never"));
  EXPECT_EQ(item.m_result, CheckResult::Error);
  EXPECT_EQ(item.m_errorText, "待つ要素「li.never」が制限時間内に現れませんでした");

  // A page that never falls quiet is taken as it stands when the limit comes near.
  item = Check(BrowserItem("/restless.html"));
  ASSERT_EQ(item.m_result, CheckResult::Updated) << item.m_errorText;
  EXPECT_NE(ReadAll(item.m_hiddenPath).find(">polled</p>"), std::string::npos);
  // Both runs ended within their limit (with room for a loaded machine).
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2 * 12 + 10));

  item = Check(BrowserItem("/shop.html", "li:::bad"));
  EXPECT_EQ(item.m_result, CheckResult::Error);
  EXPECT_EQ(item.m_errorText, "待つ要素のセレクタが正しくありません: li:::bad");
}

TEST_F(BrowserChecksTest, ACancelInTheMiddleKillsTheBrowserAndRemovesItsProfile) {
  settings.m_fetchTimeLimit = 60;
  WatchItem item = BrowserItem("/restless.html", "li.never");
  engine.Start(item);
  ASSERT_TRUE(BrowserStarted()) << "no browser was started";
  engine.Cancel();
  ExpectNothingLeft();
}

// As a user meets it: the command-line program killed with -9 in the middle of a browser
// check takes its browser along, and the next start removes the profile left behind.
TEST_F(BrowserChecksTest, AKilledProgramTakesItsBrowserAlongAndTheNextStartClearsTheProfile) {
  ScopedEnvironment config("XDG_CONFIG_HOME", folder.File("config").c_str());
  ASSERT_EQ(RunOnDataFolder(PAGEWARDEN_CLI, folder.Path(),
                            {"add", nginx.Url("/restless.html"), "--browser", "--wait-for", "li.never"})
                .status,
            0);
  ChildProcess cli(PAGEWARDEN_CLI, {"--home", folder.Path(), "check", "all", "--no-actions"});
  ASSERT_TRUE(BrowserStarted()) << "no browser was started";
  cli.Signal(SIGKILL);
  cli.Wait();
  for (int wait = 0; wait < 1000 && !platform::RunningProcesses(0, folder.Path()).empty(); ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::string outlived;
  for (int pid : platform::RunningProcesses(0, folder.Path())) {
    outlived += " " + ReadAll("/proc/" + std::to_string(pid) + "/cmdline").substr(0, 80);
  }
  EXPECT_EQ(outlived, "") << "the browser outlived us";
  bool leftBehind = false;
  for (const std::string& name : FilesIn(folder.File("comp"))) leftBehind |= platform::IsBrowserProfileName(name);
  EXPECT_TRUE(leftBehind) << "a kill -9 gives no chance to clean up";
  // The next check session starts by clearing what earlier runs left (TearDown looks).
  EXPECT_EQ(RunOnDataFolder(PAGEWARDEN_CLI, folder.Path(), {"disable", "1"}).status, 0);
  EXPECT_EQ(RunOnDataFolder(PAGEWARDEN_CLI, folder.Path(), {"check", "all", "--no-actions"}).status, 0);
}

TEST(BrowserFetch, WithoutChromiumOrWithFormDataTheCheckFailsWithItsReasonAndChangesNothing) {
  CheckFixture fixture;
  CReNew engine{fixture.Environment()};
  CRecordingNotify notify;
  engine.SetNotifyTarget(&fixture.queue, &notify);
  WatchItem item = fixture.FullTextItem("/page.html");
  item.m_browser = 1;
  {
    ScopedEnvironment path("PATH", "/nowhere");
    WatchItem checked = fixture.CheckNow(engine, notify, item);
    EXPECT_EQ(checked.m_result, CheckResult::Error);
    EXPECT_EQ(checked.m_errorText.rfind("ブラウザ (chromium) が見つかりません", 0), 0u) << checked.m_errorText;
    EXPECT_NE(checked.m_errorText.find("apt-get install chromium"), std::string::npos);
    EXPECT_TRUE(checked.m_hiddenPath.empty());
  }
  item.m_formData = "q=1";
  WatchItem posted = fixture.CheckNow(engine, notify, item);
  EXPECT_EQ(posted.m_result, CheckResult::Error);
  EXPECT_EQ(posted.m_errorText, "フォーム送信データのあるアイテムはブラウザで表示できません");
  EXPECT_TRUE(fixture.server.Requests().empty()) << "nothing was fetched";
}
