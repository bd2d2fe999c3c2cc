// Conformance of the file calls over the sandbox: return codes and last errors at the edges
// the system relies on, case-insensitive names, search order, file times from the clock.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/vb/Environ.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Files.h"

using namespace win32;

namespace {

class Files : public testing::Test {
 protected:
  files::TempSandbox sandbox;

  static std::vector<std::string> List(const std::string& pattern, uint32_t* error = nullptr) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(pattern.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) {
      if (error) *error = GetLastError();
      return names;
    }
    do {
      std::string name = data.cFileName;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) name += "\\";
      names.push_back(name);
    } while (FindNextFileA(h, &data));
    if (error) *error = GetLastError();
    EXPECT_TRUE(FindClose(h));
    return names;
  }
};

TEST_F(Files, NamesAreFoundWithoutRegardToCaseAndKeepTheirOwnCase) {
  ASSERT_TRUE(CreateDirectoryA("C:\\Program Files", nullptr));
  ASSERT_TRUE(files::WriteAll("c:/PROGRAM FILES/Norvane/En.Lng", "x"));
  EXPECT_EQ(List("C:\\program files\\*"), (std::vector<std::string>{".\\", "..\\", "Norvane\\"}));
  EXPECT_EQ(List("C:\\Program Files\\NORVANE\\*.LNG"), std::vector<std::string>{"En.Lng"});
  EXPECT_EQ(files::ReadAll("C:\\program files\\norvane\\en.lng"), "x");
  // A name with Latin-1 letters folds too, through the ANSI code page.
  ASSERT_TRUE(CreateDirectoryA("C:\\\xC4rger", nullptr));
  EXPECT_FALSE(CreateDirectoryA("C:\\\xE4RGER", nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
}

TEST_F(Files, PathsOutsideTheSandboxAreNotFound) {
  struct Case {
    const char* path;
  } cases[] = {{"relative\\dir"}, {"\\rooted"}, {"D:\\missing drive"}, {"\\\\server\\share\\a"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_FALSE(CreateDirectoryA(c.path, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  }
  files::SetRoot({});
  EXPECT_EQ(CreateFileA("C:\\Temp\\x", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, 0),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(Files, DirectoriesAreMadeAndRemovedOneLevelAtATime) {
  EXPECT_FALSE(CreateDirectoryA("C:\\a\\b", nullptr));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_TRUE(CreateDirectoryA("C:\\a", nullptr));
  EXPECT_TRUE(CreateDirectoryA("C:\\a\\b\\", nullptr));  // a trailing "\" is allowed
  EXPECT_FALSE(CreateDirectoryA("C:\\A", nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_FALSE(CreateDirectoryA("C:", nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);

  ASSERT_TRUE(files::WriteAll("C:\\a\\file.txt", "data"));
  EXPECT_FALSE(CreateDirectoryA("C:\\a\\file.txt", nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_FALSE(CreateDirectoryA("C:\\a\\file.txt\\sub", nullptr));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

  struct Case {
    const char* path;
    uint32_t error;
  } refused[] = {{"C:\\a", ERROR_DIR_NOT_EMPTY},
                 {"C:\\a\\file.txt", ERROR_DIRECTORY},
                 {"C:\\a\\missing", static_cast<uint32_t>(ERROR_FILE_NOT_FOUND)},
                 {"C:\\missing\\x", ERROR_PATH_NOT_FOUND}};
  for (const auto& c : refused) {
    SCOPED_TRACE(c.path);
    EXPECT_FALSE(RemoveDirectoryA(c.path));
    EXPECT_EQ(GetLastError(), c.error);
  }
  EXPECT_TRUE(RemoveDirectoryA("C:\\A\\B"));
  EXPECT_TRUE(DeleteFileA("C:\\a\\FILE.TXT"));
  EXPECT_TRUE(RemoveDirectoryA("C:\\a"));
  EXPECT_FALSE(std::filesystem::exists(sandbox.Path() / "C" / "a"));
}

TEST_F(Files, SearchListsDotsFirstThenNamesSortedWithoutRegardToCase) {
  for (const char* name : {"C:\\d\\beta.lng", "C:\\d\\Alpha.LNG", "C:\\d\\gamma.txt",
                           "C:\\d\\..x\\f", "C:\\d\\sub\\f", "C:\\d\\lng"})
    ASSERT_TRUE(files::WriteAll(name, ""));
  EXPECT_EQ(List("C:\\d\\*.*"),
            (std::vector<std::string>{".\\", "..\\", "..x\\", "Alpha.LNG", "beta.lng", "gamma.txt",
                                      "lng", "sub\\"}));
  EXPECT_EQ(List("C:\\d\\*.lng"), (std::vector<std::string>{"Alpha.LNG", "beta.lng"}));
  EXPECT_EQ(List("C:\\d\\?eta.*"), std::vector<std::string>{"beta.lng"});
  EXPECT_EQ(List("C:\\d\\SUB"), std::vector<std::string>{"sub\\"});

  uint32_t error = 0;
  List("C:\\d\\*.lng", &error);
  EXPECT_EQ(error, ERROR_NO_MORE_FILES);
  EXPECT_TRUE(List("C:\\d\\*.doc", &error).empty());
  EXPECT_EQ(error, static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(List("C:\\nowhere\\*", &error).empty());
  EXPECT_EQ(error, ERROR_PATH_NOT_FOUND);
  // The root of a drive has no "." or "..".
  EXPECT_EQ(List("C:\\*"), (std::vector<std::string>{"d\\", "Temp\\"}));
  EXPECT_FALSE(FindClose(0x12345));
  EXPECT_EQ(files::OpenHandleCount(), 0u);
}

TEST_F(Files, CreateFileFollowsItsDisposition) {
  ASSERT_TRUE(files::WriteAll("C:\\f\\old.txt", "old"));
  struct Case {
    const char* path;
    uint32_t disposition;
    bool opens;
    uint32_t error;  // the last error after the call, also on success
    const char* contentAfter;
  } cases[] = {
      {"C:\\f\\old.txt", CREATE_NEW, false, ERROR_FILE_EXISTS, "old"},
      {"C:\\f\\new1.txt", CREATE_NEW, true, 0, ""},
      {"C:\\f\\old.txt", OPEN_EXISTING, true, 0, "old"},
      {"C:\\f\\none.txt", OPEN_EXISTING, false, static_cast<uint32_t>(ERROR_FILE_NOT_FOUND),
       nullptr},
      {"C:\\f\\old.txt", OPEN_ALWAYS, true, ERROR_ALREADY_EXISTS, "old"},
      {"C:\\f\\new2.txt", OPEN_ALWAYS, true, 0, ""},
      {"C:\\f\\old.txt", CREATE_ALWAYS, true, ERROR_ALREADY_EXISTS, ""},
      {"C:\\nowhere\\x.txt", CREATE_ALWAYS, false, ERROR_PATH_NOT_FOUND, nullptr},
      {"C:\\f", OPEN_EXISTING, false, static_cast<uint32_t>(ERROR_ACCESS_DENIED), nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.path) + " " + std::to_string(c.disposition));
    SetLastError(12345);
    HANDLE h = CreateFileA(c.path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                           c.disposition, FILE_ATTRIBUTE_NORMAL, 0);
    EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens);
    EXPECT_EQ(GetLastError(), c.error);
    if (h != INVALID_HANDLE_VALUE) {
      EXPECT_TRUE(CloseHandle(h));
    }
    if (c.contentAfter) {
      EXPECT_EQ(files::ReadAll(c.path), c.contentAfter);
    }
  }
  EXPECT_FALSE(CloseHandle(0x777));
  EXPECT_EQ(GetLastError(), static_cast<uint32_t>(ERROR_INVALID_HANDLE));
}

TEST_F(Files, ReadingGivesZeroBytesAtTheEndAndCanBeMadeToFail) {
  ASSERT_TRUE(files::WriteAll("C:\\r.bin", "abcdefg"));
  HANDLE h = CreateFileA("C:\\R.BIN", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, 0);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  char buffer[4];
  uint32_t read = 99;
  ASSERT_TRUE(ReadFile(h, buffer, 4, &read, nullptr));
  EXPECT_EQ(std::string(buffer, read), "abcd");
  files::FailNextRead(ERROR_HANDLE_EOF);
  EXPECT_FALSE(ReadFile(h, buffer, 4, &read, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_HANDLE_EOF);
  EXPECT_EQ(read, 0u);
  ASSERT_TRUE(ReadFile(h, buffer, 4, &read, nullptr));
  EXPECT_EQ(std::string(buffer, read), "efg");
  ASSERT_TRUE(ReadFile(h, buffer, 4, &read, nullptr));
  EXPECT_EQ(read, 0u);
  // The file is open: it cannot be deleted or written through this handle.
  EXPECT_FALSE(DeleteFileA("C:\\r.bin"));
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  uint32_t written = 0;
  EXPECT_FALSE(WriteFile(h, "x", 1, &written, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<uint32_t>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(CloseHandle(h));

  // A handle opened for queries only cannot read.
  h = CreateFileA("C:\\r.bin", 0, 3, nullptr, OPEN_EXISTING, 0, 0);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(ReadFile(h, buffer, 4, &read, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<uint32_t>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_EQ(files::OpenHandleCount(), 0u);
}

TEST_F(Files, SizeOfAnOpenFileCountsWhatItsHandleWrote) {
  HANDLE w = CreateFileA("C:\\Temp\\s.bin", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, 0);
  ASSERT_NE(w, INVALID_HANDLE_VALUE);
  uint32_t high = 7, written = 0;
  EXPECT_EQ(GetFileSize(w, &high), 0u);
  EXPECT_EQ(high, 0u);
  ASSERT_TRUE(WriteFile(w, "twelve bytes", 12, &written, nullptr));
  EXPECT_EQ(GetFileSize(w, nullptr), 12u);
  ASSERT_TRUE(CloseHandle(w));
  HANDLE q = CreateFileA("C:\\Temp\\s.bin", 0, 3, nullptr, OPEN_EXISTING, 0, 0);
  EXPECT_EQ(GetFileSize(q, &high), 12u);  // a handle for queries only answers too
  ASSERT_TRUE(CloseHandle(q));
  EXPECT_EQ(GetFileSize(q, &high), INVALID_FILE_SIZE);
  EXPECT_EQ(GetLastError(), static_cast<uint32_t>(ERROR_INVALID_HANDLE));
}

TEST_F(Files, WritesCarryTheVirtualClocksTime) {
  clock::SetLocalStart(SYSTEMTIME{2010, 6, 2, 1, 14, 5, 7, 900});
  HANDLE h = CreateFileA("C:\\Temp\\w.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, 0);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  uint32_t written = 0;
  ASSERT_TRUE(WriteFile(h, "hello", 5, &written, nullptr));
  EXPECT_EQ(written, 5u);
  ASSERT_TRUE(CloseHandle(h));
  EXPECT_EQ(files::ReadAll("C:\\Temp\\w.txt"), "hello");

  auto localWriteTime = [] {
    HANDLE q = CreateFileA("C:\\Temp\\w.txt", 0, 3, nullptr, OPEN_EXISTING, 0, 0);
    FILETIME utc, local;
    EXPECT_TRUE(GetFileTime(q, nullptr, nullptr, &utc));
    EXPECT_TRUE(CloseHandle(q));
    EXPECT_TRUE(FileTimeToLocalFileTime(&utc, &local));
    SYSTEMTIME t{};
    EXPECT_TRUE(FileTimeToSystemTime(&local, &t));
    return t;
  };
  SYSTEMTIME t = localWriteTime();
  EXPECT_EQ(
      std::vector<int>({t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds}),
      std::vector<int>({2010, 6, 1, 14, 5, 7, 900}));

  clock::Advance(61 * 60 * 1000);
  ASSERT_TRUE(files::WriteAll("C:\\Temp\\W.TXT", "again"));
  t = localWriteTime();
  EXPECT_EQ(std::vector<int>({t.wHour, t.wMinute, t.wSecond}), std::vector<int>({15, 6, 7}));

  // A failed query leaves the times alone and the next one works again.
  HANDLE q = CreateFileA("C:\\Temp\\w.txt", 0, 3, nullptr, OPEN_EXISTING, 0, 0);
  files::FailNextFileTime(59);
  FILETIME untouched{1, 2};
  EXPECT_FALSE(GetFileTime(q, nullptr, nullptr, &untouched));
  EXPECT_EQ(GetLastError(), 59u);
  EXPECT_EQ(untouched.dwLowDateTime, 1u);
  EXPECT_TRUE(GetFileTime(q, nullptr, nullptr, &untouched));
  EXPECT_TRUE(CloseHandle(q));
}

TEST_F(Files, FileTimesConvertBothWays) {
  struct Case {
    SYSTEMTIME time;
  } cases[] = {{{1601, 1, 1, 1, 0, 0, 0, 0}},
               {{2000, 2, 2, 29, 23, 59, 59, 999}},
               {{2010, 12, 5, 31, 12, 0, 0, 1}}};
  for (const auto& c : cases) {
    FILETIME ft;
    ASSERT_TRUE(SystemTimeToFileTime(&c.time, &ft));
    SYSTEMTIME back{};
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
    EXPECT_EQ(
        std::vector<int>({back.wYear, back.wMonth, back.wDayOfWeek, back.wDay, back.wHour,
                          back.wMinute, back.wSecond, back.wMilliseconds}),
        std::vector<int>({c.time.wYear, c.time.wMonth, c.time.wDayOfWeek, c.time.wDay, c.time.wHour,
                          c.time.wMinute, c.time.wSecond, c.time.wMilliseconds}));
  }
  FILETIME zero{};
  SYSTEMTIME epoch{};
  ASSERT_TRUE(SystemTimeToFileTime(&cases[0].time, &zero));
  EXPECT_EQ(zero.dwLowDateTime | zero.dwHighDateTime, 0u);
  epoch = SYSTEMTIME{2010, 13, 0, 1, 0, 0, 0, 0};
  EXPECT_FALSE(SystemTimeToFileTime(&epoch, &zero));

  // Local time is UTC less the bias in force (here daylight time, two hours east).
  FILETIME utc{}, local{};
  SYSTEMTIME noon{2010, 6, 2, 1, 12, 0, 0, 0}, out{};
  SystemTimeToFileTime(&noon, &utc);
  FileTimeToLocalFileTime(&utc, &local);
  FileTimeToSystemTime(&local, &out);
  EXPECT_EQ(out.wHour, 14);
}

TEST_F(Files, TempPathComesFromTheEnvironment) {
  char buffer[MAX_PATH];
  ASSERT_EQ(GetTempPathA(MAX_PATH, buffer), 8u);
  EXPECT_STREQ(buffer, "C:\\Temp\\");
  EXPECT_EQ(GetTempPathA(3, buffer), 9u);  // too small: the size needed
  EXPECT_EQ(vb::Environ(L"temp"), L"C:\\Temp");
  EXPECT_EQ(vb::Environ(L"NO_SUCH_VARIABLE"), L"");
  HANDLE h = CreateFileA("C:\\Temp\\probe", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, 0);
  EXPECT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
}

}  // namespace

TEST_F(Files, NamesWindowsCannotCarryAreRefused) {
  ASSERT_TRUE(CreateDirectoryA("C:\\Out", nullptr));
  for (const char* name : {"??????.dot", "a*b.doc", "a<b", "a>b", "a|b", "a\"b", "a:b", "CON",
                           "con.txt", "Nul.dot", "COM1.doc", "lpt9", "aux .txt"}) {
    std::string path = std::string("C:\\Out\\") + name;
    EXPECT_EQ(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, 0),
              INVALID_HANDLE_VALUE)
        << name;
    EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME) << name;
    EXPECT_FALSE(CreateDirectoryA(path.c_str(), nullptr)) << name;
    EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME) << name;
  }
  EXPECT_FALSE(CreateDirectoryA("C:\\Out\\a?b\\c", nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
  // Near misses are names like any other.
  for (const char* name : {"CONSOLE.txt", "COM0", "LPT10.doc", "xcon", "a.b c"}) {
    HANDLE h = CreateFileA((std::string("C:\\Out\\") + name).c_str(), GENERIC_WRITE, 0, nullptr,
                           CREATE_ALWAYS, 0, 0);
    EXPECT_NE(h, INVALID_HANDLE_VALUE) << name;
    CloseHandle(h);
  }
  EXPECT_TRUE(List("C:\\Out\\*.txt").size() == 1);
}
