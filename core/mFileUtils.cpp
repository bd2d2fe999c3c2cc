#include "core/mFileUtils.h"

#include <cstring>

#include "core/Main.h"
#include "platform/vb/Error.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"

namespace mFileUtils {
namespace {

constexpr int32_t kPathFileAccessError = 75;

bool Missing(uint32_t error) {
  return error == static_cast<uint32_t>(win32::ERROR_FILE_NOT_FOUND) ||
         error == win32::ERROR_PATH_NOT_FOUND || error == win32::ERROR_NO_MORE_FILES;
}

std::optional<std::vector<std::wstring>> Enum(const std::wstring& directory, bool dirs,
                                              const wchar_t* procedure) {
  std::optional<std::vector<std::wstring>> result;
  Trap(procedure, [&] {
    std::vector<std::wstring> list;
    win32::WIN32_FIND_DATAA data;
    // A folder given with its trailing backslash ("C:\\") gets no second one in the paths.
    const bool ends = !directory.empty() && (directory.back() == L'\\' || directory.back() == L'/');
    const std::wstring prefix = ends ? directory : directory + L"\\";
    const std::string pattern = win32::ToAnsi(prefix + L"*.*");
    // A folder another program holds a moment is asked again, often enough to outlast such a
    // moment; still refused, the listing fails (logged) rather than passing for an empty
    // folder. A missing folder lists nothing.
    win32::HANDLE h = win32::FindFirstFileA(pattern.c_str(), &data);
    for (int attempt = 1; attempt < kHeldTries && h == win32::INVALID_HANDLE_VALUE &&
                          !Missing(win32::GetLastError());
         ++attempt)
      h = win32::FindFirstFileA(pattern.c_str(), &data);
    if (h == win32::INVALID_HANDLE_VALUE && !Missing(win32::GetLastError()))
      vb::Raise(kPathFileAccessError, L"FindFirstFile " + directory + L": error " +
                                          std::to_wstring(win32::GetLastError()));
    if (h != win32::INVALID_HANDLE_VALUE) {
      do {
        std::string name(data.cFileName, ::strnlen(data.cFileName, win32::MAX_PATH));
        bool isDir = (data.dwFileAttributes & win32::FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isDir != dirs) continue;
        if (isDir && (name == "." || name == "..")) continue;
        list.push_back(prefix + win32::FromAnsi(name));
      } while (win32::FindNextFileA(h, &data));
      win32::FindClose(h);
    }
    result = std::move(list);
  });
  return result;
}

}  // namespace

bool DirExists(const std::wstring& path) {
  win32::WIN32_FIND_DATAA data;
  win32::HANDLE h = win32::FindFirstFileA(win32::ToAnsi(path + L"\\*").c_str(), &data);
  if (h == win32::INVALID_HANDLE_VALUE) return false;
  win32::FindClose(h);
  return true;
}

bool MakeDirPath(const std::wstring& path) {
  win32::CreateDirectoryA(win32::ToAnsi(path).c_str(), nullptr);
  if (DirExists(path)) return true;
  size_t colon = path.find(L':');
  // Paths without a drive letter (UNC) are not built level by level.
  if (colon == std::wstring::npos || colon + 1 == path.size()) return false;
  std::wstring p = path;
  for (wchar_t& c : p)
    if (c == L'/') c = L'\\';
  size_t from = colon;
  for (;;) {
    size_t sep = p.find(L'\\', from + 1);
    bool last = sep == std::wstring::npos || sep + 1 == p.size();
    std::wstring prefix = sep == std::wstring::npos ? p : p.substr(0, sep);
    win32::CreateDirectoryA(win32::ToAnsi(prefix).c_str(), nullptr);  // may exist already
    if (!DirExists(prefix)) return false;
    if (last) return true;
    from = sep;
  }
}

bool GetFileLastModificationTime(const std::wstring& path, DateTime& time) {
  win32::HANDLE h = win32::INVALID_HANDLE_VALUE;
  bool opened = Trap(L"mFileUtils.GetFileLastModificationTime", [&] {
    h = win32::CreateFileA(win32::ToAnsi(path).c_str(), 0,
                           win32::FILE_SHARE_READ | win32::FILE_SHARE_WRITE, nullptr,
                           win32::OPEN_EXISTING, 0, 0);
    if (h == win32::INVALID_HANDLE_VALUE) return;
    // A time the calls cannot convert is no modification time: a caller comparing it would
    // take the zeroed fields for a date.
    auto check = [](bool ok, const wchar_t* call) {
      if (!ok)
        vb::Raise(vb::kInvalidProcedureCall, std::wstring(call) + L" failed, LastError=" +
                                                 std::to_wstring(win32::GetLastError()));
    };
    win32::FILETIME created, accessed, written, local;
    win32::SYSTEMTIME t{};
    check(win32::GetFileTime(h, &created, &accessed, &written), L"GetFileTime");
    check(win32::FileTimeToLocalFileTime(&written, &local), L"FileTimeToLocalFileTime");
    check(win32::FileTimeToSystemTime(&local, &t), L"FileTimeToSystemTime");
    time = DateTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
  });
  if (h == win32::INVALID_HANDLE_VALUE) return false;
  win32::CloseHandle(h);
  return opened;
}

std::optional<std::vector<std::wstring>> EnumFiles(const std::wstring& directory) {
  return Enum(directory, false, L"mFileUtils.EnumFiles");
}

std::optional<std::vector<std::wstring>> EnumDirs(const std::wstring& directory) {
  return Enum(directory, true, L"mFileUtils.EnumDirs");
}

}  // namespace mFileUtils
