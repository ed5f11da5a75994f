// One headless browser process: started in a process group of its own with a fresh
// profile folder, its DevTools pipe on descriptors 3 (commands) and 4 (replies and
// events), killed as a whole group at once, its profile removed after it.
//
// The browser dies with the thread that started it (PR_SET_PDEATHSIG), so a kill -9 of
// the program takes the browser along; the profile folders such a kill leaves behind are
// named by IsBrowserProfileName and removed at the next start.
//
// Threads: one owner thread; Start and the destructor on that thread.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The browser program found on PATH ("chromium"), as a native path; empty when none.
std::string FindBrowserProgram();

// A profile folder name this class makes: "browser-" and mkdtemp's six characters.
bool IsBrowserProfileName(const std::string& name);

// Removes the profile folders in `folder` (native path) that earlier runs left behind (a
// kill -9 of the program), after ending any straggler of those runs that still names one.
// Called at start, before this program starts a browser of its own. The number removed.
int RemoveLeftoverProfiles(const std::string& folder);

class CBrowserProcess {
 public:
  CBrowserProcess() = default;
  ~CBrowserProcess();  // Stop()
  CBrowserProcess(const CBrowserProcess&) = delete;
  CBrowserProcess& operator=(const CBrowserProcess&) = delete;

  // Makes a new profile folder (0700) in `profileParent` (native path) and starts
  // `program` with `arguments` followed by "--user-data-dir=<profile>". Its home, cache
  // and temporary folders point into the profile, so the browser writes nowhere else.
  // false with `failure` set when the profile or the process cannot be made.
  bool Start(const std::string& program, const std::vector<std::string>& arguments,
             const std::string& profileParent, std::string& failure);
  // Kills the whole process group, reaps the browser, waits until no process of the group
  // runs any more and removes the profile. Safe to call more than once.
  void Stop();

  int CommandDescriptor() const { return m_commands; }  // we write, the browser reads
  int ReplyDescriptor() const { return m_replies; }     // the browser writes, we read
  int Pid() const { return m_pid; }
  const std::string& Profile() const { return m_profile; }

 private:
  int m_pid = -1;
  int m_commands = -1;
  int m_replies = -1;
  std::string m_profile;
};

// The processes that still run (zombies do not count) in the process group `group` (none
// when 0) or with `naming` (when not empty) in their command line.
std::vector<int> RunningProcesses(int group, const std::string& naming);

}  // namespace platform
