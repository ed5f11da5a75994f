// One notification mail: headers, body, recipients and attachments, composed once into a
// temporary file in the program folder exactly as it is sent after DATA. Japanese text
// leaves as ISO-2022-JP; headers holding it become RFC 2047 encoded words (base64). Text
// that ISO-2022-JP cannot carry exactly (NEC and IBM extensions, half-width katakana, the
// characters Windows maps apart from JIS X 0208 such as "～") leaves as UTF-8.
// Composed on the thread that starts the mail job; the SMTP client consumes and deletes
// the file.
#pragma once

#include <string>
#include <vector>

class CMailMessage {
 public:
  CMailMessage();

  // 0, or -1 when a body was set already.
  int SetBody(const std::string& text);
  // Appends the header line "name: value"; returns 0.
  int AddHeader(const std::string& value, const std::string& name);
  void AddRecipient(const std::string& address) { m_recipients.push_back(address); }
  void AddAttachment(const std::string& path) { m_attachments.push_back(path); }
  // Writes the message file; 0, or -1 when composed already or a file failed.
  int Compose();
  // Takes over only what the send needs: the file and the recipients.
  void CopyForSend(const CMailMessage& other);

  const std::string& File() const { return m_strFile; }
  // Deletes the composed file when it is still there (the send did not consume it).
  void RemoveFile() const;
  const std::vector<std::string>& Recipients() const { return m_recipients; }
  const std::string& Header() const { return m_strHeader; }

  static bool HasEightBit(const std::string& text);
  // CP932 to ISO-2022-JP.
  static std::string ToJis(const std::string& text);
  // Whether the CP932 text, sent as ISO-2022-JP, reads back the same by a strict decoder.
  static bool JisCarriesExactly(const std::string& text);
  // A header value as encoded words: ISO-2022-JP in one word, else UTF-8 in words of at
  // most 75 characters.
  static std::string EncodeHeaderText(const std::string& text);
  // A display name as encoded words of at most 36 converted bytes each, joined by
  // "\r\n " (each word a whole ISO-2022-JP text), so no word holds a line break.
  static std::string EncodeDisplayName(const std::string& text);

 private:
  int WriteAttachment(const std::string& path, FILE* out) const;

  std::vector<std::string> m_recipients;
  std::string m_strFile;
  std::string m_strHeader;
  std::string m_strBody;
  std::string m_strContentType;
  std::string m_strBoundary;
  std::string m_idDomain;  // of the sender, for the Message-ID
  std::vector<std::string> m_attachments;
};

// The message every caller sends: body, "Subject", "From" as "\"Pagewarden\"<sender>",
// "To" and the one recipient.
void BuildNoticeMessage(CMailMessage& message, const std::string& body,
                        const std::string& subject, const std::string& senderAddress,
                        const std::string& recipient);
// The test message of the environment settings: from the account to itself.
void BuildTestMessage(CMailMessage& message, const std::string& account);
