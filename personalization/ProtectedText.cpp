#include "personalization/ProtectedText.h"

#include <algorithm>

#include "platform/vb/Runtime.h"

namespace {

bool SameChar(wchar_t a, wchar_t b) {
  return a == b || vb::LowerChar(a) == vb::LowerChar(b);
}

std::wstring StripTags(std::wstring text) {
  for (;;) {
    size_t open = text.find(L'<');
    if (open == std::wstring::npos) return text;
    size_t close = text.find(L'>', open + 1);
    if (close == std::wstring::npos) return text;
    text.erase(open, close - open + 1);
  }
}

bool IsAsciiLetter(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}
bool IsDigit(wchar_t c) {
  return c >= L'0' && c <= L'9';
}

// The end of the control word or symbol whose backslash is at `at`.
size_t ControlEnd(std::wstring_view rtf, size_t at) {
  size_t i = at + 1;
  if (i >= rtf.size()) return i;
  if (rtf[i] == L'\'') return std::min(rtf.size(), i + 3);
  if (!IsAsciiLetter(rtf[i])) return i + 1;
  while (i < rtf.size() && IsAsciiLetter(rtf[i])) ++i;
  if (i < rtf.size() && rtf[i] == L'-') ++i;
  while (i < rtf.size() && IsDigit(rtf[i])) ++i;
  return i;
}

// The text a reader sees of an RTF stretch, and its markup with each control word delimited.
void SplitRtf(std::wstring_view part, std::wstring& text, std::wstring& markup) {
  for (size_t i = 0; i < part.size();) {
    wchar_t c = part[i];
    if (c == L'\\') {
      size_t end = ControlEnd(part, i);
      wchar_t n = i + 1 < part.size() ? part[i + 1] : L'\0';
      if (n == L'\\' || n == L'{' || n == L'}') {
        text += n;
      } else if (n == L'\'') {
        text += L'?';  // a character of the code page: never part of a field's name
      } else {
        markup += part.substr(i, end - i);
        if (IsAsciiLetter(n)) markup += L' ';
        if (end < part.size() && part[end] == L' ') ++end;
      }
      i = end;
    } else if (c == L'{' || c == L'}') {
      markup += c;
      ++i;
    } else {
      if (c != L'\r' && c != L'\n') text += c;
      ++i;
    }
  }
}

}  // namespace

size_t FindNoCase(std::wstring_view text, std::wstring_view find, size_t from) {
  if (find.empty()) return from <= text.size() ? from : std::wstring_view::npos;
  if (find.size() > text.size()) return std::wstring_view::npos;
  for (size_t i = from; i + find.size() <= text.size(); ++i) {
    if (!SameChar(text[i], find[0])) continue;
    size_t k = 1;
    while (k < find.size() && SameChar(text[i + k], find[k])) ++k;
    if (k == find.size()) return i;
  }
  return std::wstring_view::npos;
}

bool EqualNoCase(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() && FindNoCase(a, b) == 0;
}

ProtectedText::ProtectedText(std::wstring text) {
  pieces_.push_back({std::move(text), false});
}

int ProtectedText::Replace(std::wstring_view token, const std::wstring& value) {
  if (token.empty()) return 0;
  int count = 0;
  std::vector<Piece> out;
  out.reserve(pieces_.size());
  for (auto& piece : pieces_) {
    if (piece.inserted) {
      out.push_back(std::move(piece));
      continue;
    }
    size_t start = 0;
    for (size_t at = FindNoCase(piece.text, token); at != std::wstring::npos;
         at = FindNoCase(piece.text, token, start)) {
      out.push_back({piece.text.substr(start, at - start), false});
      out.push_back({value, true});
      start = at + token.size();
      ++count;
    }
    out.push_back({piece.text.substr(start), false});
  }
  pieces_ = std::move(out);
  return count;
}

template <class Match>
int ProtectedText::ReplaceStretches(size_t first, size_t at, const std::wstring& value,
                                    Match match) {
  int count = 0;
  std::vector<Piece> out(std::make_move_iterator(pieces_.begin()),
                         std::make_move_iterator(pieces_.begin() + static_cast<long>(first)));
  for (size_t i = first; i < pieces_.size(); ++i) {
    Piece& piece = pieces_[i];
    if (piece.inserted) {
      out.push_back(std::move(piece));
      continue;
    }
    const std::wstring& text = piece.text;
    size_t start = 0;  // what is not yet copied out
    size_t pos = i == first ? at : 0;
    for (;;) {
      size_t p1 = text.find(L'%', pos);
      if (p1 == std::wstring::npos) break;
      size_t p2 = text.find(L'%', p1 + 1);
      if (p2 == std::wstring::npos) break;
      std::wstring_view part(text.data() + p1 + 1, p2 - p1 - 1);
      std::wstring markup;
      if (match(part, markup)) {
        out.push_back({text.substr(start, p1 - start), false});
        out.push_back({value, true});
        if (!markup.empty()) out.push_back({markup, true});  // no token can start in it
        start = pos = p2 + 1;
        ++count;
      } else {
        pos = p2;  // the closing sign of this pair may open the next
      }
    }
    out.push_back({text.substr(start), false});
  }
  pieces_ = std::move(out);
  return count;
}

int ProtectedText::ReplaceSplit(std::wstring_view token, const std::wstring& value) {
  if (token.size() < 2) return 0;
  std::wstring_view name = token.substr(1, token.size() - 2);
  // The search starts at the first "<body"; what a replacement inserted is escaped markup-free
  // text, so the tag lies in the original text.
  size_t bodyPiece = pieces_.size(), bodyAt = 0;
  for (size_t i = 0; i < pieces_.size() && bodyPiece == pieces_.size(); ++i) {
    if (pieces_[i].inserted) continue;
    size_t at = FindNoCase(pieces_[i].text, L"<body");
    if (at != std::wstring::npos) bodyPiece = i, bodyAt = at;
  }
  if (bodyPiece == pieces_.size()) return 0;
  // Tags may split the name itself ("First<b>Name</b>"), not only stand around it.
  return ReplaceStretches(bodyPiece, bodyAt, value, [&](std::wstring_view part, std::wstring&) {
    return part.find(L'<') != std::wstring_view::npos &&
           EqualNoCase(StripTags(std::wstring(part)), name);
  });
}

int ProtectedText::ReplaceSplitRtf(std::wstring_view token, const std::wstring& value) {
  if (token.size() < 2) return 0;
  std::wstring_view name = token.substr(1, token.size() - 2);
  return ReplaceStretches(0, 0, value, [&](std::wstring_view part, std::wstring& markup) {
    std::wstring seen;
    if (part.find_first_of(L"\\{}") != std::wstring_view::npos) SplitRtf(part, seen, markup);
    return !markup.empty() && EqualNoCase(seen, name);
  });
}

std::wstring ProtectedText::str() const {
  size_t size = 0;
  for (const auto& piece : pieces_) size += piece.text.size();
  std::wstring text;
  text.reserve(size);
  for (const auto& piece : pieces_) text += piece.text;
  return text;
}

std::wstring HtmlEscapeValue(const std::wstring& value) {
  std::wstring out;
  out.reserve(value.size());
  for (wchar_t c : value) {
    if (c == L'&')
      out += L"&amp;";
    else if (c == L'<')
      out += L"&lt;";
    else if (c == L'>')
      out += L"&gt;";
    else
      out += c;
  }
  return out;
}

std::wstring RtfEscapeValue(const std::wstring& value) {
  std::wstring out;
  out.reserve(value.size());
  auto unicode = [&](uint32_t unit) {
    // RTF writes a UTF-16 unit as a signed 16-bit number, with "?" for readers without it.
    int32_t n = unit > 0x7FFF ? static_cast<int32_t>(unit) - 0x10000 : static_cast<int32_t>(unit);
    out += L"\\u" + std::to_wstring(n) + L"?";
  };
  for (size_t i = 0; i < value.size(); ++i) {
    wchar_t c = value[i];
    auto u = static_cast<uint32_t>(c);
    if (c == L'\\' || c == L'{' || c == L'}') {
      out += L'\\';
      out += c;
    } else if (c == L'\r' || c == L'\n') {
      // A value of several lines (an address) keeps its lines: a bare CR LF is no break in RTF.
      if (c == L'\r' && i + 1 < value.size() && value[i + 1] == L'\n') ++i;
      out += L"\\par ";
    } else if (u < 0x80) {
      out += c;
    } else if (u > 0xFFFF) {
      u -= 0x10000;
      unicode(0xD800 + (u >> 10));
      unicode(0xDC00 + (u & 0x3FF));
    } else {
      unicode(u);
    }
  }
  return out;
}

std::wstring RtfDelimitControlWords(const std::wstring& rtf) {
  std::wstring out;
  out.reserve(rtf.size() + 16);
  for (size_t i = 0; i < rtf.size();) {
    if (rtf[i] != L'\\') {
      out += rtf[i++];
      continue;
    }
    size_t end = ControlEnd(rtf, i);
    out.append(rtf, i, end - i);
    if (i + 1 < rtf.size() && IsAsciiLetter(rtf[i + 1]) && end < rtf.size() && rtf[end] == L'%')
      out += L' ';
    i = end;
  }
  return out;
}

void ReplaceInBody(ProtectedText& body, int32_t format, std::wstring_view token,
                   const std::wstring& value, const HtmlSplitStep& htmlSplit) {
  // A value must not break the markup or the RTF control words around it.
  std::wstring escaped = format == 2   ? HtmlEscapeValue(value)
                         : format == 3 ? RtfEscapeValue(value)
                                       : value;
  body.Replace(token, escaped);
  if (format == 2) {
    if (htmlSplit)
      htmlSplit(body, token, escaped);
    else
      body.ReplaceSplit(token, escaped);
  }
  if (format == 3) body.ReplaceSplitRtf(token, escaped);
}
