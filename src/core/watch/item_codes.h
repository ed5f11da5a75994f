// The fields of a watch item that hold one of a few coded values: the result of its last
// check, its update mark, what an update does with the page, and the Japanese code its
// page is read in. The program works with these names; the watch list file (and what the
// command line shows of it) holds the numbers, converted only where the file is read and
// written (StoredNumber, FromStoredNumber).
//
// Each type has int as its fixed underlying type, so it holds any number a file gives,
// also one that is none of the names (an edited or newer file): such a number is kept as
// read and written back unchanged, and the program treats it as the comments below say.
#pragma once

#include <type_traits>

// The result of the item's last check (Resu).
enum class CheckResult : int {
  Error = -1,
  NeverChecked = 0,
  NotUpdated = 1,
  Updated = 2,
};

// The mark the watch list shows beside the item (RnwM).
enum class UpdateMark : int {
  None = 0,     // nothing new to see
  Updated = 1,  // an update the user has not seen yet
  Unknown = 2,  // the last check failed, or the item was never checked
};

// What an update does with the fetched page (Down); another number keeps the page where
// the fetch saved it.
enum class DownloadMode : int {
  PrivateCopy = 0,  // the page becomes the item's private copy (m_hiddenPath)
  Overwrite = 1,    // the page replaces the file m_savePath
  NewFile = 2,      // the page becomes a new numbered file beside m_savePath
};

// The Japanese code the page is read in (Jpco), in the order of the check options list.
enum class JapaneseCode : int {
  Auto = 0,      // "自動選択": detected by DetectCodePage
  Jis = 1,       // "JIS": ISO-2022-JP
  Euc = 2,       // "EUC": EUC-JP
  Utf8 = 3,      // "UTF8"
  ShiftJis = 4,  // "SHIFT-JIS": taken unconverted, as is any other number
};

// The number a coded field is stored as.
template <typename Code>
  requires std::is_enum_v<Code>
constexpr int StoredNumber(Code code) {
  return static_cast<int>(code);
}

// The coded value of a stored number; a number that is none of the names is kept as it is.
template <typename Code>
  requires std::is_enum_v<Code>
constexpr Code FromStoredNumber(int number) {
  return static_cast<Code>(number);
}
