// How often an idle `pagewarden-cli run` wakes: 100 active items, each due hours from now,
// and the process left alone for a while. Counts the context switches of all its threads
// (voluntary and forced, from /proc) over the window. Target: at most two a minute.
// Usage: bench_loopback_idle_wakeups [seconds]   (default 120)
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

}  // namespace

int main(int argc, char** argv) {
  int seconds = argc > 1 ? std::atoi(argv[1]) : 120;
  if (seconds <= 0) seconds = 120;
  TempFolder home;
  WriteList(home.File("WatchList.pgl"));
  std::string config = "XDG_CONFIG_HOME=" + home.File("config");
  putenv(config.data());

  std::vector<std::string> args = {PAGEWARDEN_CLI, "--home", home.Path(), "run"};
  std::vector<char*> argvChild;
  for (std::string& arg : args) argvChild.push_back(arg.data());
  argvChild.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, argvChild[0], nullptr, nullptr, argvChild.data(), environ) != 0) {
    std::fprintf(stderr, "cannot start %s\n", PAGEWARDEN_CLI);
    return 1;
  }
  std::this_thread::sleep_for(std::chrono::seconds(2));  // start-up and the first dispatch
  long before = ContextSwitches(pid);
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  long after = ContextSwitches(pid);
  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);

  double perMinute = (after - before) * 60.0 / seconds;
  std::printf("idle run, %d items due in hours, %d s: %ld context switches, %.1f a minute "
              "(target <= 2)\n",
              kItems, seconds, after - before, perMinute);
  return perMinute <= 2.0 ? 0 : 2;
}
