#include "core/Main.h"

#include <cstdlib>
#include <random>

#include "core/CLibNorvaneWrapper.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Reset.h"

std::wstring g_sTempPath;
std::function<void()> g_fnNewMailFromTemplate;

namespace {

struct MainState {
  std::unique_ptr<CLibNorvaneWrapper> libNorvane;
  uint32_t timerStart = 0;
  std::optional<std::mt19937> random;
};

MainState& S() {
  return win32::PlatformState<MainState>();
}

// The plain globals go back to their start together with the platform.
const bool kGlobalsReset = (win32::RegisterReset([] {
                              g_sTempPath.clear();
                              g_fnNewMailFromTemplate = nullptr;
                            }),
                            true);

void Log(std::wstring_view procedure, std::wstring_view text, int32_t number, int32_t level,
         int32_t detail) {
  // Logging never raises into its caller, and leaves the caller's current error alone.
  vb::ErrObject saved = vb::Err();
  vb::Catch([&] {
    LibNorvane().LogMsg(std::wstring(text), number, std::wstring(procedure), level, detail);
  });
  vb::Err() = saved;
}

}  // namespace

bool Retried(const std::function<void()>& step) {
  for (int tries = 1;; ++tries) {
    if (vb::Catch(step)) return true;
    if (tries == kHeldTries) return false;
    vb::Err().Clear();
  }
}

void Held(const std::function<void()>& step) {
  if (!Retried(step)) vb::Raise(vb::Err().Number(), vb::Err().Description());
}

CLibNorvaneWrapper& LibNorvane() {
  if (!S().libNorvane) S().libNorvane = std::make_unique<CLibNorvaneWrapper>();
  return *S().libNorvane;
}

void ResetMainGlobals() {
  (void)kGlobalsReset;
  S().libNorvane.reset();
  g_sTempPath.clear();
  g_fnNewMailFromTemplate = nullptr;
}

bool InIDE() {
  vb::Err().Clear();
  return false;
}

void Assert(bool condition, std::wstring_view procedure, std::wstring_view message) {
  if (!condition) LogError(procedure, 0, L"ASSERT FAILED - " + std::wstring(message));
}

void LogInfo(std::wstring_view procedure, std::wstring_view text, int32_t detail) {
  Log(procedure, text, 0, kLevelInfo, detail);
}

void LogWarning(std::wstring_view procedure, std::wstring_view text, int32_t detail) {
  Log(procedure, text, 0, kLevelWarning, detail);
}

void LogError(std::wstring_view procedure, std::optional<int32_t> number,
              std::optional<std::wstring> description, std::wstring_view context) {
  int32_t n = number.value_or(vb::Err().Number());
  std::wstring text = description.value_or(vb::Err().Description());
  if (!context.empty()) text = L"[" + std::wstring(context) + L"] " + vb::Err().Description();
  Log(procedure, text, n, kLevelError, 1);
  vb::Err().Clear();
}

void StartTimer() {
  S().timerStart = win32::GetTickCount();
}

void LogElapsed(std::wstring_view procedure, std::wstring_view text, int32_t detail) {
  uint32_t now = win32::GetTickCount();
  // The absolute difference of the two 32-bit counts, so a wrap between them stays small.
  uint32_t forward = now - S().timerStart, backward = S().timerStart - now;
  uint32_t ms = std::min(forward, backward);
  LogInfo(procedure, L"[Time=" + std::to_wstring(ms) + L"ms] " + std::wstring(text), detail);
}

std::wstring GetRandomString(int32_t length, int32_t alphabetSize) {
  static constexpr wchar_t kAlphabet[] = L"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  if (length <= 0) return L"";
  int32_t n = alphabetSize >= 2 && alphabetSize < 36 ? alphabetSize : 36;
  if (!S().random) {
    // Once per process: from the runtime's seedable source, so a seeded run repeats.
    S().random.emplace(static_cast<uint32_t>(vb::Rnd() * 4294967296.0) ^ win32::GetTickCount());
  }
  std::uniform_int_distribution<int32_t> pick(0, n - 1);
  std::wstring out;
  out.reserve(static_cast<size_t>(length));
  for (int32_t i = 0; i < length; ++i) out += kAlphabet[pick(*S().random)];
  return out;
}

int32_t OnLibNewMailFromTemplate() {
  vb::Ignore([] {
    if (g_fnNewMailFromTemplate) g_fnNewMailFromTemplate();
  });
  vb::Err().Clear();
  return 0;
}
