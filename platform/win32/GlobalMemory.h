// Global memory blocks: what the clipboard hands out and takes over. A block is a handle to a
// byte buffer that must be locked before its bytes are touched.
#pragma once

#include <cstddef>
#include <cstdint>

namespace win32 {

using HGLOBAL = uint32_t;

inline constexpr uint32_t GMEM_FIXED = 0x0000;
inline constexpr uint32_t GMEM_MOVEABLE = 0x0002;
inline constexpr uint32_t GMEM_ZEROINIT = 0x0040;

// 0 (and ERROR_NOT_ENOUGH_MEMORY) when the size is beyond what the machine gives.
HGLOBAL GlobalAlloc(uint32_t flags, size_t bytes);
// The block's size; 0 for an unknown handle.
size_t GlobalSize(HGLOBAL block);
// The block's bytes, nullptr for an unknown handle. Locks nest; each needs its unlock.
uint8_t* GlobalLock(HGLOBAL block);
// True while the block stays locked by an outer lock.
bool GlobalUnlock(HGLOBAL block);
// Answers 0 on success and the handle itself on failure, as the real call does.
HGLOBAL GlobalFree(HGLOBAL block);

namespace memory {
// The largest block the simulated machine allocates (tests lower it to make GlobalAlloc fail).
void SetAllocationLimit(size_t bytes);
// Blocks alive, the clipboard's own included.
size_t LiveBlocks();
// Makes the next GlobalLock of this block fail, to test the error paths of callers.
void FailNextLock(HGLOBAL block);
}  // namespace memory

}  // namespace win32
