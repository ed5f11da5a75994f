// The watch list file: loaded, and every item written back.
#include <cstdio>

#include "core/watch/watch_list.h"
#include "fuzz/fuzz_driver.h"

void FuzzOne(const std::uint8_t* data, std::size_t size) {
  WriteFuzzFile("WatchList.pgl", data, size);
  CWatchList list;
  list.Load();
  FILE* sink = std::fopen("/dev/null", "w");
  for (int i = 0; i < list.GetCount(); ++i) list.GetItem(i).Write(sink);
  std::fclose(sink);
}
