// The link update dialog's rules, driven without a display.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "core/common/app_settings.h"
#include "core/links/folder_browser_logic.h"
#include "core/links/link_list.h"
#include "core/links/link_update_model.h"
#include "platform/file_system.h"
#include "platform/ui_queue.h"
#include "support/link_folder_fixture.h"

namespace {

class LinkUpdateModelTest : public ::testing::Test, public LinkFolderFixture {
 protected:
  // Links named by their file; the files of `present` exist.
  void WriteLinks(const std::vector<std::string>& files, const std::vector<std::string>& present) {
    LinkFolderFixture::WriteLinks(files, "name of ");
    WriteFiles(present);
  }
  std::vector<std::string> Column(const CLinkUpdateModel& model, int column) {
    std::vector<std::string> texts;
    for (int row = 0; row < model.RowCount(); ++row) texts.push_back(model.RowText(row, column));
    return texts;
  }
};

}  // namespace

TEST_F(LinkUpdateModelTest, AHeldLockIsAskedAbout) {
  WriteLinks({"a.txt"}, {});
  folder.WriteBytes("dialog.lock", "Linkreel[1]");
  {
    CLinkList list(environment);
    CLinkUpdateModel model(list, prompter, nullptr);
    prompter.QueueAnswer(IPrompter::Answer::No);
    EXPECT_FALSE(model.Open(folder.Path()));
    ASSERT_EQ(prompter.Messages().size(), 1u);
    EXPECT_EQ(prompter.Messages()[0],
              "リンクファイルが他で使用されている可能性があります。\n更新ダイアログが開けません\n"
              "リンクファイルを強制的に使用しますか？\n");
  }
  EXPECT_EQ(folder.ReadBytes("dialog.lock"), "Linkreel[1]");

  CLinkList list(environment);
  CLinkUpdateModel model(list, prompter, nullptr);
  prompter.QueueAnswer(IPrompter::Answer::Yes);
  ASSERT_TRUE(model.Open(folder.Path()));
  EXPECT_EQ(model.RowCount(), 1);
  EXPECT_EQ(model.RowImage(0), kImageFileMissing);
}

TEST_F(LinkUpdateModelTest, RenamingChecksTheNewName) {
  WriteLinks({"a.txt", "b.txt"}, {"a.txt", "b.txt"});
  CLinkList list(environment);
  CLinkUpdateModel model(list, prompter, nullptr);
  ASSERT_TRUE(model.Open(folder.Path()));
  EXPECT_EQ(model.RowImage(0), kImageFilePresent);

  EXPECT_FALSE(model.ApplyFileName(0, ""));
  EXPECT_FALSE(model.ApplyFileName(0, "sub/c.txt"));
  EXPECT_EQ(prompter.Messages().back(), "使用できないファイル名です\n他の名前にして下さい");
  // The name of an existing file asks first.
  prompter.QueueAnswer(IPrompter::Answer::No);
  EXPECT_FALSE(model.ApplyFileName(0, "b.txt"));
  EXPECT_EQ(prompter.Messages().back(), "同名ファイルが存在しています\nファイル名を変更しますか？");
  EXPECT_FALSE(list.IsModified());
  // A free name is taken without a question; the file on disk keeps its name.
  std::size_t asked = prompter.Messages().size();
  EXPECT_TRUE(model.ApplyFileName(0, "c.txt"));
  EXPECT_EQ(prompter.Messages().size(), asked);
  EXPECT_EQ(model.RowText(0, 0), "c.txt");
  EXPECT_FALSE(platform::FileExists(folder.File("c.txt")));
  EXPECT_TRUE(platform::FileExists(folder.File("a.txt")));

  // The edit dialog applies nothing when its file name is refused.
  EXPECT_FALSE(model.ApplyItemEdit(1, "x/y", "other", "http://other/"));
  EXPECT_EQ(model.RowText(1, 1), "name of b.txt");
  EXPECT_TRUE(model.ApplyItemEdit(1, "b.txt", "other", "http://other/"));
  EXPECT_EQ(list.GetItem(1).m_name, "other");
  EXPECT_EQ(model.WatchItemRequest(1).m_savePath, folder.File("b.txt"));
}

TEST_F(LinkUpdateModelTest, SortingReordersTheSavedList) {
  WriteLinks({"b.txt", "c.txt", "a.txt"}, {"a.txt"});
  {
    CLinkList list(environment);
    CLinkUpdateModel model(list, prompter, nullptr);
    ASSERT_TRUE(model.Open(folder.Path()));
    ASSERT_TRUE(model.SortBy(0));  // the first click sorts descending
    EXPECT_EQ(Column(model, 0), (std::vector<std::string>{"c.txt", "b.txt", "a.txt"}));
    EXPECT_EQ(model.ColumnCaption(0), "ファイル▽");
    EXPECT_EQ(model.RowImage(2), kImageFilePresent);  // the pictures move with their rows
    ASSERT_TRUE(model.SortBy(0));
    EXPECT_EQ(Column(model, 0), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
    EXPECT_EQ(model.ColumnCaption(0), "ファイル△");
    ASSERT_TRUE(model.SortBy(1));
    EXPECT_EQ(model.ColumnCaption(0), "ファイル");
    EXPECT_EQ(model.ColumnCaption(1), "名前▽");
    EXPECT_EQ(Column(model, 0), (std::vector<std::string>{"c.txt", "b.txt", "a.txt"}));
    EXPECT_TRUE(model.Close());
  }
  CLinkList reread(environment);
  ASSERT_EQ(reread.Open(folder.Path(), false), 1);
  EXPECT_EQ(reread.GetItem(0).m_savePath, "c.txt");
  EXPECT_EQ(reread.GetItem(2).m_savePath, "a.txt");
}

TEST_F(LinkUpdateModelTest, RemovingKeepsOrDeletesTheFiles) {
  WriteLinks({"a.txt", "b.txt", "c.txt"}, {"a.txt", "b.txt", "c.txt"});
  CLinkList list(environment);
  CLinkUpdateModel model(list, prompter, nullptr);
  ASSERT_TRUE(model.Open(folder.Path()));
  EXPECT_EQ(model.RemoveRows({2, 0}, false), (std::vector<int>{0, 2}));
  EXPECT_TRUE(platform::FileExists(folder.File("a.txt")));
  EXPECT_EQ(Column(model, 0), (std::vector<std::string>{"b.txt"}));
  EXPECT_EQ(model.RemoveRows({0}, true), (std::vector<int>{0}));
  EXPECT_FALSE(platform::FileExists(folder.File("b.txt")));
  EXPECT_EQ(model.RowCount(), 0);
}

TEST_F(LinkUpdateModelTest, ChangingTheFolderSavesTheOldListFirst) {
  WriteLinks({"a.txt"}, {});
  TempFolder other;
  CLinkList list(environment);
  CLinkUpdateModel model(list, prompter, nullptr);
  ASSERT_TRUE(model.Open(folder.Path()));
  list.RemoveItem(0);

  // A folder that fails the folder check is refused with its message.
  EXPECT_EQ(model.CommitFolder(folder.File(kLinkListName)), folder.Path());
  EXPECT_EQ(prompter.Messages().back(), "保存用フォルダ名はフォルダを指していません。");
  EXPECT_TRUE(platform::FileExists(folder.File("dialog.lock")));
  EXPECT_EQ(model.CommitFolder(folder.Path() + "/ "), folder.Path());

  EXPECT_EQ(model.CommitFolder(other.Path() + "/"), other.Path());
  EXPECT_EQ(folder.ReadBytes(kLinkListName), "");
  EXPECT_FALSE(platform::FileExists(folder.File("dialog.lock")));
  EXPECT_TRUE(platform::FileExists(other.File("dialog.lock")));
  EXPECT_EQ(model.RowCount(), 0);
}

TEST_F(LinkUpdateModelTest, UpdateAllRunsOnTheWorkerAndCanBeStopped) {
  WriteLinks({"one.txt", "two.txt"}, {});
  server.Handle("/one.txt", [](const HttpRequestRecord&) {
    ScriptedResponse answer = ScriptedResponse::Ok("one", "text/plain");
    answer.delayMs = 200;
    return answer;
  });
  platform::CLoopQueue queue;
  CLinkList list(environment);
  CLinkUpdateModel model(list, prompter, &queue);
  std::vector<int> changed;
  bool ended = false;
  model.SetRowChanged([&](int row) { changed.push_back(row); });
  model.SetRunEnded([&] { ended = true; });
  ASSERT_TRUE(model.Open(folder.Path()));
  EXPECT_EQ(model.UpdateButtonCaption(), "全て更新");

  model.ToggleUpdateAll();
  EXPECT_TRUE(model.IsBusy());
  EXPECT_EQ(model.UpdateButtonCaption(), "更新中止");
  // While busy the list keeps its rows and the dialog stays.
  EXPECT_TRUE(model.RemoveRows({0}, false).empty());
  EXPECT_FALSE(model.SortBy(0));
  EXPECT_FALSE(model.Close());
  while (server.RequestCount() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  model.ToggleUpdateAll();  // the second press stops after the link being fetched
  ASSERT_TRUE(queue.RunUntil([&] { return ended; }, 20000));
  EXPECT_EQ(changed, std::vector<int>{0});
  EXPECT_EQ(model.RowImage(0), kImageUpdated);
  EXPECT_EQ(model.RowImage(1), kImageFileMissing);
  EXPECT_EQ(model.UpdateButtonCaption(), "リンク更新");

  // A double click updates at once; /two.txt is not there: an error.
  list.WaitUntilIdle(5000);
  EXPECT_EQ(model.UpdateRow(1), LinkResult::Error);
  EXPECT_EQ(model.RowImage(1), kImageError);
}

TEST_F(LinkUpdateModelTest, FolderChooserCreatesTheSubfolderAfterTheFirstSlash) {
  CFolderBrowserLogic logic(prompter);
  // Nothing selected yet: a name to create keeps the chooser open without a question.
  EXPECT_EQ(logic.Accept("/new"), "");
  EXPECT_TRUE(prompter.Messages().empty());

  logic.SelectionChanged(folder.Path());
  EXPECT_EQ(logic.Accept(""), folder.Path());
  EXPECT_EQ(logic.Accept("plain"), "");  // no "/": ignored
  prompter.QueueAnswer(IPrompter::Answer::No);
  EXPECT_EQ(logic.Accept("/new"), "");
  EXPECT_FALSE(platform::FileExists(folder.File("new")));

  EXPECT_EQ(logic.Accept("a/b"), "");
  EXPECT_EQ(prompter.Messages().back(), "現在位置：" + folder.Path() + " に\nサブフォルダbを作りますか？");
  EXPECT_TRUE(platform::FileExists(folder.File("b")));
  EXPECT_TRUE(logic.Restart());
  EXPECT_EQ(logic.InitialFolder(), folder.File("b"));
  // An existing folder, typed inside the selected one, is chosen.
  EXPECT_EQ(logic.Accept("b"), folder.File("b"));

  logic.ClearRestart();
  folder.WriteBytes("file", "");
  EXPECT_EQ(logic.Accept("/file"), "");
  EXPECT_EQ(prompter.Messages().back(), "フォルダ作成に失敗しました");
  EXPECT_FALSE(logic.Restart());
}
