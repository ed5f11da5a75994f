// Moving a watch list in and out, run as a user runs it: urlwatch's job files and plain
// lists imported, the JSON export imported into another folder, and a data folder backed
// up and restored elsewhere; hostile archives refused.
#include <gtest/gtest.h>

#include <archive.h>
#include <archive_entry.h>

#include <signal.h>

#include <filesystem>

#include "core/fetch/form_encoding.h"
#include "core/watch/item_fields.h"
#include "platform/text_codec.h"
#include "support/child_process.h"
#include "support/loopback_http_server.h"
#include "support/temp_folder.h"
#include "support/watch_list_file.h"

namespace {

const std::string kCli = PAGEWARDEN_CLI;
namespace fs = std::filesystem;

class ExchangeCommands : public ::testing::Test {
 protected:
  ExchangeCommands() { setenv("XDG_CONFIG_HOME", work.File("config").c_str(), 1); }
  // The command on the data folder `folder` (a folder in the test's work folder).
  RunResult Cli(const std::string& folder, std::vector<std::string> args) {
    args.insert(args.begin(), {"--home", work.File(folder)});
    for (std::string& arg : args) arg = platform::Cp932ToUtf8(arg);
    RunResult result = RunProgram(kCli, args);
    result.output = platform::Utf8ToCp932(result.output);
    result.errors = platform::Utf8ToCp932(result.errors);
    return result;
  }
  std::vector<WatchItem> Items(const std::string& folder) { return ReadWatchListFile(work.File(folder)); }
  std::string Field(const WatchItem& item, const std::string& key) {
    for (const ItemFieldLine& line : ItemFieldLines(item, false)) {
      if (line.key == key) return line.value;
    }
    return "(none)";
  }

  TempFolder work;
};

const char kUrlwatchJobs[] = R"(name: 価格
url: "http://shop.example/item?id=7"
tags: [shop, price]
max_tries: 3
filter:
  - css:
      selector: div.price
      exclude: .ad
  - html2text
  - grep: "円"
  - re.sub: '\d+ views'
---
url: http://search.example/find
user_visible_url: http://search.example/
method: POST
data:
  q: a b
  lang: ja
headers:
  User-Agent: Mozilla/5.0
  X-Token: abc
cookies:
  session: xyz
http_proxy: http://proxy.example:3128/
encoding: Shift_JIS
enabled: false
tags: news
---
command: "ls -l /var/www"
---
name: no address
kind: url
---
url: http://blog.example/
filter: element-by-id:content,html2text,strip,sort
---
url: http://put.example/
method: PUT
---
- a list, not a job
---
url: http://blog.example/
)";

TEST_F(ExchangeCommands, UrlwatchJobsBecomeItemsAndEveryOtherJobIsNamedWithItsReason) {
  work.WriteBytes("urls.yaml", platform::Cp932ToUtf8(kUrlwatchJobs));  // urlwatch writes UTF-8
  RunResult imported = Cli("home", {"import", work.File("urls.yaml")});
  EXPECT_EQ(imported.status, 1) << "jobs were refused";
  std::vector<std::string> lines;
  for (std::size_t start = 0, end; (end = imported.output.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(imported.output.substr(start, end - start));
  }
  ASSERT_EQ(lines.size(), 8u) << imported.output;
  EXPECT_EQ(lines[0].rfind("追加 1: 価格", 0), 0u) << lines[0];
  EXPECT_NE(lines[0].find("max_tries"), std::string::npos);
  EXPECT_EQ(lines[1], "追加 2: http://search.example/");
  EXPECT_EQ(lines[2], "スキップ: ジョブ 3: command のジョブ (コマンドの出力) には対応していません");
  EXPECT_EQ(lines[3], "拒否: no address: url がありません");
  EXPECT_EQ(lines[4].rfind("追加 3: http://blog.example/", 0), 0u);
  EXPECT_NE(lines[4].find("フィルタ strip は使いません"), std::string::npos);
  EXPECT_NE(lines[4].find("フィルタ sort は使いません"), std::string::npos);
  EXPECT_EQ(lines[5].rfind("拒否: http://put.example/: method PUT", 0), 0u);
  EXPECT_EQ(lines[6], "拒否: ジョブ 7: ジョブの形 (キーと値) ではありません");
  EXPECT_EQ(lines[7].rfind("スキップ: http://blog.example/: 同じ URL", 0), 0u);

  std::vector<WatchItem> items = Items("home");
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].m_name, "価格");
  EXPECT_EQ(items[0].m_tags, "shop price");
  EXPECT_EQ(items[0].m_active, 1);
  const WatchItem& form = items[1];
  EXPECT_EQ(form.m_name, "http://search.example/");
  EXPECT_EQ(form.m_formData, "q=a+b&lang=ja");
  EXPECT_EQ(form.m_userAgent, "Mozilla/5.0");
  EXPECT_EQ(form.m_extraHeaders, "X-Token: abc\r\n");
  EXPECT_EQ(form.m_cookie, "session=xyz");
  EXPECT_EQ(form.m_proxy, "proxy.example:3128");
  EXPECT_EQ(form.m_japaneseCode, JapaneseCode::ShiftJis);
  EXPECT_EQ(form.m_active, 0);
  EXPECT_EQ(form.m_tags, "news");
  EXPECT_EQ(form.m_compareAll, 1) << "without filters any change of the page counts";

  if (FindItemField("TCss")) {
    EXPECT_EQ(Field(items[0], "TxtC"), "1");
    EXPECT_EQ(Field(items[0], "TCss"), "div.price");
    EXPECT_EQ(Field(items[0], "TExc"), ".ad");
    EXPECT_EQ(Field(items[0], "TIgn"), FormEscape("^(?!.*(?:円))\n\\d+ views"))
        << "grep keeps matching lines: the others are ignored; re.sub removes";
    EXPECT_EQ(Field(items[2], "TCss"), "#content");
    EXPECT_EQ(items[0].m_compareAll, 0);
  } else {
    EXPECT_NE(lines[0].find("テキスト比較の項目がありません"), std::string::npos) << lines[0];
  }
}

TEST_F(ExchangeCommands, AUrlwatchExportImportedAgainGivesTheSameItems) {
  work.WriteBytes("urls.yaml", platform::Cp932ToUtf8(kUrlwatchJobs));
  Cli("home", {"import", work.File("urls.yaml")});
  RunResult exported = Cli("home", {"export", "--format", "urlwatch"});
  ASSERT_EQ(exported.status, 0) << exported.errors;
  work.WriteBytes("again.yaml", platform::Cp932ToUtf8(exported.output));
  RunResult imported = Cli("again", {"import", work.File("again.yaml")});
  EXPECT_EQ(imported.status, 0) << imported.output;
  std::vector<WatchItem> before = Items("home");
  std::vector<WatchItem> after = Items("again");
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t i = 0; i < before.size(); ++i) {
    for (const char* key : {"Targ", "Name", "Agen", "Argu", "Cook", "Prox", "Head", "Actv", "Tags",
                            "ChkD", "TxtC", "TCss", "TExc", "TIgn"}) {
      EXPECT_EQ(Field(after[i], key), Field(before[i], key)) << i << " " << key;
    }
  }
}

TEST_F(ExchangeCommands, PlainListWithTagsAndCommentsSkipsWhatTheListHolds) {
  work.WriteBytes("pages.txt",
                  "# exported pages\n"
                  "http://a.example/  news  daily\n"
                  "\n"
                  "   http://b.example/page?x=1 # no tags here\n"
                  "http://c.example/ tech #later\n"
                  "not a url\n");
  RunResult dry = Cli("home", {"import", work.File("pages.txt"), "--dry-run"});
  EXPECT_EQ(dry.status, 1) << dry.output;
  EXPECT_EQ(dry.output.rfind("追加予定: http://a.example/\n追加予定: http://b.example/page?x=1\n", 0), 0u) << dry.output;
  EXPECT_FALSE(fs::exists(work.File("home/WatchList.pgl"))) << "a dry run writes nothing";

  ASSERT_EQ(Cli("home", {"import", work.File("pages.txt"), "--format", "list"}).status, 1);
  std::vector<WatchItem> items = Items("home");
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].m_tags, "news daily");
  EXPECT_EQ(items[1].m_tags, "");
  EXPECT_EQ(items[2].m_tags, "tech");
  EXPECT_EQ(items[2].m_active, 1);

  work.WriteBytes("more.txt", "http://a.example/ again\nhttp://d.example/ news\n");
  RunResult again = Cli("home", {"import", work.File("more.txt")});
  EXPECT_EQ(again.status, 0);
  EXPECT_EQ(again.output.rfind("スキップ: http://a.example/", 0), 0u) << again.output;
  EXPECT_NE(again.output.find("追加 4: http://d.example/"), std::string::npos);
  ASSERT_EQ(Cli("home", {"import", work.File("more.txt"), "--duplicates"}).status, 0);
  EXPECT_EQ(Items("home").size(), 6u);

  RunResult tagged = Cli("home", {"list", "--tag", "news"});
  EXPECT_EQ(tagged.status, 0);
  EXPECT_NE(tagged.output.find("1\t"), std::string::npos);
  EXPECT_NE(tagged.output.find("\nhttp") == std::string::npos ? tagged.output.find("4\t") : 0, std::string::npos);
  EXPECT_EQ(std::count(tagged.output.begin(), tagged.output.end(), '\n'), 3) << tagged.output;
  EXPECT_EQ(Cli("home", {"export", "--format", "list", "--tag", "tech"}).output, "http://c.example/ tech\n");

  // A file that cannot be parsed adds nothing; one that cannot be read neither.
  std::string before = work.ReadBytes("home/WatchList.pgl");
  work.WriteBytes("broken.yaml", "url: [unclosed\n---\nurl: http://e.example/\n");
  EXPECT_EQ(Cli("home", {"import", work.File("broken.yaml")}).status, 2);
  EXPECT_EQ(Cli("home", {"import", work.File("missing.txt")}).status, 2);
  EXPECT_EQ(work.ReadBytes("home/WatchList.pgl"), before);
}

TEST_F(ExchangeCommands, JsonExportImportedElsewhereGivesTheListFileByteForByte) {
  WatchItem item;
  item.m_url = "http://a.example/?q=1&r=2";
  item.m_name = "名前 with  blanks ";
  item.m_password = "secret";
  item.m_extraHeaders = "X-One: 1\r\nX-Two: 2\r\n";
  item.m_compareData = "check\narea 範囲 %+";
  item.m_anchorKeyword = "新着";
  item.m_active = 1;
  item.m_lastCheck = 1765000000;
  item.m_etag = "\"abc\"";
  item.m_historyName = "hist_1";
  item.m_retryAt = 1765003600;
  item.m_tags = "news 日本";
  WatchItem other;
  other.m_url = "http://b.example/";
  other.m_checkKind = "weekly";
  other.m_date = 2 | 8;
  other.m_timing = "inter";
  other.m_time = 3600;
  fs::create_directories(work.File("home"));
  FILE* file = std::fopen(work.File("home/WatchList.pgl").c_str(), "w");
  item.Write(file);
  other.Write(file);
  std::fclose(file);
  ASSERT_EQ(Cli("home", {"ack", "all"}).status, 0) << "the list saved by the program itself";

  RunResult exported = Cli("home", {"export"});
  ASSERT_EQ(exported.status, 0) << exported.errors;
  work.WriteBytes("export.json", platform::Cp932ToUtf8(exported.output));
  RunResult imported = Cli("elsewhere", {"import", work.File("export.json")});
  ASSERT_EQ(imported.status, 0) << imported.output << imported.errors;
  EXPECT_EQ(work.ReadBytes("elsewhere/WatchList.pgl"), work.ReadBytes("home/WatchList.pgl"));
}

TEST_F(ExchangeCommands, BackupRestoredIntoANewFolderListsAndDiffsAsTheOld) {
  LoopbackHttpServer server;
  int version = 0;
  server.Handle("/page", [&version](const HttpRequestRecord&) {
    return ScriptedResponse::Ok("<p>version " + std::to_string(++version) + "</p>\n<p>same</p>\n");
  });
  ASSERT_EQ(Cli("old", {"add", server.Url("/page"), "--full", "--tag", "t", "--sound", "none"}).status, 0);
  ASSERT_EQ(Cli("old", {"check", "all", "--no-actions"}).status, 0);
  ASSERT_EQ(Cli("old", {"check", "--tag", "t", "--no-actions"}).status, 0);
  ASSERT_EQ(version, 2);
  ASSERT_EQ(Cli("old", {"settings", "page-size-limit", "8"}).status, 0);
  RunResult list = Cli("old", {"list"});
  RunResult diff = Cli("old", {"diff", "1", "--no-color"});
  ASSERT_EQ(diff.status, 0) << diff.errors;

  RunResult backup = Cli("old", {"backup", work.File("all.tar.gz")});
  ASSERT_EQ(backup.status, 0) << backup.errors;
  RunResult restored = RunProgram(kCli, {"restore", work.File("all.tar.gz"), "--home", work.File("new/data")});
  ASSERT_EQ(restored.status, 0) << restored.errors;
  fs::remove_all(work.File("old"));  // a new machine has only the archive
  EXPECT_EQ(Cli("new/data", {"list"}).output, list.output);
  RunResult diffAfter = Cli("new/data", {"diff", "1", "--no-color"});
  EXPECT_EQ(diffAfter.output, diff.output);
  EXPECT_EQ(diffAfter.status, 0) << diffAfter.errors;
  EXPECT_NE(Cli("new/data", {"settings"}).output.find("page-size-limit\t8"), std::string::npos);

  // A folder holding a list is kept unless forced, and then kept under a dated name.
  std::string before = work.ReadBytes("new/data/WatchList.pgl");
  RunResult refused = Cli("new/data", {"restore", work.File("all.tar.gz")});
  EXPECT_EQ(refused.status, 2);
  RunResult forced = Cli("new/data", {"restore", work.File("all.tar.gz"), "--force"});
  EXPECT_EQ(forced.status, 0) << forced.errors;
  int kept = 0;
  for (const auto& entry : fs::directory_iterator(work.File("new"))) {
    if (entry.path().filename().string().rfind("data.before-restore-", 0) == 0) {
      ++kept;
      EXPECT_EQ(work.ReadBytes(fs::relative(entry.path() / "WatchList.pgl", work.Path()).string()), before);
    }
  }
  EXPECT_EQ(kept, 1);
}

TEST_F(ExchangeCommands, WhileRunWorksImportHandsTheItemsOverAndBackupTakesTheWholeList) {
  LoopbackHttpServer server;
  server.Handle("/page", [](const HttpRequestRecord&) { return ScriptedResponse::Ok("<p>page</p>\n"); });
  ASSERT_EQ(Cli("home", {"add", server.Url("/page"), "--sound", "none", "--every", "00:00:10"}).status, 0);
  ChildProcess run(kCli, {"--home", work.File("home"), "run", "--no-actions"});
  while (server.RequestCount() == 0) run.WaitForOutput("never", 10);

  work.WriteBytes("pages.txt", "http://a.example/ x\nhttp://b.example/\n");
  RunResult imported = Cli("home", {"import", work.File("pages.txt")});
  EXPECT_EQ(imported.status, 0) << imported.errors;
  EXPECT_EQ(imported.output, "追加 2: http://a.example/\n追加 3: http://b.example/\n");
  RunResult backup = Cli("home", {"backup", work.File("during.tar.gz")});
  EXPECT_EQ(backup.status, 0) << backup.errors;
  run.Signal(SIGTERM);
  EXPECT_EQ(run.Wait(), 0) << run.Errors();

  ASSERT_EQ(Cli("copy", {"restore", work.File("during.tar.gz")}).status, 0);
  std::vector<WatchItem> items = Items("copy");
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[1].m_tags, "x");
}

// A tar.gz archive of the entries: regular files with their bytes, or links (target after
// "->"); a name ending in "/" a folder.
void WriteArchive(const std::string& path, const std::vector<std::pair<std::string, std::string>>& entries) {
  archive* out = archive_write_new();
  archive_write_add_filter_gzip(out);
  archive_write_set_format_pax_restricted(out);
  archive_write_open_filename(out, path.c_str());
  for (const auto& [name, content] : entries) {
    archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname(entry, name.c_str());
    archive_entry_set_perm(entry, 0600);
    if (content.rfind("->", 0) == 0) {
      archive_entry_set_filetype(entry, AE_IFLNK);
      archive_entry_set_symlink(entry, content.substr(2).c_str());
    } else {
      archive_entry_set_filetype(entry, AE_IFREG);
      archive_entry_set_size(entry, static_cast<la_int64_t>(content.size()));
    }
    archive_write_header(out, entry);
    if (!content.empty() && content.rfind("->", 0) != 0) archive_write_data(out, content.data(), content.size());
    archive_entry_free(entry);
  }
  archive_write_close(out);
  archive_write_free(out);
}

TEST_F(ExchangeCommands, HostileArchivesAreRefusedAndLeaveNothingBehind) {
  const std::string list = "\t//{{TOP-W\n";
  ASSERT_EQ(Cli("target", {"settings", "page-size-limit", "1"}).status, 0);
  std::string settings = work.ReadBytes("target/PAGEWARD.INI");
  const std::vector<std::vector<std::pair<std::string, std::string>>> hostile = {
      {{"WatchList.pgl", list}, {work.File("outside.txt"), "absolute"}},
      {{"WatchList.pgl", list}, {"comp/../../outside.txt", "climbs out"}},
      {{"WatchList.pgl", list}, {"comp", "->/etc"}},
      {{"WatchList.pgl", list}, {"up", "->../.."}},
      {{"WatchList.pgl", list}, {"comp/big.html", std::string((1 << 20) + 1, 'x')}},
      {{"comp/page.html", "no list"}},
  };
  for (std::size_t i = 0; i < hostile.size(); ++i) {
    std::string archive = work.File("hostile" + std::to_string(i) + ".tar.gz");
    WriteArchive(archive, hostile[i]);
    RunResult restored = Cli("target", {"restore", archive});
    EXPECT_EQ(restored.status, 2) << i << ": " << restored.output;
    EXPECT_FALSE(restored.errors.empty());
  }
  EXPECT_FALSE(fs::exists(work.File("outside.txt")));
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(work.Path())) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names.size(), 2u + hostile.size()) << "no folder left from an unpacking";
  EXPECT_EQ(work.ReadBytes("target/PAGEWARD.INI"), settings);
  EXPECT_FALSE(fs::exists(work.File("target/WatchList.pgl")));
}

}  // namespace
