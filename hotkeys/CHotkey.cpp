#include "hotkeys/CHotkey.h"

#include <cstdio>
#include <vector>

#include "core/CLang.h"
#include "core/Main.h"
#include "platform/vb/Runtime.h"

namespace {

struct ActionName {
  int32_t action;
  const wchar_t* english;
  const wchar_t* textId;
};
constexpr ActionName kActions[] = {
    {1, L"Tanvelo", L"HOT_KEY_ACTION_TV"},
    {2, L"Reply to all with", L"HOT_KEY_ACTION_RAW"},
    {4, L"Forward with", L"HOT_KEY_ACTION_FW"},
};

const ActionName* FindAction(int32_t action) {
  for (const auto& a : kActions)
    if (a.action == action) return &a;
  return nullptr;
}

}  // namespace

std::wstring CHotkey::DisplayActionName() const {
  const ActionName* a = FindAction(Action);
  return a && g_oLang ? g_oLang->Item(a->textId) : L"";
}

std::wstring CHotkey::DisplayActionName2() const {
  const ActionName* a = FindAction(Action);
  return a ? a->english : L"";
}

void CHotkey::DisplayActionName2(const std::wstring& sName) {
  for (const auto& a : kActions) {
    if (vb::LCase(sName) == vb::LCase(a.english)) {
      Action = a.action;
      return;
    }
  }
  LogError(L"CHotKey::DisplayActionName", 0, L"Invalid action name '" + sName + L"'");
  vb::Raise(vb::kTypeMismatch);
}

std::wstring CHotkey::DisplayKeyName() const {
  std::wstring text;
  if (Ctrl) text += L"Ctrl+";
  if (Alt) text += L"Alt+";
  if (Shift) text += L"Shift+";
  if (KeyCode > 0) text += static_cast<wchar_t>(KeyCode);
  return text;
}

void CHotkey::DisplayKeyName(const std::wstring& sKeyName) {
  int32_t keyCode = -1;
  bool ctrl = false, alt = false, shift = false;
  for (const std::wstring& token : vb::Split(sKeyName, L"+")) {
    std::wstring lower = vb::LCase(token);
    if (lower == L"ctrl") {
      ctrl = true;
    } else if (lower == L"alt") {
      alt = true;
    } else if (lower == L"shift") {
      shift = true;
    } else if (token.empty()) {
      continue;
    } else if (keyCode == -1) {
      // A letter is one key whatever its case, as the keyboard's virtual-key code is.
      wchar_t key = token[0];
      keyCode = static_cast<int32_t>(key >= L'a' && key <= L'z' ? key - L'a' + L'A' : key);
    } else {
      break;  // one letter only: whatever follows a second one is ignored
    }
  }
  if (keyCode == -1) {
    LogError(L"CHotKey::DisplayKeyName", 0, L"Parse Error in '" + sKeyName + L"'");
    vb::Raise(vb::kTypeMismatch);
  }
  Ctrl = ctrl;
  Alt = alt;
  Shift = shift;
  KeyCode = keyCode;
}

std::wstring CHotkey::BuildKey() const {
  return BuildKey(KeyCode, Ctrl, Alt, Shift);
}

std::wstring CHotkey::BuildKey(int32_t nKeyCode, bool bCtrl, bool bAlt, bool bShift) {
  std::wstring key = ToHex2(nKeyCode);
  if (bCtrl) key += L"11";
  if (bAlt) key += L"12";
  if (bShift) key += L"10";
  return key;
}

std::wstring CHotkey::ToHex2(int32_t n) {
  wchar_t hex[16];
  std::swprintf(hex, 16, L"%X", static_cast<uint32_t>(n));
  return (n < 16 ? L"0" : L"") + std::wstring(hex);
}
