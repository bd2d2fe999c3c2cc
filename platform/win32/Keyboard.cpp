#include "platform/win32/Keyboard.h"

#include <algorithm>
#include <map>

#include "platform/win32/Clipboard.h"
#include "platform/win32/Faults.h"
#include "platform/win32/LastError.h"
#include "platform/win32/Registry.h"
#include "platform/win32/Reset.h"

namespace win32 {
namespace {

inline constexpr uint32_t kThreadId = 0x0AB4;

struct Hook {
  HHOOK handle;
  HOOKPROC proc;
};

struct KeyboardState {
  std::vector<Hook> chain;       // newest first
  std::vector<Hook> running;     // the chain as the message being dispatched found it
  std::vector<size_t> position;  // index into `running` of each hook on the call stack
  std::map<int, int16_t> keys;
  std::weak_ptr<FocusedEditor> focus;
  std::vector<keyboard::KeyStroke> delivered;
  uint32_t nextHook = 0x000A0001;
  uint32_t refuse = 0;
  bool altGrLayout = false;
};
KeyboardState& S() {
  return PlatformState<KeyboardState>();
}

bool IsDown(int vk) {
  return GetKeyState(vk) < 0;
}

LRESULT CallFrom(size_t index, int code, WPARAM wParam, LPARAM lParam) {
  auto& s = S();
  if (index >= s.running.size()) return 0;
  s.position.push_back(index);
  struct Pop {
    ~Pop() { S().position.pop_back(); }
  } pop;
  HOOKPROC proc = s.running[index].proc;
  faults::AddinCode hook;
  return proc(code, wParam, lParam);
}

wchar_t TypedChar(uint8_t vk) {
  bool shift = IsDown(VK_SHIFT);
  if (vk >= 'A' && vk <= 'Z') return static_cast<wchar_t>(shift ? vk : vk + 32);
  if (vk >= '0' && vk <= '9' && !shift) return static_cast<wchar_t>(vk);
  if (vk == VK_SPACE) return L' ';
  return 0;
}

// The characters a German layout gives with AltGr, as far as tests need them.
wchar_t AltGrChar(uint8_t vk) {
  switch (vk) {
    case 'Q':
      return L'@';
    case 'E':
      return L'\u20AC';
    case 'M':
      return L'\u00B5';
    default:
      return 0;
  }
}

// The generic code keyboard messages carry for a modifier, and the side key a transition of
// a generic code moves (the extended flag tells the right Ctrl and Alt).
uint8_t Generic(uint8_t vk) {
  switch (vk) {
    case VK_LSHIFT:
    case VK_RSHIFT:
      return VK_SHIFT;
    case VK_LCONTROL:
    case VK_RCONTROL:
      return VK_CONTROL;
    case VK_LMENU:
    case VK_RMENU:
      return VK_MENU;
    default:
      return vk;
  }
}
uint8_t Side(uint8_t vk, bool extended) {
  switch (vk) {
    case VK_SHIFT:
      return VK_LSHIFT;
    case VK_CONTROL:
      return extended ? VK_RCONTROL : VK_LCONTROL;
    case VK_MENU:
      return extended ? VK_RMENU : VK_LMENU;
    default:
      return vk;
  }
}
uint8_t OtherSide(uint8_t side) {
  switch (side) {
    case VK_LSHIFT:
      return VK_RSHIFT;
    case VK_RSHIFT:
      return VK_LSHIFT;
    case VK_LCONTROL:
      return VK_RCONTROL;
    case VK_RCONTROL:
      return VK_LCONTROL;
    case VK_LMENU:
      return VK_RMENU;
    case VK_RMENU:
      return VK_LMENU;
    default:
      return side;
  }
}

// One key's state after a press or release: the high bit while down, the low bit toggled by
// each press.
void SetKey(int vk, bool down) {
  int16_t& state = S().keys[vk];
  bool wasDown = state < 0;
  if (!down) {
    state = static_cast<int16_t>(state & 1);
  } else {
    int16_t toggled = wasDown ? (state & 1) : static_cast<int16_t>((state & 1) ^ 1);
    state = static_cast<int16_t>(0x8000 | toggled);
  }
}

// What the focused window does with a key-down that nobody swallowed.
void Deliver(uint8_t vk, wchar_t unicode) {
  // The window's own work (a copy reading its selection): not a call the add-in makes.
  faults::Quiet quiet;
  auto editor = S().focus.lock();
  if (!editor) return;
  if (vk == VK_PACKET) {
    editor->ReplaceSelection(std::wstring(1, unicode));
    return;
  }
  bool shift = IsDown(VK_SHIFT), ctrl = IsDown(VK_CONTROL), alt = IsDown(VK_MENU);
  if (S().altGrLayout && IsDown(VK_RMENU)) {
    if (wchar_t c = AltGrChar(vk)) editor->ReplaceSelection(std::wstring(1, c));
    return;
  }
  // The editor opens the clipboard for a paste or a copy; while someone holds it open the
  // key does nothing.
  if (vk == VK_INSERT && (shift || ctrl) && !clipboard::Available()) return;
  if (vk == VK_INSERT && shift && !ctrl) {
    editor->ReplaceSelection(clipboard::Text());
  } else if (vk == VK_INSERT && ctrl && !shift) {
    std::wstring selection = editor->SelectedText();
    if (!selection.empty()) clipboard::SetText(selection);
  } else if (!ctrl && !alt) {
    if (wchar_t c = TypedChar(vk)) editor->ReplaceSelection(std::wstring(1, c));
  }
}

}  // namespace

uint32_t GetCurrentThreadId() {
  return kThreadId;
}

HHOOK SetWindowsHookExA(int idHook, HOOKPROC proc, HINSTANCE module, uint32_t threadId) {
  auto& s = S();
  uint32_t error = 0;
  if (idHook != WH_KEYBOARD)
    error = ERROR_INVALID_HOOK_FILTER;
  else if (!proc)
    error = ERROR_INVALID_PARAMETER;
  else if (threadId == 0 && module == 0)
    error = ERROR_HOOK_NEEDS_HMOD;
  else if (threadId != kThreadId)
    error = ERROR_INVALID_PARAMETER;  // a system-wide or foreign hook is out of reach
  else
    error = s.refuse;
  if (error != 0) {
    SetLastError(error);
    return 0;
  }
  HHOOK handle = s.nextHook++;
  s.chain.insert(s.chain.begin(), Hook{handle, std::move(proc)});
  return handle;
}

bool UnhookWindowsHookEx(HHOOK hook) {
  auto& chain = S().chain;
  auto it =
      std::find_if(chain.begin(), chain.end(), [&](const Hook& h) { return h.handle == hook; });
  if (it == chain.end()) {
    SetLastError(ERROR_INVALID_HOOK_HANDLE);
    return false;
  }
  chain.erase(it);
  return true;
}

LRESULT CallNextHookEx(HHOOK, int code, WPARAM wParam, LPARAM lParam) {
  // Like Windows since NT, the handle is not needed: the next hook is the one after the hook
  // that is running now.
  if (S().position.empty()) return 0;
  return CallFrom(S().position.back() + 1, code, wParam, lParam);
}

int16_t GetKeyState(int virtualKey) {
  auto it = S().keys.find(virtualKey);
  return it == S().keys.end() ? 0 : it->second;
}

namespace {
// One key transition: key state, the hook chain, then the focused editor.
void Transition(uint8_t vk, uint8_t scanCode, uint32_t flags, wchar_t unicode) {
  auto& s = S();
  bool up = (flags & KEYEVENTF_KEYUP) != 0;
  const uint8_t side = Side(vk, (flags & KEYEVENTF_EXTENDEDKEY) != 0), generic = Generic(side);
  const bool right = side == VK_RCONTROL || side == VK_RMENU;
  // A layout with AltGr makes Windows press a left Ctrl before the right Alt and release it
  // after, so that the chord reads as Ctrl+Alt.
  const bool altGr = side == VK_RMENU && s.altGrLayout;
  if (altGr && !up && !IsDown(VK_RMENU)) Transition(VK_LCONTROL, 0x1D, 0, 0);
  bool wasDown = IsDown(side);
  SetKey(side, !up);
  if (side != generic) {
    bool anyDown = !up || IsDown(OtherSide(side));
    if (anyDown != IsDown(generic)) SetKey(generic, anyDown);
  }
  uint32_t lParam = 1u | (static_cast<uint32_t>(scanCode) << 16);
  if ((flags & KEYEVENTF_EXTENDEDKEY) || right) lParam |= 1u << 24;
  if (IsDown(VK_MENU)) lParam |= 1u << 29;
  if (wasDown) lParam |= 1u << 30;
  if (up) lParam |= 1u << 31;
  vk = generic;

  // A hook installed or removed while the message is dispatched counts from the next message.
  auto saved = std::move(s.running);
  s.running = s.chain;
  LRESULT result = 0;
  if (!s.running.empty()) {
    // The stored lParam is the 32-bit value, sign-extended as a LONG_PTR would carry it.
    result = CallFrom(0, HC_ACTION, vk, static_cast<LPARAM>(static_cast<int32_t>(lParam)));
  }
  S().running = std::move(saved);
  if (result == 0) {  // else a hook swallowed the key
    S().delivered.push_back({vk, !up});
    if (!up) Deliver(vk, unicode);
  }
  if (altGr && up) Transition(VK_LCONTROL, 0x1D, KEYEVENTF_KEYUP, 0);
}

}  // namespace

void keybd_event(uint8_t vk, uint8_t scanCode, uint32_t flags, uintptr_t) {
  Transition(vk, scanCode, flags, 0);
}

void SendUnicodeChar(wchar_t c) {
  // The hook sees VK_PACKET with the character's low byte where the scan code goes.
  auto scan = static_cast<uint8_t>(c & 0xFF);
  Transition(VK_PACKET, scan, 0, c);
  Transition(VK_PACKET, scan, KEYEVENTF_KEYUP, c);
}

namespace keyboard {
void SetFocus(std::shared_ptr<FocusedEditor> editor) {
  S().focus = editor;
}
std::shared_ptr<FocusedEditor> Focused() {
  return S().focus.lock();
}
const std::vector<KeyStroke>& Delivered() {
  return S().delivered;
}

void Press(uint8_t vk, bool shift, bool ctrl, bool alt) {
  if (shift) keybd_event(VK_SHIFT, 0, 0, 0);
  if (ctrl) keybd_event(VK_CONTROL, 0, 0, 0);
  if (alt) keybd_event(VK_MENU, 0, 0, 0);
  keybd_event(vk, 0, 0, 0);
  keybd_event(vk, 0, KEYEVENTF_KEYUP, 0);
  if (alt) keybd_event(VK_MENU, 0, KEYEVENTF_KEYUP, 0);
  if (ctrl) keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
  if (shift) keybd_event(VK_SHIFT, 0, KEYEVENTF_KEYUP, 0);
}

void Hold(uint8_t vk, int repeats, bool shift, bool ctrl, bool alt) {
  if (shift) keybd_event(VK_SHIFT, 0, 0, 0);
  if (ctrl) keybd_event(VK_CONTROL, 0, 0, 0);
  if (alt) keybd_event(VK_MENU, 0, 0, 0);
  for (int i = 0; i <= repeats; ++i) keybd_event(vk, 0, 0, 0);
  keybd_event(vk, 0, KEYEVENTF_KEYUP, 0);
  if (alt) keybd_event(VK_MENU, 0, KEYEVENTF_KEYUP, 0);
  if (ctrl) keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
  if (shift) keybd_event(VK_SHIFT, 0, KEYEVENTF_KEYUP, 0);
}

void PressAltGr(uint8_t vk) {
  keybd_event(VK_RMENU, 0x38, KEYEVENTF_EXTENDEDKEY, 0);
  keybd_event(vk, 0, 0, 0);
  keybd_event(vk, 0, KEYEVENTF_KEYUP, 0);
  keybd_event(VK_RMENU, 0x38, KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP, 0);
}

void SetAltGrLayout(bool altGr) {
  S().altGrLayout = altGr;
}

void RefuseHooks(uint32_t error) {
  S().refuse = error;
}
size_t InstalledHooks() {
  return S().chain.size();
}
}  // namespace keyboard

}  // namespace win32
