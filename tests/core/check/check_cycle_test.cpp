// The check cycle end to end: watch list, dispatcher, engine, retriever, comparison and the
// completion handling, against the loopback server, over several checks of changing pages.
#include <gtest/gtest.h>

#include "core/check/check_results.h"
#include "core/watch/watch_list.h"
#include "platform/file_system.h"
#include "support/check_fixture.h"
#include "support/iconv_oracle.h"
#include "support/time_zone.h"

namespace {

class CheckCycleTest : public ::testing::Test, public CheckFixture {
 protected:
  CheckCycleTest() : clock(LocalTimeOf(2026, 12, 7, 10, 0, 0)) {
    list.Engine().SetWaitSlice(5);
    list.Init(&queue, &results);
  }

  // Adds an item that is checked only when asked.
  int Add(WatchItem item) {
    item.m_nextCheck = -1;
    list.AddItem(item);
    return list.GetCount() - 1;
  }

  // "直ちにチェック" on one item (or all with -1); gives the new rows' texts.
  std::vector<std::string> CheckNow(int position, std::size_t expectedRows = 1) {
    std::size_t before = view.rows.size();
    list.CheckNow(position);
    EXPECT_TRUE(queue.RunUntil([&] { return view.rows.size() >= before + expectedRows; }, 10000));
    std::vector<std::string> texts;
    for (std::size_t i = before; i < view.rows.size(); ++i) texts.push_back(view.rows[i].m_text);
    return texts;
  }
  std::string CheckOne(int position) {
    std::vector<std::string> texts = CheckNow(position);
    return texts.empty() ? "" : texts.back();
  }
  WatchItem Item(int position) { return list.GetItem(position); }

  // The page in another encoding, from the CP932 text (literals here are CP932).
  static std::string Encode(const char* encoding, const std::string& cp932) {
    return IconvConvert(encoding, "CP932", cp932).value_or("?");
  }

  ScopedManualClock clock;
  CRecordingResultView view;
  CWatchList list{MakeEngine()};
  CCheckResults results{list, view};
};

TEST_F(CheckCycleTest, FullTextRuleFindsEachChangeAndKeepsTheMarkUntilSeen) {
  Serve("/a", "version 1");
  int a = Add(FullTextItem("/a"));
  EXPECT_EQ(CheckOne(a), "更新されています");
  EXPECT_EQ(Item(a).m_renewMark, 1);
  EXPECT_EQ(CheckOne(a), "更新されていません");
  EXPECT_EQ(Item(a).m_renewMark, 1) << "an update stays marked until the user has seen it";
  Serve("/a", "version 2");
  EXPECT_EQ(CheckOne(a), "更新されています");
  EXPECT_EQ(folder.ReadBytes("comp/copy.tmp"), "version 2");
  EXPECT_EQ(CheckOne(a), "更新されていません");

  const ResultRow& row = view.rows.back();
  EXPECT_EQ(row.m_page, Item(a).m_url);
  EXPECT_EQ(row.m_time, "10:00");
  EXPECT_EQ(row.m_image, ResultRow::kNotUpdated);
  EXPECT_EQ(list.FindById(row.m_itemId), a);
  EXPECT_EQ(view.refreshed.back(), a);
}

TEST_F(CheckCycleTest, RowsShowTheNameAndErrorsTheirStatusOrTheRetrieversText) {
  server.Handle("/gone", [](const HttpRequestRecord&) { return ScriptedResponse::Status(404); });
  server.Handle("/secret", [](const HttpRequestRecord&) { return ScriptedResponse::Challenge(); });
  WatchItem gone = FullTextItem("/gone");
  gone.m_name = "消えたページ";
  gone.m_renewMark = 0;
  int g = Add(gone);
  int s = Add(FullTextItem("/secret"));

  EXPECT_EQ(CheckOne(g), "エラー(status=404)");
  EXPECT_EQ(view.rows.back().m_page, "消えたページ");
  EXPECT_EQ(view.rows.back().m_image, ResultRow::kError);
  EXPECT_EQ(Item(g).m_renewMark, 2) << "an error marks an unmarked item";
  EXPECT_EQ(CheckOne(s), "認証が否定されました");

  Serve("/gone", "back again");
  EXPECT_EQ(CheckOne(g), "更新されています");
  WatchItem marked = Item(g);
  marked.m_renewMark = 2;
  list.ReplaceItem(g, marked);
  queue.RunPending();
  EXPECT_EQ(CheckOne(g), "更新されていません");
  EXPECT_EQ(Item(g).m_renewMark, 0) << "a good check clears the error mark";
}

TEST_F(CheckCycleTest, KeywordCountReactsOnlyInTheChosenDirection) {
  std::string three = "<p>新着</p><p>新着</p><p>新着</p>";
  std::string five = three + "<p>新着</p><p>新着</p>";
  Serve("/k", three);
  int decrease = Add(KeywordItem("/k", "新着", 2));
  int increase = Add(KeywordItem("/k", "新着", 1));
  EXPECT_EQ(CheckOne(decrease), "更新されていません") << "first count, only decreases count";
  EXPECT_EQ(Item(decrease).m_simpleKeywordCount, 3);
  EXPECT_EQ(CheckOne(increase), "更新されています") << "first count is an increase";

  Serve("/k", five);
  EXPECT_EQ(CheckOne(decrease), "更新されていません");
  EXPECT_EQ(Item(decrease).m_simpleKeywordCount, 5);
  EXPECT_EQ(CheckOne(increase), "更新されています");
  Serve("/k", three);
  EXPECT_EQ(CheckOne(decrease), "更新されています");
  EXPECT_EQ(CheckOne(increase), "更新されていません");
  EXPECT_EQ(Item(increase).m_simpleKeywordCount, 3);
  std::vector<std::string> pages = FilesIn(folder.File("comp"));
  std::erase_if(pages, [](const std::string& name) { return name.starts_with("hist_"); });
  EXPECT_TRUE(pages.size() <= 2u) << "unchanged pages are deleted";
}

TEST_F(CheckCycleTest, AnchorRuleComparesOnlyTheAreaAfterTheAnchor) {
  Serve("/n", "<h1>お知らせ</h1>価格:100円 訪問者1");
  int n = Add(AnchorItem("/n", "価格:", 0, 5));
  EXPECT_EQ(CheckOne(n), "更新されています");
  EXPECT_EQ(Item(n).m_compareData, "100円");
  Serve("/n", "<h1>お知らせ</h1>価格:100円 訪問者2");
  EXPECT_EQ(CheckOne(n), "更新されていません");
  EXPECT_EQ(Item(n).m_compareData, "100円");
  Serve("/n", "<h1>お知らせ</h1>価格:120円 訪問者3");
  EXPECT_EQ(CheckOne(n), "更新されています");
  EXPECT_EQ(Item(n).m_compareData, "120円");
  Serve("/n", "<h1>閉店</h1>");
  EXPECT_EQ(CheckOne(n), "更新されています") << "the anchor is gone: the area is empty";
  EXPECT_EQ(CheckOne(n), "更新されていません");
}

TEST_F(CheckCycleTest, JapanesePagesInEveryEncodingAreCountedAfterConversion) {
  const std::string cp932 = "<p>更新情報</p><p>更新情報</p>";
  struct Case {
    const char* path;
    std::string body;
    std::string contentType;
    int code;
  } cases[] = {
      {"/sjis", cp932, "text/html", 0},
      {"/euc", "<meta charset=\"euc-jp\">" + Encode("EUC-JP", cp932), "text/html", 0},
      {"/euc2", Encode("EUC-JP", cp932), "text/html", 2},
      {"/jis", Encode("ISO-2022-JP", cp932), "text/html", 0},
      {"/utf8", "<meta charset=\"utf-8\">" + Encode("UTF-8", cp932), "text/html", 0},
      {"/utf8b", Encode("UTF-8", cp932), "text/html", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    Serve(c.path, c.body, c.contentType);
    WatchItem item = KeywordItem(c.path, "更新情報", 3);
    item.m_japaneseCode = c.code;
    int position = Add(item);
    EXPECT_EQ(CheckOne(position), "更新されています");
    EXPECT_EQ(Item(position).m_simpleKeywordCount, 2);
    EXPECT_EQ(CheckOne(position), "更新されていません");
  }
}

TEST_F(CheckCycleTest, DateRuleWithLastModifiedAsksOnlyForTheDate) {
  std::string date = "Mon, 07 Dec 2026 01:00:00 GMT";
  server.Handle("/d", [&date](const HttpRequestRecord&) {
    ScriptedResponse response = ScriptedResponse::Ok("dated page");
    response.headers.push_back("Last-Modified: " + date);
    return response;
  });
  int d = Add(DateItem("/d"));
  EXPECT_EQ(CheckOne(d), "更新されています");
  EXPECT_GT(Item(d).m_lastModified, 0);
  EXPECT_EQ(Item(d).m_lastUpdate, Item(d).m_lastModified);
  EXPECT_EQ(CheckOne(d), "更新されていません");
  date = "Mon, 07 Dec 2026 02:00:00 GMT";
  EXPECT_EQ(CheckOne(d), "更新されています");
  for (const HttpRequestRecord& request : server.Requests()) EXPECT_EQ(request.method, "HEAD");
  EXPECT_TRUE(FilesIn(folder.File("comp")).empty()) << "nothing was downloaded";
}

TEST_F(CheckCycleTest, DateRuleWithoutLastModifiedFallsBackToThePageItself) {
  Serve("/u", "undated 1");
  int u = Add(DateItem("/u"));
  EXPECT_EQ(CheckOne(u), "更新されています");
  EXPECT_EQ(Item(u).m_lastModified, 0);
  EXPECT_EQ(server.Requests().back().method, "HEAD");
  EXPECT_EQ(CheckOne(u), "更新されています") << "the first download has no base yet";
  EXPECT_EQ(server.Requests().back().method, "GET");
  EXPECT_EQ(CheckOne(u), "更新されていません");
  Serve("/u", "undated 2");
  EXPECT_EQ(CheckOne(u), "更新されています");
  EXPECT_EQ(server.Requests().back().method, "GET");
}

// A date past 2038 is kept as the latest time the list can hold, so it stays equal; a date
// that cannot be read is no date, and the page itself decides as for a server without one.
TEST_F(CheckCycleTest, DateRuleKeepsFarDatesEqualAndTakesAnUnreadableDateForNone) {
  server.Handle("/far", [](const HttpRequestRecord&) {
    ScriptedResponse response = ScriptedResponse::Ok("far page");
    response.headers.push_back("Last-Modified: Fri, 31 Dec 2100 23:59:59 GMT");
    return response;
  });
  int far = Add(DateItem("/far"));
  EXPECT_EQ(CheckOne(far), "更新されています");
  EXPECT_EQ(Item(far).m_lastModified, 2147483647);
  EXPECT_EQ(CheckOne(far), "更新されていません");
  EXPECT_EQ(CheckOne(far), "更新されていません");

  server.Handle("/odd", [](const HttpRequestRecord&) {
    ScriptedResponse response = ScriptedResponse::Ok("odd page");
    response.headers.push_back("Last-Modified: 12:00:00");
    return response;
  });
  int odd = Add(DateItem("/odd"));
  EXPECT_EQ(CheckOne(odd), "更新されています");
  EXPECT_EQ(Item(odd).m_lastModified, 0);
  EXPECT_EQ(CheckOne(odd), "更新されています") << "the first download has no base yet";
  EXPECT_EQ(server.Requests().back().method, "GET");
  EXPECT_EQ(CheckOne(odd), "更新されていません");
  EXPECT_EQ(CheckOne(odd), "更新されていません");
}

TEST_F(CheckCycleTest, DateRuleDownloadsWhenTheItemKeepsADownload) {
  platform::MakeDirectory(folder.File("dl"));
  server.Handle("/dd", [](const HttpRequestRecord&) {
    ScriptedResponse response = ScriptedResponse::Ok("dated download");
    response.headers.push_back("Last-Modified: Mon, 07 Dec 2026 01:00:00 GMT");
    return response;
  });
  WatchItem item = DateItem("/dd");
  item.m_download = 1;
  item.m_savePath = folder.File("dl/dd.html");
  int d = Add(item);
  EXPECT_EQ(CheckOne(d), "更新されています");
  EXPECT_EQ(folder.ReadBytes("dl/dd.html"), "dated download");
  EXPECT_EQ(CheckOne(d), "更新されていません");
}

TEST_F(CheckCycleTest, CheckAllTakesEveryActiveItemOnceInListOrder) {
  Serve("/1", "one");
  Serve("/2", "two");
  Serve("/3", "three");
  Add(FullTextItem("/1"));
  WatchItem inactive = FullTextItem("/2");
  inactive.m_active = 0;
  Add(inactive);
  Add(FullTextItem("/3"));
  std::vector<std::string> texts = CheckNow(-1, 2);
  EXPECT_EQ(texts.size(), 2u);
  queue.Run(50);
  EXPECT_EQ(view.rows.size(), 2u) << "no further checks";
  EXPECT_EQ(view.rows[0].m_page, server.Url("/1"));
  EXPECT_EQ(view.rows[1].m_page, server.Url("/3"));
  EXPECT_EQ(Item(1).m_result, 0);

  EXPECT_TRUE(CheckNow(1, 0).empty()) << "an inactive item is not checked";
  queue.Run(50);
  EXPECT_EQ(view.rows.size(), 2u);
}

TEST_F(CheckCycleTest, CheckNowDuringACheckWaitsUntilTheResultIsInTheList) {
  server.Handle("/slow", [](const HttpRequestRecord&) {
    ScriptedResponse response = ScriptedResponse::Ok("slow");
    response.delayMs = 200;
    return response;
  });
  Serve("/fast", "fast");
  int slow = Add(FullTextItem("/slow"));
  int fast = Add(FullTextItem("/fast"));
  list.CheckNow(slow);
  while (server.RequestCount() == 0) queue.Run(1);
  list.CheckNow(fast);  // must neither block nor lose the slow item's result
  ASSERT_TRUE(queue.RunUntil([&] { return view.rows.size() == 2; }, 10000));
  EXPECT_EQ(view.rows[0].m_page, server.Url("/slow"));
  EXPECT_EQ(view.rows[1].m_page, server.Url("/fast"));
  EXPECT_EQ(Item(slow).m_result, 2);
  EXPECT_EQ(Item(fast).m_result, 2);
  EXPECT_EQ(Item(slow).m_url, server.Url("/slow"));
}

}  // namespace
