// The settings archive: read, and what was read stored again.
#include "core/app/settings_archive.h"
#include "fuzz/fuzz_driver.h"

void FuzzOne(const std::uint8_t* data, std::size_t size) {
  AppSettings settings;
  MainWindowLayout mainWindow;
  WatchListWindowLayout watchListWindow;
  std::string bytes(reinterpret_cast<const char*>(data), size);
  ReadSettingsArchive(bytes, settings, mainWindow, watchListWindow);
  std::string stored = StoreSettingsArchive(settings, mainWindow, watchListWindow);
  ReadSettingsArchive(stored, settings, mainWindow, watchListWindow);
}
