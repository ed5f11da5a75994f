// The site definition sheet as the main window plugs it in: fills MainWindowParts'
// runSheet and chains its creation and destruction before the entries already there. The
// sheet is created at the main window's deferred initialisation (before the watch list
// window), runs for "新規サイト", for edits from the watch list window and the results
// list and for new sites from requests, hands an accepted item to CMainDlg::StoreItem,
// and is destroyed when the main window ends.
//
// Threads: UI thread only. The application object and the queue outlive the main window.
#pragma once

#include <functional>

class CDefineSheet;
class CWatchApp;
class CWxUiQueue;
struct MainWindowParts;

// `created` (may be empty) hears of the new sheet, e.g. for tests.
void AddDefineSheet(MainWindowParts& parts, CWatchApp& app, CWxUiQueue& queue,
                    std::function<void(CDefineSheet&)> created = {});
