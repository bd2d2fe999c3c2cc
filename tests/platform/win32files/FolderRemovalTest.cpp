// Folders made and removed many times over: each making and removal is a real one on the host,
// and what the file calls show afterwards is what a fresh folder shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/win32/Files.h"

using namespace win32;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> Names(const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA(pattern.c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return names;
  do names.push_back(data.cFileName);
  while (FindNextFileA(h, &data));
  FindClose(h);
  return names;
}

std::vector<std::string> HostTree(const fs::path& dir) {
  std::vector<std::string> found;
  for (const auto& entry : fs::recursive_directory_iterator(dir))
    found.push_back(fs::relative(entry.path(), dir).generic_string());
  std::sort(found.begin(), found.end());
  return found;
}

TEST(FolderRemoval, AFolderMadeAfterRemovalsIsEmptyFreshAndAloneOnTheDrive) {
  files::TempSandbox sandbox;
  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(CreateDirectoryA("C:\\Temp\\TV1", nullptr));
    ASSERT_TRUE(files::WriteAll("C:\\Temp\\TV1\\picture.png", "bytes"));
    ASSERT_TRUE(DeleteFileA("C:\\Temp\\TV1\\picture.png"));
    ASSERT_TRUE(RemoveDirectoryA("C:\\Temp\\TV1"));
    EXPECT_EQ(GetFileAttributesA("C:\\Temp\\TV1"), INVALID_FILE_ATTRIBUTES);
  }
  // An old time on a folder that goes: the next folder made must not inherit it.
  ASSERT_TRUE(CreateDirectoryA("C:\\Temp\\Old", nullptr));
  const auto old = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
  fs::last_write_time(sandbox.Path() / "C" / "Temp" / "Old", old);
  ASSERT_TRUE(RemoveDirectoryA("C:\\Temp\\Old"));

  ASSERT_TRUE(CreateDirectoryA("C:\\Temp\\Other Name", nullptr));
  EXPECT_EQ(GetFileAttributesA("C:\\TEMP\\OTHER NAME"), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(Names("C:\\Temp\\other name\\*"), (std::vector<std::string>{".", ".."}));
  EXPECT_EQ(Names("C:\\*"), std::vector<std::string>{"Temp"});
  EXPECT_EQ(HostTree(sandbox.Path() / "C"), (std::vector<std::string>{"Temp", "Temp/Other Name"}));
  const auto made = fs::last_write_time(sandbox.Path() / "C" / "Temp" / "Other Name");
  EXPECT_GT(made, fs::file_time_type::clock::now() - std::chrono::hours(1));
  // It behaves as any folder: it refuses a second making and its removal while it holds a file.
  EXPECT_FALSE(CreateDirectoryA("C:\\Temp\\other name", nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(files::WriteAll("C:\\Temp\\Other Name\\f.txt", "x"));
  EXPECT_FALSE(RemoveDirectoryA("C:\\Temp\\Other Name"));
  EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
}

TEST(FolderRemoval, ManyFoldersGoAndComeBackAndNoneIsLeftOnTheHost) {
  files::TempSandbox sandbox;
  constexpr int kFolders = 24;
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < kFolders; ++i)
      ASSERT_TRUE(CreateDirectoryA(("C:\\Temp\\F" + std::to_string(i)).c_str(), nullptr)) << i;
    EXPECT_EQ(Names("C:\\Temp\\*").size(), kFolders + 2u);
    for (int i = 0; i < kFolders; ++i)
      ASSERT_TRUE(RemoveDirectoryA(("C:\\Temp\\F" + std::to_string(i)).c_str())) << i;
    EXPECT_EQ(Names("C:\\Temp\\*"), (std::vector<std::string>{".", ".."}));
  }
  // A removal is a removal: nothing kept anywhere below the sandbox.
  EXPECT_EQ(HostTree(sandbox.Path()), (std::vector<std::string>{"C", "C/Temp"}));
}

}  // namespace
