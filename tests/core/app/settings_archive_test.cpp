#include "core/app/settings_archive.h"

#include <gtest/gtest.h>

#include <csignal>
#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/program_folder.h"
#include "support/temp_folder.h"

namespace {

// Archive bytes spelled out by hand, as older versions of the program wrote them.
std::string Int(std::uint32_t value) {
  std::string bytes;
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  return bytes;
}
std::string Str(const std::string& text) {  // texts below 255 bytes
  return std::string(1, static_cast<char>(text.size())) + text;
}

// Values that differ from every default.
const char* const kServer = "mail.example.jp";
const char* const kAccount = "watcher@example.jp";
const char* const kPassword = "秘密pass";
const char* const kAuthState = "AUTH LOGIN 対応";
const char* const kProxy = "proxy.example.jp:8080";
const char* const kCaFile = "/etc/社内/ca.pem";
const char* const kFolder = "/home/ユーザー/links";

constexpr const char* kNotifyUrls = "ntfys://me:pw@ntfy.example/alerts\ndiscord://1/tok\n";

std::string AppPart(int schema) {
  std::string bytes = Int(schema) + Str("");
  if (schema == 2) return bytes + Int(1) + Int(0x55555555);
  if (schema < 3) return bytes;
  bytes += Int(1) + Str(kServer) + Int(587) + Str(kAccount);
  if (schema >= 4) bytes += Str(kPassword);
  if (schema >= 5) bytes += Str(kAuthState);
  if (schema >= 6) bytes += Int(1);
  if (schema >= 7) bytes += Int(1);
  if (schema >= 8) bytes += Int(1);
  if (schema >= 9) bytes += Str(kProxy) + Int(0);
  if (schema >= 10) bytes += Int(0) + Int(120) + Int(16);  // notification, time limit, page size
  if (schema >= 11) bytes += Int(5) + Int(8) + Int(30) + Int(2) + Int(1);
  if (schema >= 12) bytes += Str(kCaFile) + Str("taro-login") + Int(1) + Int(5);  // CA, user, login form, alarm
  if (schema >= 13) bytes += Str(kNotifyUrls) + Str("/srv/www/changes.atom");
  if (schema >= 14) bytes += Int(3);  // browsers at once
  return bytes;
}

std::string MainPart(int schema) {
  std::string bytes = Int(schema) + Str(kFolder);
  if (schema >= 3) bytes += Int(10) + Int(20) + Int(810) + Int(620) + Int(80) + Int(250) + Int(150);
  return bytes;
}

std::string WatchPart(int schema) {
  std::string bytes = Int(schema) + Int(210) + Int(110) + Int(120) + Int(130) + Int(390);
  if (schema > 1) bytes += Int(5) + Int(6) + Int(705) + Int(506);
  if (schema > 2) bytes += Int(125);  // the tag column
  return bytes;
}

AppSettings FullSettings() {
  AppSettings settings;
  settings.m_linkOverwrite = 1;
  settings.m_mailServer = kServer;
  settings.m_mailPort = 587;
  settings.m_mailAccount = kAccount;
  settings.m_mailPassword = kPassword;
  settings.m_smtpAuthState = kAuthState;
  settings.m_startResident = 1;
  settings.m_resetOnListClose = 1;
  settings.m_listDoubleClick = 1;
  settings.m_proxy = kProxy;
  settings.m_noProxyForLocal = 0;
  settings.m_desktopNotify = 0;
  settings.m_fetchTimeLimit = 120;
  settings.m_pageSizeLimitMiB = 16;
  settings.m_historyCount = 5;
  settings.m_checkJobs = 8;
  settings.m_hostInterval = 30;
  settings.m_mailSecurity = MailSecurity::Tls;
  settings.m_autostart = 1;
  settings.m_extraCaFile = kCaFile;
  settings.m_mailUser = "taro-login";
  settings.m_mailLoginForm = kLoginWholeAddress;
  settings.m_errorAlertAfter = 5;
  settings.m_notifyUrls = kNotifyUrls;
  settings.m_feedCopyPath = "/srv/www/changes.atom";
  settings.m_browserJobs = 3;
  return settings;
}

MainWindowLayout FullMainWindow() {
  MainWindowLayout layout;
  layout.m_linkFolder = kFolder;
  layout.m_windowRect = {10, 20, 810, 620};
  layout.m_columnWidths = {80, 250, 150};
  return layout;
}

WatchListWindowLayout FullWatchListWindow() {
  WatchListWindowLayout layout;
  layout.m_columnWidths = {210, 110, 120, 130, 390};
  layout.m_windowRect = {5, 6, 705, 506};
  layout.m_tagColumnWidth = 125;
  return layout;
}

std::string RectText(const WindowRect& rect) {
  return std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
         std::to_string(rect.right) + "," + std::to_string(rect.bottom);
}

template <std::size_t N>
std::string WidthsText(const std::array<int, N>& widths) {
  std::string text;
  for (int width : widths) text += std::to_string(width) + " ";
  return text;
}

// Every stored value in the order of the archive, so a failure shows which one differs.
std::vector<std::string> Fields(const AppSettings& s, const MainWindowLayout& m,
                                const WatchListWindowLayout& w) {
  return {std::to_string(s.m_linkOverwrite), s.m_mailServer, std::to_string(s.m_mailPort),
          s.m_mailAccount, s.m_mailPassword, s.m_smtpAuthState,
          std::to_string(s.m_startResident), std::to_string(s.m_resetOnListClose),
          std::to_string(s.m_listDoubleClick), s.m_proxy, std::to_string(s.m_noProxyForLocal),
          std::to_string(s.m_desktopNotify), std::to_string(s.m_fetchTimeLimit),
          std::to_string(s.m_pageSizeLimitMiB), std::to_string(s.m_historyCount),
          std::to_string(s.m_checkJobs), std::to_string(s.m_hostInterval),
          std::to_string(static_cast<int>(s.m_mailSecurity)), std::to_string(s.m_autostart),
          s.m_extraCaFile, s.m_mailUser, std::to_string(s.m_mailLoginForm),
          std::to_string(s.m_errorAlertAfter), s.m_notifyUrls, s.m_feedCopyPath, std::to_string(s.m_browserJobs), m.m_linkFolder, RectText(m.m_windowRect),
          WidthsText(m.m_columnWidths),
          WidthsText(w.m_columnWidths), RectText(w.m_windowRect), std::to_string(w.m_tagColumnWidth)};
}

std::vector<std::string> DefaultFields() { return Fields({}, {}, {}); }
std::vector<std::string> FullFields() {
  return Fields(FullSettings(), FullMainWindow(), FullWatchListWindow());
}

std::string FullArchive() { return AppPart(14) + MainPart(3) + WatchPart(3); }

struct Loaded {
  AppSettings settings;
  MainWindowLayout mainWindow;
  WatchListWindowLayout watchList;
  bool whole = false;

  explicit Loaded(const std::string& bytes) {
    whole = ReadSettingsArchive(bytes, settings, mainWindow, watchList);
  }
  std::vector<std::string> AllFields() const { return Fields(settings, mainWindow, watchList); }
};

TEST(SettingsArchiveTest, DefaultsAreThoseOfAFirstStart) {
  AppSettings settings;
  MainWindowLayout mainWindow;
  WatchListWindowLayout watchList;
  TempFolder folder;
  EXPECT_EQ(LoadSettingsFile(folder.File("PAGEWARD.INI"), settings, mainWindow, watchList),
            platform::LoadOutcome::Missing);
  EXPECT_EQ(settings.m_mailPort, 25);
  EXPECT_EQ(settings.m_proxy, "");
  EXPECT_EQ(settings.m_noProxyForLocal, 1);
  EXPECT_EQ(mainWindow.m_columnWidths, (std::array<int, 3>{70, 240, 140}));
  EXPECT_EQ(mainWindow.m_linkFolder, "c:");
  EXPECT_FALSE(mainWindow.m_windowRect.IsKnown());
  EXPECT_EQ(watchList.m_columnWidths, (std::array<int, 5>{200, 100, 100, 100, 380}));
  EXPECT_FALSE(watchList.m_windowRect.IsKnown());
}

TEST(SettingsArchiveTest, WritesTheCurrentSchemasByteForByte) {
  EXPECT_EQ(StoreSettingsArchive(FullSettings(), FullMainWindow(), FullWatchListWindow()),
            FullArchive());
  // Defaults, spelled out completely once.
  std::string defaults = Int(14) + Str("") + Int(0) + Str("") + Int(25) + Str("") + Str("") +
                         Str("") + Int(0) + Int(0) + Int(0) + Str("") + Int(1) + Int(1) + Int(300) + Int(64) +
                         Int(1) + Int(4) + Int(0) + Int(0) + Int(0) + Str("") + Str("") +
                         Int(0) + Int(3) + Str("") + Str("") + Int(1) +  // application
                         Int(3) + Str("c:") + Int(0) + Int(0xFFFFFFFF) + Int(0) + Int(0) +
                         Int(70) + Int(240) + Int(140) +  // main window
                         Int(3) + Int(200) + Int(100) + Int(100) + Int(100) + Int(380) + Int(0) +
                         Int(0xFFFFFFFF) + Int(0) + Int(0) + Int(120);  // watch list window
  EXPECT_EQ(StoreSettingsArchive({}, {}, {}), defaults);
}

TEST(SettingsArchiveTest, ReadsEveryApplicationSchemaAndTheLayoutAfterIt) {
  for (int schema = 3; schema <= 14; ++schema) {
    SCOPED_TRACE("schema " + std::to_string(schema));
    Loaded loaded(AppPart(schema) + MainPart(3) + WatchPart(3));
    EXPECT_TRUE(loaded.whole);
    AppSettings expected;
    expected.m_linkOverwrite = 1;
    expected.m_mailServer = kServer;
    expected.m_mailPort = 587;
    expected.m_mailAccount = kAccount;
    if (schema >= 4) expected.m_mailPassword = kPassword;
    if (schema >= 5) expected.m_smtpAuthState = kAuthState;
    if (schema >= 6) expected.m_startResident = 1;
    if (schema >= 7) expected.m_resetOnListClose = 1;
    if (schema >= 8) expected.m_listDoubleClick = 1;
    if (schema >= 9) {
      expected.m_proxy = kProxy;
      expected.m_noProxyForLocal = 0;
    }
    // Before the switch was stored, notifications were shown.
    if (schema >= 10) {
      expected.m_desktopNotify = 0;
      expected.m_fetchTimeLimit = 120;
      expected.m_pageSizeLimitMiB = 16;
    }
    if (schema >= 11) {
      expected.m_historyCount = 5;
      expected.m_checkJobs = 8;
      expected.m_hostInterval = 30;
      expected.m_mailSecurity = MailSecurity::Tls;
      expected.m_autostart = 1;
    }
    if (schema >= 12) expected.m_extraCaFile = kCaFile;
    // Older archives log in with the part of the address before "@".
    expected.m_mailLoginForm = schema >= 12 ? kLoginWholeAddress : kLoginLocalPart;
    if (schema >= 12) {
      expected.m_mailUser = "taro-login";
      expected.m_errorAlertAfter = 5;
    }
    if (schema >= 13) {
      expected.m_notifyUrls = kNotifyUrls;
      expected.m_feedCopyPath = "/srv/www/changes.atom";
    }
    if (schema >= 14) expected.m_browserJobs = 3;
    // The layout parts after the application part land in the right places.
    EXPECT_EQ(loaded.AllFields(), Fields(expected, FullMainWindow(), FullWatchListWindow()));
  }
}

TEST(SettingsArchiveTest, SchemaTwoKeepsTheLinkFlagSkipsFourBytesAndClearsTheMail) {
  AppSettings settings;
  settings.m_mailServer = "old.example.jp";
  settings.m_mailAccount = "old@example.jp";
  settings.m_mailPort = 2525;
  MainWindowLayout mainWindow;
  WatchListWindowLayout watchList;
  EXPECT_TRUE(ReadSettingsArchive(AppPart(2) + MainPart(3) + WatchPart(3), settings, mainWindow,
                                  watchList));
  AppSettings expected;
  expected.m_linkOverwrite = 1;
  EXPECT_EQ(Fields(settings, mainWindow, watchList),
            Fields(expected, FullMainWindow(), FullWatchListWindow()));

  // Schemas 0 and 1 hold only the reserved string.
  for (int schema : {0, 1}) {
    Loaded loaded(AppPart(schema) + MainPart(3) + WatchPart(3));
    EXPECT_TRUE(loaded.whole);
    EXPECT_EQ(loaded.AllFields(), Fields({}, FullMainWindow(), FullWatchListWindow()));
  }
}

TEST(SettingsArchiveTest, ReadsOlderLayoutSchemas) {
  // Main window schema 2: the folder only, then the watch list window part.
  Loaded folderOnly(AppPart(14) + MainPart(2) + WatchPart(3));
  EXPECT_TRUE(folderOnly.whole);
  MainWindowLayout expectedMain;
  expectedMain.m_linkFolder = kFolder;
  EXPECT_EQ(folderOnly.AllFields(), Fields(FullSettings(), expectedMain, FullWatchListWindow()));

  // Main window schema 1: no watch list window part is read, even when bytes follow.
  Loaded noWatchList(AppPart(14) + MainPart(1) + WatchPart(3));
  EXPECT_TRUE(noWatchList.whole);
  EXPECT_EQ(noWatchList.AllFields(), Fields(FullSettings(), expectedMain, {}));

  // Watch list window schema 1 has no rectangle.
  Loaded noRect(AppPart(14) + MainPart(3) + WatchPart(1));
  EXPECT_TRUE(noRect.whole);
  WatchListWindowLayout expectedWatch = FullWatchListWindow();
  expectedWatch.m_windowRect = {};
  expectedWatch.m_tagColumnWidth = 120;
  EXPECT_EQ(noRect.AllFields(), Fields(FullSettings(), FullMainWindow(), expectedWatch));
}

TEST(SettingsArchiveTest, ANewerSchemaKeepsTheKnownFieldsAndReadsNoFurther) {
  // A later version may append fields; where its next part begins is then unknown.
  std::string newer = Int(15) + AppPart(14).substr(4) + Int(77) + MainPart(3) + WatchPart(3);
  Loaded loaded(newer);
  EXPECT_TRUE(loaded.whole);
  EXPECT_EQ(loaded.AllFields(), Fields(FullSettings(), {}, {}));

  Loaded newerLayout(AppPart(14) + Int(4) + MainPart(3).substr(4) + Int(77) + WatchPart(3));
  EXPECT_EQ(newerLayout.AllFields(), Fields(FullSettings(), FullMainWindow(), {}));

  // An encryption this version does not know is never read as none.
  std::string known = AppPart(12);
  std::string unknown = known.substr(0, known.size() - 8) + Int(3) + Int(1);
  Loaded strictest(unknown + MainPart(3) + WatchPart(3));
  EXPECT_EQ(strictest.settings.m_mailSecurity, MailSecurity::Tls);
}

TEST(SettingsArchiveTest, AShortArchiveKeepsWhatWasReadAndDefaultsForTheRest) {
  const std::string full = FullArchive();
  const std::vector<std::string> defaults = DefaultFields();
  const std::vector<std::string> complete = FullFields();
  std::size_t previousRead = 0;
  for (std::size_t length = 0; length < full.size(); ++length) {
    SCOPED_TRACE("length " + std::to_string(length));
    Loaded loaded(full.substr(0, length));
    EXPECT_FALSE(loaded.whole);
    std::vector<std::string> fields = loaded.AllFields();
    // A prefix of the fields holds the stored values, every other field its default.
    std::size_t read = 0;
    while (read < fields.size() && fields[read] == complete[read]) ++read;
    for (std::size_t i = read; i < fields.size(); ++i) EXPECT_EQ(fields[i], defaults[i]) << i;
    EXPECT_GE(read, previousRead);
    previousRead = read;
  }
  EXPECT_EQ(previousRead, complete.size() - 1);  // all but the last rectangle
  Loaded whole(full);
  EXPECT_TRUE(whole.whole);
  EXPECT_EQ(whole.AllFields(), complete);
}

TEST(SettingsArchiveTest, LongStringsRoundTripByteForByte) {
  AppSettings settings = FullSettings();
  MainWindowLayout mainWindow = FullMainWindow();
  for (std::size_t length : {255u, 300u, 0xFFFEu, 70000u}) {
    SCOPED_TRACE(length);
    settings.m_mailPassword.assign(length, 'p');
    settings.m_mailPassword.back() = 'Z';
    mainWindow.m_linkFolder.assign(length, 'f');
    std::string bytes = StoreSettingsArchive(settings, mainWindow, FullWatchListWindow());
    Loaded loaded(bytes);
    EXPECT_TRUE(loaded.whole);
    EXPECT_EQ(loaded.AllFields(), Fields(settings, mainWindow, FullWatchListWindow()));
    EXPECT_EQ(StoreSettingsArchive(loaded.settings, loaded.mainWindow, loaded.watchList), bytes);
  }
  // An archive from an older version comes back as the current schemas, values unchanged.
  Loaded old(AppPart(5) + MainPart(2) + WatchPart(1));
  Loaded again(StoreSettingsArchive(old.settings, old.mainWindow, old.watchList));
  EXPECT_EQ(again.AllFields(), old.AllFields());
}

std::vector<std::string> FolderEntries(const std::string& path) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(path.c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
  }
  return names;
}

class SettingsFileTest : public ::testing::Test {
 protected:
  TempFolder m_folder;
  std::string m_path = m_folder.File("PAGEWARD.INI");
};

TEST_F(SettingsFileTest, SavesOwnerOnlyAndLoadsBack) {
  // An older file readable by everyone is replaced by one readable by its owner only.
  m_folder.WriteBytes("PAGEWARD.INI", "old");
  chmod(m_path.c_str(), 0644);
  std::string previousFolder = platform::ProgramFolderPath();
  platform::SetProgramFolder(m_folder.Path());
  EXPECT_EQ(SettingsArchivePath(), m_path);
  platform::SetProgramFolder(previousFolder);

  ASSERT_TRUE(SaveSettingsFile(m_path, FullSettings(), FullMainWindow(), FullWatchListWindow()));
  struct stat status {};
  ASSERT_EQ(stat(m_path.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);
  EXPECT_EQ(m_folder.ReadBytes("PAGEWARD.INI"), FullArchive());
  EXPECT_EQ(FolderEntries(m_folder.Path()), std::vector<std::string>{"PAGEWARD.INI"});

  AppSettings settings;
  MainWindowLayout mainWindow;
  WatchListWindowLayout watchList;
  EXPECT_EQ(LoadSettingsFile(m_path, settings, mainWindow, watchList),
            platform::LoadOutcome::Loaded);
  EXPECT_EQ(Fields(settings, mainWindow, watchList), FullFields());
}

TEST_F(SettingsFileTest, AFailedSaveLeavesThePreviousFileIntact) {
  m_folder.WriteBytes("PAGEWARD.INI", FullArchive());
  AppSettings settings = FullSettings();
  settings.m_mailPassword.assign(100000, 'x');

  // The disk "fills up" during the write: the file-size limit stops the temporary file.
  rlimit previous {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
  auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = previous;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  bool saved = SaveSettingsFile(m_path, settings, {}, {});
  setrlimit(RLIMIT_FSIZE, &previous);
  std::signal(SIGXFSZ, previousHandler);

  EXPECT_FALSE(saved);
  EXPECT_EQ(m_folder.ReadBytes("PAGEWARD.INI"), FullArchive());
  EXPECT_EQ(FolderEntries(m_folder.Path()), std::vector<std::string>{"PAGEWARD.INI"});

  // A folder that does not exist.
  EXPECT_FALSE(SaveSettingsFile(m_folder.File("missing/PAGEWARD.INI"), settings, {}, {}));
}

TEST_F(SettingsFileTest, AnUnreadableArchiveChangesNothingAndAShortOneIsDamaged) {
  ASSERT_TRUE(platform::MakeDirectory(m_path));  // a folder where the file should be
  AppSettings settings = FullSettings();
  MainWindowLayout mainWindow;
  WatchListWindowLayout watchList;
  EXPECT_EQ(LoadSettingsFile(m_path, settings, mainWindow, watchList),
            platform::LoadOutcome::Unreadable);
  EXPECT_EQ(Fields(settings, mainWindow, watchList), Fields(FullSettings(), {}, {}));

  // A short file is read as far as it goes, and said to be damaged.
  m_folder.WriteBytes("short.ini", AppPart(10).substr(0, 27));
  settings = {};
  EXPECT_EQ(LoadSettingsFile(m_folder.File("short.ini"), settings, mainWindow, watchList),
            platform::LoadOutcome::Damaged);
  EXPECT_EQ(settings.m_linkOverwrite, 1);
  EXPECT_EQ(settings.m_mailServer, kServer);
  EXPECT_EQ(settings.m_mailPort, 25);
  // An empty file holds nothing to lose.
  m_folder.WriteBytes("empty.ini", "");
  EXPECT_EQ(LoadSettingsFile(m_folder.File("empty.ini"), settings, mainWindow, watchList),
            platform::LoadOutcome::Missing);
}

}  // namespace
