#include "core/companion/companion_link.h"

#include <cstdint>
#include <cstdlib>

#include "core/companion/companion_names.h"
#include "core/companion/request_file.h"
#include "core/common/path_utils.h"
#include "platform/broadcast.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/registry_key.h"
#include "platform/shell.h"

namespace {

constexpr const char* kClosed = "closed";

void PutTime(std::uint32_t value, unsigned char bytes[4]) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>(value >> (8 * i));
}

std::int64_t GetTime(const unsigned char bytes[4]) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
  return value;
}

bool Usable(const platform::CRegistryKey* key) { return key && key->IsOpen(); }

}  // namespace

CCompanionLink::CCompanionLink(platform::CRegistryKey* ownKey, platform::CRegistryKey* helperKey,
                               platform::CRegistryKey* downloaderKey,
                               platform::CRegistryKey* locationKey, IPrompter& prompter)
    : m_ownKey(ownKey),
      m_helperKey(helperKey),
      m_downloaderKey(downloaderKey),
      m_locationKey(locationKey),
      m_prompter(prompter) {}

std::string CCompanionLink::Value(platform::CRegistryKey* key, const char* name) const {
  return key ? key->Read(name) : std::string();
}

int CCompanionLink::LaunchHelper() {
  std::string folder = Value(m_helperKey, "Position");
  if (folder.empty()) folder = ProgramFolder();
  return platform::StartProgram(folder, kHelperExecutable) ? 0 : 1;
}

int CCompanionLink::LaunchDownloader() {
  std::string folder = Value(m_downloaderKey, "Position");
  return platform::StartProgram(folder, kDownloaderExecutable) ? 0 : 1;
}

int CCompanionLink::HelperVersion() const {
  std::string version = Value(m_helperKey, "Version");
  std::size_t dot = version.find('.');
  if (dot != std::string::npos) version.erase(dot, 1);
  return std::atoi(version.c_str());
}

int CCompanionLink::SetOwnIdentifier(const std::string& path) {
  if (!Usable(m_ownKey)) {
    m_prompter.ShowMessage("レジストリが壊れています。", IPrompter::Buttons::Ok,
                           IPrompter::Icon::Warning);
    return -1;
  }
  std::int64_t now = platform::Now();
  if (!m_ownKey->Read("Identifier").empty()) {
    unsigned char stored[4] = {0, 0, 0, 0};
    std::int64_t setAt = m_ownKey->ReadBinary("IdTime", stored, 4) == 4 ? GetTime(stored) : 0;
    // A time ahead of the clock (the clock was set back) does not block for ever.
    std::int64_t age = now - setAt;
    if (age >= 0 && age < kHelperBusySeconds) return 1;
  }
  unsigned char stamp[4];
  PutTime(static_cast<std::uint32_t>(now), stamp);
  if (m_ownKey->Write("Identifier", path) != 0) return -1;
  m_ownKey->WriteBinary("IdTime", stamp, 4);
  return 0;
}

int CCompanionLink::TakeBackOwnRequest(FetchRequest& request) {
  if (!Usable(m_ownKey)) return 1;
  std::string path = m_ownKey->Read("Identifier");
  if (path.empty()) return 1;
  m_ownKey->Write("Identifier", "");
  if (request.TransferFile(path, "r") != 1) return 1;
  platform::RemoveFile(path);
  return 0;
}

std::string CCompanionLink::TakeHelperIdentifier() {
  if (!Usable(m_helperKey)) return {};
  std::string path = m_helperKey->Read("Identifier");
  if (!path.empty()) m_helperKey->Write("Identifier", "");
  return path;
}

int CCompanionLink::SetLocationUrl(const std::string& text) {
  if (!Usable(m_locationKey) || !m_locationKey->Read("URL").empty()) return 1;
  return m_locationKey->Write("URL", text) == 0 ? 0 : 1;
}

int CCompanionLink::ShowThroughHelper(const std::string& target) {
  bool written = SetLocationUrl(target) == 0;
  std::string state = Value(m_helperKey, "State");
  if (written && !state.empty() && state != kClosed) {
    platform::Broadcast(kMessageWakeHelper);
    return 0;
  }
  if (LaunchHelper() == 0) {
    platform::Broadcast(kMessageWakeHelper);
    return 0;
  }
  if (written) m_locationKey->Write("URL", "");
  return platform::OpenWithDesktop(target) ? 0 : -1;
}

int CCompanionLink::HandToHelper(const std::string& path) {
  int result = SetOwnIdentifier(path);
  if (result != 0) return result;
  if (HelperVersion() >= kRequestFileHelperVersion) {
    if (Value(m_helperKey, "State") != kClosed || LaunchHelper() == 0) {
      platform::Broadcast(kMessageRequestForHelper);
      return 0;
    }
  }
  FetchRequest request;
  if (TakeBackOwnRequest(request) != 0) return -1;
  if (request.RequiredCompanionVersion() >= kRequestFileHelperVersion) {
    m_prompter.ShowMessage("ページを正しく表示するには、\nGrabmateVer. 1.50以上が必要です",
                           IPrompter::Buttons::Ok, IPrompter::Icon::Information);
  }
  return ShowThroughHelper(request.m_url);
}

void CCompanionLink::DownloaderCommand() {
  if (Value(m_downloaderKey, "State") == kClosed && LaunchDownloader() != 0) {
    m_prompter.ShowMessage("Linkreelが正しくインストールされていません。",
                           IPrompter::Buttons::Ok, IPrompter::Icon::Warning);
  }
  platform::Broadcast(kMessageWakeDownloader);
}

void CCompanionLink::HelperCommand() {
  if (Value(m_helperKey, "State") == kClosed && LaunchHelper() != 0) {
    m_prompter.ShowMessage("Grabmateが正しくインストールされていません。",
                           IPrompter::Buttons::Ok, IPrompter::Icon::Warning);
  }
  platform::Broadcast(kMessageWakeHelper);
}

CCompanionLink::HelperRequest CCompanionLink::TakeHelperRequest(RequestTrigger trigger) {
  HelperRequest result;
  std::string path = TakeHelperIdentifier();
  if (!path.empty()) result.request = TakeRequestFile(path);
  result.showMainWindow = trigger == RequestTrigger::Message || !path.empty();
  return result;
}
