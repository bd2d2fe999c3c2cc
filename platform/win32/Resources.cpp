#include "platform/win32/Resources.h"

#include <cstring>
#include <map>
#include <tuple>

#include "platform/win32/CodePage.h"
#include "platform/win32/Reset.h"

namespace win32 {
namespace {
struct ResourceState {
  std::map<std::pair<HINSTANCE, uint32_t>, std::wstring> strings;
  std::map<std::tuple<HINSTANCE, std::string, std::string>, std::vector<uint8_t>> data;
};
ResourceState& S() {
  return PlatformState<ResourceState>();
}

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}
}  // namespace

int LoadStringA(HINSTANCE module, uint32_t id, char* buffer, int bufferSize) {
  auto it = S().strings.find({module, id});
  if (it == S().strings.end() || buffer == nullptr || bufferSize <= 0) return 0;
  std::string text = ToAnsi(it->second);
  size_t n = std::min(text.size(), static_cast<size_t>(bufferSize - 1));
  std::memcpy(buffer, text.data(), n);
  buffer[n] = 0;
  return static_cast<int>(n);
}

namespace resources {
void AddString(HINSTANCE module, uint32_t id, const std::wstring& text) {
  S().strings[{module, id}] = text;
}

void AddData(HINSTANCE module, const std::string& kind, const std::string& name,
             std::vector<uint8_t> data) {
  S().data[{module, Upper(kind), Upper(name)}] = std::move(data);
}

const std::vector<uint8_t>* FindData(HINSTANCE module, const std::string& kind,
                                     const std::string& name) {
  auto it = S().data.find({module, Upper(kind), Upper(name)});
  return it == S().data.end() ? nullptr : &it->second;
}
}  // namespace resources
}  // namespace win32
