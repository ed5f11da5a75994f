#include "core/check/compare_page.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "platform/code_page_converter.h"
#include "platform/file_system.h"
#include "support/temp_folder.h"

namespace {

class CompareFilesTest : public ::testing::Test {
 protected:
  // Both ways: the two files, and the first one's bytes in memory against the second file.
  int Compare(const std::string& first, const std::string& second) {
    m_folder.WriteBytes("first", first);
    m_folder.WriteBytes("second", second);
    int files = CompareFiles(m_folder.File("first"), m_folder.File("second"));
    EXPECT_EQ(CompareBytesWithFile(first, m_folder.File("second")), files) << "from memory";
    return files;
  }

  TempFolder m_folder;
};

// A watch item whose comparison base is the private copy "base.htm" in a fresh folder.
class ComparePageTest : public ::testing::Test {
 protected:
  ComparePageTest() { m_item.m_hiddenPath = m_folder.File("base.htm"); }

  // Writes `bytes` as the newly fetched page and compares it; the same page held in
  // memory must give the same result and leave the item the same (except where the base
  // is the new file itself, which only a file can be).
  int CompareNew(const std::string& bytes) {
    m_folder.WriteBytes("temp.tmp", bytes);
    WatchItem inMemory = m_item;
    int fromMemory = ComparePageBytes(inMemory, bytes, &m_converter);
    int fromFile = ComparePage(m_item, NewPath(), &m_converter);
    if (m_item.m_hiddenPath != NewPath()) {
      EXPECT_EQ(fromMemory, fromFile) << "from memory";
      EXPECT_EQ(inMemory.m_simpleKeywordCount, m_item.m_simpleKeywordCount);
      EXPECT_EQ(inMemory.m_compareData, m_item.m_compareData);
    }
    return fromFile;
  }
  std::string NewPath() const { return m_folder.File("temp.tmp"); }

  TempFolder m_folder;
  platform::CCodePageConverter m_converter;
  WatchItem m_item;
};

}  // namespace

TEST_F(CompareFilesTest, EqualAndDifferentContents) {
  EXPECT_EQ(Compare("", ""), 0);
  EXPECT_EQ(Compare("same page\r\n", "same page\r\n"), 0);
  EXPECT_EQ(Compare("short", "longer"), 1);
  EXPECT_EQ(Compare("", "x"), 1);
  // Equal length, only the last byte differs; less than one block.
  std::string page(1000, 'p');
  std::string changed = page;
  changed.back() = 'q';
  EXPECT_EQ(Compare(page, changed), 1);
  // One byte changed in the middle of a 1000-byte page.
  changed = page;
  changed[500] = 'q';
  EXPECT_EQ(Compare(page, changed), 1);
}

TEST_F(CompareFilesTest, BlocksAndTheirEdges) {
  std::string page;
  for (int i = 0; i < 5000; ++i) page += static_cast<char>('a' + i % 26);
  EXPECT_EQ(Compare(page, page), 0);
  for (std::size_t at : {0u, 1023u, 1024u, 2047u, 4096u, 4999u}) {
    std::string changed = page;
    changed[at] = '#';
    EXPECT_EQ(Compare(page, changed), 1) << at;
  }
  std::string twoBlocks(2048, 'x');
  EXPECT_EQ(Compare(twoBlocks, twoBlocks), 0);
  // Around the 64 KiB blocks the comparison reads.
  std::string block(64 * 1024, 'b');
  EXPECT_EQ(Compare(block, block), 0);
  EXPECT_EQ(Compare(block, block + "b"), 1);
  EXPECT_EQ(Compare(block + "b", block), 1);
  std::string longer = block + block + "tail";
  std::string changed = longer;
  changed[64 * 1024] = '#';
  EXPECT_EQ(Compare(longer, longer), 0);
  EXPECT_EQ(Compare(longer, changed), 1);
  // Bytes are compared, not lines: CR LF and LF differ, and a zero byte is no end.
  EXPECT_EQ(Compare("a\r\nb", "a\nb"), 1);
  EXPECT_EQ(Compare(std::string("a\0b", 3), std::string("a\0c", 3)), 1);
}

TEST_F(CompareFilesTest, MissingFiles) {
  m_folder.WriteBytes("present", "x");
  EXPECT_EQ(CompareFiles(m_folder.File("absent"), m_folder.File("present")), -1);
  EXPECT_EQ(CompareFiles(m_folder.File("present"), m_folder.File("absent")), -2);
  EXPECT_EQ(CompareFiles(m_folder.File("absent"), m_folder.File("absent2")), -1);
  EXPECT_EQ(CompareFiles(m_folder.File("present"), ""), -2);
}

TEST_F(ComparePageTest, FullTextAgainstThePrivateCopy) {
  m_item.m_compareAll = 1;
  // First check: no base yet, which counts as a change.
  EXPECT_EQ(CompareNew("<html>one</html>"), -2);
  m_folder.WriteBytes("base.htm", "<html>one</html>");
  EXPECT_EQ(CompareNew("<html>one</html>"), 0);
  EXPECT_EQ(CompareNew("<html>two</html>"), 1);
  // The new file is left for the engine to move or delete.
  EXPECT_TRUE(platform::FileExists(NewPath()));
  // The base being the new file itself proves nothing.
  m_item.m_hiddenPath = NewPath();
  EXPECT_EQ(CompareNew("<html>one</html>"), -1);
  // A new file that vanished cannot be compared.
  m_item.m_hiddenPath = m_folder.File("base.htm");
  EXPECT_EQ(ComparePage(m_item, m_folder.File("gone.tmp"), &m_converter), -1);
}

TEST_F(ComparePageTest, DownloadModesCompareWithTheDownloadFile) {
  m_item.m_compareAll = 1;
  m_item.m_download = DownloadMode::Overwrite;
  m_item.m_savePath = m_folder.File("page.html");
  m_folder.WriteBytes("page.html", "downloaded");
  m_folder.WriteBytes("base.htm", "private copy");
  EXPECT_EQ(CompareNew("downloaded"), 0);
  EXPECT_EQ(CompareNew("private copy"), 1);
  m_item.m_download = DownloadMode::NewFile;
  EXPECT_EQ(CompareNew("downloaded"), 0);
  m_item.m_download = DownloadMode::PrivateCopy;
  EXPECT_EQ(CompareNew("private copy"), 0);
}

TEST_F(ComparePageTest, NoRuleChosenComparesTheWholeFile) {
  // The date rule's fall-back: the page was fetched after all.
  m_folder.WriteBytes("base.htm", "old");
  EXPECT_EQ(CompareNew("new"), 1);
  EXPECT_EQ(CompareNew("old"), 0);
}

TEST_F(ComparePageTest, SimpleKeywordFirstCount) {
  m_item.m_simpleKeyword = "new";
  // Never counted: with "increase" any count, even 0, is an update.
  m_item.m_simpleKeywordOptions = 1;
  EXPECT_EQ(CompareNew("nothing here"), 1);
  EXPECT_EQ(m_item.m_simpleKeywordCount, 0);
  // With only "decrease", the first count is stored but is no update.
  m_item.m_simpleKeywordCount = -1;
  m_item.m_simpleKeywordOptions = 2;
  EXPECT_EQ(CompareNew("new new"), 0);
  EXPECT_EQ(m_item.m_simpleKeywordCount, 2);
}

TEST_F(ComparePageTest, SimpleKeywordCountGoingUpAndDown) {
  m_item.m_simpleKeyword = "NEW";
  m_item.m_simpleKeywordCount = 2;
  m_item.m_simpleKeywordOptions = 1;  // increase only
  EXPECT_EQ(CompareNew("NEW NEW"), 0);
  EXPECT_EQ(m_item.m_simpleKeywordCount, 2);
  EXPECT_EQ(CompareNew("NEW NEW NEW"), 1);
  EXPECT_EQ(m_item.m_simpleKeywordCount, 3);
  // A fall while only "increase" is chosen: no update, but the lower count is kept.
  EXPECT_EQ(CompareNew("NEW"), 0);
  EXPECT_EQ(m_item.m_simpleKeywordCount, 1);
  m_item.m_simpleKeywordOptions = 2;  // decrease only
  EXPECT_EQ(CompareNew("NEW NEW NEW NEW NEW"), 0);
  EXPECT_EQ(m_item.m_simpleKeywordCount, 5);
  EXPECT_EQ(CompareNew("NEW NEW NEW"), 1);
  EXPECT_EQ(m_item.m_simpleKeywordCount, 3);
  m_item.m_simpleKeywordOptions = 3;
  EXPECT_EQ(CompareNew("NEW"), 1);
  EXPECT_EQ(CompareNew("NEW NEW"), 1);
  m_item.m_simpleKeywordOptions = 0;  // neither: counts are kept, nothing is an update
  EXPECT_EQ(CompareNew("NEW NEW NEW"), 0);
  EXPECT_EQ(m_item.m_simpleKeywordCount, 3);
}

TEST_F(ComparePageTest, SimpleKeywordCaseOption) {
  m_item.m_simpleKeyword = "New";
  m_item.m_simpleKeywordOptions = 1;
  m_item.m_simpleKeywordCount = 0;
  m_item.m_simpleKeywordCase = 1;
  EXPECT_EQ(CompareNew("new NEW nEw"), 0);
  EXPECT_EQ(CompareNew("new New"), 1);
  EXPECT_EQ(m_item.m_simpleKeywordCount, 1);
  m_item.m_simpleKeywordCase = 0;
  EXPECT_EQ(CompareNew("new New NEW"), 1);
  EXPECT_EQ(m_item.m_simpleKeywordCount, 3);
}

TEST_F(ComparePageTest, JapaneseKeywordInAConvertedPage) {
  // "新着" in an EUC-JP page: counted after the conversion to CP932.
  m_item.m_simpleKeyword = "新着";
  m_item.m_simpleKeywordOptions = 1;
  m_item.m_simpleKeywordCount = 1;
  m_item.m_japaneseCode = JapaneseCode::Auto;  // detected from the declaration
  const std::string head = "<meta charset=\"euc-jp\">";
  const std::string eucNew = "\xBF\xB7\xC3\xE5";  // 新着
  EXPECT_EQ(CompareNew(head + eucNew + "<br>" + eucNew), 1);
  EXPECT_EQ(m_item.m_simpleKeywordCount, 2);
  // Taken as Shift_JIS the same bytes hold no "新着".
  m_item.m_japaneseCode = JapaneseCode::ShiftJis;
  EXPECT_EQ(CompareNew(head + eucNew + "<br>" + eucNew), 0);
  EXPECT_EQ(m_item.m_simpleKeywordCount, 0);
}

TEST_F(ComparePageTest, KeywordRulesNeedALoadablePage) {
  m_item.m_simpleKeyword = "x";
  m_item.m_simpleKeywordCount = 4;
  EXPECT_EQ(ComparePage(m_item, m_folder.File("gone.tmp"), &m_converter), -1);
  EXPECT_EQ(m_item.m_simpleKeywordCount, 4);
  m_folder.WriteBytes("temp.tmp", "x");
  EXPECT_EQ(ComparePage(m_item, NewPath(), nullptr), -1);  // no converter
  m_item.m_simpleKeyword.clear();
  m_item.m_anchorKeyword = "x";
  m_item.m_compareData = "kept";
  EXPECT_EQ(ComparePage(m_item, m_folder.File("gone.tmp"), &m_converter), -1);
  EXPECT_EQ(m_item.m_compareData, "kept");
}

TEST_F(ComparePageTest, AnchorAreaUnchangedDeletesTheNewFile) {
  m_item.m_anchorKeyword = "price:";
  m_item.m_compareOffset = 0;
  m_item.m_compareSize = 5;
  EXPECT_EQ(CompareNew("<p>price:12345 yen</p>"), 1);
  EXPECT_EQ(m_item.m_compareData, "12345");
  EXPECT_EQ(CompareNew("<p>NEWS</p><p>price:12345 yen</p>"), 0);
  EXPECT_FALSE(platform::FileExists(NewPath()));
  EXPECT_EQ(CompareNew("<p>price:12346 yen</p>"), 1);
  EXPECT_EQ(m_item.m_compareData, "12346");
  EXPECT_TRUE(platform::FileExists(NewPath()));
}

TEST_F(ComparePageTest, AnchorMissingOccurrenceGivesAnEmptyArea) {
  m_item.m_anchorKeyword = "<li>";
  m_item.m_anchorNth = 3;
  m_item.m_compareSize = 3;
  EXPECT_EQ(CompareNew("<li>one<li>two<li>six"), 1);
  EXPECT_EQ(m_item.m_compareData, "six");
  // Only two occurrences: the area is empty, which differs from "six"...
  EXPECT_EQ(CompareNew("<li>one<li>two"), 1);
  EXPECT_EQ(m_item.m_compareData, "");
  // ...and the next check compares against the empty text.
  EXPECT_EQ(CompareNew("<li>one<li>two"), 0);
  EXPECT_EQ(CompareNew("nothing"), 0);
  // N = 0 behaves as N = 1.
  m_item.m_anchorNth = 0;
  EXPECT_EQ(CompareNew("<li>one<li>two"), 1);
  EXPECT_EQ(m_item.m_compareData, "one");
}

TEST_F(ComparePageTest, AnchorInAShiftJisPage) {
  m_item.m_anchorKeyword = "価格：";
  m_item.m_compareSize = 6;
  m_item.m_japaneseCode = JapaneseCode::ShiftJis;
  EXPECT_EQ(CompareNew("<p>価格：１２３円</p>"), 1);
  EXPECT_EQ(m_item.m_compareData, "１２３");
  // "メア" hides the bytes of "＜" (81 83) across its two characters: not an anchor.
  m_item.m_anchorKeyword = "＜";
  m_item.m_compareSize = 2;
  EXPECT_EQ(CompareNew("メア"), 1);
  EXPECT_EQ(m_item.m_compareData, "");
  EXPECT_EQ(CompareNew("メア＜OK"), 1);
  EXPECT_EQ(m_item.m_compareData, "OK");
}

TEST_F(ComparePageTest, AnchorInAJisPageFoundAfterConversion) {
  m_item.m_anchorKeyword = "日本";
  m_item.m_compareSize = 2;
  m_item.m_japaneseCode = JapaneseCode::Jis;
  // "日本語" in ISO-2022-JP.
  EXPECT_EQ(CompareNew("\x1B$B\x46\x7C\x4B\x5C\x38\x6C\x1B(B"), 1);
  EXPECT_EQ(m_item.m_compareData, "語");
}
