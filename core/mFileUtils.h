// Module mFileUtils: the few file-system helpers of the language files, the form dumps and
// the import of templates from Windows folders. Paths use "\" and have no trailing "\".
#pragma once

#include <compare>
#include <optional>
#include <string>
#include <vector>

namespace mFileUtils {

// A local date and time to the second, as the runtime's Date holds a file time.
struct DateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  auto operator<=>(const DateTime&) const = default;
};

bool DirExists(const std::wstring& path);
// Creates the directory with any missing parents; true when it exists afterwards.
bool MakeDirPath(const std::wstring& path);
// The file's last-write time in local time, without milliseconds; false (and `time`
// untouched) when the file cannot be opened.
bool GetFileLastModificationTime(const std::wstring& path, DateTime& time);
// Full paths of the files (EnumFiles) or subdirectories (EnumDirs) in the order the file
// system lists them; nothing when the listing failed unexpectedly.
std::optional<std::vector<std::wstring>> EnumFiles(const std::wstring& directory);
std::optional<std::vector<std::wstring>> EnumDirs(const std::wstring& directory);

}  // namespace mFileUtils
