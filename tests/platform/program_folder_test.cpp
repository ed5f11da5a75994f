// Where the data folder is: --home, PAGEWARDEN_HOME, XDG_DATA_HOME, or ~/.local/share.
#include <gtest/gtest.h>

#include <string>

#include "platform/program_folder.h"
#include "platform/text_codec.h"
#include "support/scoped_environment.h"

namespace {

TEST(ProgramFolder, TheHomeArgumentComesFirst) {
  ScopedEnvironment home("PAGEWARDEN_HOME", "/from/env");
  EXPECT_EQ(platform::ResolveProgramFolder("/from/argument//"), "/from/argument");
}

TEST(ProgramFolder, ThenTheEnvironmentInItsOrder) {
  ScopedEnvironment pagewarden("PAGEWARDEN_HOME", "/pw/home/");
  ScopedEnvironment xdg("XDG_DATA_HOME", "/xdg/data");
  ScopedEnvironment user("HOME", "/home/user");
  EXPECT_EQ(platform::ResolveProgramFolder(""), "/pw/home");
  {
    ScopedEnvironment none("PAGEWARDEN_HOME", nullptr);
    EXPECT_EQ(platform::ResolveProgramFolder(""), "/xdg/data/pagewarden");
    ScopedEnvironment noXdg("XDG_DATA_HOME", nullptr);
    EXPECT_EQ(platform::ResolveProgramFolder(""), "/home/user/.local/share/pagewarden");
    ScopedEnvironment emptyXdg("XDG_DATA_HOME", "");
    EXPECT_EQ(platform::ResolveProgramFolder(""), "/home/user/.local/share/pagewarden");
  }
}

TEST(ProgramFolder, RelativeAndJapaneseFoldersBecomeAbsoluteCp932) {
  ScopedEnvironment pagewarden("PAGEWARDEN_HOME", nullptr);
  std::string folder = platform::ResolveProgramFolder("データ");
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder[0], '/');
  EXPECT_EQ(folder.substr(folder.size() - std::string("データ").size()), "データ");
  ScopedEnvironment utf8Home("PAGEWARDEN_HOME", platform::Cp932ToUtf8("/ホーム").c_str());
  EXPECT_EQ(platform::ResolveProgramFolder(""), "/ホーム");
}

TEST(ProgramFolder, TheFolderInUseHasNoTrailingSeparator) {
  platform::SetProgramFolder("/data/folder/");
  EXPECT_EQ(platform::ProgramFolderPath(), "/data/folder");
  platform::SetProgramFolder("");
}

}  // namespace
