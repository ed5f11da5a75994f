// The rules of a list of notification addresses as the settings windows edit it (the
// program's "通知先" and an item's own list): adding and editing refuse an address of the
// wrong form with the part that is wrong named, the list shows every address with its
// secrets masked, and "テスト送信" sends a test message through the chosen address and
// gives the service's answer to show.
//
// Threads: UI thread; TestSend blocks it until the send ends (bounded by its time-out).
#pragma once

#include <string>
#include <vector>

#include "core/common/app_settings.h"

inline constexpr const char* kNotifyTestSent = "テスト送信しました。";
inline constexpr const char* kNotifyTestFailed = "テスト送信できませんでした: ";

class CNotifyAddressList {
 public:
  // `list`: the addresses one a line, as the settings and the item keep them.
  explicit CNotifyAddressList(const std::string& list);

  // What the list shows, in order.
  std::vector<std::string> MaskedLines() const;
  std::size_t Count() const { return m_addresses.size(); }
  // The address as typed (with its secrets) for editing it.
  const std::string& At(std::size_t index) const { return m_addresses.at(index); }

  // "" when taken, else why not (the list is then unchanged).
  std::string Add(const std::string& address);
  std::string Replace(std::size_t index, const std::string& address);
  void Remove(std::size_t index);

  // The message to show after a test send through the address at `index` with the proxy,
  // certificates and time limit of `settings`: the answer of the service.
  std::string TestSend(std::size_t index, const AppSettings& settings) const;

  // The addresses one a line, for the settings or the item.
  std::string Joined() const;

 private:
  std::vector<std::string> m_addresses;
};
