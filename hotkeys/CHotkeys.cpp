#include "hotkeys/CHotkeys.h"

#include <cstring>
#include <vector>

#include "core/COptions.h"
#include "core/CWinReg.h"
#include "core/Main.h"
#include "engine/mTanvelo.h"
#include "platform/outlook/Application.h"
#include "platform/outlook/Folder.h"
#include "platform/outlook/NameSpace.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/Bytes.h"
#include "platform/win32/Reset.h"

namespace {

constexpr int32_t kMaxValueIndex = 1000;

struct HotkeysState {
  std::unique_ptr<CHotkeys> hotkeys;
};

enum class Reached { Yes, Gone, Refused };

// Whether the bound template is still there. Without a templates folder nothing can be
// checked, and the binding is kept: dropping it here would erase it from the registry at the
// next save. A busy store refuses a moment, so the fetch is asked again; "not found" at every
// try is a template the user deleted, any other answer a refusal (`why` holds the last).
Reached TemplateReached(const std::wstring& sEntryID, std::wstring& why) {
  if (!g_oApp || !g_oTemplatesFolder) return Reached::Yes;
  bool refused = false;
  bool found = mTanvelo::Retried([&] {
    try {
      g_oApp->Session()->GetItemFromID(sEntryID, g_oTemplatesFolder->StoreID());
    } catch (const vb::Error& e) {
      refused = refused || e.Number() != outlook::kErrNotFound;
      throw;
    }
  });
  if (!found) why = vb::Err().Description();
  vb::Err().Clear();
  return found ? Reached::Yes : refused ? Reached::Refused : Reached::Gone;
}

// Ctrl with Alt or Shift and a letter: what the hotkey dialog makes, and so all the keyboard
// hook can meet. Anything else in the registry (a hand edit) would be a binding no key reaches.
bool IsDialogKey(const CHotkey& hotkey) {
  return hotkey.KeyCode >= 'A' && hotkey.KeyCode <= 'Z' && hotkey.Ctrl &&
         hotkey.Alt != hotkey.Shift;
}

}  // namespace

CHotkeys& Hotkeys() {
  auto& state = win32::PlatformState<HotkeysState>();
  if (!state.hotkeys) state.hotkeys = std::make_unique<CHotkeys>();
  return *state.hotkeys;
}

std::wstring CHotkeys::GetRegPath() {
  return Options().GetProfileRegPath() + L"\\Hotkeys";
}

std::shared_ptr<CHotkey> CHotkeys::FindByKeys(int32_t nKeyCode, bool bShift, bool bAlt,
                                              bool bCtrl) const {
  const auto* found = m_colHotkeys.Find(CHotkey::BuildKey(nKeyCode, bCtrl, bAlt, bShift));
  return found ? *found : nullptr;
}

std::shared_ptr<CHotkey> CHotkeys::FindByKey(int32_t nKeyCode) const {
  for (const auto& hotkey : m_colHotkeys)
    if (hotkey->KeyCode == nKeyCode) return hotkey;
  return nullptr;
}

size_t CHotkeys::EntryIdHash::operator()(const std::wstring& sEntryID) const {
  return win32::bytes::HashOfText(sEntryID);
}

std::shared_ptr<CHotkey> CHotkeys::FindByTemplate(const std::wstring& sEntryID,
                                                  int32_t& nIndex) const {
  nIndex = 0;
  if (!m_bIndexed) {
    m_byTemplate.clear();
    int32_t position = 0;
    for (const auto& hotkey : m_colHotkeys)
      m_byTemplate.try_emplace(hotkey->TemplateEntryID, ++position);
    m_bIndexed = true;
  }
  if (m_byTemplate.empty()) return nullptr;  // most users bind no template to a key
  auto found = m_byTemplate.find(sEntryID);
  if (found == m_byTemplate.end()) return nullptr;
  auto hotkey = m_colHotkeys.Item(found->second);
  if (hotkey->TemplateEntryID != sEntryID) return nullptr;
  nIndex = found->second;
  return hotkey;
}

std::shared_ptr<CHotkey> CHotkeys::Add(const std::wstring& sEntryID, int32_t nAction,
                                       int32_t nKeyCode, bool bShift, bool bAlt, bool bCtrl) {
  auto hotkey = std::make_shared<CHotkey>();
  hotkey->TemplateEntryID = sEntryID;
  hotkey->Action = nAction;
  hotkey->KeyCode = nKeyCode;
  hotkey->Shift = bShift;
  hotkey->Alt = bAlt;
  hotkey->Ctrl = bCtrl;
  m_colHotkeys.Add(hotkey, hotkey->BuildKey());
  m_bIndexed = false;
  return hotkey;
}

void CHotkeys::LoadFromReg() {
  m_colHotkeys.Clear();
  m_bIndexed = false;
  const std::wstring key = GetRegPath();
  m_sLoadedKey = key;
  m_bUnread = false;
  CWinReg reg;
  // Refused part way, the bindings not reached would be wiped by the next save: none is kept,
  // and no save is made over them.
  auto refused = [&] {
    if (!reg.Refused()) return false;
    m_colHotkeys.Clear();
    m_bUnread = true;
    LogError(L"CHotkeys::LoadFromReg", 0, L"Hotkeys not read: the registry refused " + key);
    return true;
  };
  if (!reg.InitForRead(CWinReg::HKEY_CURRENT_USER, key)) {
    refused();
    return;
  }
  std::wstring name;
  for (int32_t index = 0; index <= kMaxValueIndex; ++index) {
    CWinReg::Found found = reg.ValueAt(index, name);
    if (found == CWinReg::Found::End) {
      if (refused()) return;
      break;
    }
    if (found == CWinReg::Found::Unreadable || name.empty()) continue;
    const std::wstring text = reg.GetStringValue(name);
    if (refused()) return;
    std::vector<std::wstring> data = vb::Split(text, L",");
    auto hotkey = std::make_shared<CHotkey>();
    bool valid = vb::Catch([&] {
      hotkey->DisplayKeyName(name);
      if (!IsDialogKey(*hotkey)) {
        LogError(L"CHotkeys::LoadFromReg", 0, L"No hotkey the dialog makes: '" + name + L"'");
        vb::Raise(vb::kTypeMismatch);
      }
      hotkey->DisplayActionName2(data[0]);
      if (data.size() < 2) vb::Raise(vb::kSubscriptOutOfRange);
      hotkey->TemplateEntryID = data[1];
    });
    if (!valid) {
      vb::Err().Clear();
      continue;
    }
    // A template the user deleted takes its binding with it, at the next save. One Outlook
    // refused to look up is most likely there: the binding is kept, told, so that the next
    // save does not drop it.
    std::wstring why;
    const Reached reached = TemplateReached(hotkey->TemplateEntryID, why);
    if (reached == Reached::Gone) {
      LogInfo(L"CHotkeys::LoadFromReg", L"Hotkey " + name + L" skipped: its template " +
                                            hotkey->TemplateEntryID + L" is gone");
      continue;
    }
    if (reached == Reached::Refused)
      LogError(L"CHotkeys::LoadFromReg", 0,
               L"Hotkey " + name + L" kept unchecked: its template " + hotkey->TemplateEntryID +
                   L" could not be reached (" + why + L")");
    // A second spelling of a combination already loaded (Alt+Ctrl+R after Ctrl+Alt+R) is
    // dropped on its own; the bindings after it still load, so a later save keeps them.
    Trap(L"CHotkeys::LoadFromReg", [&] { m_colHotkeys.Add(hotkey, hotkey->BuildKey()); });
    m_bIndexed = false;
  }
}

bool CHotkeys::Reread() {
  if (!m_bUnread) return true;
  // What was bound since the refused read goes over what the registry holds, as a save
  // would have put it there: same combination or same template, the newer binding wins.
  std::vector<std::shared_ptr<CHotkey>> since(m_colHotkeys.begin(), m_colHotkeys.end());
  LoadFromReg();
  if (m_bUnread) {
    for (const auto& hotkey : since)
      Trap(L"CHotkeys::Reread", [&] { m_colHotkeys.Add(hotkey, hotkey->BuildKey()); });
    m_bIndexed = false;
    return false;
  }
  for (const auto& hotkey : since) {
    int32_t position = 0;
    while (auto old = FindByTemplate(hotkey->TemplateEntryID, position)) Remove(old->BuildKey());
    if (FindByKeys(hotkey->KeyCode, hotkey->Shift, hotkey->Alt, hotkey->Ctrl))
      Remove(hotkey->BuildKey());
    Trap(L"CHotkeys::Reread", [&] { m_colHotkeys.Add(hotkey, hotkey->BuildKey()); });
    m_bIndexed = false;
  }
  return true;
}

bool CHotkeys::SaveToReg() {
  bool saved = false;
  Trap(L"CHotkeys::SaveToReg", [&] {
    const wchar_t* proc = L"CHotkeys::SaveToReg";
    // A read refused at the start is asked again now: the registry is most likely free again.
    if (!Reread()) {
      const std::wstring key = m_sLoadedKey.empty() ? GetRegPath() : m_sLoadedKey;
      for (const auto& hotkey : m_colHotkeys)
        LogError(proc, 0,
                 L"Hotkeys not saved: they could not be read from " + key + L"; the hotkey " +
                     hotkey->DisplayKeyName() + L" is not kept");
      if (m_colHotkeys.Count() == 0)
        LogError(proc, 0, L"Hotkeys not saved: they could not be read from " + key);
      return;
    }
    const std::wstring key = m_sLoadedKey.empty() ? GetRegPath() : m_sLoadedKey;
    // The bindings are written over the stored ones before the ones removed since are
    // deleted: a refusal part way leaves every binding the registry held before.
    CWinReg reg, readOnly;
    const bool open = reg.InitForAllAccess(CWinReg::HKEY_CURRENT_USER, key, true);
    // A key the user may read but not write (a policy's) still tells what it holds already:
    // a binding stored as it stands is no loss, and a save that changes nothing tells nothing.
    const bool readable = open || readOnly.InitForRead(CWinReg::HKEY_CURRENT_USER, key);
    const CWinReg& look = open ? reg : readOnly;
    bool all = true;
    for (const auto& hotkey : m_colHotkeys) {
      const std::wstring name = hotkey->DisplayKeyName();
      const std::wstring data = hotkey->DisplayActionName2() + L"," + hotkey->TemplateEntryID;
      if (readable && look.HoldsString(name, data)) continue;
      if (!open || !reg.SetStringValue(name, data)) {
        LogNotWritten(proc, key, name, data);
        all = false;
      }
    }
    if (!readable) return;
    // Left standing, a value keeps a binding removed since: it comes back at the next load.
    // Names are one whatever their case, as the registry's are.
    std::vector<std::wstring> stale;
    std::vector<std::shared_ptr<CHotkey>> respelt;
    bool unreadable = false;
    std::wstring name;
    for (int32_t index = 0; index <= kMaxValueIndex; ++index) {
      CWinReg::Found found = look.ValueAt(index, name);
      if (found == CWinReg::Found::End) break;
      if (found == CWinReg::Found::Unreadable) {
        unreadable = true;
        continue;
      }
      std::shared_ptr<CHotkey> bound;
      for (const auto& hotkey : m_colHotkeys)
        if (vb::LCase(hotkey->DisplayKeyName()) == vb::LCase(name)) bound = hotkey;
      if (!bound)
        stale.push_back(name);
      else if (bound->DisplayKeyName() != name)
        respelt.push_back(bound);  // a hand edit's
    }
    if (look.Refused()) {
      LogNotDeleted(proc, key, L"(hotkeys removed since the last save)");
      all = false;
    }
    for (const auto& value : stale)
      if (!open || !reg.DeleteValue(value)) {
        LogNotDeleted(proc, key, value);
        all = false;
      }
    for (const auto& hotkey : respelt) {
      const std::wstring text = hotkey->DisplayKeyName();
      const std::wstring data = hotkey->DisplayActionName2() + L"," + hotkey->TemplateEntryID;
      if (!open || !reg.DeleteValue(text) || !reg.SetStringValue(text, data)) {
        LogNotWritten(proc, key, text, data);
        all = false;
      }
    }
    // A name too long to read cannot be deleted by name: the key goes and is written anew.
    if (unreadable && all && open) {
      reg.CloseKey();
      CWinReg profile;
      const std::wstring parent = key.substr(0, key.rfind(L'\\'));
      if (!profile.InitForAllAccess(CWinReg::HKEY_CURRENT_USER, parent, true) ||
          !profile.DeleteKeyRec(L"Hotkeys"))
        LogNotDeleted(proc, key);
      CWinReg again;
      const bool reopened = again.InitForWrite(CWinReg::HKEY_CURRENT_USER, key, true);
      for (const auto& hotkey : m_colHotkeys) {
        const std::wstring text = hotkey->DisplayKeyName();
        const std::wstring data = hotkey->DisplayActionName2() + L"," + hotkey->TemplateEntryID;
        if (!reopened || !again.SetStringValue(text, data)) {
          LogNotWritten(proc, key, text, data);
          all = false;
        }
      }
    }
    saved = all;
  });
  return saved;
}
