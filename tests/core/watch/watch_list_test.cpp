// The watch list file: what loads, what a save writes, and that no save ever loses the list.
#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <set>
#include <thread>

#include "core/watch/watch_list.h"
#include "core/watch/watch_list_notice.h"
#include "platform/file_system.h"
#include "platform/program_folder.h"
#include "support/ordinary_user.h"
#include "support/scripted_prompter.h"
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

// Whatever keeps a file from loading whole, the file is kept as it is: no save writes over
// it until the user chooses to go on.
TEST_F(WatchListTest, AFileThatDoesNotLoadWholeIsNeverWrittenOver) {
  const std::string good = Blocks(folder, {Numbered(0), Numbered(1), Numbered(2)});
  std::string crOnly, utf16, garbage;
  for (char c : good) {
    if (c != '\n') crOnly += c;
    utf16 += c;
    utf16 += '\0';
  }
  for (int i = 0; i < 5000; ++i) garbage += static_cast<char>((i * 131) % 256);
  struct Case {
    const char* what;
    std::string bytes;
    int items;
  };
  const Case cases[] = {
      {"last block cut off", good.substr(0, good.rfind("\tEND-W}}//")), 2},
      {"first block cut off", good.substr(40), 2},
      {"text between blocks", Blocks(folder, {Numbered(0)}) + "x\r\n" + good, 4},
      {"binary garbage", garbage, 0},
      {"one long line", std::string(3'000'000, 'x'), 0},
      {"line ends of CR only", crOnly, 0},
      {"UTF-16", utf16, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    folder.WriteBytes("WatchList.pgl", c.bytes);
    {
      CWatchList list;
      ASSERT_TRUE(list.Load());
      EXPECT_EQ(list.GetCount(), c.items);
      EXPECT_EQ(list.LoadOutcome(), platform::LoadOutcome::Damaged);
      list.MarkDirty();  // the end of the list saves a changed list
      EXPECT_FALSE(list.Save());
    }
    EXPECT_EQ(folder.ReadBytes("WatchList.pgl"), c.bytes);
  }
  // Blank lines around the blocks are no damage.
  folder.WriteBytes("WatchList.pgl", "\r\n" + good + " \r\n");
  CWatchList list;
  ASSERT_TRUE(list.Load());
  EXPECT_EQ(list.LoadOutcome(), platform::LoadOutcome::Loaded);
  EXPECT_TRUE(list.Save());
}

std::vector<std::string> Backups(const TempFolder& folder) {
  std::vector<std::string> found;
  DIR* dir = opendir(folder.Path().c_str());
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name.rfind("WatchList.pgl.", 0) == 0 && name.size() > 18 &&
        name.compare(name.size() - 4, 4, ".bak") == 0) {
      found.push_back(name);
    }
  }
  closedir(dir);
  return found;
}

TEST_F(WatchListTest, TheUserIsToldAndTheDamagedFileIsKeptAsideWhenTheDesktopUserGoesOn) {
  const std::string good = Blocks(folder, {Numbered(0), Numbered(1), Numbered(2)});
  const std::string cut = good.substr(0, good.rfind("\tEND-W}}//"));
  folder.WriteBytes("WatchList.pgl", cut);
  CScriptedPrompter prompter;
  {
    CWatchList list;
    list.Load();
    EXPECT_FALSE(ConfirmWatchListLoad(list, prompter, false)) << "the command line ends";
    prompter.QueueAnswer(IPrompter::Answer::No);
    EXPECT_FALSE(ConfirmWatchListLoad(list, prompter, true));
  }
  EXPECT_EQ(folder.ReadBytes("WatchList.pgl"), cut);
  EXPECT_TRUE(Backups(folder).empty());
  std::vector<std::string> messages = prompter.Messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_NE(messages[0].find("ウォッチリストを読み込めません: " + CWatchList::FilePath()),
            std::string::npos);
  EXPECT_NE(messages[0].find("読み込めたアイテム: 2"), std::string::npos);

  prompter.QueueAnswer(IPrompter::Answer::Yes);
  CWatchList list;
  list.Load();
  EXPECT_TRUE(ConfirmWatchListLoad(list, prompter, true));
  EXPECT_EQ(folder.ReadBytes("WatchList.pgl"), Blocks(folder, {Numbered(0), Numbered(1)}));
  ASSERT_EQ(Backups(folder).size(), 1u);
  EXPECT_EQ(folder.File(Backups(folder)[0]), list.BackupPath());
  EXPECT_EQ(folder.ReadBytes(Backups(folder)[0]), cut);
  EXPECT_TRUE(list.Save());
  EXPECT_EQ(Backups(folder).size(), 1u) << "kept aside once";
}

TEST_F(WatchListTest, AFileTheUserCannotReadIsUnreadableAndMovedAsideOnlyWhenAllowed) {
  folder.WriteBytes("WatchList.pgl", Blocks(folder, {Numbered(0)}));
  ASSERT_EQ(chmod(folder.File("WatchList.pgl").c_str(), 0), 0);
  ASSERT_EQ(chmod(folder.Path().c_str(), 0777), 0);
  EXPECT_EQ(RunAsOrdinaryUser([] {
              CWatchList list;
              if (list.Load() || list.LoadOutcome() != platform::LoadOutcome::Unreadable) return 1;
              if (list.Save()) return 2;
              list.SaveAnyway();
              return list.Save() && !list.BackupPath().empty() ? 0 : 3;
            }),
            0);
  ASSERT_EQ(Backups(folder).size(), 1u);
  ASSERT_EQ(chmod(folder.File(Backups(folder)[0]).c_str(), 0600), 0);
  EXPECT_EQ(folder.ReadBytes(Backups(folder)[0]), Blocks(folder, {Numbered(0)}));
}

// What a killed save, fetch or mail left behind goes at the next start; what only looks
// like it, and what an item keeps, stays.
TEST_F(WatchListTest, StartingRemovesTheProgramsOwnLeftoversOnly) {
  platform::MakeDirectory(folder.File("comp"));
  WatchItem kept = Numbered(0);
  kept.m_hiddenPath = folder.File("comp/temp_2.html");  // an older list's private copy
  folder.WriteBytes("WatchList.pgl", Blocks(folder, {kept}));
  const std::vector<std::string> leftovers = {
      "WatchList.pgl.Ab3xYz", "PAGEWARD.INI.q1W2e3", "tempMailBody.txt", "tempOutB64_3.txt",
      "comp/temp.tmp",        "comp/temp_17.tmp",    "comp/temp_4.html"};
  const std::vector<std::string> others = {
      "WatchList.pgl.20261207-130000.bak", "WatchList.pgl.abc", "PAGEWARD.INI", "notes.txt",
      "tempMailBody.doc", "comp/temp_2.html", "comp/copy.tmp", "comp/template.tmp",
      "comp/temp_x.tmp"};
  for (const std::string& name : leftovers) folder.WriteBytes(name, "x");
  for (const std::string& name : others) folder.WriteBytes(name, "x");
  {
    CWatchList list;
    ASSERT_TRUE(list.Init(nullptr, nullptr));
  }
  for (const std::string& name : leftovers) EXPECT_FALSE(platform::FileExists(folder.File(name))) << name;
  for (const std::string& name : others) EXPECT_TRUE(platform::FileExists(folder.File(name))) << name;

  // A list that did not load whole may name any of them: nothing is removed.
  folder.WriteBytes("comp/temp.tmp", "x");
  folder.WriteBytes("WatchList.pgl", "garbage\r\n");
  CWatchList damaged;
  damaged.Init(nullptr, nullptr);
  EXPECT_TRUE(platform::FileExists(folder.File("comp/temp.tmp")));
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
