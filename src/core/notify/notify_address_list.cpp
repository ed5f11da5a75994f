#include "core/notify/notify_address_list.h"

#include "core/notify/notify_address.h"
#include "core/notify/notify_sender.h"

namespace {

// The typed address, or why it cannot be taken.
std::string Refusal(const std::string& address) {
  NotifyAddress parsed;
  std::string reason = ParseNotifyAddress(address, parsed);
  return reason.empty() ? reason : "通知先が正しくありません: " + reason;
}

std::string Trimmed(const std::string& text) {
  std::vector<std::string> lines = NotifyAddressLines(text);
  return lines.empty() ? std::string() : lines.front();
}

}  // namespace

CNotifyAddressList::CNotifyAddressList(const std::string& list)
    : m_addresses(NotifyAddressLines(list)) {}

std::vector<std::string> CNotifyAddressList::MaskedLines() const {
  std::vector<std::string> lines;
  for (const std::string& address : m_addresses) lines.push_back(MaskedNotifyAddress(address));
  return lines;
}

std::string CNotifyAddressList::Add(const std::string& address) {
  if (std::string refused = Refusal(address); !refused.empty()) return refused;
  m_addresses.push_back(Trimmed(address));
  return {};
}

std::string CNotifyAddressList::Replace(std::size_t index, const std::string& address) {
  if (index >= m_addresses.size()) return {};
  if (std::string refused = Refusal(address); !refused.empty()) return refused;
  m_addresses[index] = Trimmed(address);
  return {};
}

void CNotifyAddressList::Remove(std::size_t index) {
  if (index < m_addresses.size()) m_addresses.erase(m_addresses.begin() + static_cast<long>(index));
}

std::string CNotifyAddressList::TestSend(std::size_t index, const AppSettings& settings) const {
  if (index >= m_addresses.size()) return {};
  NotifySendOptions options = NotifyOptionsFrom(settings, nullptr);
  NotifyOutcome outcome = SendNotification(m_addresses[index], TestNotifyMessage(), options);
  std::string text = outcome.sent ? std::string(kNotifyTestSent) : kNotifyTestFailed + outcome.reason;
  if (!outcome.answer.empty()) text += "\n\n" + outcome.answer;
  return text;
}

std::string CNotifyAddressList::Joined() const {
  std::string list;
  for (const std::string& address : m_addresses) list += address + "\n";
  return list;
}
