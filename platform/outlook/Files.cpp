#include "platform/outlook/Files.h"

#include <map>

#include "platform/outlook/Props.h"
#include "platform/win32/Reset.h"

namespace outlook::files {
namespace {
struct FileState {
  Reader reader;
  Writer writer;
  std::map<std::wstring, Bytes> store;  // by lower-cased path: Windows names ignore case
};
FileState& S() {
  return win32::PlatformState<FileState>();
}
}  // namespace

void Bind(Reader reader, Writer writer) {
  S().reader = std::move(reader);
  S().writer = std::move(writer);
}

std::optional<Bytes> Read(const std::wstring& path) {
  if (S().reader) return S().reader(path);
  auto it = S().store.find(Lower(path));
  if (it == S().store.end()) return std::nullopt;
  return it->second;
}

bool Write(const std::wstring& path, const Bytes& data) {
  if (S().writer) return S().writer(path, data);
  S().store[Lower(path)] = data;
  return true;
}

}  // namespace outlook::files
