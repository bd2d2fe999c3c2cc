// One hotkey: Ctrl with Alt or Shift and a letter, bound to an action on one template. Its
// three text forms are the key text ("Ctrl+Alt+R"), the collection key ("521112") and the
// action names (English in the registry, localised on screen).
#pragma once

#include <cstdint>
#include <string>

class CHotkey {
 public:
  int32_t Action = 0;  // 1 reply, 2 reply to all, 4 forward
  std::wstring TemplateEntryID;
  int32_t KeyCode = 0;  // the letter's character code, also its virtual-key code
  bool Ctrl = false;
  bool Alt = false;
  bool Shift = false;

  // The language text of the action; empty for an unknown action.
  std::wstring DisplayActionName() const;
  // The fixed English action name used in the registry.
  std::wstring DisplayActionName2() const;
  // Sets Action from an English action name (any case); anything else logs and raises 13.
  void DisplayActionName2(const std::wstring& sName);
  std::wstring DisplayKeyName() const;
  // Parses a key text; on success sets the modifiers and key code together, otherwise logs
  // and raises 13, leaving the fields as they were.
  void DisplayKeyName(const std::wstring& sKeyName);
  std::wstring BuildKey() const;

  // The collection key of a combination, as BuildKey gives it for a binding.
  static std::wstring BuildKey(int32_t nKeyCode, bool bCtrl, bool bAlt, bool bShift);

 private:
  static std::wstring ToHex2(int32_t n);
};
