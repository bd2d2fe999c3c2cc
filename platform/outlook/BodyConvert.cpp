#include "platform/outlook/BodyConvert.h"

#include <iconv.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/outlook/Props.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/CodePage.h"

namespace outlook::body {

namespace {

// What a character becomes in HTML; null for itself.
const wchar_t* EntityOf(wchar_t c) {
  switch (c) {
    case L'&':
      return L"&amp;";
    case L'<':
      return L"&lt;";
    case L'>':
      return L"&gt;";
    case L'"':
      return L"&quot;";
    default:
      return nullptr;
  }
}

}  // namespace

// Both conversions measure their result first and make it in one piece: a large body is not
// copied over and over while it grows.
std::wstring HtmlEscape(const std::wstring& text) {
  size_t size = 0;
  for (wchar_t c : text) {
    const wchar_t* entity = EntityOf(c);
    size += entity ? std::wcslen(entity) : 1;
  }
  std::wstring out;
  out.reserve(size);
  for (wchar_t c : text) {
    if (const wchar_t* entity = EntityOf(c))
      out += entity;
    else
      out += c;
  }
  return out;
}

std::wstring TextToHtml(const std::wstring& text) {
  static constexpr std::wstring_view kHead = L"<html>\r\n<head>\r\n</head>\r\n<body>\r\n";
  static constexpr std::wstring_view kTail = L"\r\n</body>\r\n</html>\r\n";
  static constexpr std::wstring_view kBreak = L"<br>\r\n";
  // Calls `piece` with each piece of the body in turn: a line end (CR LF, or a lone CR or LF,
  // old Mac text) becomes a break, the HTML characters their entities.
  auto walk = [&text](auto&& piece) {
    for (size_t i = 0; i < text.size(); ++i) {
      const wchar_t c = text[i];
      if (c == L'\r' || c == L'\n') {
        if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
        piece(kBreak);
      } else if (const wchar_t* entity = EntityOf(c)) {
        piece(std::wstring_view(entity));
      } else {
        piece(std::wstring_view(&text[i], 1));
      }
    }
  };
  size_t size = kHead.size() + kTail.size();
  walk([&size](std::wstring_view piece) { size += piece.size(); });
  std::wstring out;
  out.reserve(size);
  out += kHead;
  walk([&out](std::wstring_view piece) {
    if (piece.size() == 1)
      out += piece[0];
    else
      out += piece;
  });
  out += kTail;
  return out;
}

namespace {

std::wstring DecodeEntity(const std::wstring& name) {
  if (name == L"amp") return L"&";
  if (name == L"lt") return L"<";
  if (name == L"gt") return L">";
  if (name == L"quot") return L"\"";
  if (name == L"apos") return L"'";
  if (name == L"nbsp") return L" ";
  if (!name.empty() && name[0] == L'#') {
    long code = name.size() > 1 && (name[1] == L'x' || name[1] == L'X')
                    ? std::wcstol(name.c_str() + 2, nullptr, 16)
                    : std::wcstol(name.c_str() + 1, nullptr, 10);
    if (code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF))
      return std::wstring(1, static_cast<wchar_t>(code));
  }
  return L"&" + name + L";";
}

// The '>' that ends the tag opened at `open`; one inside a quoted attribute value is the
// value's, as browsers read it.
size_t TagEnd(std::wstring_view html, size_t open) {
  wchar_t quote = 0;
  for (size_t i = open + 1; i < html.size(); ++i) {
    wchar_t c = html[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if ((c == L'"' || c == L'\'') && html[i - 1] == L'=') {
      quote = c;
    } else if (c == L'>') {
      return i;
    }
  }
  return quote ? html.find(L'>', open) : std::wstring::npos;  // a quote never closed
}

// Whether `text` holds `lower` (lower case ASCII) at `at`, in either case; the text is not
// lowered as a whole for it.
bool HasAt(std::wstring_view text, size_t at, std::wstring_view lower) {
  if (at > text.size() || text.size() - at < lower.size()) return false;
  for (size_t k = 0; k < lower.size(); ++k)
    if (vb::LowerChar(text[at + k]) != lower[k]) return false;
  return true;
}

size_t FindNoCase(std::wstring_view text, std::wstring_view lower, size_t from) {
  for (size_t at = from; at < text.size(); ++at) {
    at = text.find_first_of(std::wstring{lower[0], vb::UpperChar(lower[0])}, at);
    if (at == std::wstring_view::npos) break;
    if (HasAt(text, at, lower)) return at;
  }
  return std::wstring_view::npos;
}

}  // namespace

namespace {

// Where each character of an HTML body's text came from in the content: the text or entity
// that is it, or a tag (a line break, a paragraph's end, a cell's tab).
struct TextSource {
  size_t begin, end;
  enum Kind { kText, kBreak, kTag } kind;
};

// HtmlToText of body content; with `sources`, the source of each character of the text too.
std::wstring ContentText(std::wstring_view content, std::vector<TextSource>* sources) {
  // The text is seldom longer than its source: sized once rather than grown by doubling.
  std::wstring out;
  out.reserve(content.size());
  auto note = [&](size_t begin, size_t end, TextSource::Kind kind) {
    if (!sources) return;
    if (sources->size() > out.size()) sources->resize(out.size());
    while (sources->size() < out.size()) sources->push_back({begin, end, kind});
  };
  size_t i = 0;
  bool skipping = false;
  std::wstring skipEnd;
  // A table reads as plain text shows it: its cells apart by tabs, a row a line; the end of a
  // row takes back its last cell's tab, with the source's blanks after it.
  size_t cellTabEnd = std::wstring::npos;
  // A line break that is the last thing of its block ends its line, and the block's end then
  // adds none: `<p><br></p>` is one empty line, as it shows.
  size_t breakEnd = std::wstring::npos;
  while (i < content.size()) {
    wchar_t c = content[i];
    if (c == L'<' && content.compare(i, 4, L"<!--") == 0) {
      size_t close = content.find(L"-->", i + 4);
      if (close == std::wstring::npos) break;
      i = close + 3;  // a comment's text is never shown, whatever '>' it holds
      continue;
    }
    if (c == L'<') {
      size_t close = TagEnd(content, i);
      if (close == std::wstring::npos) break;
      std::wstring tag = Lower(std::wstring(content.substr(i + 1, close - i - 1)));
      std::wstring name = tag.substr(0, tag.find_first_of(L" \t\r\n/", tag[0] == L'/' ? 1 : 0));
      const size_t afterCellTab = std::exchange(cellTabEnd, std::wstring::npos);
      if (skipping) {
        if (name == skipEnd) skipping = false;
      } else if (name == L"head" || name == L"style" || name == L"script") {
        skipping = true;
        skipEnd = L"/" + name;
      } else if (name == L"/td" || name == L"/th") {
        out += L'\t';
        note(i, close + 1, TextSource::kTag);
        cellTabEnd = out.size();
      } else if (name == L"/tr") {
        if (afterCellTab != std::wstring::npos &&
            out.find_first_not_of(L" \t", afterCellTab) == std::wstring::npos)
          out.erase(afterCellTab - 1);
        note(i, i, TextSource::kTag);
        out += L"\r\n";
        note(i, close + 1, TextSource::kTag);
      } else if (name == L"br") {
        out += L"\r\n";
        note(i, close + 1, TextSource::kBreak);
        breakEnd = out.size();
      } else if (name == L"/p" || name == L"/div" || name == L"/li" ||
                 (name.size() == 3 && name[0] == L'/' && name[1] == L'h' && name[2] >= L'1' &&
                  name[2] <= L'6')) {
        if (std::exchange(breakEnd, std::wstring::npos) != out.size()) out += L"\r\n";
        note(i, close + 1, TextSource::kTag);
      }
      i = close + 1;
      continue;
    }
    if (skipping) {
      ++i;
      continue;
    }
    if (c == L'&') {
      size_t semi = content.find(L';', i);
      if (semi != std::wstring::npos && semi - i <= 10) {
        out += DecodeEntity(std::wstring(content.substr(i + 1, semi - i - 1)));
        note(i, semi + 1, TextSource::kText);
        i = semi + 1;
        continue;
      }
    }
    // Source line breaks are layout only in HTML.
    if (c != L'\r' && c != L'\n') out += c;
    note(i, i + 1, TextSource::kText);
    ++i;
  }
  // Mostly markup (a small template's HTML): the room left over is given back, since an item
  // keeps this text. A large body, mostly text, keeps its few untouched pages instead of a
  // second copy made to shrink it.
  if (out.capacity() - out.size() > out.size() / 4 + 64) out.shrink_to_fit();
  return out;
}

// The body content's span in `html` ([begin, end)), without a footer after </body>.
std::pair<size_t, size_t> BodyContentSpan(const std::wstring& html);

}  // namespace

std::wstring HtmlToText(const std::wstring& html) {
  std::wstring scratch;
  return ContentText(HtmlBodyContentView(html, scratch), nullptr);
}

std::wstring TypeIntoHtml(const std::wstring& html, size_t start, size_t length,
                          const std::wstring& typed) {
  const auto [base, limit] = BodyContentSpan(html);
  const std::wstring_view content = std::wstring_view(html).substr(base, limit - base);
  std::vector<TextSource> sources;
  const std::wstring text = ContentText(content, &sources);
  start = std::min(start, text.size());
  const size_t end = start + std::min(length, text.size() - start);
  // Typed over a selection, the text takes the place (and formatting) of its first character;
  // at a caret, that of the text before it, or at a line's start, of the line's first one.
  size_t at = content.size();
  if (end > start)
    at = sources[start].begin;
  else if (start > 0 && sources[start - 1].kind == TextSource::kText)
    at = sources[start - 1].end;
  else if (start < text.size())
    at = sources[start].begin;
  else if (start > 0)
    at = sources[start - 1].end;
  std::wstring escaped;
  for (size_t k = 0; k < typed.size(); ++k) {
    wchar_t c = typed[k];
    if (c == L'\r' || c == L'\n') {
      if (c == L'\r' && k + 1 < typed.size() && typed[k + 1] == L'\n') ++k;
      escaped += L"<br>";
    } else if (c == L' ' && (k == 0 || typed[k - 1] == L' ')) {
      escaped += L"&nbsp;";  // a browser folds a run of blanks; the editor keeps what is typed
    } else if (const wchar_t* entity = EntityOf(c)) {
      escaped += entity;
    } else {
      escaped += c;
    }
  }
  // The selection's text and line breaks go; every other tag stays, even inside it.
  std::vector<std::pair<size_t, size_t>> gone;
  for (size_t k = start; k < end; ++k) {
    const TextSource& s = sources[k];
    if (s.kind == TextSource::kTag || (!gone.empty() && gone.back().second > s.begin)) continue;
    gone.emplace_back(s.begin, s.end);
  }
  std::wstring out(html.substr(0, base));
  size_t from = 0;
  bool placed = false;
  for (const auto& [b, e] : gone) {
    if (!placed && at <= b) {
      out.append(content.substr(from, at - from)).append(escaped);
      from = at, placed = true;
    }
    out.append(content.substr(from, b - from));
    from = std::max(from, e);
  }
  if (!placed) {
    at = std::max(at, from);
    out.append(content.substr(from, at - from)).append(escaped);
    from = at;
  }
  out.append(content.substr(from)).append(html, limit);
  return out;
}

std::wstring TextToRtf(const std::wstring& text) {
  std::wstring out =
      L"{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs20 ";
  for (size_t i = 0; i < text.size(); ++i) {
    wchar_t c = text[i];
    if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') continue;
    if (c == L'\n' || c == L'\r') {
      out += L"\\par\r\n";
    } else if (c == L'\\' || c == L'{' || c == L'}') {
      out += L'\\';
      out += c;
    } else if (c == L'\t') {
      out += L"\\tab ";
    } else if (c < 0x80) {
      out += c;
    } else if (static_cast<uint32_t>(c) > 0xFFFF) {
      // Beyond the basic plane: its two UTF-16 halves, as RTF has no wider escape.
      uint32_t code = static_cast<uint32_t>(c) - 0x10000;
      out += L"\\u" + std::to_wstring(static_cast<int16_t>(0xD800 + (code >> 10))) + L"?";
      out += L"\\u" + std::to_wstring(static_cast<int16_t>(0xDC00 + (code & 0x3FF))) + L"?";
    } else {
      out += L"\\u" + std::to_wstring(static_cast<int16_t>(c)) + L"?";
    }
  }
  return out + L"}";
}

namespace {

// Bytes of one code page to text, through the C library's converters. A code page the library
// does not know reads as the ANSI code page.
std::wstring DecodeCodePage(const std::string& bytes, int codePage) {
  if (bytes.empty()) return L"";
  if (codePage == 1252 || codePage <= 0) return win32::FromAnsi(bytes);
  std::string name = codePage == 65001 ? "UTF-8" : "CP" + std::to_string(codePage);
  iconv_t cd = iconv_open("WCHAR_T", name.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return win32::FromAnsi(bytes);
  std::wstring out;
  std::string in = bytes;
  char* src = in.data();
  size_t srcLeft = in.size();
  std::vector<wchar_t> buffer(in.size() + 4);
  while (srcLeft > 0) {
    char* dst = reinterpret_cast<char*>(buffer.data());
    size_t dstLeft = buffer.size() * sizeof(wchar_t);
    size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer.data(), (buffer.size() * sizeof(wchar_t) - dstLeft) / sizeof(wchar_t));
    if (rc == static_cast<size_t>(-1) && srcLeft > 0) {
      // A byte the code page does not define (or a lead byte without its trail) reads as
      // itself, so nothing vanishes.
      out += static_cast<wchar_t>(static_cast<unsigned char>(*src));
      ++src;
      --srcLeft;
    }
  }
  iconv_close(cd);
  // Text of a UTF-16 wchar_t platform would need no more; ours is UTF-32.
  return out;
}

// Control words are ASCII, whatever the locale says of other letters and digits.
bool IsLetter(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}
bool IsDigit(wchar_t c) {
  return c >= L'0' && c <= L'9';
}

struct RtfState {
  bool skip = false;
  bool htmlRtf = false;  // in HTML carried by RTF: the RTF-only rendering, no part of the HTML
  int uc = 1;            // characters that stand in for each \uN
  bool bold = false, italic = false, underline = false;
};

// One pass over an RTF document: text goes to `text` with the formatting it was written in,
// paragraph ends to `par`, line breaks inside one to `line`.
class RtfReader {
 public:
  struct Sink {
    virtual ~Sink() = default;
    virtual void Text(const std::wstring& text, const RtfState& state) = 0;
    virtual void Par() = 0;
    virtual void Line() = 0;
  };

  // `html`: read the HTML a \fromhtml1 document carries rather than its RTF text.
  RtfReader(const std::wstring& rtf, Sink& sink, bool html = false)
      : rtf_(rtf), sink_(sink), html_(html) {}
  bool CarriesHtml() const { return fromHtml_; }

  void Run() {
    size_t i = 0;
    int depth = 0;
    while (i < rtf_.size()) {
      wchar_t c = rtf_[i];
      if (c == L'{') {
        Flush();
        stack_.push_back(state_);
        ++depth;
        ++i;
        pendingSkip_ = 0;
        if (rtf_.compare(i, 2, L"\\*") == 0) state_.skip = true;
        continue;
      }
      if (c == L'}') {
        Flush();
        pendingSkip_ = 0;
        if (!stack_.empty()) {
          state_ = stack_.back();
          stack_.pop_back();
        }
        ++i;
        // The outermost group's brace ends the document only when nothing but blanks follows:
        // a brace too many, or top-level groups without a wrapper, are still read to the end.
        if (--depth <= 0) {
          depth = 0;
          if (OnlyBlanksFrom(i)) break;
        }
        continue;
      }
      if (c == L'\\') {
        i = ControlAt(i + 1);
        continue;
      }
      // Outside every group a NUL ends a buffer's text: what follows is padding.
      if (c == L'\0' && depth == 0) break;
      ++i;
      if (c == L'\r' || c == L'\n') continue;
      if (pendingSkip_ > 0) {
        --pendingSkip_;
        continue;
      }
      if (!state_.skip) Char(c);
    }
    Flush(true);
  }

 private:
  // Blanks up to the end of the text or a NUL: a buffer's padding, not document.
  bool OnlyBlanksFrom(size_t i) const {
    for (; i < rtf_.size() && rtf_[i] != L'\0'; ++i)
      if (rtf_[i] != L' ' && rtf_[i] != L'\t' && rtf_[i] != L'\r' && rtf_[i] != L'\n') return false;
    return true;
  }

  size_t ControlAt(size_t i) {
    if (i >= rtf_.size()) return i;
    wchar_t n = rtf_[i];
    if (n == L'\'') {
      size_t end = std::min(i + 3, rtf_.size());
      std::wstring hex = rtf_.substr(i + 1, end - i - 1);
      if (pendingSkip_ > 0) {
        --pendingSkip_;
      } else if (!state_.skip && !Suppressed() && hex.size() == 2 && std::iswxdigit(hex[0]) &&
                 std::iswxdigit(hex[1])) {
        bytes_ += static_cast<char>(std::wcstol(hex.c_str(), nullptr, 16));
      }
      return end;
    }
    if (!IsLetter(n)) {
      // A control symbol: an escaped character, or one that stands for a character.
      if (pendingSkip_ > 0) {
        --pendingSkip_;
        return i + 1;
      }
      if (!state_.skip) {
        if (n == L'\\' || n == L'{' || n == L'}') Char(n);
        if (n == L'~') Char(L'\u00A0');
        if (n == L'_') Char(L'\u2011');
        if (n == L'\r' || n == L'\n') Break(true);
      }
      return i + 1;
    }
    size_t start = i;
    while (i < rtf_.size() && IsLetter(rtf_[i])) ++i;
    std::wstring word = rtf_.substr(start, i - start);
    size_t numStart = i;
    if (i < rtf_.size() && (rtf_[i] == L'-' || IsDigit(rtf_[i]))) {
      ++i;
      while (i < rtf_.size() && IsDigit(rtf_[i])) ++i;
    }
    std::wstring num = rtf_.substr(numStart, i - numStart);
    if (i < rtf_.size() && rtf_[i] == L' ') ++i;
    bool hasNum = !num.empty() && num != L"-";
    // Digits past any real parameter still belong to the control word; its value is clamped.
    long value = hasNum ? std::wcstol(num.substr(0, 12).c_str(), nullptr, 10) : 0;

    if (word == L"bin") {
      // Binary data of the given length, never text.
      size_t length = hasNum && value > 0 ? static_cast<size_t>(value) : 0;
      return std::min(rtf_.size(), i + length);
    }
    if (pendingSkip_ > 0) {
      --pendingSkip_;  // a control word counts as one of the stand-in characters
      return i;
    }
    if (word == L"fonttbl" || word == L"colortbl" || word == L"stylesheet" || word == L"info" ||
        word == L"pict" || word == L"header" || word == L"footer" || word == L"object") {
      Flush();
      state_.skip = true;
      return i;
    }
    if (word == L"fromhtml") {
      fromHtml_ = !hasNum || value != 0;
      return i;
    }
    // A tag of the carried HTML: a destination that RTF readers skip and the HTML reader keeps,
    // unless it sits inside one that is skipped anyway.
    if (word == L"htmltag" && html_ && fromHtml_ && !stack_.empty() && !stack_.back().skip) {
      Flush();
      state_.skip = false;
      return i;
    }
    if (word == L"htmlrtf") {
      Flush();
      state_.htmlRtf = !hasNum || value != 0;
      return i;
    }
    if (word == L"ansicpg" && hasNum) {
      Flush();
      codePage_ = static_cast<int>(value);
      return i;
    }
    if (word == L"uc" && hasNum && value >= 0) {
      state_.uc = static_cast<int>(std::min(value, 16L));
      return i;
    }
    if (word == L"b" || word == L"i" || word == L"ul" || word == L"ulnone" || word == L"plain") {
      Flush();
      bool on = !hasNum || value != 0;
      if (word == L"b") state_.bold = on;
      if (word == L"i") state_.italic = on;
      if (word == L"ul") state_.underline = on;
      if (word == L"ulnone") state_.underline = false;
      if (word == L"plain") state_.bold = state_.italic = state_.underline = false;
      return i;
    }
    if (state_.skip) return i;
    if (word == L"par") Break(true);
    if (word == L"line") Break(false);
    if (word == L"tab") Char(L'\t');
    // A table reads as Outlook shows it in plain text: its cells apart by tabs, a row a line.
    if (word == L"cell" || word == L"nestcell") {
      Char(L'\t');
      cellTab_ = !Suppressed();
    }
    if (word == L"row" || word == L"nestrow") {
      FlushBytes();  // a character of bytes after the cell's tab keeps it
      if (cellTab_ && !text_.empty() && text_.back() == L'\t') text_.pop_back();
      Break(true);
    }
    if (word == L"u" && hasNum) {
      Char(static_cast<wchar_t>(static_cast<uint16_t>(value)));
      pendingSkip_ = state_.uc;
    }
    static const struct {
      const wchar_t* word;
      wchar_t c;
    } kSymbols[] = {{L"rquote", L'\u2019'},    {L"lquote", L'\u2018'},  {L"ldblquote", L'\u201C'},
                    {L"rdblquote", L'\u201D'}, {L"endash", L'\u2013'},  {L"emdash", L'\u2014'},
                    {L"bullet", L'\u2022'},    {L"enspace", L'\u2002'}, {L"emspace", L'\u2003'}};
    for (const auto& symbol : kSymbols)
      if (word == symbol.word) Char(symbol.c);
    return i;
  }

  bool Suppressed() const { return html_ && fromHtml_ && state_.htmlRtf; }

  void Char(wchar_t c) {
    if (Suppressed()) return;
    FlushBytes();
    cellTab_ = false;
    // Two \uN halves of one character beyond the basic plane make that character again.
    if (c >= 0xDC00 && c <= 0xDFFF && !text_.empty() && text_.back() >= 0xD800 &&
        text_.back() <= 0xDBFF) {
      wchar_t high = text_.back();
      text_.back() = static_cast<wchar_t>(0x10000 + ((high - 0xD800) << 10) + (c - 0xDC00));
      return;
    }
    text_ += c;
  }
  void Break(bool paragraph) {
    if (Suppressed()) return;
    Flush(true);
    cellTab_ = false;
    if (paragraph)
      sink_.Par();
    else
      sink_.Line();
  }
  void FlushBytes() {
    if (bytes_.empty()) return;
    cellTab_ = false;
    text_ += DecodeCodePage(bytes_, codePage_);
    bytes_.clear();
  }
  // A first half of a character beyond the basic plane waits for its second across group
  // and formatting changes (`\u-10179?{}\u-8704?`), unless the text ends or breaks there; so
  // does a cell's tab, which the end of its row takes back (`b\cell }{\trowd ...\row }`).
  void Flush(bool all = false) {
    FlushBytes();
    wchar_t held = 0;
    if (!all && !text_.empty() &&
        ((text_.back() >= 0xD800 && text_.back() <= 0xDBFF) ||
         (cellTab_ && text_.back() == L'\t'))) {
      held = text_.back();
      text_.pop_back();
    }
    if (!text_.empty()) sink_.Text(text_, state_);
    text_.clear();
    if (held) text_ += held;
  }

  const std::wstring& rtf_;
  Sink& sink_;
  bool html_ = false;
  bool fromHtml_ = false;
  RtfState state_;
  std::vector<RtfState> stack_;
  int pendingSkip_ = 0;
  bool cellTab_ = false;  // the text ends in the tab after a table cell
  int codePage_ = 1252;
  std::string bytes_;
  std::wstring text_;
};

struct TextSink : RtfReader::Sink {
  std::wstring out;
  void Text(const std::wstring& text, const RtfState&) override { out += text; }
  void Par() override { out += L"\r\n"; }
  void Line() override { out += L"\r\n"; }
};

void AppendUnicode(std::wstring& out, uint32_t code) {
  out += L"\\u" + std::to_wstring(static_cast<int16_t>(code)) + L"?";
}

// Text as RTF text that reads back as exactly that text.
void AppendRtfText(std::wstring& out, std::wstring_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    wchar_t c = text[i];
    auto code = static_cast<uint32_t>(c);
    if (c == L'\\' || c == L'{' || c == L'}') {
      out += L'\\';
      out += c;
    } else if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
      out += L"\\par\r\n";
      ++i;
    } else if (code < 0x20) {
      AppendUnicode(out, code);  // a reader drops a bare line end; this comes back as itself
    } else if (code < 0x80) {
      out += c;
    } else if (code > 0xFFFF) {
      code -= 0x10000;
      AppendUnicode(out, 0xD800 + (code >> 10));
      AppendUnicode(out, 0xDC00 + (code & 0x3FF));
    } else {
      AppendUnicode(out, code);
    }
  }
}

// Elements whose content is no text of the page: kept in their start tag's group.
bool HoldsNoText(const std::wstring& name) {
  return name == L"style" || name == L"script" || name == L"title";
}

}  // namespace

std::wstring RtfToText(const std::wstring& rtf) {
  TextSink sink;
  RtfReader(rtf, sink).Run();
  return sink.out;
}

std::wstring HtmlToRtf(const std::wstring& html) {
  std::wstring out =
      L"{\\rtf1\\ansi\\ansicpg1252\\fromhtml1 \\deff0{\\fonttbl{\\f0\\fswiss Arial;}"
      L"{\\f1\\fmodern Courier New;}}\r\n";
  std::wstring lower = Lower(html);
  size_t i = 0;
  while (i < html.size()) {
    size_t open = html.find(L'<', i);
    if (open == std::wstring::npos) open = html.size();
    AppendRtfText(out, std::wstring_view(html).substr(i, open - i));
    if (open == html.size()) break;
    size_t end =
        html.compare(open, 4, L"<!--") == 0 ? html.find(L"-->", open + 4) : html.find(L'>', open);
    if (end == std::wstring::npos) {
      AppendRtfText(out, std::wstring_view(html).substr(open));  // a lone '<' is text
      break;
    }
    end = html.compare(end, 3, L"-->") == 0 ? end + 3 : end + 1;
    size_t nameEnd = lower.find_first_of(L" \t\r\n/>", open + 1);
    std::wstring name = lower.substr(open + 1, nameEnd - open - 1);
    if (HoldsNoText(name)) {
      size_t close = lower.find(L"</" + name, end);
      close = close == std::wstring::npos ? std::wstring::npos : lower.find(L'>', close);
      end = close == std::wstring::npos ? html.size() : close + 1;
    }
    out += L"{\\*\\htmltag ";
    AppendRtfText(out, std::wstring_view(html).substr(open, end - open));
    out += L"}";
    i = end;
  }
  return out + L"}";
}

bool HtmlFromRtf(const std::wstring& rtf, std::wstring& html) {
  TextSink sink;
  RtfReader reader(rtf, sink, true);
  reader.Run();
  if (!reader.CarriesHtml()) return false;
  html = std::move(sink.out);
  return true;
}

std::wstring RtfToHtml(const std::wstring& rtf) {
  struct HtmlSink : RtfReader::Sink {
    std::wstring out, paragraph;
    void Text(const std::wstring& text, const RtfState& state) override {
      std::wstring escaped;
      for (wchar_t c : text) {
        if (c == L'\t')
          escaped += L"&nbsp;&nbsp;&nbsp;&nbsp;";
        else
          escaped += HtmlEscape(std::wstring(1, c));
      }
      if (state.underline) escaped = L"<u>" + escaped + L"</u>";
      if (state.italic) escaped = L"<i>" + escaped + L"</i>";
      if (state.bold) escaped = L"<b>" + escaped + L"</b>";
      paragraph += escaped;
    }
    void Par() override {
      out += L"<p>" + (paragraph.empty() ? std::wstring(L"<br>") : paragraph) + L"</p>\r\n";
      paragraph.clear();
    }
    void Line() override { paragraph += L"<br>\r\n"; }
  } sink;
  RtfReader(rtf, sink).Run();
  if (!sink.paragraph.empty()) sink.out += L"<p>" + sink.paragraph + L"</p>\r\n";
  return L"<html>\r\n<head>\r\n</head>\r\n<body>\r\n" + sink.out + L"</body>\r\n</html>\r\n";
}

namespace {

std::pair<size_t, size_t> BodyContentSpan(const std::wstring& html) {
  // The body tag itself: not one inside a comment, nor "<bodyx", nor a '>' of its attributes.
  size_t open = std::wstring::npos;
  for (size_t at = html.find(L'<'); at != std::wstring::npos; at = html.find(L'<', at + 1)) {
    if (html.compare(at, 4, L"<!--") == 0) {
      at = html.find(L"-->", at + 4);
      if (at == std::wstring::npos) break;
      continue;
    }
    wchar_t after = at + 5 < html.size() ? html[at + 5] : L'\0';
    if (HasAt(html, at, L"<body") && (after == L'>' || after == L'/' || after == L' ' ||
                                      after == L'\t' || after == L'\r' || after == L'\n')) {
      open = at;
      break;
    }
  }
  const std::wstring_view whole(html);
  if (open == std::wstring::npos) return {0, html.size()};
  size_t start = TagEnd(whole, open);
  if (start == std::wstring::npos) return {0, html.size()};
  size_t end = FindNoCase(whole, L"</body>", start);
  return {start + 1, end == std::wstring::npos ? html.size() : end};
}

}  // namespace

std::wstring_view HtmlBodyContentView(const std::wstring& html, std::wstring& scratch) {
  const auto [begin, end] = BodyContentSpan(html);
  const std::wstring_view whole(html);
  const std::wstring_view content = whole.substr(begin, end - begin);
  if (end == html.size()) return content;
  // What follows </body> (a mailing list's footer) is shown by every browser: it stays,
  // without the closing tags themselves.
  std::wstring tail(whole.substr(end + 7));
  for (size_t at = FindNoCase(tail, L"</html>", 0); at != std::wstring::npos;
       at = FindNoCase(tail, L"</html>", 0))
    tail.erase(at, 7);
  if (tail.find_first_not_of(L" \t\r\n") == std::wstring::npos) return content;
  scratch.reserve(content.size() + tail.size());
  scratch.assign(content).append(tail);
  return scratch;
}

std::wstring HtmlBodyContent(const std::wstring& html) {
  std::wstring scratch;
  const std::wstring_view content = HtmlBodyContentView(html, scratch);
  if (content.data() == scratch.data()) return scratch;
  return std::wstring(content);
}

}  // namespace outlook::body
