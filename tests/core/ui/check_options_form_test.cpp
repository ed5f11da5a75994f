// The check options page's rules without a display: the modes and what OK stores, the
// source view's fetch set-up and result, the anchor occurrence rule, selections in the
// view of pages in each Japanese code turned into the area a check then takes, and the
// source fetcher's superseding and stopping.
#include <gtest/gtest.h>

#include <chrono>

#include "core/check/keyword_search.h"
#include "core/check/page_text.h"
#include "core/ui/check_options_form.h"
#include "core/ui/source_fetcher.h"
#include "core/ui/source_view_positions.h"
#include "core/watch/watch_item.h"
#include "platform/code_page_converter.h"
#include "platform/file_system.h"
#include "platform/program_folder.h"
#include "platform/ui_queue.h"
#include "support/iconv_oracle.h"
#include "support/loopback_http_server.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

namespace {

using Mode = CCheckOptionsForm::Mode;

TEST(CheckOptionsForm, ModesEnablingAndWhatOkStores) {
  CScriptedPrompter prompter;
  CCheckOptionsForm form(prompter, nullptr);
  WatchItem item;
  item.m_anchorKeyword = "価格";
  item.m_compareAll = 1;
  item.m_simpleKeyword = "在庫";
  item.m_simpleKeywordCount = 7;
  form.Load(item);
  EXPECT_EQ(item.m_compareAll, 0);  // an anchor keyword rules out full text
  EXPECT_EQ(form.CurrentMode(), CCheckOptionsForm::kAnchorKeyword);
  form.FillFields(item);
  EXPECT_TRUE(form.Enabled().anchorKeyword);
  EXPECT_FALSE(form.Enabled().simpleKeyword);

  // Full text twice: no mode, the date rule.
  form.ToggleMode(CCheckOptionsForm::kFullText);
  EXPECT_EQ(form.CurrentMode(), CCheckOptionsForm::kFullText);
  form.ToggleMode(CCheckOptionsForm::kFullText);
  EXPECT_EQ(form.CurrentMode(), CCheckOptionsForm::kDateRule);
  WatchItem stored = item;
  form.Store(stored);
  EXPECT_EQ(stored.m_compareAll, 0);
  EXPECT_EQ(stored.m_anchorKeyword, "");
  EXPECT_EQ(stored.m_simpleKeyword, "");

  // The simple keyword kept: the count stays; changed, or reset: it goes.
  item = WatchItem{};
  item.m_simpleKeyword = "在庫";
  item.m_simpleKeywordCount = 7;
  for (int step = 0; step < 3; ++step) {
    form.Load(item);
    form.FillFields(item);
    EXPECT_EQ(form.CurrentMode(), CCheckOptionsForm::kSimpleKeyword);
    if (step == 1) form.Values().simpleKeyword = "在庫あり";
    if (step == 2) form.ResetCounter();
    form.Values().decrease = true;
    form.Values().anchor = "unused";
    WatchItem result = item;
    form.Store(result);
    EXPECT_EQ(result.m_simpleKeywordCount, step == 0 ? 7 : -1) << step;
    EXPECT_EQ(result.m_simpleKeywordOptions, 2);
    EXPECT_EQ(result.m_anchorKeyword, "");
  }
  EXPECT_EQ(prompter.Messages(), std::vector<std::string>{kCounterResetMessage});

  form.ChooseCode(JapaneseCode::Euc, item);
  EXPECT_EQ(item.m_japaneseCode, JapaneseCode::Euc);  // at once, before OK
}

class CheckOptionsSource : public testing::Test {
 protected:
  void SetUp() override {
    platform::SetProgramFolder(folder.Path());
    platform::MakeDirectory(folder.File("comp"));
  }

  // The page in `bytes` as if the retriever had saved it into the item's download file.
  bool Show(WatchItem& item, const std::string& bytes) {
    std::optional<FetchJob> job = form.PrepareFetch(item);
    if (!job) return false;
    folder.WriteBytes("fetched.html", bytes);
    job->m_savedPath = folder.File("fetched.html");
    return form.TakeFetched(item, *job);
  }

  TempFolder folder;
  CScriptedPrompter prompter;
  platform::CCodePageConverter converter;
  CCheckOptionsForm form{prompter, &converter};
};

TEST_F(CheckOptionsSource, TheFetchedPageBecomesTheBaseAndTheAnchorRuleHolds) {
  WatchItem item;
  EXPECT_FALSE(form.PrepareFetch(item));
  item.m_url = "http://127.0.0.1:9/a.html";
  item.m_download = DownloadMode::Overwrite;
  EXPECT_FALSE(form.PrepareFetch(item));
  EXPECT_EQ(prompter.Messages(),
            (std::vector<std::string>{kNoUrlMessage, kNoDownloadFileMessage}));

  // No download: a new private copy in "comp" receives the page.
  item.m_download = DownloadMode::PrivateCopy;
  ASSERT_TRUE(Show(item, "値段 値段\n値段 end"));
  EXPECT_EQ(item.m_hiddenPath, folder.Path() + "/comp/temp.tmp");
  EXPECT_EQ(folder.ReadBytes("comp/temp.tmp"), "値段 値段\n値段 end");

  // The 5th of 3: told with 5, the 3rd is used and written back.
  form.Values().anchor = "値段";
  form.Values().nth = "5";
  std::optional<CCheckOptionsForm::AnchorHighlight> anchor = form.HighlightAnchor();
  ASSERT_TRUE(anchor);
  EXPECT_TRUE(anchor->nthRewritten);
  EXPECT_EQ(form.Values().nth, "3");
  EXPECT_EQ(anchor->range, (TextRange{11, 15}));  // after "値段 値段\r\n"
  EXPECT_EQ(prompter.Messages().back().substr(0, 1), "5");

  form.Values().anchor.clear();
  EXPECT_FALSE(form.AreaFromSelection({0, 4}));
  form.Values().anchor = "値段";
  EXPECT_FALSE(form.AnchorFromSelection({3, 3}));
  EXPECT_EQ(prompter.Messages()[prompter.Messages().size() - 2], kAnchorFirstMessage);
  EXPECT_EQ(prompter.Messages().back(), kSelectInSourceMessage);

  FetchJob failed;
  failed.m_outcome = FetchOutcome::Failed;
  failed.m_savePath = folder.File("comp/temp_1.tmp");
  EXPECT_FALSE(form.TakeFetched(item, failed));
  EXPECT_EQ(prompter.Messages().back(), kCannotDownloadMessage);
  EXPECT_EQ(folder.ReadBytes("comp/temp.tmp"), "値段 値段\n値段 end");  // the base stays
}

// A selection made in the control's own positions, in a page written in each Japanese
// code with double-byte, half-width katakana and mixed line ends, names the area a check
// of the stored item extracts.
TEST_F(CheckOptionsSource, ASelectionInTheViewIsTheAreaTheCheckTakes) {
  const std::string page = "<p>ｶﾀｶﾅ\r\n価格：\n\r  1,280円\n（税込）ｾｰﾙ\r\n価格：980円</p>";
  struct Coded {
    JapaneseCode code;
    const char* iconvName;
  } codes[] = {{JapaneseCode::ShiftJis, nullptr},
               {JapaneseCode::Euc, "EUC-JP"},
               {JapaneseCode::Utf8, "UTF-8"},
               {JapaneseCode::Jis, "ISO-2022-JP"}};
  for (const Coded& coded : codes) {
    // Half-width katakana have no place in ISO-2022-JP.
    std::string text = page;
    if (coded.code == JapaneseCode::Jis) {
      for (const char* kana : {"ｶﾀｶﾅ", "ｾｰﾙ"}) text.replace(text.find(kana), std::string(kana).size(), "カナ");
    }
    std::optional<std::string> bytes =
        coded.iconvName ? IconvConvert(coded.iconvName, "CP932", text) : std::optional(text);
    ASSERT_TRUE(bytes) << StoredNumber(coded.code);
    WatchItem item;
    item.m_url = "http://127.0.0.1:9/price.html";
    item.m_japaneseCode = coded.code;
    ASSERT_TRUE(Show(item, *bytes)) << StoredNumber(coded.code);

    CSourceViewPositions view(form.Source().Display());
    // In the control's characters: the anchor "価格：" and the area after it up to the
    // second one, across a lone LF and a CR LF.
    const std::string display = form.Source().Display();
    int anchorAt = static_cast<int>(display.find("価格："));
    int areaAt = static_cast<int>(display.find("1,280"));
    int areaEnd = static_cast<int>(display.find("\r\n価格：980"));
    TextRange anchorInView{view.ToView(anchorAt), view.ToView(anchorAt + 6)};
    TextRange areaInView{view.ToView(areaAt), view.ToView(areaEnd)};
    EXPECT_EQ(view.ToDisplay(anchorInView.end), anchorAt + 6) << StoredNumber(coded.code);

    form.Values().anchor.clear();
    ASSERT_TRUE(form.AnchorFromSelection({view.ToDisplay(anchorInView.start), view.ToDisplay(anchorInView.end)}));
    EXPECT_EQ(form.Values().anchor, "価格：");
    EXPECT_EQ(form.Values().nth, "1");
    ASSERT_TRUE(form.AreaFromSelection({view.ToDisplay(areaInView.start), view.ToDisplay(areaInView.end)}));
    item.m_anchorKeyword = form.Values().anchor;
    form.Store(item);  // the anchor mode is not on: nothing of it is stored
    EXPECT_EQ(item.m_anchorKeyword, "");

    std::optional<std::string> raw = LoadPageText(&converter, item.m_hiddenPath, coded.code);
    ASSERT_TRUE(raw);
    std::string expected = display.substr(areaAt, areaEnd - areaAt);
    std::string taken = ExtractArea(*raw, "価格：", 1, std::stoi(form.Values().offset), std::stoi(form.Values().size));
    // The raw page keeps its own line ends: compare without the CRs the view added.
    auto withoutCr = [](std::string s) { std::erase(s, '\r'); return s; };
    EXPECT_EQ(withoutCr(taken), withoutCr(expected)) << StoredNumber(coded.code);
    EXPECT_EQ(taken.size(), static_cast<std::size_t>(std::stoi(form.Values().size)));
  }
}

TEST(SourceViewPositions, CountsCharactersNotBytes) {
  CSourceViewPositions view("aｱ\r\n漢b");
  EXPECT_EQ(view.ViewText(), "aｱ\n漢b");
  // a ｱ \n 漢 b: control positions 0..5
  for (auto [control, display] : {std::pair{0, 0}, {1, 1}, {2, 2}, {3, 4}, {4, 6}, {5, 7}}) {
    EXPECT_EQ(view.ToDisplay(control), display);
    EXPECT_EQ(view.ToView(display), control);
  }
  EXPECT_EQ(view.ToView(5), 3);  // inside the kanji: its start
}

TEST(SourceFetcher, ANewerFetchSupersedesAStalledOneAndStopBreaksOff) {
  TempFolder folder;
  LoopbackHttpServer server;
  ScriptedResponse stalled = ScriptedResponse::Ok("first");
  stalled.delayMs = 30000;
  server.Enqueue("/slow", stalled);
  server.Enqueue("/slow", stalled);
  server.Enqueue("/fast", ScriptedResponse::Ok("second"));
  platform::CLoopQueue queue;
  CScriptedPrompter prompter;
  auto job = [&](const char* path, const char* file) {
    FetchJob made;
    made.m_url = server.Url(path);
    made.m_savePath = folder.File(file);
    made.m_allowRelocation = 1;
    return made;
  };
  std::vector<std::string> results;
  auto start = std::chrono::steady_clock::now();
  {
    CSourceFetcher fetcher(queue, prompter);
    fetcher.Start(job("/slow", "a.html"), {}, [&](const FetchJob& done) { results.push_back("slow"); (void)done; });
    fetcher.Start(job("/fast", "b.html"), {}, [&](const FetchJob& done) {
      results.push_back(done.m_outcome == FetchOutcome::Fetched ? "fast" : "failed");
    });
    EXPECT_TRUE(fetcher.Busy());
    ASSERT_TRUE(queue.RunUntil([&] { return !fetcher.Busy(); }, 10000));
    EXPECT_EQ(results, std::vector<std::string>{"fast"});
    EXPECT_EQ(folder.ReadBytes("b.html"), "second");

    fetcher.Start(job("/slow", "c.html"), {}, [&](const FetchJob&) { results.push_back("late"); });
    fetcher.Cancel();
    EXPECT_FALSE(fetcher.Busy());
  }  // joins the broken-off workers
  queue.RunPending();
  EXPECT_EQ(results, std::vector<std::string>{"fast"});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

}  // namespace
