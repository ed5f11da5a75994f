// Sound playback in the background, in place of the system's one asynchronous sound
// channel: a WAV file is played by a player process ("paplay", else "aplay"), and a new
// sound or Stop ends the one still playing. Failures are silent: the program goes on
// without sound.
//
// Threads: any thread may call; the player is guarded by its own lock. The process's one
// player is SoundPlayer(); the destructor stops the sound still playing.
#pragma once

#include <mutex>
#include <string>
#include <sys/types.h>
#include <vector>

namespace platform {

class CSoundPlayer {
 public:
  CSoundPlayer() = default;
  ~CSoundPlayer();
  CSoundPlayer(const CSoundPlayer&) = delete;
  CSoundPlayer& operator=(const CSoundPlayer&) = delete;

  // Stops the sound still playing, then starts playing the file at `path` (CP932) and
  // returns at once. false when the file is missing or no player could be started.
  bool Play(const std::string& path);
  // Ends the sound being played, if any; waits for its player to end.
  void Stop();
  // Lets the sound still playing play to its end, even after this program has ended: the
  // player is no longer stopped by Stop, Play or the destructor.
  void Release();
  // A player started by Play has not ended yet.
  bool IsPlaying();

  // The player: a program and its leading arguments, the file's path goes last. An empty
  // list restores the default (the first of "paplay" and "aplay" found on PATH).
  void SetPlayerCommand(std::vector<std::string> command);

 private:
  std::vector<std::string> PlayerCommand() const;
  void StopLocked();
  bool ReapLocked();

  std::mutex m_mutex;
  pid_t m_child = -1;
  std::vector<std::string> m_command;
};

// The process's player.
CSoundPlayer& SoundPlayer();

}  // namespace platform
