#include "core/mail/base64.h"

#include <cstring>

#include "platform/file_system.h"

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int GroupsPerLine(int lineLength) { return lineLength >= 4 ? lineLength / 4 : 0; }

// Appends 4 characters per group; the line breaks as the module writes them.
class CLineWriter {
 public:
  explicit CLineWriter(int lineLength) : m_perLine(GroupsPerLine(lineLength)) {}
  template <typename Put>
  void Group(const char out[4], Put put) {
    for (int i = 0; i < 4; ++i) put(out[i]);
    if (m_perLine && ++m_groups == m_perLine) {
      put('\r');
      put('\n');
      m_groups = 0;
    }
  }
  template <typename Put>
  void Finish(Put put) {
    if (m_perLine && m_groups > 0) {
      put('\r');
      put('\n');
    }
  }

 private:
  int m_perLine;
  int m_groups = 0;
};

}  // namespace

void B64EncodeBlock(const unsigned char in[3], int count, char out[4]) {
  unsigned char b0 = in[0], b1 = count > 1 ? in[1] : 0, b2 = count > 2 ? in[2] : 0;
  out[0] = kAlphabet[b0 >> 2];
  out[1] = kAlphabet[((b0 & 0x03) << 4) | (b1 >> 4)];
  out[2] = count > 1 ? kAlphabet[((b1 & 0x0F) << 2) | (b2 >> 6)] : '=';
  out[3] = count > 2 ? kAlphabet[b2 & 0x3F] : '=';
}

void B64EncodeFile(FILE* in, FILE* out, int lineLength) {
  CLineWriter writer(lineLength);
  auto put = [out](char ch) { putc(ch, out); };
  for (;;) {
    unsigned char group[3] = {0, 0, 0};
    int count = 0;
    for (int ch; count < 3 && (ch = getc(in)) != EOF;) group[count++] = (unsigned char)ch;
    if (count == 0) break;
    char encoded[4];
    B64EncodeBlock(group, count, encoded);
    writer.Group(encoded, put);
    if (count < 3) break;
  }
  writer.Finish(put);
}

std::string B64EncodeBytes(const void* bytes, std::size_t count, int lineLength) {
  const unsigned char* data = static_cast<const unsigned char*>(bytes);
  std::string text;
  CLineWriter writer(lineLength);
  auto put = [&text](char ch) { text += ch; };
  for (std::size_t at = 0; at < count; at += 3) {
    char encoded[4];
    B64EncodeBlock(data + at, int(count - at < 3 ? count - at : 3), encoded);
    writer.Group(encoded, put);
  }
  writer.Finish(put);
  return text;
}

std::string B64EncodeText(const char* text, int lineLength) {
  return B64EncodeBytes(text, std::strlen(text), lineLength);
}

bool B64EncodeFile(const std::string& inPath, const std::string& outPath, int lineLength) {
  FILE* in = platform::OpenFile(inPath, "rb");
  if (!in) return false;
  FILE* out = platform::OpenFile(outPath, "wb");
  if (!out) {
    fclose(in);
    return false;
  }
  B64EncodeFile(in, out, lineLength < 4 ? 4 : lineLength);
  bool good = !ferror(in) && !ferror(out);
  fclose(in);
  return fclose(out) == 0 && good;
}
