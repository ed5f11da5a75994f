// The pause kept between requests to one host: the end of every request is recorded by
// host, and a request waits until the pause since the last one to its host is over. One
// pacer is shared by the fetches of every check engine, so a redirection to a host another
// check just used waits too.
//
// Threads: any thread; the records are guarded by a mutex, never held while waiting.
#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <unordered_map>

namespace platform {
class CCancelSignal;
}

// The host a URL's requests connect to, in lower case without port or user.
std::string HostOfUrl(const std::string& url);

class CHostPacer {
 public:
  using Clock = std::chrono::steady_clock;

  // Waits until `interval` has passed since the end of the last request to `host`. A
  // cancel of `cancel` (may be null) ends the wait at once; false then.
  bool AwaitTurn(const std::string& host, std::chrono::milliseconds interval,
                 const platform::CCancelSignal* cancel);
  // A request to `host` has ended now.
  void RecordEnd(const std::string& host);

 private:
  // Records older than the longest pause the settings allow no longer hold anyone back.
  static constexpr std::chrono::hours kLongestPause{1};
  static constexpr std::size_t kPruneSize = 256;

  std::mutex m_mutex;
  std::unordered_map<std::string, Clock::time_point> m_lastEnds;
};
