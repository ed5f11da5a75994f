// The retriever: fetches one page as a FetchJob describes, follows up to ten redirections
// itself, asks the user for credentials when the server wants them, asks for the page
// compressed and only when it changed (when the job carries validators), and streams the
// decoded body to the save file; or asks only for the page's last-modified time with a
// HEAD request.
//
// Threads: runs on the caller's thread and blocks it, also while the prompter asks for
// credentials. One CFetch serves one call at a time; make one per fetch.
#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <set>
#include <string>

#include "core/common/prompter.h"
#include "core/fetch/fetch_job.h"
#include "core/fetch/host_pacer.h"

struct AppSettings;

namespace platform {
class CCancelSignal;
class CConnectionPool;
class CHttpSession;
class CHttpRequest;
}  // namespace platform

// What the retriever takes from the program-wide settings, plus the network time-outs.
struct FetchSettings {
  // "host:port" or "user:password@host:port", used when the request names no proxy of its
  // own (or names this one's address).
  std::string m_proxy;
  int m_noProxyForLocal = 1;   // with m_proxy: not for local addresses
  std::uint32_t m_connectTimeoutMs = 30000;
  std::uint32_t m_receiveTimeoutMs = 60000;  // longest silence of the server within an answer
  std::uint32_t m_totalTimeoutMs = 0;        // longest time for one request and its answer; 0: none
  // A server that sends fewer bytes a second than this over m_lowSpeedSeconds fails.
  std::uint32_t m_lowSpeedBytes = 10;
  std::uint32_t m_lowSpeedSeconds = 60;
  std::string m_caFile;  // PEM certificates trusted instead of the system's store (tests)
  std::string m_extraCaFile;  // PEM certificates trusted besides the system's store
  std::int64_t m_pageSizeLimit = 64 << 20;  // bytes a body may have; 0: no limit
  // Idle connections kept between fetches by one thread at a time; null: none kept.
  std::shared_ptr<platform::CConnectionPool> m_connections;
  // Cancelled by another thread: a transfer under way fails at once (Failed); null: none.
  std::shared_ptr<platform::CCancelSignal> m_cancel;
  // The pause kept between the end of a request and the next one to the same host, with
  // the pacer that records the ends (shared by every fetch that keeps the pause; null: none).
  std::uint32_t m_hostIntervalMs = 0;
  std::shared_ptr<CHostPacer> m_hostPacer;
  int m_browserLimit = 1;  // "同時ブラウザ数": browsers that may run at once, 1 to 4
};
// The program-wide fields of `settings` (proxy, local bypass, extra CA file, page size
// limit, pause per host) taken into `fetch`, which keeps its own time-outs, pool, cancel and pacer.
void ApplyProgramSettings(const AppSettings& settings, FetchSettings& fetch);
FetchSettings FetchSettingsFrom(const AppSettings& settings);  // the same onto the defaults
// The request's own proxy when it has one, else the program-wide proxy.
std::string ProxyOf(const FetchRequest& request, const FetchSettings& settings);
// Whether local addresses go around the proxy ProxyOf names: the request's own setting
// with a proxy of its own, else the program-wide one.
bool BypassesLocal(const FetchRequest& request, const FetchSettings& settings);
// The longest time a check's request may take in all, in milliseconds; 0: no limit.
std::uint32_t TotalTimeoutMs(const AppSettings& settings);
// The message of a body larger than `limit` bytes.
std::string PageTooLarge(std::int64_t limit);
// The settings' page size limit in bytes; 0: none.
std::int64_t PageSizeLimitBytes(const AppSettings& settings);
// The result row of a server that asked to be called again in `seconds`.
std::string BusyMessage(int seconds);

// Writes the body a fetch kept in memory (m_bodyInMemory) to a free name beside
// m_savePath, as the fetch would have saved it, and names the file in m_savedPath. false,
// with the outcome Failed and the reason in m_errorText, when the file cannot be written.
bool WriteKeptBody(FetchJob& job);

class CFetch {
 public:
  // `prompter` answers the authentication dialog; it must outlive the call.
  explicit CFetch(IPrompter& prompter, FetchSettings settings = {});
  ~CFetch();
  CFetch(const CFetch&) = delete;
  CFetch& operator=(const CFetch&) = delete;

  // Fetches m_url with GET (POST when m_formData is set) into a free name beside
  // m_savePath, named in m_savedPath, or into m_body when it fits the job's m_memoryLimit
  // (m_savedPath then stays empty: WriteKeptBody makes the file). Gives the job's
  // m_outcome. A body that breaks off, passes the page size limit or is cancelled leaves
  // no file behind. A job with m_browser set goes through the headless browser instead
  // (FetchRendered).
  FetchOutcome Fetch(FetchJob& job);
  // The page's last-modified time from a HEAD request, or 0 when there is none; also stored
  // in the request's m_lastModified when had. The job's m_outcome tells failures; a
  // redirection that relocation does not allow is the outcome HttpStatus with its status.
  std::time_t FetchLastModified(FetchJob& job);

  // The Content-Type of the final answer of the last Fetch.
  const std::string& ContentType() const { return m_contentType; }

 private:
  using Request = std::unique_ptr<platform::CHttpRequest>;

  void RunFetch(platform::CHttpSession& session);
  std::time_t RunLastModified(platform::CHttpSession& session);
  std::unique_ptr<platform::CHttpSession> OpenSession() const;
  int Exchange(platform::CHttpSession& session, const std::string& verb, std::string& url,
               Request& request);
  Request Connect(platform::CHttpSession& session, const std::string& verb, const std::string& url);
  void Send(platform::CHttpRequest& request, const std::string& verb);
  void Authenticate(platform::CHttpRequest& request, const std::string& verb);
  int FollowRedirect(platform::CHttpRequest& request, std::string& url);
  void CountRequest(std::set<std::string>& visited, const std::string& verb,
                    const std::string& url, int redirections);
  void TakeValidators(const platform::CHttpRequest& request);
  bool TakeRetryAfter(const platform::CHttpRequest& request);
  bool AdjustSavePath();
  bool KeepsBodyInMemory() const;
  void SaveBody(platform::CHttpRequest& request, std::string path, bool inMemory);
  void AwaitHost(std::string host);
  void EndPacedRequest();

  IPrompter& m_prompter;
  FetchSettings m_settings;
  FetchJob* m_pJob = nullptr;
  FetchRequest* m_pRequest = nullptr;
  std::string m_contentType;
  std::string m_pacedHost;  // the host of the request under way, for the pacer
};
