#include "support/temp_folder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "platform/file_system.h"

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "pagewarden-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
  m_path = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(platform::NativePath(m_path), ignored);
}

void TempFolder::WriteBytes(const std::string& name, const std::string& bytes) const {
  FILE* file = platform::OpenFile(File(name), "wb");
  if (!file) throw std::runtime_error("cannot write " + name);
  fwrite(bytes.data(), 1, bytes.size(), file);
  fclose(file);
}

std::string TempFolder::ReadBytes(const std::string& name) const {
  FILE* file = platform::OpenFile(File(name), "rb");
  if (!file) return {};
  std::string bytes;
  char buffer[4096];
  for (size_t got; (got = fread(buffer, 1, sizeof buffer, file)) > 0;) bytes.append(buffer, got);
  fclose(file);
  return bytes;
}
