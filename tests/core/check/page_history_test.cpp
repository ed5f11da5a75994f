// The previous versions that updates keep, and the change shown from them: checks through
// the engine in each download mode, the list removing the versions with their item, and a
// Japanese page diffed in each code.
#include <gtest/gtest.h>

#include "core/check/change_view.h"
#include "core/check/page_diff.h"
#include "core/check/page_text.h"
#include "core/common/path_utils.h"
#include "core/watch/page_history.h"
#include "core/watch/watch_list.h"
#include "platform/file_system.h"
#include "platform/jis_codec.h"
#include "support/check_fixture.h"

namespace {

std::string Contents(const std::string& path) {
  FILE* file = platform::OpenFile(path, "rb");
  if (!file) return "(none)";
  std::string bytes;
  char block[4096];
  for (std::size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;) bytes.append(block, got);
  std::fclose(file);
  return bytes;
}

void Write(const std::string& path, const std::string& bytes) {
  FILE* file = platform::OpenFile(path, "wb");
  ASSERT_NE(file, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

class PageHistoryTest : public ::testing::TestWithParam<DownloadMode>, public CheckFixture {
 protected:
  WatchItem CheckNow(WatchItem item) { return CheckFixture::CheckNow(engine, notify, item); }

  CRecordingNotify notify;
  CReNew engine{Environment()};
};

TEST_P(PageHistoryTest, EachUpdateKeepsTheReplacedPageAsManyGenerationsBackAsSet) {
  engine.SetNotifyTarget(&queue, &notify);
  settings.m_historyCount = 2;
  std::string downloads = folder.Path() + "/downloads";
  platform::MakeDirectory(downloads);
  WatchItem item = FullTextItem("/page");
  item.m_download = GetParam();
  if (item.m_download != DownloadMode::PrivateCopy) item.m_savePath = downloads + "/page.html";

  Serve("/page", "a\nb\nc\n");
  item = CheckNow(item);
  EXPECT_EQ(PreviousVersionPath(item), "") << "the first check has nothing to keep";
  Serve("/page", "a\nB\nc\n");
  item = CheckNow(item);
  Serve("/page", "a\nB\nc\nd\n");
  item = CheckNow(item);
  ASSERT_EQ(item.m_result, CheckResult::Updated);
  Serve("/page", "a\nB\nc\nd\n");
  item = CheckNow(item);
  ASSERT_EQ(item.m_result, CheckResult::NotUpdated) << "an unchanged page keeps nothing";

  EXPECT_EQ(Contents(PreviousVersionPath(item, 1)), "a\nB\nc\n");
  EXPECT_EQ(Contents(PreviousVersionPath(item, 2)), "a\nb\nc\n");
  EXPECT_EQ(PreviousVersionPath(item, 3), "");
  EXPECT_EQ(HistoryFolder(item).rfind(ProgramFolder() + "/comp/hist_", 0), 0u);
  std::vector<std::string> expected =
      GetParam() == DownloadMode::NewFile
          ? std::vector<std::string>{"page.html", "page_1.html", "page_2.html"}
      : GetParam() == DownloadMode::Overwrite ? std::vector<std::string>{"page.html"}
                                              : std::vector<std::string>{};
  EXPECT_EQ(FilesIn(downloads), expected) << "nothing is kept in the download folder";

  PageChange change = LoadPageChange(item, &converter);
  ASSERT_EQ(change.status, PageChange::kShown);
  ASSERT_EQ(change.hunks.size(), 1u);
  EXPECT_EQ(FormatUnifiedDiff(change, false),
            "--- 前の版\n+++ 今の版\n@@ -1,3 +1,4 @@\n a\n B\n c\n+d\n");

  // The list removes the versions with the item, and when the item watches another page.
  CWatchList list;
  list.AddItem(item);
  WatchItem copy = item;
  list.AddItem(copy);
  EXPECT_EQ(list.GetItem(1).m_historyName, "") << "a copy does not share the versions";
  WatchItem moved = item;
  moved.m_url = server.Url("/other");
  moved.m_historyName.clear();  // an edited copy made before the versions were kept
  list.ReplaceItem(0, moved);
  EXPECT_FALSE(platform::FileExists(HistoryFolder(item)));
  EXPECT_EQ(list.GetItem(0).m_historyName, "");

  item = CheckNow(list.GetItem(0));
  Serve("/other", "x\n");
  item = CheckNow(item);
  ASSERT_NE(PreviousVersionPath(item), "");
  list.ReplaceItem(0, item);
  list.DeleteItem(0);
  EXPECT_FALSE(platform::FileExists(HistoryFolder(item)));

  settings.m_historyCount = 0;
  Serve("/page", "z\n");
  WatchItem none = CheckNow(CheckNow(FullTextItem("/page")));
  EXPECT_EQ(none.m_historyName, "") << "変更履歴の数 0 keeps nothing";
}

INSTANTIATE_TEST_SUITE_P(DownloadModes, PageHistoryTest, ::testing::Values(DownloadMode::PrivateCopy,
                                                                   DownloadMode::Overwrite,
                                                                   DownloadMode::NewFile));

class PageDiffTest : public ::testing::Test, public CheckFixture {};

// One page, before and after, in each Japanese code the item can name.
TEST_F(PageDiffTest, JapanesePagesAreComparedAsTheCheckReadsThem) {
  const std::string before = "日本語のページ\nあ\n終わり\n";
  const std::string after = "日本語のページ\nい\n終わり\n";
  struct Code {
    JapaneseCode code;
    std::string before, after;
  };
  std::vector<Code> codes = {
      {JapaneseCode::ShiftJis, before, after},
      {JapaneseCode::Jis, platform::Cp932ToJis(before), platform::Cp932ToJis(after)},
      {JapaneseCode::Euc,
       "\xC6\xFC\xCB\xDC\xB8\xEC\xA4\xCE\xA5\xDA\xA1\xBC\xA5\xB8\n\xA4\xA2\n\xBD\xAA\xA4\xEF\xA4\xEA\n",
       "\xC6\xFC\xCB\xDC\xB8\xEC\xA4\xCE\xA5\xDA\xA1\xBC\xA5\xB8\n\xA4\xA4\n\xBD\xAA\xA4\xEF\xA4\xEA\n"},
      {JapaneseCode::Utf8, reinterpret_cast<const char*>(u8"日本語のページ\r\nあ\r\n終わり\r\n"),
       reinterpret_cast<const char*>(u8"日本語のページ\r\nい\r\n終わり\r\n")},
  };
  for (const Code& code : codes) {
    SCOPED_TRACE(StoredNumber(code.code));
    WatchItem item;
    item.m_japaneseCode = code.code;
    item.m_hiddenPath = ProgramFolder() + "/comp/copy.tmp";
    item.m_simpleKeyword = "あ";
    Write(item.m_hiddenPath, code.before);
    KeepPreviousVersion(item, item.m_hiddenPath, 1);
    Write(item.m_hiddenPath, code.after);

    PageChange change = LoadPageChange(item, &converter);
    ASSERT_EQ(change.status, PageChange::kShown);
    EXPECT_EQ(change.summary, std::vector<std::string>{"キーワード「あ」の数: 1 → 0"});
    ASSERT_EQ(change.hunks.size(), 1u);
    std::vector<std::string> lines;
    for (const DiffLine& line : change.hunks[0].lines) lines.push_back(static_cast<char>(line.kind) + line.text);
    EXPECT_EQ(lines, (std::vector<std::string>{" 日本語のページ", "-あ", "+い", " 終わり"}));
    RemoveHistory(item);
  }
}

// The work of a difference grows with the edit distance, not with the page: one changed
// line in a long page is found within a budget that a page changed throughout exceeds.
TEST(PageDiffWork, AChangeInALongPageFitsTheBudgetAPageChangedThroughoutDoesNot) {
  std::string before, after, rewritten;
  for (int line = 0; line < 200000; ++line) {
    before += "line " + std::to_string(line) + "\n";
    after += line == 100000 ? "changed\n" : "line " + std::to_string(line) + "\n";
    if (line < 1500) rewritten += "other " + std::to_string(line) + "\n";
  }
  constexpr std::uint64_t kBudget = 1000000;
  std::optional<std::vector<DiffHunk>> hunks = DiffTextsWithin(before, after, 3, kBudget);
  ASSERT_TRUE(hunks);
  ASSERT_EQ(hunks->size(), 1u);
  EXPECT_EQ((*hunks)[0].oldStart, 99998);
  EXPECT_EQ((*hunks)[0].lines.size(), 8u);

  std::string_view head = std::string_view(before).substr(0, before.find("line 1500\n"));
  EXPECT_FALSE(DiffTextsWithin(head, rewritten, 3, kBudget));
  EXPECT_EQ(DiffTexts(head, rewritten).size(), 1u) << "unbounded, it is found all the same";

  PageChange tooMany;
  tooMany.status = PageChange::kTooManyChanges;
  tooMany.oldLineCount = 3000;
  tooMany.newLineCount = 3001;
  EXPECT_EQ(CChangeView("ページ", tooMany).StatusText(),
            "変更が多すぎるため、差分を表示できません (前: 3000 行, 後: 3001 行)。");
}

}  // namespace
