#include "platform/win32/SpareFolders.h"

#include <string>
#include <system_error>

namespace win32 {
namespace fs = std::filesystem;

namespace {
// Not a drive letter nor "UNC": no Windows path reaches it.
constexpr const char* kStore = "spare folders";
}  // namespace

bool SpareFolders::Keep(const fs::path& root, const fs::path& dir) {
  if (root != root_) {
    // Folders kept for another root stay where they are; that root's owner removes them.
    kept_.clear();
    root_ = root;
  }
  if (kept_.size() >= kMostKept) return false;
  std::error_code ec;
  fs::path store = root / kStore;
  fs::path spare = store / std::to_string(next_++);
  fs::rename(dir, spare, ec);
  if (ec && !fs::exists(store)) {
    // The store is made once, at the first folder kept.
    fs::create_directory(store, ec);
    fs::rename(dir, spare, ec);
  }
  if (ec) return false;
  kept_.push_back(std::move(spare));
  return true;
}

bool SpareFolders::Reuse(const fs::path& root, const fs::path& dir) {
  if (root != root_) return false;
  std::error_code ec;
  while (!kept_.empty()) {
    fs::path spare = std::move(kept_.back());
    kept_.pop_back();
    // A kept folder someone else removed is passed over.
    fs::rename(spare, dir, ec);
    if (ec) continue;
    fs::last_write_time(dir, fs::file_time_type::clock::now(), ec);
    return true;
  }
  return false;
}

}  // namespace win32
