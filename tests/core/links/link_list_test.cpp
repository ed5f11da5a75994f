// The link list against files on disk and pages on the loopback server.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "core/common/app_settings.h"
#include "core/links/link_list.h"
#include "core/links/link_notify.h"
#include "platform/file_system.h"
#include "platform/ui_queue.h"
#include "support/child_process.h"
#include "support/loopback_http_server.h"
#include "support/scripted_prompter.h"
#include "support/link_folder_fixture.h"
#include "support/temp_folder.h"

namespace {

const char kMonday[] = "Last-Modified: Mon, 07 Dec 2026 01:00:00 GMT";
const char kTuesday[] = "Last-Modified: Tue, 08 Dec 2026 01:00:00 GMT";

ScriptedResponse Page(const std::string& body, const char* date = nullptr) {
  ScriptedResponse answer = ScriptedResponse::Ok(body, "application/octet-stream");
  if (date) answer.headers.push_back(date);
  return answer;
}

struct Report {
  int index;
  LinkResult result;
  std::string file;
};

class CRecordingNotify : public ILinkNotify {
 public:
  void OnLinkItemDone(int index, LinkResult result, const FetchRequest& item) override {
    reports.push_back({index, result, item.m_savePath});
  }
  void OnLinkAllDone() override { ++allDone; }
  std::vector<Report> reports;
  int allDone = 0;
};

// One record of the list file as a companion writes it (Windows text mode, full path).
std::string Record(const std::string& url, const std::string& file) {
  FetchRequest request;
  request.m_url = url;
  request.m_savePath = "C:\\dl\\" + file;
  TempFolder scratch;
  FILE* out = platform::OpenFile(scratch.File("r"), "w");
  request.Write(out);
  std::fclose(out);
  return scratch.ReadBytes("r");
}

class LinkListTest : public ::testing::Test, public LinkFolderFixture {
 protected:
  std::string Url(const std::string& path) { return server.Url(path); }
  void WriteList(const std::vector<std::pair<std::string, std::string>>& links) {
    std::string bytes;
    for (const auto& [path, file] : links) bytes += Record(Url(path), file);
    folder.WriteBytes(kLinkListName, bytes);
  }
  bool Exists(const std::string& name) { return platform::FileExists(folder.File(name)); }
  std::size_t RequestsWith(const std::string& method) {
    std::size_t count = 0;
    for (const HttpRequestRecord& request : server.Requests()) count += request.method == method;
    return count;
  }
};

}  // namespace

TEST_F(LinkListTest, LocksKeepTwoProgramsApart) {
  WriteList({{"/a", "a.bin"}});
  {
    CLinkList list(environment);
    ASSERT_EQ(list.Open(folder.Path() + "/ ", false), 1);
    EXPECT_EQ(list.Folder(), folder.Path());
    EXPECT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.GetItem(0).m_savePath, "a.bin");  // the companion's full path is cut
    EXPECT_TRUE(std::regex_match(folder.ReadBytes("dialog.lock"),
                                 std::regex("Pagewarden\\[[0-9]+\\]")));
    EXPECT_FALSE(Exists("append.lock"));

    // A second program finds the dialog lock and is refused, touching nothing.
    CLinkList other(environment);
    EXPECT_EQ(other.Open(folder.Path(), false), 0);
    EXPECT_EQ(other.GetCount(), 0);
  }
  // The object that held the lock removed it as it went.
  EXPECT_FALSE(Exists("dialog.lock"));

  // An append lock left by a companion refuses the open, and the dialog lock is not kept.
  folder.WriteBytes("append.lock", "Linkreel[1]");
  CLinkList refused(environment);
  EXPECT_EQ(refused.Open(folder.Path(), false), 0);
  EXPECT_FALSE(Exists("dialog.lock"));
  EXPECT_EQ(folder.ReadBytes("append.lock"), "Linkreel[1]");

  // By force both locks are taken over; the append lock goes once the list is read.
  folder.WriteBytes("dialog.lock", "Linkreel[1]");
  CLinkList forced(environment);
  EXPECT_EQ(forced.Open(folder.Path(), true), 1);
  EXPECT_EQ(forced.GetCount(), 1);
  EXPECT_FALSE(Exists("append.lock"));
  EXPECT_NE(folder.ReadBytes("dialog.lock"), "Linkreel[1]");

  // Saving an unchanged list writes nothing and only gives the dialog lock back.
  std::string before = folder.ReadBytes(kLinkListName);
  EXPECT_EQ(forced.Save(), 0);
  EXPECT_FALSE(Exists("dialog.lock"));
  EXPECT_EQ(folder.ReadBytes(kLinkListName), before);

  // A folder that does not exist opens empty: it has no lock that anyone could hold.
  CLinkList missing(environment);
  EXPECT_EQ(missing.Open(folder.File("none"), false), 1);
  EXPECT_EQ(missing.GetCount(), 0);
  EXPECT_FALSE(missing.HoldsDialogLock());
}

TEST_F(LinkListTest, SaveKeepsRecordsAppendedSinceTheLoad) {
  WriteList({{"/a", "a.bin"}, {"/b", "b.bin"}});
  CLinkList list(environment);
  ASSERT_EQ(list.Open(folder.Path(), false), 1);
  FetchRequest renamed = list.GetItem(1);
  renamed.m_name = "二番目";
  list.SetItem(1, renamed);
  ASSERT_EQ(list.RemoveItem(0), 0);

  // The companion appends two records, the second one still being written.
  std::string appended = Record(Url("/c"), "c.bin") + Record(Url("/d"), "d.bin");
  std::string partial = appended + "\t//{{TOP\r\nDest: e.bin\r\n";
  folder.WriteBytes(kLinkListName, folder.ReadBytes(kLinkListName) + partial);

  EXPECT_EQ(list.Save(), 0);
  std::string saved = folder.ReadBytes(kLinkListName);
  ASSERT_GT(saved.size(), partial.size());
  EXPECT_EQ(saved.substr(saved.size() - partial.size()), partial);
  EXPECT_NE(saved.find("Name: 二番目\r\n"), std::string::npos);
  EXPECT_EQ(saved.find("Dest: a.bin"), std::string::npos);
  EXPECT_FALSE(Exists("dialog.lock"));
  EXPECT_FALSE(Exists("tmp.hlk"));

  CLinkList reread(environment);
  ASSERT_EQ(reread.Open(folder.Path(), false), 1);
  ASSERT_EQ(reread.GetCount(), 3);
  EXPECT_EQ(reread.GetItem(2).m_savePath, "d.bin");
}

TEST_F(LinkListTest, AppendLockAtSaveAsksFirst) {
  WriteList({{"/a", "a.bin"}});
  folder.WriteBytes("tmp.hlk", "left by a crash");
  CLinkList list(environment);
  ASSERT_EQ(list.Open(folder.Path(), false), 1);
  list.RemoveItem(0);
  std::string before = folder.ReadBytes(kLinkListName);
  folder.WriteBytes("append.lock", "Linkreel[1]");

  // Cancel: nothing written, the dialog lock stays.
  prompter.QueueAnswer(IPrompter::Answer::Cancel);
  EXPECT_EQ(list.Save(), -1);
  EXPECT_EQ(folder.ReadBytes(kLinkListName), before);
  EXPECT_TRUE(Exists("dialog.lock"));

  // No asks again while the lock stays; Yes writes without it and leaves it to its owner.
  prompter.QueueAnswer(IPrompter::Answer::No);
  prompter.QueueAnswer(IPrompter::Answer::Yes);
  EXPECT_EQ(list.Save(), 0);
  std::vector<CScriptedPrompter::Question> questions = prompter.Questions();
  ASSERT_EQ(questions.size(), 3u);
  EXPECT_EQ(questions[2].text,
            "更新データファイルが他の作業で使用中です。\nデータを強制的に書き出しますか？\n");
  EXPECT_EQ(questions[2].buttons, IPrompter::Buttons::YesNoCancel);
  EXPECT_EQ(folder.ReadBytes(kLinkListName), "");
  EXPECT_EQ(folder.ReadBytes("append.lock"), "Linkreel[1]");
  EXPECT_EQ(folder.ReadBytes("tmp.hlk"), "left by a crash");  // a free variant was used
  EXPECT_FALSE(Exists("dialog.lock"));
}

TEST_F(LinkListTest, UpdateFollowsTheServersDate) {
  WriteList({{"/page.htm", "page.htm"}, {"/gone.htm", "gone.htm"}});
  CLinkList list(environment);
  CRecordingNotify notify;
  list.SetNotify(nullptr, &notify);
  ASSERT_EQ(list.Open(folder.Path(), false), 1);

  // A file deleted by hand is fetched again at once, without asking for the date.
  server.Enqueue("/page.htm", Page("monday", kMonday));
  EXPECT_EQ(list.UpdateItem(0), LinkResult::Updated);
  EXPECT_EQ(RequestsWith("HEAD"), 0u);
  EXPECT_EQ(folder.ReadBytes("page.htm"), "monday");
  FetchRequest item = list.GetItem(0);
  EXPECT_GT(item.m_lastModified, 0);
  EXPECT_GT(item.m_load, 0);
  EXPECT_TRUE(list.IsModified());

  // The same date: nothing fetched.
  server.Enqueue("/page.htm", Page("", kMonday));
  EXPECT_EQ(list.UpdateItem(0), LinkResult::NotUpdated);
  EXPECT_EQ(RequestsWith("GET"), 1u);

  // A newer date: the new version goes beside the old one, and the link names it.
  server.Enqueue("/page.htm", Page("", kTuesday));
  server.Enqueue("/page.htm", Page("tuesday", kTuesday));
  EXPECT_EQ(list.UpdateItem(0), LinkResult::Updated);
  EXPECT_EQ(folder.ReadBytes("page.htm"), "monday");
  EXPECT_EQ(folder.ReadBytes("page_1.htm"), "tuesday");
  EXPECT_EQ(list.GetItem(0).m_savePath, "page_1.htm");
  EXPECT_EQ(list.GetItem(0).m_lastModified - item.m_lastModified, 24 * 3600);

  // A failed query is an error that changes nothing; so is a failed download.
  server.Enqueue("/page.htm", ScriptedResponse::Status(500));
  EXPECT_EQ(list.UpdateItem(0), LinkResult::Error);
  EXPECT_EQ(list.UpdateItem(1), LinkResult::Error);  // /gone.htm answers 404
  ScriptedResponse cut = Page(std::string(5000, 'c'));
  cut.closeAfter = 1000;
  server.Enqueue("/gone.htm", cut);
  EXPECT_EQ(list.UpdateItem(1), LinkResult::Error);
  EXPECT_EQ(list.GetItem(1).m_load, 0);
  EXPECT_FALSE(Exists("gone.htm"));
  EXPECT_FALSE(Exists("temp.tmp"));  // nothing of the cut download stays
  EXPECT_EQ(list.UpdateItem(2), LinkResult::NotRun);

  ASSERT_EQ(notify.reports.size(), 6u);
  EXPECT_EQ(notify.reports[2].file, "page_1.htm");
  EXPECT_EQ(notify.reports[5].index, 1);
  EXPECT_EQ(notify.reports[5].result, LinkResult::Error);
  EXPECT_EQ(list.Save(), 0);
  EXPECT_NE(folder.ReadBytes(kLinkListName).find("Dest: page_1.htm\r\n"), std::string::npos);
}

TEST_F(LinkListTest, WithoutDatesTheContentDecides) {
  WriteList({{"/plain", "plain.txt"}});
  folder.WriteBytes("plain.txt", "old");
  CLinkList list(environment);
  ASSERT_EQ(list.Open(folder.Path(), false), 1);

  server.Enqueue("/plain", Page(""));
  server.Enqueue("/plain", Page("old"));
  EXPECT_EQ(list.UpdateItem(0), LinkResult::NotUpdated);
  EXPECT_FALSE(list.IsModified());

  // Changed content replaces the file in place.
  server.Enqueue("/plain", Page(""));
  server.Enqueue("/plain", Page("new"));
  EXPECT_EQ(list.UpdateItem(0), LinkResult::Updated);
  EXPECT_EQ(folder.ReadBytes("plain.txt"), "new");
  EXPECT_EQ(list.GetItem(0).m_savePath, "plain.txt");
  EXPECT_EQ(list.GetItem(0).m_lastModified, 0);

  // With overwriting on, a new date replaces the file in place too.
  settings.m_linkOverwrite = 1;
  server.Enqueue("/plain", Page("", kMonday));
  server.Enqueue("/plain", Page("newer", kMonday));
  EXPECT_EQ(list.UpdateItem(0), LinkResult::Updated);
  EXPECT_EQ(folder.ReadBytes("plain.txt"), "newer");
  EXPECT_FALSE(Exists("plain_1.txt"));
  EXPECT_FALSE(Exists("temp.tmp"));
}

TEST_F(LinkListTest, UpdateAllReportsEachLinkAndKeepsWhatAnotherProcessAppends) {
  WriteList({{"/one", "one.bin"}, {"/two", "two.bin"}, {"/three", "three.bin"}});
  std::string extra = Record(Url("/four"), "four.bin");
  folder.WriteBytes("extra", extra);
  std::string list_path = folder.File(kLinkListName);
  // While the second link downloads, another process appends a record to the list.
  server.Handle("/two", [&](const HttpRequestRecord&) {
    RunProgram("/bin/sh", {"-c", "cat '" + folder.File("extra") + "' >> '" + list_path + "'"});
    return Page("two");
  });
  server.Handle("/one", [](const HttpRequestRecord&) { return Page("one"); });
  server.Handle("/three", [](const HttpRequestRecord&) { return Page("three"); });

  platform::CLoopQueue queue;
  CRecordingNotify notify;
  CLinkList list(environment);
  list.SetNotify(&queue, &notify);
  ASSERT_EQ(list.Open(folder.Path(), false), 1);
  ASSERT_TRUE(list.StartUpdateAll());
  EXPECT_FALSE(list.StartUpdateAll());  // one run at a time
  ASSERT_TRUE(queue.RunUntil([&] { return notify.allDone == 1; }, 20000));
  EXPECT_TRUE(list.WaitUntilIdle(5000));

  ASSERT_EQ(notify.reports.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(notify.reports[i].index, i);
    EXPECT_EQ(notify.reports[i].result, LinkResult::Updated);
  }
  EXPECT_EQ(folder.ReadBytes("two.bin"), "two");
  ASSERT_EQ(list.Save(), 0);
  std::string saved = folder.ReadBytes(kLinkListName);
  EXPECT_EQ(saved.substr(saved.size() - extra.size()), extra);
  CLinkList reread(environment);
  ASSERT_EQ(reread.Open(folder.Path(), false), 1);
  EXPECT_EQ(reread.GetCount(), 4);
  EXPECT_GT(reread.GetItem(1).m_load, 0);
}

TEST_F(LinkListTest, StopEndsTheRunAfterTheCurrentLink) {
  WriteList({{"/slow", "slow.bin"}, {"/next", "next.bin"}});
  CLinkList* running = nullptr;
  server.Handle("/slow", [&](const HttpRequestRecord&) {
    running->StopUpdate();
    return Page("slow");
  });
  CRecordingNotify notify;
  {
    CLinkList list(environment);
    running = &list;
    list.SetNotify(nullptr, &notify);
    ASSERT_EQ(list.Open(folder.Path(), false), 1);
    ASSERT_TRUE(list.StartUpdateAll());
    ASSERT_TRUE(list.WaitUntilIdle(20000));
    EXPECT_FALSE(list.IsBusy());
    ASSERT_EQ(notify.reports.size(), 1u);
    EXPECT_EQ(notify.allDone, 1);
    EXPECT_FALSE(Exists("next.bin"));

    // A run that is still going when the list goes is stopped and joined.
    server.Handle("/slow", [](const HttpRequestRecord&) {
      ScriptedResponse answer = Page("slow again");
      answer.delayMs = 200;
      return answer;
    });
    list.StartUpdateAll();
  }
  EXPECT_LE(notify.reports.size(), 2u);
  EXPECT_FALSE(Exists("dialog.lock"));
}
