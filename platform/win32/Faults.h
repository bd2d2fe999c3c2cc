// The fault switch: counted calls into the surfaces the add-in reaches (Outlook, Redemption,
// Word, files, registry, clipboard) fail the way that call fails on Windows, either every Nth
// (a period) or the calls K to K+M-1 only (one call, or a burst). A hook sits at the top of
// each such call. The seed picks the period's phase (which call of each N fails) and, where a
// call can fail in more than one way, the error.
//
// Calls are counted once per outermost call: a call made by the substitute itself inside
// another counted call is not counted, unless it runs the add-in's own code (an event, a
// callback, a timer), where counting starts afresh. With `addinOnly` only calls made while
// the add-in's code runs are counted, so the program's own look at Outlook never fails.
#pragma once

#include <cstdint>
#include <span>

namespace win32::faults {

// Profile: the kept profile's own writes (the program's, not the add-in's).
enum class Surface { Outlook, Redemption, Word, Files, Registry, Clipboard, Profile };
inline constexpr int kSurfaces = 7;

struct Plan {
  uint32_t every = 0;  // a period; 0: none
  uint32_t seed = 0;
  bool addinOnly = false;
  uint64_t at = 0;             // the first call to fail, from 1; 0: none
  uint64_t span = 1;           // how many calls from `at` fail
  bool countOnly = false;      // counts the calls and fails none
  bool throughResets = false;  // a platform reset (Outlook started again) keeps the switch on
  // Only the Profile surface is counted, whoever's code runs.
  bool profileOnly = false;
};

void Start(const Plan& plan);
void Stop();
bool Active();  // counting calls

struct Tally {
  uint64_t calls = 0;
  uint64_t raised = 0;
  uint64_t raisedBy[kSurfaces] = {};
  // Errors that left the add-in's code (an event handler, a timer, a hook, a click) unhandled.
  uint64_t escaped = 0;
};
Tally Counts();

// The hook: true when this call must fail. `errors` are the ways it fails; the one chosen is
// in `*error`.
bool Hit(Surface surface, std::span<const int64_t> errors = {}, int64_t* error = nullptr);

// A call of a surface for the length of its body: calls the substitute makes inside it are
// not counted. Hit() decides; Failed() tells the hook to fail.
class Call {
 public:
  Call(Surface surface, std::span<const int64_t> errors);
  ~Call();
  Call(const Call&) = delete;
  Call& operator=(const Call&) = delete;
  bool Failed() const { return failed_; }
  int64_t Error() const { return error_; }

 private:
  bool failed_ = false;
  int64_t error_ = 0;
};

// The add-in's own code runs (an event handler, a callback, a timer, a hook): its calls are
// counted even inside a call of the substitute, and an error leaving it is counted as escaped.
class AddinCode {
 public:
  AddinCode();
  ~AddinCode();
  AddinCode(const AddinCode&) = delete;
  AddinCode& operator=(const AddinCode&) = delete;

 private:
  int savedNesting_;
  int uncaught_;
};

// Outlook's own doing, or the program's, inside the add-in's (a window caption drawn, a box
// told): the calls it makes are not counted.
class Quiet {
 public:
  Quiet();
  ~Quiet();
  Quiet(const Quiet&) = delete;
  Quiet& operator=(const Quiet&) = delete;
};

// Hooks of the Win32 calls: true (with the last error set) when the call must fail.
bool FileCallFails();       // ERROR_SHARING_VIOLATION or ERROR_ACCESS_DENIED
bool ClipboardCallFails();  // ERROR_ACCESS_DENIED: another program has it open
// The registry answers its error code instead of raising: ERROR_ACCESS_DENIED, or 0 to go on.
int32_t RegistryCallFails();

}  // namespace win32::faults
