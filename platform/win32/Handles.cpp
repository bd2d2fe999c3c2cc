#include "platform/win32/Handles.h"

#include <map>

#include "platform/win32/Reset.h"

namespace win32 {
namespace {
struct HandleState {
  uint32_t next = 0x00400000;  // looks like an address in a 32-bit process
  std::map<uint32_t, std::any> values;
};
HandleState& S() {
  return PlatformState<HandleState>();
}
}  // namespace

uint32_t AllocHandle(std::any value) {
  uint32_t h = S().next;
  S().next += 16;
  S().values[h] = std::move(value);
  return h;
}

std::any* LookupHandle(uint32_t handle) {
  auto it = S().values.find(handle);
  return it == S().values.end() ? nullptr : &it->second;
}

void FreeHandle(uint32_t handle) {
  S().values.erase(handle);
}

}  // namespace win32
