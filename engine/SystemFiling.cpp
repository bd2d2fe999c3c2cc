#include "engine/SystemFiling.h"

#include "platform/win32/Reset.h"

namespace {
struct FilingState {
  int depth = 0;
};
}  // namespace

SystemFiling::SystemFiling() {
  ++win32::PlatformState<FilingState>().depth;
}

SystemFiling::~SystemFiling() {
  --win32::PlatformState<FilingState>().depth;
}

bool SystemFiling::Active() {
  return win32::PlatformState<FilingState>().depth > 0;
}
