// Process-wide state of the platform substitute, and putting all of it back to its start.
#pragma once

#include <functional>
#include <optional>

namespace win32 {

// Registers a function that ResetPlatform runs; later registrations run first.
void RegisterReset(std::function<void()> reset);

// Puts every piece of platform state back to how a new process finds it. Tests call it
// between cases; the host calls it once at start.
void ResetPlatform();

// The one process-wide state object of type T, rebuilt from scratch by ResetPlatform.
template <class T>
T& PlatformState() {
  static std::optional<T> state;
  static const bool registered = [] {
    RegisterReset([] { state.emplace(); });
    return true;
  }();
  (void)registered;
  if (!state) state.emplace();
  return *state;
}

}  // namespace win32
