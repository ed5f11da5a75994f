#include "cli/command_run.h"

#include "cli/cli_session.h"
#include "cli/console.h"
#include "cli/console_results.h"
#include "cli/stop_signal.h"
#include "core/watch/watch_list.h"
#include "platform/ui_queue.h"

int RunResidentCommand(const std::string& homeArgument) {
  CCliSession session;
  if (int status = session.Open(homeArgument, CCliSession::Access::Work)) return status;
  InstallStopSignals();

  platform::CLoopQueue& queue = session.Queue();
  CWatchList list(session.Environment());
  CConsoleResultView view;
  CCheckResults results(list, view);
  list.Init(&queue, &results);
  list.Dispatch();

  while (!StopRequested()) queue.RunUntil([] { return StopRequested(); }, 200);

  list.Close();
  while (list.HasOutstandingCheck()) {
    queue.RunUntil([&] { return !list.HasOutstandingCheck(); }, 200);
  }
  if (!list.Save()) {
    PrintLine("pagewarden-cli: ウォッチリストを保存できません: " + CWatchList::FilePath(), stderr);
    return 1;
  }
  return 0;
}
