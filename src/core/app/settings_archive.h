// The settings archive "PAGEWARD.INI" in the program folder: one binary stream in the
// framework's archive encoding (core/common/archive.h) holding three parts in this order,
// each headed by its schema number:
//   application settings   schema 12 (AppSettings; CWatchApp owns them)
//   main window layout     schema 3  (MainWindowLayout; the main window owns it)
//   watch list window      schema 3  (WatchListWindowLayout; the watch list window owns it)
// Every older schema is read. A stream that ends early keeps what was read so far; every
// field not read keeps the value it had (the default at start-up). The archive holds the
// mail password, so it is saved atomically and readable by its owner only.
//
// Threads: the user-interface thread only.
#pragma once

#include <string>

#include "core/common/app_settings.h"
#include "core/common/archive.h"
#include "core/app/window_layout.h"
#include "platform/replace_guard.h"

inline constexpr const char* kSettingsArchiveName = "PAGEWARD.INI";
inline constexpr int kAppSettingsSchema = 14;
inline constexpr int kMainWindowLayoutSchema = 3;
inline constexpr int kWatchListWindowLayoutSchema = 3;

// One part each. A Load function returns false when reading must stop after it: the
// stream ended early, or the part has a newer schema than this program knows (its known
// fields are read; where the next part begins is unknown).
void StoreAppSettings(CArchiveWriter& archive, const AppSettings& settings);
bool LoadAppSettings(CArchiveReader& archive, AppSettings& settings);
void StoreMainWindowLayout(CArchiveWriter& archive, const MainWindowLayout& layout);
// `schema` receives the part's schema (-1 when not even that was read): the watch list
// window part follows only when it is 2 or higher.
bool LoadMainWindowLayout(CArchiveReader& archive, MainWindowLayout& layout, int& schema);
void StoreWatchListWindowLayout(CArchiveWriter& archive, const WatchListWindowLayout& layout);
bool LoadWatchListWindowLayout(CArchiveReader& archive, WatchListWindowLayout& layout);

// The whole archive as bytes.
std::string StoreSettingsArchive(const AppSettings& settings, const MainWindowLayout& mainWindow,
                                 const WatchListWindowLayout& watchListWindow);
// true when every part that the schemas promise was there whole.
bool ReadSettingsArchive(const std::string& bytes, AppSettings& settings,
                         MainWindowLayout& mainWindow, WatchListWindowLayout& watchListWindow);

// ProgramFolder() + "/PAGEWARD.INI".
std::string SettingsArchivePath();

// Reads the file at `path`. Missing (also for an empty file) or Unreadable leave every
// field as it was; Damaged (the stream ends before its parts do) keeps what was read.
platform::LoadOutcome LoadSettingsFile(const std::string& path, AppSettings& settings,
                                       MainWindowLayout& mainWindow,
                                       WatchListWindowLayout& watchListWindow);
// Replaces the file at `path` through a temporary file (mode 0600), flushed and renamed.
// false on any failure; the previous file is then intact.
bool SaveSettingsFile(const std::string& path, const AppSettings& settings,
                      const MainWindowLayout& mainWindow,
                      const WatchListWindowLayout& watchListWindow);
