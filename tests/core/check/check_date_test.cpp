#include <gtest/gtest.h>

#include <string>

#include "core/check/compare_page.h"
#include "core/fetch/fetch.h"
#include "support/loopback_http_server.h"
#include "support/scripted_prompter.h"

namespace {

const char kMonday[] = "Last-Modified: Mon, 07 Dec 2026 01:00:00 GMT";
const char kTuesday[] = "Last-Modified: Tue, 08 Dec 2026 01:00:00 GMT";

ScriptedResponse Dated(const char* header) {
  ScriptedResponse answer = ScriptedResponse::Ok("");
  answer.headers.push_back(header);
  return answer;
}

// A date-rule item on a loopback server, checked as the engine checks it: each check's
// job is a fresh copy of the item's fetch request.
class CheckDateTest : public ::testing::Test {
 protected:
  CheckDateTest() {
    m_item.m_url = m_server.Url("/page.htm");
    m_item.m_lastCheck = 1700000000;
    m_settings.m_connectTimeoutMs = 5000;
    m_settings.m_receiveTimeoutMs = 5000;
  }

  std::optional<CheckResult> Check() {
    m_job = FetchJob();
    static_cast<FetchRequest&>(m_job) = m_item;
    CFetch fetch(m_prompter, m_settings);
    return CheckDate(m_item, m_job, fetch);
  }

  LoopbackHttpServer m_server;
  CScriptedPrompter m_prompter;
  FetchSettings m_settings;
  WatchItem m_item;
  FetchJob m_job;
};

}  // namespace

TEST_F(CheckDateTest, DateSeenOnceThenUnchangedThenNewer) {
  m_server.Enqueue("/page.htm", Dated(kMonday));
  m_server.Enqueue("/page.htm", Dated(kMonday));
  m_server.Enqueue("/page.htm", Dated(kTuesday));
  // A new item (never fetched, -1) is updated by its first check, without a download.
  EXPECT_EQ(Check(), CheckResult::Updated);
  int monday = m_item.m_lastModified;
  EXPECT_GT(monday, 0);
  EXPECT_EQ(m_item.m_lastUpdate, monday);
  EXPECT_EQ(Check(), CheckResult::NotUpdated);
  EXPECT_EQ(m_item.m_lastModified, monday);
  EXPECT_EQ(Check(), CheckResult::Updated);
  EXPECT_EQ(m_item.m_lastModified - monday, 24 * 3600);
  EXPECT_EQ(m_item.m_lastUpdate, m_item.m_lastModified);
  for (const HttpRequestRecord& request : m_server.Requests()) EXPECT_EQ(request.method, "HEAD");
}

TEST_F(CheckDateTest, AMissingPageIsNoUpdateButAFullCheck) {
  m_server.Enqueue("/page.htm", Dated(kMonday));
  ASSERT_EQ(Check(), CheckResult::Updated);
  int monday = m_item.m_lastModified;
  for (int status : {404, 500}) {
    m_server.Enqueue("/page.htm", ScriptedResponse::Status(status));
    EXPECT_EQ(Check(), std::nullopt) << status;  // the engine fetches the page and reports its error
    EXPECT_EQ(m_job.m_outcome, FetchOutcome::HttpStatus);
    EXPECT_EQ(m_job.m_httpStatus, status);
    EXPECT_EQ(m_item.m_lastModified, monday) << "the date rule stays on for the item";
  }
}

TEST_F(CheckDateTest, DownloadingItemsFetchThePageOnANewDate) {
  m_item.m_download = DownloadMode::Overwrite;
  m_item.m_lastUpdate = 5;
  m_server.Enqueue("/page.htm", Dated(kMonday));
  m_server.Enqueue("/page.htm", Dated(kMonday));
  EXPECT_EQ(Check(), std::nullopt);
  EXPECT_GT(m_item.m_lastModified, 0);
  EXPECT_EQ(m_job.m_lastModified, m_item.m_lastModified);  // the fetch carries the date on
  EXPECT_EQ(m_item.m_lastUpdate, 5);  // the engine sets it when the fetch finds a change
  EXPECT_EQ(Check(), CheckResult::NotUpdated);
}

TEST_F(CheckDateTest, ServerWithoutLastModified) {
  m_server.SetDefault([](const HttpRequestRecord&) { return ScriptedResponse::Ok(""); });
  // The first check stores 0 as the date and has the page fetched, which then decides
  // (the first fetch reports the update, once)...
  EXPECT_EQ(Check(), std::nullopt);
  EXPECT_EQ(m_item.m_lastModified, 0);
  EXPECT_EQ(m_job.m_lastModified, 0);
  EXPECT_EQ(m_item.m_lastUpdate, 0);
  EXPECT_EQ(m_server.RequestCount(), 1u);
  // ...and later checks skip the date rule and fetch the page, without asking the server.
  EXPECT_EQ(Check(), std::nullopt);
  EXPECT_EQ(Check(), std::nullopt);
  EXPECT_EQ(m_server.RequestCount(), 1u);
}

TEST_F(CheckDateTest, FailuresFallBackToTheFullCheck) {
  m_item.m_lastModified = 12345;
  // A redirection loop.
  m_server.SetDefault([](const HttpRequestRecord& request) {
    return ScriptedResponse::Redirect(302, request.target == "/page.htm" ? "/a/page.htm" : "/page.htm");
  });
  EXPECT_EQ(Check(), std::nullopt);
  EXPECT_EQ(m_job.m_outcome, FetchOutcome::Failed);
  EXPECT_EQ(m_job.m_lastModified, 0);
  EXPECT_EQ(m_item.m_lastModified, 12345);
  EXPECT_EQ(m_item.m_errorStatus, 0);
  // A server that is gone.
  m_item.m_url = "http://127.0.0.1:1/page.htm";
  EXPECT_EQ(Check(), std::nullopt);
  EXPECT_EQ(m_job.m_lastModified, 0);
  EXPECT_EQ(m_item.m_errorStatus, 0);
  EXPECT_TRUE(m_item.m_errorText.empty());
}

TEST_F(CheckDateTest, RefusedAuthenticationAndABusyServerEndTheCheck) {
  m_item.m_lastModified = 12345;
  m_server.Enqueue("/page.htm", ScriptedResponse::Challenge());
  m_prompter.QueueCredentials(std::nullopt);
  EXPECT_EQ(Check(), CheckResult::Error);
  EXPECT_EQ(m_item.m_errorStatus, 2);
  EXPECT_EQ(m_item.m_errorText, "認証が否定されました");
  EXPECT_EQ(m_item.m_lastModified, 12345);

  // No GET follows a HEAD the server answered with "later".
  ScriptedResponse busy = ScriptedResponse::Status(429);
  busy.headers = {"Retry-After: 30"};
  m_server.Enqueue("/page.htm", busy);
  std::size_t before = m_server.RequestCount();
  EXPECT_EQ(Check(), CheckResult::Error);
  EXPECT_EQ(m_item.m_errorText, "サーバーが混雑しています (30 秒後に再試行)");
  EXPECT_EQ(m_job.m_retryAfter, 30);
  EXPECT_EQ(m_item.m_lastModified, 12345);
  EXPECT_EQ(m_server.RequestCount(), before + 1);
}

TEST_F(CheckDateTest, CredentialsTypedInTheDialogAreKept) {
  m_server.Enqueue("/page.htm", ScriptedResponse::Challenge());
  m_server.Enqueue("/page.htm", Dated(kMonday));
  m_server.Enqueue("/page.htm", ScriptedResponse::Challenge());
  m_server.Enqueue("/page.htm", Dated(kMonday));
  m_prompter.QueueCredentials(IPrompter::Credentials{"user", "secret"});
  EXPECT_EQ(Check(), CheckResult::Updated);
  EXPECT_EQ(m_item.m_user, "user");
  EXPECT_EQ(m_item.m_password, "secret");
  m_prompter.QueueCredentials(IPrompter::Credentials{"other", "word"});
  EXPECT_EQ(Check(), CheckResult::NotUpdated);
  EXPECT_EQ(m_item.m_user, "other");
  EXPECT_EQ(m_item.m_password, "word");
}
