// Files on CP932 paths: Windows text mode on disk and saves that never lose the old file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <iterator>
#include <string>

#include "platform/atomic_file.h"
#include "platform/file_system.h"
#include "platform/program_folder.h"
#include "platform/text_codec.h"
#include "support/temp_folder.h"

namespace {

std::string ReadAllText(const std::string& path) {
  FILE* file = platform::OpenFile(path, "r");
  if (!file) return "<cannot open>";
  std::string text;
  for (int byte; (byte = fgetc(file)) != EOF;) text += static_cast<char>(byte);
  fclose(file);
  return text;
}

TEST(TextMode, LineFeedsAreWrittenAsCrLf) {
  TempFolder folder;
  FILE* file = platform::OpenFile(folder.File("t.txt"), "w");
  ASSERT_NE(file, nullptr);
  fprintf(file, "one\ntwo\r\n\nend");
  ASSERT_EQ(fclose(file), 0);
  EXPECT_EQ(folder.ReadBytes("t.txt"), "one\r\ntwo\r\r\n\r\nend");
}

TEST(TextMode, CrLfReadsBackAsALineFeedAndALoneCrStays) {
  TempFolder folder;
  folder.WriteBytes("t.txt", "a\r\nb\rc\n\r\r\nend\r");
  EXPECT_EQ(ReadAllText(folder.File("t.txt")), "a\nb\rc\n\r\nend\r");
}

TEST(TextMode, ACrLfPairSplitAcrossReadBuffersIsStillOneLineFeed) {
  TempFolder folder;
  std::string line(4095, 'x');
  std::string onDisk, expected;
  for (int i = 0; i < 20; ++i) {
    onDisk += line + "\r\n";
    expected += line + "\n";
    line.pop_back();
  }
  folder.WriteBytes("t.txt", onDisk);
  EXPECT_EQ(ReadAllText(folder.File("t.txt")), expected);
}

TEST(TextMode, LinesReadWithFgetsEndInOneLineFeed) {
  TempFolder folder;
  folder.WriteBytes("t.txt", "first\r\nsecond\r\n");
  FILE* file = platform::OpenFile(folder.File("t.txt"), "r");
  ASSERT_NE(file, nullptr);
  char line[64];
  ASSERT_NE(fgets(line, sizeof line, file), nullptr);
  EXPECT_STREQ(line, "first\n");
  ASSERT_NE(fgets(line, sizeof line, file), nullptr);
  EXPECT_STREQ(line, "second\n");
  EXPECT_EQ(fgets(line, sizeof line, file), nullptr);
  fclose(file);
}

TEST(TextMode, BinaryModeLeavesBytesAlone) {
  TempFolder folder;
  FILE* file = platform::OpenFile(folder.File("b.bin"), "wb");
  ASSERT_NE(file, nullptr);
  fputs("a\nb\r\n", file);
  fclose(file);
  EXPECT_EQ(folder.ReadBytes("b.bin"), "a\nb\r\n");
}

TEST(FileSystem, JapaneseNamesReachTheDiskAsUtf8) {
  TempFolder folder;
  std::string name = folder.File("ソース表示");
  ASSERT_TRUE(platform::MakeDirectory(name));
  EXPECT_TRUE(platform::MakeDirectory(name)) << "an existing folder is fine";
  struct stat info;
  EXPECT_EQ(stat((folder.Path() + "/" + platform::Cp932ToUtf8("ソース表示")).c_str(), &info), 0);

  std::string file = name + "/ページ.htm";
  FILE* stream = platform::OpenFile(file, "w");
  ASSERT_NE(stream, nullptr);
  fclose(stream);
  platform::FileStatus status;
  ASSERT_TRUE(platform::StatFile(file, status));
  EXPECT_FALSE(status.isDirectory);
  ASSERT_TRUE(platform::RenameFile(file, name + "/別名.htm"));
  EXPECT_FALSE(platform::FileExists(file));
  EXPECT_TRUE(platform::RemoveFile(name + "/別名.htm"));
  EXPECT_FALSE(platform::RemoveFile(name + "/別名.htm"));
}

TEST(FileSystem, MakeDirectoriesCreatesMissingParentsAndRefusesAFile) {
  TempFolder folder;
  EXPECT_TRUE(platform::MakeDirectories(folder.File("a/b/c")));
  platform::FileAttributes attributes;
  ASSERT_TRUE(platform::ReadAttributes(folder.File("a/b/c"), attributes));
  EXPECT_TRUE(attributes.isDirectory);
  EXPECT_FALSE(attributes.offline);
  folder.WriteBytes("file", "x");
  EXPECT_FALSE(platform::MakeDirectory(folder.File("file")));
  EXPECT_FALSE(platform::ReadAttributes(folder.File("missing"), attributes));
}

TEST(AtomicFile, CommitReplacesTheFileInTextMode) {
  TempFolder folder;
  folder.WriteBytes("list.txt", "old");
  platform::CAtomicFile save(folder.File("list.txt"), platform::CAtomicFile::Mode::Text);
  FILE* file = save.Open();
  ASSERT_NE(file, nullptr);
  fputs("new\n", file);
  EXPECT_EQ(folder.ReadBytes("list.txt"), "old") << "nothing changes before the commit";
  ASSERT_TRUE(save.Commit());
  EXPECT_EQ(folder.ReadBytes("list.txt"), "new\r\n");
}

TEST(AtomicFile, AnAbandonedSaveLeavesTheOldFileAndNoTemporaryFile) {
  TempFolder folder;
  folder.WriteBytes("list.txt", "old");
  {
    platform::CAtomicFile save(folder.File("list.txt"), platform::CAtomicFile::Mode::Binary);
    ASSERT_NE(save.Open(), nullptr);
    fputs("half", save.Open());
  }
  EXPECT_EQ(folder.ReadBytes("list.txt"), "old");
  platform::CAtomicFile save(folder.File("list.txt"), platform::CAtomicFile::Mode::Binary);
  EXPECT_FALSE(save.Commit()) << "nothing was opened";
  auto entries = std::distance(std::filesystem::directory_iterator(folder.Path()),
                               std::filesystem::directory_iterator());
  EXPECT_EQ(entries, 1) << "the temporary file is gone";
}

TEST(AtomicFile, OwnerOnlyFilesAreReadableByTheUserAlone) {
  TempFolder folder;
  platform::CAtomicFile save(folder.File("secret"), platform::CAtomicFile::Mode::Binary,
                             platform::CAtomicFile::Access::OwnerOnly);
  ASSERT_NE(save.Open(), nullptr);
  ASSERT_TRUE(save.Commit());
  struct stat info;
  ASSERT_EQ(stat(folder.File("secret").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

int ModeOf(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 0777) : -1;
}

// Pages, logs and saves in the program folder are the user's alone whatever the umask;
// files elsewhere (a download folder) are made as any program makes them.
TEST(FileSystem, FilesAndFoldersInTheProgramFolderAreTheUsersAlone) {
  TempFolder folder;
  std::string previous = platform::ProgramFolderPath();
  platform::SetProgramFolder(folder.Path());
  mode_t oldMask = umask(0);
  ASSERT_TRUE(platform::MakePrivateDirectory(folder.File("comp")));
  EXPECT_EQ(ModeOf(folder.File("comp")), 0700);
  for (const char* mode : {"wb", "a", "w+"}) {
    FILE* file = platform::OpenFile(folder.File("comp/page.htm"), mode);
    ASSERT_NE(file, nullptr) << mode;
    std::fclose(file);
    EXPECT_EQ(ModeOf(folder.File("comp/page.htm")), 0600) << mode;
    chmod(folder.File("comp/page.htm").c_str(), 0644);  // as an older version left it
  }
  platform::CAtomicFile save(folder.File("list.txt"), platform::CAtomicFile::Mode::Text);
  ASSERT_NE(save.Open(), nullptr);
  ASSERT_TRUE(save.Commit());
  EXPECT_EQ(ModeOf(folder.File("list.txt")), 0600);
  EXPECT_EQ(platform::OpenFile(folder.File("list.txt"), "wbx"), nullptr) << "x: only a new file";

  platform::SetProgramFolder(folder.File("comp"));
  FILE* outside = platform::OpenFile(folder.File("download.htm"), "wb");
  ASSERT_NE(outside, nullptr);
  std::fclose(outside);
  EXPECT_EQ(ModeOf(folder.File("download.htm")), 0666);
  EXPECT_EQ(ModeOf(folder.File("comp/page.htm")), 0644) << "reading leaves a file alone";
  umask(oldMask);
  platform::SetProgramFolder(previous);
}

TEST(AtomicFile, AFolderThatDoesNotExistFailsCleanly) {
  platform::CAtomicFile save("/nonexistent-folder/list.txt", platform::CAtomicFile::Mode::Text);
  EXPECT_EQ(save.Open(), nullptr);
  EXPECT_FALSE(save.Commit());
}

}  // namespace
