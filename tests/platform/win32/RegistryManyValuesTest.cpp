// A key with many values, deleted and written in any order: names are found whatever their
// case, enumeration keeps the order written with no gap, a rewritten value keeps its place and a
// deleted one that comes back goes last.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/Registry.h"

using namespace win32;

namespace {
std::vector<std::string> Names(HKEY key) {
  std::vector<std::string> names;
  for (DWORD i = 0;; ++i) {
    char name[64];
    DWORD size = sizeof name;
    if (RegEnumValueA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    names.emplace_back(name, size);
  }
  return names;
}
void Set(HKEY key, const std::string& name, const std::string& text) {
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name.c_str(), 0, REG_SZ,
                                          reinterpret_cast<const uint8_t*>(text.c_str()),
                                          static_cast<DWORD>(text.size() + 1)));
}
}  // namespace

TEST(RegistryManyValues, DeletionsAndRewritesKeepTheOrderWritten) {
  HKEY key = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Many", 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &key, nullptr));
  for (int i = 0; i < 1000; ++i) Set(key, "v" + std::to_string(i), "x");
  for (int i = 0; i < 1000; i += 2)
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueA(key, ("V" + std::to_string(i)).c_str()));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueA(key, "v0"));
  auto names = Names(key);
  ASSERT_EQ(500u, names.size());
  EXPECT_EQ("v1", names.front());
  EXPECT_EQ("v999", names.back());
  Set(key, "V3", "rewritten");  // keeps its place and its spelling
  Set(key, "v0", "back");       // goes last
  names = Names(key);
  EXPECT_EQ("v3", names[1]);
  EXPECT_EQ("v0", names.back());
  char data[16];
  DWORD type = 0, size = sizeof data;
  ASSERT_EQ(ERROR_SUCCESS,
            RegQueryValueExA(key, "v3", nullptr, &type, reinterpret_cast<uint8_t*>(data), &size));
  EXPECT_STREQ("rewritten", data);
  size = sizeof data;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND,
            RegQueryValueExA(key, "v2", nullptr, &type, reinterpret_cast<uint8_t*>(data), &size));
  RegCloseKey(key);
}
