#include "tests/common/Source.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform/vb/Runtime.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"

namespace testsource {

std::filesystem::path SourceDir() {
  const char* dir = std::getenv("TV_SOURCE_DIR");
  return dir && *dir ? std::filesystem::path(dir) : std::filesystem::path(TV_SOURCE_DIR_DEFAULT);
}

std::string ReadSourceFile(const std::filesystem::path& relative) {
  std::ifstream in(SourceDir() / relative, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::wstring InstallEnglishFile() {
  std::string bytes = ReadSourceFile("lang/EN.lng");
  std::string path = win32::ToAnsi(vb::App().Path) + "\\EN.lng";
  if (bytes.empty() || !win32::files::WriteAll(path, bytes)) return L"";
  return win32::FromAnsi(path);
}

}  // namespace testsource
