// 32-bit handles standing for addresses and object pointers where a binary contract has
// room for 32 bits only (the support library's block). The table maps them back.
#pragma once

#include <any>
#include <cstdint>

namespace win32 {

// A new nonzero handle for the value; the table keeps the value until Free.
uint32_t AllocHandle(std::any value);
// The value behind a handle, or nullptr for 0 and unknown handles.
std::any* LookupHandle(uint32_t handle);
void FreeHandle(uint32_t handle);

template <class T>
T* HandleAs(uint32_t handle) {
  std::any* value = LookupHandle(handle);
  return value ? std::any_cast<T>(value) : nullptr;
}

}  // namespace win32
