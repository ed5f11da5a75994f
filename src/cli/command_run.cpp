#include "cli/command_run.h"

#include "cli/cli_session.h"
#include "cli/console_results.h"
#include "cli/stop_signal.h"
#include "core/watch/watch_list_notice.h"

int RunResidentCommand(const std::string& homeArgument, bool actions) {
  CCliSession session;
  CStopSignals stopSignals(&session.Queue());
  if (int status = session.Open(homeArgument, CCliSession::Access::Work)) return status;

  CConsoleResultView view;
  CCheckSession& checks =
      session.StartChecks(view, actions ? CCliSession::Actions::Resident : CCliSession::Actions::None);
  if (!ConfirmWatchListLoad(checks.List(), *checks.Host().prompter, false)) return 1;
  checks.List().Dispatch();
  session.Serve(StopRequested);
  return session.CloseWatchList();
}
