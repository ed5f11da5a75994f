#include "core/fetch/fetch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "core/common/app_settings.h"
#include "platform/event.h"
#include "platform/file_system.h"
#include "platform/http_session.h"
#include "support/loopback_http_server.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"
#include "support/test_certificate.h"
#include "support/time_zone.h"

namespace {

class FetchTest : public ::testing::Test {
 protected:
  FetchJob Job(const std::string& path, const std::string& saveName = "page.htm") {
    FetchJob job;
    job.m_url = m_server.Url(path);
    job.m_savePath = m_folder.File(saveName);
    return job;
  }
  FetchOutcome Run(FetchJob& job) {
    CFetch fetch(m_prompter, m_settings);
    return fetch.Fetch(job);
  }

  TempFolder m_folder;
  LoopbackHttpServer m_server;
  CScriptedPrompter m_prompter;
  FetchSettings m_settings;
};

ScriptedResponse Html(const std::string& body) { return ScriptedResponse::Ok(body, "text/html"); }

}  // namespace

TEST_F(FetchTest, SavesTheBodyAndSendsTheRequestsHeadersInOrder) {
  ScriptedResponse answer = Html("<html>page</html>");
  answer.headers.push_back("Last-Modified: Sun, 06 Nov 1994 08:49:37 GMT");
  m_server.Enqueue("/dir/page.htm", answer);
  FetchJob job = Job("/dir/page.htm");
  job.m_referer = "http://referer/";
  job.m_cookie = "a=b";
  job.m_extraHeaders = "X-First: 1\r\nX-Second: 2 \r\n\t ";

  EXPECT_EQ(FetchOutcome::Fetched, Run(job));
  EXPECT_EQ(m_folder.File("page.htm"), job.m_savedPath);
  EXPECT_EQ("<html>page</html>", m_folder.ReadBytes("page.htm"));
  EXPECT_EQ(17, job.m_contentLength);
  EXPECT_EQ(17, job.m_expectedSize);
  EXPECT_EQ("X-First: 1\r\nX-Second: 2\r\n", job.m_extraHeaders);
  std::tm local{};
  local.tm_year = 94, local.tm_mon = 10, local.tm_mday = 6;
  local.tm_hour = 8, local.tm_min = 49, local.tm_sec = 37, local.tm_isdst = -1;
  EXPECT_EQ(static_cast<int>(std::mktime(&local)), job.m_lastModified);

  HttpRequestRecord got = m_server.Requests().at(0);
  EXPECT_EQ("GET", got.method);
  EXPECT_EQ(1, got.CountHeader("User-Agent"));
  EXPECT_EQ("Pagewarden1.35", got.Header("User-Agent"));
  // Every coding the library decodes is asked for; the library places that header itself.
  EXPECT_NE(std::string::npos, got.Header("Accept-Encoding").find("gzip"));
  std::vector<std::string> ours;
  for (const std::string& line : got.headers) {
    if (line.rfind("Host:", 0) != 0 && line.rfind("User-Agent:", 0) != 0 &&
        line.rfind("Accept-Encoding:", 0) != 0) {
      ours.push_back(line);
    }
  }
  EXPECT_EQ((std::vector<std::string>{"Accept: */*", "X-First: 1", "X-Second: 2",
                                      "Referer: http://referer/", "Cookie: a=b"}),
            ours);
}

TEST_F(FetchTest, LastModifiedIsReadAsLocalCalendarTime) {
  ScopedTimeZone tokyo("JST-9");  // a POSIX rule: needs no zone data
  ScriptedResponse answer = Html("x");
  answer.headers.push_back("Last-Modified: Sun, 06 Nov 1994 08:49:37 GMT");
  m_server.Enqueue("/a.htm", answer);
  m_server.Enqueue("/b.htm", Html("y"));
  FetchJob dated = Job("/a.htm", "a.htm");
  FetchJob undated = Job("/b.htm", "b.htm");
  EXPECT_EQ(FetchOutcome::Fetched, Run(dated));
  EXPECT_EQ(FetchOutcome::Fetched, Run(undated));
  EXPECT_EQ(784111777 - 9 * 3600, dated.m_lastModified);  // 08:49:37 taken as Tokyo time
  EXPECT_EQ(0, undated.m_lastModified);
}

TEST_F(FetchTest, OwnUserAgentIsTheOnlyOne) {
  m_server.Enqueue("/p.htm", Html("x"));
  FetchJob job = Job("/p.htm");
  job.m_userAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0; Q312461)";
  EXPECT_EQ(FetchOutcome::Fetched, Run(job));
  HttpRequestRecord got = m_server.Requests().at(0);
  EXPECT_EQ(1, got.CountHeader("User-Agent"));
  EXPECT_EQ(job.m_userAgent, got.Header("User-Agent"));
}

TEST_F(FetchTest, OtherSchemesAreNotFetchableWithoutTraffic) {
  for (const std::string url : {"ftp://127.0.0.1/file.txt", "file:///etc/hostname", "gopher://x/",
                                "http://", "not a url"}) {
    FetchJob job;
    job.m_url = url;
    job.m_savePath = m_folder.File("x.htm");
    EXPECT_EQ(FetchOutcome::NotFetchable, Run(job)) << url;
    EXPECT_EQ(FetchOutcome::NotFetchable, job.m_outcome);
    EXPECT_TRUE(job.m_errorText.empty());
    CFetch fetch(m_prompter);
    EXPECT_EQ(0, fetch.FetchLastModified(job));
    EXPECT_EQ(FetchOutcome::NotFetchable, job.m_outcome);
  }
  EXPECT_EQ(0u, m_server.ConnectionCount());
}

TEST_F(FetchTest, RedirectionChainsOfUpToTenAreFollowedOnlyToHttp) {
  // http -> https -> www. and the like: ten redirections in a row, of every kind, each
  // relative target resolved against the hop before it.
  const int kinds[] = {301, 302, 303, 307, 308};
  for (int hop = 0; hop < 10; ++hop) {
    m_server.Enqueue("/h" + std::to_string(hop) + "/page.htm",
                     ScriptedResponse::Redirect(kinds[hop % 5], hop % 2 == 0
                                                    ? "/h" + std::to_string(hop + 1) + "/page.htm"
                                                    : "../h" + std::to_string(hop + 1) + "/page.htm"));
  }
  m_server.Enqueue("/h10/page.htm", Html("arrived"));
  FetchJob job = Job("/h0/page.htm");
  EXPECT_EQ(FetchOutcome::Fetched, Run(job));
  EXPECT_EQ("arrived", m_folder.ReadBytes("page.htm"));
  EXPECT_EQ(11u, m_server.RequestCount());

  // An eleventh is one too many; the message names the address it leads to.
  for (int hop = 0; hop <= 10; ++hop) {
    m_server.Enqueue("/k" + std::to_string(hop) + "/page.htm",
                     ScriptedResponse::Redirect(302, "/k" + std::to_string(hop + 1) + "/page.htm"));
  }
  std::size_t before = m_server.RequestCount();
  job = Job("/k0/page.htm");
  EXPECT_EQ(FetchOutcome::Failed, Run(job));
  EXPECT_EQ("リロケーションの許容回数を越えました (10 回): " + m_server.Url("/k11/page.htm"),
            job.m_errorText);
  EXPECT_EQ(before + 11, m_server.RequestCount());

  // A loop ends at the first address asked for twice.
  m_server.Handle("/l1/page.htm", [](const HttpRequestRecord&) {
    return ScriptedResponse::Redirect(301, "/l2/page.htm");
  });
  m_server.Handle("/l2/page.htm", [](const HttpRequestRecord&) {
    return ScriptedResponse::Redirect(302, "/l1/page.htm");
  });
  before = m_server.RequestCount();
  job = Job("/l1/page.htm");
  EXPECT_EQ(FetchOutcome::Failed, Run(job));
  EXPECT_EQ("リダイレクトがループしています: " + m_server.Url("/l1/page.htm"), job.m_errorText);
  EXPECT_EQ(before + 2, m_server.RequestCount());

  // file: is never fetched, however far down the chain it stands.
  before = m_server.RequestCount();
  m_server.Enqueue("/f/page.htm", ScriptedResponse::Redirect(302, "/g/page.htm"));
  m_server.Enqueue("/g/page.htm", ScriptedResponse::Redirect(302, "file:///etc/page.htm"));
  job = Job("/f/page.htm");
  EXPECT_EQ(FetchOutcome::NotFetchable, Run(job));
  EXPECT_EQ(before + 2, m_server.RequestCount());
}

TEST_F(FetchTest, EveryHopKeepsTheRelocationRule) {
  // The same name twice, then another: with relocation off the third hop stops the fetch.
  m_server.Enqueue("/a/p.htm", ScriptedResponse::Redirect(301, "/b/p.htm"));
  m_server.Enqueue("/b/p.htm", ScriptedResponse::Redirect(302, "/c/q.htm"));
  FetchJob job = Job("/a/p.htm");
  EXPECT_EQ(FetchOutcome::Moved, Run(job));
  EXPECT_EQ("/c/q.htm", job.m_redirectTarget);
  EXPECT_EQ(2u, m_server.RequestCount());
}

TEST_F(FetchTest, RedirectionToAnotherFileNeedsRelocation) {
  m_server.Handle("/old.htm", [](const HttpRequestRecord&) {
    return ScriptedResponse::Redirect(302, "new.htm");
  });
  m_server.Handle("/new.htm", [](const HttpRequestRecord&) { return Html("new"); });
  FetchJob job = Job("/old.htm");
  EXPECT_EQ(FetchOutcome::Moved, Run(job));
  EXPECT_EQ("new.htm", job.m_redirectTarget);
  EXPECT_EQ(1u, m_server.RequestCount());

  job = Job("/old.htm");
  job.m_allowRelocation = 1;
  EXPECT_EQ(FetchOutcome::Fetched, Run(job));
  EXPECT_EQ("new", m_folder.ReadBytes("page.htm"));
  EXPECT_EQ("/new.htm", m_server.Requests().back().target);
}

// A Location written with raw bytes is asked for with those bytes escaped as they came:
// UTF-8 from most servers, Shift_JIS from older ones.
TEST_F(FetchTest, ARawByteLocationIsAskedForWithItsOwnBytesEscaped) {
  m_server.Enqueue("/a/p.htm", ScriptedResponse::Redirect(302, "/\xE6\x96\xB0/p.htm"));
  m_server.Enqueue("/%E6%96%B0/p.htm", Html("utf-8"));
  m_server.Enqueue("/b/p.htm", ScriptedResponse::Redirect(301, m_server.Url("/\x90\x56/p.htm")));
  m_server.Enqueue("/%90V/p.htm", Html("shift_jis"));
  for (const char* start : {"/a/p.htm", "/b/p.htm"}) {
    FetchJob job = Job(start);
    job.m_allowRelocation = 1;
    EXPECT_EQ(FetchOutcome::Fetched, Run(job)) << start << ": " << m_server.Requests().back().target;
  }
  ASSERT_EQ(4u, m_server.RequestCount());
  EXPECT_EQ("/%E6%96%B0/p.htm", m_server.Requests()[1].target);
  EXPECT_EQ("/%90V/p.htm", m_server.Requests()[3].target);
}

TEST_F(FetchTest, HeadersAreFoundInAnyCaseWithOrWithoutABlank) {
  // As proxies and small servers write them; Content-Location is no Location.
  ScriptedResponse lower;
  lower.status = 302;
  lower.headers = {"Content-Location: /y/p.htm", "location: /x/p.htm"};
  m_server.Enqueue("/p.htm", lower);
  ScriptedResponse tight;
  tight.status = 301;
  tight.headers = {"LOCATION:/z/p.htm"};
  m_server.Enqueue("/x/p.htm", tight);
  ScriptedResponse page = Html("found");
  page.headers = {"last-modified:Sun, 06 Nov 1994 08:49:37 GMT", "etag:\"v1\""};
  m_server.Enqueue("/z/p.htm", page);
  FetchJob job = Job("/p.htm");
  EXPECT_EQ(FetchOutcome::Fetched, Run(job));
  EXPECT_EQ("found", m_folder.ReadBytes("page.htm"));
  EXPECT_EQ("/z/p.htm", m_server.Requests().back().target);
  EXPECT_NE(0, job.m_lastModified);
  EXPECT_EQ("\"v1\"", job.m_etag);
  EXPECT_EQ("Sun, 06 Nov 1994 08:49:37 GMT", job.m_lastModifiedText);

  // A redirection without any Location is one to nowhere.
  ScriptedResponse none;
  none.status = 302;
  none.headers = {"Content-Location: /y.htm"};
  m_server.Enqueue("/q.htm", none);
  job = Job("/q.htm");
  EXPECT_EQ(FetchOutcome::Failed, Run(job));
  EXPECT_EQ("不正なＵＲＬへのリダイレクト", job.m_errorText);
}

TEST_F(FetchTest, ValidatorsAreSentAsStoredAndA304SavesNothing) {
  m_server.Handle("/v.htm", [](const HttpRequestRecord& request) {
    if (request.Header("If-None-Match") == "W/\"abc\"") {
      ScriptedResponse same = ScriptedResponse::Status(304);
      same.headers = {"ETag: W/\"abc\""};
      return same;
    }
    ScriptedResponse page = Html("v");
    page.headers = {"ETag: W/\"abc\"", "Last-Modified: Tue, 15 Nov 1994 12:45:26 GMT"};
    return page;
  });
  FetchJob job = Job("/v.htm");
  EXPECT_EQ(FetchOutcome::Fetched, Run(job));
  EXPECT_FALSE(m_server.Requests().back().HasHeader("If-None-Match"));

  job = Job("/v.htm", "second.htm");
  job.m_ifNoneMatch = "W/\"abc\"";
  job.m_ifModifiedSince = "Tue, 15 Nov 1994 12:45:26 GMT";
  EXPECT_EQ(FetchOutcome::NotModified, Run(job));
  EXPECT_EQ(304, job.m_httpStatus);
  EXPECT_FALSE(platform::FileExists(m_folder.File("second.htm")));
  EXPECT_EQ("W/\"abc\"", job.m_etag);
  EXPECT_EQ("Tue, 15 Nov 1994 12:45:26 GMT", job.m_lastModifiedText);  // kept from the request
  HttpRequestRecord sent = m_server.Requests().back();
  EXPECT_EQ("Tue, 15 Nov 1994 12:45:26 GMT", sent.Header("If-Modified-Since"));

  // A POST is never conditional.
  job = Job("/v.htm");
  job.m_formData = "a=1";
  job.m_ifNoneMatch = "W/\"abc\"";
  EXPECT_EQ(FetchOutcome::Fetched, Run(job));
  EXPECT_FALSE(m_server.Requests().back().HasHeader("If-None-Match"));
}

TEST_F(FetchTest, CompressedBodiesAreSavedDecodedAndTheLimitCountsDecodedBytes) {
  // <html>, 3000 'a', </html>: 3013 bytes, 52 in gzip, sent whether asked for or not.
  const std::string gzipped(
      "\x1F\x8B\x08\x00\x00\x00\x00\x00\x02\xFF\xB3\xC9\x28\xC9\xCD\xB1\x4B\x1C\x05\xA3\x60"
      "\x14\x8C\x82\x51\x30\x0A\x46\xC1\x28\x18\x05\xA3\x60\x14\x0C\x7A\x60\xA3\x0F\x6E\xBE"
      "\x03\x00\xAB\xD1\xA7\xB4\xC5\x0B\x00\x00",
      52);
  const std::string page = "<html>" + std::string(3000, 'a') + "</html>";
  ScriptedResponse answer = Html(gzipped);
  answer.headers = {"content-encoding: gzip"};
  m_server.Handle("/z.htm", [answer](const HttpRequestRecord&) { return answer; });
  FetchJob job = Job("/z.htm");
  EXPECT_EQ(FetchOutcome::Fetched, Run(job));
  EXPECT_EQ(page, m_folder.ReadBytes("page.htm"));
  EXPECT_EQ(-1, job.m_contentLength);  // 52 on the wire says nothing of the page

  m_settings.m_pageSizeLimit = 3000;
  job = Job("/z.htm", "limited.htm");
  EXPECT_EQ(FetchOutcome::Failed, Run(job));
  EXPECT_EQ("ページサイズの上限 (3000 バイト) を超えました", job.m_errorText);
  EXPECT_FALSE(platform::FileExists(m_folder.File("limited.htm")));
}

TEST_F(FetchTest, ABusyServerThatSaysWhenIsToldApart) {
  ScriptedResponse seconds = ScriptedResponse::Status(503);
  seconds.headers = {"retry-after: 120"};
  m_server.Enqueue("/busy.htm", seconds);
  FetchJob job = Job("/busy.htm");
  EXPECT_EQ(FetchOutcome::Failed, Run(job));
  EXPECT_EQ("サーバーが混雑しています (120 秒後に再試行)", job.m_errorText);
  EXPECT_EQ(120, job.m_retryAfter);
  EXPECT_FALSE(platform::FileExists(m_folder.File("page.htm")));

  // A date in the past means now; one without Retry-After is a status like any other.
  ScriptedResponse dated = ScriptedResponse::Status(429);
  dated.headers = {"Retry-After: Sun, 06 Nov 1994 08:49:37 GMT"};
  m_server.Enqueue("/busy.htm", dated);
  job = Job("/busy.htm");
  EXPECT_EQ(FetchOutcome::Failed, Run(job));
  EXPECT_EQ(0, job.m_retryAfter);
  m_server.Enqueue("/busy.htm", ScriptedResponse::Status(503));
  job = Job("/busy.htm");
  EXPECT_EQ(FetchOutcome::HttpStatus, Run(job));
  EXPECT_EQ(503, job.m_httpStatus);
  EXPECT_EQ(-1, job.m_retryAfter);

  // The date check is told the same.
  m_server.Enqueue("/busy.htm", seconds);
  job = Job("/busy.htm");
  CFetch fetch(m_prompter);
  EXPECT_EQ(0, fetch.FetchLastModified(job));
  EXPECT_EQ(FetchOutcome::Failed, job.m_outcome);
  EXPECT_EQ(120, job.m_retryAfter);
}

TEST_F(FetchTest, PostAnswered303IsRepeatedAsGet) {
  m_server.Enqueue("/form.cgi", ScriptedResponse::Redirect(303, "http://127.0.0.1:" +
                                                                   std::to_string(m_server.Port()) +
                                                                   "/done/form.cgi"));
  m_server.Enqueue("/done/form.cgi", ScriptedResponse::Ok("thanks", "text/plain"));
  FetchJob job = Job("/form.cgi", "result.txt");
  job.m_formData = "name=%82%a0&x=1";
  EXPECT_EQ(FetchOutcome::Fetched, Run(job));
  auto got = m_server.Requests();
  ASSERT_EQ(2u, got.size());
  EXPECT_EQ("POST", got[0].method);
  EXPECT_EQ("name=%82%a0&x=1", got[0].body);
  EXPECT_EQ("15", got[0].Header("Content-Length"));
  EXPECT_EQ("GET", got[1].method);
  EXPECT_FALSE(got[1].HasHeader("Content-Length"));
  EXPECT_TRUE(got[1].body.empty());
}

TEST_F(FetchTest, AuthenticationAsksTheUserAndRetries) {
  m_server.Handle("/secret.htm", [](const HttpRequestRecord& request) {
    return request.Header("Authorization") == "Basic dXNlcjpwYXNz" ? Html("inside")
                                                                 : ScriptedResponse::Challenge();
  });
  FetchJob refused = Job("/secret.htm");
  EXPECT_EQ(FetchOutcome::Failed, Run(refused));
  EXPECT_EQ("認証が否定されました", refused.m_errorText);

  m_prompter.QueueCredentials(IPrompter::Credentials{"user", "wrong"});
  m_prompter.QueueCredentials(IPrompter::Credentials{"user", "pass"});
  FetchJob job = Job("/secret.htm");
  EXPECT_EQ(FetchOutcome::Fetched, Run(job));
  EXPECT_EQ("inside", m_folder.ReadBytes("page.htm"));
  EXPECT_EQ("user", job.m_user);
  EXPECT_EQ("pass", job.m_password);
  auto questions = m_prompter.Questions();
  ASSERT_EQ(3u, questions.size());
  EXPECT_TRUE(questions[2].forCredentials);
  EXPECT_EQ(job.m_url, questions[2].text);
  EXPECT_EQ(60000u, questions[2].timeoutMs);
  EXPECT_EQ(1, m_server.Requests().back().CountHeader("Authorization"));

  // Known credentials go with the first request.
  FetchJob known = Job("/secret.htm", "known.htm");
  known.m_user = "user";
  known.m_password = "pass";
  std::size_t before = m_server.RequestCount();
  EXPECT_EQ(FetchOutcome::Fetched, Run(known));
  EXPECT_EQ(before + 1, m_server.RequestCount());
}

// A Japanese login goes in UTF-8; a 407 of the proxy (here the server itself, taken as the
// proxy) ends at once with its own text instead of asking for the page's login.
TEST_F(FetchTest, JapaneseLoginsGoInUtf8AndAProxyLoginIsNotAskedFor) {
  m_server.Handle("/secret.htm", [](const HttpRequestRecord& request) {
    return request.Header("Authorization") == "Basic 5aSq6YOOOuenmOWvhg==" ? Html("inside")
                                                                         : ScriptedResponse::Challenge();
  });
  m_prompter.QueueCredentials(IPrompter::Credentials{"太郎", "秘密"});  // CP932, as typed
  FetchJob job = Job("/secret.htm");
  EXPECT_EQ(FetchOutcome::Fetched, Run(job)) << job.m_errorText;

  m_server.SetDefault([](const HttpRequestRecord&) { return ScriptedResponse::Status(407); });
  m_settings.m_proxy = "taro:pw@127.0.0.1:" + std::to_string(m_server.Port());
  FetchJob behindProxy = Job("/page.htm");
  behindProxy.m_url = "http://example.org/page.htm";
  EXPECT_EQ(FetchOutcome::Failed, Run(behindProxy));
  EXPECT_EQ(behindProxy.m_errorText.rfind("プロキシの認証に失敗しました", 0), 0u)
      << behindProxy.m_errorText;
  EXPECT_EQ(m_server.Requests().back().Header("Proxy-Authorization"), "Basic dGFybzpwdw==");
}

TEST_F(FetchTest, SavePathFollowsTheAnswersType) {
  m_server.SetDefault([](const HttpRequestRecord&) { return Html("x"); });
  FetchJob bare = Job("/index", "noext");
  EXPECT_EQ(FetchOutcome::Fetched, Run(bare));
  EXPECT_EQ(m_folder.File("noext.html"), bare.m_savedPath);

  FetchJob relocated = Job("/page.cgi?a=1", "temp.tmp");
  relocated.m_allowRelocation = 1;
  EXPECT_EQ(FetchOutcome::Fetched, Run(relocated));
  EXPECT_EQ(m_folder.File("temp.html"), relocated.m_savedPath);
  EXPECT_TRUE(platform::FileExists(m_folder.File("temp.html")));

  FetchJob refused = Job("/page.cgi", "temp.tmp");
  EXPECT_EQ(FetchOutcome::Failed, Run(refused));
  EXPECT_EQ("異なるファイルタイプが返されました", refused.m_errorText);
}

TEST_F(FetchTest, ExistingFilesAreKeptAndNumberedNamesReused) {
  m_server.SetDefault([](const HttpRequestRecord&) { return Html("new"); });
  m_folder.WriteBytes("page.htm", "old");
  FetchJob job = Job("/page.htm");
  EXPECT_EQ(FetchOutcome::Fetched, Run(job));
  EXPECT_EQ(m_folder.File("page_1.htm"), job.m_savedPath);
  EXPECT_EQ("old", m_folder.ReadBytes("page.htm"));

  FetchJob numbered = Job("/page.htm", "page_3.htm");
  EXPECT_EQ(FetchOutcome::Fetched, Run(numbered));
  EXPECT_EQ(m_folder.File("page_2.htm"), numbered.m_savedPath);
}

// A page within the job's memory limit makes no file until the caller writes it; a larger
// one goes to the file whole, the part held in memory first.
TEST_F(FetchTest, APageWithinTheMemoryLimitStaysInMemoryUntilWritten) {
  std::string large;
  for (int i = 0; i < 5000; ++i) large += static_cast<char>('a' + i % 26);
  m_server.Enqueue("/small.htm", Html("<html>small</html>"));
  ScriptedResponse unframed = Html(large);
  unframed.contentLength = false;  // found too large only while it arrives
  m_server.Enqueue("/large.htm", unframed);
  m_server.Enqueue("/told.htm", Html(large));

  FetchJob job = Job("/small.htm", "temp.tmp");
  job.m_memoryLimit = 1000;
  EXPECT_EQ(FetchOutcome::Fetched, Run(job));
  EXPECT_TRUE(job.m_bodyInMemory);
  EXPECT_EQ("<html>small</html>", job.m_body);
  EXPECT_TRUE(job.m_savedPath.empty());
  EXPECT_FALSE(platform::FileExists(m_folder.File("temp.tmp")));
  m_folder.WriteBytes("temp.tmp", "taken meanwhile");
  ASSERT_TRUE(WriteKeptBody(job));
  EXPECT_EQ(m_folder.File("temp_1.tmp"), job.m_savedPath);
  EXPECT_EQ("<html>small</html>", m_folder.ReadBytes("temp_1.tmp"));
  EXPECT_EQ("taken meanwhile", m_folder.ReadBytes("temp.tmp"));

  for (const char* name : {"large.htm", "told.htm"}) {
    FetchJob big = Job(std::string("/") + name, name);
    big.m_memoryLimit = 1000;
    EXPECT_EQ(FetchOutcome::Fetched, Run(big)) << name;
    EXPECT_FALSE(big.m_bodyInMemory);
    EXPECT_TRUE(big.m_body.empty());
    EXPECT_EQ(large, m_folder.ReadBytes(name)) << name;
  }

  // A folder that could take no save file fails the fetch as it always did.
  m_server.Enqueue("/small.htm", Html("<html>small</html>"));
  FetchJob nowhere = Job("/small.htm", "missing/temp.tmp");
  nowhere.m_memoryLimit = 1000;
  EXPECT_EQ(FetchOutcome::Failed, Run(nowhere));
  EXPECT_EQ("保存ファイルが作れません", nowhere.m_errorText);
}

TEST_F(FetchTest, BodyLengthRules) {
  ScriptedResponse unframed = Html("to the end");
  unframed.contentLength = false;
  m_server.Enqueue("/u.htm", unframed);
  ScriptedResponse longer;
  longer.head = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 4\r\n\r\n";
  longer.body = "abcdefgh";
  m_server.Enqueue("/l.htm", longer);
  ScriptedResponse cut = Html(std::string(5000, 'c'));
  cut.closeAfter = 1000;
  m_server.Enqueue("/c.htm", cut);

  FetchJob job = Job("/u.htm", "u.htm");
  EXPECT_EQ(FetchOutcome::Fetched, Run(job));
  EXPECT_EQ(-1, job.m_contentLength);
  EXPECT_EQ(0, job.m_expectedSize);
  EXPECT_EQ("to the end", m_folder.ReadBytes("u.htm"));

  job = Job("/l.htm", "l.htm");
  EXPECT_EQ(FetchOutcome::Fetched, Run(job));
  EXPECT_EQ("abcd", m_folder.ReadBytes("l.htm"));

  job = Job("/c.htm", "c.htm");  // a body cut short is not a saved page
  EXPECT_EQ(FetchOutcome::Failed, Run(job));
  EXPECT_FALSE(job.m_errorText.empty());
  EXPECT_FALSE(platform::FileExists(m_folder.File("c.htm"))) << "no half page is left";
}

// An endless page ends as an error at the limit, told by its length or found while saving,
// and leaves no file.
TEST_F(FetchTest, APageOverTheSizeLimitIsAnErrorAndLeavesNoFile) {
  m_settings.m_pageSizeLimit = 10000;
  m_server.Enqueue("/told.htm", Html(std::string(10001, 't')));
  ScriptedResponse endless = Html(std::string(1000, 'e'));
  endless.bodyRepeat = 1000;
  endless.contentLength = false;
  m_server.Enqueue("/endless.htm", endless);
  m_server.Enqueue("/fits.htm", Html(std::string(10000, 'f')));
  for (const char* name : {"told.htm", "endless.htm"}) {
    FetchJob job = Job(std::string("/") + name, name);
    EXPECT_EQ(FetchOutcome::Failed, Run(job)) << name;
    EXPECT_EQ(job.m_errorText, "ページサイズの上限 (10000 バイト) を超えました");
    EXPECT_FALSE(platform::FileExists(m_folder.File(name)));
  }
  FetchJob fits = Job("/fits.htm", "fits.htm");
  EXPECT_EQ(FetchOutcome::Fetched, Run(fits));
  EXPECT_EQ(m_folder.ReadBytes("fits.htm").size(), 10000u);

  AppSettings settings;
  EXPECT_EQ(FetchSettingsFrom(settings).m_pageSizeLimit, 64 << 20) << "the default: 64 MiB";
  settings.m_pageSizeLimitMiB = 0;
  EXPECT_EQ(FetchSettingsFrom(settings).m_pageSizeLimit, 0);
}

// A server that sends more than its answer, late, once the connection is idle: those
// bytes must never be taken for the answer to the next request on a kept connection.
TEST_F(FetchTest, AKeptConnectionWithUnreadBytesIsNotReused) {
  m_settings.m_connections = std::make_shared<platform::CConnectionPool>();
  ScriptedResponse smuggling;
  smuggling.head = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 5\r\n\r\n";
  smuggling.body = "first"
                   "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 5\r\n\r\nstale";
  smuggling.stallAfter = 5;
  smuggling.stallMs = 50;
  m_server.Enqueue("/first.htm", smuggling);
  m_server.Enqueue("/second.htm", Html("fresh"));
  m_server.Enqueue("/third.htm", Html("third"));

  FetchJob first = Job("/first.htm", "first.htm");
  EXPECT_EQ(FetchOutcome::Fetched, Run(first));
  EXPECT_EQ(m_folder.ReadBytes("first.htm"), "first");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the late bytes arrive
  FetchJob second = Job("/second.htm", "second.htm");
  EXPECT_EQ(FetchOutcome::Fetched, Run(second));
  EXPECT_EQ(m_folder.ReadBytes("second.htm"), "fresh");
  EXPECT_EQ(m_server.ConnectionCount(), 2u);
  // A clean connection is still kept and reused.
  FetchJob third = Job("/third.htm", "third.htm");
  EXPECT_EQ(FetchOutcome::Fetched, Run(third));
  EXPECT_EQ(m_folder.ReadBytes("third.htm"), "third");
  EXPECT_EQ(m_server.ConnectionCount(), 2u);

  // A server that closes an idle connection: the next request connects anew.
  ScriptedResponse closing = Html("bye");
  closing.closeAfter = 3;
  m_server.Enqueue("/closing.htm", closing);
  m_server.Enqueue("/after.htm", Html("after"));
  FetchJob bye = Job("/closing.htm", "closing.htm");
  EXPECT_EQ(FetchOutcome::Fetched, Run(bye));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  FetchJob after = Job("/after.htm", "after.htm");
  EXPECT_EQ(FetchOutcome::Fetched, Run(after)) << after.m_errorText;
  EXPECT_EQ(m_folder.ReadBytes("after.htm"), "after");
  EXPECT_EQ(m_server.ConnectionCount(), 3u);
}

TEST_F(FetchTest, FailuresGiveTheStatus) {
  FetchJob job = Job("/missing.htm");
  EXPECT_EQ(FetchOutcome::HttpStatus, Run(job));
  EXPECT_EQ(404, job.m_httpStatus);
  EXPECT_EQ(404, StatusNumber(job));
}

TEST_F(FetchTest, TimeOutsAreFailuresWithAMessage) {
  ScriptedResponse silent = Html("late");
  silent.delayMs = 3000;
  m_server.Enqueue("/late.htm", silent);
  ScriptedResponse stalled = Html(std::string(10000, 's'));
  stalled.stallAfter = 10;
  stalled.stallMs = 3000;
  m_server.Enqueue("/stall.htm", stalled);
  m_settings.m_receiveTimeoutMs = 300;

  FetchJob job = Job("/late.htm");
  EXPECT_EQ(FetchOutcome::Failed, Run(job));
  EXPECT_NE(std::string::npos, job.m_errorText.find("timed out"));
  job = Job("/stall.htm");
  EXPECT_EQ(FetchOutcome::Failed, Run(job));
  EXPECT_NE(std::string::npos, job.m_errorText.find("timed out"));
}

TEST_F(FetchTest, AServerThatDripsOrNeverEndsFailsAndLeavesNoFile) {
  ScriptedResponse drip = Html(std::string(10000, 'd'));
  drip.dripMs = 250;  // 4 bytes a second: each byte comes well within the silence time-out
  m_server.Enqueue("/drip.htm", drip);
  ScriptedResponse endless = Html(std::string(100000, 'e'));
  endless.dripMs = 5;  // fast enough for the speed limit, far too long in all
  m_server.Enqueue("/endless.htm", endless);
  m_settings.m_lowSpeedBytes = 10;
  m_settings.m_lowSpeedSeconds = 1;

  FetchJob job = Job("/drip.htm");
  EXPECT_EQ(FetchOutcome::Failed, Run(job));
  EXPECT_NE(std::string::npos, job.m_errorText.find("転送が遅すぎます")) << job.m_errorText;
  m_settings.m_totalTimeoutMs = 700;
  job = Job("/endless.htm");
  EXPECT_EQ(FetchOutcome::Failed, Run(job));
  EXPECT_NE(std::string::npos, job.m_errorText.find("制限時間")) << job.m_errorText;

  // Interim answers without end, then silence short of the silence time-out.
  ScriptedResponse continues = Html("never");
  std::string interim;
  for (int i = 0; i < 2000; ++i) interim += "HTTP/1.1 100 Continue\r\n\r\n";
  continues.head = interim;
  continues.stallAfter = 0;
  continues.stallMs = 3000;
  m_server.Enqueue("/continue.htm", continues);
  m_settings.m_receiveTimeoutMs = 5000;
  job = Job("/continue.htm");
  EXPECT_EQ(FetchOutcome::Failed, Run(job));
  EXPECT_NE(std::string::npos, job.m_errorText.find("制限時間")) << job.m_errorText;
  EXPECT_FALSE(platform::FileExists(m_folder.File("page.htm")));
}

TEST_F(FetchTest, HttpsIsFetchedLikeHttpWhenTheCertificateIsTrusted) {
  LoopbackHttpServer secure(LoopbackHttpServer::Tls{kLoopbackCertificatePem, kLoopbackKeyPem});
  secure.SetDefault([](const HttpRequestRecord&) { return Html("secure"); });
  FetchJob job = Job("/");
  job.m_url = secure.Url("/s.htm");
  EXPECT_EQ(FetchOutcome::Failed, Run(job));  // the system's store does not know the test certificate
  EXPECT_FALSE(job.m_errorText.empty());
  EXPECT_EQ(0u, secure.RequestCount());

  m_folder.WriteBytes("ca.pem", kLoopbackCertificatePem);
  m_settings.m_caFile = m_folder.File("ca.pem");
  job = Job("/");
  job.m_url = secure.Url("/s.htm");
  EXPECT_EQ(FetchOutcome::Fetched, Run(job));
  EXPECT_EQ("secure", m_folder.ReadBytes("page.htm"));
}

TEST_F(FetchTest, ProgramWideProxyServesRequestsWithoutTheirOwn) {
  LoopbackHttpServer proxy;
  proxy.SetDefault([](const HttpRequestRecord&) { return Html("proxied"); });
  AppSettings app;
  app.m_proxy = "127.0.0.1:" + std::to_string(proxy.Port());
  app.m_noProxyForLocal = 0;
  m_settings = FetchSettingsFrom(app);
  m_server.SetDefault([](const HttpRequestRecord&) { return Html("direct"); });

  FetchJob job = Job("/p.htm", "a.htm");
  EXPECT_EQ(FetchOutcome::Fetched, Run(job));
  EXPECT_EQ("proxied", m_folder.ReadBytes("a.htm"));
  EXPECT_EQ(job.m_url, proxy.Requests().at(0).target);

  m_settings.m_noProxyForLocal = 1;  // 127.0.0.1 is local
  job = Job("/p.htm", "b.htm");
  EXPECT_EQ(FetchOutcome::Fetched, Run(job));
  EXPECT_EQ("direct", m_folder.ReadBytes("b.htm"));
}

TEST_F(FetchTest, LastModifiedByHead) {
  ScriptedResponse dated = Html("");
  dated.headers.push_back("Last-Modified: Tue, 15 Nov 1994 12:45:26 GMT");
  m_server.Enqueue("/old.htm", ScriptedResponse::Redirect(301, "/new/old.htm"));
  m_server.Enqueue("/new/old.htm", dated);
  FetchJob job = Job("/old.htm");
  CFetch fetch(m_prompter);
  std::time_t when = fetch.FetchLastModified(job);
  EXPECT_EQ(FetchOutcome::Fetched, job.m_outcome);
  EXPECT_NE(0, when);
  EXPECT_EQ(when, job.m_lastModified);
  EXPECT_EQ("HEAD", m_server.Requests().at(1).method);

  m_server.Enqueue("/none.htm", Html("x"));
  job = Job("/none.htm");
  EXPECT_EQ(0, fetch.FetchLastModified(job));
  EXPECT_EQ(FetchOutcome::Fetched, job.m_outcome);
  EXPECT_EQ(-1, job.m_lastModified);  // untouched without a date

  m_server.Handle("/a.htm", [](const HttpRequestRecord&) {
    return ScriptedResponse::Redirect(302, "/b/a.htm");
  });
  m_server.Handle("/b/a.htm", [](const HttpRequestRecord&) {
    return ScriptedResponse::Redirect(307, "/a.htm");
  });
  job = Job("/a.htm");
  EXPECT_EQ(0, fetch.FetchLastModified(job));
  EXPECT_EQ(FetchOutcome::Failed, job.m_outcome);
  EXPECT_EQ("リダイレクトがループしています: " + m_server.Url("/a.htm"), job.m_errorText);
}
