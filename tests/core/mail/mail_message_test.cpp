#include "core/mail/mail_message.h"

#include <gtest/gtest.h>

#include "core/mail/base64.h"
#include "core/mail/mime_types.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/program_folder.h"
#include "platform/text_codec.h"
#include "support/base64_decode.h"
#include "support/temp_folder.h"

namespace {

TEST(Base64Test, BlocksLinesAndRuns) {
  char out[4];
  const unsigned char bytes[3] = {'M', 'a', 'n'};
  B64EncodeBlock(bytes, 3, out);
  EXPECT_EQ(std::string(out, 4), "TWFu");
  B64EncodeBlock(bytes, 2, out);
  EXPECT_EQ(std::string(out, 4), "TWE=");
  B64EncodeBlock(bytes, 1, out);
  EXPECT_EQ(std::string(out, 4), "TQ==");

  std::string data;
  for (int i = 0; i < 20; ++i) data += "\xFB\xEF\xBE";  // "++++" per group
  std::string lines = B64EncodeBytes(data.data(), data.size(), 72);
  EXPECT_EQ(lines, std::string(72, '+') + "\r\n" + std::string(8, '+') + "\r\n");
  EXPECT_EQ(B64EncodeBytes(data.data(), 54, 72), std::string(72, '+') + "\r\n");
  EXPECT_EQ(B64EncodeBytes(data.data(), data.size(), 0), std::string(80, '+'));
  EXPECT_EQ(B64EncodeText("", 72), "");
  EXPECT_EQ(B64EncodeText("abcd", 48), "YWJjZA==\r\n");
  EXPECT_EQ(B64Decode("YWJj\r\nZA=="), "abcd");
}

TEST(Base64Test, EncodesAFileAndReportsMissingInput) {
  TempFolder folder;
  std::string data;
  for (int i = 0; i < 256; ++i) data += char(i);
  folder.WriteBytes("in.bin", data);
  EXPECT_TRUE(B64EncodeFile(folder.File("in.bin"), folder.File("out.txt"), 72));
  std::string encoded = folder.ReadBytes("out.txt");
  EXPECT_EQ(encoded, B64EncodeBytes(data.data(), data.size(), 72));
  EXPECT_EQ(encoded.substr(72, 2), "\r\n");
  EXPECT_EQ(B64Decode(encoded), data);
  EXPECT_FALSE(B64EncodeFile(folder.File("missing"), folder.File("x.txt"), 72));
}

TEST(MimeTypesTest, LookupByExtension) {
  CMimeTypes types;
  EXPECT_EQ(types.Rows().size(), 33u);
  EXPECT_EQ(types.Lookup("JPG"), "image/jpeg");
  EXPECT_EQ(types.Lookup(" png "), "image/png");
  EXPECT_EQ(types.Lookup("ra"), "audio/x-pn-realaudio");  // part of "ram", which comes first
  EXPECT_EQ(types.Lookup("xyz"), "");
  EXPECT_FALSE(types.Add("1bad\tx"));
  EXPECT_FALSE(types.Add("text/x\t  "));
  EXPECT_FALSE(types.Add("notab"));
  EXPECT_TRUE(types.Add("Text/X-Custom\txyz"));
  EXPECT_EQ(types.Lookup("xyz"), "text/x-custom");
  EXPECT_TRUE(types.Add("image/png\tpng apng"));  // replaces the row of the same type
  EXPECT_EQ(types.Rows().size(), 34u);
  EXPECT_EQ(types.Lookup("apng"), "image/png");
  for (std::size_t i = 1; i < types.Rows().size(); ++i) {
    EXPECT_LT(types.Rows()[i - 1], types.Rows()[i]);
  }
}

class MailMessageTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetProgramFolder(m_folder.Path()); }
  // The composed file without its first three lines, which differ from mail to mail:
  // "Date", "Message-ID" and "MIME-Version" (checked here).
  std::string Composed(CMailMessage& message) {
    EXPECT_EQ(message.Compose(), 0);
    std::string text = m_folder.ReadBytes(message.File().substr(m_folder.Path().size() + 1));
    std::size_t date = text.find("\r\n");
    std::size_t id = text.find("\r\n", date + 2);
    std::size_t mime = text.find("\r\n", id + 2);
    EXPECT_EQ(text.substr(0, 6), "Date: ");
    EXPECT_EQ(text.substr(date + 2, 13), "Message-ID: <");
    EXPECT_EQ(text.substr(id + 2, mime - id - 2), "MIME-Version: 1.0");
    return mime == std::string::npos ? text : text.substr(mime + 2);
  }
  static void AddNoticeHeaders(CMailMessage& message, const std::string& subject) {
    message.AddHeader(subject, "Subject");
    message.AddHeader("\"Pagewarden\"<taro@example.jp>", "From");
    message.AddHeader("taro@example.jp", "To");
    message.AddRecipient("taro@example.jp");
  }
  TempFolder m_folder;
};

TEST_F(MailMessageTest, AsciiMessageFile) {
  CMailMessage message;
  EXPECT_EQ(message.SetBody("abc"), 0);
  EXPECT_EQ(message.SetBody("again"), -1);
  AddNoticeHeaders(message, "Update notice  ");
  EXPECT_EQ(Composed(message),
            "X-Mailer: Pagewarden1.35\r\n"
            "Subject: Update notice\r\n"
            "From: \"Pagewarden\"<taro@example.jp>\r\n"
            "To: taro@example.jp\r\n"
            "Content-Type: text/plain;\r\n"
            "\tcharset=\"us-ascii\"\r\n"
            "Content-Transfer-Encoding: 7bit\r\n"
            "\r\n"
            "\r\n"
            "abc\r\n"
            "\r\n");
  EXPECT_EQ(message.File(), m_folder.File("tempMailBody.txt"));
}

TEST_F(MailMessageTest, JapaneseBodyAndSubjectAreIso2022Jp) {
  CMailMessage message;
  message.SetBody("サーバーの設定がうまく行きました。\r\n2行目\r\n");
  AddNoticeHeaders(message, "Pagewardenからの通知");
  EXPECT_EQ(Composed(message),
            "X-Mailer: Pagewarden1.35\r\n"
            "Subject: =?iso-2022-jp?B?UGFnZXdhcmRlbhskQiQrJGkkTkRMQ04bKEI=?=\r\n"
            "From: \"Pagewarden\"<taro@example.jp>\r\n"
            "To: taro@example.jp\r\n"
            "Content-Type: text/plain;\r\n"
            "\tcharset=\"iso-2022-jp\"\r\n"
            "Content-Transfer-Encoding: 7bit\r\n"
            "\r\n"
            "\r\n"
            "\x1b$B%5!<%P!<$N@_Dj$,$&$^$/9T$-$^$7$?!#\x1b(B\r\n"
            "2\x1b$B9TL\\\x1b(B\r\n"
            "\r\n");
}

TEST_F(MailMessageTest, BodyEndings) {
  CMailMessage twoLetters, lineBreak, ascii, oneKanji;
  twoLetters.SetBody("ab");
  lineBreak.SetBody("\r\n");
  EXPECT_NE(Composed(twoLetters).find("\r\n\r\nab\r\n\r\n"), std::string::npos);
  EXPECT_NE(Composed(lineBreak).find("\r\n\r\n\r\n\r\n\r\n"), std::string::npos);
  oneKanji.SetBody("plain text with one 字");
  EXPECT_NE(Composed(oneKanji).find("charset=\"iso-2022-jp\""), std::string::npos);
  // No body at all: a single space.
  EXPECT_NE(Composed(ascii).find("us-ascii\"\r\nContent-Transfer-Encoding: 7bit\r\n\r\n\r\n \r\n\r\n"),
            std::string::npos);
}

TEST_F(MailMessageTest, DisplayNamesAreEncodedWordsAndLongOnesSplit) {
  CMailMessage message;
  message.AddHeader("山田 太郎 <taro@example.jp>", "From");
  message.AddHeader("山田 太郎", "To");  // no address part: left as it is
  message.AddHeader("ページウォッチャー通知システム管理者様のメールアドレス <a@b.jp>", "To");
  EXPECT_EQ(message.Header(),
            "X-Mailer: Pagewarden1.35\r\n"
            "From: =?iso-2022-jp?B?GyRCOzNFRBsoQiAbJEJCQE86GyhCIA==?=<taro@example.jp>\r\n"
            "To: 山田 太郎\r\n"
            "To: =?iso-2022-jp?B?GyRCJVohPCU4JSYlKSVDJUElYyE8RExDTiU3JTklRiVgGyhC?=\r\n"
            " =?iso-2022-jp?B?GyRCNElNfTxUTU0kTiVhITwlayUiJUklbCU5GyhCIA==?=<a@b.jp>\r\n");
}

TEST_F(MailMessageTest, SecondComposeIsRefusedAndNamesStayUnique) {
  CMailMessage first, second;
  first.SetBody("one");
  second.SetBody("two");
  ASSERT_EQ(first.Compose(), 0);
  std::string firstFile = first.File();
  EXPECT_EQ(first.Compose(), -1);
  EXPECT_EQ(first.File(), firstFile);
  EXPECT_TRUE(platform::FileExists(firstFile));
  ASSERT_EQ(second.Compose(), 0);
  EXPECT_EQ(second.File(), m_folder.File("tempMailBody_1.txt"));

  CMailMessage copy;
  first.AddRecipient("x@y");
  copy.CopyForSend(first);
  EXPECT_EQ(copy.File(), firstFile);
  EXPECT_EQ(copy.Recipients(), std::vector<std::string>{"x@y"});
}

TEST_F(MailMessageTest, AttachmentsMakeAMultipartMessage) {
  platform::ManualClock clock(1147597387);
  platform::SetCurrentClock(&clock);
  m_folder.WriteBytes("photo.JPG", "\xFF\xD8\xFF\xE0 jpeg");
  std::string plusses;
  for (int i = 0; i < 20; ++i) plusses += "\xFB\xEF\xBE";
  m_folder.WriteBytes("data.xyz", plusses);
  CMailMessage message;
  message.SetBody("see attached");
  message.AddHeader("files", "Subject");
  message.AddAttachment(m_folder.File("photo.JPG"));
  message.AddAttachment(m_folder.File("data.xyz"));
  std::string text = Composed(message);
  platform::SetCurrentClock(nullptr);

  std::size_t at = text.find("Boundary=\"") + 10;
  std::string boundary = text.substr(at, text.find('"', at) - at);
  EXPECT_EQ(boundary.rfind("---------1147597387-", 0), 0u);
  EXPECT_EQ(text,
            "X-Mailer: Pagewarden1.35\r\n"
            "Subject: files\r\n"
            "Content-Type: MultiPart/Mixed;Boundary=\"" + boundary + "\"\r\n"
            "\r\n"
            "--" + boundary + "\r\n"
            "Content-Type: text/plain;\r\n\tcharset=\"us-ascii\"\r\n"
            "Content-Transfer-Encoding: 7bit\r\n\r\n"
            "see attached\r\n\r\n"
            "--" + boundary + "\r\n"
            "Content-Transfer-Encoding: Base64\r\n"
            "Content-Type: image/jpeg\r\n\tname=photo.JPG\r\n"
            "Content-Disposition: attachment;\r\n\tfilename=photo.JPG\r\n\r\n"
            "/9j/4CBqcGVn\r\n\r\n"
            "--" + boundary + "\r\n"
            "Content-Transfer-Encoding: Base64\r\n"
            "Content-Type: application/octet-stream\r\n\tname=data.xyz\r\n"
            "Content-Disposition: attachment;\r\n\tfilename=data.xyz\r\n\r\n" +
            std::string(72, '+') + "\r\n" + std::string(8, '+') + "\r\n\r\n"
            "--" + boundary + "--\r\n");
  EXPECT_FALSE(platform::FileExists(m_folder.File("tempOutB64.txt")));
}

TEST_F(MailMessageTest, MissingAttachmentFailsAndLeavesNoFile) {
  CMailMessage message;
  message.AddAttachment(m_folder.File("gone.txt"));
  EXPECT_EQ(message.Compose(), -1);
  EXPECT_FALSE(platform::FileExists(m_folder.File("tempMailBody.txt")));
  EXPECT_EQ(message.File(), "");
}

}  // namespace

namespace {

// Text that ISO-2022-JP holds only by a vendor's table (NEC's ①, IBM's 髙, Windows' ～)
// goes as UTF-8: base64 for Japanese text, quoted-printable for mostly ASCII; headers as
// UTF-8 encoded words of at most 75 characters. Exact text stays ISO-2022-JP.
TEST(MailMessageCharsetTest, VendorCharactersGoAsUtf8) {
  EXPECT_TRUE(CMailMessage::JisCarriesExactly("普通の日本語、カタカナ。"));
  for (const char* text : {"①", "髙橋", "10～20", "ｶﾀｶﾅ"}) {
    EXPECT_FALSE(CMailMessage::JisCarriesExactly(text)) << platform::Cp932ToUtf8(text);
  }
  TempFolder folder;
  platform::SetProgramFolder(folder.Path());
  CMailMessage japanese;
  japanese.SetBody("髙橋さんの①番～");
  japanese.AddHeader("①のお知らせ、とても長い件名がここに続きます。まだまだ続きます。", "Subject");
  ASSERT_EQ(japanese.Compose(), 0);
  std::string text = folder.ReadBytes("tempMailBody.txt");
  EXPECT_NE(text.find("charset=\"utf-8\"\r\nContent-Transfer-Encoding: base64\r\n"), std::string::npos);
  std::string body = text.substr(text.find("\r\n\r\n") + 4);
  EXPECT_EQ(B64Decode(body), platform::Cp932ToUtf8("髙橋さんの①番～"));
  std::size_t subject = text.find("Subject: =?utf-8?B?");
  ASSERT_NE(subject, std::string::npos);
  std::string line = text.substr(subject, text.find("\r\n", subject) - subject);
  EXPECT_LE(line.size() - 9, 75u);
  EXPECT_NE(text.find("?=\r\n =?utf-8?B?", subject), std::string::npos);  // folded

  CMailMessage ascii;
  ascii.SetBody("Price: 10～20 yen = cheap \r\nnext");
  ASSERT_EQ(ascii.Compose(), 0);
  text = folder.ReadBytes(ascii.File().substr(folder.Path().size() + 1));
  EXPECT_NE(text.find("Content-Transfer-Encoding: quoted-printable\r\n\r\n\r\n"
                      "Price: 10=EF=BD=9E20 yen =3D cheap=20\r\nnext\r\n"),
            std::string::npos)
      << text;
}

}  // namespace
