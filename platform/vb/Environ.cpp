#include "platform/vb/Environ.h"

#include <vector>

#include "platform/win32/CodePage.h"
#include "platform/win32/Environment.h"

namespace vb {

std::wstring Environ(std::wstring_view name) {
  std::string ansiName = win32::ToAnsi(name);
  uint32_t size = win32::GetEnvironmentVariableA(ansiName.c_str(), nullptr, 0);
  if (size == 0) return L"";
  std::vector<char> buffer(size);
  uint32_t n = win32::GetEnvironmentVariableA(ansiName.c_str(), buffer.data(), size);
  return win32::FromAnsi(std::string_view(buffer.data(), n < size ? n : 0));
}

}  // namespace vb
