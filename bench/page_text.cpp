// Reading a large downloaded page as CP932 text: LoadPageText of a 10 MiB page in UTF-8
// and in EUC-JP, each declared in its head and detected, as a check would read it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "core/check/page_text.h"
#include "platform/code_page_converter.h"

namespace {

constexpr std::size_t kPageSize = 10 * 1024 * 1024;

// A page of Japanese lines with some markup, about kPageSize bytes in `codePage`.
std::string MakePage(int codePage) {
  platform::CCodePageConverter converter;
  std::string head = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=" +
                     std::string(codePage == platform::kCodePageEucJp ? "EUC-JP" : "UTF-8") +
                     "\"></head><body>\n";
  std::string line;
  converter.ConvertString(platform::kCodePageShiftJis, platform::kCodePageUtf8,
                          "<p>更新情報：新しい記事を掲載しました。（2024年4月1日）</p>\n", line);
  if (codePage == platform::kCodePageEucJp) {
    // EUC-JP of the same line, built through ISO-2022-JP: the JIS bytes with the high bit set.
    std::string cp932;
    converter.ConvertString(platform::kCodePageUtf8, platform::kCodePageShiftJis, line, cp932);
    std::string jis;
    converter.ConvertString(platform::kCodePageShiftJis, platform::kCodePageIso2022Jp, cp932, jis);
    line.clear();
    bool doubleByte = false;
    for (std::size_t i = 0; i < jis.size(); ++i) {
      if (jis[i] == '\x1B') {
        doubleByte = jis[i + 1] == '$';
        i += 2;
        continue;
      }
      line.push_back(doubleByte ? static_cast<char>(jis[i] | 0x80) : jis[i]);
    }
  }
  std::string page = head;
  page.reserve(kPageSize + line.size());
  while (page.size() < kPageSize) page += line;
  return page;
}

void BM_LoadPageText(benchmark::State& state, int codePage) {
  std::string page = MakePage(codePage);
  std::string path = (std::filesystem::temp_directory_path() /
                      ("pagewarden-bench-" + std::to_string(getpid()) + ".htm"))
                         .string();
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    state.SkipWithError("cannot write the page");
    return;
  }
  std::fwrite(page.data(), 1, page.size(), file);
  std::fclose(file);
  platform::CCodePageConverter converter;
  std::optional<std::string> once = LoadPageText(&converter, path, JapaneseCode::Auto);
  if (!once || once->size() < kPageSize / 2 || once->find('?') != std::string::npos) {
    state.SkipWithError("the page did not convert cleanly");
  }
  once.reset();
  for (auto _ : state) {
    std::optional<std::string> text = LoadPageText(&converter, path, JapaneseCode::Auto);
    if (!text || text->empty()) state.SkipWithError("the page was not read");
    benchmark::DoNotOptimize(text);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(page.size()));
  std::remove(path.c_str());
}

}  // namespace

BENCHMARK_CAPTURE(BM_LoadPageText, Utf8, platform::kCodePageUtf8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadPageText, EucJp, platform::kCodePageEucJp)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
