// SIGINT and SIGTERM ask the headless checker to finish: the handler only records the
// request, and the UI loop looks at it between its tasks.
#pragma once

void InstallStopSignals();
bool StopRequested();
