// Empty folders the sandbox keeps after removing them, to be moved back into place when a folder
// is made. On a disk that discards freed blocks at once, each real removal waits for the device
// and each new folder costs a fresh inode; a move costs neither. Kept folders live below the
// sandbox's root, out of reach of every Windows path (drives and shares are folders of their
// own there).
#pragma once

#include <cstddef>
#include <filesystem>
#include <vector>

namespace win32 {

class SpareFolders {
 public:
  static constexpr size_t kMostKept = 8;

  // Moves the empty folder `dir` aside below `root`; false when it is not kept (enough are kept
  // already, or the move failed), and the caller removes it.
  bool Keep(const std::filesystem::path& root, const std::filesystem::path& dir);
  // Moves a kept folder to `dir`, as new: empty, its time now. False when none is left.
  bool Reuse(const std::filesystem::path& root, const std::filesystem::path& dir);
  size_t Count() const { return kept_.size(); }

 private:
  std::vector<std::filesystem::path> kept_;
  std::filesystem::path root_;
  size_t next_ = 0;
};

}  // namespace win32
