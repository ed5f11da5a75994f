// The login's autostart entry follows "ログイン時に起動".
#include <gtest/gtest.h>

#include "core/app/autostart.h"
#include "platform/file_system.h"
#include "platform/program_folder.h"
#include "support/scoped_environment.h"
#include "support/temp_folder.h"

namespace {

TEST(Autostart, TheEntryIsWrittenAndRemovedWithTheSetting) {
  TempFolder folder;
  ScopedEnvironment config("XDG_CONFIG_HOME", (folder.Path() + "/config").c_str());
  std::string savedHome = platform::ProgramFolderPath();
  platform::SetProgramFolder(folder.Path() + "/my $data");
  AppSettings settings;
  settings.m_autostart = 1;
  std::string message;
  ASSERT_TRUE(ApplyAutostartSetting(settings, message)) << message;
  std::string entry = folder.ReadBytes("config/autostart/pagewarden.desktop");
  // Resident, on the data folder in use, which is quoted and escaped for the Exec key.
  EXPECT_NE(entry.find(" --resident --home \"" + folder.Path() + "/my \\\\$data\"\n"),
            std::string::npos)
      << entry;
  EXPECT_EQ(entry.rfind("[Desktop Entry]\nType=Application\n", 0), 0u);

  settings.m_autostart = 0;
  EXPECT_TRUE(ApplyAutostartSetting(settings, message));
  EXPECT_FALSE(platform::FileExists(AutostartEntryPath()));
  EXPECT_TRUE(ApplyAutostartSetting(settings, message));  // nothing left to remove
  platform::SetProgramFolder(savedHome);
}

TEST(Autostart, AnEntryThatCannotBeWrittenLeavesTheSettingOff) {
  TempFolder folder;
  ScopedEnvironment config("XDG_CONFIG_HOME", folder.Path().c_str());
  folder.WriteBytes("autostart", "not a folder");
  AppSettings settings;
  settings.m_autostart = 1;
  std::string message;
  EXPECT_FALSE(ApplyAutostartSetting(settings, message));
  EXPECT_EQ(settings.m_autostart, 0);
  EXPECT_NE(message.find(AutostartEntryPath()), std::string::npos);
}

}  // namespace
