#include "core/CWinReg.h"

#include <cstring>
#include <vector>

#include "core/Main.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/Bytes.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Registry.h"

using namespace win32;

namespace {
constexpr uint32_t kAccessRead = 0x20019;
constexpr uint32_t kAccessWrite = 0x2001F;
constexpr uint32_t kAccessAll = 0xF003F;
constexpr DWORD kNameBuffer = 255;

// A call refused (not answered "missing") is asked again while the key may be held a moment:
// a reader that took a refusal for a missing value would put defaults in the user's settings,
// and a write refused once would lose them.
template <class Call>
LONG Asked(Call call) {
  LONG rc = call();
  for (int attempt = 1; attempt < kHeldTries && rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND &&
                        rc != ERROR_MORE_DATA && rc != ERROR_NO_MORE_ITEMS;
       ++attempt)
    rc = call();
  return rc;
}
}  // namespace

CWinReg::~CWinReg() {
  CloseKey();
}

bool CWinReg::InitForRead(uint32_t root, const std::wstring& path) {
  return InitForAccess(root, path, kAccessRead, false);
}

bool CWinReg::InitForWrite(uint32_t root, const std::wstring& path, bool create) {
  return InitForAccess(root, path, kAccessWrite, create);
}

bool CWinReg::InitForAllAccess(uint32_t root, const std::wstring& path, bool create) {
  return InitForAccess(root, path, kAccessAll, create);
}

bool CWinReg::InitForAccess(uint32_t root, const std::wstring& path, uint32_t access, bool create) {
  CloseKey();
  std::string ansiPath = ToAnsi(path);
  HKEY key = 0;
  auto open = [&] {
    return create ? RegCreateKeyExA(root, ansiPath.c_str(), 0, nullptr, 0, access, nullptr, &key,
                                    nullptr)
                  : RegOpenKeyExA(root, ansiPath.c_str(), 0, access, &key);
  };
  LONG rc = Asked(open);
  m_hKey = rc == ERROR_SUCCESS ? key : 0;
  m_bRefused = rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND;
  m_bKeyMissing = rc == ERROR_FILE_NOT_FOUND;
  return rc == ERROR_SUCCESS;
}

CWinReg::Found CWinReg::Enumerate(int32_t index, bool keys, std::wstring& name) const {
  name.clear();
  if (index < 0) return Found::End;
  char buffer[kNameBuffer + 1] = {};
  DWORD length = kNameBuffer;
  // A walk cut short by a refusal would drop what it had not reached yet: hotkeys and usage
  // records saved back after it would lose them.
  LONG rc = Asked([&] {
    length = kNameBuffer;
    return keys ? RegEnumKeyExA(m_hKey, static_cast<DWORD>(index), buffer, &length, nullptr,
                                nullptr, nullptr, nullptr)
                : RegEnumValueA(m_hKey, static_cast<DWORD>(index), buffer, &length, nullptr,
                                nullptr, nullptr, nullptr);
  });
  m_bRefused = rc != ERROR_SUCCESS && rc != ERROR_NO_MORE_ITEMS && rc != ERROR_MORE_DATA;
  if (rc == ERROR_NO_MORE_ITEMS) return Found::End;
  if (rc == ERROR_MORE_DATA) {
    LogWarning(keys ? L"CWinReg::Keys" : L"CWinReg::Values",
               L"Name too long at index " + std::to_wstring(index) + L", skipped", 2);
    return Found::Unreadable;
  }
  if (rc != ERROR_SUCCESS) {
    // A key gone or a handle refused: the walk cannot go on. Refused past kHeldTries, what it
    // did not reach is not seen by a writer walking to tidy up: told as an error.
    const wchar_t* proc = keys ? L"CWinReg::Keys" : L"CWinReg::Values";
    std::wstring text = L"Enumeration stopped at index " + std::to_wstring(index) + L", result " +
                        std::to_wstring(rc);
    if (rc == ERROR_ACCESS_DENIED)
      LogError(proc, rc, text);
    else
      LogWarning(proc, text, 2);
    return Found::End;
  }
  name = FromAnsi(std::string_view(buffer, length));
  return Found::Name;
}

std::wstring CWinReg::Values(int32_t index) const {
  std::wstring name;
  Enumerate(index, false, name);
  return name;
}
std::wstring CWinReg::Keys(int32_t index) const {
  std::wstring name;
  Enumerate(index, true, name);
  return name;
}
CWinReg::Found CWinReg::ValueAt(int32_t index, std::wstring& name) const {
  return Enumerate(index, false, name);
}
CWinReg::Found CWinReg::KeyAt(int32_t index, std::wstring& name) const {
  return Enumerate(index, true, name);
}

void CWinReg::DeleteAllKeys() {
  std::vector<std::wstring> names;
  std::wstring name;
  for (int32_t i = 0;; ++i) {
    Found found = KeyAt(i, name);
    if (found == Found::End) break;
    if (found == Found::Name && !name.empty()) names.push_back(name);
  }
  for (const auto& name : names) {
    CWinReg sub;
    if (sub.InitForAllAccess(m_hKey, name, false)) {
      sub.DeleteAllKeys();
      sub.CloseKey();
    }
    DeleteKey(name);
  }
}

bool CWinReg::DeleteKeyRec(const std::wstring& name) {
  CWinReg sub;
  if (sub.InitForAllAccess(m_hKey, name, false)) {
    sub.DeleteAllKeys();
    sub.CloseKey();
  }
  return DeleteKey(name);
}

bool CWinReg::CloseKey() {
  if (m_hKey == 0) return true;
  LONG rc = RegCloseKey(m_hKey);
  m_hKey = 0;
  return rc == ERROR_SUCCESS;
}

bool CWinReg::SetStringValue(const std::wstring& name, const std::wstring& text) {
  if (m_hKey == 0) return false;
  std::string ansiName = ToAnsi(name);
  std::string data = ToAnsi(text);  // its size counts bytes, whatever the code page
  return Asked([&] {
           return RegSetValueExA(m_hKey, ansiName.c_str(), 0, REG_SZ,
                                 reinterpret_cast<const uint8_t*>(data.data()),
                                 static_cast<DWORD>(data.size()));
         }) == ERROR_SUCCESS;
}

std::wstring CWinReg::GetStringValue(const std::wstring& name) const {
  if (m_hKey == 0) return L"";
  std::string ansiName = ToAnsi(name);
  DWORD type = 0, size = 0;
  auto answered = [this](LONG rc) {
    m_bRefused = rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND;
    return rc == ERROR_SUCCESS;
  };
  // Ask for the size first, so stored texts of any length read back whole.
  if (!answered(Asked([&] {
        return RegQueryValueExA(m_hKey, ansiName.c_str(), nullptr, &type, nullptr, &size);
      })))
    return L"";
  if (type != REG_SZ && type != REG_EXPAND_SZ) return L"";
  std::vector<uint8_t> buffer(size + 1);
  if (!answered(Asked([&] {
        return RegQueryValueExA(m_hKey, ansiName.c_str(), nullptr, &type, buffer.data(), &size);
      })))
    return L"";
  if (size == 0) return L"";
  std::string data(reinterpret_cast<const char*>(buffer.data()), size - 1);
  // Data written without a terminator by another program keep their last byte.
  if (buffer[size - 1] != 0) data.push_back(static_cast<char>(buffer[size - 1]));
  return FromAnsi(data);
}

bool CWinReg::HoldsString(const std::wstring& name, const std::wstring& text) const {
  if (m_hKey == 0) return false;
  std::string ansiName = ToAnsi(name), want = ToAnsi(text);
  want.push_back('\0');  // as RegSetValueExA stores a REG_SZ
  std::vector<uint8_t> buffer(want.size() + 1);
  DWORD type = 0, size = static_cast<DWORD>(buffer.size());
  // A buffer one byte longer than the text: a longer value answers ERROR_MORE_DATA.
  return RegQueryValueExA(m_hKey, ansiName.c_str(), nullptr, &type, buffer.data(), &size) ==
             ERROR_SUCCESS &&
         type == REG_SZ && size == want.size() &&
         std::memcmp(buffer.data(), want.data(), want.size()) == 0;
}

bool CWinReg::SetDWordValue(const std::wstring& name, int32_t value) {
  if (m_hKey == 0) return false;
  auto bits = static_cast<uint32_t>(value);
  uint8_t data[4] = {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8),
                     static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 24)};
  std::string ansiName = ToAnsi(name);
  return Asked([&] { return RegSetValueExA(m_hKey, ansiName.c_str(), 0, REG_DWORD, data, 4); }) ==
         ERROR_SUCCESS;
}

int32_t CWinReg::GetDWordValue(const std::wstring& name, int32_t defaultValue) const {
  if (m_hKey == 0) return 0;
  uint8_t data[4] = {};
  DWORD type = 0, size = 4;
  auto query = [&] {
    size = 4;
    return RegQueryValueExA(m_hKey, ToAnsi(name).c_str(), nullptr, &type, data, &size);
  };
  LONG rc = Asked(query);
  m_bReadRefused = rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND && rc != ERROR_MORE_DATA;
  if (rc != ERROR_SUCCESS || type != REG_DWORD || size != 4) return defaultValue;
  return static_cast<int32_t>(win32::bytes::Get32(data, sizeof data, 0));
}

bool CWinReg::SetYesNoValue(const std::wstring& name, bool value) {
  return SetStringValue(name, value ? L"yes" : L"no");
}

bool CWinReg::GetYesNoValue(const std::wstring& name) const {
  return vb::LCase(GetStringValue(name)) == L"yes";
}

bool CWinReg::DeleteValue(const std::wstring& name) {
  if (m_hKey == 0) return false;
  std::string ansiName = ToAnsi(name);
  LONG rc = Asked([&] { return RegDeleteValueA(m_hKey, ansiName.c_str()); });
  return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

bool CWinReg::DeleteKey(const std::wstring& name) {
  if (m_hKey == 0) return false;
  std::string ansiName = ToAnsi(name);
  LONG rc = Asked([&] { return RegDeleteKeyA(m_hKey, ansiName.c_str()); });
  return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

bool CWinReg::FlushKey() {
  return RegFlushKey(m_hKey) == ERROR_SUCCESS;
}

namespace {
// A log line stays one line: values such as usage records hold line breaks.
std::wstring Shown(const std::wstring& text) {
  static constexpr wchar_t kHex[] = L"0123456789ABCDEF";
  std::wstring out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    if (c == L'\r') {
      out += L"\\r";
    } else if (c == L'\n') {
      out += L"\\n";
    } else if (c < 0x20 || c == 0x7F) {
      out += L"\\x";
      out += kHex[(c >> 4) & 15];
      out += kHex[c & 15];
    } else {
      out += c;
    }
  }
  return out;
}
}  // namespace

void LogNotWritten(std::wstring_view procedure, const std::wstring& keyPath,
                   const std::wstring& name, const std::wstring& value) {
  LogError(procedure, 0,
           L"Registry value not written: " + keyPath + L" \"" + name + L"\" = \"" + Shown(value) +
               L"\"");
}

void LogNotDeleted(std::wstring_view procedure, const std::wstring& keyPath,
                   const std::wstring& name) {
  LogError(procedure, 0,
           L"Registry " + std::wstring(name.empty() ? L"key" : L"value") + L" not deleted: " +
               keyPath + (name.empty() ? L"" : L" \"" + name + L"\""));
}
