#include "platform/vb/Settings.h"

#include <vector>

#include "platform/vb/Error.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Registry.h"

namespace vb {
namespace {
std::string KeyPath(const std::wstring& appName, const std::wstring& section) {
  return "Software\\VB and VBA Program Settings\\" + win32::ToAnsi(appName) + "\\" +
         win32::ToAnsi(section);
}
}  // namespace

std::wstring GetSetting(const std::wstring& appName, const std::wstring& section,
                        const std::wstring& key, const std::wstring& defaultValue) {
  win32::HKEY hkey = 0;
  if (win32::RegOpenKeyExA(win32::HKEY_CURRENT_USER, KeyPath(appName, section).c_str(), 0,
                           win32::KEY_READ, &hkey) != win32::ERROR_SUCCESS)
    return defaultValue;
  std::string name = win32::ToAnsi(key);
  win32::DWORD type = 0, size = 0;
  std::wstring result = defaultValue;
  if (win32::RegQueryValueExA(hkey, name.c_str(), nullptr, &type, nullptr, &size) ==
          win32::ERROR_SUCCESS &&
      type == win32::REG_SZ) {
    std::vector<uint8_t> data(size + 1, 0);
    if (win32::RegQueryValueExA(hkey, name.c_str(), nullptr, &type, data.data(), &size) ==
        win32::ERROR_SUCCESS)
      result = win32::FromAnsi(reinterpret_cast<const char*>(data.data()));
  }
  win32::RegCloseKey(hkey);
  return result;
}

void SaveSetting(const std::wstring& appName, const std::wstring& section, const std::wstring& key,
                 const std::wstring& setting) {
  win32::HKEY hkey = 0;
  if (win32::RegCreateKeyExA(win32::HKEY_CURRENT_USER, KeyPath(appName, section).c_str(), 0,
                             nullptr, 0, win32::KEY_WRITE, nullptr, &hkey,
                             nullptr) != win32::ERROR_SUCCESS)
    Raise(kInvalidProcedureCall);
  std::string data = win32::ToAnsi(setting);
  win32::LONG rc = win32::RegSetValueExA(hkey, win32::ToAnsi(key).c_str(), 0, win32::REG_SZ,
                                         reinterpret_cast<const uint8_t*>(data.c_str()),
                                         static_cast<win32::DWORD>(data.size() + 1));
  win32::RegCloseKey(hkey);
  if (rc != win32::ERROR_SUCCESS) Raise(kInvalidProcedureCall);
}

}  // namespace vb
