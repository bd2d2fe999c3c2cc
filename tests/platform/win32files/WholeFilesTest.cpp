// Whole-file reads and writes, as attachments and language files use them: every byte comes
// back, names are found without regard to case, and what is missing says so.
#include <gtest/gtest.h>

#include <cstdint>
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

}  // namespace
