#include "engine/mBody.h"

#include <cstdint>

namespace mBody {
namespace {

void AppendUnicodeEscape(std::wstring& out, uint32_t unit) {
  int32_t signedUnit = unit > 0x7FFF ? static_cast<int32_t>(unit) - 0x10000 : unit;
  out += L"\\u" + std::to_wstring(signedUnit) + L"?";
}

}  // namespace

std::wstring RtfEncodeText(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    auto code = static_cast<uint32_t>(c);
    if (c == L'\\' || c == L'{' || c == L'}') {
      out += L'\\';
      out += c;
    } else if (code < 0x80) {
      out += c;
    } else if (code > 0xFFFF) {
      code -= 0x10000;
      AppendUnicodeEscape(out, 0xD800 + (code >> 10));
      AppendUnicodeEscape(out, 0xDC00 + (code & 0x3FF));
    } else {
      AppendUnicodeEscape(out, code);
    }
  }
  return out;
}

std::wstring HtmlToRtf(std::wstring_view html) {
  return L"{\\rtf1\\ansi\\ansicpg1252\\fromhtml1" + RtfEncodeText(html) + L"}";
}

}  // namespace mBody
