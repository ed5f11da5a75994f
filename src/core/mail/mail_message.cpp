#include "core/mail/mail_message.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <random>

#include "core/common/version.h"
#include "core/common/path_utils.h"
#include "core/mail/base64.h"
#include "core/mail/line_client.h"
#include "core/mail/mime_types.h"
#include "platform/clock.h"
#include "platform/cp932.h"
#include "platform/file_system.h"
#include "platform/jis_codec.h"
#include "platform/text_codec.h"

namespace {

const char kEncodedWordStart[] = "=?iso-2022-jp?B?";
const char kUtf8WordStart[] = "=?utf-8?B?";
// 36 converted bytes make one 48-character base64 line.
constexpr std::size_t kMaxWordBytes = 36;
// A UTF-8 encoded word of at most 45 bytes stays within 75 characters.
constexpr std::size_t kMaxUtf8WordBytes = 45;

void Write(FILE* out, const std::string& text) { fwrite(text.data(), 1, text.size(), out); }

std::string EncodedWord(const std::string& jis) {
  return kEncodedWordStart + B64EncodeBytes(jis.data(), jis.size(), 0) + "?=";
}

std::size_t CharLength(const std::string& text, std::size_t at) {
  return platform::IsLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
}

// The UTF-8 text as encoded words of whole characters, joined by folding white space.
std::string Utf8EncodedWords(const std::string& utf8) {
  std::string words;
  for (std::size_t at = 0; at < utf8.size();) {
    std::size_t end = std::min(utf8.size(), at + kMaxUtf8WordBytes);
    while (end < utf8.size() && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) --end;
    std::string piece = utf8.substr(at, end - at);
    words += (words.empty() ? "" : "\r\n ") + std::string(kUtf8WordStart) +
             B64EncodeBytes(piece.data(), piece.size(), 0) + "?=";
    at = end;
  }
  return words;
}

// Quoted-printable (RFC 2045) of UTF-8 text with CRLF line breaks, lines of at most 76.
std::string QuotedPrintable(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  std::size_t lineLength = 0;
  for (std::size_t at = 0; at < text.size(); ++at) {
    unsigned char ch = static_cast<unsigned char>(text[at]);
    if (ch == '\r' && at + 1 < text.size() && text[at + 1] == '\n') continue;
    if (ch == '\n') {
      // White space before a line break is encoded, so no transport strips it.
      if (!out.empty() && (out.back() == ' ' || out.back() == '\t')) {
        char last = out.back();
        out.pop_back();
        out += std::string("=") + kHex[last >> 4] + kHex[last & 15];
      }
      out += "\r\n";
      lineLength = 0;
      continue;
    }
    std::string piece;
    if ((ch >= 33 && ch <= 126 && ch != '=') || ch == ' ' || ch == '\t') {
      piece = std::string(1, static_cast<char>(ch));
    } else {
      piece = std::string("=") + kHex[ch >> 4] + kHex[ch & 15];
    }
    // A dot opening a line is left to the SMTP client's doubling; a soft break keeps 76.
    if (lineLength + piece.size() > 75) {
      out += "=\r\n";
      lineLength = 0;
    }
    out += piece;
    lineLength += piece.size();
  }
  return out;
}

bool MostlyAscii(const std::string& text) {
  std::size_t eightBit = 0;
  for (unsigned char ch : text) eightBit += (ch & 0x80) != 0;
  return eightBit * 5 < text.size();
}

// "Tue, 08 Dec 2026 17:00:00 +0900" in local time, whatever the locale.
std::string MailDate(std::time_t when) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm local{};
  localtime_r(&when, &local);
  long offset = local.tm_gmtoff / 60;
  char sign = offset < 0 ? '-' : '+';
  if (offset < 0) offset = -offset;
  char text[64];
  std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld",
                kDays[local.tm_wday], local.tm_mday, kMonths[local.tm_mon], local.tm_year + 1900,
                local.tm_hour, local.tm_min, local.tm_sec, sign, offset / 60, offset % 60);
  return text;
}

std::string MessageId(std::time_t when, const std::string& domain) {
  std::random_device device;
  char text[128];
  std::snprintf(text, sizeof text, "<%lld.%08x%08x@%s>", static_cast<long long>(when),
                device(), device(), domain.empty() ? "localhost" : domain.c_str());
  return text;
}

}  // namespace

CMailMessage::CMailMessage()
    : m_strHeader(std::string("X-Mailer: ") + kProductName + kProductVersion + "\r\n") {}

bool CMailMessage::HasEightBit(const std::string& text) {
  for (unsigned char ch : text) {
    if (ch & 0x80) return true;
  }
  return false;
}

std::string CMailMessage::ToJis(const std::string& text) { return platform::Cp932ToJis(text); }

bool CMailMessage::JisCarriesExactly(const std::string& text) {
  std::string decoded;
  return platform::StrictIso2022JpToUtf8(ToJis(text), decoded) &&
         decoded == platform::Cp932ToUtf8(text);
}

std::string CMailMessage::EncodeHeaderText(const std::string& text) {
  if (!JisCarriesExactly(text)) return Utf8EncodedWords(platform::Cp932ToUtf8(text));
  return EncodedWord(ToJis(text));
}

std::string CMailMessage::EncodeDisplayName(const std::string& text) {
  if (!JisCarriesExactly(text)) return Utf8EncodedWords(platform::Cp932ToUtf8(text));
  std::string words;
  std::string chunk;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t length = CharLength(text, at);
    std::string longer = chunk + text.substr(at, length);
    if (!chunk.empty() && ToJis(longer).size() > kMaxWordBytes) {
      words += (words.empty() ? "" : "\r\n ") + EncodedWord(ToJis(chunk));
      chunk.clear();
      continue;
    }
    chunk = longer;
    at += length;
  }
  if (!chunk.empty()) words += (words.empty() ? "" : "\r\n ") + EncodedWord(ToJis(chunk));
  return words;
}

int CMailMessage::SetBody(const std::string& text) {
  if (!m_strContentType.empty()) return -1;
  m_strContentType = "Content-Type: text/plain;\r\n";
  if (!HasEightBit(text)) {
    m_strContentType += "\tcharset=\"us-ascii\"\r\nContent-Transfer-Encoding: 7bit\r\n";
    m_strBody = text;
  } else if (JisCarriesExactly(text)) {
    m_strContentType += "\tcharset=\"iso-2022-jp\"\r\nContent-Transfer-Encoding: 7bit\r\n";
    m_strBody = ToJis(text);
  } else {
    // Characters that ISO-2022-JP holds only by a vendor's table go as UTF-8.
    std::string utf8 = platform::Cp932ToUtf8(text);
    m_strContentType += "\tcharset=\"utf-8\"\r\n";
    if (MostlyAscii(utf8)) {
      m_strContentType += "Content-Transfer-Encoding: quoted-printable\r\n";
      m_strBody = QuotedPrintable(utf8);
    } else {
      m_strContentType += "Content-Transfer-Encoding: base64\r\n";
      m_strBody = B64EncodeBytes(utf8.data(), utf8.size(), 76);
    }
  }
  bool endsWithBreak = m_strBody.size() > 2 && m_strBody.compare(m_strBody.size() - 2, 2, "\r\n") == 0;
  if (!endsWithBreak) m_strBody += "\r\n";
  return 0;
}

int CMailMessage::AddHeader(const std::string& value, const std::string& name) {
  std::string text = TrimRight(value);
  if (HasEightBit(text)) {
    if (name == "From" || name == "To") {
      std::size_t open = platform::FindFirstChar(text, '<');
      if (open != std::string::npos) {
        // The name's trailing blank goes into the encoded text, as it always has.
        text = EncodeDisplayName(text.substr(0, open)) + TrimRight(text.substr(open));
      }
    } else {
      text = EncodeHeaderText(text);
    }
  }
  if (name == "From") {
    std::size_t at = text.rfind('@');
    if (at != std::string::npos) {
      m_idDomain = text.substr(at + 1, text.find_first_of(">\r\n ", at + 1) - at - 1);
    }
  }
  m_strHeader += name + ": " + text + "\r\n";
  return 0;
}

void CMailMessage::RemoveFile() const {
  if (!m_strFile.empty() && platform::FileExists(m_strFile)) platform::RemoveFile(m_strFile);
}

void CMailMessage::CopyForSend(const CMailMessage& other) {
  m_strFile = other.m_strFile;
  m_recipients = other.m_recipients;
}

int CMailMessage::Compose() {
  if (!m_strBoundary.empty()) return -1;
  if (m_strContentType.empty()) SetBody(" ");
  std::time_t now = platform::Now();
  std::string header = "Date: " + MailDate(now) + "\r\nMessage-ID: " + MessageId(now, m_idDomain) +
                       "\r\nMIME-Version: 1.0\r\n" + m_strHeader;
  std::string boundary;
  if (!m_attachments.empty()) {
    auto seed = static_cast<unsigned>(platform::Now());
    std::minstd_rand random(seed);
    boundary = "---------" + std::to_string(int(seed)) + "-" + std::to_string(random() & 0x7FFF);
    header += "Content-Type: MultiPart/Mixed;Boundary=\"" + boundary + "\"\r\n";
  } else {
    header += m_strContentType + "\r\n";
  }
  // Taken at once: a mail of another check may be composed at the same time.
  std::string path = CreateUniqueFile(ProgramFolder() + "/tempMailBody.txt");
  FILE* out = platform::OpenFile(path, "wb");
  if (!out) return -1;
  Write(out, header + "\r\n");
  if (!boundary.empty()) Write(out, "--" + boundary + "\r\n" + m_strContentType + "\r\n");
  Write(out, m_strBody + "\r\n");
  m_strBoundary = boundary.empty() ? std::string("-") : boundary;
  if (!boundary.empty()) {
    for (const std::string& attachment : m_attachments) {
      if (WriteAttachment(attachment, out) != 0) {
        fclose(out);
        platform::RemoveFile(path);
        return -1;
      }
    }
    Write(out, "--" + boundary + "--\r\n");
  }
  if (fclose(out) != 0) {
    platform::RemoveFile(path);
    return -1;
  }
  m_strHeader = header;
  m_strFile = path;
  return 0;
}

int CMailMessage::WriteAttachment(const std::string& path, FILE* out) const {
  std::string encoded = CreateUniqueFile(ProgramFolder() + "/tempOutB64.txt");
  if (!B64EncodeFile(path, encoded, 72)) {
    platform::RemoveFile(encoded);
    return -1;
  }
  static const CMimeTypes types;
  std::string type = types.Lookup(ExtensionOf(path));
  if (type.empty()) type = "application/octet-stream";
  std::string name = AfterLast(path, '/');
  Write(out, "--" + m_strBoundary + "\r\n" + "Content-Transfer-Encoding: Base64\r\n");
  Write(out, "Content-Type: " + type + "\r\n\tname=" + name + "\r\n");
  Write(out, "Content-Disposition: attachment;\r\n\tfilename=" + name + "\r\n\r\n");
  FILE* in = platform::OpenFile(encoded, "rb");
  if (!in) {
    platform::RemoveFile(encoded);
    return -1;
  }
  char piece[1023];
  for (std::size_t count; (count = fread(piece, 1, sizeof piece, in)) > 0;) fwrite(piece, 1, count, out);
  Write(out, "\r\n");
  fclose(in);
  platform::RemoveFile(encoded);
  return 0;
}

void BuildNoticeMessage(CMailMessage& message, const std::string& body,
                        const std::string& subject, const std::string& senderAddress,
                        const std::string& recipient) {
  message.SetBody(body);
  message.AddHeader(subject, "Subject");
  message.AddHeader(std::string("\"") + kProductName + "\"<" + senderAddress + ">", "From");
  message.AddHeader(recipient, "To");
  message.AddRecipient(recipient);
}

void BuildTestMessage(CMailMessage& message, const std::string& account) {
  BuildNoticeMessage(message, "サーバーの設定がうまく行きました。", "Pagewardenからの通知", account,
                     account);
}
