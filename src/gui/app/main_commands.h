// The main window's command numbers, shared by its menu bar, its buttons, the tray menus
// and the windows that send it commands.
#pragma once

#include <wx/defs.h>

class wxMenu;
class wxMenuBar;

enum MainCommand : int {
  ID_NEW_SITE = wxID_HIGHEST + 100,
  ID_SHOW_WATCH_LIST,
  ID_CLEAR_LOG,
  ID_ENVIRONMENT,
  ID_EXIT_PROGRAM,
  ID_DOWNLOADER,        // "Linkreel": start or wake the companion downloader
  ID_HELPER,            // "Grabmate": start or wake the companion helper
  ID_HELP_CONTENTS,
  ID_HELP_TROUBLE,      // "あれっ？と思ったら・・・"
  ID_HELP_HELPER_PAGE,
  ID_HELP_DOWNLOADER_PAGE,
  ID_HELP_QA,
  ID_ABOUT,             // the about item of the help menu
  ID_ABOUT_VERSION,     // the version item that stands in for the window menu's entry
  ID_FOLDER_UPDATE,
  ID_STOP_SOUND,
  ID_SAVE_SETTINGS,       // sent by the watch list window
  ID_TAKE_HELPER_REQUEST,
  ID_DEFERRED_INIT,
  ID_OPEN,                // "開く", also sent by the actions on update
  ID_IMPORT,              // "インポート…"
  ID_BACKUP,              // "バックアップ…"
  ID_RESTORE,             // "復元…"
};

// The menu bar of the main window.
wxMenuBar* MakeMainMenuBar();
// The tray menus: the first opens on the right button, the second on the left.
wxMenu* MakeTrayMenu(int which);
