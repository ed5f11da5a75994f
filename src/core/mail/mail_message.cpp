#include "core/mail/mail_message.h"

#include <cstdio>
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

namespace {

const char kEncodedWordStart[] = "=?iso-2022-jp?B?";
// 36 converted bytes make one 48-character base64 line.
constexpr std::size_t kMaxWordBytes = 36;

void Write(FILE* out, const std::string& text) { fwrite(text.data(), 1, text.size(), out); }

std::string EncodedWord(const std::string& jis) {
  return kEncodedWordStart + B64EncodeBytes(jis.data(), jis.size(), 0) + "?=";
}

std::size_t CharLength(const std::string& text, std::size_t at) {
  return platform::IsLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
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

std::string CMailMessage::EncodeDisplayName(const std::string& text) {
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
  if (HasEightBit(text)) {
    m_strContentType += "\tcharset=\"iso-2022-jp\"\r\n";
    m_strBody = ToJis(text);
  } else {
    m_strContentType += "\tcharset=\"us-ascii\"\r\n";
    m_strBody = text;
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
      text = EncodedWord(ToJis(text));
    }
  }
  m_strHeader += name + ": " + text + "\r\n";
  return 0;
}

void CMailMessage::CopyForSend(const CMailMessage& other) {
  m_strFile = other.m_strFile;
  m_recipients = other.m_recipients;
}

int CMailMessage::Compose() {
  if (!m_strBoundary.empty()) return -1;
  if (m_strContentType.empty()) SetBody(" ");
  std::string header = m_strHeader;
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
  if (B64Run('e', path, encoded, 72) != 0) {
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
