// A name missing under its exact spelling is found in a kept index of its folder's names, not
// by listing the folder: every change, made through the calls or on the host around them, must
// show at once, as a plain listing of the folder shows it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"

using namespace win32;
namespace fs = std::filesystem;

namespace {

std::string Upper(std::string s) {
  for (char& c : s) {
    auto u = static_cast<unsigned char>(c);
    if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7))
      c = static_cast<char>(u - 32);
  }
  return s;
}

// The spellings on the host (ANSI) of the folder's entries that answer to `name`.
std::set<std::string> Listed(const fs::path& dir, const std::string& name) {
  std::set<std::string> found;
  for (const auto& entry : fs::directory_iterator(dir)) {
    std::string ansi = ToAnsi(MultiByteToWide(CP_UTF8, entry.path().filename().string()));
    if (Upper(ansi) == Upper(name)) found.insert(ansi);
  }
  return found;
}

fs::path OnHost(const fs::path& dir, const std::string& ansi) {
  return dir / WideToMultiByte(CP_UTF8, FromAnsi(ansi));
}

TEST(FolderIndex, EveryChangeShowsUnderEverySpellingAsAPlainListingShowsIt) {
  files::TempSandbox sandbox;
  ASSERT_TRUE(CreateDirectoryA("C:\\Box", nullptr));
  const fs::path box = *files::HostPath("C:\\Box");
  // Names that differ only by case, Latin-1 letters among them.
  const std::vector<std::string> pool = {"a.txt",
                                         "Report.doc",
                                         "\xE4rger.htm",
                                         "sub",
                                         "Sub2",
                                         "x",
                                         "long name with spaces.rtf",
                                         "\xC9t\xE9",
                                         "b.TXT",
                                         "c"};
  std::mt19937 random(38);
  auto spelling = [&](const std::string& name) {
    std::string s = name;
    for (char& c : s)
      if (random() % 2) c = Upper(std::string(1, c))[0];
    return s;
  };
  for (int step = 0; step < 300; ++step) {
    const std::string& name = pool[random() % pool.size()];
    const std::string path = "C:\\Box\\" + spelling(name);
    const std::set<std::string> present = Listed(box, name);
    switch (random() % 8) {
      case 0:
        CloseHandle(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, 0));
        break;
      case 1:
        CreateDirectoryA(path.c_str(), nullptr);
        break;
      case 2:
        DeleteFileA(path.c_str());
        break;
      case 3:
        RemoveDirectoryA(path.c_str());
        break;
      case 4:
        files::WriteAll(path, "bytes");
        break;
      case 5:  // another program renames an entry to another spelling
        if (!present.empty()) {
          std::error_code ec;
          fs::rename(OnHost(box, *present.begin()), OnHost(box, spelling(name)), ec);
        }
        break;
      case 6:  // or makes a second spelling beside it (the host tells case apart)
        std::ofstream(OnHost(box, spelling(name))) << "other";
        break;
      default:  // or removes one
        if (!present.empty()) {
          std::error_code ec;
          fs::remove_all(OnHost(box, *present.rbegin()), ec);
        }
        break;
    }
    for (const std::string& each : pool) {
      const std::string asked = "C:\\Box\\" + spelling(each);
      const std::set<std::string> listed = Listed(box, each);
      const bool found = GetFileAttributesA(asked.c_str()) != INVALID_FILE_ATTRIBUTES;
      ASSERT_EQ(found, !listed.empty()) << "step " << step << ": " << asked;
      if (!found) continue;
      char spelt[MAX_PATH] = {};
      ASSERT_GT(GetLongPathNameA(asked.c_str(), spelt, MAX_PATH), 0u);
      EXPECT_TRUE(listed.count(std::string(spelt).substr(7))) << "step " << step << ": " << spelt;
    }
  }
}

TEST(FolderIndex, AFolderMovedOrRemadeUnderItsPathIsLookedIntoAfresh) {
  files::TempSandbox sandbox;
  ASSERT_TRUE(files::WriteAll("C:\\Outer\\Inner\\Kept.txt", "1"));
  EXPECT_EQ(files::ReadAll("C:\\outer\\inner\\KEPT.TXT"), "1");
  const fs::path outer = *files::HostPath("C:\\Outer");
  // Moved away whole, and another folder of the same names made in its place.
  fs::rename(outer, outer.parent_path() / "Moved");
  fs::create_directories(outer / "Inner");
  std::ofstream(outer / "Inner" / "Fresh.txt") << "2";
  EXPECT_EQ(GetFileAttributesA("C:\\OUTER\\INNER\\kept.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(files::ReadAll("C:\\outer\\inner\\FRESH.TXT"), "2");
  EXPECT_EQ(files::ReadAll("C:\\MOVED\\INNER\\kept.TXT"), "1");
  // Removed and made again by the calls.
  ASSERT_TRUE(DeleteFileA("C:\\Outer\\Inner\\fresh.txt"));
  ASSERT_TRUE(RemoveDirectoryA("C:\\Outer\\Inner"));
  ASSERT_TRUE(CreateDirectoryA("C:\\Outer\\INNER", nullptr));
  EXPECT_EQ(GetFileAttributesA("C:\\Outer\\inner\\Fresh.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA("C:\\Outer\\inner"), FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace
