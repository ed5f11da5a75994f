// The process's memory as /proc tells it, for the benchmarks that measure a peak.
#pragma once

#include <cstring>
#include <fstream>
#include <string>

// A field of /proc/self/status in KiB ("VmRSS:", "VmHWM:"); -1 when it is not there.
inline long StatusKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::strlen(field)));
  }
  return -1;
}

// Resets the process's peak to its present size (Linux 4.0 and later).
inline void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }
