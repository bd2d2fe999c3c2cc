// The conversions Outlook makes between the three body formats so that Body, HTMLBody and the
// RTF body stay in step, and the quoted original of replies and forwards.
#pragma once

#include <string>
#include <string_view>

namespace outlook::body {

// Plain text as a whole HTML document: characters escaped, line breaks as <br>.
std::wstring TextToHtml(const std::wstring& text);
// The text a reader sees: tags dropped, <br>, <p>, <div> and </tr> as line breaks (a <br> that
// ends its block ends the block's line: "<p><br></p>" is one empty line), the common entities
// decoded, <head>, <style> and <script> left out.
std::wstring HtmlToText(const std::wstring& html);
// What an editor makes of `html` when `typed` is typed over the characters [start,
// start + length) of its text (HtmlToText): the text typed escaped at that place (line breaks
// as <br>), the text selected gone, every tag kept.
std::wstring TypeIntoHtml(const std::wstring& html, size_t start, size_t length,
                          const std::wstring& typed);
// Plain text as an RTF document.
std::wstring TextToRtf(const std::wstring& text);
// The text of an RTF document: destinations and \bin data skipped, \par and \line as line
// breaks, \tab, the typographic symbols, \'hh in the document's \ansicpg code page and \uN
// with its \ucN stand-in characters decoded; the document ends at its outermost closing brace
// when only blanks (up to a NUL) follow it, and is read on past a brace too many.
std::wstring RtfToText(const std::wstring& rtf);
// HTML carried in RTF as Outlook keeps an HTML item's RTF body (\fromhtml1): each tag in an
// \htmltag destination, which RTF readers skip, the text between as RTF text.
std::wstring HtmlToRtf(const std::wstring& html);
// The HTML an RTF document carries: its \htmltag destinations and its text outside \htmlrtf
// runs, with \par as a line break of the source. False when it carries none.
bool HtmlFromRtf(const std::wstring& rtf, std::wstring& html);
// The same document as HTML, as Outlook shows an RTF item's HTMLBody: paragraphs, line breaks,
// bold, italic and underline kept.
std::wstring RtfToHtml(const std::wstring& rtf);
// What lies between the end of the <body ...> tag and </body>, then any text after </body>
// and </html>; the whole text when it has no body tag.
std::wstring HtmlBodyContent(const std::wstring& html);
// The same without a copy: a view into `html`, or into `scratch` when a footer after </body>
// had to be joined to it.
std::wstring_view HtmlBodyContentView(const std::wstring& html, std::wstring& scratch);
// Escapes &, <, > and ".
std::wstring HtmlEscape(const std::wstring& text);

}  // namespace outlook::body
