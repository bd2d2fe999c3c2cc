// Attachments saved and added by path go through the simulated disk once the host binds them.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/addin/AttachmentDisk.h"
#include "platform/outlook/Files.h"
#include "platform/win32/Files.h"

namespace {

class AttachmentDisk : public testing::Test {
 protected:
  void SetUp() override { addinhost::BindAttachmentsToDisk(); }
  void TearDown() override { outlook::files::Bind(nullptr, nullptr); }
  win32::files::TempSandbox sandbox;
};

TEST_F(AttachmentDisk, WritesAndReadsTheSandboxedFiles) {
  ASSERT_TRUE(outlook::files::Write(L"C:\\Temp\\a.bin", {1, 2, 3}));
  EXPECT_EQ(std::string("\x01\x02\x03"), win32::files::ReadAll("C:\\Temp\\a.bin"));
  ASSERT_TRUE(win32::files::WriteAll("C:\\Temp\\b.txt", "hello"));
  EXPECT_EQ(outlook::files::Bytes({'h', 'e', 'l', 'l', 'o'}),
            outlook::files::Read(L"C:\\Temp\\b.txt"));
  EXPECT_FALSE(outlook::files::Read(L"C:\\Temp\\missing.txt"));
}

// An attachment is never added empty or cut short: what cannot be read whole is not read.
TEST_F(AttachmentDisk, AFileThatCannotBeReadWholeIsNotRead) {
  ASSERT_TRUE(win32::files::WriteAll("C:\\Temp\\closed.bin", "secret"));
  std::filesystem::permissions(*win32::files::HostPath("C:\\Temp\\closed.bin"),
                               std::filesystem::perms::none);
  EXPECT_FALSE(outlook::files::Read(L"C:\\Temp\\closed.bin"));
  ASSERT_TRUE(win32::files::WriteAll("C:\\Temp\\picture.png", std::string(3000, 'p')));
  win32::files::FailReadPart(1000, win32::ERROR_READ_FAULT);
  EXPECT_FALSE(outlook::files::Read(L"C:\\Temp\\picture.png"));
  EXPECT_EQ(outlook::files::Read(L"C:\\Temp\\picture.png")->size(), 3000u);
}

TEST_F(AttachmentDisk, PathsOutsideTheSandboxAreNeitherWrittenNorRead) {
  EXPECT_FALSE(outlook::files::Write(L"a.bin", {1}));
  EXPECT_FALSE(outlook::files::Read(L"a.bin"));
}

}  // namespace
