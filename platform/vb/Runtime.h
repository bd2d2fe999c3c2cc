// The rest of the runtime the system relies on: random numbers, creating components by
// ProgID, message boxes, App and Screen, DoEvents and the few conversions whose exact
// semantics matter.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <typeinfo>
#include <vector>

#include "platform/vb/Error.h"

namespace vb {

// --- Random numbers -------------------------------------------------------------------
// Seeds the process's generator; tests and the host give a fixed seed for repeatable runs.
void Randomize(uint32_t seed);
// A fraction in [0, 1).
double Rnd();

// --- Components by ProgID -------------------------------------------------------------
using Factory = std::function<std::shared_ptr<void>()>;
// Makes a component creatable, as installing it would. Registering again replaces it.
void RegisterComponent(const std::wstring& progId, const std::type_info& type, Factory factory);
// Takes a component away ("not installed"); CreateObject then raises 429.
void UnregisterComponent(const std::wstring& progId);
bool IsComponentRegistered(const std::wstring& progId);
std::shared_ptr<void> CreateObjectRaw(const std::wstring& progId, const std::type_info& type);

template <class T>
void RegisterComponent(const std::wstring& progId, std::function<std::shared_ptr<T>()> factory) {
  RegisterComponent(progId, typeid(T),
                    [f = std::move(factory)]() -> std::shared_ptr<void> { return f(); });
}

// Raises 429 when the ProgID is unknown and 13 when it makes another type than T.
template <class T>
std::shared_ptr<T> CreateObject(const std::wstring& progId) {
  return std::static_pointer_cast<T>(CreateObjectRaw(progId, typeid(T)));
}

// --- Message boxes ----------------------------------------------------------------------
inline constexpr int32_t vbOK = 1, vbCancel = 2, vbYes = 6, vbNo = 7;
// An empty title shows App.Title, as the runtime does.
int32_t MsgBox(const std::wstring& prompt, int32_t buttons = 0, const std::wstring& title = L"");

// --- App and Screen ---------------------------------------------------------------------
struct AppInfo {
  std::wstring Title = L"Tanvelo";
  std::wstring Path = L"C:\\Program Files\\Norvane\\Tanvelo";  // the add-in's folder
  std::wstring EXEName = L"Tanvelo";
  // The compiled help file as the project names it; the add-in points it at its own folder.
  std::wstring HelpFile = L"Tanvelo.chm";
  uint32_t hInstance = 0x10000000;
};
AppInfo& App();

struct ScreenInfo {
  int32_t TwipsPerPixelX = 15;
  int32_t TwipsPerPixelY = 15;
  int32_t WidthPixels = 1024;
  int32_t HeightPixels = 768;
  int32_t Width() const { return WidthPixels * TwipsPerPixelX; }
  int32_t Height() const { return HeightPixels * TwipsPerPixelY; }
};
ScreenInfo& Screen();

// The string resource of the running module (App.hInstance); raises 326 when missing.
std::wstring LoadResString(uint32_t id);

// Runs pending window messages once: the timers that are due fire, and the screen is drawn.
void DoEvents();
// What a program playing the user sees each time the screen is drawn (a long run's progress);
// empty after a platform reset.
void SetDoEventsObserver(std::function<void()> observer);

// --- Conversions --------------------------------------------------------------------------
// Leading-number parse: blanks skipped, digits with an optional sign and decimal point;
// anything else ends the number; no digits give 0.
double Val(std::wstring_view text);
// Rounds to a 32-bit integer, halves to even; raises 6 (Overflow) out of range.
int32_t CLng(double value);
// Lower and upper case as the runtime's LCase and UCase.
wchar_t LowerChar(wchar_t c);
wchar_t UpperChar(wchar_t c);
std::wstring LCase(std::wstring_view text);
std::wstring UCase(std::wstring_view text);
// Removes leading and trailing blanks (spaces only, as Trim does).
std::wstring Trim(std::wstring_view text);
// The parts of `text` between separators, as Split does; an empty text gives one empty part.
std::vector<std::wstring> Split(std::wstring_view text, std::wstring_view separator);
// 1-based position of `find` in `text` from `start`, 0 when absent; text compare ignores
// case. An empty `find` answers `start`.
int32_t InStr(int32_t start, std::wstring_view text, std::wstring_view find,
              bool textCompare = false);

}  // namespace vb
