#include "platform/file_system.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/program_folder.h"
#include "platform/text_codec.h"
#include "platform/text_mode_stream.h"

namespace platform {

std::string NativePath(const std::string& cp932Path) { return Cp932ToUtf8(cp932Path); }

namespace {

// fopen for a writing mode ("w", "a", with '+', 'b' or 'x'), creating the file 0600 and taking
// away what an older file allowed others.
FILE* OpenOwnerOnly(const std::string& nativePath, const char* mode) {
  int flags = O_CLOEXEC | O_CREAT | (mode[0] == 'w' ? O_TRUNC : O_APPEND);
  flags |= std::strchr(mode, '+') ? O_RDWR : O_WRONLY;
  if (std::strchr(mode, 'x')) flags |= O_EXCL;
  int descriptor = open(nativePath.c_str(), flags, 0600);
  if (descriptor < 0) return nullptr;
  fchmod(descriptor, 0600);
  FILE* raw = fdopen(descriptor, mode);
  if (!raw) close(descriptor);
  return raw;
}

}  // namespace

FILE* OpenFile(const std::string& path, const char* mode) {
  bool writing = mode[0] == 'w' || mode[0] == 'a';
  FILE* raw = writing && IsInProgramFolder(path) ? OpenOwnerOnly(NativePath(path), mode)
                                                 : fopen(NativePath(path).c_str(), mode);
  if (!raw || std::strchr(mode, 'b')) return raw;
  return WrapInTextMode(raw, mode);
}

bool StatFile(const std::string& path, FileStatus& status) {
  struct stat info;
  if (stat(NativePath(path).c_str(), &info) != 0) return false;
  status.isDirectory = S_ISDIR(info.st_mode);
  status.size = info.st_size;
  status.modified = info.st_mtime;
  return true;
}

bool FileExists(const std::string& path) {
  struct stat info;
  return stat(NativePath(path).c_str(), &info) == 0;
}

bool RemoveFile(const std::string& path) { return unlink(NativePath(path).c_str()) == 0; }

bool RenameFile(const std::string& from, const std::string& to) {
  return rename(NativePath(from).c_str(), NativePath(to).c_str()) == 0;
}

bool RenameToNewFile(const std::string& from, const std::string& to) {
  std::string source = NativePath(from);
  std::string target = NativePath(to);
  if (renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
    return true;
  }
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the flag: a hard link does not replace either.
  if (link(source.c_str(), target.c_str()) != 0) return false;
  unlink(source.c_str());
  return true;
}

bool MakeDirectory(const std::string& path) {
  if (mkdir(NativePath(path).c_str(), 0777) == 0) return true;
  FileStatus status;
  return errno == EEXIST && StatFile(path, status) && status.isDirectory;
}

bool MakeNewDirectory(const std::string& path) {
  std::string native = NativePath(path);
  if (mkdir(native.c_str(), 0700) != 0) return false;
  chmod(native.c_str(), 0700);  // the umask may have taken bits away
  return true;
}

bool RemoveDirectory(const std::string& path) { return rmdir(NativePath(path).c_str()) == 0; }

bool CopyToNewFile(const std::string& from, const std::string& to) {
  std::string source = NativePath(from);
  std::string target = NativePath(to);
  FILE* in = std::fopen(source.c_str(), "rb");
  if (!in) return false;
  int descriptor = open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  FILE* out = descriptor >= 0 ? fdopen(descriptor, "wb") : nullptr;
  if (!out) {
    if (descriptor >= 0) close(descriptor);
    std::fclose(in);
    return false;
  }
  char block[65536];
  bool ok = true;
  for (std::size_t got; ok && (got = std::fread(block, 1, sizeof block, in)) > 0;) {
    ok = std::fwrite(block, 1, got, out) == got;
  }
  ok = ok && !std::ferror(in);
  std::fclose(in);
  ok = std::fclose(out) == 0 && ok;
  if (!ok) unlink(target.c_str());
  return ok;
}

bool MakeDirectories(const std::string& path) {
  // '/' never occurs as the second byte of a CP932 character, so a plain scan is safe.
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    MakeDirectory(path.substr(0, slash));
  }
  return MakeDirectory(path);
}

bool MakePrivateDirectory(const std::string& path) {
  std::string native = NativePath(path);
  if (mkdir(native.c_str(), 0700) == 0) {
    chmod(native.c_str(), 0700);  // the umask may have taken bits away
    return true;
  }
  FileStatus status;
  return errno == EEXIST && StatFile(path, status) && status.isDirectory;
}

int PermissionsOf(const std::string& path) {
  struct stat info;
  if (stat(NativePath(path).c_str(), &info) != 0) return -1;
  return static_cast<int>(info.st_mode & 07777);
}

bool ReadAttributes(const std::string& path, FileAttributes& attributes) {
  std::string native = NativePath(path);
  struct stat info;
  if (stat(native.c_str(), &info) != 0) return false;
  attributes.isDirectory = S_ISDIR(info.st_mode);
  int needed = attributes.isDirectory ? (W_OK | X_OK) : W_OK;
  attributes.readOnly = access(native.c_str(), needed) != 0;
  attributes.offline = false;
  return true;
}

std::vector<std::string> ListFolder(const std::string& path) {
  std::vector<std::string> names;
  DIR* folder = opendir(NativePath(path).c_str());
  if (!folder) return names;
  while (dirent* entry = readdir(folder)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(Utf8ToCp932(name));
  }
  closedir(folder);
  return names;
}

bool FlushToDisk(FILE* file) {
  if (fflush(file) != 0) return false;
  int descriptor = fileno(file);
  return descriptor < 0 || fsync(descriptor) == 0;
}

}  // namespace platform
