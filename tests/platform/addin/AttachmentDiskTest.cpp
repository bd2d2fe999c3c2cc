// Attachments saved and added by path go through the simulated disk once the host binds them.
#include <gtest/gtest.h>

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

TEST_F(AttachmentDisk, PathsOutsideTheSandboxAreNeitherWrittenNorRead) {
  EXPECT_FALSE(outlook::files::Write(L"a.bin", {1}));
  EXPECT_FALSE(outlook::files::Read(L"a.bin"));
}

}  // namespace
