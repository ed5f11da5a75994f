// A private world for tests of the value store, the messages and the companions: fresh
// folders for the per-user value store ($XDG_CONFIG_HOME), the runtime folder
// ($XDG_RUNTIME_DIR) and the program folder, set for the life of the object and restored
// afterwards. Create it before any thread of the test starts.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/temp_folder.h"

class CompanionEnvironment {
 public:
  CompanionEnvironment();
  ~CompanionEnvironment();
  CompanionEnvironment(const CompanionEnvironment&) = delete;
  CompanionEnvironment& operator=(const CompanionEnvironment&) = delete;

  const TempFolder& Config() const { return m_config; }
  const TempFolder& Runtime() const { return m_runtime; }
  const TempFolder& Program() const { return m_program; }
  // A value as stored: the file <config>/Velmar/<key>/<name>; nothing when missing.
  std::optional<std::string> StoredValue(const std::string& key, const std::string& name) const;

 private:
  std::optional<std::string> m_oldConfig;
  std::optional<std::string> m_oldRuntime;
  std::string m_oldProgramFolder;
  TempFolder m_config;
  TempFolder m_runtime;
  TempFolder m_program;
};

// The companion stand-in program (tests/support/standin).
std::string StandInPath();
// Installs the stand-in in `folder` under `name` ("Grabmate", "Linkreel"); its record is
// then `folder`/record.txt.
void InstallStandIn(const std::string& folder, const std::string& name);

// The lines of a record file so far.
std::vector<std::string> RecordLines(const std::string& path);
// Waits (polling briefly) until the record holds a line starting with `prefix`; the line.
std::optional<std::string> WaitForRecord(const std::string& path, const std::string& prefix,
                                         std::uint32_t timeoutMs = 5000);
// Polls `condition` until it holds or `timeoutMs` passes.
bool WaitUntil(const std::function<bool()>& condition, std::uint32_t timeoutMs = 5000);
