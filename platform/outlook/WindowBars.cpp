#include "platform/outlook/WindowBars.h"

#include "platform/win32/Reset.h"

namespace outlook {

namespace {
struct BarsState {
  CommandBarsMaker maker;
};
}  // namespace

void SetCommandBarsMaker(CommandBarsMaker maker) {
  win32::PlatformState<BarsState>().maker = std::move(maker);
}

std::shared_ptr<void> MakeCommandBars(const std::shared_ptr<Object>& window) {
  auto& maker = win32::PlatformState<BarsState>().maker;
  return maker ? maker(window) : nullptr;
}

}  // namespace outlook
