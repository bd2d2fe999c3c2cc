#include "commands/mKeyboardHook.h"

#include "commands/frmDummy.h"
#include "core/Main.h"
#include "engine/mTanveloRoad.h"
#include "hotkeys/CHotkeys.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/LastError.h"
#include "platform/win32/Reset.h"

namespace mKeyboardHook {
namespace {

// lParam of a keyboard hook call: the key was down before (auto-repeat), the key is released.
constexpr uint32_t kPreviousState = 1u << 30;
constexpr uint32_t kTransition = 1u << 31;

struct HookState {
  win32::HHOOK hHook = 0;
  OnHotkeyFn onHotkey;
};
HookState& S() {
  return win32::PlatformState<HookState>();
}

bool IsDown(int virtualKey) {
  return win32::GetKeyState(virtualKey) < 0;
}

}  // namespace

OnHotkeyFn& OnHotkeySlot() {
  return S().onHotkey;
}

bool IsHookSet() {
  return S().hHook != 0;
}

bool SetKeyboardHook() {
  const wchar_t* proc = L"SetKeyboardHook";
  if (S().hHook != 0) {
    LogError(proc, 0, L"Hook is already setted");
    return false;
  }
  S().hHook = win32::SetWindowsHookExA(win32::WH_KEYBOARD, KeyboardProc, vb::App().hInstance,
                                       win32::GetCurrentThreadId());
  if (S().hHook == 0) {
    LogError(proc, 0, L"LastDllError = " + std::to_wstring(win32::GetLastError()));
    return false;
  }
  LogInfo(proc, L"Keyboard hook is set", 2);
  return true;
}

bool UnsetKeyboardHook() {
  const wchar_t* proc = L"UnsetKeyboardHook";
  if (S().hHook == 0) return false;
  bool removed = win32::UnhookWindowsHookEx(S().hHook);
  if (removed)
    LogInfo(proc, L"Keyboard hook is unset", 2);
  else
    LogError(proc, 0, L"LastDllError = " + std::to_wstring(win32::GetLastError()));
  S().hHook = 0;
  return removed;
}

win32::LRESULT KeyboardProc(int nCode, win32::WPARAM wParam, win32::LPARAM lParam) {
  if (nCode >= 0) {
    Trap(L"mHook::KeyboardProc", [&] {
      const auto bits = static_cast<uint32_t>(lParam);
      if (bits & kTransition) return;  // a release
      // A held key repeats its key-down; one press is one hotkey.
      if (bits & kPreviousState) return;
      // Windows reports the right Alt (AltGr) as Ctrl and Alt both down: the chord types a
      // character of the layout ("@", "€"), it is no hotkey.
      if (IsDown(win32::VK_RMENU)) return;
      const bool ctrl = IsDown(win32::VK_CONTROL), shift = IsDown(win32::VK_SHIFT),
                 alt = IsDown(win32::VK_MENU);
      if (wParam == 'S' && alt && (IsDown(win32::VK_LWIN) || IsDown(win32::VK_RWIN))) {
        LogInfo(L"mHook::KeyboardProc", L"ALT+WIN+S is Pressed", 2);
        bool bNewMail = true;
        QueueHotkey(L"", bNewMail);
        return;
      }
      auto hotkey = Hotkeys().FindByKeys(static_cast<int32_t>(wParam), shift, alt, ctrl);
      // Bindings the registry refused at the start are read again at the first key that could
      // be one: a key bound before must not stay silent the whole session. Still refused, the
      // key is named.
      if (!hotkey && Hotkeys().Unread() && ctrl && alt != shift && wParam >= 'A' && wParam <= 'Z') {
        if (Hotkeys().Reread()) {
          hotkey = Hotkeys().FindByKeys(static_cast<int32_t>(wParam), shift, alt, ctrl);
        } else {
          CHotkey pressed;
          pressed.KeyCode = static_cast<int32_t>(wParam);
          pressed.Ctrl = true;
          pressed.Alt = alt;
          pressed.Shift = shift;
          LogError(
              L"mHook::KeyboardProc", 0,
              L"Hotkey " + pressed.DisplayKeyName() + L" not served: the hotkeys were not read");
        }
      }
      if (hotkey) {
        bool bNewMail = false;
        QueueHotkey(hotkey->BuildKey(), bNewMail);
      }
    });
  }
  // Every key goes on to the next hook, whatever happened above: the hook never swallows one.
  return win32::CallNextHookEx(S().hHook, nCode, wParam, lParam);
}

void QueueHotkey(const std::wstring& sKey, bool& bNewMail) {
  vb::Ignore([&] { DummyForm().DemandHotkey(sKey, bNewMail); });
  vb::Err().Clear();
}

void HotkeyHandler(const std::wstring& sKey, bool& bNewMail) {
  vb::Ignore([&] {
    if (bNewMail) {
      // Through the demand record, which waits for a template action still running.
      DummyForm().DemandNewMailFromTemplate(L"", false);
      return;
    }
    // A key unbound since it was pressed raises here and does nothing.
    std::shared_ptr<CHotkey> hotkey = Hotkeys().Item(sKey);
    if (!hotkey) return;
    LogInfo(L"mHook::HotkeyHandler", hotkey->DisplayKeyName(), 3);
    if (S().onHotkey) S().onHotkey(hotkey);
  });
  vb::Err().Clear();
}

}  // namespace mKeyboardHook
