// Code pages: the ANSI code page (Windows-1252 here) and UTF-8, in both directions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace win32 {

inline constexpr uint32_t CP_ACP = 0;
inline constexpr uint32_t CP_1252 = 1252;
inline constexpr uint32_t CP_UTF8 = 65001;

// The system's ANSI code page; always 1252 in the substitute.
uint32_t GetACP();

// Characters the code page cannot hold become '?', as WideCharToMultiByte's default char.
std::string WideToMultiByte(uint32_t codePage, std::wstring_view text);
// Bytes that are not valid in the code page become U+FFFD.
std::wstring MultiByteToWide(uint32_t codePage, std::string_view bytes);

// The conversions every "A" call of the system makes.
inline std::string ToAnsi(std::wstring_view text) {
  return WideToMultiByte(CP_ACP, text);
}
inline std::wstring FromAnsi(std::string_view bytes) {
  return MultiByteToWide(CP_ACP, bytes);
}

// Whether the ANSI code page holds every character of the text.
bool FitsAnsi(std::wstring_view text);
inline bool FitsAnsi(wchar_t c) {
  return c < 0x80 || FitsAnsi(std::wstring_view(&c, 1));
}

// Win32-shaped forms: with a null output they return the size needed; 0 on failure
// (unknown code page or an output buffer too small).
int MultiByteToWideChar(uint32_t codePage, uint32_t flags, const char* bytes, int byteCount,
                        wchar_t* out, int outCount);
int WideCharToMultiByte(uint32_t codePage, uint32_t flags, const wchar_t* text, int charCount,
                        char* out, int outCount, const char* defaultChar, bool* usedDefault);

}  // namespace win32
