// urlwatch's filters as the importer carries them over, and the desktop's preview of an
// import.
#include <gtest/gtest.h>

#include "core/exchange/import_preview.h"
#include "core/exchange/import_reader.h"
#include "core/exchange/text_rules.h"

namespace {

ImportedJob OneJob(const std::string& yaml) {
  ImportOptions options;
  options.format = ImportFormat::Urlwatch;
  ImportReading reading = ReadImport(yaml, options);
  EXPECT_TRUE(reading.parsed) << reading.error;
  EXPECT_EQ(reading.jobs.size(), 1u);
  return reading.jobs.empty() ? ImportedJob() : reading.jobs[0];
}

std::string Notes(const ImportedJob& job) {
  std::string text;
  for (const std::string& note : job.notes) text += note + "\n";
  return text;
}

TEST(UrlwatchImport, FiltersThatCarryOverBecomeTextRulesAndTheOthersAreNamed) {
  ImportedJob job = OneJob(
      "url: http://a.example/\n"
      "filter:\n"
      "  - element-by-class: 'news  item'\n"
      "  - css: div.second\n"
      "  - re.sub: {pattern: '\\d+', repl: 'N'}\n"
      "  - grepi: '^Updated'\n"
      "  - beautify\n");
  ASSERT_EQ(job.outcome, ImportedJob::Outcome::Ready) << job.reason;
  TextRules rules = TextRules::Of(job.item);
  EXPECT_TRUE(rules.text);
  EXPECT_EQ(rules.css, ".news.item");
  EXPECT_EQ(rules.ignoreLines, std::vector<std::string>{"^Updated"});
  EXPECT_EQ(job.item.m_compareAll, 0);
  std::string notes = Notes(job);
  EXPECT_NE(notes.find("css"), std::string::npos) << "a second selection: " << notes;
  EXPECT_NE(notes.find("re.sub"), std::string::npos) << "a replacement: " << notes;
  EXPECT_NE(notes.find("beautify"), std::string::npos) << notes;

  ImportedJob xpath = OneJob("url: http://b.example/\nfilter: 'xpath://main,html2text'\n");
  EXPECT_EQ(TextRules::Of(xpath.item).xpath, "//main");
  EXPECT_TRUE(xpath.notes.empty()) << Notes(xpath);
}

TEST(UrlwatchImport, APreviewTicksOnlyWhatCanBeAddedAndGivesTheTickedItems) {
  ImportOptions options;
  options.format = ImportFormat::List;
  ImportReading reading = ReadImport("http://a.example/ x\nnot-a-url\nhttp://b.example/\n", options);
  CImportPreview preview(reading.jobs);
  ASSERT_EQ(preview.Rows().size(), 3u);
  EXPECT_TRUE(preview.Rows()[0].ticked);
  EXPECT_FALSE(preview.Rows()[1].tickable);
  EXPECT_FALSE(preview.SetTicked(1, true)) << "a refused job cannot be ticked";
  EXPECT_FALSE(preview.SetTicked(0, false));
  std::vector<WatchItem> chosen = preview.ChosenItems();
  ASSERT_EQ(chosen.size(), 1u);
  EXPECT_EQ(chosen[0].m_url, "http://b.example/");
}

}  // namespace
