#include "platform/jis_x0208.h"

#include <array>

namespace platform {

namespace {

// Rows firstRow..lastRow, cells firstCell..lastCell (each 1..94) hold a character in CP932.
struct AssignedBlock {
  int firstRow, lastRow, firstCell, lastCell;
};

constexpr AssignedBlock kAssignedBlocks[] = {
    {1, 1, 1, 94},    {2, 2, 1, 14},    {2, 2, 26, 33},   {2, 2, 42, 48},   {2, 2, 60, 74},
    {2, 2, 82, 89},   {2, 2, 94, 94},   {3, 3, 16, 25},   {3, 3, 33, 58},   {3, 3, 65, 90},
    {4, 4, 1, 83},    {5, 5, 1, 86},    {6, 6, 1, 24},    {6, 6, 33, 56},   {7, 7, 1, 33},
    {7, 7, 49, 81},   {8, 8, 1, 32},    {13, 13, 1, 30},  {13, 13, 32, 54}, {13, 13, 63, 92},
    {16, 46, 1, 94},  {47, 47, 1, 51},  {48, 83, 1, 94},  {84, 84, 1, 6},   {89, 91, 1, 94},
    {92, 92, 1, 78},  {92, 92, 81, 94},
};

using AssignedMap = std::array<std::array<bool, 95>, 95>;  // [row][cell], 1-based

constexpr AssignedMap MakeAssignedMap() {
  AssignedMap map{};
  for (const AssignedBlock& block : kAssignedBlocks) {
    for (int row = block.firstRow; row <= block.lastRow; ++row) {
      for (int cell = block.firstCell; cell <= block.lastCell; ++cell) map[row][cell] = true;
    }
  }
  return map;
}

constexpr AssignedMap kAssigned = MakeAssignedMap();

// The IBM extensions 0xFA40-0xFA5B that are not kanji, and where CP932 also has them.
constexpr std::uint16_t kIbmSymbols[28] = {
    0xEEEF, 0xEEF0, 0xEEF1, 0xEEF2, 0xEEF3, 0xEEF4, 0xEEF5, 0xEEF6, 0xEEF7, 0xEEF8,
    0x8754, 0x8755, 0x8756, 0x8757, 0x8758, 0x8759, 0x875A, 0x875B, 0x875C, 0x875D,
    0x81CA, 0xEEFA, 0xEEFB, 0xEEFC, 0x878A, 0x8782, 0x8784, 0x81E6,
};
constexpr int kIbmKanjiCount = 360;  // 0xFA5C-0xFC4B, the same kanji in the same order as rows 89-92

// Half-width katakana 0xA1-0xDF as full-width JIS codes.
constexpr std::uint16_t kWideKatakana[63] = {
    0x2123, 0x2156, 0x2157, 0x2122, 0x2126, 0x2572, 0x2521, 0x2523, 0x2525, 0x2527, 0x2529,
    0x2563, 0x2565, 0x2567, 0x2543, 0x213C, 0x2522, 0x2524, 0x2526, 0x2528, 0x252A, 0x252B,
    0x252D, 0x252F, 0x2531, 0x2533, 0x2535, 0x2537, 0x2539, 0x253B, 0x253D, 0x253F, 0x2541,
    0x2544, 0x2546, 0x2548, 0x254A, 0x254B, 0x254C, 0x254D, 0x254E, 0x254F, 0x2552, 0x2555,
    0x2558, 0x255B, 0x255E, 0x255F, 0x2560, 0x2561, 0x2562, 0x2564, 0x2566, 0x2568, 0x2569,
    0x256A, 0x256B, 0x256C, 0x256D, 0x256F, 0x2573, 0x212B, 0x212C,
};
constexpr unsigned char kVoicedMark = 0xDE;
constexpr unsigned char kSemiVoicedMark = 0xDF;

bool IsTrailByte(unsigned char byte) {
  return byte >= 0x40 && byte <= 0xFC && byte != 0x7F;
}

// Position 0..187 of a trail byte among the trail bytes.
int TrailIndex(unsigned char trail) {
  return trail - 0x40 - (trail >= 0x80 ? 1 : 0);
}

std::uint16_t RowCellToCp932(int row, int cell) {
  int lead = (row + 1) / 2 + (row <= 62 ? 0x80 : 0xC0);
  int trail = (row % 2 == 1) ? cell + 0x3F + (cell >= 64 ? 1 : 0) : cell + 0x9E;
  return static_cast<std::uint16_t>(lead << 8 | trail);
}

std::uint16_t RowCellToJis(int row, int cell) {
  return static_cast<std::uint16_t>((row + 0x20) << 8 | (cell + 0x20));
}

}  // namespace

std::uint16_t JisToCp932Code(unsigned char first, unsigned char second) {
  if (first < 0x21 || first > 0x7E || second < 0x21 || second > 0x7E) return 0;
  int row = first - 0x20;
  int cell = second - 0x20;
  return kAssigned[row][cell] ? RowCellToCp932(row, cell) : 0;
}

std::uint16_t Cp932ToJisCode(unsigned char lead, unsigned char trail) {
  if (!IsTrailByte(trail)) return 0;
  if (lead >= 0xFA && lead <= 0xFC) {
    int index = (lead - 0xFA) * 188 + TrailIndex(trail);
    if (index < 28) return Cp932ToJisCode(kIbmSymbols[index] >> 8, kIbmSymbols[index] & 0xFF);
    index -= 28;
    if (index >= kIbmKanjiCount) return 0;
    return RowCellToJis(89 + index / 94, 1 + index % 94);
  }
  int rowPair;
  if (lead >= 0x81 && lead <= 0x9F) {
    rowPair = lead - 0x81;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    rowPair = lead - 0xC1;
  } else {
    return 0;  // not a lead byte, or a user-defined character (0xF0-0xF9)
  }
  int row = rowPair * 2 + 1;
  int cell;
  if (trail >= 0x9F) {
    ++row;
    cell = trail - 0x9E;
  } else {
    cell = TrailIndex(trail) + 1;
  }
  return kAssigned[row][cell] ? RowCellToJis(row, cell) : 0;
}

std::uint16_t WideKatakana(unsigned char kana, unsigned char next, bool& combined) {
  combined = false;
  if (kana < 0xA1 || kana > 0xDF) return 0;
  std::uint16_t wide = kWideKatakana[kana - 0xA1];
  bool voicable = (kana >= 0xB6 && kana <= 0xC4) || (kana >= 0xCA && kana <= 0xCE);
  bool semiVoicable = kana >= 0xCA && kana <= 0xCE;
  if (next == kVoicedMark && kana == 0xB3) {  // ｳﾞ: ヴ
    combined = true;
    return 0x2574;
  }
  if (next == kVoicedMark && voicable) {
    combined = true;
    return wide + 1;
  }
  if (next == kSemiVoicedMark && semiVoicable) {
    combined = true;
    return wide + 2;
  }
  return wide;
}

}  // namespace platform
