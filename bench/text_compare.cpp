// The text comparison against the byte comparison it replaces, as ratios in one run:
//   time_ratio      the text of a 1 MiB Japanese page (UTF-8) read in its code, parsed,
//                   a selector applied and its lines compared with the held text, against
//                   the whole-file comparison of the same page with its held copy
//   peak_per_page   the peak memory of taking the text (with a selector) of a 20 MiB page,
//                   as the ratio to the page's size
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "core/check/compare_page.h"
#include "core/check/page_text.h"
#include "core/check/text_compare.h"
#include "core/text/added_lines.h"
#include "platform/code_page_converter.h"
#include "peak_memory.h"

namespace {

// A news site's page of about `size` bytes in UTF-8: a head with scripts, a menu, an
// advertisement and a list of articles, each a heading, a date and a paragraph.
std::string WritePage(std::size_t size, const std::string& name) {
  std::string cp932 =
      "<html><head><meta charset=\"UTF-8\"><title>ニュース</title><script>var t=1;</script>"
      "<style>p{margin:0}</style></head><body><nav><a href=\"/\">トップ</a></nav>"
      "<div class=\"ad\">広告</div><main>\n";
  for (int article = 0; cp932.size() < size; ++article) {
    cp932 += "<article class=\"item\"><h3>見出し " + std::to_string(article) +
             "：新しい記事を掲載しました</h3><span class=\"date\">2026年12月8日</span>"
             "<p>本文です。更新情報のお知らせ &amp; 営業時間の変更について、詳しくは<a href=\"/a/" +
             std::to_string(article) + "\">こちら</a>をご覧ください。</p></article>\n";
  }
  cp932 += "</main><footer>閲覧数 1234</footer></body></html>\n";
  platform::CCodePageConverter converter;
  std::string utf8;
  converter.ConvertString(platform::kCodePageShiftJis, platform::kCodePageUtf8, cp932, utf8);
  std::string path = (std::filesystem::temp_directory_path() /
                      ("pagewarden-text-" + std::to_string(getpid()) + "-" + name)).string();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  std::fwrite(utf8.data(), 1, utf8.size(), file);
  std::fclose(file);
  return path;
}

WatchItem TextItem() {
  WatchItem item;
  item.m_textCompare = 1;
  item.m_japaneseCode = JapaneseCode::Utf8;
  item.m_selectCss = "main article.item h3, main article.item p";
  item.m_ignoreLines = "^閲覧数";
  return item;
}

template <class Step>
double SecondsOf(Step step, int repeats) {
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < repeats; ++i) step();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / repeats;
}

void BM_TextAgainstWholeFile1MiB(benchmark::State& state) {
  std::string page = WritePage(1 << 20, "page.htm");
  std::string held = WritePage(1 << 20, "held.htm");
  platform::CCodePageConverter converter;
  WatchItem bytes;
  bytes.m_compareAll = 1;
  bytes.m_hiddenPath = held;
  WatchItem item = TextItem();
  std::vector<std::string> heldLines =
      text::TextToCompare(*LoadPageText(&converter, held, item.m_japaneseCode), TextSettingsOf(item)).lines;
  double wholeFile = 0;
  double text = 0;
  for (auto _ : state) {
    wholeFile = SecondsOf([&] { benchmark::DoNotOptimize(ComparePage(bytes, page, &converter)); }, 20);
    text = SecondsOf(
        [&] {
          std::optional<std::string> read = LoadPageText(&converter, page, item.m_japaneseCode);
          text::ComparedText compared = text::TextToCompare(*read, TextSettingsOf(item));
          benchmark::DoNotOptimize(text::CompareLines(heldLines, compared.lines));
        },
        5);
  }
  state.counters["whole_file_ms"] = wholeFile * 1000;
  state.counters["text_ms"] = text * 1000;
  state.counters["time_ratio"] = text / wholeFile;
  std::remove(page.c_str());
  std::remove(held.c_str());
}

void BM_TextPeakMemory20MiB(benchmark::State& state) {
  constexpr std::size_t kSize = 20 << 20;  // bytes of Shift_JIS text: more in UTF-8
  std::string path = WritePage(kSize, "large.htm");
  platform::CCodePageConverter converter;
  WatchItem item = TextItem();
  double ratio = 0;
  for (auto _ : state) {
    ResetPeak();
    long before = StatusKiB("VmRSS:");
    {
      std::optional<std::string> read = LoadPageText(&converter, path, item.m_japaneseCode);
      benchmark::DoNotOptimize(text::TextToCompare(*read, TextSettingsOf(item)));
    }
    long peak = StatusKiB("VmHWM:");
    ratio = static_cast<double>(peak - before) * 1024 / static_cast<double>(kSize);
  }
  state.counters["peak_per_page"] = ratio;
  std::remove(path.c_str());
}

}  // namespace

BENCHMARK(BM_TextAgainstWholeFile1MiB)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_TextPeakMemory20MiB)->Unit(benchmark::kMillisecond)->Iterations(2);

BENCHMARK_MAIN();
