// Where attachments are read from and saved to. The object model only needs whole-file
// reads and writes; the host binds these to the machine's file system, and until then a
// store of its own keeps the files.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace outlook::files {

using Bytes = std::vector<uint8_t>;
using Reader = std::function<std::optional<Bytes>(const std::wstring& path)>;
using Writer = std::function<bool(const std::wstring& path, const Bytes& data)>;

// Replaces the file access (both empty: back to the built-in store).
void Bind(Reader reader, Writer writer);
std::optional<Bytes> Read(const std::wstring& path);
bool Write(const std::wstring& path, const Bytes& data);

}  // namespace outlook::files
