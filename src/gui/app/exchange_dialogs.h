// The desktop's import, backup and restore, from the main window's "操作" menu. Import
// reads a file (core/exchange/import_reader.h) and shows a preview list to tick; the
// ticked items are added as the site definition sheet adds a new site (inactive until
// ticked in the watch list, unless a JSON export says otherwise). Backup saves the list
// first, then archives the data folder. Restore unpacks into a folder the user chooses;
// the folder this program works on is refused while it runs (its lock is held).
//
// Threads: the UI thread; each call is modal.
#pragma once

#include <cstdint>

class CWatchList;
class IPrompter;
class wxWindow;

void RunImportDialog(wxWindow* parent, CWatchList& list, IPrompter& prompter);
void RunBackupDialog(wxWindow* parent, CWatchList& list, IPrompter& prompter);
void RunRestoreDialog(wxWindow* parent, IPrompter& prompter, std::int64_t maxFileBytes);
