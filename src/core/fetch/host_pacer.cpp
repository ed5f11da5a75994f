#include "core/fetch/host_pacer.h"

#include <algorithm>
#include <cctype>

#include "platform/cancel_signal.h"

std::string HostOfUrl(const std::string& url) {
  std::size_t start = url.find("://");
  start = start == std::string::npos ? 0 : start + 3;
  std::size_t end = url.find_first_of("/?#", start);
  std::string authority = url.substr(start, end == std::string::npos ? std::string::npos : end - start);
  std::size_t at = authority.rfind('@');
  if (at != std::string::npos) authority.erase(0, at + 1);
  std::size_t colon = authority.rfind(':');
  if (colon != std::string::npos && authority.find(']', colon) == std::string::npos) {
    authority.erase(colon);
  }
  std::transform(authority.begin(), authority.end(), authority.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return authority;
}

bool CHostPacer::AwaitTurn(const std::string& host, std::chrono::milliseconds interval,
                           const platform::CCancelSignal* cancel) {
  if (interval.count() <= 0) return true;
  platform::CCancelSignal never;  // the wait of a fetch that nobody can cancel
  if (!cancel) cancel = &never;
  for (;;) {
    Clock::time_point ready;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      auto found = m_lastEnds.find(host);
      if (found == m_lastEnds.end()) return true;
      ready = found->second + interval;
    }
    auto remaining = std::chrono::ceil<std::chrono::milliseconds>(ready - Clock::now());
    if (remaining.count() <= 0) return true;
    int wait = static_cast<int>(std::min<long long>(remaining.count(), 60000));
    if (cancel->WaitFor(wait)) return false;
  }
}

void CHostPacer::RecordEnd(const std::string& host) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Clock::time_point now = Clock::now();
  if (m_lastEnds.size() >= kPruneSize) {
    std::erase_if(m_lastEnds, [now](const auto& entry) { return now - entry.second > kLongestPause; });
  }
  m_lastEnds[host] = now;
}
