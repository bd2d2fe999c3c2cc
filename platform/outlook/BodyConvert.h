// The conversions Outlook makes between the three body formats so that Body, HTMLBody and the
// RTF body stay in step, and the quoted original of replies and forwards.
#pragma once

#include <string>

namespace outlook::body {

// Plain text as a whole HTML document: characters escaped, line breaks as <br>.
std::wstring TextToHtml(const std::wstring& text);
// The text a reader sees: tags dropped, <br>, <p>, <div> and </tr> as line breaks, the
// common entities decoded, <head>, <style> and <script> left out.
std::wstring HtmlToText(const std::wstring& html);
// Plain text as an RTF document.
std::wstring TextToRtf(const std::wstring& text);
// The text of an RTF document: destinations skipped, \par and \line as line breaks, \tab,
// \'hh (code page 1252) and \uN decoded.
std::wstring RtfToText(const std::wstring& rtf);
// What lies between the end of the <body ...> tag and </body>; the whole text when it has no
// body tag.
std::wstring HtmlBodyContent(const std::wstring& html);
// Escapes &, <, > and ".
std::wstring HtmlEscape(const std::wstring& text);

}  // namespace outlook::body
