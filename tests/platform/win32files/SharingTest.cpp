#include <gtest/gtest.h>

#include "platform/win32/Files.h"

using namespace win32;

namespace {

struct Sandboxed : testing::Test {
  files::TempSandbox sandbox;
  void SetUp() override { ASSERT_TRUE(files::WriteAll("C:\\Docs\\Offer.doc", "content")); }
};

HANDLE Open(uint32_t access, uint32_t share, uint32_t disposition = OPEN_EXISTING) {
  return CreateFileA("C:\\Docs\\Offer.doc", access, share, nullptr, disposition, 0, 0);
}

}  // namespace

TEST_F(Sandboxed, AnotherProgramsOpenFileRefusesWhatItsSharingDoesNotAllow) {
  uint32_t hold =
      files::HoldOpen("C:\\docs\\offer.DOC", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ);
  ASSERT_NE(hold, 0u);
  // Exclusive use and writing are refused, and so is deleting or overwriting.
  EXPECT_EQ(Open(GENERIC_READ, 0), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(Open(GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(DeleteFileA("C:\\Docs\\Offer.doc"));
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(Open(GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, CREATE_ALWAYS),
            INVALID_HANDLE_VALUE);
  // Reading while sharing its writing is what another reader may do.
  HANDLE reader = Open(GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
  EXPECT_NE(reader, INVALID_HANDLE_VALUE);
  CloseHandle(reader);
  files::ReleaseHold(hold);
  HANDLE alone = Open(GENERIC_READ, 0);
  EXPECT_NE(alone, INVALID_HANDLE_VALUE);
  CloseHandle(alone);
  EXPECT_EQ(files::HoldOpen("C:\\Docs\\Missing.doc", GENERIC_READ, 0), 0u);
}

TEST_F(Sandboxed, AReadOnlyFileReadsButRefusesWritesAndDeletion) {
  ASSERT_TRUE(SetFileAttributesA("C:\\Docs\\Offer.doc", FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(GetFileAttributesA("C:\\Docs\\Offer.doc"),
            FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);
  HANDLE reader = Open(GENERIC_READ, 0);
  EXPECT_NE(reader, INVALID_HANDLE_VALUE);
  CloseHandle(reader);
  EXPECT_EQ(Open(GENERIC_WRITE, 0), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<uint32_t>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(DeleteFileA("C:\\Docs\\Offer.doc"));
  EXPECT_EQ(*files::ReadAll("C:\\Docs\\Offer.doc"), "content");
  ASSERT_TRUE(SetFileAttributesA("C:\\Docs\\Offer.doc", FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(DeleteFileA("C:\\Docs\\Offer.doc"));
  EXPECT_EQ(GetFileAttributesA("C:\\Docs\\Offer.doc"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA("C:\\Docs"), FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(Sandboxed, LongPathNamesSpellEachPartAsOnDiskAndAskForRoomWhenShort) {
  ASSERT_TRUE(
      files::WriteAll("C:\\Docs\\A rather long folder name for the test\\Picture.png", "x"));
  const char* asked = "C:\\docs\\a RATHER long folder name for the test\\picture.PNG";
  std::string expected = "C:\\Docs\\A rather long folder name for the test\\Picture.png";
  char small[10];
  uint32_t need = GetLongPathNameA(asked, small, sizeof(small));
  EXPECT_EQ(need, expected.size() + 1);
  std::string buffer(need, '\0');
  EXPECT_EQ(GetLongPathNameA(asked, buffer.data(), need), expected.size());
  EXPECT_EQ(std::string(buffer.c_str()), expected);
  EXPECT_EQ(GetLongPathNameA("C:\\Docs\\Nothing.png", buffer.data(), need), 0u);
  EXPECT_EQ(GetLastError(), static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(GetLongPathNameA("relative\\x.png", buffer.data(), need), 0u);
}
