#include "platform/win32/Reset.h"

#include <vector>

namespace win32 {
namespace {
std::vector<std::function<void()>>& Resets() {
  static std::vector<std::function<void()>> resets;
  return resets;
}
}  // namespace

void RegisterReset(std::function<void()> reset) {
  Resets().push_back(std::move(reset));
}

void ResetPlatform() {
  // Copy first: a reset may touch state that registers itself for the first time.
  auto resets = Resets();
  for (auto it = resets.rbegin(); it != resets.rend(); ++it) (*it)();
}

}  // namespace win32
