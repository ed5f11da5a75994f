#include "platform/browser/browser_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

extern char** environ;

namespace platform {

namespace {

constexpr char kProfilePrefix[] = "browser-";

bool IsExecutable(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// The environment for the browser: ours, with home, configuration, cache and temporary
// folders inside the profile, so that nothing it writes outlives it.
std::vector<std::string> BrowserEnvironment(const std::string& profile) {
  const char* replaced[] = {"HOME=", "XDG_CONFIG_HOME=", "XDG_CACHE_HOME=", "XDG_DATA_HOME=", "TMPDIR="};
  std::vector<std::string> environment;
  for (char** entry = environ; entry && *entry; ++entry) {
    bool keep = true;
    for (const char* name : replaced) keep = keep && std::strncmp(*entry, name, std::strlen(name)) != 0;
    if (keep) environment.emplace_back(*entry);
  }
  environment.push_back("HOME=" + profile);
  environment.push_back("XDG_CONFIG_HOME=" + profile + "/.config");
  environment.push_back("XDG_CACHE_HOME=" + profile + "/.cache");
  environment.push_back("XDG_DATA_HOME=" + profile + "/.local");
  environment.push_back("TMPDIR=" + profile);
  return environment;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

// Runs in the child between fork and exec: only async-signal-safe calls.
[[noreturn]] void ExecBrowser(pid_t parent, int commandRead, int replyWrite, const char* program,
                              char* const* argv, char* const* envp) {
  ::setpgid(0, 0);
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (::getppid() != parent) ::_exit(127);
  // Moved out of the way first, so that neither lands on the other's number.
  int command = ::fcntl(commandRead, F_DUPFD, 10);
  int reply = ::fcntl(replyWrite, F_DUPFD, 10);
  int null = ::open("/dev/null", O_RDWR);
  if (command < 0 || reply < 0 || null < 0) ::_exit(127);
  ::dup2(null, 0);
  ::dup2(null, 1);
  ::dup2(null, 2);
  ::dup2(command, 3);
  ::dup2(reply, 4);
  ::close_range(5, ~0U, 0);
  ::execve(program, argv, envp);
  ::_exit(127);
}

void CloseDescriptor(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

}  // namespace

std::string FindBrowserProgram() {
  const char* path = std::getenv("PATH");
  std::string folders = path ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  for (;;) {
    std::size_t end = folders.find(':', start);
    std::string folder = folders.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!folder.empty() && IsExecutable(folder + "/chromium")) return folder + "/chromium";
    if (end == std::string::npos) return "";
    start = end + 1;
  }
}

bool IsBrowserProfileName(const std::string& name) {
  const std::size_t prefix = sizeof kProfilePrefix - 1;
  if (name.size() != prefix + 6 || name.compare(0, prefix, kProfilePrefix) != 0) return false;
  for (std::size_t i = prefix; i < name.size(); ++i) {
    if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
  }
  return true;
}

std::vector<int> RunningProcesses(int group, const std::string& naming) {
  std::vector<int> found;
  std::error_code error;
  // Processes come and go during the walk: every step takes its error instead of throwing.
  for (std::filesystem::directory_iterator it("/proc", error), end; !error && it != end; it.increment(error)) {
    const std::filesystem::directory_entry& entry = *it;
    const std::string name = entry.path().filename().string();
    if (name.empty() || !std::isdigit(static_cast<unsigned char>(name[0]))) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    // pid (comm) state ppid pgrp ...; the command may hold blanks and parentheses.
    std::size_t close = line.rfind(')');
    if (close == std::string::npos) continue;
    char state = 0;
    int parent = 0;
    int processGroup = 0;
    if (std::sscanf(line.c_str() + close + 1, " %c %d %d", &state, &parent, &processGroup) != 3) continue;
    if (state == 'Z' || state == 'X') continue;
    bool named = false;
    if (!naming.empty()) {
      std::ifstream commandLine(entry.path() / "cmdline", std::ios::binary);
      std::string arguments((std::istreambuf_iterator<char>(commandLine)), std::istreambuf_iterator<char>());
      named = arguments.find(naming) != std::string::npos;
    }
    if ((group > 0 && processGroup == group) || named) found.push_back(std::stoi(name));
  }
  return found;
}

// The browser's helpers are in its group and end with it within moments; its crash
// handler leaves the group but names the profile. The profile may go only when none of
// them can write into it any more.
static void EndProcesses(int group, const std::string& profile) {
  for (int wait = 0; wait < 300; ++wait) {
    std::vector<int> left = RunningProcesses(group, profile);
    if (left.empty()) return;
    for (int pid : left) ::kill(pid, SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

int RemoveLeftoverProfiles(const std::string& folder) {
  int removed = 0;
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::filesystem::directory_entry& entry = *it;
    const std::string path = entry.path().string();
    std::error_code ignored;
    if (!IsBrowserProfileName(entry.path().filename().string()) || !entry.is_directory(ignored)) continue;
    // What still names it is a straggler of the run that a kill ended.
    EndProcesses(0, path);
    if (std::filesystem::remove_all(path, ignored) > 0) ++removed;
  }
  return removed;
}

CBrowserProcess::~CBrowserProcess() { Stop(); }

bool CBrowserProcess::Start(const std::string& program, const std::vector<std::string>& arguments,
                            const std::string& profileParent, std::string& failure) {
  std::string pattern = profileParent + "/" + kProfilePrefix + "XXXXXX";
  if (!::mkdtemp(pattern.data())) {
    failure = "ブラウザのプロファイルを作れません: " + std::string(std::strerror(errno));
    return false;
  }
  m_profile = pattern;

  std::vector<std::string> argumentTexts = {program};
  argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());
  argumentTexts.push_back("--user-data-dir=" + m_profile);
  std::vector<std::string> environmentTexts = BrowserEnvironment(m_profile);
  std::vector<char*> argv = Pointers(argumentTexts);
  std::vector<char*> envp = Pointers(environmentTexts);

  int commandPipe[2];
  int replyPipe[2];
  if (::pipe2(commandPipe, O_CLOEXEC) != 0) {
    failure = "ブラウザを起動できません: " + std::string(std::strerror(errno));
    Stop();
    return false;
  }
  if (::pipe2(replyPipe, O_CLOEXEC) != 0) {
    failure = "ブラウザを起動できません: " + std::string(std::strerror(errno));
    ::close(commandPipe[0]);
    ::close(commandPipe[1]);
    Stop();
    return false;
  }
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid == 0) ExecBrowser(parent, commandPipe[0], replyPipe[1], argv[0], argv.data(), envp.data());
  ::close(commandPipe[0]);
  ::close(replyPipe[1]);
  m_commands = commandPipe[1];
  m_replies = replyPipe[0];
  if (pid < 0) {
    failure = "ブラウザを起動できません: " + std::string(std::strerror(errno));
    Stop();
    return false;
  }
  // Both sides set the group, so that a kill right after the fork reaches it already.
  ::setpgid(pid, pid);
  m_pid = pid;
  return true;
}

void CBrowserProcess::Stop() {
  CloseDescriptor(m_commands);
  CloseDescriptor(m_replies);
  if (m_pid > 0) {
    ::kill(-m_pid, SIGKILL);
    ::kill(m_pid, SIGKILL);
    while (::waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    EndProcesses(m_pid, m_profile);
    m_pid = -1;
  }
  if (!m_profile.empty()) {
    std::error_code error;
    std::filesystem::remove_all(m_profile, error);
    m_profile.clear();
  }
}

}  // namespace platform
