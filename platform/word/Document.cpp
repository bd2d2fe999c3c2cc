#include "platform/word/Document.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <cwctype>

#include "platform/outlook/BodyConvert.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"

namespace word {

namespace {

bool IsSpace(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\f';
}

std::wstring Lower(std::wstring_view text) {
  std::wstring out(text);
  for (auto& c : out) c = static_cast<wchar_t>(std::towlower(c));
  return out;
}

std::wstring Utf8(std::string_view bytes) {
  return win32::MultiByteToWide(win32::CP_UTF8, bytes);
}

}  // namespace

// --- Content ----------------------------------------------------------------------------------

void Content::AddText(std::wstring_view text) {
  if (text.empty()) return;
  if (paragraphs.empty()) paragraphs.emplace_back();
  auto& p = paragraphs.back();
  if (!p.empty() && p.back().picture < 0)
    p.back().text += text;
  else
    p.push_back(Inline{std::wstring(text), -1});
}

void Content::AddPicture(Picture picture) {
  if (paragraphs.empty()) paragraphs.emplace_back();
  pictures.push_back(std::move(picture));
  paragraphs.back().push_back(Inline{L"", static_cast<int32_t>(pictures.size() - 1)});
}

void Content::NewParagraph() {
  paragraphs.emplace_back();
}

std::wstring Content::Text() const {
  std::wstring out;
  for (size_t i = 0; i < paragraphs.size(); ++i) {
    if (i) out += L"\r\n";
    for (const auto& in : paragraphs[i]) out += in.text;
  }
  return out;
}

FileAccess SandboxFiles() {
  FileAccess f;
  f.read = [](const std::wstring& path) { return win32::files::ReadAll(win32::ToAnsi(path)); };
  f.write = [](const std::wstring& path, const std::string& bytes) {
    win32::HANDLE h = win32::CreateFileA(win32::ToAnsi(path).c_str(), win32::GENERIC_WRITE, 0,
                                         nullptr, win32::CREATE_ALWAYS, 0, 0);
    if (h == win32::INVALID_HANDLE_VALUE) return false;
    uint32_t written = 0;
    bool ok =
        win32::WriteFile(h, bytes.data(), static_cast<uint32_t>(bytes.size()), &written, nullptr);
    win32::CloseHandle(h);
    return ok;
  };
  f.makeFolder = [](const std::wstring& path) {
    std::string a = win32::ToAnsi(path);
    uint32_t attributes = win32::GetFileAttributesA(a.c_str());
    if (attributes != win32::INVALID_FILE_ATTRIBUTES)
      return (attributes & win32::FILE_ATTRIBUTE_DIRECTORY) != 0;
    return win32::CreateDirectoryA(a.c_str(), nullptr);
  };
  return f;
}

std::wstring PictureExtension(const std::string& b) {
  if (b.size() >= 8 && b.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0) return L"png";
  if (b.size() >= 3 && static_cast<uint8_t>(b[0]) == 0xFF && static_cast<uint8_t>(b[1]) == 0xD8)
    return L"jpg";
  if (b.size() >= 6 && (b.compare(0, 6, "GIF87a") == 0 || b.compare(0, 6, "GIF89a") == 0))
    return L"gif";
  return L"bin";
}

// --- HTML -------------------------------------------------------------------------------------

std::optional<std::pair<wchar_t, size_t>> NumericReference(std::wstring_view text) {
  if (text.size() < 4 || text[0] != L'&' || text[1] != L'#') return std::nullopt;
  size_t k = 2;
  bool hex = text[k] == L'x' || text[k] == L'X';
  if (hex) ++k;
  bool negative = k < text.size() && text[k] == L'-';
  if (negative || (k < text.size() && text[k] == L'+')) ++k;
  size_t digits = k;
  uint32_t code = 0;
  for (; k < text.size(); ++k) {
    wchar_t d = text[k];
    uint32_t v = d >= L'0' && d <= L'9'          ? d - L'0'
                 : hex && d >= L'a' && d <= L'f' ? d - L'a' + 10
                 : hex && d >= L'A' && d <= L'F' ? d - L'A' + 10
                                                 : 99;
    if (v == 99) break;
    code = std::min<uint32_t>(code * (hex ? 16 : 10) + v, 0x110000);  // past Unicode stays so
  }
  if (k == digits || k >= text.size() || text[k] != L';') return std::nullopt;
  bool noncharacter = (code >= 0xFDD0 && code <= 0xFDEF) || (code & 0xFFFE) == 0xFFFE;
  if ((negative && code) || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) ||
      noncharacter)
    code = 0xFFFD;
  return std::make_pair(static_cast<wchar_t>(code), k + 1);
}

namespace {

// "&nbsp;" in text is a blank kept from folding; a non-breaking space typed as one is the
// character itself or its number. A non-character stands for the kept blank until the
// paragraph is read, as no text holds one.
constexpr wchar_t kKeptBlank = 0xFDD0;

std::wstring DecodeEntities(std::wstring_view text, wchar_t nbsp = 0xA0) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != L'&') {
      out += text[i];
      continue;
    }
    if (auto ref = NumericReference(text.substr(i))) {
      out += ref->first;
      i += ref->second - 1;
      continue;
    }
    size_t semi = text.find(L';', i);
    if (semi == std::wstring_view::npos || semi - i > 10) {
      out += text[i];
      continue;
    }
    std::wstring name(text.substr(i + 1, semi - i - 1));
    wchar_t c = 0;
    std::wstring n = Lower(name);
    if (n == L"amp")
      c = L'&';
    else if (n == L"lt")
      c = L'<';
    else if (n == L"gt")
      c = L'>';
    else if (n == L"quot")
      c = L'"';
    else if (n == L"apos")
      c = L'\'';
    else if (n == L"nbsp")
      c = nbsp;
    if (c == 0) {
      out += text[i];
      continue;
    }
    out += c;
    i = semi;
  }
  return out;
}

// "%XX" escapes are the bytes of UTF-8, as word processors write links; a run that is not
// valid UTF-8 is read in the ANSI code page.
std::wstring UrlDecode(std::wstring_view text) {
  std::wstring out;
  std::string bytes;
  auto flush = [&] {
    if (bytes.empty()) return;
    std::wstring utf8 = Utf8(bytes);
    out += utf8.find(L'\uFFFD') == std::wstring::npos ? utf8 : win32::FromAnsi(bytes);
    bytes.clear();
  };
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'%' && i + 2 < text.size() && std::iswxdigit(text[i + 1]) &&
        std::iswxdigit(text[i + 2])) {
      bytes += static_cast<char>(std::stoi(std::wstring(text.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else {
      flush();
      out += text[i];
    }
  }
  flush();
  return out;
}

// The value of one attribute of a tag's text ("img src=... width=..."), entities decoded.
std::optional<std::wstring> Attribute(std::wstring_view tag, std::wstring_view name) {
  std::wstring lower = Lower(tag);
  size_t pos = 0;
  while ((pos = lower.find(name, pos)) != std::wstring::npos) {
    bool startOk = pos > 0 && IsSpace(lower[pos - 1]);
    size_t p = pos + name.size();
    while (p < lower.size() && IsSpace(lower[p])) ++p;
    if (!startOk || p >= lower.size() || lower[p] != L'=') {
      pos += name.size();
      continue;
    }
    ++p;
    while (p < lower.size() && IsSpace(lower[p])) ++p;
    if (p >= tag.size()) return std::wstring();
    wchar_t quote = tag[p];
    size_t end;
    if (quote == L'"' || quote == L'\'') {
      ++p;
      end = tag.find(quote, p);
      if (end == std::wstring_view::npos) end = tag.size();
    } else {
      end = p;
      while (end < tag.size() && !IsSpace(tag[end]) && tag[end] != L'>') ++end;
    }
    return DecodeEntities(tag.substr(p, end - p));
  }
  return std::nullopt;
}

bool IsAbsolute(const std::wstring& path) {
  return (path.size() >= 2 && path[1] == L':') ||
         (path.size() >= 2 && (path[0] == L'\\' || path[0] == L'/') &&
          (path[1] == L'\\' || path[1] == L'/'));
}

std::wstring PictureLink(std::wstring src, const std::wstring& baseFolder) {
  // A picture on the web stays a link.
  if (src.find(L"://") != std::wstring::npos && Lower(src).rfind(L"file:", 0) != 0) return src;
  if (Lower(src).rfind(L"file:", 0) == 0) {
    src = src.substr(5);
    while (src.size() > 2 && src[0] == L'/' && src[1] == L'/') src = src.substr(2);
    if (src.size() > 2 && src[0] == L'/' && src[2] == L':') src = src.substr(1);
  }
  src = UrlDecode(src);
  for (auto& c : src)
    if (c == L'/') c = L'\\';
  if (src.rfind(L".\\", 0) == 0) src = src.substr(2);
  if (IsAbsolute(src) || baseFolder.empty()) return src;
  return baseFolder + L"\\" + src;
}

}  // namespace

namespace {

// Tags that end a paragraph (a line break ends a line of one).
bool BreaksParagraph(const std::wstring& bare) {
  return bare == L"p" || bare == L"div" || bare == L"br" || bare == L"tr" || bare == L"li" ||
         bare == L"table" || bare == L"pre" ||
         (bare.size() == 2 && bare[0] == L'h' && std::iswdigit(bare[1]));
}

// Blocks whose text is a word processor's paragraph: a tab in them is a tab.
bool IsTextBlock(const std::wstring& name) {
  return name == L"p" || name == L"pre" ||
         (name.size() == 2 && name[0] == L'h' && std::iswdigit(name[1]));
}

// The tag's name, lower case, with "/" before it for a closing tag.
std::wstring TagName(std::wstring_view tag) {
  std::wstring name;
  size_t n = 0;
  if (n < tag.size() && tag[n] == L'/') name += L'/', ++n;
  while (n < tag.size() && std::iswalnum(tag[n]))
    name += static_cast<wchar_t>(std::towlower(tag[n])), ++n;
  return name;
}

// Whether a line break at `i` is the last thing of its block: only line ends, comments and
// inline tags until the block ends. Such a break ends its line but makes no line of its own.
bool EndsBlock(std::wstring_view html, const std::wstring& lower, size_t i, size_t end) {
  while (i < end) {
    wchar_t ch = html[i];
    if (ch == L' ' || ch == L'\r' || ch == L'\n' || ch == L'\f') {
      ++i;
      continue;
    }
    if (ch != L'<') return false;
    if (lower.compare(i, 4, L"<!--") == 0) {
      size_t close = lower.find(L"-->", i);
      i = close == std::wstring::npos ? end : close + 3;
      continue;
    }
    size_t close = html.find(L'>', i);
    if (close == std::wstring_view::npos || close > end) return true;
    std::wstring name = TagName(html.substr(i + 1, close - i - 1));
    std::wstring bare = name.size() && name[0] == L'/' ? name.substr(1) : name;
    if (bare == L"br" || bare == L"img") return false;
    if (BreaksParagraph(bare) || bare == L"body") return true;
    i = close + 1;
  }
  return true;
}

// What a word processor writes for a run of blanks: U+2006 and a blank for each.
constexpr wchar_t kSixPerEmSpace = 0x2006;

}  // namespace

Content ReadHtml(std::wstring_view html, const std::wstring& baseFolder) {
  Content c;
  std::wstring lower = Lower(html);
  size_t start = 0, end = html.size();
  size_t body = lower.find(L"<body");
  if (body != std::wstring::npos) {
    size_t close = lower.find(L'>', body);
    start = close == std::wstring::npos ? html.size() : close + 1;
    size_t bodyEnd = lower.find(L"</body", start);
    if (bodyEnd != std::wstring::npos) end = bodyEnd;
  }
  std::wstring pending;       // text of the current paragraph, whitespace collapsed
  bool open = false;          // the current paragraph holds something
  size_t blockLines = 0;      // paragraphs ended since the current block began
  bool textBlock = false;     // inside <p>, <pre> or <hN>
  bool blanksOnly = false;    // the block so far held blanks, dropped as leading white space
  bool shownNothing = false;  // the block held a picture that is not read (an attachment's)
  // A word processor indents a paragraph's source line by one tab for each table or list it
  // sits in: those tabs are no text.
  int32_t containers = 0;
  int32_t indent = -1;  // tabs of the source line's indentation so far; -1 past its start
  auto flushText = [&] {
    if (!pending.empty()) {
      c.AddText(DecodeEntities(pending, kKeptBlank));
      open = true;
    }
    pending.clear();
  };
  auto breakParagraph = [&] {
    flushText();
    if (open) {
      // Trailing blanks of a paragraph are not shown; kept blanks (&nbsp;) are not blanks yet.
      auto& p = c.paragraphs.back();
      if (!p.empty() && p.back().picture < 0) {
        auto& t = p.back().text;
        while (!t.empty() && t.back() == L' ') t.pop_back();
      }
      c.NewParagraph();
      open = false;
      ++blockLines;
    }
  };
  // Ends the current line as a paragraph, empty or not.
  auto endLine = [&] {
    flushText();
    if (c.paragraphs.empty()) c.NewParagraph();
    open = true;
    breakParagraph();
  };
  size_t i = start;
  while (i < end) {
    wchar_t ch = html[i];
    if (ch == L'<') {
      indent = -1;
      if (lower.compare(i, 4, L"<!--") == 0) {
        size_t close = lower.find(L"-->", i);
        i = close == std::wstring::npos ? end : close + 3;
        continue;
      }
      size_t close = html.find(L'>', i);
      if (close == std::wstring_view::npos || close > end) close = end;
      std::wstring_view tag = html.substr(i + 1, close - i - 1);
      std::wstring name = TagName(tag);
      i = close + 1;
      std::wstring bare = name.size() && name[0] == L'/' ? name.substr(1) : name;
      if (bare == L"table" || bare == L"tr" || bare == L"td" || bare == L"th" || bare == L"ul" ||
          bare == L"ol" || bare == L"dl")
        containers = name == bare ? containers + 1 : std::max(containers - 1, 0);
      if (name == L"style" || name == L"script" || name == L"head" || name == L"title") {
        size_t skip = lower.find(L"</" + name, i);
        if (skip != std::wstring::npos) {
          size_t gt = lower.find(L'>', skip);
          i = gt == std::wstring::npos ? end : gt + 1;
        }
        continue;
      }
      if (name == L"img") {
        flushText();
        auto src = Attribute(tag, L"src");
        if (src && !src->empty() && Lower(*src).rfind(L"cid:", 0) != 0) {
          Picture p;
          p.link = PictureLink(*src, baseFolder);
          size_t cut = p.link.find_last_of(L"\\/");
          p.name = cut == std::wstring::npos ? p.link : p.link.substr(cut + 1);
          c.AddPicture(std::move(p));
          open = true;
        } else {
          shownNothing = true;
        }
        continue;
      }
      if (bare == L"br") {
        // A break before more of its block ends a line, even an empty one; the break that
        // ends a block only ends what its line holds, or is the block's one empty line.
        bool holds = open || !pending.empty();
        if (!EndsBlock(html, lower, i, end) || (!holds && blockLines == 0)) endLine();
        continue;
      }
      if (BreaksParagraph(bare)) {
        // A paragraph that closes holding nothing is an empty one to a word processor (a
        // browser shows nothing); one of nothing but blanks holds a blank.
        if (textBlock && !open && pending.empty() && blockLines == 0 && !shownNothing) {
          if (blanksOnly)
            pending = std::wstring(1, kKeptBlank);
          else if (name != bare)
            endLine();
        }
        breakParagraph();
        blockLines = 0;
        blanksOnly = shownNothing = false;
        textBlock = name == bare && IsTextBlock(bare);
      }
      continue;
    }
    if (ch == L'\r' || ch == L'\n') {
      indent = 0;
    } else if (ch == L'\t' && indent >= 0 && indent < containers) {
      ++indent;
      ++i;
      continue;
    } else if (ch != L' ') {
      indent = -1;
    }
    if (ch == L'\t' && textBlock) {
      pending += L'\t';
      ++i;
      continue;
    }
    if (ch == kSixPerEmSpace && i + 1 < end && (html[i + 1] == L' ' || html[i + 1] == L'\n')) {
      pending += kKeptBlank;
      i += 2;
      continue;
    }
    if (IsSpace(ch)) {
      bool atStart = pending.empty() && (!open || (c.paragraphs.back().empty()));
      if (atStart && ch == L' ') blanksOnly = true;
      if (!atStart && (pending.empty() ? true : pending.back() != L' ')) {
        if (pending.empty()) {
          // A blank after text already added, unless that text ends in one.
          auto& p = c.paragraphs.back();
          if (!(p.size() && p.back().picture < 0 && !p.back().text.empty() &&
                p.back().text.back() == L' '))
            pending += L' ';
        } else {
          pending += L' ';
        }
      }
      ++i;
      continue;
    }
    pending += ch;
    ++i;
  }
  breakParagraph();
  // The paragraph begun after the last one ended holds nothing.
  if (!c.paragraphs.empty() && c.paragraphs.back().empty()) c.paragraphs.pop_back();
  for (auto& p : c.paragraphs)
    for (auto& in : p)
      for (auto& ch : in.text)
        if (ch == kKeptBlank) ch = L' ';
  return c;
}

std::wstring DecodeHtmlBytes(std::string_view bytes) {
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return Utf8(bytes.substr(3));
  std::string head(bytes.substr(0, 2048));
  for (auto& ch : head) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  // The head declares it; the same words in the document's text do not.
  head = head.substr(0, head.find("<body"));
  if (head.find("charset=utf-8") != std::string::npos ||
      head.find("charset=\"utf-8\"") != std::string::npos)
    return Utf8(bytes);
  return win32::FromAnsi(bytes);
}

namespace {

std::string EscapeHtml(std::wstring_view text) {
  std::string out;
  for (wchar_t ch : text) {
    switch (ch) {
      case L'&':
        out += "&amp;";
        break;
      case L'<':
        out += "&lt;";
        break;
      case L'>':
        out += "&gt;";
        break;
      case L'"':
        out += "&quot;";
        break;
      default:
        if (ch < 0x80)
          out += static_cast<char>(ch);
        else
          out += "&#" + std::to_string(static_cast<uint32_t>(ch)) + ";";
    }
  }
  return out;
}

// A file name in a link: blanks as "%20", other characters as the HTML's code page has them.
std::string UrlPart(const std::wstring& text) {
  std::string out;
  for (wchar_t ch : text) {
    if (ch == L' ')
      out += "%20";
    else if (ch < 0x80)
      out += static_cast<char>(ch);
    else if (win32::FitsAnsi(ch))
      out += win32::ToAnsi(std::wstring(1, ch));
    else
      out += EscapeHtml(std::wstring(1, ch));
  }
  return out;
}

// Text of a paragraph: a blank that a reader would fold into the one before it, or drop at
// the paragraph's start or end, as "&nbsp;"; tabs and other control characters as character
// references, which no reader folds.
std::string ParagraphText(std::wstring_view text, bool blankBefore, bool endsParagraph) {
  std::string out;
  for (size_t k = 0; k < text.size(); ++k) {
    wchar_t ch = text[k];
    if (ch == L' ') {
      bool kept = blankBefore || (endsParagraph && k + 1 == text.size());
      out += kept ? "&nbsp;" : " ";
    } else if (ch < 0x20) {
      out += "&#" + std::to_string(static_cast<uint32_t>(ch)) + ";";
    } else {
      out += EscapeHtml(std::wstring_view(&text[k], 1));
    }
    blankBefore = ch == L' ';
  }
  return out;
}

}  // namespace

std::string WriteHtml(const Content& content, const std::wstring& folder,
                      const std::wstring& baseName, const FileAccess& files) {
  std::string out =
      "<html>\r\n<head>\r\n<meta http-equiv=Content-Type content=\"text/html; "
      "charset=windows-1252\">\r\n</head>\r\n<body>\r\n";
  std::wstring sideName = baseName + L"_files";
  bool sideMade = false;
  int32_t number = 0;
  for (const auto& paragraph : content.paragraphs) {
    // What of the paragraph shows: its text and its embedded pictures (a broken link shows
    // nothing).
    size_t shown = 0, lastText = paragraph.size();
    for (size_t k = 0; k < paragraph.size(); ++k) {
      const Inline& in = paragraph[k];
      bool shows = in.picture < 0 ? !in.text.empty()
                                  : content.pictures[static_cast<size_t>(in.picture)].Embedded();
      if (shows) ++shown, lastText = in.picture < 0 ? k : paragraph.size();
    }
    if (shown == 0) {
      out += "<p></p>\r\n";
      continue;
    }
    out += "<p>";
    bool blankBefore = true;  // a reader drops blanks at a paragraph's start
    for (size_t k = 0; k < paragraph.size(); ++k) {
      const Inline& in = paragraph[k];
      if (in.picture < 0) {
        out += ParagraphText(in.text, blankBefore, k == lastText);
        if (!in.text.empty()) blankBefore = in.text.back() == L' ';
        continue;
      }
      const Picture& pic = content.pictures[static_cast<size_t>(in.picture)];
      if (!pic.Embedded()) continue;
      blankBefore = false;
      if (!sideMade) {
        if (!files.makeFolder(folder + L"\\" + sideName)) throw std::runtime_error("folder");
        sideMade = true;
      }
      wchar_t name[32];
      std::swprintf(name, 32, L"image%03d.%ls", ++number, PictureExtension(pic.bytes).c_str());
      if (!files.write(folder + L"\\" + sideName + L"\\" + name, pic.bytes))
        throw std::runtime_error("picture");
      out += "<img src=\"" + UrlPart(sideName) + "/" + UrlPart(name) + "\">";
    }
    out += "</p>\r\n";
  }
  out += "</body>\r\n</html>\r\n";
  return out;
}

// --- RTF --------------------------------------------------------------------------------------

namespace {

// Where the group that opens at `open` ends (just past its closing brace), escapes and \binN
// data taken into account.
size_t GroupEnd(std::string_view s, size_t open) {
  int depth = 0;
  size_t i = open;
  while (i < s.size()) {
    char ch = s[i];
    if (ch == '\\') {
      size_t word = i + 1;
      size_t k = word;
      while (k < s.size() && std::isalpha(static_cast<unsigned char>(s[k]))) ++k;
      if (k == word) {
        i += 2;  // a control symbol, an escaped brace among them
        continue;
      }
      size_t digits = k;
      if (k < s.size() && s[k] == '-') ++k;
      while (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]))) ++k;
      std::string_view name = s.substr(word, digits - word);
      std::string_view number = s.substr(digits, k - digits);
      if (k < s.size() && s[k] == ' ') ++k;
      if (name == "bin" && !number.empty() && number[0] != '-' && number.size() <= 9)
        k += std::stoul(std::string(number));
      i = k;
      continue;
    }
    if (ch == '{') ++depth;
    if (ch == '}' && --depth == 0) return i + 1;
    ++i;
  }
  return s.size();
}

// The first control word of the group that opens at `open`, past "\*".
std::string_view FirstWord(std::string_view s, size_t open) {
  size_t i = open + 1;
  if (s.compare(i, 2, "\\*") == 0) i += 2;
  while (i < s.size() && (s[i] == '\r' || s[i] == '\n' || s[i] == ' ')) ++i;
  if (i >= s.size() || s[i] != '\\') return {};
  size_t k = ++i;
  while (k < s.size() && std::isalpha(static_cast<unsigned char>(s[k]))) ++k;
  return s.substr(i, k - i);
}

// The PNG or JPEG of a \pict group: its hexadecimal text or \bin data, nested groups aside.
std::optional<Picture> ReadPict(std::string_view s, size_t open, size_t end) {
  std::wstring kind;
  std::string bytes;
  int half = -1;
  size_t i = open + 1;
  while (i < end - 1) {
    char ch = s[i];
    if (ch == '{') {
      i = GroupEnd(s, i);
      continue;
    }
    if (ch == '\\') {
      size_t k = i + 1;
      while (k < end && std::isalpha(static_cast<unsigned char>(s[k]))) ++k;
      std::string_view name = s.substr(i + 1, k - i - 1);
      size_t digits = k;
      if (k < end && s[k] == '-') ++k;
      while (k < end && std::isdigit(static_cast<unsigned char>(s[k]))) ++k;
      std::string_view number = s.substr(digits, k - digits);
      if (name.empty()) k = i + 2;
      if (k < end && s[k] == ' ' && !name.empty()) ++k;
      if (name == "pngblip") kind = L"png";
      if (name == "jpegblip") kind = L"jpg";
      if (name == "bin" && !number.empty() && number[0] != '-' && number.size() <= 9) {
        size_t n = std::min<size_t>(std::stoul(std::string(number)), end - 1 - k);
        bytes.append(s.substr(k, n));
        k += n;
      }
      i = k;
      continue;
    }
    int v = std::isdigit(static_cast<unsigned char>(ch)) ? ch - '0'
            : (ch >= 'a' && ch <= 'f')                   ? ch - 'a' + 10
            : (ch >= 'A' && ch <= 'F')                   ? ch - 'A' + 10
                                                         : -1;
    if (v >= 0) {
      if (half < 0) {
        half = v;
      } else {
        bytes += static_cast<char>(half * 16 + v);
        half = -1;
      }
    }
    ++i;
  }
  if (kind.empty()) return std::nullopt;
  return Picture{L"image." + kind, std::move(bytes), L""};
}

// Marks a picture's place in the text with noncharacters no document carries: U+FDD0, then
// its number in four hexadecimal digits (U+FDE0 and up).
constexpr wchar_t kPictureMark = 0xFDD0, kPictureDigit = 0xFDE0;

std::string PictureMarkRtf(size_t index) {
  std::string out = "{\\uc0\\u" + std::to_string(static_cast<int>(kPictureMark) - 65536);
  for (int shift = 12; shift >= 0; shift -= 4)
    out +=
        "\\u" + std::to_string(static_cast<int>(kPictureDigit + ((index >> shift) & 15)) - 65536);
  return out + "}";
}

// The pictures of the document, each group that holds one replaced by its mark; the
// alternatives for readers without pictures (\nonshppict) go.
std::string TakePictures(std::string_view s, std::vector<Picture>& pictures) {
  std::string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    char ch = s[i];
    if (ch == '\\' && i + 1 < s.size()) {
      // Control symbols travel whole, so that an escaped brace opens no group.
      size_t end = i + 2;
      if (std::isalpha(static_cast<unsigned char>(s[i + 1]))) {
        end = i + 1;
        while (end < s.size() && std::isalnum(static_cast<unsigned char>(s[end]))) ++end;
        std::string_view word = s.substr(i + 1, end - i - 1);
        if (word.rfind("bin", 0) == 0 && word.size() > 3 && word.size() <= 12 &&
            std::isdigit(static_cast<unsigned char>(word[3]))) {
          if (end < s.size() && s[end] == ' ') ++end;
          end = std::min(s.size(), end + std::stoul(std::string(word.substr(3))));
        }
      }
      out.append(s.substr(i, end - i));
      i = end;
      continue;
    }
    if (ch != '{') {
      out += ch;
      ++i;
      continue;
    }
    std::string_view first = FirstWord(s, i);
    if (first != "pict" && first != "shppict" && first != "nonshppict") {
      out += ch;
      ++i;
      continue;
    }
    size_t end = GroupEnd(s, i);
    size_t pict = i;
    if (first == "shppict") {
      pict = s.find("{\\pict", i);
      if (pict >= end) pict = std::string_view::npos;
    }
    if (first != "nonshppict" && pict != std::string_view::npos) {
      if (auto picture = ReadPict(s, pict, GroupEnd(s, pict))) {
        out += PictureMarkRtf(pictures.size());
        pictures.push_back(std::move(*picture));
      }
    }
    i = end;
  }
  return out;
}

// A side no larger than its size in twips (15 to a pixel) can hold in the int RTF numbers are.
constexpr uint32_t kMaxPictureSide = INT32_MAX / 15;

// The picture's size in pixels, as its header says it, each side clamped to what RTF can say.
std::pair<uint32_t, uint32_t> PictureSize(const std::string& b) {
  auto byte = [&](size_t at) { return static_cast<uint32_t>(static_cast<uint8_t>(b[at])); };
  auto clamp = [](uint32_t side) { return std::min(side, kMaxPictureSide); };
  if (PictureExtension(b) == L"png" && b.size() >= 24) {
    auto be = [&](size_t at) {
      return (byte(at) << 24) | (byte(at + 1) << 16) | (byte(at + 2) << 8) | byte(at + 3);
    };
    return {clamp(be(16)), clamp(be(20))};
  }
  if (PictureExtension(b) == L"jpg") {
    size_t i = 2;
    while (i + 9 < b.size() && byte(i) == 0xFF) {
      uint32_t marker = byte(i + 1);
      size_t len = (byte(i + 2) << 8) | byte(i + 3);
      if (marker >= 0xC0 && marker <= 0xC3) {
        uint32_t h = (byte(i + 5) << 8) | byte(i + 6);
        uint32_t w = (byte(i + 7) << 8) | byte(i + 8);
        return {w, h};
      }
      i += 2 + len;
    }
  }
  return {32, 32};
}

// Whether the document's header (the control words and groups before its first text)
// declares it carries HTML. Text that reads "\fromhtml" is written "\\fromhtml" and is text.
bool DeclaresHtml(std::string_view s) {
  size_t i = s.find('{');
  if (i == std::string_view::npos) return false;
  ++i;
  while (i < s.size()) {
    char ch = s[i];
    if (ch == '\r' || ch == '\n') {
      ++i;
    } else if (ch == '{') {
      i = GroupEnd(s, i);
    } else if (ch == '\\' && i + 1 < s.size() &&
               std::isalpha(static_cast<unsigned char>(s[i + 1]))) {
      size_t k = i + 1;
      while (k < s.size() && std::isalpha(static_cast<unsigned char>(s[k]))) ++k;
      std::string_view word = s.substr(i + 1, k - i - 1);
      size_t digits = k;
      if (k < s.size() && s[k] == '-') ++k;
      while (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]))) ++k;
      if (word == "fromhtml") return s.substr(digits, k - digits) != "0";
      if (word == "par" || word == "pard" || word == "tab" || word == "line" || word == "u")
        return false;  // the text has begun
      if (k < s.size() && s[k] == ' ') ++k;
      i = k;
    } else {
      return false;  // text, or a control symbol, which is text too
    }
  }
  return false;
}

std::string RtfEscape(std::wstring_view text) {
  std::string out;
  for (wchar_t ch : text) {
    if (ch == L'\\' || ch == L'{' || ch == L'}') {
      out += '\\';
      out += static_cast<char>(ch);
    } else if (ch == L'\t') {
      out += "\\tab ";
    } else if (ch == L'\r' || ch == L'\n') {
      out += "\\line ";
    } else if (ch < 0x80) {
      out += static_cast<char>(ch);
    } else {
      auto code = static_cast<uint32_t>(ch);
      if (code > 0xFFFF) {
        // Outside the basic plane: as its two UTF-16 halves.
        code -= 0x10000;
        for (uint32_t unit : {0xD800 + (code >> 10), 0xDC00 + (code & 0x3FF)})
          out += "\\u" + std::to_string(static_cast<int16_t>(unit)) + "?";
      } else {
        out += "\\u" + std::to_string(static_cast<int16_t>(code)) + "?";
      }
    }
  }
  return out;
}

}  // namespace

Content ReadRtf(std::string_view rtf) {
  std::vector<Picture> pictures;
  std::wstring source = win32::FromAnsi(TakePictures(rtf, pictures));
  // RTF that carries HTML holds the HTML as its text.
  std::wstring html;
  if (DeclaresHtml(rtf) && outlook::body::HtmlFromRtf(source, html)) return ReadHtml(html, L"");
  std::wstring text = outlook::body::RtfToText(source);
  Content c;
  std::wstring run;
  auto flush = [&] {
    c.AddText(run);
    run.clear();
  };
  for (size_t k = 0; k < text.size(); ++k) {
    wchar_t ch = text[k];
    if (ch == L'\r' || ch == L'\n') {
      if (ch == L'\r' && k + 1 < text.size() && text[k + 1] == L'\n') ++k;
      flush();
      if (c.paragraphs.empty()) c.NewParagraph();
      c.NewParagraph();
    } else if (ch == kPictureMark) {
      size_t index = 0;
      bool whole = true;
      for (size_t d = 1; d <= 4; ++d) {
        wchar_t digit = k + d < text.size() ? text[k + d] : 0;
        if (digit < kPictureDigit || digit > kPictureDigit + 15) whole = false;
        index = index * 16 + static_cast<size_t>(digit - kPictureDigit);
      }
      if (!whole) continue;
      k += 4;
      flush();
      if (index < pictures.size()) c.AddPicture(pictures[index]);
    } else if (ch < kPictureMark || ch > kPictureDigit + 15) {
      run += ch;
    }
  }
  flush();
  // Each paragraph ends with its break: what follows the last holds nothing.
  if (!c.paragraphs.empty() && c.paragraphs.back().empty()) c.paragraphs.pop_back();
  return c;
}

std::string WriteRtf(const Content& content) {
  std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0 Times New Roman;}}\r\n";
  for (const auto& paragraph : content.paragraphs) {
    for (const auto& in : paragraph) {
      if (in.picture < 0) {
        out += RtfEscape(in.text);
        continue;
      }
      const Picture& pic = content.pictures[static_cast<size_t>(in.picture)];
      std::wstring ext = PictureExtension(pic.bytes);
      if (!pic.Embedded() || (ext != L"png" && ext != L"jpg")) continue;
      auto [w, h] = PictureSize(pic.bytes);  // w * 15 fits an int
      out += "{\\pict" + std::string(ext == L"png" ? "\\pngblip" : "\\jpegblip") + "\\picw" +
             std::to_string(w) + "\\pich" + std::to_string(h) + "\\picwgoal" +
             std::to_string(w * 15) + "\\pichgoal" + std::to_string(h * 15) + "\r\n";
      static const char kHex[] = "0123456789abcdef";
      for (size_t k = 0; k < pic.bytes.size(); ++k) {
        auto b = static_cast<uint8_t>(pic.bytes[k]);
        out += kHex[b >> 4];
        out += kHex[b & 15];
        if (k % 64 == 63) out += "\r\n";
      }
      out += "}";
    }
    out += "\\par\r\n";
  }
  out += "}";
  return out;
}

// --- Text -------------------------------------------------------------------------------------

Content ReadText(std::string_view bytes) {
  std::wstring text;
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    text = Utf8(bytes.substr(3));
  } else if (bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == 0xFF &&
             static_cast<uint8_t>(bytes[1]) == 0xFE) {
    for (size_t k = 2; k + 1 < bytes.size(); k += 2)
      text += static_cast<wchar_t>(static_cast<uint8_t>(bytes[k]) |
                                   (static_cast<uint8_t>(bytes[k + 1]) << 8));
  } else {
    text = win32::FromAnsi(bytes);
  }
  Content c;
  c.NewParagraph();
  for (size_t k = 0; k < text.size(); ++k) {
    if (text[k] == L'\r' || text[k] == L'\n') {
      if (text[k] == L'\r' && k + 1 < text.size() && text[k + 1] == L'\n') ++k;
      c.NewParagraph();
    } else {
      c.AddText(std::wstring_view(&text[k], 1));
    }
  }
  // A line break ends the last line; none follows it.
  if (c.paragraphs.back().empty()) c.paragraphs.pop_back();
  return c;
}

std::string WriteText(const Content& content) {
  std::wstring text = content.Text();
  // A last paragraph with no text still ends with its line break, so that it comes back.
  if (!content.paragraphs.empty()) {
    bool empty = true;
    for (const auto& in : content.paragraphs.back()) empty = empty && in.text.empty();
    if (empty) text += L"\r\n";
  }
  bool ansi = true;
  for (wchar_t ch : text)
    if (!win32::FitsAnsi(ch)) {
      ansi = false;
      break;
    }
  // ANSI text that begins as a byte-order mark does would be read as what the mark says.
  if (ansi) {
    std::string bytes = win32::ToAnsi(text);
    if (bytes.rfind("\xEF\xBB\xBF", 0) != 0 && bytes.rfind("\xFF\xFE", 0) != 0) return bytes;
  }
  return "\xEF\xBB\xBF" + win32::WideToMultiByte(win32::CP_UTF8, text);
}

}  // namespace word
