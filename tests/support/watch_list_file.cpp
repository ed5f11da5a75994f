#include "support/watch_list_file.h"

#include "core/watch/watch_list.h"
#include "platform/program_folder.h"

std::vector<WatchItem> ReadWatchListFile(const std::string& folder) {
  platform::SetProgramFolder(folder);
  CWatchList list;
  list.Load();
  std::vector<WatchItem> items;
  for (int i = 0; i < list.GetCount(); ++i) items.push_back(list.GetItem(i));
  return items;
}
