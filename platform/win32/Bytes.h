// Little-endian fields of the binary formats the platform writes and reads (bitmaps, icons,
// the registry's DWORDs).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace win32::bytes {

inline void Put16(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

inline void Put32(std::vector<uint8_t>& out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// 0 when the field runs past the end.
inline uint32_t Get32(const uint8_t* data, size_t size, size_t at) {
  if (at + 4 > size) return 0;
  return data[at] | data[at + 1] << 8 | data[at + 2] << 16 |
         static_cast<uint32_t>(data[at + 3]) << 24;
}

}  // namespace win32::bytes
