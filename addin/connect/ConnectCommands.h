// What the add-in object asks of the commands layer: unloading the deferred-action form,
// installing and removing the keyboard hook, and the two reply commands a hotkey runs. Slots,
// empty at every platform reset, until that layer is linked in; an empty slot is skipped.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "addin/connect/WindowFactories.h"

struct CommandHooks {
  std::function<void()> UnloadDeferredForm;
  std::function<void()> SetKeyboardHook;
  std::function<void()> UnsetKeyboardHook;
  // action, template EntryID, caller (0 hotkey, 2 ribbon or menu)
  std::function<void(int32_t nAction, const std::wstring& sEntryID, int32_t nCaller)>
      Explorer_Tanvelo;
  // wrapper, action, template EntryID, foreground flag
  std::function<void(const InspectorWrapperPtr& wrapper, int32_t nAction,
                     const std::wstring& sEntryID, bool bForeground)>
      Tanvelo_Click;
};

CommandHooks& Commands();
