// The application settings store: texts under the runtime's own key, defaults when missing.
#include <gtest/gtest.h>

#include "platform/vb/Error.h"
#include "platform/vb/Settings.h"
#include "platform/win32/Registry.h"

namespace {

TEST(Settings, SavedTextsComeBackUnderTheRuntimesKey) {
  EXPECT_EQ(vb::GetSetting(L"Tanvelo", L"frmSelectTemplate", L"ClientWidth", L"5205"), L"5205");
  vb::SaveSetting(L"Tanvelo", L"frmSelectTemplate", L"ClientWidth", L"7000");
  vb::SaveSetting(L"Tanvelo", L"frmSelectTemplate", L"Note", L"caf\u00e9");
  EXPECT_EQ(vb::GetSetting(L"tanvelo", L"FRMSELECTTEMPLATE", L"clientwidth", L"5205"), L"7000");
  EXPECT_EQ(vb::GetSetting(L"Tanvelo", L"frmSelectTemplate", L"Note"), L"caf\u00e9");
  EXPECT_EQ(vb::GetSetting(L"Tanvelo", L"Other", L"ClientWidth", L"x"), L"x");

  win32::HKEY key = 0;
  ASSERT_EQ(
      win32::RegOpenKeyExA(win32::HKEY_CURRENT_USER,
                           "Software\\VB and VBA Program Settings\\Tanvelo\\frmSelectTemplate", 0,
                           win32::KEY_READ, &key),
      win32::ERROR_SUCCESS);
  win32::DWORD type = 0, size = 0;
  EXPECT_EQ(win32::RegQueryValueExA(key, "ClientWidth", nullptr, &type, nullptr, &size),
            win32::ERROR_SUCCESS);
  EXPECT_EQ(type, win32::REG_SZ);
  EXPECT_EQ(size, 5u);
  win32::RegCloseKey(key);
}

TEST(Settings, AValueOfAnotherTypeReadsAsMissing) {
  win32::HKEY key = 0;
  ASSERT_EQ(win32::RegCreateKeyExA(win32::HKEY_CURRENT_USER,
                                   "Software\\VB and VBA Program Settings\\App\\Sec", 0, nullptr, 0,
                                   win32::KEY_WRITE, nullptr, &key, nullptr),
            win32::ERROR_SUCCESS);
  uint32_t n = 7;
  win32::RegSetValueExA(key, "N", 0, 4, reinterpret_cast<const uint8_t*>(&n), 4);
  win32::RegCloseKey(key);
  EXPECT_EQ(vb::GetSetting(L"App", L"Sec", L"N", L"d"), L"d");
}

}  // namespace
