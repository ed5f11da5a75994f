// pagewarden-cli check all --jobs 1 of active full-text items on small pages of one loopback
// host, in the same run:
//  - 200 items against one curl process fetching the same 200 URLs one after another: a first
//    run (every page new), a run with nothing changed, and one with 20 pages changed. Targets:
//    the unchanged run within 1.5 times the curl process; peak memory under 20 MiB.
//  - unchanged runs of 200, 2,000 and 10,000 items, time per item. Target: 10,000 items at
//    most 1.3 times as long per item as 200.
// Prints the best of several rounds of each and the ratios.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/watch/watch_item.h"
#include "platform/file_system.h"
#include "support/loopback_http_server.h"
#include "support/temp_folder.h"

extern char** environ;

namespace {

constexpr int kPages = 200;
constexpr int kChanged = 20;
constexpr int kRounds = 3;

struct ChildRun {
  double seconds = 0;
  long peakKiB = 0;
  int status = -1;
};

// Runs a program with its output to `outputPath`; wall time and the child's peak memory.
// The memory is measured by /usr/bin/time, a small process that forks the program: the
// peak that wait4 reports for a child of this process would count this process's own
// memory, which the child's mm starts from.
ChildRun Run(std::vector<std::string> args, const std::string& outputPath) {
  const std::string memoryFile = outputPath + ".rss";
  args.insert(args.begin(), {"/usr/bin/time", "-f", "%M", "-o", memoryFile});
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  ChildRun run;
  auto start = std::chrono::steady_clock::now();
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) return run;
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (FILE* memory = std::fopen(memoryFile.c_str(), "r")) {
    if (std::fscanf(memory, "%ld", &run.peakKiB) != 1) run.peakKiB = 0;
    std::fclose(memory);
  }
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  posix_spawn_file_actions_destroy(&actions);
  return run;
}

int CountLines(const std::string& path, const std::string& containing) {
  FILE* file = std::fopen(path.c_str(), "r");
  if (!file) return 0;
  int count = 0;
  char line[4096];
  while (std::fgets(line, sizeof line, file)) count += std::string(line).find(containing) != std::string::npos;
  std::fclose(file);
  return count;
}

std::string Page(int number, int version) {
  std::string page = "<html><head><title>page " + std::to_string(number) + "</title></head><body>";
  for (int i = 0; i < 20; ++i) page += "<p>paragraph " + std::to_string(i) + " of a small page</p>\n";
  return page + "<p>version " + std::to_string(version) + "</p></body></html>\n";
}

int PageNumber(const std::string& target) {
  return std::atoi(target.c_str() + 2);  // "/p<n>.html"
}

std::string PageUrl(const LoopbackHttpServer& server, int number) {
  return server.Url("/p" + std::to_string(number) + ".html");
}

// A fresh data folder with `pages` active full-text items, one per page.
std::vector<std::string> MakeList(TempFolder& folder, const LoopbackHttpServer& server,
                                  const std::string& name, int pages) {
  std::string home = folder.File(name);
  platform::MakeDirectories(home);
  chmod(home.c_str(), 0700);  // the program warns of a data folder others may read
  FILE* list = platform::OpenFile(home + "/WatchList.pgl", "w");
  for (int i = 0; i < pages; ++i) {
    WatchItem item;
    item.m_url = PageUrl(server, i);
    item.m_active = 1;
    item.m_compareAll = 1;
    item.m_soundUse = 0;
    item.Write(list);
  }
  std::fclose(list);
  return {PAGEWARDEN_CLI, "--home", home, "check", "all", "--jobs", "1"};
}

const char* const kUpdated = "\xe6\x9b\xb4\xe6\x96\xb0\xe3\x81\x95\xe3\x82\x8c\xe3\x81\xa6\xe3\x81\x84\xe3\x81\xbe\xe3\x81\x99";  // 更新されています
const char* const kSame = "\xe6\x9b\xb4\xe6\x96\xb0\xe3\x81\x95\xe3\x82\x8c\xe3\x81\xa6\xe3\x81\x84\xe3\x81\xbe\xe3\x81\x9b\xe3\x82\x93";  // 更新されていません

// One check all; false (with a message) unless every item reported as expected.
bool CheckAll(const std::vector<std::string>& cli, const std::string& output, int pages,
              int expectUpdated, ChildRun& run) {
  run = Run(cli, output);
  int updated = CountLines(output, kUpdated), same = CountLines(output, kSame);
  if (run.status == 0 && updated == expectUpdated && updated + same == pages) return true;
  std::fprintf(stderr, "check all failed: status %d, %d updated, %d unchanged\n", run.status,
               updated, same);
  return false;
}

// Part one: 200 pages against one curl process.
bool CompareWithCurl(TempFolder& folder, LoopbackHttpServer& server,
                     std::vector<std::atomic<int>>& versions) {
  std::vector<std::string> curl = {"curl", "-s"};
  for (int i = 0; i < kPages; ++i) {
    curl.insert(curl.end(), {"-o", "/dev/null", PageUrl(server, i)});
  }
  const std::string output = folder.File("output.txt");
  double best[3] = {1e9, 1e9, 1e9};
  double bestCurl = 1e9;
  long peakKiB = 0, curlPeakKiB = 0;
  for (int round = 0; round < kRounds; ++round) {
    std::vector<std::string> cli = MakeList(folder, server, "home" + std::to_string(round), kPages);
    for (int kind = 0; kind < 3; ++kind) {
      if (kind == 2) {
        for (int i = 0; i < kChanged; ++i) versions[i * (kPages / kChanged)]++;
      }
      ChildRun run;
      if (!CheckAll(cli, output, kPages, kind == 0 ? kPages : kind == 1 ? 0 : kChanged, run)) {
        return false;
      }
      best[kind] = std::min(best[kind], run.seconds);
      peakKiB = std::max(peakKiB, run.peakKiB);

      ChildRun theirs = Run(curl, output);
      if (theirs.status != 0) {
        std::fprintf(stderr, "curl failed (%d); is the curl command installed?\n", theirs.status);
        return false;
      }
      bestCurl = std::min(bestCurl, theirs.seconds);
      curlPeakKiB = std::max(curlPeakKiB, theirs.peakKiB);
    }
  }
  const char* names[3] = {"first run (all new)", "nothing changed", "20 pages changed"};
  std::printf("%d pages on one loopback host, best of %d rounds; one curl process: %.3f s, peak %ld KiB\n",
              kPages, kRounds, bestCurl, curlPeakKiB);
  for (int kind = 0; kind < 3; ++kind) {
    std::printf("  check all --jobs 1, %-20s %.3f s, ratio to curl %.2f\n", names[kind],
                best[kind], best[kind] / bestCurl);
  }
  double ratio = best[1] / bestCurl;
  std::printf("unchanged run / curl = %.2f (target <= 1.50): %s\n", ratio, ratio <= 1.5 ? "met" : "MISSED");
  std::printf("peak resident size of pagewarden-cli: %ld KiB (target < 20480): %s\n", peakKiB,
              peakKiB < 20480 ? "met" : "MISSED");
  return true;
}

// Part two: the time per item of an unchanged check of lists of growing size.
bool CompareListSizes(TempFolder& folder, LoopbackHttpServer& server) {
  const int sizes[] = {200, 2000, 10000};
  const std::string output = folder.File("output.txt");
  double perItem[3] = {};
  for (int s = 0; s < 3; ++s) {
    std::vector<std::string> cli = MakeList(folder, server, "size" + std::to_string(sizes[s]), sizes[s]);
    ChildRun run;
    if (!CheckAll(cli, output, sizes[s], sizes[s], run)) return false;  // every page new
    double best = 1e9;
    for (int round = 0; round < kRounds; ++round) {
      if (!CheckAll(cli, output, sizes[s], 0, run)) return false;
      best = std::min(best, run.seconds);
    }
    perItem[s] = best / sizes[s];
    std::printf("  %5d items unchanged: %.3f s, %.3f ms per item\n", sizes[s], best, perItem[s] * 1e3);
  }
  double ratio = perItem[2] / perItem[0];
  std::printf("per item, 10000 items / 200 items = %.2f (target <= 1.30): %s\n", ratio,
              ratio <= 1.3 ? "met" : "MISSED");
  return true;
}

}  // namespace

int main() {
  TempFolder folder;
  setenv("XDG_CONFIG_HOME", folder.File("config").c_str(), 1);
  LoopbackHttpServer server;
  std::vector<std::atomic<int>> versions(10000);
  server.SetDefault([&versions](const HttpRequestRecord& request) {
    int number = PageNumber(request.target);
    if (number < 0 || number >= static_cast<int>(versions.size())) return ScriptedResponse::Status(404);
    return ScriptedResponse::Ok(Page(number, versions[number].load()));
  });
  if (!CompareWithCurl(folder, server, versions)) return 1;
  return CompareListSizes(folder, server) ? 0 : 1;
}
