// Paths, file names and URLs, including CP932 names whose second byte looks like a separator.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <set>
#include <thread>
#include <vector>

#include "core/common/path_utils.h"
#include "platform/file_system.h"
#include "support/ordinary_user.h"
#include "support/temp_folder.h"

namespace {

// "ソ" is 0x83 0x5C, whose second byte has the value of '\'; "＼" is 0x81 0x5F, whose
// second byte has the value of '_'.
const std::string kSo = "\x83\x5C";
const std::string kWideBackslash = "\x81\x5F";

TEST(UniqueFileName, NumbersTheBaseNameUntilTheNameIsFree) {
  TempFolder folder;
  EXPECT_EQ(UniqueFileName(folder.File("a.htm")), folder.File("a.htm"));
  folder.WriteBytes("a.htm", "x");
  folder.WriteBytes("a_1.htm", "x");
  EXPECT_EQ(UniqueFileName(folder.File("a.htm")), folder.File("a_2.htm"));
}

TEST(UniqueFileName, ADotInAFolderNameIsNoExtension) {
  TempFolder folder;
  ASSERT_TRUE(platform::MakeDirectory(folder.File("x.dir")));
  folder.WriteBytes("x.dir/readme", "x");
  EXPECT_EQ(UniqueFileName(folder.File("x.dir/readme")), folder.File("x.dir/readme_1"));
}

TEST(UniqueFileName, WorksInAFolderWithAJapaneseName) {
  TempFolder folder;
  std::string japaneseFolder = folder.File("ソフト" + kSo);
  ASSERT_TRUE(platform::MakeDirectory(japaneseFolder));
  std::string page = japaneseFolder + "/ページ.htm";
  FILE* file = platform::OpenFile(page, "w");
  ASSERT_NE(file, nullptr);
  fclose(file);
  EXPECT_EQ(UniqueFileName(page), japaneseFolder + "/ページ_1.htm");
}

// Checks on several engines look for free names beside each other at the same moment.
TEST(UniqueFileName, NamesTakenAtOnceByManyThreadsAreAllDifferentAndNoFileIsReplaced) {
  TempFolder folder;
  folder.WriteBytes("page.htm", "old");
  constexpr int kThreads = 8, kEach = 25;
  std::vector<std::string> created[kThreads], moved[kThreads];
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i) {
        created[t].push_back(CreateUniqueFile(folder.File("temp.tmp")));
        std::string own = folder.File("own" + std::to_string(t) + ".tmp");
        FILE* file = platform::OpenFile(own, "wb");
        std::fputs(own.c_str(), file);
        std::fclose(file);
        moved[t].push_back(RenameToUniqueName(own, folder.File("page.htm")));
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  std::set<std::string> names;
  for (int t = 0; t < kThreads; ++t) {
    names.insert(created[t].begin(), created[t].end());
    for (const std::string& name : moved[t]) {
      ASSERT_FALSE(name.empty());
      EXPECT_EQ(folder.ReadBytes(name.substr(folder.Path().size() + 1)),
                folder.File("own" + std::to_string(t) + ".tmp"));
      names.insert(name);
    }
  }
  EXPECT_EQ(names.size(), 2u * kThreads * kEach);
  EXPECT_EQ(folder.ReadBytes("page.htm"), "old");
  EXPECT_EQ(CreateUniqueFile(folder.File("missing/temp.tmp")), folder.File("missing/temp.tmp"));
  EXPECT_EQ(RenameToUniqueName(folder.File("gone"), folder.File("page.htm")), "");
}

TEST(StripNumberSuffix, RemovesOnlyATrailingNumber) {
  EXPECT_EQ(StripNumberSuffix("/d/page_12.htm"), "/d/page.htm");
  EXPECT_EQ(StripNumberSuffix("/d/my_page.htm"), "/d/my_page.htm");
  EXPECT_EQ(StripNumberSuffix("/d/page_.htm"), "/d/page.htm");
  EXPECT_EQ(StripNumberSuffix("/d/page_3"), "/d/page");
  EXPECT_EQ(StripNumberSuffix("/d//page_3.htm"), "/d/page.htm");
  EXPECT_EQ(StripNumberSuffix("/d.v/page"), "/d.v/page");
}

TEST(StripNumberSuffix, ASecondByteEqualToUnderscoreIsNoSeparator) {
  // The name ends in "＼12": its 0x5F is the second byte of a double-byte character.
  std::string name = "/d/a" + kWideBackslash + "12.htm";
  EXPECT_EQ(StripNumberSuffix(name), name);
}

TEST(StripNumberSuffix, FollowedByUniqueFileNameFindsTheFirstFreeMemberOfTheFamily) {
  TempFolder folder;
  folder.WriteBytes("page.htm", "x");
  folder.WriteBytes("page_1.htm", "x");
  EXPECT_EQ(UniqueFileName(StripNumberSuffix(folder.File("page_1.htm"))), folder.File("page_2.htm"));
}

TEST(PathSplitting, SeparatorsInsideDoubleByteCharactersAreIgnored) {
  std::string path = "/d/" + kSo + "a.b/x" + kSo + "y";
  EXPECT_EQ(AfterLast(path, '/'), "x" + kSo + "y");
  EXPECT_EQ(UpToLast(path, '/'), "/d/" + kSo + "a.b/");
  EXPECT_EQ(AfterLast(kSo + "z", '\\'), kSo + "z");
  EXPECT_EQ(UpToLast("abc", '/'), "abc");
  EXPECT_EQ(ExtensionOf("C:\\d\\" + kSo + ".txt"), "txt");
}

TEST(ReplaceExtension, ReplacesOrAppends) {
  EXPECT_EQ(ReplaceExtension("/d.v/page", "html"), "/d.v/page.html");
  EXPECT_EQ(ReplaceExtension("/d/page.cgi", "html"), "/d/page.html");
  EXPECT_EQ(ReplaceExtension("/d/a.tar.gz", "zip"), "/d/a.tar.zip");
}

TEST(ExtensionOf, TakesTheLastDotAndCutsTheQuery) {
  EXPECT_EQ(ExtensionOf("http://host/cgi/list.cgi?a=1"), "cgi");
  EXPECT_EQ(ExtensionOf("http://host/cgi/list.cgi?a=1.2"), "2");
  EXPECT_EQ(ExtensionOf("http://host/"), "");
  EXPECT_EQ(ExtensionOf("C:\\d\\file"), "");
  EXPECT_EQ(ExtensionOf("/home/u/file"), "");
  EXPECT_EQ(ExtensionOf("/a/b.?x"), "");
}

TEST(UrlRoot, GivesSchemeAndHost) {
  EXPECT_EQ(UrlRoot("http://host/a/b"), "http://host");
  EXPECT_EQ(UrlRoot("http://host"), "http://host");
  EXPECT_EQ(UrlRoot("host/a/b"), "");
}

TEST(CheckFolder, ReportsEachKindOfUnusableFolder) {
  TempFolder folder;
  std::string text;
  EXPECT_EQ(CheckFolder(text), 1);
  EXPECT_EQ(text, "保存用のフォルダが指定されていません。");

  text = folder.File("missing");
  EXPECT_EQ(CheckFolder(text), 2);
  EXPECT_EQ(text, "保存用のフォルダ名が不正です。");

  folder.WriteBytes("file", "x");
  text = folder.File("file");
  EXPECT_EQ(CheckFolder(text), 3);
  EXPECT_EQ(text, "保存用フォルダ名はフォルダを指していません。");

  text = folder.Path();
  EXPECT_EQ(CheckFolder(text), 0);
  EXPECT_EQ(text, folder.Path());
}

TEST(CheckFolder, AFolderThisUserCannotWriteIsReadOnly) {
  TempFolder folder;
  chmod(folder.Path().c_str(), 0755);
  ASSERT_TRUE(platform::MakeDirectory(folder.File("locked")));
  ASSERT_TRUE(platform::MakeDirectory(folder.File("open")));
  chmod(folder.File("locked").c_str(), 0555);
  chmod(folder.File("open").c_str(), 0777);
  // The result, or 99 when the message is not the expected one.
  auto check = [](std::string text, const std::string& expected) {
    int result = CheckFolder(text);
    return text == expected ? result : 99;
  };
  EXPECT_EQ(RunAsOrdinaryUser([&] {
              return check(folder.File("locked"), "保存用のフォルダが読み取り専用です。");
            }),
            4);
  EXPECT_EQ(RunAsOrdinaryUser([&] { return check(folder.File("open"), folder.File("open")); }), 0);
}

}  // namespace
