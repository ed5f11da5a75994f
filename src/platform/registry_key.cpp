#include "platform/registry_key.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "platform/atomic_file.h"
#include "platform/runtime_folder.h"
#include "platform/text_codec.h"

namespace platform {

namespace {

// "Software\Velmar\Pageward" -> "Pageward": the store's root already is the maker's.
std::string KeyFolderBelowRoot(const std::string& keyPath) {
  std::string relative;
  std::size_t start = 0;
  int index = 0;
  while (start <= keyPath.size()) {
    std::size_t end = keyPath.find('\\', start);
    if (end == std::string::npos) end = keyPath.size();
    std::string component = keyPath.substr(start, end - start);
    bool prefix = (index == 0 && component == "Software") ||
                  (index <= 1 && component == "Velmar" && relative.empty());
    if (!component.empty() && !prefix && component != "." && component != "..") {
      relative.push_back('/');
      relative.append(Cp932ToUtf8(component));
    }
    ++index;
    start = end + 1;
  }
  return relative;
}

// Creates the folder and its missing parents, private to the user.
bool MakePrivateFolders(const std::string& folder, std::string& error) {
  for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    std::string part = slash == std::string::npos ? folder : folder.substr(0, slash);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
      error = std::strerror(errno);
      return false;
    }
    if (slash == std::string::npos) break;
  }
  struct stat info;
  if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    error = std::strerror(ENOTDIR);
    return false;
  }
  return true;
}

}  // namespace

CRegistryKey::CRegistryKey(const std::string& keyPath, bool readOnly)
    : m_folder(ValueStoreRoot() + KeyFolderBelowRoot(keyPath)), m_readOnly(readOnly) {
  struct stat info;
  if (readOnly) {
    m_isOpen = stat(m_folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    return;
  }
  m_isOpen = MakePrivateFolders(m_folder, m_createError);
}

bool CRegistryKey::ValuePath(const std::string& name, std::string& path) const {
  // A value name is one file name in the key's folder, never a way out of it.
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
      name.find('\0') != std::string::npos) {
    return false;
  }
  path = m_folder + "/" + Cp932ToUtf8(name);
  return true;
}

bool CRegistryKey::ReadBytes(const std::string& name, std::size_t limit,
                             std::string& bytes) const {
  std::string path;
  if (!m_isOpen || !ValuePath(name, path)) return false;
  FILE* file = fopen(path.c_str(), "rb");
  if (!file) return false;
  bytes.resize(limit + 1);
  std::size_t count = fread(bytes.data(), 1, bytes.size(), file);
  bool failed = ferror(file) != 0;
  fclose(file);
  if (failed || count > limit) return false;
  bytes.resize(count);
  return true;
}

std::string CRegistryKey::Read(const std::string& name) const {
  std::string bytes;
  if (!ReadBytes(name, kMaxTextValue, bytes)) return {};
  std::size_t zero = bytes.find('\0');
  if (zero != std::string::npos) bytes.resize(zero);
  return bytes;
}

std::size_t CRegistryKey::ReadBinary(const std::string& name, void* buffer,
                                     std::size_t size) const {
  std::string bytes;
  if (!ReadBytes(name, size, bytes)) return 0;
  std::memcpy(buffer, bytes.data(), bytes.size());
  return bytes.size();
}

int CRegistryKey::Write(const std::string& name, const std::string& text) {
  return WriteBytes(name, text.data(), text.size());
}

int CRegistryKey::WriteBinary(const std::string& name, const void* data, std::size_t size) {
  return WriteBytes(name, data, size);
}

int CRegistryKey::WriteBytes(const std::string& name, const void* data, std::size_t size) {
  std::string path;
  if (!m_isOpen || m_readOnly) return -1;
  if (!ValuePath(name, path)) return 1;
  // CAtomicFile takes a CP932 path; the value's path is native, so convert it back.
  CAtomicFile file(Utf8ToCp932(path), CAtomicFile::Mode::Binary,
                   CAtomicFile::Access::OwnerOnly);
  FILE* stream = file.Open();
  if (!stream) return 1;
  if (size > 0 && fwrite(data, 1, size, stream) != size) return 1;
  return file.Commit() ? 0 : 1;
}

}  // namespace platform
