// Module mBody: the body of an Outlook item in each of its forms (plain text, HTML, RTF) and
// its body format, read and written on the item or through its Redemption safe item, and HTML
// written into an item as RTF that carries the HTML.
#pragma once

#include <string>
#include <string_view>

namespace mBody {

// Text as RTF content: backslash and braces escaped, every character outside ASCII as a
// Unicode escape "\uN?" (UTF-16 units, N signed 16-bit).
std::wstring RtfEncodeText(std::wstring_view text);
// The RTF that carries the HTML: "{\rtf1\ansi\ansicpg1252\fromhtml1" & the encoded HTML & "}".
std::wstring HtmlToRtf(std::wstring_view html);

}  // namespace mBody
