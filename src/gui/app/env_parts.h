// The environment settings dialog as the main window plugs it in: fills MainWindowParts'
// runEnvironment ("環境設定"). The dialog runs modally over the main window on the
// application's settings; OK writes them back and saves the settings archive. Checks
// that start later read the new values (each takes its own copy when it starts); a check
// under way keeps the values it started with.
//
// Threads: UI thread only. The application object and the queue outlive the main window.
#pragma once

class CWatchApp;
class CWxUiQueue;
struct MainWindowParts;

void AddEnvironmentDialog(MainWindowParts& parts, CWatchApp& app, CWxUiQueue& queue);
