// Module mKeyboardHook: the thread keyboard hook that turns a bound key combination (or the
// fixed Alt+Win+S) into a hotkey queued on frmDummy, and the runner its timer calls. The hook
// never runs a command itself and never swallows a key.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "hotkeys/CHotkey.h"
#include "platform/win32/Keyboard.h"

namespace mKeyboardHook {

// True when a hook was installed now; a second call while installed logs and answers False.
bool SetKeyboardHook();
// True when an installed hook was removed now; the handle is dropped in every case.
bool UnsetKeyboardHook();
bool IsHookSet();

win32::LRESULT KeyboardProc(int nCode, win32::WPARAM wParam, win32::LPARAM lParam);
void QueueHotkey(const std::wstring& sKey, bool& bNewMail);
// Runs a queued hotkey: a new mail from a picked template, or the binding handed to the
// add-in object's OnHotkey.
void HotkeyHandler(const std::wstring& sKey, bool& bNewMail);

// Connect.OnHotkey, which the add-in object fills at connection (empty until then: the
// hotkey is logged and does nothing). Back to empty at every platform reset.
using OnHotkeyFn = std::function<void(const std::shared_ptr<CHotkey>&)>;
OnHotkeyFn& OnHotkeySlot();

}  // namespace mKeyboardHook
