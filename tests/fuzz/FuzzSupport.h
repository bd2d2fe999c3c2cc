// Shared by the fuzz targets: invariants that stop the run, texts of any character from the
// fuzzer's bytes, and a fresh platform for each input.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/vb/Runtime.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"
#include "platform/win32/Reset.h"
#include "platform/win32/Resources.h"
#include "resources/StringTable.h"

// A broken invariant is a finding like a crash: the fuzzer keeps the input that broke it.
#define FUZZ_CHECK(cond)                                                                 \
  do {                                                                                   \
    if (!(cond)) {                                                                       \
      std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (0)

namespace fuzz {

// UTF-8 where the bytes are UTF-8, any other byte as its character of code page 1252: every
// character of the basic plane and beyond can be reached, and every byte string is a text.
inline std::wstring Text(std::string_view bytes) {
  std::wstring out;
  for (size_t i = 0; i < bytes.size();) {
    auto b = static_cast<unsigned char>(bytes[i]);
    size_t n = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 1;
    uint32_t code = n == 4 ? b & 0x07 : n == 3 ? b & 0x0F : n == 2 ? b & 0x1F : b;
    bool valid = n > 1 && i + n <= bytes.size();
    for (size_t k = 1; valid && k < n; ++k) {
      auto c = static_cast<unsigned char>(bytes[i + k]);
      valid = (c & 0xC0) == 0x80;
      code = (code << 6) | (c & 0x3F);
    }
    if (valid && ((n == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
                  (n == 4 && (code < 0x10000 || code > 0x10FFFF))))
      valid = false;
    if (n > 1 && valid) {
      out += static_cast<wchar_t>(code);
      i += n;
    } else {
      out += win32::FromAnsi(std::string(1, static_cast<char>(b)));
      ++i;
    }
  }
  return out;
}

inline std::wstring Text(FuzzedDataProvider& data, size_t maxBytes) {
  return Text(data.ConsumeRandomLengthString(maxBytes));
}

// Every line break (CR, LF or CR LF) as CR LF, as the body conversions write them.
inline std::wstring CrLf(const std::wstring& text) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r' || text[i] == L'\n') {
      out += L"\r\n";
      if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

// A text as XML element text or attribute value: the markup characters as entities, and only
// the characters XML can hold.
inline std::wstring XmlEscaped(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c == L'&')
      out += L"&amp;";
    else if (c == L'<')
      out += L"&lt;";
    else if (c == L'>')
      out += L"&gt;";
    else if (c == L'"')
      out += L"&quot;";
    else if (c >= 0x20 && c != 0xFFFE && c != 0xFFFF)
      out += c;
  }
  return out;
}

// For messages of a broken invariant.
inline std::string Show(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
  return out;
}

// Every input starts from an empty registry, no files and the clock at 0, as a test does.
struct FreshPlatform {
  FreshPlatform() { win32::ResetPlatform(); }
  ~FreshPlatform() { win32::ResetPlatform(); }
};

inline std::filesystem::path SandboxParent() {
  std::error_code ec;
  if (std::filesystem::is_directory("/dev/shm", ec)) return "/dev/shm";
  return std::filesystem::temp_directory_path();
}

// Every input starts from a fresh platform whose file sandbox is one folder kept for the whole
// run: a folder made and removed for each input costs more than the input itself.
struct FreshPlatformOnDisk : FreshPlatform {
  FreshPlatformOnDisk() {
    // In memory where the machine has a memory file system: the inputs' files come and go
    // thousands of times a second, and a disk's journal would cost more than the input.
    static win32::files::TempSandbox sandbox(SandboxParent());
    win32::files::SetRoot(sandbox.Path());
  }
};

// The module's names, which the registry paths are made of; the pictures the full resources
// also load cost far more than a run and no target shows one.
inline void LoadStrings() {
  const uint32_t module = vb::App().hInstance;
  win32::resources::AddString(module, resources::IDS_COMPANY_SHORT_NAME, L"Norvane");
  win32::resources::AddString(module, resources::IDS_PRODUCT_SHORT_NAME, L"Tanvelo");
  win32::resources::AddString(module, resources::IDS_PRODUCT_CODE, L"Tanvelo");
}

}  // namespace fuzz
