// Where benchmarks that write files put their sandbox. Their figures are about our code, not
// about the host disk's allocator after many deletions, so the sandbox goes on a memory file
// system when the machine has one; `DiskRoot` is the ordinary temporary folder, for figures
// kept beside them as information.
#pragma once

#include <sys/vfs.h>

#include <filesystem>
#include <string>

namespace benchdata {

inline constexpr long kTmpfsMagic = 0x01021994;

inline bool OnMemory(const std::filesystem::path& folder) {
  struct statfs info {};
  return statfs(folder.c_str(), &info) == 0 && static_cast<long>(info.f_type) == kTmpfsMagic;
}

// /dev/shm where it is a memory file system, else the temporary folder if that is one; else
// the temporary folder anyway (and `OnMemory` says so).
inline std::filesystem::path MemoryRoot() {
  std::error_code ec;
  const std::filesystem::path shm = "/dev/shm";
  if (std::filesystem::is_directory(shm, ec) && OnMemory(shm)) return shm;
  return std::filesystem::temp_directory_path();
}

inline std::filesystem::path DiskRoot() {
  return std::filesystem::temp_directory_path();
}

}  // namespace benchdata
