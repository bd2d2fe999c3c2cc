// One open registry key: texts, numbers and yes/no values, enumeration and deletion.
// Failures come back as False, empty text, 0 or the given default; nothing raises. A call
// refused (a key held a moment) is asked up to kHeldTries times, writes and deletions too;
// a writer whose answer is still False tells it with LogNotWritten or LogNotDeleted.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class CWinReg {
 public:
  static constexpr uint32_t HKEY_CLASSES_ROOT = 0x80000000;
  static constexpr uint32_t HKEY_CURRENT_USER = 0x80000001;
  static constexpr uint32_t HKEY_LOCAL_MACHINE = 0x80000002;

  CWinReg() = default;
  ~CWinReg();
  CWinReg(const CWinReg&) = delete;
  CWinReg& operator=(const CWinReg&) = delete;

  bool InitForRead(uint32_t root, const std::wstring& path);
  // The last Init found no such key (rather than being refused).
  bool KeyMissing() const { return m_bKeyMissing; }
  // The last GetDWordValue was refused past every try (its default was no answer of the key's).
  bool ReadRefused() const { return m_bReadRefused; }
  bool InitForWrite(uint32_t root, const std::wstring& path, bool create);
  bool InitForAllAccess(uint32_t root, const std::wstring& path, bool create);
  // Opens (or with `create`, creates with every missing level) the key; a key already held
  // is closed first.
  bool InitForAccess(uint32_t root, const std::wstring& path, uint32_t access, bool create);

  // Name of the value or subkey at `index`, empty past the last one.
  std::wstring Values(int32_t index) const;
  std::wstring Keys(int32_t index) const;

  // What one step of an enumeration found. An empty name (the default value) or one too long
  // to read is not the end: a walk goes on past it, or it loses everything stored after it.
  enum class Found { Name, Unreadable, End };
  Found ValueAt(int32_t index, std::wstring& name) const;
  Found KeyAt(int32_t index, std::wstring& name) const;
  void DeleteAllKeys();
  // Deletions answer True when the value or key is gone, also when it never was: False means
  // it is still there (refused, or a key with subkeys for DeleteKey).
  bool DeleteKeyRec(const std::wstring& name);
  bool CloseKey();

  bool SetStringValue(const std::wstring& name, const std::wstring& text);
  // REG_SZ or REG_EXPAND_SZ (unexpanded) of any length; anything else reads as empty.
  std::wstring GetStringValue(const std::wstring& name) const;
  // Whether the value is what SetStringValue(name, text) would leave: a REG_SZ of the same
  // bytes. A writer that skips values already right writes nothing when nothing changed.
  bool HoldsString(const std::wstring& name, const std::wstring& text) const;
  bool SetDWordValue(const std::wstring& name, int32_t value);
  int32_t GetDWordValue(const std::wstring& name, int32_t defaultValue) const;
  bool SetYesNoValue(const std::wstring& name, bool value);
  bool GetYesNoValue(const std::wstring& name) const;
  bool DeleteValue(const std::wstring& name);
  bool DeleteKey(const std::wstring& name);
  bool FlushKey();

  // The open key's handle (0 when none), usable as the root of another CWinReg.
  uint32_t KeyHandle() const { return m_hKey; }
  // Whether the last opening, enumeration step or text read was refused past kHeldTries, rather
  // than answered (a key or value missing, the end of a walk): a reader of a whole collection that
  // will be saved back has then not read it.
  bool Refused() const { return m_bRefused; }

 private:
  Found Enumerate(int32_t index, bool keys, std::wstring& name) const;

  uint32_t m_hKey = 0;
  mutable bool m_bRefused = false;
  bool m_bKeyMissing = false;
  mutable bool m_bReadRefused = false;
};

// Error-level lines of a write refused past kHeldTries, by the writer that knows what was lost:
// the key's path, the value's name and the text or number it was to hold (line breaks shown
// escaped). An empty name in LogNotDeleted names the key itself.
void LogNotWritten(std::wstring_view procedure, const std::wstring& keyPath,
                   const std::wstring& name, const std::wstring& value);
void LogNotDeleted(std::wstring_view procedure, const std::wstring& keyPath,
                   const std::wstring& name = L"");
