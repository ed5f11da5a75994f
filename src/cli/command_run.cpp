#include "cli/command_run.h"

#include "cli/cli_session.h"
#include "cli/console_results.h"
#include "cli/stop_signal.h"
#include "core/watch/watch_list.h"
#include "core/watch/watch_list_notice.h"
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
  if (!ConfirmWatchListLoad(list, *session.Environment().m_prompter, false)) return 1;
  list.Dispatch();

  session.Serve(StopRequested);
  return session.CloseWatchList(list);
}
