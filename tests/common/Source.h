// Files of the source tree that tests read: golden files and the shipped language file.
#pragma once

#include <filesystem>
#include <string>

namespace testsource {

// TV_SOURCE_DIR when set (ctest sets it), else the tree the tests were built from.
std::filesystem::path SourceDir();
// The bytes of a file below the source tree; empty when it cannot be read.
std::string ReadSourceFile(const std::filesystem::path& relative);
// Copies lang/EN.lng into the program folder of the file sandbox; its Windows path, or ""
// when it could not be installed.
std::wstring InstallEnglishFile();

}  // namespace testsource
