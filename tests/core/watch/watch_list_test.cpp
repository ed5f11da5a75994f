// The watch list file: what loads, what a save writes, and that no save ever loses the list.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <set>
#include <thread>

#include "core/watch/watch_list.h"
#include "platform/file_system.h"
#include "platform/program_folder.h"
#include "support/temp_folder.h"

namespace {

WatchItem Numbered(int n) {
  WatchItem item;
  item.m_url = "http://example.invalid/page" + std::to_string(n) + ".html";
  item.m_name = "ページ" + std::to_string(n);
  item.m_frame = "__Pageward_" + std::to_string(n) + "_";
  item.m_active = 1;
  return item;
}

// The blocks of `items` as WatchItem::Write puts them in a text-mode file.
std::string Blocks(const TempFolder& folder, const std::vector<WatchItem>& items) {
  std::string path = folder.File("blocks.txt");
  FILE* file = platform::OpenFile(path, "w");
  for (const WatchItem& item : items) item.Write(file);
  std::fclose(file);
  std::string bytes = folder.ReadBytes("blocks.txt");
  platform::RemoveFile(path);
  return bytes;
}

class WatchListTest : public ::testing::Test {
 protected:
  WatchListTest() { platform::SetProgramFolder(folder.Path()); }
  TempFolder folder;
};

TEST_F(WatchListTest, LoadsEveryBlockNamesFramesInOrderAndSavesTheSameBytes) {
  std::vector<WatchItem> items = {Numbered(0), Numbered(1), Numbered(2)};
  std::string bytes = Blocks(folder, items);
  ASSERT_NE(bytes.find("\r\n"), std::string::npos) << "text mode on disk";
  // Frames in the file are renamed by position whatever they were.
  std::string stored = bytes;
  for (std::size_t at; (at = stored.find("__Pageward_1_")) != std::string::npos;) {
    stored.replace(at, 13, "__Pageward_9_");
  }
  folder.WriteBytes("WatchList.pgl", stored);

  CWatchList list;
  ASSERT_TRUE(list.Load());
  ASSERT_EQ(list.GetCount(), 3);
  std::set<unsigned> ids;
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(list.GetItem(i).m_frame, "__Pageward_" + std::to_string(i) + "_");
    EXPECT_EQ(list.GetItem(i).m_index, i);
    ids.insert(list.GetItem(i).m_id);
  }
  EXPECT_EQ(ids.size(), 3u);
  EXPECT_EQ(ids.count(0u), 0u);
  EXPECT_EQ(list.GetItem(0).m_nextCheck, 0) << "daily start-up item: at once";
  ASSERT_TRUE(list.Save());
  EXPECT_EQ(folder.ReadBytes("WatchList.pgl"), bytes);
  struct stat status {};
  ASSERT_EQ(stat(folder.File("WatchList.pgl").c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u) << "items may hold passwords";
}

TEST_F(WatchListTest, ABlockCutOffBeforeItsEndIsDroppedAndTheNextSaveWritesTheRest) {
  std::string bytes = Blocks(folder, {Numbered(0), Numbered(1), Numbered(2)});
  std::size_t lastEnd = bytes.rfind("\tEND-W}}//");
  folder.WriteBytes("WatchList.pgl", bytes.substr(0, lastEnd));
  CWatchList list;
  ASSERT_TRUE(list.Load());
  EXPECT_EQ(list.GetCount(), 2);
  ASSERT_TRUE(list.Save());
  EXPECT_EQ(folder.ReadBytes("WatchList.pgl"), Blocks(folder, {Numbered(0), Numbered(1)}));
}

TEST_F(WatchListTest, MissingFileGivesAnEmptyListAndAnEmptyListSavesAnEmptyFile) {
  CWatchList list;
  EXPECT_FALSE(list.Load());
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_EQ(list.GetItemPtr(0), nullptr);
  ASSERT_TRUE(list.Save());
  EXPECT_EQ(folder.ReadBytes("WatchList.pgl"), "");
}

TEST_F(WatchListTest, ASaveThatCannotBeWrittenKeepsTheOldFileAndTheList) {
  std::string bytes = Blocks(folder, {Numbered(0)});
  folder.WriteBytes("WatchList.pgl", bytes);
  CWatchList list;
  ASSERT_TRUE(list.Load());
  platform::SetProgramFolder(folder.File("no-such-folder"));
  EXPECT_FALSE(list.Save());
  platform::SetProgramFolder(folder.Path());
  EXPECT_EQ(folder.ReadBytes("WatchList.pgl"), bytes);
  EXPECT_EQ(list.GetCount(), 1);
}

// A process that saves two different lists in turn is killed at many points; the file it
// leaves always loads whole, as one list or the other.
TEST_F(WatchListTest, ASaveKilledAtAnyPointLeavesAListThatLoadsWhole) {
  const int kLong = 3000, kShort = 1000;
  std::vector<WatchItem> items;
  for (int i = 0; i < kLong; ++i) items.push_back(Numbered(i));
  std::string longList = Blocks(folder, items);
  items.resize(kShort);
  std::string shortList = Blocks(folder, items);

  // The child loads the two lists from folders of their own and saves them in turn here.
  platform::MakeDirectory(folder.File("long"));
  platform::MakeDirectory(folder.File("short"));
  folder.WriteBytes("long/WatchList.pgl", longList);
  folder.WriteBytes("short/WatchList.pgl", shortList);

  for (int round = 0; round < 12; ++round) {
    folder.WriteBytes("WatchList.pgl", longList);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      CWatchList longer, shorter;
      platform::SetProgramFolder(folder.File("long"));
      longer.Load();
      platform::SetProgramFolder(folder.File("short"));
      shorter.Load();
      platform::SetProgramFolder(folder.Path());
      for (;;) {
        longer.Save();
        shorter.Save();
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20 + round * 13));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    CWatchList list;
    ASSERT_TRUE(list.Load());
    EXPECT_TRUE(list.GetCount() == kLong || list.GetCount() == kShort) << list.GetCount();
    std::string bytes = folder.ReadBytes("WatchList.pgl");
    EXPECT_TRUE(bytes == longList || bytes == shortList);
  }
}

}  // namespace
