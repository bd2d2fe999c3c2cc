// The keyboard of the user-interface thread: a thread hook chain, key states and simulated key
// strokes. A key-down that passes the chain reaches the focused editor: Shift+Insert pastes the
// clipboard's text at its caret, Ctrl+Insert copies its selection (both do nothing while the
// clipboard is held open), letters, digits and the space bar type themselves.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace win32 {

using HHOOK = uint32_t;
using HINSTANCE = uint32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using HOOKPROC = std::function<LRESULT(int code, WPARAM wParam, LPARAM lParam)>;

inline constexpr int WH_KEYBOARD = 2;
inline constexpr int HC_ACTION = 0;
inline constexpr int HC_NOREMOVE = 3;

inline constexpr uint8_t VK_BACK = 0x08;
inline constexpr uint8_t VK_RETURN = 0x0D;
inline constexpr uint8_t VK_SHIFT = 0x10;
inline constexpr uint8_t VK_CONTROL = 0x11;
inline constexpr uint8_t VK_MENU = 0x12;
inline constexpr uint8_t VK_ESCAPE = 0x1B;
inline constexpr uint8_t VK_SPACE = 0x20;
inline constexpr uint8_t VK_INSERT = 0x2D;
inline constexpr uint8_t VK_LWIN = 0x5B;
inline constexpr uint8_t VK_RWIN = 0x5C;
// The left and right keys of each modifier; the messages carry the generic codes above.
inline constexpr uint8_t VK_LSHIFT = 0xA0;
inline constexpr uint8_t VK_RSHIFT = 0xA1;
inline constexpr uint8_t VK_LCONTROL = 0xA2;
inline constexpr uint8_t VK_RCONTROL = 0xA3;
inline constexpr uint8_t VK_LMENU = 0xA4;
inline constexpr uint8_t VK_RMENU = 0xA5;
// What SendInput carries for a character typed by its code rather than by a key.
inline constexpr uint8_t VK_PACKET = 0xE7;

inline constexpr uint32_t KEYEVENTF_EXTENDEDKEY = 0x1;
inline constexpr uint32_t KEYEVENTF_KEYUP = 0x2;

uint32_t GetCurrentThreadId();

// Only thread keyboard hooks of the current thread are offered; other kinds fail with the
// error Windows gives. The newest hook is called first.
HHOOK SetWindowsHookExA(int idHook, HOOKPROC proc, HINSTANCE module, uint32_t threadId);
bool UnhookWindowsHookEx(HHOOK hook);
// Calls the hook after the one running now; 0 past the end of the chain.
LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam);
// High bit (the value is negative): the key is down; low bit: toggled. The generic modifier
// codes are down while either of their side keys is.
int16_t GetKeyState(int virtualKey);
// One key transition through the chain (a modifier's generic code moves its left key, or
// with KEYEVENTF_EXTENDEDKEY its right one; the hook sees the generic code); lParam carries the
// repeat count 1, the scan code, the extended flag (bit 24), Alt (bit 29), the previous state (bit
// 30) and the release (bit 31).
void keybd_event(uint8_t virtualKey, uint8_t scanCode, uint32_t flags, uintptr_t extraInfo);
// One character typed by its code (SendInput with KEYEVENTF_UNICODE): a VK_PACKET down and up
// through the chain; the focused editor receives the character on the down.
void SendUnicodeChar(wchar_t c);

// What a text editor with a caret offers to the keyboard. An editor becomes the target of the
// simulated keys with keyboard::SetFocus.
class FocusedEditor {
 public:
  virtual ~FocusedEditor() = default;
  virtual std::wstring SelectedText() const = 0;
  // Replaces the selection, or inserts at the caret when nothing is selected.
  virtual void ReplaceSelection(const std::wstring& text) = 0;
};

namespace keyboard {
struct KeyStroke {
  uint8_t virtualKey;
  bool down;
};
void SetFocus(std::shared_ptr<FocusedEditor> editor);
std::shared_ptr<FocusedEditor> Focused();
// Key transitions that passed the whole hook chain, in order.
const std::vector<KeyStroke>& Delivered();
// Presses and releases a key with the given modifiers held, as a user's stroke.
void Press(uint8_t virtualKey, bool shift = false, bool ctrl = false, bool alt = false);
// Holds the key down long enough for `repeats` auto-repeated key-downs (previous-state bit
// set), then releases it, with the given modifiers held throughout.
void Hold(uint8_t virtualKey, int repeats, bool shift = false, bool ctrl = false, bool alt = false);
// Presses the key with the right Alt held. With an AltGr layout Windows holds a left Ctrl
// down around the right Alt, so the chord reads as Ctrl+Alt with VK_RMENU down, and the
// editor receives the layout's AltGr character (German: Q "@", E the euro sign, M the micro
// sign); without one the right Alt is just Alt.
void PressAltGr(uint8_t virtualKey);
// Chooses a keyboard layout with or without AltGr (the default: without, as US English).
void SetAltGrLayout(bool altGr);
// Makes SetWindowsHookExA fail with this error (0 lets it succeed again).
void RefuseHooks(uint32_t error);
size_t InstalledHooks();
}  // namespace keyboard

}  // namespace win32
