// Little-endian fields of the binary formats the platform writes and reads (bitmaps, icons,
// the registry's DWORDs).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
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

// A hash for long texts that differ little (EntryIDs in hex, keys made of them): 32 bytes a
// step in four lanes of one multiplication each, so the lanes do not wait for one another,
// mixed at the end.
inline size_t HashOfText(std::wstring_view text) {
  constexpr uint64_t kOdd = 0xFF51AFD7ED558CCDull;
  const char* at = reinterpret_cast<const char*>(text.data());
  size_t left = text.size() * sizeof(wchar_t);
  uint64_t a = 0x9E3779B97F4A7C15ull ^ left, b = 0xC2B2AE3D27D4EB4Full, c = 0x165667B19E3779F9ull,
           d = 0x27D4EB2F165667C5ull;
  auto block = [&](const char* from) {
    uint64_t w[4];
    std::memcpy(w, from, sizeof w);
    a = (a ^ w[0]) * kOdd;
    b = (b ^ w[1]) * kOdd;
    c = (c ^ w[2]) * kOdd;
    d = (d ^ w[3]) * kOdd;
  };
  for (; left >= 32; at += 32, left -= 32) block(at);
  if (left > 0) {
    char tail[32] = {};
    std::memcpy(tail, at, left);
    block(tail);
  }
  uint64_t hash = a ^ (b >> 17 | b << 47) ^ (c >> 31 | c << 33) ^ (d >> 43 | d << 21);
  hash ^= hash >> 32;
  hash *= 0xC4CEB9FE1A85EC53ull;
  hash ^= hash >> 29;
  hash *= kOdd;
  return static_cast<size_t>(hash ^ (hash >> 32));  // the low bits pick a table's slot
}

}  // namespace win32::bytes
