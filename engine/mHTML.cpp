#include "engine/mHTML.h"

#include <cwctype>

#include "core/Main.h"
#include "platform/vb/Runtime.h"

namespace mHTML {
namespace {

bool IsSpace(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

size_t SkipSpace(const std::wstring& text, size_t pos) {
  while (pos < text.size() && IsSpace(text[pos])) ++pos;
  return pos;
}

// A value runs to the next whitespace outside quotes; each quote character opens or closes
// its kind of quoting unless it stands inside the other kind.
size_t ValueEnd(const std::wstring& text, size_t pos) {
  bool inDouble = false, inSingle = false;
  for (; pos < text.size(); ++pos) {
    wchar_t c = text[pos];
    if (c == L'"' && !inSingle) {
      inDouble = !inDouble;
    } else if (c == L'\'' && !inDouble) {
      inSingle = !inSingle;
    } else if (IsSpace(c) && !inDouble && !inSingle) {
      break;
    }
  }
  return pos;
}

// The ">" that ends the tag opened at `open`: one inside a quoted attribute value is the
// value's. A quote never closed leaves the first ">" to end it, as before any quote was read.
size_t TagClose(const std::wstring& text, size_t open) {
  wchar_t quote = 0;
  wchar_t last = 0;  // the last character outside blanks, to see a value start
  for (size_t k = open + 1; k < text.size(); ++k) {
    wchar_t c = text[k];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if ((c == L'"' || c == L'\'') && last == L'=') {
      quote = c;
    } else if (c == L'>') {
      return k;
    }
    if (!IsSpace(c)) last = c;
  }
  return quote ? text.find(L'>', open + 1) : std::wstring::npos;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
  return vb::LCase(vb::Trim(a)) == vb::LCase(vb::Trim(b));
}

}  // namespace

bool SplitTag(const std::wstring& sTag, std::wstring& sTagName, std::vector<std::wstring>& names,
              std::vector<std::wstring>& values) {
  names.clear();
  values.clear();
  auto parseError = [&] {
    LogError(L"mHTML::SplitTag", 0, L"Parse error in {" + sTag + L"}");
    return false;
  };
  size_t open = sTag.find(L'<');
  if (open == std::wstring::npos) return parseError();
  size_t close = TagClose(sTag, open);
  if (close == std::wstring::npos) return parseError();
  const std::wstring content = sTag.substr(open + 1, close - open - 1);

  size_t pos = 0;
  while (pos < content.size() && !IsSpace(content[pos])) ++pos;
  sTagName = content.substr(0, pos);

  for (;;) {
    pos = SkipSpace(content, pos);
    if (pos >= content.size()) return true;
    size_t start = pos;
    while (pos < content.size() && !IsSpace(content[pos]) && content[pos] != L'=') ++pos;
    if (pos == start) return parseError();  // "=" with no name before it
    names.push_back(content.substr(start, pos - start));
    size_t next = SkipSpace(content, pos);
    if (next >= content.size() || content[next] != L'=') {
      values.emplace_back();  // a bare attribute such as "nowrap"
      continue;
    }
    pos = SkipSpace(content, next + 1);
    size_t end = ValueEnd(content, pos);
    values.push_back(content.substr(pos, end - pos));
    pos = end;
  }
}

std::wstring ExtractTagParam(const std::wstring& sTag, const std::wstring& sParam) {
  return TrapOr(L"mHTML::ExtractTagParam", std::wstring(), [&] {
    std::wstring name;
    std::vector<std::wstring> names, values;
    if (!SplitTag(sTag, name, names, values)) return std::wstring();
    for (size_t i = 0; i < names.size(); ++i)
      if (SameName(names[i], sParam)) return vb::Trim(values[i]);
    return std::wstring();
  });
}

std::wstring InsertTagParam(const std::wstring& sTag, const std::wstring& sParam,
                            const std::wstring& sValue) {
  return TrapOr(L"mHTML::InsertTagParam", std::wstring(), [&] {
    std::wstring name, params;
    std::vector<std::wstring> names, values;
    if (SplitTag(sTag, name, names, values)) {
      params = sParam + L"=" + sValue;
      for (size_t i = 0; i < names.size(); ++i) {
        if (SameName(names[i], sParam)) continue;
        params += L" " + vb::Trim(names[i]);
        std::wstring value = vb::Trim(values[i]);
        if (!value.empty()) params += L"=" + value;
      }
    }
    return L"<body " + params + L">";
  });
}

std::pair<size_t, size_t> FindBodyTag(const std::wstring& html) {
  constexpr auto npos = std::wstring::npos;
  for (size_t i = html.find(L'<'); i != npos; i = html.find(L'<', i + 1)) {
    if (html.compare(i, 4, L"<!--") == 0) {
      i = html.find(L"-->", i + 4);
      if (i == npos) break;
      continue;
    }
    if (i + 5 > html.size()) break;
    std::wstring name = html.substr(i + 1, 4);
    for (wchar_t& c : name) c = static_cast<wchar_t>(std::towlower(c));
    wchar_t after = i + 5 < html.size() ? html[i + 5] : L'\0';
    if (name != L"body" || !(after == L'>' || after == L'/' || std::iswspace(after))) continue;
    size_t close = TagClose(html, i);
    return close == npos ? std::pair{npos, npos} : std::pair{i, close};
  }
  return {npos, npos};
}

}  // namespace mHTML
