// File-system functions on CP932 paths. Names are converted to UTF-8 for the OS; the
// separator is '/'.
//
// Files opened without 'b' in the mode are in Windows text mode: a line feed is written
// as CR LF, and CR LF reads back as a line feed (a lone CR stays a CR). Positions given
// to and reported by fseek/ftell on such a file are offsets in the file on disk.
#pragma once

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace platform {

// The path as the OS wants it (UTF-8).
std::string NativePath(const std::string& cp932Path);

// fopen with the given mode; text mode unless the mode holds 'b'. nullptr on failure.
// A file opened for writing inside the program folder is made (or becomes) readable and
// writable by its owner alone (0600), whatever the umask.
FILE* OpenFile(const std::string& path, const char* mode);

struct FileStatus {
  bool isDirectory = false;
  long long size = 0;
  std::time_t modified = 0;
};

// false when the path cannot be examined (it does not exist, or access is denied).
bool StatFile(const std::string& path, FileStatus& status);
bool FileExists(const std::string& path);
bool RemoveFile(const std::string& path);
// Replaces an existing target.
bool RenameFile(const std::string& from, const std::string& to);
// Renames only when no file has the name `to` yet: false otherwise (errno EEXIST), so that
// threads racing for one name never both get it.
bool RenameToNewFile(const std::string& from, const std::string& to);
// Creates one folder; true also when it already exists as a folder.
bool MakeDirectory(const std::string& path);
// Creates one folder that must not exist yet: false when it does (or cannot be made), so
// that threads racing for one name never both get it. For the user alone (0700).
bool MakeNewDirectory(const std::string& path);
// Removes an empty folder.
bool RemoveDirectory(const std::string& path);
// Copies the file `from` to the new file `to` (0600; an existing `to` stays and fails the
// call). A copy that breaks off leaves no `to`.
bool CopyToNewFile(const std::string& from, const std::string& to);
// Creates the folder and any missing parents.
bool MakeDirectories(const std::string& path);
// Creates one folder for the user alone (0700, whatever the umask); an existing folder is
// left as it is. true when the folder exists afterwards.
bool MakePrivateDirectory(const std::string& path);
// The permission bits (07777) of an existing file or folder, or -1.
int PermissionsOf(const std::string& path);

// What the program asks of a folder before saving into it.
struct FileAttributes {
  bool isDirectory = false;
  bool readOnly = false;  // this user cannot create files in it (or write to the file)
  bool offline = false;   // never set on this platform
};
// false when the attributes cannot be read.
bool ReadAttributes(const std::string& path, FileAttributes& attributes);

// The names of the entries of a folder (CP932), without "." and ".."; empty when it cannot
// be read.
std::vector<std::string> ListFolder(const std::string& path);

// Flushes the stream and asks the OS to put the file's data on the disk.
bool FlushToDisk(FILE* file);

}  // namespace platform
