#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <memory>

#include "core/exchange/data_backup.h"
#include "platform/atomic_file.h"
#include "platform/file_system.h"
#include "platform/single_instance.h"
#include "platform/text_codec.h"

namespace fs = std::filesystem;

namespace {

using ArchivePtr = std::unique_ptr<archive, int (*)(archive*)>;

std::string Shown(const std::string& native) { return platform::Utf8ToCp932(native); }

// A path inside the folder: relative, without "..", "./" at its start allowed. Gives the
// path without the "./" parts, or empty when it is not one.
std::string InsidePath(const std::string& name) {
  if (name.empty() || name[0] == '/') return "";
  fs::path clean;
  for (const fs::path& part : fs::path(name)) {
    if (part == "..") return "";
    if (part == "." || part.empty()) continue;
    clean /= part;
  }
  return clean.string();
}

// Unpacks into `staging`, checking each entry before it is written. Empty when done.
class CUnpacker {
 public:
  CUnpacker(fs::path staging, std::int64_t maxFileBytes)
      : m_staging(std::move(staging)), m_maxFileBytes(maxFileBytes) {}
  int Files() const { return m_files; }

  std::string Unpack(const std::string& archivePath) {
    ArchivePtr reader(archive_read_new(), archive_read_free);
    archive_read_support_filter_all(reader.get());
    archive_read_support_format_tar(reader.get());
    archive_read_support_format_gnutar(reader.get());
    if (archive_read_open_filename(reader.get(), platform::NativePath(archivePath).c_str(), 65536) != ARCHIVE_OK) {
      return "アーカイブを読めません: " + archivePath;
    }
    archive_entry* entry = nullptr;
    int status;
    while ((status = archive_read_next_header(reader.get(), &entry)) == ARCHIVE_OK) {
      if (std::string problem = Entry(reader.get(), entry); !problem.empty()) return problem;
    }
    if (status != ARCHIVE_EOF) return "アーカイブが壊れています: " + std::string(archive_error_string(reader.get()) ? archive_error_string(reader.get()) : "");
    return "";
  }

  bool refused = false;

 private:
  std::string Refuse(const std::string& why) {
    refused = true;
    return why;
  }

  std::string Entry(archive* reader, archive_entry* entry) {
    std::string name = archive_entry_pathname(entry) ? archive_entry_pathname(entry) : "";
    std::string path = InsidePath(name);
    if (path.empty()) {
      if (InsidePath(name + "/x") == "x") return "";  // the folder itself ("./")
      return Refuse("フォルダの外を指すパスがあります: " + Shown(name));
    }
    fs::path target = m_staging / path;
    // An archive need not list the folders of its files.
    std::error_code error;
    fs::create_directories(target.parent_path(), error);
    if (const char* hardlink = archive_entry_hardlink(entry)) {
      std::string source = InsidePath(hardlink);
      if (source.empty()) return Refuse("フォルダの外を指すリンクがあります: " + Shown(name));
      if (link((m_staging / source).c_str(), target.c_str()) != 0) return "リンクを作れません: " + Shown(name);
      return "";
    }
    switch (archive_entry_filetype(entry)) {
      case AE_IFDIR:
        if (mkdir(target.c_str(), 0700) != 0 && errno != EEXIST) return "フォルダを作れません: " + Shown(name);
        return "";
      case AE_IFLNK: {
        // A link may only lead down: with no absolute target and no "..", no chain of
        // links leaves the folder either.
        const char* to = archive_entry_symlink(entry);
        if (!to || InsidePath(to).empty()) return Refuse("フォルダの外を指すリンクがあります: " + Shown(name));
        if (symlink(to, target.c_str()) != 0) return "リンクを作れません: " + Shown(name);
        return "";
      }
      case AE_IFREG:
        return File(reader, entry, target, name);
      default:
        return Refuse("ファイルでもフォルダでもないものがあります: " + Shown(name));
    }
  }

  std::string File(archive* reader, archive_entry* entry, const fs::path& target, const std::string& name) {
    if (archive_entry_size(entry) > m_maxFileBytes) return Refuse(TooLarge(name));
    int descriptor = open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (descriptor < 0) return "ファイルを作れません: " + Shown(name);
    std::int64_t written = 0;
    char buffer[65536];
    la_ssize_t got;
    std::string problem;
    while (problem.empty() && (got = archive_read_data(reader, buffer, sizeof buffer)) > 0) {
      written += got;
      if (written > m_maxFileBytes) problem = Refuse(TooLarge(name));
      else if (write(descriptor, buffer, static_cast<std::size_t>(got)) != got) problem = "ファイルに書けません: " + Shown(name);
    }
    if (problem.empty() && got < 0) problem = "アーカイブが壊れています: " + Shown(name);
    if (close(descriptor) != 0 && problem.empty()) problem = "ファイルに書けません: " + Shown(name);
    ++m_files;
    return problem;
  }

  std::string TooLarge(const std::string& name) {
    return "ページサイズの上限 (" + std::to_string(m_maxFileBytes >> 20) + " MiB) を超えるファイルがあります: " + Shown(name);
  }

  fs::path m_staging;
  std::int64_t m_maxFileBytes;
  int m_files = 0;
};

// The private copies of the items are named by their full path, in the folder the backup
// was taken from: they are made to name the same files in the folder restored to. Only
// those lines change; the rest of the file stays byte for byte.
bool RebaseCopyPaths(const std::string& listPath, const std::string& folder) {
  std::string text;
  {
    std::ifstream file(listPath, std::ios::binary);
    std::ostringstream buffer;
    buffer << file.rdbuf();
    text = buffer.str();
  }
  const std::string key = "Hidd: ";
  const std::string comp = platform::Utf8ToCp932(folder) + "/comp/";
  std::string rebased;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    end = end == std::string::npos ? text.size() : end + 1;
    std::string line = text.substr(start, end - start);
    std::size_t inComp = line.rfind("/comp/");
    if (line.rfind(key, 0) == 0 && inComp != std::string::npos && line.compare(key.size(), comp.size(), comp) != 0) {
      line = key + comp + line.substr(inComp + 6);
    }
    rebased += line;
    start = end;
  }
  if (rebased == text) return true;
  platform::CAtomicFile output(platform::Utf8ToCp932(listPath), platform::CAtomicFile::Mode::Binary,
                               platform::CAtomicFile::Access::OwnerOnly);
  FILE* file = output.Open();
  return file && std::fwrite(rebased.data(), 1, rebased.size(), file) == rebased.size() && output.Commit();
}

std::string DatedName(const std::string& folder) {
  char stamp[32];
  std::time_t now = std::time(nullptr);
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", std::localtime(&now));
  std::string name = folder + ".before-restore-" + stamp;
  for (int n = 2; fs::exists(name); ++n) name = folder + ".before-restore-" + stamp + "-" + std::to_string(n);
  return name;
}

}  // namespace

RestoreResult RestoreDataFolder(const std::string& archivePath, const std::string& folder, bool force,
                                std::int64_t maxFileBytes) {
  RestoreResult result;
  std::string native = fs::path(platform::NativePath(folder)).lexically_normal().string();
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  std::error_code error;
  bool holdsList = fs::exists(native + "/WatchList.pgl", error);
  if (holdsList && !force) {
    result.refused = true;
    result.holdsList = true;
    result.error = folder + " にはウォッチリストがあります (置き換えるには --force を付けます)";
    return result;
  }
  platform::CSingleInstanceLock lock;
  if (lock.Acquire(folder) == platform::CSingleInstanceLock::Result::HeldElsewhere) {
    result.refused = true;
    result.error = "他のプログラムが " + folder + " を使っています";
    return result;
  }
  fs::create_directories(fs::path(native).parent_path(), error);
  std::string pattern = native + ".restore-XXXXXX";
  if (!mkdtemp(pattern.data())) {
    result.error = "復元用のフォルダを作れません: " + Shown(pattern);
    return result;
  }
  CUnpacker unpacker(pattern, maxFileBytes);
  std::string problem = unpacker.Unpack(archivePath);
  if (problem.empty() && !fs::exists(pattern + "/WatchList.pgl", error)) {
    unpacker.refused = true;
    problem = "アーカイブにウォッチリストがありません: " + archivePath;
  }
  if (problem.empty() && !RebaseCopyPaths(pattern + "/WatchList.pgl", native)) {
    problem = "ウォッチリストを書き換えられません";
  }
  if (!problem.empty()) {
    fs::remove_all(pattern, error);
    result.refused = unpacker.refused;
    result.error = problem;
    return result;
  }
  if (fs::exists(native, error) && !fs::is_empty(native, error)) {
    std::string kept = DatedName(native);
    fs::rename(native, kept, error);
    if (error) {
      fs::remove_all(pattern, error);
      result.error = "元のデータフォルダを移せません: " + folder;
      return result;
    }
    result.keptAs = Shown(kept);
  } else {
    fs::remove(native, error);
  }
  fs::rename(pattern, native, error);
  if (error) {
    result.error = "データフォルダを置けません: " + folder + " (復元したものは " + Shown(pattern) + " にあります)";
    return result;
  }
  result.files = unpacker.Files();
  return result;
}
