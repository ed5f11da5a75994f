#include "platform/jis_codec.h"

#include <cstdint>

#include "platform/cp932.h"
#include "platform/jis_x0208.h"

namespace platform {

namespace {

constexpr unsigned char kEsc = 0x1B;
constexpr unsigned char kShiftOut = 0x0E;  // SO: half-width katakana until SI
constexpr unsigned char kShiftIn = 0x0F;

// The character set that bytes 0x21-0x7E stand for.
enum class CharSet { Ascii, Jis0208, Katakana, OtherDoubleByte };

// Recognises the escape sequence at `text[pos]` (an ESC). Sets `set` and `length` and gives
// true when it is one of ours.
bool ReadDesignation(std::string_view text, std::size_t pos, CharSet& set, std::size_t& length) {
  std::string_view rest = text.substr(pos);
  struct Designation {
    std::string_view bytes;
    CharSet set;
  };
  static constexpr Designation kDesignations[] = {
      {"\x1B(B", CharSet::Ascii},           {"\x1B(J", CharSet::Ascii},
      {"\x1B(H", CharSet::Ascii},           {"\x1B(I", CharSet::Katakana},
      {"\x1B$B", CharSet::Jis0208},         {"\x1B$@", CharSet::Jis0208},
      {"\x1B&@\x1B$B", CharSet::Jis0208},   {"\x1B$(B", CharSet::Jis0208},
      {"\x1B$(@", CharSet::Jis0208},        {"\x1B$(D", CharSet::OtherDoubleByte},
      {"\x1B$(O", CharSet::OtherDoubleByte}, {"\x1B$(P", CharSet::OtherDoubleByte},
      {"\x1B$(Q", CharSet::OtherDoubleByte}, {"\x1B$A", CharSet::OtherDoubleByte},
      {"\x1B$(C", CharSet::OtherDoubleByte},
  };
  for (const Designation& designation : kDesignations) {
    if (rest.starts_with(designation.bytes)) {
      set = designation.set;
      length = designation.bytes.size();
      return true;
    }
  }
  if (rest.starts_with("\x1B&@")) {  // announces a revision; the set stays as it is
    length = 3;
    return true;
  }
  return false;
}

bool IsGraphic(unsigned char byte) { return byte >= 0x21 && byte <= 0x7E; }

void AppendCode(std::string& out, std::uint16_t code) {
  out.push_back(static_cast<char>(code >> 8));
  out.push_back(static_cast<char>(code & 0xFF));
}

}  // namespace

std::string JisToCp932(std::string_view jis) {
  std::string out;
  out.reserve(jis.size());
  CharSet set = CharSet::Ascii;
  bool shifted = false;
  std::size_t pos = 0;
  while (pos < jis.size()) {
    unsigned char byte = static_cast<unsigned char>(jis[pos]);
    if (byte == kEsc) {
      std::size_t length = 0;
      if (ReadDesignation(jis, pos, set, length)) {
        shifted = false;  // a new designation means the writer has left the shift
        pos += length;
      } else {
        out.push_back('?');
        ++pos;
      }
      continue;
    }
    if (byte == kShiftOut || byte == kShiftIn) {
      shifted = byte == kShiftOut;
      ++pos;
      continue;
    }
    if (byte >= 0xA1 && byte <= 0xDF) {  // 8-bit half-width katakana, as some writers send it
      out.push_back(static_cast<char>(byte));
      ++pos;
      continue;
    }
    if (byte >= 0x80) {
      out.push_back('?');
      ++pos;
      continue;
    }
    if (!IsGraphic(byte)) {  // control characters and space stand for themselves in any mode
      out.push_back(static_cast<char>(byte));
      ++pos;
      continue;
    }
    CharSet effective = shifted ? CharSet::Katakana : set;
    switch (effective) {
      case CharSet::Ascii:
        out.push_back(static_cast<char>(byte));
        ++pos;
        break;
      case CharSet::Katakana:
        out.push_back(byte <= 0x5F ? static_cast<char>(byte + 0x80) : '?');
        ++pos;
        break;
      case CharSet::Jis0208:
      case CharSet::OtherDoubleByte: {
        unsigned char second = pos + 1 < jis.size() ? static_cast<unsigned char>(jis[pos + 1]) : 0;
        if (!IsGraphic(second)) {  // a broken pair: the lone byte is lost, the next one read anew
          out.push_back('?');
          ++pos;
          break;
        }
        std::uint16_t code = effective == CharSet::Jis0208 ? JisToCp932Code(byte, second) : 0;
        if (code != 0) {
          AppendCode(out, code);
        } else {
          out.push_back('?');
        }
        pos += 2;
        break;
      }
    }
  }
  return out;
}

std::string Cp932ToJis(std::string_view cp932) {
  std::string out;
  out.reserve(cp932.size() + cp932.size() / 2 + 8);
  bool doubleByte = false;
  auto enterAscii = [&] {
    if (doubleByte) out.append("\x1B(B");
    doubleByte = false;
  };
  auto appendJis = [&](std::uint16_t code) {
    if (!doubleByte) out.append("\x1B$B");
    doubleByte = true;
    AppendCode(out, code);
  };
  std::size_t pos = 0;
  while (pos < cp932.size()) {
    unsigned char byte = static_cast<unsigned char>(cp932[pos]);
    unsigned char next = pos + 1 < cp932.size() ? static_cast<unsigned char>(cp932[pos + 1]) : 0;
    if (byte < 0x80) {
      enterAscii();
      out.push_back(static_cast<char>(byte));
      ++pos;
    } else if (byte >= 0xA1 && byte <= 0xDF) {
      bool combined = false;
      appendJis(WideKatakana(byte, next, combined));
      pos += combined ? 2 : 1;
    } else if (IsLeadByte(byte) && pos + 1 < cp932.size()) {
      std::uint16_t code = Cp932ToJisCode(byte, next);
      if (code != 0) {
        appendJis(code);
        pos += 2;
      } else {
        enterAscii();
        out.push_back('?');
        // A byte that cannot be a trail byte belongs to the next character.
        pos += (next >= 0x40 && next <= 0xFC && next != 0x7F) ? 2 : 1;
      }
    } else {
      enterAscii();
      out.push_back('?');
      ++pos;
    }
  }
  enterAscii();
  return out;
}

}  // namespace platform
