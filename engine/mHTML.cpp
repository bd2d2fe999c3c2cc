#include "engine/mHTML.h"

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
  size_t close = sTag.find(L'>', open + 1);
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

}  // namespace mHTML
