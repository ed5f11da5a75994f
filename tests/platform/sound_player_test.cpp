// The background sound: a player process per sound, ended by Stop or by the next sound.
#include <gtest/gtest.h>

#include "platform/sound_player.h"
#include "support/temp_folder.h"

namespace {

// A player that plays for a long time and ignores the file it is given.
const std::vector<std::string> kSlowPlayer = {"sh", "-c", "sleep 30", "player"};

TEST(SoundPlayer, PlaysInTheBackgroundUntilStoppedOrReplaced) {
  TempFolder folder;
  folder.WriteBytes("notify.wav", "RIFF");
  platform::CSoundPlayer player;
  player.SetPlayerCommand(kSlowPlayer);
  ASSERT_TRUE(player.Play(folder.File("notify.wav")));
  EXPECT_TRUE(player.IsPlaying());
  // A new sound ends the one playing; Stop ends it and returns only when it has ended.
  ASSERT_TRUE(player.Play(folder.File("notify.wav")));
  EXPECT_TRUE(player.IsPlaying());
  player.Stop();
  EXPECT_FALSE(player.IsPlaying());
  player.Stop();  // nothing playing: nothing to do
}

TEST(SoundPlayer, FailsSilentlyWithoutFileOrPlayer) {
  TempFolder folder;
  folder.WriteBytes("notify.wav", "RIFF");
  platform::CSoundPlayer player;
  player.SetPlayerCommand(kSlowPlayer);
  EXPECT_FALSE(player.Play(folder.File("missing.wav")));
  EXPECT_FALSE(player.Play(""));
  EXPECT_FALSE(player.Play(folder.Path()));  // a folder is no sound
  player.SetPlayerCommand({"/nonexistent/player"});
  EXPECT_FALSE(player.Play(folder.File("notify.wav")));
  EXPECT_FALSE(player.IsPlaying());
}

}  // namespace
