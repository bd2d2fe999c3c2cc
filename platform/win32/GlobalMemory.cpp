#include "platform/win32/GlobalMemory.h"

#include <map>
#include <set>
#include <vector>

#include "platform/win32/LastError.h"
#include "platform/win32/Reset.h"

namespace win32 {
namespace {
struct Block {
  std::vector<uint8_t> bytes;
  int locks = 0;
};
struct MemoryState {
  uint32_t next = 0x00150000;
  std::map<HGLOBAL, Block> blocks;
  std::set<HGLOBAL> failLock;
  size_t limit = 64u << 20;
};
MemoryState& S() {
  return PlatformState<MemoryState>();
}
}  // namespace

HGLOBAL GlobalAlloc(uint32_t flags, size_t bytes) {
  (void)flags;  // every block starts zeroed: fixed and moveable blocks behave alike here
  if (bytes > S().limit) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  HGLOBAL h = S().next;
  S().next += 8;
  S().blocks[h].bytes.assign(bytes, 0);
  return h;
}

size_t GlobalSize(HGLOBAL block) {
  auto it = S().blocks.find(block);
  if (it == S().blocks.end()) {
    SetLastError(ERROR_INVALID_HANDLE_STATE);
    return 0;
  }
  return it->second.bytes.size();
}

uint8_t* GlobalLock(HGLOBAL block) {
  auto it = S().blocks.find(block);
  if (it == S().blocks.end() || S().failLock.erase(block) != 0) {
    SetLastError(ERROR_INVALID_HANDLE_STATE);
    return nullptr;
  }
  ++it->second.locks;
  // A zero-byte block still locks to a valid address.
  static uint8_t empty = 0;
  return it->second.bytes.empty() ? &empty : it->second.bytes.data();
}

bool GlobalUnlock(HGLOBAL block) {
  auto it = S().blocks.find(block);
  if (it == S().blocks.end() || it->second.locks == 0) return false;
  return --it->second.locks > 0;
}

HGLOBAL GlobalFree(HGLOBAL block) {
  if (S().blocks.erase(block) == 0) {
    SetLastError(ERROR_INVALID_HANDLE_STATE);
    return block;
  }
  return 0;
}

namespace memory {
void SetAllocationLimit(size_t bytes) {
  S().limit = bytes;
}
size_t LiveBlocks() {
  return S().blocks.size();
}
void FailNextLock(HGLOBAL block) {
  S().failLock.insert(block);
}
}  // namespace memory

}  // namespace win32
