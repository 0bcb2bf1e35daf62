#pragma once
// The most memory the benchmark process has held so far.

#include <fstream>
#include <string>

// The peak resident set of this process in KiB (VmHWM), 0 where the system does not say.
inline long PeakRssKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}
