// Checks against a real nginx: redirection chains as sites answer them, compressed pages,
// ETag with 304, and a charset given only in the Content-Type header.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "core/check/renew.h"
#include "core/fetch/fetch.h"
#include "support/check_fixture.h"
#include "support/child_process.h"
#include "support/iconv_oracle.h"
#include "support/nginx_server.h"
#include "support/temp_folder.h"

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

// A page of `size` bytes that gzip shrinks, as text pages do.
std::string Page(std::size_t size) {
  std::string text = "<html><body>\n";
  for (int line = 0; text.size() < size; ++line) {
    text += "<p>line " + std::to_string(line) + " of the page</p>\n";
  }
  return text.substr(0, size);
}

// Each request's status and bytes sent, one line each, in the order nginx served them.
const char kBytesLog[] = "log_format sent '$status $bytes_sent';";

class ChecksOnNginxTest : public ::testing::Test, public CheckFixture {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_NGINX();
    engine.SetNotifyTarget(&queue, &notify);
    nginx.AddHttpConfig(kBytesLog);
    nginx.AddServerConfig("access_log " + nginx.Folder() + "/sent.log sent;");
  }
  // The lines nginx logged through kBytesLog once there are `count` of them (nginx logs a
  // request just after its answer has gone out).
  std::string Sent(int count) const {
    std::string log;
    for (int wait = 0; wait < 100; ++wait) {
      log = ReadAll(nginx.Folder() + "/sent.log");
      if (std::count(log.begin(), log.end(), '\n') >= count) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return log;
  }
  WatchItem Check(WatchItem item) { return CheckNow(engine, notify, std::move(item)); }
  WatchItem At(WatchItem item, const std::string& path) {
    item.m_url = nginx.Url(path);
    return item;
  }

  NginxServer nginx;
  CReNew engine{Environment()};
  CRecordingNotify notify;
};

}  // namespace

TEST_F(ChecksOnNginxTest, RedirectionChainsAreFollowedToTheirEndAndLoopsAndLongChainsNamed) {
  nginx.AddFile("www/page.html", "arrived");
  // http -> the site's canonical name -> its www. folder, as sites chain them.
  nginx.AddServerConfig("location = /page.html { return 301 /canonical/page.html; }");
  nginx.AddServerConfig("location = /canonical/page.html { return 302 $scheme://$http_host/www/page.html; }");
  for (int hop = 0; hop <= 10; ++hop) {
    nginx.AddServerConfig("location = /long" + std::to_string(hop) + "/page.html { return 307 /long" +
                          std::to_string(hop + 1) + "/page.html; }");
  }
  nginx.AddServerConfig("location = /loop/a.html { return 308 /loop/b.html; }");
  nginx.AddServerConfig("location = /loop/b.html { return 301 /loop/a.html; }");
  ASSERT_TRUE(nginx.Start()) << nginx.Failure();

  WatchItem item = Check(At(FullTextItem("/"), "/page.html"));
  EXPECT_EQ(item.m_result, CheckResult::Updated);
  EXPECT_EQ(ReadAll(item.m_hiddenPath), "arrived");

  item = Check(At(FullTextItem("/"), "/long0/page.html"));
  EXPECT_EQ(item.m_result, CheckResult::Error);
  EXPECT_EQ(item.m_errorText,
            "リロケーションの許容回数を越えました (10 回): " + nginx.Url("/long11/page.html"));

  item = Check(At(FullTextItem("/"), "/loop/a.html"));
  EXPECT_EQ(item.m_result, CheckResult::Error);
  EXPECT_EQ(item.m_errorText, "リダイレクトがループしています: " + nginx.Url("/loop/a.html"));
}

TEST_F(ChecksOnNginxTest, AGzippedPageIsComparedDecodedAndAnUnchangedOneCostsOnly304) {
  const std::string page = Page(30 * 1024);
  nginx.AddFile("news.html", page);
  nginx.AddHttpConfig("gzip on; gzip_types text/html; etag on;");
  ASSERT_TRUE(nginx.Start()) << nginx.Failure();

  WatchItem item = Check(At(FullTextItem("/"), "/news.html"));
  ASSERT_EQ(item.m_result, CheckResult::Updated) << item.m_errorText;
  EXPECT_EQ(ReadAll(item.m_hiddenPath), page) << "the copy is the decoded page";
  EXPECT_FALSE(item.m_etag.empty());
  std::string first = Sent(1);
  EXPECT_EQ(first.substr(0, 4), "200 ");
  EXPECT_LT(std::stoi(first.substr(4)), 5000) << "sent gzipped";

  item = Check(item);
  EXPECT_EQ(item.m_result, CheckResult::NotUpdated);
  std::string both = Sent(2);
  std::string second = both.substr(first.size());
  EXPECT_EQ(second.substr(0, 4), "304 ");
  EXPECT_LT(std::stoi(second.substr(4)), 400);
  EXPECT_EQ(ReadAll(item.m_hiddenPath), page);

  // A new version of the file has a new ETag: fetched and found changed.
  nginx.AddFile("news.html", page + "<p>new</p>\n");
  item = Check(item);
  EXPECT_EQ(item.m_result, CheckResult::Updated);
  EXPECT_EQ(ReadAll(item.m_hiddenPath), page + "<p>new</p>\n");
}

TEST_F(ChecksOnNginxTest, ACharsetOnlyInTheHeaderIsTheOneRead) {
  const std::string keyword = "日本語";  // CP932, as the program keeps text
  nginx.AddFile("euc/page.html", IconvConvert("EUC-JP", "CP932", "<p>日本語と日本語</p>").value());
  nginx.AddFile("utf/page.html", IconvConvert("UTF-8", "CP932", "<p>日本語</p>").value());
  nginx.AddServerConfig("location /euc/ { charset EUC-JP; }");
  nginx.AddServerConfig("location /utf/ { charset utf-8; }");
  ASSERT_TRUE(nginx.Start()) << nginx.Failure();

  WatchItem euc = Check(At(KeywordItem("/", keyword, 3), "/euc/page.html"));
  EXPECT_EQ(euc.m_simpleKeywordCount, 2);
  EXPECT_EQ(euc.m_pageCharset, "EUC-JP");
  WatchItem utf = Check(At(KeywordItem("/", keyword, 3), "/utf/page.html"));
  EXPECT_EQ(utf.m_simpleKeywordCount, 1);
}

// As a user runs it: the command-line program checks a gzipped page twice; the second
// check costs nginx a 304 and the row says nothing changed; the list keeps the ETag.
TEST(CliOnNginx, ASecondCheckAllOfAnUnchangedPageIsAnswered304) {
  SKIP_WITHOUT_NGINX();
  NginxServer nginx;
  nginx.AddFile("news.html", Page(30 * 1024));
  nginx.AddHttpConfig("gzip on; etag on;");
  nginx.AddHttpConfig(kBytesLog);
  nginx.AddServerConfig("access_log " + nginx.Folder() + "/sent.log sent;");
  ASSERT_TRUE(nginx.Start()) << nginx.Failure();
  TempFolder home;
  setenv("XDG_CONFIG_HOME", home.File("config").c_str(), 1);
  auto cli = [&home](std::vector<std::string> args) {
    args.insert(args.begin(), {"--home", home.Path()});
    return RunProgram(PAGEWARDEN_CLI, args);
  };
  ASSERT_EQ(cli({"add", nginx.Url("/news.html"), "--full"}).status, 0);
  RunResult first = cli({"check", "all", "--no-actions", "--json"});
  EXPECT_NE(first.output.find("\"mark\": \"updated\""), std::string::npos) << first.output;
  RunResult second = cli({"check", "all", "--no-actions", "--json"});
  EXPECT_NE(second.output.find("\"mark\": \"notUpdated\""), std::string::npos) << second.output;
  EXPECT_NE(cli({"show", "1"}).output.find("ETag\t\""), std::string::npos);
  std::string log = ReadAll(nginx.Folder() + "/sent.log");
  for (int wait = 0; wait < 100 && std::count(log.begin(), log.end(), '\n') < 2; ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    log = ReadAll(nginx.Folder() + "/sent.log");
  }
  std::size_t second_line = log.find('\n') + 1;
  EXPECT_EQ(log.substr(second_line, 4), "304 ") << log;
}
