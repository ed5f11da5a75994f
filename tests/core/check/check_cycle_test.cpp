// The check cycle end to end: watch list, dispatcher, engine, retriever, comparison and the
// completion handling, against the loopback server, over several checks of changing pages.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

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
    list.SetItemListener([this](unsigned id) { changed.push_back(id); });
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
  static std::string ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  }

  // The page in another encoding, from the CP932 text (literals here are CP932).
  static std::string Encode(const char* encoding, const std::string& cp932) {
    return IconvConvert(encoding, "CP932", cp932).value_or("?");
  }

  ScopedManualClock clock;
  CRecordingResultView view;
  CWatchList list{MakeEngine()};
  CCheckResults results{list, view};
  std::vector<unsigned> changed;  // what the list told its item listener
};

TEST_F(CheckCycleTest, FullTextRuleFindsEachChangeAndKeepsTheMarkUntilSeen) {
  Serve("/a", "version 1");
  int a = Add(FullTextItem("/a"));
  EXPECT_EQ(CheckOne(a), "更新されています");
  EXPECT_EQ(Item(a).m_renewMark, UpdateMark::Updated);
  EXPECT_EQ(CheckOne(a), "更新されていません");
  EXPECT_EQ(Item(a).m_renewMark, UpdateMark::Updated) << "an update stays marked until the user has seen it";
  Serve("/a", "version 2");
  EXPECT_EQ(CheckOne(a), "更新されています");
  EXPECT_EQ(folder.ReadBytes("comp/copy.tmp"), "version 2");
  EXPECT_EQ(CheckOne(a), "更新されていません");

  const ResultRow& row = view.rows.back();
  EXPECT_EQ(row.m_page, Item(a).m_url);
  EXPECT_EQ(row.m_time, "10:00");
  EXPECT_EQ(row.m_image, ResultRow::kNotUpdated);
  EXPECT_EQ(list.FindById(row.m_itemId), a);
  EXPECT_EQ(changed.back(), row.m_itemId) << "the watch list window hears of the item";
}

TEST_F(CheckCycleTest, RowsShowTheNameAndErrorsTheirStatusOrTheRetrieversText) {
  server.Handle("/gone", [](const HttpRequestRecord&) { return ScriptedResponse::Status(404); });
  server.Handle("/secret", [](const HttpRequestRecord&) { return ScriptedResponse::Challenge(); });
  WatchItem gone = FullTextItem("/gone");
  gone.m_name = "消えたページ";
  gone.m_renewMark = UpdateMark::None;
  int g = Add(gone);
  int s = Add(FullTextItem("/secret"));

  EXPECT_EQ(CheckOne(g), "エラー(status=404)");
  EXPECT_EQ(view.rows.back().m_page, "消えたページ");
  EXPECT_EQ(view.rows.back().m_image, ResultRow::kError);
  EXPECT_EQ(Item(g).m_renewMark, UpdateMark::Unknown) << "an error marks an unmarked item";
  EXPECT_EQ(CheckOne(s), "認証が否定されました");

  Serve("/gone", "back again");
  EXPECT_EQ(CheckOne(g), "更新されています");
  WatchItem marked = Item(g);
  marked.m_renewMark = UpdateMark::Unknown;
  list.ReplaceItem(g, marked);
  queue.RunPending();
  EXPECT_EQ(CheckOne(g), "更新されていません");
  EXPECT_EQ(Item(g).m_renewMark, UpdateMark::None) << "a good check clears the error mark";
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
    JapaneseCode code;
  } cases[] = {
      {"/sjis", cp932, "text/html", JapaneseCode::Auto},
      {"/euc", "<meta charset=\"euc-jp\">" + Encode("EUC-JP", cp932), "text/html", JapaneseCode::Auto},
      {"/euc2", Encode("EUC-JP", cp932), "text/html", JapaneseCode::Euc},
      {"/jis", Encode("ISO-2022-JP", cp932), "text/html", JapaneseCode::Auto},
      {"/utf8", "<meta charset=\"utf-8\">" + Encode("UTF-8", cp932), "text/html", JapaneseCode::Auto},
      {"/utf8b", Encode("UTF-8", cp932), "text/html", JapaneseCode::Utf8},
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
  EXPECT_EQ(server.Requests().at(0).method, "HEAD");
  EXPECT_EQ(server.Requests().back().method, "GET") << "the first check keeps the page";
  EXPECT_EQ(CheckOne(u), "更新されていません") << "reported once, not on the first two checks";
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
  item.m_download = DownloadMode::Overwrite;
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
  EXPECT_EQ(Item(1).m_result, CheckResult::NeverChecked);

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
  EXPECT_EQ(Item(slow).m_result, CheckResult::Updated);
  EXPECT_EQ(Item(fast).m_result, CheckResult::Updated);
  EXPECT_EQ(Item(slow).m_url, server.Url("/slow"));
}

}  // namespace

// A server with validators answers an unchanged page with 304: no rule sees a change, and
// the stored copy stays as it was. A changed request asks unconditionally again.
TEST_F(CheckCycleTest, ConditionalRequestsAnswered304AreNoChangeForEveryRule) {
  std::string version = "1";
  server.SetDefault([&version](const HttpRequestRecord& request) {
    std::string tag = "\"v" + version + "\"";
    if (request.Header("If-None-Match") == tag) return ScriptedResponse::Status(304);
    ScriptedResponse page = ScriptedResponse::Ok("<p>count count " + version + "</p>");
    page.headers = {"ETag: " + tag};
    return page;
  });
  std::vector<int> items = {Add(FullTextItem("/full")), Add(KeywordItem("/kw", "count", 3)),
                            Add(AnchorItem("/an", "<p>", 0, 20)), Add(DateItem("/date"))};
  for (int item : items) EXPECT_EQ(CheckOne(item), "更新されています");
  std::string copy = Item(items[0]).m_hiddenPath;
  std::string stored = ReadAll(copy);
  std::size_t before = server.RequestCount();
  for (int item : items) {
    EXPECT_EQ(CheckOne(item), "更新されていません");
    EXPECT_EQ(server.Requests().back().Header("If-None-Match"), "\"v1\"");
    EXPECT_EQ(Item(item).m_etag, "\"v1\"");
  }
  EXPECT_EQ(server.RequestCount(), before + items.size());
  EXPECT_EQ(Item(items[0]).m_hiddenPath, copy);
  EXPECT_EQ(ReadAll(copy), stored);

  version = "2";
  EXPECT_EQ(CheckOne(items[0]), "更新されています");
  EXPECT_EQ(Item(items[0]).m_etag, "\"v2\"");

  // Another address: the validators of the old one are not sent.
  WatchItem moved = Item(items[0]);
  moved.m_url = server.Url("/full2");
  list.ReplaceItem(items[0], moved);
  CheckOne(items[0]);
  EXPECT_FALSE(server.Requests().back().HasHeader("If-None-Match"));
  // Nor when the copy a 304 would stand for is gone.
  platform::RemoveFile(Item(items[0]).m_hiddenPath);
  EXPECT_EQ(CheckOne(items[0]), "更新されています");
  EXPECT_FALSE(server.Requests().back().HasHeader("If-None-Match"));
}

// The charset of the Content-Type decides before the page's own text, which may name
// another code anywhere outside a <meta> tag.
TEST_F(CheckCycleTest, TheServersCharsetDecidesTheCode) {
  std::string keyword = "日本語";
  Serve("/euc", Encode("EUC-JP", "<p>日本語と日本語</p>"), "text/html; charset=EUC-JP");
  Serve("/utf", Encode("UTF-8", "<p>日本語</p>"), "text/html;charset=\"utf-8\"");
  Serve("/sjis", "<p>charset の話: UTF-8 と 日本語</p>", "text/html");
  int euc = Add(KeywordItem("/euc", keyword, 3));
  int utf = Add(KeywordItem("/utf", keyword, 3));
  int sjis = Add(KeywordItem("/sjis", keyword, 3));
  CheckOne(euc);
  CheckOne(utf);
  CheckOne(sjis);
  EXPECT_EQ(Item(euc).m_simpleKeywordCount, 2);
  EXPECT_EQ(Item(euc).m_pageCharset, "EUC-JP");
  EXPECT_EQ(Item(utf).m_simpleKeywordCount, 1);
  EXPECT_EQ(Item(sjis).m_simpleKeywordCount, 1);

  // A fixed code is kept whatever the server says.
  WatchItem fixed = Item(euc);
  fixed.m_japaneseCode = JapaneseCode::ShiftJis;  // SHIFT-JIS
  list.ReplaceItem(euc, fixed);
  CheckOne(euc);
  EXPECT_EQ(Item(euc).m_simpleKeywordCount, 0);
}

// 503 with Retry-After: a row of its own, no update, and neither the item nor another
// item of that host is asked before the time.
TEST_F(CheckCycleTest, ABusyServerIsAskedAgainOnlyWhenItSaid) {
  server.Handle("/busy", [](const HttpRequestRecord&) {
    ScriptedResponse busy = ScriptedResponse::Status(503);
    busy.headers = {"Retry-After: 120"};
    return busy;
  });
  Serve("/other", "other page");
  int busy = Add(FullTextItem("/busy"));
  int other = Add(FullTextItem("/other"));
  EXPECT_EQ(CheckOne(busy), "サーバーが混雑しています (120 秒後に再試行)");
  EXPECT_EQ(view.rows.back().m_image, ResultRow::kError);
  EXPECT_EQ(Item(busy).m_result, CheckResult::Error);
  EXPECT_EQ(Item(busy).m_retryAt, clock.Clock().Now() + 120);

  std::size_t requests = server.RequestCount();
  std::size_t rows = view.rows.size();
  list.CheckNow(other);
  queue.RunUntil([&] { return view.rows.size() > rows; }, 300);
  EXPECT_EQ(view.rows.size(), rows) << "the host is paused";
  EXPECT_EQ(server.RequestCount(), requests);
  clock.Set(clock.Clock().Now() + 120);
  EXPECT_TRUE(queue.RunUntil([&] { return view.rows.size() > rows; }, 10000));
  EXPECT_EQ(view.rows.back().m_text, "更新されています");

  // The wish outlives the program: a list read anew keeps the host paused.
  EXPECT_EQ(CheckOne(busy), "サーバーが混雑しています (120 秒後に再試行)");
  ASSERT_TRUE(list.Save());
  ASSERT_TRUE(list.Load());
  requests = server.RequestCount();
  rows = view.rows.size();
  list.CheckNow(other);
  queue.RunUntil([&] { return view.rows.size() > rows; }, 300);
  EXPECT_EQ(server.RequestCount(), requests) << "the host is paused after the list was read";
}
