#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "core/watch/watch_item.h"
#include "platform/file_system.h"
#include "support/temp_folder.h"

namespace {

std::string Crlf(const std::string& text) {
  std::string out;
  for (char ch : text) {
    if (ch == '\n') out += '\r';
    out += ch;
  }
  return out;
}

const char kDefaultBlock[] =
    "\t//{{TOP-W\n"
    "\t//{{TOP\n"
    "Dest: \nTarg: \nRefe: \nAgen: \nUser: \nPass: \nCook: \nProx: \nByPa: 1\nCash: 1\n"
    "Relo: 0\nFram: \nMeth: \nArgu: \nModi: -1\nLoad: 0\nName: \nThre: 0\nHead: \n"
    "\tEND}}//\n"
    "Chec: daily\nTimi: open\nDate: 0\nTime: 0\nDown: 0\nShow: 0\nLast: 0\nResu: 0\n"
    "Hidd: \nExec: \nSUse: 1\nSFil: notify.wav\nPopU: 1\nKeyw: \nKeyP: 1\nJpco: 0\n"
    "CmpO: 0\nCmpS: 20\nCmpD: \nUseM: 0\nToAd: \nSubj: \nHonb: \nLstM: 0\nActv: 0\n"
    "RnwM: 2\nChkD: 0\nSKyW: \nSKOp: 0\nSKSc: 0\nSKyC: -1\n"
    "\tEND-W}}//\n";

// A block as the program writes it on Windows: every key set, CP932 text, CR LF.
const char kWindowsBlock[] =
    "\t//{{TOP-W\r\n"
    "\t//{{TOP\r\n"
    "Dest: C:\\Pagewarden\\comp\\page.htm\r\nTarg: http://example.jp/news/\r\n"
    "Refe: http://example.jp/\r\nAgen: Pagewarden1.35\r\nUser: taro\r\nPass: secret\r\n"
    "Cook: id=1\r\nProx: proxy:8080\r\nByPa: 0\r\nCash: 0\r\nRelo: 1\r\n"
    "Fram: __Pageward_0_\r\nMeth: \r\nArgu: q=%82%a0\r\nModi: 1150000000\r\nLoad: 0\r\n"
    "Name: お知らせ\r\nThre: 0\r\nHead: \r\n"
    "\tEND}}//\r\n"
    "Chec: weekly\r\nTimi: define\r\nDate: 42\r\nTime: 32400\r\nDown: 1\r\nShow: 1\r\n"
    "Last: 1160000000\r\nResu: 2\r\nHidd: C:\\Pagewarden\\comp\\hidden.htm\r\n"
    "Exec: http://example.jp/run\r\nSUse: 2\r\nSFil: C:\\sound\\チャイム.wav\r\nPopU: 0\r\n"
    "Keyw: 更新日\r\nKeyP: 2\r\nJpco: 4\r\nCmpO: 3\r\nCmpS: 40\r\n"
    "CmpD: 2006%94N12%8c%8e+x%0d%0a\r\nUseM: 1\r\nToAd: taro@example.jp\r\n"
    "Subj: 更新のお知らせ\r\nHonb: ページが更新されました。\r\nLstM: 1150000000\r\n"
    "Actv: 1\r\nRnwM: 1\r\nChkD: 0\r\nSKyW: \r\nSKOp: 3\r\nSKSc: 1\r\nSKyC: 7\r\n"
    "\tEND-W}}//\r\n";

class WatchItemFileTest : public ::testing::Test {
 protected:
  std::vector<WatchItem> ReadAll(const std::string& bytes) {
    m_folder.WriteBytes("list.pgl", bytes);
    FILE* file = platform::OpenFile(m_folder.File("list.pgl"), "r");
    EXPECT_NE(file, nullptr);
    std::vector<WatchItem> items;
    WatchItem item;
    while (item.Read(file)) items.push_back(item);
    std::fclose(file);
    return items;
  }

  std::string WriteAll(const std::vector<WatchItem>& items) {
    FILE* file = platform::OpenFile(m_folder.File("out.pgl"), "w");
    EXPECT_NE(file, nullptr);
    for (const WatchItem& item : items) EXPECT_EQ(item.Write(file), 0);
    std::fclose(file);
    return m_folder.ReadBytes("out.pgl");
  }

  TempFolder m_folder;
};

TEST_F(WatchItemFileTest, DefaultItemIsWrittenInTextModeByteForByte) {
  EXPECT_EQ(WriteAll({WatchItem()}), Crlf(kDefaultBlock));
}

TEST_F(WatchItemFileTest, WindowsBlockIsReadAndWrittenBackByteForByte) {
  std::vector<WatchItem> items = ReadAll(kWindowsBlock);
  ASSERT_EQ(items.size(), 1u);
  const WatchItem& item = items[0];
  EXPECT_EQ(item.m_url, "http://example.jp/news/");
  EXPECT_EQ(item.m_name, "お知らせ");
  EXPECT_EQ(item.m_bypassLocal, 0);
  EXPECT_EQ(item.m_checkKind, "weekly");
  EXPECT_EQ(item.m_timing, "define");
  EXPECT_EQ(item.m_date, 42);
  EXPECT_EQ(item.m_time, 32400);
  EXPECT_EQ(item.m_download, DownloadMode::Overwrite);
  EXPECT_EQ(item.m_showPage, 1);
  EXPECT_EQ(item.m_lastCheck, 1160000000);
  EXPECT_EQ(item.m_result, CheckResult::Updated);
  EXPECT_EQ(item.m_hiddenPath, "C:\\Pagewarden\\comp\\hidden.htm");
  EXPECT_EQ(item.m_exec, "http://example.jp/run");
  EXPECT_EQ(item.m_soundUse, 2);
  EXPECT_EQ(item.m_soundFile, "C:\\sound\\チャイム.wav");
  EXPECT_EQ(item.m_popUp, 0);
  EXPECT_EQ(item.m_anchorKeyword, "更新日");
  EXPECT_EQ(item.m_anchorNth, 2);
  EXPECT_EQ(item.m_japaneseCode, JapaneseCode::ShiftJis);
  EXPECT_EQ(item.m_compareOffset, 3);
  EXPECT_EQ(item.m_compareSize, 40);
  EXPECT_EQ(item.m_compareData, "2006年12月 x\r\n");
  EXPECT_EQ(item.m_useMail, 1);
  EXPECT_EQ(item.m_mailTo, "taro@example.jp");
  EXPECT_EQ(item.m_mailSubject, "更新のお知らせ");
  EXPECT_EQ(item.m_mailBody, "ページが更新されました。");
  EXPECT_EQ(item.m_lastUpdate, 1150000000);
  EXPECT_EQ(item.m_active, 1);
  EXPECT_EQ(item.m_renewMark, UpdateMark::Updated);
  EXPECT_EQ(item.m_compareAll, 0);
  EXPECT_EQ(item.m_simpleKeyword, "");
  EXPECT_EQ(item.m_simpleKeywordOptions, 3);
  EXPECT_EQ(item.m_simpleKeywordCase, 1);
  EXPECT_EQ(item.m_simpleKeywordCount, 7);
  EXPECT_EQ(WriteAll(items), kWindowsBlock);
}

// What the server said of the page is written only when set, after the older keys, and
// read back as written (a weak ETag with its quotes, a date with its blanks).
TEST_F(WatchItemFileTest, ServerValidatorsAndCharsetAreWrittenOnlyWhenSet) {
  WatchItem item;
  item.m_etag = "W/\"5f3a-1b2c\"";
  item.m_lastModifiedHeader = "Mon, 07 Dec 2026 01:00:00 GMT";
  item.m_validatorsFor = "0123456789abcdef";
  item.m_pageCharset = "EUC-JP";
  std::string written = WriteAll({item});
  std::string expected = Crlf(kDefaultBlock);
  expected.insert(expected.find("\tEND-W}}//"),
                  "ETag: W/\"5f3a-1b2c\"\r\nLMod: Mon, 07 Dec 2026 01:00:00 GMT\r\n"
                  "CndR: 0123456789abcdef\r\nCset: EUC-JP\r\n");
  EXPECT_EQ(written, expected);
  std::vector<WatchItem> items = ReadAll(written);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].m_etag, item.m_etag);
  EXPECT_EQ(items[0].m_lastModifiedHeader, item.m_lastModifiedHeader);
  EXPECT_EQ(items[0].m_validatorsFor, item.m_validatorsFor);
  EXPECT_EQ(items[0].m_pageCharset, item.m_pageCharset);
  EXPECT_EQ(WriteAll(items), expected);
}

TEST_F(WatchItemFileTest, ActiveFlagDefaultsToOnOnlyWhenItsLineIsMissing) {
  std::string withoutActive = Crlf(kDefaultBlock);
  withoutActive.erase(withoutActive.find("Actv: 0\r\n"), 9);
  std::string inactive = Crlf(kDefaultBlock);
  std::vector<WatchItem> items = ReadAll(withoutActive + inactive + withoutActive);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].m_active, 1);
  EXPECT_EQ(items[1].m_active, 0);
  EXPECT_EQ(items[2].m_active, 1);  // the count starts again in every block
}

TEST_F(WatchItemFileTest, LongAndStrangeValuesSurviveARoundTrip) {
  WatchItem item;
  item.m_hiddenPath = "/data/" + std::string(1500, 'h') + ".htm";
  item.m_mailBody = std::string(700, 'x') + std::string(700, '\x82') + "end";  // no line feed
  item.m_compareData = "a b\r\nc\n\n表示%+_Z\t";
  item.m_mailSubject = "trailing blanks   ";
  item.m_exec = "lone\rcarriage return";
  item.m_url = "http://example.jp/";
  item.m_nextCheck = 1234;
  item.m_errorCount = 4;  // written only when set, as the default item shows

  std::string bytes = WriteAll({item});
  EXPECT_NE(bytes.find("ErrC: 4\r\n\tEND-W}}//"), std::string::npos);
  EXPECT_NE(bytes.find("CmpD: a+b%0d%0ac%0a%0a%95%5c%8e%a6%25%2b_Z%09\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("Hidd: /data/" + std::string(1500, 'h') + ".htm\r\n"), std::string::npos);

  std::vector<WatchItem> items = ReadAll(bytes);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].m_hiddenPath, item.m_hiddenPath);
  EXPECT_EQ(items[0].m_mailBody, item.m_mailBody);
  EXPECT_EQ(items[0].m_compareData, item.m_compareData);
  EXPECT_EQ(items[0].m_mailSubject, item.m_mailSubject);
  EXPECT_EQ(items[0].m_exec, item.m_exec);
  EXPECT_EQ(items[0].m_errorCount, 4);
  // Run-time fields are not stored.
  EXPECT_EQ(items[0].m_nextCheck, 0);
  EXPECT_EQ(WriteAll(items), bytes);
}

// The coded fields hold any number a file gives: a number the program has no name for (an
// edited or a newer list) is written back as it was read.
TEST_F(WatchItemFileTest, CodedFieldsKeepNumbersThatHaveNoNameByteForByte) {
  struct Coded {
    const char* download;
    const char* result;
    const char* code;
    const char* mark;
  };
  for (const Coded& coded : {Coded{"3", "7", "9", "-4"}, Coded{"-1", "-2", "-1", "3"},
                             Coded{"2147483647", "-2147483648", "5", "100"},
                             Coded{"2", "-1", "3", "0"}}) {
    std::string block = Crlf(kDefaultBlock);
    for (auto [line, value] : {std::pair{"Down: 0", coded.download}, {"Resu: 0", coded.result},
                               {"Jpco: 0", coded.code}, {"RnwM: 2", coded.mark}}) {
      block.replace(block.find(line), std::string(line).size(),
                    std::string(line, 6) + value);
    }
    std::vector<WatchItem> items = ReadAll(block + block);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(StoredNumber(items[0].m_download), std::stoi(coded.download));
    EXPECT_EQ(StoredNumber(items[0].m_result), std::stoi(coded.result));
    EXPECT_EQ(StoredNumber(items[0].m_japaneseCode), std::stoi(coded.code));
    EXPECT_EQ(StoredNumber(items[0].m_renewMark), std::stoi(coded.mark));
    EXPECT_EQ(WriteAll(items), block + block) << coded.result;
  }
}

TEST_F(WatchItemFileTest, LineBreakInsideAPlainStringEndsTheValue) {
  WatchItem item;
  item.m_mailBody = "first line\nsecond line\nSubj: injected";
  item.m_active = 1;
  std::vector<WatchItem> items = ReadAll(WriteAll({item}));
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].m_mailBody, "first line");
  // The rest is read as further lines: unknown ones are ignored, keys are not.
  EXPECT_EQ(items[0].m_mailSubject, "injected");
  EXPECT_EQ(items[0].m_active, 1);
}

TEST_F(WatchItemFileTest, BlocksAreFoundAmongOtherTextAndACutOffBlockIsNoItem) {
  std::string block = Crlf(kDefaultBlock);
  std::string noise = std::string(3000, '-') + "\r\n" + "Chec: weekly\r\n";
  std::string cut = block.substr(0, block.find("RnwM"));
  std::vector<WatchItem> items = ReadAll(noise + block + "garbage\r\n" + block + cut);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].m_checkKind, "daily");

  EXPECT_TRUE(ReadAll("").empty());
  // An end marker without its line feed at the very end of the file still ends the block.
  EXPECT_EQ(ReadAll(block.substr(0, block.size() - 2)).size(), 1u);
  std::string noEndMarker = block.substr(0, block.find("\tEND-W"));
  EXPECT_TRUE(ReadAll(noEndMarker).empty());
  std::string fetchCut = block.substr(0, block.find("\tEND}}//"));
  EXPECT_TRUE(ReadAll(fetchCut).empty());
}

TEST_F(WatchItemFileTest, FileWithPlainLineFeedsReadsTheSame) {
  std::vector<WatchItem> items = ReadAll(kDefaultBlock);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(WriteAll(items), Crlf(kDefaultBlock));
}

TEST_F(WatchItemFileTest, WriteReportsAFailedWrite) {
  m_folder.WriteBytes("read-only.pgl", "");
  FILE* file = platform::OpenFile(m_folder.File("read-only.pgl"), "r");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(WatchItem().Write(file), 1);
  std::fclose(file);
}

TEST(WatchItemParseLine, KeysValuesAndMalformedLines) {
  WatchItem item;
  EXPECT_EQ(item.ParseLine("Chec: weekly\n"), 0);
  EXPECT_EQ(item.m_checkKind, "weekly");
  EXPECT_EQ(item.ParseLine(" \t Timi: inter\n\n"), 6);
  EXPECT_EQ(item.m_timing, "inter");
  EXPECT_EQ(item.ParseLine("Actv: 1"), 144);
  EXPECT_EQ(item.ParseLine("SKyC: 12"), 180);
  EXPECT_EQ(item.m_simpleKeywordCount, 12);

  item.m_download = DownloadMode::NewFile;
  EXPECT_EQ(item.ParseLine("Down: two\n"), 24);
  EXPECT_EQ(item.m_download, DownloadMode::PrivateCopy);
  EXPECT_EQ(item.ParseLine("Date: -7 days"), 12);
  EXPECT_EQ(item.m_date, -7);
  EXPECT_EQ(item.ParseLine("Time: 99999999999"), 18);
  EXPECT_EQ(item.m_time, 2147483647);

  EXPECT_EQ(item.ParseLine("Subj:  two blanks \r\n"), 126);
  EXPECT_EQ(item.m_mailSubject, " two blanks \r");
  EXPECT_EQ(item.ParseLine("CmpD: %82%a0+%2B"), 108);
  EXPECT_EQ(item.m_compareData, "あ +");

  WatchItem before = item;
  for (const char* line : {"", "\n", "Date:", "  Date:\n", "c: Tim value", "Targ: http://x/",
                           "chec: daily", "CHEC: daily", "\tEND-W}}//\n", "Nope: 1"}) {
    EXPECT_EQ(item.ParseLine(line), -1) << line;
  }
  EXPECT_EQ(item.ParseLine(nullptr), -1);
  EXPECT_EQ(item.m_date, before.m_date);
  EXPECT_EQ(item.m_checkKind, before.m_checkKind);
  EXPECT_EQ(item.m_url, before.m_url);
}

TEST(WatchItemDefaults, SetDefaultsResetsEveryPartIncludingRunTimeFields) {
  WatchItem item;
  item.m_url = "http://example.jp/";
  item.m_bypassLocal = 0;
  item.m_lastModified = 5;
  item.m_checkKind = "once";
  item.m_soundFile = "x.wav";
  item.m_simpleKeywordCount = 3;
  item.m_nextCheck = 99;
  item.m_errorStatus = 404;
  item.m_errorText = "error";
  item.SetDefaults();
  EXPECT_TRUE(item.m_url.empty());
  EXPECT_EQ(item.m_bypassLocal, 1);
  EXPECT_EQ(item.m_lastModified, -1);
  EXPECT_EQ(item.m_checkKind, "daily");
  EXPECT_EQ(item.m_soundFile, "notify.wav");
  EXPECT_EQ(item.m_simpleKeywordCount, -1);
  EXPECT_EQ(item.m_nextCheck, 0);
  EXPECT_EQ(item.m_errorStatus, 0);
  EXPECT_TRUE(item.m_errorText.empty());
}

}  // namespace
