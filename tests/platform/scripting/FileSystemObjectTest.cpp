#include <gtest/gtest.h>

#include "platform/scripting/FileSystemObject.h"
#include "platform/vb/Error.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/Environment.h"
#include "platform/win32/Files.h"

using scripting::FileSystemObject;

namespace {

int32_t ErrorOf(const std::function<void()>& body) {
  try {
    body();
  } catch (const vb::Error& e) {
    return e.Number();
  }
  return 0;
}

struct FsoTest : testing::Test {
  win32::files::TempSandbox sandbox;
  FileSystemObject fso;
};

}  // namespace

TEST_F(FsoTest, FoldersAndFilesAreFoundWithoutRegardToCaseAndReportedAsOnDisk) {
  ASSERT_TRUE(win32::files::WriteAll("C:\\Export\\Offers\\Spring.dot", "x"));
  ASSERT_TRUE(win32::files::WriteAll("C:\\Export\\Offers\\autumn.dot", "y"));
  ASSERT_TRUE(win32::files::WriteAll("C:\\Export\\Offers\\Old\\x.doc", "z"));
  EXPECT_TRUE(fso.FolderExists(L"c:\\export\\OFFERS"));
  EXPECT_FALSE(fso.FolderExists(L"C:\\Export\\Offers\\Spring.dot"));
  EXPECT_TRUE(fso.FileExists(L"C:\\EXPORT\\offers\\spring.DOT"));
  EXPECT_FALSE(fso.FileExists(L"C:\\Export\\Offers"));
  EXPECT_FALSE(fso.FileExists(L""));
  auto folder = fso.GetFolder(L"c:\\export\\offers\\");
  EXPECT_EQ(folder->Path(), L"C:\\Export\\Offers");
  EXPECT_EQ(folder->Name(), L"Offers");
  auto files = folder->Files();
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0]->Name(), L"autumn.dot");
  EXPECT_EQ(files[1]->Path(), L"C:\\Export\\Offers\\Spring.dot");
  auto subs = folder->SubFolders();
  EXPECT_EQ(subs->Count(), 1);
  EXPECT_EQ(subs->Item(L"OLD")->Path(), L"C:\\Export\\Offers\\Old");
  EXPECT_EQ(ErrorOf([&] { subs->Item(L"New"); }), scripting::kErrPathNotFound);
  EXPECT_EQ(ErrorOf([&] { subs->Item(L"..\\Offers"); }), scripting::kErrPathNotFound);
  EXPECT_EQ(subs->Add(L"New")->Path(), L"C:\\Export\\Offers\\New");
  EXPECT_EQ(ErrorOf([&] { subs->Add(L"new"); }), scripting::kErrFileExists);
  EXPECT_EQ(ErrorOf([&] { fso.GetFolder(L"C:\\Nowhere"); }), scripting::kErrPathNotFound);
  EXPECT_EQ(ErrorOf([&] { fso.CreateFolder(L"C:\\Nowhere\\Deeper"); }),
            scripting::kErrPathNotFound);
}

TEST_F(FsoTest, DeletingAFolderTakesEverythingAndOnlyForceTakesReadOnlyFiles) {
  ASSERT_TRUE(win32::files::WriteAll("C:\\Temp\\rad1\\a.htm", "x"));
  ASSERT_TRUE(win32::files::WriteAll("C:\\Temp\\rad1\\a_files\\image001.png", "y"));
  ASSERT_TRUE(win32::SetFileAttributesA("C:\\Temp\\rad1\\a_files\\image001.png",
                                        win32::FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(ErrorOf([&] { fso.DeleteFolder(L"C:\\Temp\\rad1"); }), scripting::kErrPermissionDenied);
  EXPECT_TRUE(fso.FileExists(L"C:\\Temp\\rad1\\a_files\\image001.png"));
  fso.DeleteFolder(L"C:\\Temp\\rad1", true);
  EXPECT_FALSE(fso.FolderExists(L"C:\\Temp\\rad1"));
  EXPECT_EQ(ErrorOf([&] { fso.DeleteFolder(L"C:\\Temp\\rad1", true); }),
            scripting::kErrPathNotFound);
  EXPECT_EQ(ErrorOf([&] { fso.DeleteFile(L"C:\\Temp\\none.txt"); }), scripting::kErrFileNotFound);
}

TEST_F(FsoTest, TextFilesAreAnsiUnlessUnicodeIsAsked) {
  auto out = fso.CreateTextFile(L"C:\\Temp\\a.txt");
  out->Write(L"Gr\u00FC\u00DFe \u0416");
  out->Close();
  EXPECT_EQ(*win32::files::ReadAll("C:\\Temp\\a.txt"),
            "Gr\xFC\xDF"
            "e ?");
  EXPECT_EQ(fso.OpenTextFile(L"C:\\Temp\\a.txt")->ReadAll(), L"Gr\u00FC\u00DFe ?");
  EXPECT_EQ(ErrorOf([&] { fso.CreateTextFile(L"C:\\Temp\\a.txt", false); }),
            scripting::kErrFileExists);
  auto wide = fso.CreateTextFile(L"C:\\Temp\\a.txt", true, true);
  wide->Write(L"\u0416");
  wide->Close();
  EXPECT_EQ(fso.OpenTextFile(L"C:\\Temp\\a.txt")->ReadAll(), L"\u0416");
  EXPECT_EQ(ErrorOf([&] { fso.OpenTextFile(L"C:\\Temp\\none.txt"); }), scripting::kErrFileNotFound);
  EXPECT_EQ(ErrorOf([&] { fso.CreateTextFile(L"C:\\Nowhere\\a.txt"); }),
            scripting::kErrPathNotFound);
}

TEST_F(FsoTest, TheTemporaryFolderAndTemporaryNames) {
  win32::SetEnvironmentVariableA("TEMP", "C:\\Temp");
  EXPECT_EQ(fso.GetSpecialFolder(scripting::TemporaryFolder)->Path(), L"C:\\Temp");
  vb::Randomize(7);
  std::wstring first = fso.GetTempName();
  ASSERT_EQ(first.size(), 12u);
  EXPECT_EQ(first.substr(0, 3), L"rad");
  EXPECT_EQ(first.substr(8), L".tmp");
  EXPECT_EQ(first.find_first_not_of(L"0123456789ABCDEF", 3), 8u);
  vb::Randomize(7);
  EXPECT_EQ(fso.GetTempName(), first);
  EXPECT_EQ(fso.GetFileName(L"C:\\a\\b.png"), L"b.png");
  EXPECT_EQ(fso.GetParentFolderName(L"C:\\a\\b.png"), L"C:\\a");
  EXPECT_EQ(fso.BuildPath(L"C:\\a\\", L"b"), L"C:\\a\\b");
}
