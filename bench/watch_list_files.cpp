// Loading and saving a watch list of 10,000 items, each with a URL, keywords, a schedule
// and the fields a check leaves behind: target under 100 ms each.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/watch/watch_list.h"
#include "platform/clock.h"
#include "platform/program_folder.h"

namespace {

constexpr int kItems = 10000;

// A fresh program folder holding the list, removed when it goes.
struct ListFolder {
  std::string path;
  ListFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pagewarden-bench-XXXXXX").string();
    path = mkdtemp(pattern.data()) ? pattern : std::string();
    platform::SetProgramFolder(path);
  }
  ~ListFolder() { std::filesystem::remove_all(path); }
};

void WriteList() {
  CWatchList list;
  // Added in one edit, which saves once.
  list.QueueEdit([](CWatchList& edited) {
    for (int i = 0; i < kItems; ++i) {
      WatchItem item;
      item.m_name = "監視ページ " + std::to_string(i);
      item.m_url = "http://host" + std::to_string(i % 50) + ".example.jp/news/" + std::to_string(i) + ".html";
      item.m_active = 1;
      item.m_simpleKeyword = "新着情報";
      item.m_simpleKeywordCount = 3;
      item.m_compareAll = 1;
      item.m_lastModified = 1796637600;
      item.m_hiddenPath = "comp/" + std::to_string(i) + ".htm";
      edited.AddItem(item);
    }
  });
}

void BM_LoadList(benchmark::State& state) {
  ListFolder folder;
  WriteList();
  for (auto _ : state) {
    CWatchList list;
    if (!list.Load() || list.GetCount() != kItems) state.SkipWithError("the list was not read whole");
  }
}

void BM_SaveList(benchmark::State& state) {
  ListFolder folder;
  WriteList();
  CWatchList list;
  list.Load();
  for (auto _ : state) {
    if (!list.Save()) state.SkipWithError("the list was not saved");
  }
}

}  // namespace

BENCHMARK(BM_LoadList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveList)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  platform::NameSystemTimeZone();  // as both programs do
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
