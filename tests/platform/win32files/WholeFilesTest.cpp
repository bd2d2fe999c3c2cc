// Whole-file reads and writes, as attachments and language files use them: every byte comes
// back, names are found without regard to case, and what is missing says so.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/Files.h"

using namespace win32;

namespace {

TEST(WholeFiles, BytesOfEveryValueComeBackAsWrittenUnderAnySpellingOfTheName) {
  files::TempSandbox sandbox;
  std::vector<uint8_t> bytes;
  for (int i = 0; i < 3 * 256; ++i) bytes.push_back(static_cast<uint8_t>(i * 7));
  const std::string_view view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  ASSERT_TRUE(files::WriteAll("C:\\Temp\\TVabc\\Picture \xC4.PNG", view));
  EXPECT_EQ(files::ReadAllBytes("c:\\temp\\tvABC\\picture \xE4.png"), bytes);
  EXPECT_EQ(files::ReadAll("C:\\TEMP\\TVABC\\PICTURE \xC4.PNG"), std::string(view));
  // Written again shorter: nothing of the longer content is left.
  ASSERT_TRUE(files::WriteAll("C:\\temp\\tvabc\\picture \xE4.png", std::string_view("\0x", 2)));
  EXPECT_EQ(files::ReadAllBytes("C:\\Temp\\TVabc\\Picture \xC4.PNG"),
            (std::vector<uint8_t>{0, 'x'}));
  ASSERT_TRUE(files::WriteAll("C:\\Temp\\empty.bin", ""));
  EXPECT_EQ(files::ReadAllBytes("C:\\Temp\\empty.bin"), std::vector<uint8_t>{});
}

TEST(WholeFiles, MissingFilesAndFoldersAreNotRead) {
  files::TempSandbox sandbox;
  ASSERT_TRUE(files::WriteAll("C:\\Temp\\a.txt", "a"));
  for (const char* path : {"C:\\Temp\\b.txt", "C:\\Temp", "C:\\Missing\\a.txt",
                           "C:\\Temp\\a.txt\\inner", "relative.txt"}) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(files::ReadAllBytes(path).has_value());
    EXPECT_FALSE(files::ReadAll(path).has_value());
  }
  // A write below a file fails; a write into missing folders makes them.
  EXPECT_FALSE(files::WriteAll("C:\\Temp\\a.txt\\inner", "x"));
  ASSERT_TRUE(files::WriteAll("C:\\New\\Deeper\\b.txt", "b"));
  EXPECT_EQ(files::ReadAll("c:\\new\\deeper\\B.TXT"), "b");
}

// What cannot be read whole is not read: never an empty or a shortened file, and the last
// error tells why, as the open or the read told it.
TEST(WholeFiles, AFileThatCannotBeReadWholeIsNoFileAndTheErrorSaysWhy) {
  files::TempSandbox sandbox;
  const std::string text(5000, 'x');
  ASSERT_TRUE(files::WriteAll("C:\\In\\closed.doc", text));
  ASSERT_TRUE(files::WriteAll("C:\\In\\cut.doc", text));
  const auto folder = *files::HostPath("C:\\In");
  // No one may read it: refused whoever runs the program, an administrator too.
  std::filesystem::permissions(folder / "closed.doc", std::filesystem::perms::none);
  std::filesystem::create_symlink(folder / "gone.doc", folder / "link.doc");
  struct Case {
    const char* path;
    uint32_t error;
  };
  for (const Case& c : {Case{"C:\\In\\closed.doc", static_cast<uint32_t>(ERROR_ACCESS_DENIED)},
                        Case{"C:\\In\\link.doc", static_cast<uint32_t>(ERROR_FILE_NOT_FOUND)}}) {
    SCOPED_TRACE(c.path);
    SetLastError(0);
    EXPECT_FALSE(files::ReadAll(c.path).has_value());
    EXPECT_EQ(GetLastError(), c.error);
    SetLastError(0);
    EXPECT_FALSE(files::ReadAllBytes(c.path).has_value());
    EXPECT_EQ(GetLastError(), c.error);
    EXPECT_EQ(CreateFileA(c.path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, 0),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), c.error);
  }
  // A read failing part way: nothing, not the part read; the next read is whole again.
  files::FailReadPart(4096, ERROR_READ_FAULT);
  EXPECT_FALSE(files::ReadAll("C:\\In\\cut.doc").has_value());
  EXPECT_EQ(GetLastError(), ERROR_READ_FAULT);
  files::FailReadPart(1, ERROR_READ_FAULT);
  EXPECT_FALSE(files::ReadAllBytes("C:\\In\\cut.doc").has_value());
  EXPECT_EQ(GetLastError(), ERROR_READ_FAULT);
  EXPECT_EQ(files::ReadAll("C:\\In\\cut.doc"), text);
  EXPECT_EQ(GetLastError(), 0u);
  // A file no longer than where the fault lies is read whole before it: no fault is met.
  files::FailReadPart(5000, ERROR_READ_FAULT);
  EXPECT_EQ(files::ReadAll("C:\\In\\cut.doc"), text);
  EXPECT_FALSE(files::ReadAll("C:\\In\\cut.doc\\x").has_value());
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

}  // namespace
