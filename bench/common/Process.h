// What the host benchmarks read of their own process and of the source tree.
#pragma once

#include <fstream>
#include <iterator>
#include <string>

namespace benchdata {

// A figure of /proc/self/status in bytes ("VmRSS", "VmHWM").
inline double StatusBytes(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::string key = std::string(field) + ":";
  while (std::getline(in, line))
    if (line.rfind(key, 0) == 0) return std::stod(line.substr(key.size())) * 1024;
  return 0;
}

inline std::string LanguageFile() {
  std::ifstream in(std::string(TV_SOURCE_DIR) + "/lang/EN.lng", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace benchdata
