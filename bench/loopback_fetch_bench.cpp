// Fetching a 64 MiB page over loopback into a file: the retriever against the curl command
// (`curl -s -o`) on the same body in the same run. Target: the retriever within 1.5 times
// curl's time. Prints the best of several rounds of each and their ratio.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/fetch/fetch.h"
#include "platform/file_system.h"
#include "support/loopback_http_server.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

namespace {

constexpr std::uint64_t kPiece = 64 * 1024;
constexpr std::uint64_t kPieces = 1024;  // 64 MiB
constexpr int kRounds = 5;

double Seconds(std::chrono::steady_clock::duration duration) {
  return std::chrono::duration<double>(duration).count();
}

bool SizeIs(const std::string& path, std::uint64_t size) {
  platform::FileStatus status;
  return platform::StatFile(path, status) && static_cast<std::uint64_t>(status.size) == size;
}

}  // namespace

int main() {
  TempFolder folder;
  LoopbackHttpServer server;
  ScriptedResponse big;
  big.headers.push_back("Content-Type: application/octet-stream");
  big.body.resize(kPiece);
  for (std::uint64_t i = 0; i < kPiece; ++i) big.body[i] = static_cast<char>(i * 7 + 3);
  big.bodyRepeat = kPieces;
  server.Handle("/big.bin", [big](const HttpRequestRecord&) { return big; });
  const std::uint64_t total = kPiece * kPieces;
  const std::string url = server.Url("/big.bin");

  CScriptedPrompter prompter;
  double bestFetch = 1e9;
  double bestCurl = 1e9;
  for (int round = 0; round < kRounds; ++round) {
    std::string ours = folder.File("ours.bin");
    platform::RemoveFile(ours);
    FetchJob job;
    job.m_url = url;
    job.m_savePath = ours;
    auto start = std::chrono::steady_clock::now();
    CFetch fetch(prompter);
    FetchOutcome result = fetch.Fetch(job);
    double elapsed = Seconds(std::chrono::steady_clock::now() - start);
    if (result != FetchOutcome::Fetched || !SizeIs(ours, total)) {
      std::fprintf(stderr, "fetch failed: %d %s\n", StatusNumber(job), job.m_errorText.c_str());
      return 1;
    }
    bestFetch = std::min(bestFetch, elapsed);

    std::string theirs = folder.File("curl.bin");
    std::string command = "curl -s -o '" + theirs + "' '" + url + "'";
    start = std::chrono::steady_clock::now();
    int status = std::system(command.c_str());
    elapsed = Seconds(std::chrono::steady_clock::now() - start);
    if (status != 0 || !SizeIs(theirs, total)) {
      std::fprintf(stderr, "curl failed (%d); is the curl command installed?\n", status);
      return 1;
    }
    bestCurl = std::min(bestCurl, elapsed);
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);  // the server's 64 KiB piece included; curl is a child
  double ratio = bestFetch / bestCurl;
  std::printf("64 MiB over loopback, best of %d: CFetch %.3f s (%.0f MiB/s), curl %.3f s (%.0f MiB/s)\n",
              kRounds, bestFetch, 64 / bestFetch, bestCurl, 64 / bestCurl);
  std::printf("peak resident size of this process: %ld KiB\n", usage.ru_maxrss);
  std::printf("ratio CFetch/curl = %.2f (target <= 1.50): %s\n", ratio, ratio <= 1.5 ? "met" : "MISSED");
  return 0;
}
