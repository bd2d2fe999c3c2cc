// The file helpers: directories, the directory maker, listings and file times.
#include "LangTestUtil.h"
#include "core/mFileUtils.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Faults.h"

using namespace langtest;
using namespace mFileUtils;

namespace {

class FileUtils : public LangTest {};

TEST_F(FileUtils, DirExistsOnlyForDirectories) {
  ASSERT_TRUE(win32::files::WriteAll("C:\\data\\file.txt", "x"));
  ASSERT_TRUE(win32::CreateDirectoryA("C:\\data\\empty", nullptr));
  struct Case {
    const wchar_t* path;
    bool exists;
  } cases[] = {{L"C:\\data\\empty", true},     {L"c:\\DATA", true},     {L"C:", true},
               {L"C:\\data\\file.txt", false}, {L"C:\\missing", false}, {L"D:", false}};
  for (const auto& c : cases) EXPECT_EQ(DirExists(c.path), c.exists) << Ansi(c.path);
}

TEST_F(FileUtils, MakeDirPathCreatesEveryMissingLevel) {
  EXPECT_TRUE(MakeDirPath(L"C:/one/two/three"));
  EXPECT_TRUE(DirExists(L"C:\\one\\two\\three"));
  EXPECT_TRUE(MakeDirPath(L"C:\\one\\two\\three"));  // existing: nothing to do

  EXPECT_TRUE(MakeDirPath(L"C:\\trail\\ing\\"));
  EXPECT_TRUE(DirExists(L"C:\\trail\\ing"));

  ASSERT_TRUE(win32::files::WriteAll("C:\\blocked", "a file in the way"));
  EXPECT_FALSE(MakeDirPath(L"C:\\blocked\\sub"));

  // No drive letter: not built level by level.
  EXPECT_FALSE(MakeDirPath(L"\\\\server\\share\\a\\b"));
  EXPECT_FALSE(std::filesystem::exists(sandbox.Path() / "UNC"));
  EXPECT_FALSE(MakeDirPath(L"X:"));
  EXPECT_FALSE(MakeDirPath(L"Q:\\x"));
}

TEST_F(FileUtils, ListingsGiveFullPathsOfFilesOrSubdirectories) {
  for (const char* f : {"C:\\L\\b.doc", "C:\\L\\A.doc", "C:\\L\\..x\\in.doc", "C:\\L\\sub\\in.doc"})
    ASSERT_TRUE(win32::files::WriteAll(f, ""));
  ASSERT_TRUE(win32::CreateDirectoryA("C:\\E", nullptr));
  EXPECT_EQ(EnumFiles(L"C:\\L"), (std::vector<std::wstring>{L"C:\\L\\A.doc", L"C:\\L\\b.doc"}));
  EXPECT_EQ(EnumDirs(L"C:\\L"), (std::vector<std::wstring>{L"C:\\L\\..x", L"C:\\L\\sub"}));
  for (const wchar_t* dir : {L"C:\\E", L"C:\\missing"}) {
    EXPECT_EQ(EnumFiles(dir), std::vector<std::wstring>{});
    EXPECT_EQ(EnumDirs(dir), std::vector<std::wstring>{});
  }
  EXPECT_EQ(win32::files::OpenHandleCount(), 0u);
}

// A folder typed with its closing backslash (a drive's root) names its files with one.
TEST_F(FileUtils, AFolderGivenWithItsTrailingBackslashNamesItsFilesWithOne) {
  ASSERT_TRUE(win32::files::WriteAll("C:\\L\\a.doc", ""));
  for (const wchar_t* folder : {L"C:\\L\\", L"C:\\L"})
    EXPECT_EQ(EnumFiles(folder), std::vector<std::wstring>{L"C:\\L\\a.doc"}) << folder;
  auto dirs = EnumDirs(L"C:\\");
  ASSERT_TRUE(dirs);
  EXPECT_NE(std::find(dirs->begin(), dirs->end(), L"C:\\L"), dirs->end());
}

TEST_F(FileUtils, ModificationTimeIsLocalAndDropsMilliseconds) {
  win32::clock::SetLocalStart(win32::SYSTEMTIME{2010, 6, 2, 1, 14, 5, 7, 900});
  ASSERT_TRUE(win32::files::WriteAll("C:\\t.txt", "x"));
  DateTime t{1, 1, 1, 1, 1, 1};
  ASSERT_TRUE(GetFileLastModificationTime(L"C:\\T.TXT", t));
  EXPECT_EQ(t, (DateTime{2010, 6, 1, 14, 5, 7}));

  DateTime untouched{1, 2, 3, 4, 5, 6};
  EXPECT_FALSE(GetFileLastModificationTime(L"C:\\none.txt", untouched));
  EXPECT_EQ(untouched, (DateTime{1, 2, 3, 4, 5, 6}));
  EXPECT_TRUE(support::library::Log().empty()) << "a missing file is no error";
  EXPECT_EQ(win32::files::OpenHandleCount(), 0u);
}

TEST_F(FileUtils, AFailingTimeQueryIsLoggedAndAnswersFalse) {
  ASSERT_TRUE(win32::files::WriteAll("C:\\t.txt", "x"));
  win32::files::FailNextFileTime(59);  // a share that drops the query
  DateTime untouched{1, 2, 3, 4, 5, 6};
  EXPECT_FALSE(GetFileLastModificationTime(L"C:\\t.txt", untouched));
  EXPECT_EQ(untouched, (DateTime{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(win32::files::OpenHandleCount(), 0u);
  ASSERT_EQ(support::library::Log().size(), 1u);
  const auto& entry = support::library::Log()[0];
  EXPECT_EQ(entry.procedure, L"mFileUtils.GetFileLastModificationTime");
  EXPECT_EQ(entry.level, 3);
  EXPECT_NE(entry.text.find(L"GetFileTime"), std::wstring::npos) << Ansi(entry.text);
  EXPECT_TRUE(GetFileLastModificationTime(L"C:\\t.txt", untouched)) << "only that query failed";
}

TEST_F(FileUtils, AListingRefusedAMomentIsAskedAgainAndRefusedForGoodIsLogged) {
  ASSERT_TRUE(win32::files::WriteAll("C:\\L\\a.doc", ""));
  ASSERT_TRUE(win32::files::WriteAll("C:\\L\\sub\\b.doc", ""));
  for (uint64_t span : {1u, 8u}) {
    win32::faults::Start({.at = 1, .span = span});
    EXPECT_EQ(EnumFiles(L"C:\\L"), std::vector<std::wstring>{L"C:\\L\\a.doc"});
    win32::faults::Start({.at = 1, .span = span});
    EXPECT_EQ(EnumDirs(L"C:\\L"), std::vector<std::wstring>{L"C:\\L\\sub"});
    win32::faults::Stop();
  }
  EXPECT_TRUE(support::library::Log().empty());

  // Refused for good: no listing, and no empty one passing for the folder's.
  win32::faults::Start({.at = 1, .span = 1000});
  EXPECT_EQ(EnumFiles(L"C:\\L"), std::nullopt);
  win32::faults::Stop();
  ASSERT_EQ(support::library::Log().size(), 1u);
  EXPECT_EQ(support::library::Log()[0].procedure, L"mFileUtils.EnumFiles");
  EXPECT_EQ(support::library::Log()[0].level, 3);
  EXPECT_EQ(win32::files::OpenHandleCount(), 0u);
}

}  // namespace
