#include "platform/win32/Faults.h"

#include <exception>

#include "platform/win32/Files.h"
#include "platform/win32/LastError.h"
#include "platform/win32/Registry.h"
#include "platform/win32/Reset.h"

namespace win32::faults {
namespace {

struct State {
  Plan plan;
  uint32_t phase = 0;
  int addinDepth = 0;
  int nesting = 0;  // counted calls now running
  Tally tally;
};

State& S() {
  static State state;
  static const bool registered = [] {
    // A program restarting Outlook in one process may keep the switch (and its count) on.
    RegisterReset([] {
      if (!state.plan.throughResets) state = State{};
    });
    return true;
  }();
  (void)registered;
  return state;
}

uint64_t Mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

}  // namespace

void Start(const Plan& plan) {
  State& s = S();
  s.plan = plan;
  s.phase = plan.every ? static_cast<uint32_t>(Mix(plan.seed) % plan.every) : 0;
  s.tally = {};
}

void Stop() {
  S().plan = {};
}

bool Active() {
  const Plan& p = S().plan;
  return p.every != 0 || p.at != 0 || p.countOnly;
}

Tally Counts() {
  return S().tally;
}

bool Hit(Surface surface, std::span<const int64_t> errors, int64_t* error) {
  State& s = S();
  if (!Active() || s.nesting > 0) return false;
  if (s.plan.profileOnly ? surface != Surface::Profile : s.plan.addinOnly && s.addinDepth == 0)
    return false;
  uint64_t n = ++s.tally.calls;
  bool fails = s.plan.every != 0 ? (n + s.phase) % s.plan.every == 0
                                 : n >= s.plan.at && n - s.plan.at < s.plan.span;
  if (s.plan.countOnly || !fails) return false;
  ++s.tally.raised;
  ++s.tally.raisedBy[static_cast<int>(surface)];
  if (error && errors.size()) *error = errors[Mix(s.plan.seed ^ (n << 20)) % errors.size()];
  return true;
}

Call::Call(Surface surface, std::span<const int64_t> errors) {
  failed_ = Hit(surface, errors, &error_);
  ++S().nesting;
}

Call::~Call() {
  --S().nesting;
}

AddinCode::AddinCode() : savedNesting_(S().nesting), uncaught_(std::uncaught_exceptions()) {
  State& s = S();
  s.nesting = 0;
  ++s.addinDepth;
}

AddinCode::~AddinCode() {
  State& s = S();
  s.nesting = savedNesting_;
  --s.addinDepth;
  if (std::uncaught_exceptions() > uncaught_) ++s.tally.escaped;
}

Quiet::Quiet() {
  ++S().nesting;
}

Quiet::~Quiet() {
  --S().nesting;
}

bool FileCallFails() {
  static constexpr int64_t kErrors[] = {ERROR_SHARING_VIOLATION, ERROR_ACCESS_DENIED};
  int64_t error = ERROR_ACCESS_DENIED;
  if (!Hit(Surface::Files, kErrors, &error)) return false;
  SetLastError(static_cast<uint32_t>(error));
  return true;
}

bool ClipboardCallFails() {
  if (!Hit(Surface::Clipboard)) return false;
  SetLastError(ERROR_ACCESS_DENIED);
  return true;
}

int32_t RegistryCallFails() {
  return Hit(Surface::Registry) ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
}

}  // namespace win32::faults
