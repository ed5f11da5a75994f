// pagewarden-cli check all with 200 active full-text items on 200 small loopback pages,
// against one curl process fetching the same 200 URLs one after another, in the same run:
// a first run (every page new), a run with nothing changed, and one with 20 pages changed.
// Targets: the unchanged run within 2 times the curl process; peak memory under 20 MiB.
// Prints the best of several rounds of each and the ratios.
#include <fcntl.h>
#include <spawn.h>
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

}  // namespace

int main() {
  TempFolder folder;
  setenv("XDG_CONFIG_HOME", folder.File("config").c_str(), 1);
  LoopbackHttpServer server;
  std::vector<std::atomic<int>> versions(kPages);
  for (int i = 0; i < kPages; ++i) {
    server.Handle("/p" + std::to_string(i) + ".html", [i, &versions](const HttpRequestRecord&) {
      return ScriptedResponse::Ok(Page(i, versions[i].load()));
    });
  }
  std::vector<std::string> curl = {"curl", "-s"};
  for (int i = 0; i < kPages; ++i) {
    curl.push_back("-o");
    curl.push_back("/dev/null");
    curl.push_back(server.Url("/p" + std::to_string(i) + ".html"));
  }
  const std::string output = folder.File("output.txt");

  double best[3] = {1e9, 1e9, 1e9};
  double bestCurl = 1e9;
  long peakKiB = 0, curlPeakKiB = 0;
  const char* kUpdated = "\xe6\x9b\xb4\xe6\x96\xb0\xe3\x81\x95\xe3\x82\x8c\xe3\x81\xa6\xe3\x81\x84\xe3\x81\xbe\xe3\x81\x99";  // 更新されています
  const char* kSame = "\xe6\x9b\xb4\xe6\x96\xb0\xe3\x81\x95\xe3\x82\x8c\xe3\x81\xa6\xe3\x81\x84\xe3\x81\xbe\xe3\x81\x9b\xe3\x82\x93";  // 更新されていません
  for (int round = 0; round < kRounds; ++round) {
    std::string home = folder.File("home" + std::to_string(round));
    platform::MakeDirectories(home);
    FILE* list = platform::OpenFile(home + "/WatchList.pgl", "w");
    for (int i = 0; i < kPages; ++i) {
      WatchItem item;
      item.m_url = server.Url("/p" + std::to_string(i) + ".html");
      item.m_active = 1;
      item.m_compareAll = 1;
      item.m_soundUse = 0;
      item.Write(list);
    }
    std::fclose(list);
    std::vector<std::string> cli = {PAGEWARDEN_CLI, "--home", home, "check", "all"};

    for (int kind = 0; kind < 3; ++kind) {
      if (kind == 2) {
        for (int i = 0; i < kChanged; ++i) versions[i * (kPages / kChanged)]++;
      }
      ChildRun run = Run(cli, output);
      int updated = CountLines(output, kUpdated), same = CountLines(output, kSame);
      int expectUpdated = kind == 0 ? kPages : kind == 1 ? 0 : kChanged;
      if (run.status != 0 || updated != expectUpdated || updated + same != kPages) {
        std::fprintf(stderr, "check all failed: status %d, %d updated, %d unchanged\n", run.status,
                     updated, same);
        return 1;
      }
      best[kind] = std::min(best[kind], run.seconds);
      peakKiB = std::max(peakKiB, run.peakKiB);

      ChildRun theirs = Run(curl, output);
      if (theirs.status != 0) {
        std::fprintf(stderr, "curl failed (%d); is the curl command installed?\n", theirs.status);
        return 1;
      }
      bestCurl = std::min(bestCurl, theirs.seconds);
      curlPeakKiB = std::max(curlPeakKiB, theirs.peakKiB);
    }
  }
  const char* names[3] = {"first run (all new)", "nothing changed", "20 pages changed"};
  std::printf("%d pages over loopback, best of %d rounds; one curl process: %.3f s, peak %ld KiB\n",
              kPages, kRounds, bestCurl, curlPeakKiB);
  for (int kind = 0; kind < 3; ++kind) {
    std::printf("  pagewarden-cli check all, %-20s %.3f s, ratio to curl %.2f\n", names[kind],
                best[kind], best[kind] / bestCurl);
  }
  double ratio = best[1] / bestCurl;
  std::printf("unchanged run / curl = %.2f (target <= 2.00): %s\n", ratio, ratio <= 2.0 ? "met" : "MISSED");
  std::printf("peak resident size of pagewarden-cli: %ld KiB (target < 20480): %s\n", peakKiB,
              peakKiB < 20480 ? "met" : "MISSED");
  return 0;
}
