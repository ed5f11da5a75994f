// The text comparison against the byte comparison it replaces, as ratios in one run. Each
// side runs the check's own path after the fetch, on an unchanged page:
//   time_ratio      a 1 MiB Japanese page in UTF-8, held in memory as the fetch holds a page
//                   of that size: read in its code, parsed, a selector applied, ignore rules
//                   run and its lines compared with the text kept beside the held version
//                   (read from its file), against the whole-file comparison of the same page
//                   with the held copy (read from its file);
//                   parse_floor_ms is libxml2's bare htmlReadMemory of the same bytes, and
//                   text_per_parse the text check's time against it: any HTML parse of a
//                   page costs some hundred times a byte compare of it, so time_ratio
//                   cannot come near 3; text_per_parse is what is ours
//   peak_per_page   the peak memory of the same text check of a 20 MiB page, read from its
//                   file as the check reads a page of that size, as the ratio to the page's size
#include <benchmark/benchmark.h>
#include <libxml/HTMLparser.h>
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "core/check/compare_page.h"
#include "core/check/page_text.h"
#include "core/check/text_compare.h"
#include "core/watch/page_history.h"
#include "platform/code_page_converter.h"
#include "peak_memory.h"

namespace {

// A news site's page of exactly `size` bytes of UTF-8: a head with scripts, a menu, an
// advertisement and a list of articles, each a heading, a date and a paragraph.
std::string NewsPage(std::size_t size) {
  platform::CCodePageConverter converter;
  auto utf8 = [&](const std::string& cp932) {
    std::string text;
    converter.ConvertString(platform::kCodePageShiftJis, platform::kCodePageUtf8, cp932, text);
    return text;
  };
  std::string page = utf8(
      "<html><head><meta charset=\"UTF-8\"><title>ニュース</title><script>var t=1;</script>"
      "<style>p{margin:0}</style></head><body><nav><a href=\"/\">トップ</a></nav>"
      "<div class=\"ad\">広告</div><main>\n");
  std::string end = utf8("</main><footer>閲覧数 1234</footer></body></html>\n");
  std::string heading = utf8("：新しい記事を掲載しました</h3><span class=\"date\">2026年12月8日</span>"
                             "<p>本文です。更新情報のお知らせ &amp; 営業時間の変更について、詳しくは<a href=\"/a/");
  std::string link = utf8("\">こちら</a>をご覧ください。</p></article>\n");
  for (int article = 0;; ++article) {
    std::string number = std::to_string(article);
    std::string entry = "<article class=\"item\"><h3>" + utf8("見出し ") + number + heading +
                        number + link;
    if (page.size() + entry.size() + end.size() > size) break;
    page += entry;
  }
  page.append(size - page.size() - end.size(), '\n');
  return page + end;
}

std::string WriteFile(const std::string& bytes, const std::string& name) {
  std::string path = (std::filesystem::temp_directory_path() /
                      ("pagewarden-text-" + std::to_string(getpid()) + "-" + name)).string();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
  return path;
}

// A text item holding the version at `heldPath`, its text kept beside it as a check keeps it.
WatchItem HeldTextItem(const std::string& heldPath, const platform::CCodePageConverter& converter) {
  WatchItem item;
  item.m_textCompare = 1;
  item.m_japaneseCode = JapaneseCode::Auto;
  item.m_pageCharset = "UTF-8";
  item.m_selectCss = "main article.item h3, main article.item p";
  item.m_ignoreLines = "^閲覧数";
  item.m_hiddenPath = heldPath;
  std::optional<std::string> held = LoadPageText(&converter, heldPath, item.m_japaneseCode,
                                                 item.m_pageCharset);
  SaveVersionText(item, heldPath, text::TextToCompare(*held, TextSettingsOf(item)).lines);
  return item;
}

template <class Step>
double SecondsOf(Step step, int repeats) {
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < repeats; ++i) step();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / repeats;
}

double ParseFloorSeconds(const std::string& body) {
  int options = HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                HTML_PARSE_NONET | HTML_PARSE_COMPACT;
  return SecondsOf(
      [&] {
        xmlFreeDoc(htmlReadMemory(body.data(), static_cast<int>(body.size()), nullptr, "UTF-8",
                                  options));
      },
      5);
}

void BM_TextAgainstWholeFile1MiB(benchmark::State& state) {
  const std::string body = NewsPage(1 << 20);
  std::string held = WriteFile(body, "held.htm");
  platform::CCodePageConverter converter;
  WatchItem whole;
  whole.m_compareAll = 1;
  whole.m_pageCharset = "UTF-8";
  whole.m_hiddenPath = held;
  WatchItem item = HeldTextItem(held, converter);
  if (JudgeText(item, *PageText(&converter, body, item.m_japaneseCode, item.m_pageCharset),
                &converter).kind != TextVerdict::kSame) {
    state.SkipWithError("the unchanged page is not the same text");
  }
  double wholeFile = 0;
  double text = 0;
  for (auto _ : state) {
    wholeFile = SecondsOf(
        [&] {
          WatchItem compared = whole;
          benchmark::DoNotOptimize(ComparePageBytes(compared, body, &converter));
        },
        50);
    text = SecondsOf(
        [&] {
          std::optional<std::string> page =
              PageText(&converter, body, item.m_japaneseCode, item.m_pageCharset);
          benchmark::DoNotOptimize(JudgeText(item, *page, &converter));
        },
        10);
  }
  state.counters["whole_file_ms"] = wholeFile * 1000;
  state.counters["text_ms"] = text * 1000;
  state.counters["time_ratio"] = text / wholeFile;
  double floor = ParseFloorSeconds(body);
  state.counters["parse_floor_ms"] = floor * 1000;
  state.counters["text_per_parse"] = text / floor;
  std::remove(TextCopyPath(held).c_str());
  std::remove(held.c_str());
}

void BM_TextPeakMemory20MiB(benchmark::State& state) {
  constexpr std::size_t kSize = 20 << 20;
  std::string path = WriteFile(NewsPage(kSize), "large.htm");
  std::string held = WriteFile(NewsPage(kSize), "held.htm");
  platform::CCodePageConverter converter;
  WatchItem item = HeldTextItem(held, converter);
  double ratio = 0;
  for (auto _ : state) {
    malloc_trim(0);  // what the setup freed must not lower the peak
    ResetPeak();
    long before = StatusKiB("VmRSS:");
    {
      std::optional<std::string> page =
          LoadPageText(&converter, path, item.m_japaneseCode, item.m_pageCharset);
      benchmark::DoNotOptimize(JudgeText(item, *page, &converter));
    }
    long peak = StatusKiB("VmHWM:");
    ratio = static_cast<double>(peak - before) * 1024 / static_cast<double>(kSize);
  }
  state.counters["peak_per_page"] = ratio;
  std::remove(path.c_str());
  std::remove(TextCopyPath(held).c_str());
  std::remove(held.c_str());
}

}  // namespace

BENCHMARK(BM_TextAgainstWholeFile1MiB)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_TextPeakMemory20MiB)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
