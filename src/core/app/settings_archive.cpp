#include "core/app/settings_archive.h"

#include <cstdio>

#include "core/common/path_utils.h"
#include "platform/atomic_file.h"
#include "platform/file_system.h"

namespace {

void StoreRect(CArchiveWriter& archive, const WindowRect& rect) {
  archive.WriteInt(rect.left);
  archive.WriteInt(rect.top);
  archive.WriteInt(rect.right);
  archive.WriteInt(rect.bottom);
}

// All four values or none: half a rectangle would place the window anywhere.
bool LoadRect(CArchiveReader& archive, WindowRect& rect) {
  WindowRect read;
  if (!archive.ReadInt(read.left) || !archive.ReadInt(read.top) || !archive.ReadInt(read.right) ||
      !archive.ReadInt(read.bottom)) {
    return false;
  }
  rect = read;
  return true;
}

template <std::size_t N>
void StoreWidths(CArchiveWriter& archive, const std::array<int, N>& widths) {
  for (int width : widths) archive.WriteInt(width);
}

// All widths or none, like the rectangle.
template <std::size_t N>
bool LoadWidths(CArchiveReader& archive, std::array<int, N>& widths) {
  std::array<int, N> read = widths;
  for (int& width : read) {
    if (!archive.ReadInt(width)) return false;
  }
  widths = read;
  return true;
}

// An encryption this version does not know (a damaged archive, a newer version) reads as
// TLS, the strictest: the password is never sent in plain text by mistake.
bool LoadSchemaElevenSettings(CArchiveReader& archive, AppSettings& settings) {
  int security = 0;
  if (!(archive.ReadInt(settings.m_historyCount) && archive.ReadInt(settings.m_checkJobs) &&
        archive.ReadInt(settings.m_hostInterval) && archive.ReadInt(security) &&
        archive.ReadInt(settings.m_autostart))) {
    return false;
  }
  bool known = security >= 0 && security <= static_cast<int>(MailSecurity::Tls);
  settings.m_mailSecurity = known ? static_cast<MailSecurity>(security) : MailSecurity::Tls;
  return true;
}

}  // namespace

void StoreAppSettings(CArchiveWriter& archive, const AppSettings& settings) {
  archive.WriteInt(kAppSettingsSchema);
  archive.WriteString("");  // reserved
  archive.WriteInt(settings.m_linkOverwrite);
  archive.WriteString(settings.m_mailServer);
  archive.WriteInt(settings.m_mailPort);
  archive.WriteString(settings.m_mailAccount);
  archive.WriteString(settings.m_mailPassword);
  archive.WriteString(settings.m_smtpAuthState);
  archive.WriteInt(settings.m_startResident);
  archive.WriteInt(settings.m_resetOnListClose);
  archive.WriteInt(settings.m_listDoubleClick);
  archive.WriteString(settings.m_proxy);
  archive.WriteInt(settings.m_noProxyForLocal);
  archive.WriteInt(settings.m_desktopNotify);
  archive.WriteInt(settings.m_fetchTimeLimit);
  archive.WriteInt(settings.m_pageSizeLimitMiB);
  archive.WriteInt(settings.m_historyCount);
  archive.WriteInt(settings.m_checkJobs);
  archive.WriteInt(settings.m_hostInterval);
  archive.WriteInt(static_cast<int>(settings.m_mailSecurity));
  archive.WriteInt(settings.m_autostart);
  archive.WriteString(settings.m_extraCaFile);
  archive.WriteString(settings.m_mailUser);
  archive.WriteInt(settings.m_mailLoginForm);
  archive.WriteInt(settings.m_errorAlertAfter);
  archive.WriteString(settings.m_notifyUrls);
  archive.WriteString(settings.m_feedCopyPath);
  archive.WriteInt(settings.m_browserJobs);
}

bool LoadAppSettings(CArchiveReader& archive, AppSettings& settings) {
  int schema = 0;
  if (!archive.ReadInt(schema)) return false;
  // Archives from before the switch existed show notifications.
  if (schema < 10) settings.m_desktopNotify = 1;
  if (schema < 3) {
    // Archives this old kept no usable mail settings.
    settings.m_mailServer.clear();
    settings.m_mailAccount.clear();
    settings.m_mailPort = 25;
  }
  std::string reserved;
  if (!archive.ReadString(reserved)) return false;
  if (schema < 3) {
    // Schema 2 kept the link flag followed by a value that is no longer used.
    if (schema == 2 && !(archive.ReadInt(settings.m_linkOverwrite) && archive.Skip(4))) {
      return false;
    }
    return true;
  }
  if (!archive.ReadInt(settings.m_linkOverwrite) || !archive.ReadString(settings.m_mailServer) ||
      !archive.ReadInt(settings.m_mailPort) || !archive.ReadString(settings.m_mailAccount)) {
    return false;
  }
  if (schema >= 4 && !archive.ReadString(settings.m_mailPassword)) return false;
  if (schema >= 5 && !archive.ReadString(settings.m_smtpAuthState)) return false;
  if (schema >= 6 && !archive.ReadInt(settings.m_startResident)) return false;
  if (schema >= 7 && !archive.ReadInt(settings.m_resetOnListClose)) return false;
  if (schema >= 8 && !archive.ReadInt(settings.m_listDoubleClick)) return false;
  if (schema >= 9 &&
      !(archive.ReadString(settings.m_proxy) && archive.ReadInt(settings.m_noProxyForLocal))) {
    return false;
  }
  if (schema >= 10 && !(archive.ReadInt(settings.m_desktopNotify) &&
                        archive.ReadInt(settings.m_fetchTimeLimit) &&
                        archive.ReadInt(settings.m_pageSizeLimitMiB))) {
    return false;
  }
  if (schema >= 11 && !LoadSchemaElevenSettings(archive, settings)) return false;
  if (schema >= 12 && !archive.ReadString(settings.m_extraCaFile)) return false;
  // Older versions logged in with the part of the address before "@": so it stays until a
  // test finds otherwise.
  if (schema < 12) settings.m_mailLoginForm = kLoginLocalPart;
  if (schema >= 12 && !(archive.ReadString(settings.m_mailUser) &&
                        archive.ReadInt(settings.m_mailLoginForm) &&
                        archive.ReadInt(settings.m_errorAlertAfter))) {
    return false;
  }
  if (schema >= 13 && !(archive.ReadString(settings.m_notifyUrls) &&
                        archive.ReadString(settings.m_feedCopyPath))) {
    return false;
  }
  if (schema >= 14 && !archive.ReadInt(settings.m_browserJobs)) return false;
  return schema <= kAppSettingsSchema;
}

void StoreMainWindowLayout(CArchiveWriter& archive, const MainWindowLayout& layout) {
  archive.WriteInt(kMainWindowLayoutSchema);
  archive.WriteString(layout.m_linkFolder);
  StoreRect(archive, layout.m_windowRect);
  StoreWidths(archive, layout.m_columnWidths);
}

bool LoadMainWindowLayout(CArchiveReader& archive, MainWindowLayout& layout, int& schema) {
  schema = -1;
  int read = 0;
  if (!archive.ReadInt(read)) return false;
  schema = read;
  if (!archive.ReadString(layout.m_linkFolder)) return false;
  if (read < 3) return true;
  if (!LoadRect(archive, layout.m_windowRect) || !LoadWidths(archive, layout.m_columnWidths)) {
    return false;
  }
  return read <= kMainWindowLayoutSchema;
}

void StoreWatchListWindowLayout(CArchiveWriter& archive, const WatchListWindowLayout& layout) {
  archive.WriteInt(kWatchListWindowLayoutSchema);
  StoreWidths(archive, layout.m_columnWidths);
  StoreRect(archive, layout.m_windowRect);
  archive.WriteInt(layout.m_tagColumnWidth);
}

bool LoadWatchListWindowLayout(CArchiveReader& archive, WatchListWindowLayout& layout) {
  int schema = 0;
  if (!archive.ReadInt(schema) || !LoadWidths(archive, layout.m_columnWidths)) return false;
  if (schema > 1 && !LoadRect(archive, layout.m_windowRect)) return false;
  if (schema > 2 && !archive.ReadInt(layout.m_tagColumnWidth)) return false;
  return schema <= kWatchListWindowLayoutSchema;
}

std::string StoreSettingsArchive(const AppSettings& settings, const MainWindowLayout& mainWindow,
                                 const WatchListWindowLayout& watchListWindow) {
  CArchiveWriter archive;
  StoreAppSettings(archive, settings);
  StoreMainWindowLayout(archive, mainWindow);
  StoreWatchListWindowLayout(archive, watchListWindow);
  return archive.Bytes();
}

bool ReadSettingsArchive(const std::string& bytes, AppSettings& settings,
                         MainWindowLayout& mainWindow, WatchListWindowLayout& watchListWindow) {
  CArchiveReader archive(bytes);
  int mainSchema = -1;
  if (LoadAppSettings(archive, settings) && LoadMainWindowLayout(archive, mainWindow, mainSchema) &&
      mainSchema >= 2) {
    LoadWatchListWindowLayout(archive, watchListWindow);
  }
  return !archive.Failed();
}

std::string SettingsArchivePath() { return ProgramFolder() + "/" + kSettingsArchiveName; }

platform::LoadOutcome LoadSettingsFile(const std::string& path, AppSettings& settings,
                                       MainWindowLayout& mainWindow,
                                       WatchListWindowLayout& watchListWindow) {
  FILE* file = platform::OpenFile(path, "rb");
  if (!file) {
    return platform::FileExists(path) ? platform::LoadOutcome::Unreadable
                                      : platform::LoadOutcome::Missing;
  }
  std::string bytes;
  char buffer[4096];
  std::size_t count = 0;
  while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, count);
  bool readError = std::ferror(file) != 0;
  std::fclose(file);
  if (readError) return platform::LoadOutcome::Unreadable;
  if (bytes.empty()) return platform::LoadOutcome::Missing;
  return ReadSettingsArchive(bytes, settings, mainWindow, watchListWindow)
             ? platform::LoadOutcome::Loaded
             : platform::LoadOutcome::Damaged;
}

bool SaveSettingsFile(const std::string& path, const AppSettings& settings,
                      const MainWindowLayout& mainWindow,
                      const WatchListWindowLayout& watchListWindow) {
  std::string bytes = StoreSettingsArchive(settings, mainWindow, watchListWindow);
  platform::CAtomicFile file(path, platform::CAtomicFile::Mode::Binary,
                             platform::CAtomicFile::Access::OwnerOnly);
  FILE* stream = file.Open();
  if (!stream) return false;
  if (std::fwrite(bytes.data(), 1, bytes.size(), stream) != bytes.size()) return false;
  return file.Commit();
}
