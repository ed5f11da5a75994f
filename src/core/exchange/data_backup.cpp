#include "core/exchange/data_backup.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <vector>

#include "core/common/leftover_files.h"
#include "core/watch/watch_item.h"
#include "platform/atomic_file.h"
#include "platform/file_system.h"
#include "platform/single_instance.h"
#include "platform/text_codec.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kListFileName = "WatchList.pgl";

using ArchivePtr = std::unique_ptr<archive, int (*)(archive*)>;
using EntryPtr = std::unique_ptr<archive_entry, void (*)(archive_entry*)>;

std::string Shown(const fs::path& path) { return platform::Utf8ToCp932(path.string()); }

bool ReadWhole(const fs::path& path, std::string& bytes) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::ostringstream buffer;
  buffer << file.rdbuf();
  bytes = buffer.str();
  return !file.bad();
}

// The names of the private copies the list's items keep: a copy may bear a name that
// otherwise marks a temporary file.
std::set<std::string> KeptCopyNames(const std::string& listBytes) {
  std::set<std::string> names;
  FILE* stream = fmemopen(const_cast<char*>(listBytes.data()), listBytes.size(), "r");
  if (!stream) return names;
  WatchItem item;
  while (item.Read(stream)) {
    if (!item.m_hiddenPath.empty()) names.insert(fs::path(platform::NativePath(item.m_hiddenPath)).filename());
  }
  std::fclose(stream);
  return names;
}

// Files that exist only for the time of one save, fetch or request, never part of a backup.
bool IsPassing(const fs::path& relative, const std::set<std::string>& keptCopies) {
  std::string name = relative.filename();
  if (keptCopies.count(name)) return false;
  std::string parent = relative.parent_path();
  if (parent.empty()) return IsLeftoverInProgramFolder(name) || name.rfind("ListRequest-", 0) == 0;
  return parent == "comp" && IsLeftoverInComp(name);
}

class CArchiveWriter {
 public:
  explicit CArchiveWriter(FILE* file) : m_archive(archive_write_new(), archive_write_free) {
    archive_write_add_filter_gzip(m_archive.get());
    archive_write_set_format_pax_restricted(m_archive.get());
    m_good = archive_write_open_FILE(m_archive.get(), file) == ARCHIVE_OK;
  }
  bool Good() const { return m_good; }
  std::string Error() { return archive_error_string(m_archive.get()) ? archive_error_string(m_archive.get()) : ""; }

  bool Add(const std::string& name, mode_t type, const std::string& bytes, const std::string& linkTarget) {
    EntryPtr entry(archive_entry_new(), archive_entry_free);
    archive_entry_set_pathname(entry.get(), name.c_str());
    archive_entry_set_filetype(entry.get(), type);
    archive_entry_set_perm(entry.get(), type == AE_IFDIR ? 0700 : 0600);
    archive_entry_set_mtime(entry.get(), std::time(nullptr), 0);
    if (type == AE_IFLNK) archive_entry_set_symlink(entry.get(), linkTarget.c_str());
    archive_entry_set_size(entry.get(), type == AE_IFREG ? static_cast<la_int64_t>(bytes.size()) : 0);
    if (archive_write_header(m_archive.get(), entry.get()) != ARCHIVE_OK) return false;
    if (type == AE_IFREG && !bytes.empty() &&
        archive_write_data(m_archive.get(), bytes.data(), bytes.size()) != static_cast<la_ssize_t>(bytes.size())) {
      return false;
    }
    return true;
  }
  bool Close() { return archive_write_close(m_archive.get()) == ARCHIVE_OK; }

 private:
  ArchivePtr m_archive;
  bool m_good = false;
};

// Every path below `root`, the list file first (the snapshot the rest follows), then in
// name order, so that archives of the same folder compare.
std::vector<fs::path> FolderPaths(const fs::path& root) {
  std::vector<fs::path> paths;
  std::error_code error;
  for (fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, error), end;
       !error && it != end; it.increment(error)) {
    paths.push_back(fs::relative(it->path(), root));
  }
  std::sort(paths.begin(), paths.end(), [](const fs::path& a, const fs::path& b) {
    if ((a == kListFileName) != (b == kListFileName)) return a == kListFileName;
    return a < b;
  });
  return paths;
}

}  // namespace

BackupResult BackUpDataFolder(const std::string& folder, const std::string& archivePath) {
  BackupResult result;
  fs::path root = platform::NativePath(folder);
  std::error_code error;
  if (!fs::is_directory(root, error)) {
    result.error = "データフォルダがありません: " + folder;
    return result;
  }
  // Held when free, so that no program starts on the folder meanwhile; a program that
  // works on it already saves every file whole, which the snapshot relies on.
  platform::CSingleInstanceLock lock;
  lock.Acquire(folder);

  platform::CAtomicFile output(archivePath, platform::CAtomicFile::Mode::Binary,
                               platform::CAtomicFile::Access::OwnerOnly);
  FILE* file = output.Open();
  if (!file) {
    result.error = "アーカイブを作れません: " + archivePath;
    return result;
  }
  CArchiveWriter writer(file);
  fs::path archiveFile = fs::absolute(platform::NativePath(archivePath), error);
  std::set<std::string> keptCopies;
  for (const fs::path& relative : FolderPaths(root)) {
    fs::path path = root / relative;
    // The archive being written may lie inside the folder.
    if (path.string().rfind(archiveFile.string(), 0) == 0) continue;
    fs::file_status status = fs::symlink_status(path, error);
    bool added = true;
    if (fs::is_directory(status)) {
      added = writer.Add(relative.string(), AE_IFDIR, "", "");
    } else if (fs::is_symlink(status)) {
      added = writer.Add(relative.string(), AE_IFLNK, "", fs::read_symlink(path, error).string());
    } else if (fs::is_regular_file(status)) {
      if (IsPassing(relative, keptCopies)) continue;
      std::string bytes;
      if (!ReadWhole(path, bytes)) {
        if (!fs::exists(path, error)) continue;  // replaced or removed meanwhile
        result.error = "ファイルを読めません: " + Shown(path);
        return result;
      }
      if (relative == kListFileName) keptCopies = KeptCopyNames(bytes);
      added = writer.Add(relative.string(), AE_IFREG, bytes, "");
      ++result.files;
    }
    if (!added) {
      result.error = "アーカイブに書けません: " + writer.Error();
      return result;
    }
  }
  if (!writer.Good() || !writer.Close() || !output.Commit()) {
    result.error = "アーカイブを保存できません: " + archivePath;
  }
  return result;
}
