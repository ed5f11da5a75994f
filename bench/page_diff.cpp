// What changed on a large page: a 5 MB Shift_JIS page with one line changed, read and
// diffed line by line as the change window and `diff N` do, against the baseline of just
// reading both versions as page text. The target: the diff well under a second, a small
// multiple of the reading. And a 40 MB page changed throughout, whose change is too large
// to find: the answer that says so within 2 seconds.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "core/check/page_diff.h"
#include "core/check/page_text.h"
#include "core/watch/page_history.h"
#include "platform/code_page_converter.h"
#include "platform/file_system.h"
#include "platform/program_folder.h"

namespace {

constexpr std::size_t kPageSize = 5 * 1024 * 1024;

std::string MakePage(bool changed) {
  std::string page = "<html><head><meta charset=\"Shift_JIS\"></head><body>\n";
  for (int number = 0; page.size() < kPageSize; ++number) {
    page += "<p>" + std::to_string(number) + " 更新情報：新しい記事を掲載しました。</p>\n";
    if (number == 40000) page += changed ? "<p>価格を改定しました。</p>\n" : "<p>価格は据え置きです。</p>\n";
  }
  return page;
}

struct Versions {
  Versions() {
    std::string stem = (std::filesystem::temp_directory_path() /
                        ("pagewarden-diff-" + std::to_string(getpid()))).string();
    before = stem + "-before.htm";
    after = stem + "-after.htm";
    ok = Write(before, MakePage(false)) && Write(after, MakePage(true));
  }
  ~Versions() {
    std::remove(before.c_str());
    std::remove(after.c_str());
  }
  static bool Write(const std::string& path, const std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
  }
  std::string before, after;
  bool ok = false;
  platform::CCodePageConverter converter;
};

void BM_ReadBothVersions(benchmark::State& state) {
  Versions versions;
  if (!versions.ok) state.SkipWithError("cannot write the pages");
  for (auto _ : state) {
    auto before = LoadPageText(&versions.converter, versions.before, JapaneseCode::ShiftJis);
    auto after = LoadPageText(&versions.converter, versions.after, JapaneseCode::ShiftJis);
    benchmark::DoNotOptimize(before);
    benchmark::DoNotOptimize(after);
  }
}

void BM_ReadAndDiffBothVersions(benchmark::State& state) {
  Versions versions;
  if (!versions.ok) state.SkipWithError("cannot write the pages");
  for (auto _ : state) {
    auto before = LoadPageText(&versions.converter, versions.before, JapaneseCode::ShiftJis);
    auto after = LoadPageText(&versions.converter, versions.after, JapaneseCode::ShiftJis);
    std::vector<DiffHunk> hunks = DiffTexts(*before, *after);
    if (hunks.size() != 1) state.SkipWithError("the one change was not found alone");
    benchmark::DoNotOptimize(hunks);
  }
}

// Two versions of a 40 MB page that share no line, kept as an item's current page and its
// previous version in a data folder of their own.
struct RewrittenItem {
  RewrittenItem() {
    folder = (std::filesystem::temp_directory_path() /
              ("pagewarden-rewritten-" + std::to_string(getpid()))).string();
    std::filesystem::create_directories(folder + "/comp");
    platform::SetProgramFolder(folder);
    item.m_hiddenPath = folder + "/comp/copy.tmp";
    item.m_japaneseCode = JapaneseCode::ShiftJis;
    ok = Versions::Write(item.m_hiddenPath, Page("前の版")) &&
         (KeepPreviousVersion(item, item.m_hiddenPath, 1), true) &&
         Versions::Write(item.m_hiddenPath, Page("今の版"));
  }
  ~RewrittenItem() { std::filesystem::remove_all(folder); }
  static std::string Page(const std::string& version) {
    std::string page;
    page.reserve(kRewrittenSize + 128);
    for (int number = 0; page.size() < kRewrittenSize; ++number) {
      page += "<p>" + version + " " + std::to_string(number) + " 行目の記事</p>\n";
    }
    return page;
  }
  static constexpr std::size_t kRewrittenSize = 40 * 1024 * 1024;
  std::string folder;
  WatchItem item;
  bool ok = false;
  platform::CCodePageConverter converter;
};

void BM_PageChangedThroughout40MB(benchmark::State& state) {
  RewrittenItem rewritten;
  if (!rewritten.ok) state.SkipWithError("cannot write the pages");
  for (auto _ : state) {
    PageChange change = LoadPageChange(rewritten.item, &rewritten.converter);
    if (change.status != PageChange::kTooManyChanges) state.SkipWithError("the change was not refused");
    benchmark::DoNotOptimize(change);
  }
}

}  // namespace

BENCHMARK(BM_ReadBothVersions)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadAndDiffBothVersions)->Unit(benchmark::kMillisecond);
// Target: under 2000 ms.
BENCHMARK(BM_PageChangedThroughout40MB)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
