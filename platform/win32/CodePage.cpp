#include "platform/win32/CodePage.h"

#include <cstring>

namespace win32 {
namespace {

// Windows-1252 bytes 0x80..0x9F; 0 marks the five bytes the code page leaves undefined.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool IsKnown(uint32_t cp) {
  return cp == CP_ACP || cp == CP_1252 || cp == CP_UTF8;
}

int Cp1252Byte(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] != 0 && kCp1252High[i] == c) return 0x80 + i;
  return -1;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// UTF-8 into `out`, which has room for one character per byte (no sequence gives more
// characters than it has bytes); answers the number written. Written in place: a text grown a
// character at a time cost more than the decoding.
size_t DecodeUtf8(std::string_view in, wchar_t* out) {
  wchar_t* const start = out;
  size_t i = 0;
  while (i < in.size()) {
    auto b = static_cast<unsigned char>(in[i]);
    if (b < 0x80) {
      // A run of ASCII is widened as it stands, without the decoder's checks per byte.
      size_t end = i + 1;
      while (end < in.size() && static_cast<unsigned char>(in[end]) < 0x80) ++end;
      for (size_t k = i; k < end; ++k) *out++ = static_cast<wchar_t>(in[k]);
      i = end;
      continue;
    }
    int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
    char32_t c = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
    bool ok = extra >= 0;
    for (int k = 1; ok && k <= extra; ++k) {
      if (i + k >= in.size()) {
        ok = false;
        break;
      }
      auto nb = static_cast<unsigned char>(in[i + k]);
      if ((nb & 0xC0) != 0x80) ok = false;
      c = (c << 6) | (nb & 0x3F);
    }
    if (!ok || c > 0x10FFFF || (extra == 1 && c < 0x80) || (extra == 2 && c < 0x800) ||
        (extra == 3 && c < 0x10000)) {
      *out++ = wchar_t(0xFFFD);
      ++i;
      continue;
    }
    *out++ = static_cast<wchar_t>(c);
    i += extra + 1;
  }
  return static_cast<size_t>(out - start);
}

std::wstring DecodeUtf8(std::string_view in) {
  std::wstring out(in.size(), L'\0');
  out.resize(DecodeUtf8(in, out.data()));
  return out;
}

// Windows-1252 into `out`, one character per byte. Every byte is widened first (a loop the
// compiler does many bytes at a time); the few bytes of 0x80..0x9F are then looked up.
void DecodeCp1252(const char* bytes, size_t count, wchar_t* out) {
  auto* in = reinterpret_cast<const unsigned char*>(bytes);
  unsigned high = 0;
  for (size_t i = 0; i < count; ++i) {
    out[i] = static_cast<wchar_t>(in[i]);
    high |= static_cast<unsigned>((in[i] & 0xE0) == 0x80);
  }
  if (!high) return;
  for (size_t i = 0; i < count; ++i)
    if ((in[i] & 0xE0) == 0x80) {
      char16_t c = kCp1252High[in[i] - 0x80];
      out[i] = static_cast<wchar_t>(c ? c : 0xFFFD);
    }
}

}  // namespace

uint32_t GetACP() {
  return CP_1252;
}

std::string WideToMultiByte(uint32_t codePage, std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (wchar_t w : text) {
    auto c = static_cast<char32_t>(w);
    if (codePage == CP_UTF8) {
      AppendUtf8(out, c > 0x10FFFF ? 0xFFFD : c);
    } else {
      int b = Cp1252Byte(c);
      out += b < 0 ? '?' : static_cast<char>(b);
    }
  }
  return out;
}

std::wstring MultiByteToWide(uint32_t codePage, std::string_view bytes) {
  if (codePage == CP_UTF8) return DecodeUtf8(bytes);
  // One character per byte: the text is sized once and filled in place.
  std::wstring out(bytes.size(), L'\0');
  DecodeCp1252(bytes.data(), bytes.size(), out.data());
  return out;
}

bool FitsAnsi(std::wstring_view text) {
  for (wchar_t w : text)
    if (w >= 0x80 && Cp1252Byte(static_cast<char32_t>(w)) < 0) return false;
  return true;
}

int MultiByteToWideChar(uint32_t codePage, uint32_t, const char* bytes, int byteCount, wchar_t* out,
                        int outCount) {
  if (!IsKnown(codePage) || bytes == nullptr) return 0;
  size_t n = byteCount < 0 ? std::strlen(bytes) + 1 : static_cast<size_t>(byteCount);
  if (codePage != CP_UTF8) {
    // One character per byte: written straight into the caller's room.
    if (out == nullptr || outCount == 0) return static_cast<int>(n);
    if (n > static_cast<size_t>(outCount)) return 0;
    DecodeCp1252(bytes, n, out);
    return static_cast<int>(n);
  }
  // Room for a character per byte: straight into the caller's room.
  if (out != nullptr && static_cast<size_t>(outCount) >= n)
    return static_cast<int>(DecodeUtf8(std::string_view(bytes, n), out));
  std::wstring wide = MultiByteToWide(codePage, std::string_view(bytes, n));
  if (out == nullptr || outCount == 0) return static_cast<int>(wide.size());
  if (wide.size() > static_cast<size_t>(outCount)) return 0;
  std::copy(wide.begin(), wide.end(), out);
  return static_cast<int>(wide.size());
}

int WideCharToMultiByte(uint32_t codePage, uint32_t, const wchar_t* text, int charCount, char* out,
                        int outCount, const char*, bool* usedDefault) {
  if (!IsKnown(codePage) || text == nullptr) return 0;
  size_t n = charCount < 0 ? std::wcslen(text) + 1 : static_cast<size_t>(charCount);
  std::wstring_view view(text, n);
  std::string bytes = WideToMultiByte(codePage, view);
  if (usedDefault != nullptr) {
    *usedDefault = false;
    if (codePage != CP_UTF8)
      for (wchar_t w : view)
        if (Cp1252Byte(static_cast<char32_t>(w)) < 0) *usedDefault = true;
  }
  if (out == nullptr || outCount == 0) return static_cast<int>(bytes.size());
  if (bytes.size() > static_cast<size_t>(outCount)) return 0;
  std::memcpy(out, bytes.data(), bytes.size());
  return static_cast<int>(bytes.size());
}

}  // namespace win32
