#include "platform/shell.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <csignal>
#include <mutex>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/file_system.h"

extern char** environ;

namespace platform {

namespace {

std::mutex g_mutex;
std::vector<std::string> g_opener;
std::vector<pid_t> g_started;

// How long an opener may run before it counts as showing the target.
constexpr auto kOpenerVerdict = std::chrono::seconds(5);

std::vector<std::string> OpenerCommand() {
  std::lock_guard lock(g_mutex);
  if (!g_opener.empty()) return g_opener;
  const char* configured = std::getenv("PAGEWARDEN_OPENER");
  return {configured && *configured ? configured : "xdg-open"};
}

// Spawns `arguments` (native), searching PATH when `search`; -1 on failure.
pid_t Spawn(const std::vector<std::string>& arguments, const std::string& workingFolder,
            bool search) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!workingFolder.empty()) posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // Its own process group: a Ctrl+C meant for this program does not end the companion.
  // No signal blocked: the headless checker takes its stop signals on a thread of its own
  // and keeps them blocked elsewhere, which a started program must not inherit.
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
  posix_spawnattr_setpgroup(&attributes, 0);
  pid_t pid = -1;
  int error = search ? posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ)
                     : posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return error == 0 ? pid : -1;
}

// Waits up to `limit` for the child `pid` to end, without reaping it: true when it ended.
bool WaitForExit(pid_t pid, std::chrono::milliseconds limit) {
  int descriptor = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  if (descriptor < 0) return false;
  pollfd entry{descriptor, POLLIN, 0};
  auto deadline = std::chrono::steady_clock::now() + limit;
  int ready;
  do {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    ready = poll(&entry, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
  } while (ready < 0 && errno == EINTR);
  close(descriptor);
  return ready > 0;
}

}  // namespace

int ReapStartedPrograms() {
  std::lock_guard lock(g_mutex);
  int reaped = 0;
  for (auto it = g_started.begin(); it != g_started.end();) {
    int status;
    pid_t result = waitpid(*it, &status, WNOHANG);
    if (result == *it || (result < 0 && errno == ECHILD)) {
      it = g_started.erase(it);
      ++reaped;
    } else {
      ++it;
    }
  }
  return reaped;
}

bool StartProgram(const std::string& folder, const std::string& executable) {
  ReapStartedPrograms();
  if (folder.empty() || executable.empty()) return false;
  std::string nativeFolder = NativePath(folder);
  std::string program = nativeFolder + "/" + NativePath(executable);
  struct stat info;
  if (stat(program.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
      access(program.c_str(), X_OK) != 0) {
    return false;
  }
  pid_t pid = Spawn({program}, nativeFolder, false);
  if (pid < 0) return false;
  std::lock_guard lock(g_mutex);
  g_started.push_back(pid);
  return true;
}

bool OpenWithDesktop(const std::string& target) {
  ReapStartedPrograms();
  std::vector<std::string> command = OpenerCommand();
  command.push_back(NativePath(target));
  pid_t pid = Spawn(command, {}, true);
  if (pid < 0) return false;
  if (WaitForExit(pid, kOpenerVerdict)) {
    int status;
    if (waitpid(pid, &status, 0) != pid) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  // Still running: it is showing the target. It is reaped later.
  std::lock_guard lock(g_mutex);
  g_started.push_back(pid);
  return true;
}

void SetDesktopOpener(std::vector<std::string> command) {
  std::lock_guard lock(g_mutex);
  g_opener = std::move(command);
}

}  // namespace platform
