#include "core/common/path_utils.h"

#include <cerrno>
#include <cstdio>

#include "platform/cp932.h"
#include "platform/file_system.h"
#include "platform/program_folder.h"

using platform::FindFirstChar;
using platform::FindLastChar;

namespace {

constexpr std::size_t npos = std::string::npos;

// The position of the extension's dot: a '.' after the last separator, or npos.
std::size_t ExtensionDot(const std::string& path) {
  std::size_t dot = FindLastChar(path, '.');
  std::size_t slash = FindLastChar(path, '/');
  if (dot == npos || (slash != npos && dot < slash)) return npos;
  return dot;
}

bool CanBeOpened(const std::string& path) {
  FILE* file = platform::OpenFile(path, "rb");
  if (!file) return false;
  fclose(file);
  return true;
}

bool IsDigit(char ch) { return ch >= '0' && ch <= '9'; }

}  // namespace

std::string ProgramFolder() { return platform::ProgramFolderPath(); }

int CheckFolder(std::string& folder) {
  if (folder.empty()) {
    folder = "保存用のフォルダが指定されていません。";
    return 1;
  }
  platform::FileAttributes attributes;
  if (!platform::ReadAttributes(folder, attributes)) {
    folder = "保存用のフォルダ名が不正です。";
    return 2;
  }
  if (!attributes.isDirectory) {
    folder = "保存用フォルダ名はフォルダを指していません。";
    return 3;
  }
  if (attributes.readOnly) {
    folder = "保存用のフォルダが読み取り専用です。";
    return 4;
  }
  if (attributes.offline) {
    folder = "保存用のフォルダが現在オフラインで、利用できません。";
    return 5;
  }
  return 0;
}

namespace {

// The names UniqueFileName tries in turn: the path, then base_1.ext, base_2.ext, ...
class NumberedNames {
 public:
  explicit NumberedNames(const std::string& path) : m_path(path) {
    std::size_t dot = ExtensionDot(path);
    m_base = dot == npos ? path : path.substr(0, dot);
    m_extension = dot == npos ? "" : path.substr(dot);
  }
  std::string operator[](long long n) const {
    return n == 0 ? m_path : m_base + "_" + std::to_string(n) + m_extension;
  }

 private:
  std::string m_path, m_base, m_extension;
};

}  // namespace

std::string UniqueFileName(const std::string& path) {
  NumberedNames names(path);
  long long n = 0;
  while (CanBeOpened(names[n])) ++n;
  return names[n];
}

std::string CreateUniqueFile(const std::string& path) {
  NumberedNames names(path);
  for (long long n = 0;; ++n) {
    FILE* file = platform::OpenFile(names[n], "wbx");
    if (file) {
      std::fclose(file);
      return names[n];
    }
    if (errno != EEXIST) return names[n];
  }
}

std::string RenameToUniqueName(const std::string& from, const std::string& path,
                               long long* next) {
  NumberedNames names(path);
  for (long long n = next ? *next : 0;; ++n) {
    if (next) *next = n;
    if (platform::RenameToNewFile(from, names[n])) return names[n];
    if (errno != EEXIST) return {};
  }
}

std::string StripNumberSuffix(const std::string& path) {
  std::size_t slash = FindLastChar(path, '/');
  std::string folder = slash == npos ? "" : path.substr(0, slash);
  while (!folder.empty() && folder.back() == '/') folder.pop_back();
  std::string prefix = slash == npos ? "" : folder + "/";
  std::string name = slash == npos ? path : path.substr(slash + 1);

  std::size_t dot = FindLastChar(name, '.');
  std::string stem = dot == npos ? name : name.substr(0, dot);
  std::string suffix = dot == npos ? "" : name.substr(dot);
  std::size_t underscore = FindLastChar(stem, '_');
  if (underscore == npos) return prefix + name;
  for (std::size_t i = underscore + 1; i < stem.size(); ++i) {
    if (!IsDigit(stem[i])) return prefix + name;
  }
  return prefix + stem.substr(0, underscore) + suffix;
}

std::string ReplaceExtension(const std::string& path, const std::string& extension) {
  std::size_t dot = ExtensionDot(path);
  return (dot == npos ? path : path.substr(0, dot)) + "." + extension;
}

std::string AfterLast(const std::string& text, char ch) {
  std::size_t at = FindLastChar(text, ch);
  return at == npos ? text : text.substr(at + 1);
}

std::string UpToLast(const std::string& text, char ch) {
  std::size_t at = FindLastChar(text, ch);
  return at == npos ? text : text.substr(0, at + 1);
}

std::string UrlRoot(const std::string& url) {
  std::size_t scheme = url.find("://");
  if (scheme == npos) return "";
  std::size_t slash = FindFirstChar(url, '/', scheme + 3);
  return slash == npos ? url : url.substr(0, slash);
}

std::string ExtensionOf(const std::string& pathOrUrl) {
  std::string name = AfterLast(AfterLast(pathOrUrl, '\\'), '/');
  std::size_t dot = FindLastChar(name, '.');
  if (dot == npos) return "";
  std::string extension = name.substr(dot + 1);
  std::size_t query = FindFirstChar(extension, '?');
  return query == npos ? extension : extension.substr(0, query);
}
