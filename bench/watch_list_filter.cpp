// The watch list window's filter box with ten thousand items: the first letter typed
// (every item's searchable text made), and each further letter (compared only).
#include <benchmark/benchmark.h>

#include <vector>

#include "core/ui/watch_list_filter.h"

namespace {

std::vector<WatchItem> Items() {
  std::vector<WatchItem> items(10000);
  for (std::size_t i = 0; i < items.size(); ++i) {
    items[i].m_id = static_cast<unsigned>(i + 1);
    items[i].m_url = "https://site" + std::to_string(i) + ".example/news/index.html";
    items[i].m_name = "\x83\x6a\x83\x85\x81\x5b\x83\x58 " + std::to_string(i);  // "ニュース N"
    items[i].m_tags = i % 7 == 0 ? "shop daily" : "news";
  }
  return items;
}

void FirstLetterTyped(benchmark::State& state) {
  std::vector<WatchItem> items = Items();
  for (auto _ : state) {
    CWatchListFilter filter;
    filter.SetText("s");
    int kept = 0;
    for (const WatchItem& item : items) kept += filter.Keeps(item);
    benchmark::DoNotOptimize(kept);
  }
}
BENCHMARK(FirstLetterTyped)->Unit(benchmark::kMillisecond);

void FurtherLetterTyped(benchmark::State& state) {
  std::vector<WatchItem> items = Items();
  CWatchListFilter filter;
  filter.SetText("s");
  for (const WatchItem& item : items) filter.Keeps(item);
  const char* texts[] = {"sh", "sho", "shop", "shop 99"};
  std::size_t turn = 0;
  for (auto _ : state) {
    filter.SetText(texts[turn++ % 4]);
    int kept = 0;
    for (const WatchItem& item : items) kept += filter.Keeps(item);
    benchmark::DoNotOptimize(kept);
  }
}
BENCHMARK(FurtherLetterTyped)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
