// How often an idle program wakes with 8 checks allowed at once: 100 active items, each due
// hours from now, and the process left alone for a while. Counts the context switches of
// all its threads (voluntary and forced, from /proc) over the window. Target: at most two a
// minute. Measures `pagewarden-cli run`, or the desktop program when its path is given (it
// opens on the caller's display, e.g. under xvfb-run).
// Usage: bench_loopback_idle_wakeups [seconds] [path of pagewarden]   (default 300 s)
#include <dirent.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "core/watch/watch_item.h"
#include "platform/file_system.h"
#include "support/temp_folder.h"

extern char** environ;

namespace {

constexpr int kItems = 100;

// Voluntary and forced context switches of every thread of `pid`, threads that ended
// included as far as the kernel still counts them for the process.
long ContextSwitches(pid_t pid) {
  long total = 0;
  std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  DIR* folder = opendir(tasks.c_str());
  if (!folder) return -1;
  while (dirent* entry = readdir(folder)) {
    if (entry->d_name[0] == '.') continue;
    std::ifstream status(tasks + "/" + entry->d_name + "/status");
    for (std::string line; std::getline(status, line);) {
      if (line.find("ctxt_switches:") != std::string::npos) {
        total += std::atol(line.substr(line.find(':') + 1).c_str());
      }
    }
  }
  closedir(folder);
  return total;
}

// Daily items at a time of day three hours from now: hours away, today or tomorrow.
void WriteList(const std::string& path) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  int secondOfDay = local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
  FILE* file = platform::OpenFile(path, "w");
  for (int i = 0; i < kItems; ++i) {
    WatchItem item;
    item.m_url = "http://127.0.0.1:9/page" + std::to_string(i);
    item.m_active = 1;
    item.m_compareAll = 1;
    item.m_soundUse = 0;
    item.m_timing = "define";
    item.m_time = (secondOfDay + 3 * 3600 + i) % 86400;
    item.Write(file);
  }
  std::fclose(file);
}

pid_t Spawn(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  return pid;
}

}  // namespace

int main(int argc, char** argv) {
  int seconds = argc > 1 ? std::atoi(argv[1]) : 300;
  if (seconds <= 0) seconds = 300;
  TempFolder home;
  WriteList(home.File("WatchList.pgl"));
  std::string config = "XDG_CONFIG_HOME=" + home.File("config");
  putenv(config.data());

  int status = 0;
  pid_t pid = Spawn({PAGEWARDEN_CLI, "--home", home.Path(), "settings", "check-jobs", "8"});
  if (pid < 0 || waitpid(pid, &status, 0) != pid || status != 0) {
    std::fprintf(stderr, "cannot set check-jobs with %s\n", PAGEWARDEN_CLI);
    return 1;
  }
  const bool desktop = argc > 2;
  pid = desktop ? Spawn({argv[2], "--home", home.Path()})
                : Spawn({PAGEWARDEN_CLI, "--home", home.Path(), "run"});
  if (pid < 0) {
    std::fprintf(stderr, "cannot start the program\n");
    return 1;
  }
  // Start-up, the first dispatch and a desktop program's first drawing settle before the
  // count begins: with only two seconds their late switches were counted as idle ones.
  std::this_thread::sleep_for(std::chrono::seconds(30));
  long before = ContextSwitches(pid);
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  long after = ContextSwitches(pid);
  kill(pid, SIGTERM);
  waitpid(pid, &status, 0);

  double perMinute = (after - before) * 60.0 / seconds;
  std::printf("idle %s, 8 jobs, %d items due in hours, %d s: %ld context switches, %.1f a minute "
              "(target <= 2)\n",
              desktop ? "desktop program" : "pagewarden-cli run", kItems, seconds, after - before,
              perMinute);
  return perMinute <= 2.0 ? 0 : 2;
}
