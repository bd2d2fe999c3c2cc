#include <gtest/gtest.h>

#include <string>

#include "platform/win32/Handles.h"
#include "platform/win32/Registry.h"
#include "platform/win32/Reset.h"
#include "platform/win32/Resources.h"

using namespace win32;

TEST(Reset, ResetPlatformForgetsRegistryAndHandles) {
  HKEY key = 0;
  RegCreateKeyExA(HKEY_CURRENT_USER, "Left", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  uint32_t h = AllocHandle(std::string("x"));
  ResetPlatform();
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, "Left", 0, KEY_READ, &key));
  EXPECT_EQ(nullptr, LookupHandle(h));
  EXPECT_EQ(0u, registry::OpenHandleCount());
}

TEST(Handles, MapBackToTheirValueUntilFreed) {
  int value = 7;
  uint32_t h = AllocHandle(&value);
  ASSERT_NE(0u, h);
  EXPECT_EQ(&value, *HandleAs<int*>(h));
  EXPECT_EQ(nullptr, HandleAs<long*>(h));  // another type is not a match
  FreeHandle(h);
  EXPECT_EQ(nullptr, LookupHandle(h));
  EXPECT_EQ(nullptr, LookupHandle(0));
}

TEST(Resources, StringsAreCutToTheBufferAndMissingOnesAnswerZero) {
  resources::AddString(5, 602, L"Norvane");
  char buffer[5];
  EXPECT_EQ(4, LoadStringA(5, 602, buffer, sizeof buffer));
  EXPECT_STREQ("Norv", buffer);
  EXPECT_EQ(0, LoadStringA(5, 603, buffer, sizeof buffer));
  EXPECT_EQ(0, LoadStringA(6, 602, buffer, sizeof buffer));
  resources::AddData(5, "bitmap", "CmdReply", {1, 2});
  ASSERT_NE(nullptr, resources::FindData(5, "BITMAP", "CMDREPLY"));
  EXPECT_EQ(nullptr, resources::FindData(5, "ICON", "CMDREPLY"));
}
