#include "platform/registry_key.h"

#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

#include "support/companion_environment.h"

namespace {

using platform::CRegistryKey;

TEST(RegistryKeyTest, ValuesAreFilesInTheKeysFolder) {
  CompanionEnvironment environment;
  CRegistryKey key("Software\\Velmar\\Pageward", false);
  ASSERT_TRUE(key.IsOpen());
  EXPECT_EQ(key.Folder(), environment.Config().Path() + "/Velmar/Pageward");

  EXPECT_EQ(key.Write("State", "opened"), 0);
  EXPECT_EQ(key.Write("Position", "/データ/フォルダ"), 0);
  const unsigned char stamp[4] = {0x78, 0x56, 0x34, 0x12};
  EXPECT_EQ(key.WriteBinary("IdTime", stamp, 4), 0);

  EXPECT_EQ(environment.StoredValue("Pageward", "State"), "opened");
  EXPECT_EQ(environment.StoredValue("Pageward", "IdTime"), std::string("\x78\x56\x34\x12", 4));
  EXPECT_EQ(key.Read("Position"), "/データ/フォルダ");
  unsigned char read[4] = {};
  EXPECT_EQ(key.ReadBinary("IdTime", read, 4), 4u);
  EXPECT_EQ(std::memcmp(read, stamp, 4), 0);

  // Overwriting replaces; an empty text is a value that reads as empty.
  EXPECT_EQ(key.Write("State", "hide"), 0);
  EXPECT_EQ(key.Read("State"), "hide");
  EXPECT_EQ(key.Write("State", ""), 0);
  EXPECT_EQ(key.Read("State"), "");
  EXPECT_EQ(key.Read("NoSuchValue"), "");
  EXPECT_EQ(key.ReadBinary("NoSuchValue", read, 4), 0u);

  // The store is the user's own: folders and values are closed to others.
  struct stat info;
  ASSERT_EQ(stat(key.Folder().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  ASSERT_EQ(stat((key.Folder() + "/State").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(RegistryKeyTest, ReadOnlyKeyIsNeverCreatedNorWritten) {
  CompanionEnvironment environment;
  CRegistryKey missing("Software\\Velmar\\Linkreel", true);
  EXPECT_FALSE(missing.IsOpen());
  EXPECT_TRUE(missing.CreateError().empty());
  EXPECT_EQ(missing.Read("Position"), "");
  EXPECT_EQ(missing.Write("State", "opened"), -1);
  struct stat info;
  EXPECT_NE(stat(missing.Folder().c_str(), &info), 0);

  // Once the companion has made it, the key opens and reads, but still never writes.
  CRegistryKey writer("Software\\Velmar\\Linkreel", false);
  ASSERT_EQ(writer.Write("Position", "/opt/linkreel"), 0);
  CRegistryKey present("Software\\Velmar\\Linkreel", true);
  EXPECT_TRUE(present.IsOpen());
  EXPECT_EQ(present.Read("Position"), "/opt/linkreel");
  EXPECT_EQ(present.Write("Position", "/elsewhere"), -1);
  EXPECT_EQ(present.WriteBinary("IdTime", "abcd", 4), -1);
  EXPECT_EQ(present.Read("Position"), "/opt/linkreel");
}

TEST(RegistryKeyTest, KeyThatCannotBeCreatedStaysClosedWithTheReason) {
  CompanionEnvironment environment;
  environment.Config().WriteBytes("Velmar", "a file where the store's folder belongs");
  CRegistryKey key("Software\\Velmar\\Pageward", false);
  EXPECT_FALSE(key.IsOpen());
  EXPECT_FALSE(key.CreateError().empty());
  EXPECT_EQ(key.Write("State", "opened"), -1);
  EXPECT_EQ(key.Read("State"), "");
}

TEST(RegistryKeyTest, NamesNeverLeaveTheKeysFolder) {
  CompanionEnvironment environment;
  CRegistryKey key("Software\\Velmar\\..\\Pageward", false);
  EXPECT_EQ(key.Folder(), environment.Config().Path() + "/Velmar/Pageward");
  EXPECT_EQ(key.Write("../Location", "x"), 1);
  EXPECT_EQ(key.Write("..", "x"), 1);
  EXPECT_EQ(key.Write("", "x"), 1);
  EXPECT_EQ(key.Read("../Pageward/State"), "");
  struct stat info;
  EXPECT_NE(stat((environment.Config().Path() + "/Velmar/Location").c_str(), &info), 0);
}

TEST(RegistryKeyTest, OversizedValuesReadAsMissing) {
  CompanionEnvironment environment;
  CRegistryKey key("Software\\Velmar\\Pageward", false);
  std::string longest(CRegistryKey::kMaxTextValue, 'a');
  ASSERT_EQ(key.Write("Identifier", longest), 0);
  EXPECT_EQ(key.Read("Identifier"), longest);
  ASSERT_EQ(key.Write("Identifier", longest + "a"), 0);
  EXPECT_EQ(key.Read("Identifier"), "");
  // A binary value longer than the buffer is not cut.
  ASSERT_EQ(key.WriteBinary("IdTime", "12345", 5), 0);
  char buffer[4];
  EXPECT_EQ(key.ReadBinary("IdTime", buffer, 4), 0u);
  // Text ends at a zero byte, as a string value read into a buffer does.
  ASSERT_EQ(key.WriteBinary("State", "open\0ed", 7), 0);
  EXPECT_EQ(key.Read("State"), "open");
}

TEST(RegistryKeyTest, ReaderNeverSeesAHalfWrittenValue) {
  CompanionEnvironment environment;
  CRegistryKey writer("Software\\Velmar\\Location", false);
  CRegistryKey reader("Software\\Velmar\\Location", false);
  const std::string a(3000, 'a');
  const std::string b(1000, 'b');
  ASSERT_EQ(writer.Write("URL", a), 0);
  std::atomic<bool> done{false};
  std::thread writing([&] {
    for (int i = 0; i < 60; ++i) writer.Write("URL", i % 2 ? a : b);
    done = true;
  });
  int mixed = 0;
  while (!done) {
    std::string value = reader.Read("URL");
    if (value != a && value != b) ++mixed;
  }
  writing.join();
  EXPECT_EQ(mixed, 0);
}

}  // namespace
