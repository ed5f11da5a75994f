// The watch list window as the main window plugs it in: fills the watch list window's
// entries of MainWindowParts (createWindows, destroyWindows, showWatchList,
// refreshWatchList). Entries already there for other windows are kept: creating and
// destroying run theirs first. The window hears of changed items from the watch list.
//
// The window is created hidden at the main window's deferred initialisation on the main
// window's watch list, with the application's settings and its layout record
// (CWatchApp::m_watchListWindowLayout, saved in the settings archive), and destroyed when
// the main window ends.
//
// Threads: UI thread only. The application object outlives the main window.
#pragma once

#include <functional>

class CEditBox;
class CWatchApp;
struct MainWindowParts;

// `created` (may be empty) hears of the new window, e.g. for tests.
void AddWatchListWindow(MainWindowParts& parts, CWatchApp& app,
                        std::function<void(CEditBox&)> created = {});
