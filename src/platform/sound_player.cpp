#include "platform/sound_player.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/file_system.h"

extern char** environ;

namespace platform {

namespace {

bool OnPath(const char* program) {
  const char* path = std::getenv("PATH");
  const char* cursor = path && *path ? path : "/usr/bin:/bin";
  char candidate[4096];
  while (true) {
    const char* end = std::strchr(cursor, ':');
    std::size_t length = end ? static_cast<std::size_t>(end - cursor) : std::strlen(cursor);
    int written = length == 0
                      ? std::snprintf(candidate, sizeof candidate, "./%s", program)
                      : std::snprintf(candidate, sizeof candidate, "%.*s/%s",
                                      static_cast<int>(length), cursor, program);
    if (written > 0 && static_cast<std::size_t>(written) < sizeof candidate &&
        access(candidate, X_OK) == 0) {
      return true;
    }
    if (!end) return false;
    cursor = end + 1;
  }
}

}  // namespace

CSoundPlayer::~CSoundPlayer() { Stop(); }

void CSoundPlayer::SetPlayerCommand(std::vector<std::string> command) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_command = std::move(command);
}

std::vector<std::string> CSoundPlayer::PlayerCommand() const {
  if (!m_command.empty()) return m_command;
  // paplay reaches the sound server of the desktop; aplay plays on the sound card directly.
  for (const char* player : {"paplay", "aplay"}) {
    if (OnPath(player)) return {player};
  }
  return {};
}

bool CSoundPlayer::Play(const std::string& path) {
  std::lock_guard<std::mutex> lock(m_mutex);
  StopLocked();
  std::string file = NativePath(path);
  struct stat info {};
  if (path.empty() || stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  std::vector<std::string> command = PlayerCommand();
  if (command.empty()) return false;
  command.push_back(file);
  if (command.size() >= 2 && command[0] == "aplay") command.insert(command.begin() + 1, "-q");

  std::vector<char*> argv;
  for (std::string& part : command) argv.push_back(part.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // A player's complaints (no sound server, no card) must not reach the user's terminal.
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return false;
  m_child = pid;
  return true;
}

void CSoundPlayer::Stop() {
  std::lock_guard<std::mutex> lock(m_mutex);
  StopLocked();
}

void CSoundPlayer::Release() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_child = -1;
}

bool CSoundPlayer::IsPlaying() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return !ReapLocked();
}

// true when no player is running (any that ended has been collected).
bool CSoundPlayer::ReapLocked() {
  if (m_child <= 0) return true;
  int status = 0;
  pid_t result = waitpid(m_child, &status, WNOHANG);
  if (result == 0) return false;
  m_child = -1;  // ended, or already collected elsewhere
  return true;
}

void CSoundPlayer::StopLocked() {
  if (ReapLocked()) return;
  kill(m_child, SIGTERM);
  int status = 0;
  while (waitpid(m_child, &status, 0) < 0 && errno == EINTR) {
  }
  m_child = -1;
}

CSoundPlayer& SoundPlayer() {
  static CSoundPlayer player;
  return player;
}

}  // namespace platform
