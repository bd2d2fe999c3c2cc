#include "platform/win32/Keyboard.h"

#include <algorithm>
#include <map>

#include "platform/win32/Clipboard.h"
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
  return proc(code, wParam, lParam);
}

wchar_t TypedChar(uint8_t vk) {
  bool shift = IsDown(VK_SHIFT);
  if (vk >= 'A' && vk <= 'Z') return static_cast<wchar_t>(shift ? vk : vk + 32);
  if (vk >= '0' && vk <= '9' && !shift) return static_cast<wchar_t>(vk);
  if (vk == VK_SPACE) return L' ';
  return 0;
}

// What the focused window does with a key-down that nobody swallowed.
void Deliver(uint8_t vk, wchar_t unicode) {
  auto editor = S().focus.lock();
  if (!editor) return;
  if (vk == VK_PACKET) {
    editor->ReplaceSelection(std::wstring(1, unicode));
    return;
  }
  bool shift = IsDown(VK_SHIFT), ctrl = IsDown(VK_CONTROL), alt = IsDown(VK_MENU);
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
  bool wasDown = IsDown(vk);
  int16_t& state = s.keys[vk];
  if (up) {
    state = static_cast<int16_t>(state & 1);
  } else {
    int16_t toggled = wasDown ? (state & 1) : static_cast<int16_t>((state & 1) ^ 1);
    state = static_cast<int16_t>(0x8000 | toggled);
  }
  uint32_t lParam = 1u | (static_cast<uint32_t>(scanCode) << 16);
  if (flags & KEYEVENTF_EXTENDEDKEY) lParam |= 1u << 24;
  if (IsDown(VK_MENU)) lParam |= 1u << 29;
  if (wasDown) lParam |= 1u << 30;
  if (up) lParam |= 1u << 31;

  // A hook installed or removed while the message is dispatched counts from the next message.
  auto saved = std::move(s.running);
  s.running = s.chain;
  LRESULT result = 0;
  if (!s.running.empty()) {
    // The stored lParam is the 32-bit value, sign-extended as a LONG_PTR would carry it.
    result = CallFrom(0, HC_ACTION, vk, static_cast<LPARAM>(static_cast<int32_t>(lParam)));
  }
  S().running = std::move(saved);
  if (result != 0) return;  // a hook swallowed the key
  S().delivered.push_back({vk, !up});
  if (!up) Deliver(vk, unicode);
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

void RefuseHooks(uint32_t error) {
  S().refuse = error;
}
size_t InstalledHooks() {
  return S().chain.size();
}
}  // namespace keyboard

}  // namespace win32
