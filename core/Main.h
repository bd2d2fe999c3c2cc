// Module Main: process-wide globals and the helpers every module calls: logging at three
// levels, the assertion, a stopwatch, random texts, and the one way a procedure traps errors.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/vb/Error.h"
#include "platform/win32/Handles.h"

class CLibNorvaneWrapper;
namespace office {
class CommandBarButton;
}
namespace win32 {
class IPicture;
}

// --- Globals ------------------------------------------------------------------------------
// Globals whose types belong to higher layers live with those layers; these are Core's.
// The support-library wrapper, made on first use and kept for the process.
CLibNorvaneWrapper& LibNorvane();
// The TEMP folder, recorded at connection.
extern std::wstring g_sTempPath;
// Set by the add-in host at connection: the new-mail-from-template road that the support
// library's first callback starts (Core cannot reach the engine itself).
extern std::function<void()> g_fnNewMailFromTemplate;

// Drops every global above, as a final shutdown of the process would.
void ResetMainGlobals();

// How often a call refused by something holding the object a moment (another program on the
// clipboard, a scanner on a file, Outlook busy, a key held) is tried before it counts as failed.
inline constexpr int kHeldTries = 10;
// Runs a step asked again while refused, up to kHeldTries times in all. False when every try
// was refused, the last refusal left as the current error.
bool Retried(const std::function<void()>& step);
// The same; refused past every try, the last refusal is raised for the caller to tell.
void Held(const std::function<void()>& step);

// --- Logging --------------------------------------------------------------------------------
inline constexpr int32_t kLevelInfo = 1;
inline constexpr int32_t kLevelWarning = 2;
inline constexpr int32_t kLevelError = 3;

// True only inside the development environment; the built add-in answers False.
bool InIDE();
void Assert(bool condition, std::wstring_view procedure, std::wstring_view message);
void LogInfo(std::wstring_view procedure, std::wstring_view text, int32_t detail = 1);
void LogWarning(std::wstring_view procedure, std::wstring_view text, int32_t detail = 1);
// Number and description default to the current error's; a context makes the text
// "[context] " & the current error's description. Always clears the current error.
void LogError(std::wstring_view procedure, std::optional<int32_t> number = std::nullopt,
              std::optional<std::wstring> description = std::nullopt,
              std::wstring_view context = L"");
void StartTimer();
void LogElapsed(std::wstring_view procedure, std::wstring_view text, int32_t detail = 1);

// --- Helpers --------------------------------------------------------------------------------
// `length` characters drawn from the first `alphabetSize` of "0-9A-Z" (all 36 unless the size
// is 2 to 35). The generator is seeded once per process, so texts made within one clock tick
// still differ.
std::wstring GetRandomString(int32_t length, int32_t alphabetSize = 36);

// --- Support-library callbacks ---------------------------------------------------------------
// The address of a callback as the support library's block holds it: a 32-bit handle.
template <class F>
uint32_t GetFnPtr(F callback) {
  return win32::AllocHandle(std::move(callback));
}
// Callback 1: a new mail from a template the user picks; never raises into the library.
int32_t OnLibNewMailFromTemplate();

// --- Error traps ------------------------------------------------------------------------------
// The trap of a procedure that handles its own errors: runs `body`; an error it raises is
// logged under `procedure` ("Module::Proc") and the answer is false.
template <class F>
bool Trap(std::wstring_view procedure, F&& body) {
  if (vb::Catch(std::forward<F>(body))) return true;
  LogError(procedure);
  return false;
}

// The same for a procedure with a result: `fallback` when the body raised.
template <class R, class F>
R TrapOr(std::wstring_view procedure, R fallback, F&& body) {
  R result = std::move(fallback);
  Trap(procedure, [&] { result = body(); });
  return result;
}

// --- Outlook-facing globals and helpers ----------------------------------------------------
namespace outlook {
class Application;
class Item;
class MAPIFolder;
}  // namespace outlook
namespace redemption {
class SafeItem;
}  // namespace redemption
class COptions;

// Outlook's Application, kept from connection to final shutdown.
extern std::shared_ptr<outlook::Application> g_oApp;
// The templates root folder and the program's drafts folder, once found or made.
extern std::shared_ptr<outlook::MAPIFolder> g_oTemplatesFolder;
extern std::shared_ptr<outlook::MAPIFolder> g_oDraftsFolder;
// The options object, made on first use; released at disconnection.
COptions& Options();
void ReleaseOptions();

// Outlook's major version (9, 10, 11, 12, 14), read once; 0 (not kept) when unreadable.
int32_t GetAppVersion();
// Sets a command-bar button's picture and mask (Outlook 2002 and later; older versions log).
void SetBtnPicAndMask(const std::shared_ptr<office::CommandBarButton>& button,
                      std::shared_ptr<win32::IPicture> picture,
                      std::shared_ptr<win32::IPicture> mask);
// The Redemption wrapper of a mail (class 43) or post (class 45) item, or nothing (logged).
std::shared_ptr<redemption::SafeItem> GetSafeItem(const std::shared_ptr<outlook::Item>& item);
// "\\" and the folder names from the store's root down to the folder; "" on failure.
std::wstring GetFolderPath(const std::shared_ptr<outlook::MAPIFolder>& folder);
// True for Outlook's default Drafts folder and every folder below it; a look Outlook refuses
// is asked again, up to kHeldTries times, and still refused answers False.
bool IsDraftsFolder(const std::shared_ptr<outlook::MAPIFolder>& folder);
// The same, the last refusal raised, for callers that must tell what a refusal left undone.
bool DraftsFolderOrRaise(const std::shared_ptr<outlook::MAPIFolder>& folder);
