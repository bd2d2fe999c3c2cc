// The clipboard object over a user's clipboard of any formats and bytes: around the system's
// own copy, every memory format comes back with its bytes; "HTML Format" reads as its UTF-8
// text, as long as its byte count; listing the clipboard in the log never fails.
#include <map>

#include "FuzzSupport.h"
#include "core/CClipboard.h"
#include "platform/win32/Clipboard.h"

namespace {

// The UTF-8 decoding of valid UTF-8 bytes; nothing for anything else.
std::optional<std::wstring> Utf8(const std::string& bytes) {
  std::wstring out;
  for (size_t i = 0; i < bytes.size();) {
    auto b = static_cast<unsigned char>(bytes[i]);
    size_t n = b < 0x80             ? 1
               : (b & 0xE0) == 0xC0 ? 2
               : (b & 0xF0) == 0xE0 ? 3
               : (b & 0xF8) == 0xF0 ? 4
                                    : 0;
    if (n == 0 || i + n > bytes.size()) return std::nullopt;
    uint32_t code = n == 1 ? b : b & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) {
      auto c = static_cast<unsigned char>(bytes[i + k]);
      if ((c & 0xC0) != 0x80) return std::nullopt;
      code = (code << 6) | (c & 0x3F);
    }
    static const uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kLeast[n] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
      return std::nullopt;
    out += static_cast<wchar_t>(code);
    i += n;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider provider(data, size);
  fuzz::FreshPlatform platform;
  const char* kNames[] = {"HTML Format", "Rich Text Format", "FileGroupDescriptorW", "Embed Source",
                          "Native"};
  std::map<uint32_t, std::string> set;
  for (int n = provider.ConsumeIntegralInRange(0, 6); n > 0; --n) {
    uint32_t format;
    switch (provider.ConsumeIntegralInRange(0, 3)) {
      case 0:
        format = win32::CF_UNICODETEXT;
        break;
      case 1:
        format = win32::CF_DIB;
        break;
      case 2:
        format = provider.ConsumeIntegralInRange<uint32_t>(1, 0xFFFF);
        break;
      default:
        format = win32::RegisterClipboardFormatA(
            kNames[provider.ConsumeIntegralInRange<size_t>(0, std::size(kNames) - 1)]);
    }
    if (format == win32::CF_BITMAP || format == win32::CF_PALETTE ||
        format == win32::CF_ENHMETAFILE || format == win32::CF_TEXT)
      continue;  // drawing objects, not memory; text comes as Unicode here
    std::string bytes = provider.ConsumeRandomLengthString(200);
    win32::clipboard::SetBytes(format, bytes);
    set[format] = bytes;
  }
  const uint32_t html = win32::RegisterClipboardFormatA("HTML Format");
  std::string htmlBytes = win32::clipboard::Bytes(html);

  CClipboard clipboard;
  clipboard.dbgEnumFormats();
  clipboard.dbgLogFormatData(L"HTML Format");
  std::wstring text = clipboard.GetHtmlFormat();
  FUZZ_CHECK(text.size() == htmlBytes.size());
  if (auto decoded = Utf8(htmlBytes))
    FUZZ_CHECK(text == *decoded + std::wstring(htmlBytes.size() - decoded->size(), L' '));

  clipboard.Save();
  win32::clipboard::SetText(L"the system's own copy");
  clipboard.Restore();
  for (const auto& [format, bytes] : set) {
    std::wstring formatName = clipboard.GetClipboardFormatName(format);
    if (formatName == L"Native" || formatName == L"Embed Source") continue;  // never saved
    if (win32::clipboard::Bytes(format) != bytes)
      std::fprintf(stderr, "format %u lost its bytes\n", format);
    FUZZ_CHECK(win32::clipboard::Bytes(format) == bytes);
  }
  FUZZ_CHECK(clipboard.UseCount() == 0);
  return 0;
}
