#include "cli/command_run.h"

#include "cli/cli_session.h"
#include "cli/console_results.h"
#include "cli/stop_signal.h"

int RunResidentCommand(const std::string& homeArgument, bool actions) {
  CCliSession session;
  CStopSignals stopSignals(&session.Queue());
  if (int status = session.Open(homeArgument, CCliSession::Access::Work)) return status;

  CConsoleResultView view;
  session.StartChecks(view, actions ? CCliSession::Actions::Resident : CCliSession::Actions::None)
      .List()
      .Dispatch();
  session.Serve(StopRequested);
  return session.CloseWatchList();
}
