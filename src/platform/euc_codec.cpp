#include "platform/euc_codec.h"

#include <cstdint>

#include "platform/jis_x0208.h"

namespace platform {

namespace {

constexpr unsigned char kSingleShift2 = 0x8E;  // half-width katakana follows
constexpr unsigned char kSingleShift3 = 0x8F;  // a JIS X 0212 character follows

bool IsEucByte(unsigned char byte) { return byte >= 0xA1 && byte <= 0xFE; }

unsigned char ByteAt(std::string_view text, std::size_t pos) {
  return pos < text.size() ? static_cast<unsigned char>(text[pos]) : 0;
}

}  // namespace

std::string EucJpToCp932(std::string_view euc) {
  std::string out;
  out.reserve(euc.size());
  std::size_t pos = 0;
  while (pos < euc.size()) {
    unsigned char byte = static_cast<unsigned char>(euc[pos]);
    if (byte < 0x80) {
      out.push_back(static_cast<char>(byte));
      ++pos;
      continue;
    }
    unsigned char second = ByteAt(euc, pos + 1);
    if (byte == kSingleShift2) {
      // The byte after SS2 belongs to it when it is an EUC byte, even one beyond the katakana.
      bool whole = IsEucByte(second);
      out.push_back(whole && second <= 0xDF ? static_cast<char>(second) : '?');
      pos += whole ? 2 : 1;
      continue;
    }
    if (byte == kSingleShift3) {
      bool whole = IsEucByte(second) && IsEucByte(ByteAt(euc, pos + 2));
      out.push_back('?');
      pos += whole ? 3 : 1;
      continue;
    }
    if (!IsEucByte(byte) || !IsEucByte(second)) {
      // A stray byte, or a pair broken off: the byte after it is read anew.
      out.push_back('?');
      ++pos;
      continue;
    }
    std::uint16_t code = JisToCp932Code(byte & 0x7F, second & 0x7F);
    if (code != 0) {
      out.push_back(static_cast<char>(code >> 8));
      out.push_back(static_cast<char>(code & 0xFF));
    } else {
      out.push_back('?');
    }
    pos += 2;
  }
  return out;
}

}  // namespace platform
