// Memory of the content checks on a large page: the peak memory a keyword count (without
// regard to case) and an anchor area search of a 50 MiB page take, as the ratio to the
// page's size. The reading of the page alone (LoadPageText) is the baseline in the same
// run: the checks must take no more than the page plus a small constant, so both ratios
// stay near 1 (a lowered copy of the page would make the keyword count's 2).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "core/check/compare_page.h"
#include "core/check/page_text.h"
#include "platform/code_page_converter.h"
#include "peak_memory.h"

namespace {

constexpr std::size_t kPageSize = 50 * 1024 * 1024;

std::string WritePage() {
  std::string path = (std::filesystem::temp_directory_path() /
                      ("pagewarden-memory-" + std::to_string(getpid()) + ".htm"))
                         .string();
  std::string line = "<p>News ニュース: Update 更新情報 of the day</p>\n";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  for (std::size_t written = 0; written < kPageSize; written += line.size()) {
    std::fwrite(line.data(), 1, line.size(), file);
  }
  std::fclose(file);
  return path;
}

template <class Check>
void MeasurePeak(benchmark::State& state, Check check) {
  std::string path = WritePage();
  platform::CCodePageConverter converter;
  double ratio = 0;
  for (auto _ : state) {
    ResetPeak();
    long before = StatusKiB("VmRSS:");
    check(converter, path);
    long peak = StatusKiB("VmHWM:");
    ratio = static_cast<double>(peak - before) * 1024 / static_cast<double>(kPageSize);
  }
  state.counters["peak_per_page"] = ratio;
  std::remove(path.c_str());
}

void BM_LoadPageOnly(benchmark::State& state) {
  MeasurePeak(state, [](platform::CCodePageConverter& converter, const std::string& path) {
    benchmark::DoNotOptimize(LoadPageText(&converter, path, JapaneseCode::Auto));
  });
}

void BM_KeywordCountIgnoringCase(benchmark::State& state) {
  MeasurePeak(state, [](platform::CCodePageConverter& converter, const std::string& path) {
    WatchItem item;
    item.m_simpleKeyword = "update";
    item.m_simpleKeywordOptions = 1;
    benchmark::DoNotOptimize(ComparePage(item, path, &converter));
  });
}

void BM_AnchorArea(benchmark::State& state) {
  MeasurePeak(state, [](platform::CCodePageConverter& converter, const std::string& path) {
    WatchItem item;
    item.m_anchorKeyword = "更新情報";
    item.m_anchorNth = 1000000;
    item.m_compareData = "x";  // never equal: the page file stays
    benchmark::DoNotOptimize(ComparePage(item, path, &converter));
  });
}

}  // namespace

BENCHMARK(BM_LoadPageOnly)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_KeywordCountIgnoringCase)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_AnchorArea)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
