// Resources of a module (strings by number, images by name), as a DLL carries them. The
// module's own code registers them at load; LoadStringA and the image loaders read them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace win32 {

using HINSTANCE = uint32_t;

// Copies the string resource into the buffer (ANSI, zero-terminated, cut to fit); answers
// the number of characters copied, 0 when there is no such string.
int LoadStringA(HINSTANCE module, uint32_t id, char* buffer, int bufferSize);

namespace resources {
void AddString(HINSTANCE module, uint32_t id, const std::wstring& text);
// A named binary resource: kind is "BITMAP", "ICON" (one entry per size) or any custom type.
void AddData(HINSTANCE module, const std::string& kind, const std::string& name,
             std::vector<uint8_t> data);
// The named resource's data, or nullptr when the module has none.
const std::vector<uint8_t>* FindData(HINSTANCE module, const std::string& kind,
                                     const std::string& name);
}  // namespace resources

}  // namespace win32
