#include "core/notify/atom_feed.h"

#include <cstdio>
#include <mutex>
#include <random>

#include "core/common/path_utils.h"
#include "core/notify/notify_message.h"
#include "platform/atomic_file.h"
#include "platform/file_system.h"
#include "platform/text_codec.h"

namespace {

constexpr const char* kEntryStart = "  <entry>\n";
constexpr const char* kEntryEnd = "  </entry>\n";

std::mutex g_feedMutex;

// A random (version 4) UUID as "urn:uuid:...".
std::string NewUrnUuid() {
  std::random_device random;
  unsigned char bytes[16];
  for (unsigned char& byte : bytes) byte = static_cast<unsigned char>(random() & 0xFF);
  bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);
  bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);
  std::string text = "urn:uuid:";
  char hex[3];
  for (int index = 0; index < 16; ++index) {
    if (index == 4 || index == 6 || index == 8 || index == 10) text += '-';
    std::snprintf(hex, sizeof hex, "%02x", bytes[index]);
    text += hex;
  }
  return text;
}

// CP932 text as XML character data in UTF-8; characters XML does not allow are left out.
std::string XmlText(const std::string& cp932) {
  std::string escaped;
  for (char ch : platform::Cp932ToUtf8(cp932)) {
    unsigned char byte = static_cast<unsigned char>(ch);
    if (byte < 0x20 && ch != '\t' && ch != '\n' && ch != '\r') continue;
    if (ch == '&') escaped += "&amp;";
    else if (ch == '<') escaped += "&lt;";
    else if (ch == '>') escaped += "&gt;";
    else if (ch == '"') escaped += "&quot;";
    else escaped += ch;
  }
  return escaped;
}

std::string EntryXml(const FeedEntry& entry) {
  std::string xml = kEntryStart;
  xml += "    <id>" + NewUrnUuid() + "</id>\n";
  xml += "    <title>" + XmlText(entry.title) + "</title>\n";
  xml += "    <link rel=\"alternate\" href=\"" + XmlText(entry.link) + "\"/>\n";
  xml += "    <updated>" + Iso8601Utc(entry.time) + "</updated>\n";
  xml += "    <content type=\"text\">" + XmlText(entry.content) + "</content>\n";
  return xml + kEntryEnd;
}

std::string ReadWhole(const std::string& path) {
  std::string bytes;
  FILE* file = platform::OpenFile(path, "rb");
  if (!file) return bytes;
  char buffer[8192];
  std::size_t count = 0;
  while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, count);
  std::fclose(file);
  return bytes;
}

// The feed's own id and its entries, newest first, as this program wrote them.
void ReadFeed(const std::string& document, std::string& feedId, std::vector<std::string>& entries) {
  std::size_t idStart = document.find("<id>");
  std::size_t firstEntry = document.find(kEntryStart);
  if (idStart != std::string::npos && idStart < firstEntry) {
    std::size_t idEnd = document.find("</id>", idStart);
    if (idEnd != std::string::npos) feedId = document.substr(idStart + 4, idEnd - idStart - 4);
  }
  std::size_t position = firstEntry;
  while (position != std::string::npos) {
    std::size_t end = document.find(kEntryEnd, position);
    if (end == std::string::npos) break;
    end += std::char_traits<char>::length(kEntryEnd);
    entries.push_back(document.substr(position, end - position));
    position = document.find(kEntryStart, end);
  }
}

bool WriteAtomically(const std::string& path, const std::string& bytes) {
  platform::CAtomicFile file(path, platform::CAtomicFile::Mode::Binary);
  FILE* stream = file.Open();
  if (!stream) return false;
  if (std::fwrite(bytes.data(), 1, bytes.size(), stream) != bytes.size()) return false;
  return file.Commit();
}

}  // namespace

std::string FeedPath() { return ProgramFolder() + "/" + kFeedFileName; }

std::string FeedDocument(const std::string& feedId, std::time_t updated,
                         const std::vector<std::string>& entries) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
  xml += "<feed xmlns=\"http://www.w3.org/2005/Atom\">\n";
  xml += "  <id>" + feedId + "</id>\n";
  xml += "  <title>" + XmlText("Pagewarden の更新") + "</title>\n";
  xml += "  <updated>" + Iso8601Utc(updated) + "</updated>\n";
  xml += "  <author><name>Pagewarden</name></author>\n";
  xml += "  <generator>Pagewarden</generator>\n";
  for (const std::string& entry : entries) xml += entry;
  return xml + "</feed>\n";
}

std::string AddFeedEntry(const std::string& path, const FeedEntry& entry,
                         const std::string& copyPath) {
  std::lock_guard<std::mutex> lock(g_feedMutex);
  std::string feedId;
  std::vector<std::string> entries;
  ReadFeed(ReadWhole(path), feedId, entries);
  if (feedId.empty()) feedId = NewUrnUuid();
  entries.insert(entries.begin(), EntryXml(entry));
  if (entries.size() > kFeedEntryLimit) entries.resize(kFeedEntryLimit);
  std::string document = FeedDocument(feedId, entry.time, entries);
  if (!WriteAtomically(path, document)) return path;
  if (!copyPath.empty() && !WriteAtomically(copyPath, document)) return copyPath;
  return {};
}
