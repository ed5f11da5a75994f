// One key of the per-user value store that the program shares with its companion
// programs, in place of a registry key under the current user. Each key is a folder below
// ValueStoreRoot() (a key path "Software\Velmar\Pageward" is the folder "Pageward"; other
// components become subfolders); each value is a file in it holding the value's bytes: a
// text value its CP932 text without a terminator, a binary value its bytes as given.
//
// Another program may read and write the same values at any time: every write replaces
// the value's file atomically, so a reader sees the old value or the new one, never a mix.
// The operations keep no state besides the key's folder, so one object may be used from
// several threads.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

class CRegistryKey {
 public:
  // A read-only key is only opened: when its folder is missing it stays closed, without a
  // message, and no value is ever written through it. Otherwise the folder is created
  // when missing; when that fails the key stays closed and CreateError() tells why.
  CRegistryKey(const std::string& keyPath, bool readOnly);
  CRegistryKey(const CRegistryKey&) = delete;
  CRegistryKey& operator=(const CRegistryKey&) = delete;

  bool IsOpen() const { return m_isOpen; }
  bool IsReadOnly() const { return m_readOnly; }
  // The system's text for the failure to create the key; empty when there was none.
  const std::string& CreateError() const { return m_createError; }
  // The key's folder (native path).
  const std::string& Folder() const { return m_folder; }

  // The text value; empty when the key is closed, the value is missing or cannot be read,
  // or the value does not fit kMaxTextValue bytes. A text ends at its first zero byte.
  std::string Read(const std::string& name) const;
  // Copies the value into `buffer`: the number of bytes copied, 0 when the key is closed
  // or the value is missing, unreadable or longer than `size`.
  std::size_t ReadBinary(const std::string& name, void* buffer, std::size_t size) const;
  // 0 written; -1 the key is closed or read-only; 1 the value's file could not be written
  // (the old value is then unchanged).
  int Write(const std::string& name, const std::string& text);
  int WriteBinary(const std::string& name, const void* data, std::size_t size);
  // Every write is on the disk when it returns, so there is nothing left to flush.
  void Flush() {}

  // The longest text value Read accepts (a path of the OS's maximum length).
  static constexpr std::size_t kMaxTextValue = 4095;

 private:
  bool ValuePath(const std::string& name, std::string& path) const;
  bool ReadBytes(const std::string& name, std::size_t limit, std::string& bytes) const;
  int WriteBytes(const std::string& name, const void* data, std::size_t size);

  std::string m_folder;
  bool m_isOpen = false;
  bool m_readOnly = false;
  std::string m_createError;
};

}  // namespace platform
