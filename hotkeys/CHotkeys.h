// The hotkeys of the current profile: one binding per key combination, kept under the
// per-profile registry key "Hotkeys" as one text value per binding (key text = action name
// "," template EntryID).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "hotkeys/CHotkey.h"
#include "platform/vb/Collection.h"

class CHotkeys {
 public:
  // The binding of exactly this combination, or null.
  std::shared_ptr<CHotkey> FindByKeys(int32_t nKeyCode, bool bShift, bool bAlt, bool bCtrl) const;
  // The first binding of this letter whatever its modifiers, or null.
  std::shared_ptr<CHotkey> FindByKey(int32_t nKeyCode) const;
  // The first binding of the template and its position from 1; null and 0 when none.
  std::shared_ptr<CHotkey> FindByTemplate(const std::wstring& sEntryID, int32_t& nIndex) const;
  // Stores a new binding under its collection key; a combination already bound raises 457.
  std::shared_ptr<CHotkey> Add(const std::wstring& sEntryID, int32_t nAction, int32_t nKeyCode,
                               bool bShift, bool bAlt, bool bCtrl);
  std::shared_ptr<CHotkey> Item(int32_t position) const { return m_colHotkeys.Item(position); }
  std::shared_ptr<CHotkey> Item(const std::wstring& key) const { return m_colHotkeys.Item(key); }
  int32_t Count() const { return m_colHotkeys.Count(); }
  void Remove(int32_t position) {
    m_colHotkeys.Remove(position);
    m_bIndexed = false;
  }
  void Remove(const std::wstring& key) {
    m_colHotkeys.Remove(key);
    m_bIndexed = false;
  }
  auto begin() const { return m_colHotkeys.begin(); }
  auto end() const { return m_colHotkeys.end(); }

  // Replaces the collection by the bindings stored in the registry. A value that does not
  // parse, names a vanished template or repeats a combination is skipped on its own.
  void LoadFromReg();
  // Rewrites the registry subkey from the collection: the one it was loaded from, when loaded.
  // After a refused load, the registry is read again first and the bindings made since go
  // over it; still refused, nothing is written. False, logged by key, when not all was saved.
  bool SaveToReg();
  // A load the registry refused is made again (keeping the bindings made since); False when
  // it is still refused.
  bool Reread();
  bool Unread() const { return m_bUnread; }

  static std::wstring GetRegPath();

 private:
  vb::Collection<std::shared_ptr<CHotkey>> m_colHotkeys;
  // Read without the profile's key, the bindings came from the user's own key: saved to the
  // profile's, found again meanwhile, they would replace every binding stored there.
  std::wstring m_sLoadedKey;
  bool m_bUnread = false;  // the last load was refused: a save would wipe what it did not read
  // EntryIDs are long and alike: hashed eight bytes a step.
  struct EntryIdHash {
    size_t operator()(const std::wstring& sEntryID) const;
  };
  // Template EntryID -> position of its first binding, made when first asked after a change:
  // the template picker asks for every template it shows.
  mutable std::unordered_map<std::wstring, int32_t, EntryIdHash> m_byTemplate;
  mutable bool m_bIndexed = false;
};

// The process-wide hotkeys, made on first use.
CHotkeys& Hotkeys();
