#include "platform/outlook/BodyConvert.h"

#include <cwchar>
#include <cwctype>

#include "platform/outlook/Props.h"
#include "platform/win32/CodePage.h"

namespace outlook::body {

std::wstring HtmlEscape(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    switch (c) {
      case L'&':
        out += L"&amp;";
        break;
      case L'<':
        out += L"&lt;";
        break;
      case L'>':
        out += L"&gt;";
        break;
      case L'"':
        out += L"&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::wstring TextToHtml(const std::wstring& text) {
  std::wstring out = L"<html>\r\n<head>\r\n</head>\r\n<body>\r\n";
  std::wstring escaped = HtmlEscape(text);
  for (size_t i = 0; i < escaped.size(); ++i) {
    if (escaped[i] == L'\r' && i + 1 < escaped.size() && escaped[i + 1] == L'\n') {
      out += L"<br>\r\n";
      ++i;
    } else if (escaped[i] == L'\n') {
      out += L"<br>\r\n";
    } else {
      out += escaped[i];
    }
  }
  return out + L"\r\n</body>\r\n</html>\r\n";
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
    if (code > 0 && code < 0x10000) return std::wstring(1, static_cast<wchar_t>(code));
  }
  return L"&" + name + L";";
}

}  // namespace

std::wstring HtmlToText(const std::wstring& html) {
  std::wstring out;
  std::wstring content = HtmlBodyContent(html);
  size_t i = 0;
  bool skipping = false;
  std::wstring skipEnd;
  while (i < content.size()) {
    wchar_t c = content[i];
    if (c == L'<') {
      size_t close = content.find(L'>', i);
      if (close == std::wstring::npos) break;
      std::wstring tag = Lower(content.substr(i + 1, close - i - 1));
      std::wstring name = tag.substr(0, tag.find_first_of(L" \t\r\n/", tag[0] == L'/' ? 1 : 0));
      if (skipping) {
        if (name == skipEnd) skipping = false;
      } else if (name == L"head" || name == L"style" || name == L"script") {
        skipping = true;
        skipEnd = L"/" + name;
      } else if (name == L"br" || name == L"/p" || name == L"/div" || name == L"/tr") {
        out += L"\r\n";
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
      if (semi != std::wstring::npos && semi - i <= 8) {
        out += DecodeEntity(content.substr(i + 1, semi - i - 1));
        i = semi + 1;
        continue;
      }
    }
    // Source line breaks are layout only in HTML.
    if (c != L'\r' && c != L'\n') out += c;
    ++i;
  }
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
    } else {
      out += L"\\u" + std::to_wstring(static_cast<int16_t>(c)) + L"?";
    }
  }
  return out + L"}";
}

std::wstring RtfToText(const std::wstring& rtf) {
  std::wstring out;
  // Per group: whether its text is skipped.
  std::wstring skipStack;
  bool skip = false;
  int ucSkip = 0;
  size_t i = 0;
  while (i < rtf.size()) {
    wchar_t c = rtf[i];
    if (c == L'{') {
      skipStack += skip ? L'1' : L'0';
      ++i;
      if (rtf.compare(i, 2, L"\\*") == 0) skip = true;
      continue;
    }
    if (c == L'}') {
      if (!skipStack.empty()) {
        skip = skipStack.back() == L'1';
        skipStack.pop_back();
      }
      ++i;
      continue;
    }
    if (c == L'\\') {
      ++i;
      if (i >= rtf.size()) break;
      wchar_t n = rtf[i];
      if (n == L'\\' || n == L'{' || n == L'}') {
        if (!skip) out += n;
        ++i;
        continue;
      }
      if (n == L'\'') {
        if (!skip && i + 2 < rtf.size()) {
          std::string byte(
              1, static_cast<char>(std::wcstol(rtf.substr(i + 1, 2).c_str(), nullptr, 16)));
          out += win32::FromAnsi(byte);
        }
        i += 3;
        continue;
      }
      size_t start = i;
      while (i < rtf.size() && std::iswalpha(rtf[i])) ++i;
      std::wstring word = rtf.substr(start, i - start);
      size_t numStart = i;
      if (i < rtf.size() && (rtf[i] == L'-' || std::iswdigit(rtf[i]))) {
        ++i;
        while (i < rtf.size() && std::iswdigit(rtf[i])) ++i;
      }
      std::wstring num = rtf.substr(numStart, i - numStart);
      if (i < rtf.size() && rtf[i] == L' ') ++i;
      if (word == L"fonttbl" || word == L"colortbl" || word == L"stylesheet" || word == L"info" ||
          word == L"pict") {
        skip = true;
      } else if (!skip) {
        if (word == L"par" || word == L"line") out += L"\r\n";
        if (word == L"tab") out += L'\t';
        if (word == L"u" && !num.empty()) {
          out += static_cast<wchar_t>(static_cast<uint16_t>(std::wcstol(num.c_str(), nullptr, 10)));
          ucSkip = 1;
        }
      }
      continue;
    }
    if (c == L'\r' || c == L'\n') {
      ++i;
      continue;
    }
    if (ucSkip > 0) {
      --ucSkip;
    } else if (!skip) {
      out += c;
    }
    ++i;
  }
  return out;
}

std::wstring HtmlBodyContent(const std::wstring& html) {
  std::wstring lower = Lower(html);
  size_t open = lower.find(L"<body");
  if (open == std::wstring::npos) return html;
  size_t start = lower.find(L'>', open);
  if (start == std::wstring::npos) return html;
  size_t end = lower.find(L"</body>", start);
  return html.substr(start + 1, end == std::wstring::npos ? std::wstring::npos : end - start - 1);
}

}  // namespace outlook::body
