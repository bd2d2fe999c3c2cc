// The thread's last error, kept with the rest of the platform state.
#include "platform/win32/LastError.h"

#include "platform/win32/Reset.h"

namespace win32 {
namespace {
struct LastErrorState {
  uint32_t error = 0;
};
}  // namespace

uint32_t GetLastError() {
  return PlatformState<LastErrorState>().error;
}
void SetLastError(uint32_t error) {
  PlatformState<LastErrorState>().error = error;
}

}  // namespace win32
