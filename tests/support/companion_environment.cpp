#include "support/companion_environment.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <thread>
#include <unistd.h>

#include "platform/program_folder.h"

namespace {

std::optional<std::string> Environment(const char* name) {
  const char* value = std::getenv(name);
  if (!value) return std::nullopt;
  return std::string(value);
}

void Restore(const char* name, const std::optional<std::string>& value) {
  if (value) {
    setenv(name, value->c_str(), 1);
  } else {
    unsetenv(name);
  }
}

}  // namespace

CompanionEnvironment::CompanionEnvironment()
    : m_oldConfig(Environment("XDG_CONFIG_HOME")),
      m_oldRuntime(Environment("XDG_RUNTIME_DIR")),
      m_oldProgramFolder(platform::ProgramFolderPath()) {
  setenv("XDG_CONFIG_HOME", m_config.Path().c_str(), 1);
  setenv("XDG_RUNTIME_DIR", m_runtime.Path().c_str(), 1);
  platform::SetProgramFolder(m_program.Path());
}

CompanionEnvironment::~CompanionEnvironment() {
  Restore("XDG_CONFIG_HOME", m_oldConfig);
  Restore("XDG_RUNTIME_DIR", m_oldRuntime);
  platform::SetProgramFolder(m_oldProgramFolder);
}

std::optional<std::string> CompanionEnvironment::StoredValue(const std::string& key,
                                                             const std::string& name) const {
  FILE* file = std::fopen((m_config.Path() + "/Velmar/" + key + "/" + name).c_str(), "rb");
  if (!file) return std::nullopt;
  std::string bytes;
  char buffer[512];
  std::size_t count;
  while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, count);
  std::fclose(file);
  return bytes;
}

std::string StandInPath() { return PW_COMPANION_STANDIN; }

void InstallStandIn(const std::string& folder, const std::string& name) {
  std::string link = folder + "/" + name;
  unlink(link.c_str());
  if (symlink(StandInPath().c_str(), link.c_str()) != 0) {
    throw std::runtime_error("cannot install the companion stand-in as " + link);
  }
}

std::vector<std::string> RecordLines(const std::string& path) {
  std::vector<std::string> lines;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return lines;
  char buffer[4096];
  while (std::fgets(buffer, sizeof buffer, file)) {
    std::string line = buffer;
    if (!line.empty() && line.back() == '\n') line.pop_back();
    lines.push_back(line);
  }
  std::fclose(file);
  return lines;
}

bool WaitUntil(const std::function<bool()>& condition, std::uint32_t timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

std::optional<std::string> WaitForRecord(const std::string& path, const std::string& prefix,
                                         std::uint32_t timeoutMs) {
  std::optional<std::string> found;
  WaitUntil(
      [&] {
        for (const std::string& line : RecordLines(path)) {
          if (line.compare(0, prefix.size(), prefix) == 0) {
            found = line;
            return true;
          }
        }
        return false;
      },
      timeoutMs);
  return found;
}
