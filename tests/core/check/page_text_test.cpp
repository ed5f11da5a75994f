#include "core/check/page_text.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/code_page_converter.h"
#include "platform/file_system.h"
#include "support/ordinary_user.h"
#include "support/temp_folder.h"

namespace {

// "日本語のページ" in each encoding.
const std::string kCp932Text = "日本語のページ";
const std::string kJisText = "\x1B$B\x46\x7C\x4B\x5C\x38\x6C\x24\x4E\x25\x5A\x21\x3C\x25\x38\x1B(B";
const std::string kEucText = "\xC6\xFC\xCB\xDC\xB8\xEC\xA4\xCE\xA5\xDA\xA1\xBC\xA5\xB8";
const std::string kUtf8Text =
    "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE3\x83\x9A\xE3\x83\xBC\xE3\x82\xB8";

std::string Page(const std::string& charset, const std::string& body) {
  return "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=" + charset +
         "\"></head>\r\n<body>" + body + "</body></html>\r\n";
}

class PageTextTest : public ::testing::Test {
 protected:
  // The text LoadPageText gives for a file holding `bytes`.
  std::optional<std::string> Load(const std::string& bytes, JapaneseCode code) {
    m_folder.WriteBytes("page.htm", bytes);
    return LoadPageText(&m_converter, m_folder.File("page.htm"), code);
  }

  TempFolder m_folder;
  platform::CCodePageConverter m_converter;
};

}  // namespace

TEST(DetectCodePage, EscapeSequencesOfBothKindsMeanJis) {
  EXPECT_EQ(DetectCodePage("a" + kJisText), 50220);
  // A declaration comes first, as in a browser.
  EXPECT_EQ(DetectCodePage(Page("utf-8", kJisText)), 65001);
  EXPECT_EQ(DetectCodePage("\x1B$B only one kind"), 932);
  EXPECT_EQ(DetectCodePage("\x1B(B only one kind"), 932);
}

TEST(DetectCodePage, DeclarationsCountOnlyInsideAMetaTagNearTheStart) {
  EXPECT_EQ(DetectCodePage(Page("EUC-JP", "")), 51932);
  EXPECT_EQ(DetectCodePage(Page("UTF-8", "")), 65001);
  EXPECT_EQ(DetectCodePage("<META CHARSET=\"Utf-8\">"), 65001);
  EXPECT_EQ(DetectCodePage("<meta charset = 'x-sjis' />" + kEucText), 932);
  EXPECT_EQ(DetectCodePage(Page("Shift_JIS", "")), 932);
  EXPECT_EQ(DetectCodePage("<p>no declaration</p>"), 932);
  EXPECT_EQ(DetectCodePage(""), 932);
  // A code named in the text is no declaration.
  EXPECT_EQ(DetectCodePage(Page("Shift_JIS", "この記事はEUC-JPについて")), 932);
  EXPECT_EQ(DetectCodePage("<p>charset の話: UTF-8</p>"), 932);
  EXPECT_EQ(DetectCodePage("<title>charset=euc-jp</title><meta charset=utf-8>"), 65001);
  // An unknown name passes on to the next rule; beyond 4 KB nothing is declared.
  EXPECT_EQ(DetectCodePage("<meta charset=latin1>" + Page("euc-jp", "")), 51932);
  EXPECT_EQ(DetectCodePage(std::string(4096, ' ') + Page("utf-8", "")), 932);
}

TEST(DetectCodePage, AByteOrderMarkThenTheServerThenTheMarkupThenTheBytes) {
  EXPECT_EQ(DetectCodePage("\xEF\xBB\xBF" + Page("euc-jp", ""), "Shift_JIS"), 65001);
  EXPECT_EQ(DetectCodePage(Page("utf-8", kEucText), "EUC-JP"), 51932);
  EXPECT_EQ(DetectCodePage(Page("utf-8", kEucText), "iso-8859-1"), 65001);
  EXPECT_EQ(DetectCodePage(kEucText, "ISO-2022-JP"), 50220);
  // Without any declaration the bytes tell.
  EXPECT_EQ(DetectCodePage("<p>" + kUtf8Text + "</p>"), 65001);
  EXPECT_EQ(DetectCodePage("<p>" + kEucText + "</p>"), 51932);
  EXPECT_EQ(DetectCodePage("<p>" + kCp932Text + "</p>"), 932);
  EXPECT_EQ(DetectCodePage(kUtf8Text.substr(0, kUtf8Text.size() - 1)), 932);  // cut short
}

TEST_F(PageTextTest, EachSettingConvertsFromItsCode) {
  EXPECT_EQ(Load(Page("iso-2022-jp", kJisText), JapaneseCode::Jis),
            Page("iso-2022-jp", kCp932Text));
  EXPECT_EQ(Load(Page("x-euc-jp", kEucText), JapaneseCode::Euc), Page("x-euc-jp", kCp932Text));
  EXPECT_EQ(Load(Page("utf-8", kUtf8Text), JapaneseCode::Utf8), Page("utf-8", kCp932Text));
  // A setting that does not fit the page still gives a text.
  EXPECT_EQ(Load("a\xFF\xFE" "b", JapaneseCode::Utf8), "a??b");
}

TEST_F(PageTextTest, AutomaticSettingConvertsWhatItDetects) {
  EXPECT_EQ(Load(Page("iso-2022-jp", kJisText), JapaneseCode::Auto),
            Page("iso-2022-jp", kCp932Text));
  EXPECT_EQ(Load(kJisText, JapaneseCode::Auto), kCp932Text);  // escapes alone suffice
  EXPECT_EQ(Load(Page("EUC-JP", kEucText), JapaneseCode::Auto), Page("EUC-JP", kCp932Text));
  EXPECT_EQ(Load(Page("UTF-8", kUtf8Text), JapaneseCode::Auto), Page("UTF-8", kCp932Text));
  // A UTF-8 page that mentions euc-jp stays UTF-8.
  EXPECT_EQ(Load(Page("utf-8", kUtf8Text + " euc-jp"), JapaneseCode::Auto),
            Page("utf-8", kCp932Text + " euc-jp"));
  // The server's charset serves a page that declares nothing.
  m_folder.WriteBytes("bare.htm", kEucText);
  EXPECT_EQ(LoadPageText(&m_converter, m_folder.File("bare.htm"), JapaneseCode::Auto, "euc-jp"),
            kCp932Text);
}

TEST_F(PageTextTest, Cp932PagesComeBackByteForByte) {
  std::string sjis = Page("Shift_JIS", kCp932Text + "\x80\xFD\xA0ｶﾅ");
  EXPECT_EQ(Load(sjis, JapaneseCode::Auto), sjis);
  EXPECT_EQ(Load(sjis, JapaneseCode::ShiftJis), sjis);
  // SHIFT-JIS, and any value above it, take the bytes whatever they are.
  EXPECT_EQ(Load(kJisText + kEucText, JapaneseCode::ShiftJis), kJisText + kEucText);
  EXPECT_EQ(Load(kEucText, FromStoredNumber<JapaneseCode>(9)), kEucText);
}

TEST_F(PageTextTest, TextEndsAtTheFirstZeroByte) {
  EXPECT_EQ(Load(std::string("abc\0def", 7), JapaneseCode::ShiftJis), "abc");
  EXPECT_EQ(Load(kCp932Text + std::string("\0", 1) + "<meta charset=euc-jp>", JapaneseCode::Auto),
            kCp932Text);
}

TEST_F(PageTextTest, EmptyFileGivesEmptyText) {
  EXPECT_EQ(Load("", JapaneseCode::ShiftJis), "");
  EXPECT_EQ(Load("", JapaneseCode::Auto), "");
  EXPECT_EQ(Load("", JapaneseCode::Jis), "");
}

TEST_F(PageTextTest, NothingWithoutConverterOrReadableWritableFile) {
  m_folder.WriteBytes("page.htm", "abc");
  EXPECT_EQ(LoadPageText(nullptr, m_folder.File("page.htm"), JapaneseCode::ShiftJis), std::nullopt);
  EXPECT_EQ(LoadPageText(&m_converter, m_folder.File("missing.htm"), JapaneseCode::Auto),
            std::nullopt);
  EXPECT_EQ(LoadPageText(&m_converter, m_folder.Path(), JapaneseCode::Auto), std::nullopt);
}

TEST_F(PageTextTest, ReadOnlyFileGivesNothing) {
  m_folder.WriteBytes("page.htm", "abc");
  ASSERT_EQ(chmod(platform::NativePath(m_folder.File("page.htm")).c_str(), 0444), 0);
  ASSERT_EQ(chmod(m_folder.Path().c_str(), 0755), 0);
  EXPECT_EQ(RunAsOrdinaryUser([&] {
              return LoadPageText(&m_converter, m_folder.File("page.htm"), JapaneseCode::ShiftJis)
                             .has_value()
                         ? 1
                         : 0;
            }),
            0);
}

// A large UTF-8 page is converted a part at a time: characters of every length, bytes that
// are no UTF-8, an emoji CP932 lacks and a U+FEFF inside the text all come out as the
// conversion of the whole text gives them, wherever the parts end.
TEST(PageTextInParts, ALargeUtf8PageConvertsAsAWhole) {
  platform::CCodePageConverter converter;
  std::string page = "\xEF\xBB\xBF<html><body>\n";
  const std::string pieces[] = {kUtf8Text, "\xC3\xA9", "\xF0\x9F\x98\x80", "\xFF\xFE", "\xE6\x97",
                                "\xEF\xBB\xBF", "a", "<p>", "\n", " "};
  for (std::size_t i = 0; page.size() < 300'000; ++i) {
    page += pieces[i % std::size(pieces)];
    if (i % 7 == 0) page += pieces[(i / 7) % std::size(pieces)];
  }
  std::string whole;
  converter.ConvertString(platform::kCodePageUtf8, platform::kCodePageShiftJis, page, whole);
  std::optional<std::string> text = PageText(&converter, page, JapaneseCode::Utf8);
  ASSERT_TRUE(text);
  EXPECT_EQ(*text, whole);
  EXPECT_EQ(text->rfind("<html>", 0), 0u);  // the byte order mark went
}
