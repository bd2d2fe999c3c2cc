#include "platform/win32/Environment.h"

#include <cstring>
#include <map>
#include <string>

#include "platform/win32/LastError.h"
#include "platform/win32/Reset.h"

namespace win32 {
namespace {

std::string Fold(const char* name) {
  std::string out(name);
  for (char& ch : out)
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 32);
  return out;
}

struct EnvironmentState {
  std::map<std::string, std::string> vars{{"TEMP", "C:\\Temp"}, {"TMP", "C:\\Temp"}};
};

EnvironmentState& S() {
  return PlatformState<EnvironmentState>();
}

}  // namespace

uint32_t GetEnvironmentVariableA(const char* name, char* buffer, uint32_t size) {
  auto it = S().vars.find(Fold(name));
  if (it == S().vars.end()) {
    SetLastError(203);
    return 0;
  }
  const std::string& value = it->second;
  if (buffer == nullptr || size < value.size() + 1) return static_cast<uint32_t>(value.size() + 1);
  std::memcpy(buffer, value.c_str(), value.size() + 1);
  return static_cast<uint32_t>(value.size());
}

bool SetEnvironmentVariableA(const char* name, const char* value) {
  if (name == nullptr || *name == '\0') return false;
  if (value == nullptr)
    S().vars.erase(Fold(name));
  else
    S().vars[Fold(name)] = value;
  return true;
}

}  // namespace win32
