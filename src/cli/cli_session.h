// The program folder as the commands use it. A command that works (checks, saves) starts
// the application object for the command-line front end: one working copy per data folder,
// the folder and its "comp" made on first use, the code page converter, the program-wide
// settings from the settings archive. A command that only reads takes the folder as it is.
// A command that checks makes its check session here, with the terminal's prompter and the
// caller's result view.
//
// Threads: the UI thread (the one serving Queue()).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "cli/terminal_prompter.h"
#include "core/app/watch_app.h"
#include "core/session/check_session.h"
#include "platform/ui_queue.h"

class CCliSession {
 public:
  CCliSession();
  ~CCliSession();  // ends the application object's run (releases the folder's lock)

  enum class Access { Read, Work };
  // 0 when the folder can be used; otherwise the reason has been printed to standard error
  // and the exit status (1) is given.
  int Open(const std::string& homeArgument, Access access);
  // The application object of a working session (Open with Access::Work succeeded).
  CWatchApp& App() { return *m_app; }
  platform::CLoopQueue& Queue() { return m_queue; }
  // What the checks do on an update: the actions as far as they make sense without a
  // window, for a command that ends after its checks or one that stays running, or none.
  enum class Actions { OneShot, Resident, None };
  // The check session of a working session, its rows going to `view` (which outlives
  // it); its watch list is loaded. Call once.
  // `jobs`: checks at once for this run; 0: the program-wide setting.
  CCheckSession& StartChecks(IResultView& view, Actions actions, int jobs = 0);
  // Serves the queue until `done` (looked at after every task); sleeps while none comes.
  // A stop signal wakes it with a task of its own.
  void Serve(const std::function<bool()>& done);
  // The end of a working command: ends dispatching (a check under way is cancelled),
  // takes up the report of a check that had ended and saves the list. A sound still
  // playing plays to its end. 0, or 1 when the list cannot be saved (told on standard error).
  int CloseWatchList();

 private:
  platform::CLoopQueue m_queue;
  CTerminalPrompter m_prompter;
  std::unique_ptr<CWatchApp> m_app;
  std::unique_ptr<CCheckSession> m_checks;  // before the application object ends
};
