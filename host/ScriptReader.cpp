#include "host/ScriptReader.h"

#include <cwctype>

#include "platform/win32/CodePage.h"

namespace host {
namespace {
bool Blank(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

std::wstring Upper(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(std::towupper(c));
  return s;
}
}  // namespace

std::vector<Word> SplitLine(const std::wstring& line) {
  std::vector<Word> words;
  size_t i = 0;
  while (i < line.size()) {
    if (Blank(line[i])) {
      ++i;
      continue;
    }
    if (line[i] == L'#' && !(i + 1 < line.size() && std::iswdigit(line[i + 1]))) break;
    Word word;
    if (line[i] == L'"') {
      word.quoted = true;
      ++i;
      bool closed = false;
      while (i < line.size()) {
        wchar_t c = line[i++];
        if (c == L'"') {
          closed = true;
          break;
        }
        if (c != L'\\') {
          word.text += c;
          continue;
        }
        if (i >= line.size()) break;
        wchar_t e = line[i++];
        if (e == L'"' || e == L'\\')
          word.text += e;
        else if (e == L'n')
          word.text += L'\n';
        else
          throw ScriptError("unknown escape \\" + Utf8(std::wstring(1, e)) + " in a quoted text");
      }
      if (!closed) throw ScriptError("a quoted text is not closed");
      // A ";" may close a dialog action right after its text.
      if (i < line.size() && !Blank(line[i]) && line[i] != L';')
        throw ScriptError("a quoted text runs into the next word");
    } else {
      while (i < line.size() && !Blank(line[i])) {
        if (line[i] == L'"') throw ScriptError("a quote inside a word");
        word.text += line[i++];
      }
    }
    words.push_back(std::move(word));
  }
  return words;
}

std::optional<Chord> ParseChord(const std::wstring& text) {
  Chord chord;
  std::wstring rest = text;
  bool haveKey = false;
  while (!rest.empty()) {
    size_t plus = rest.find(L'+', 1);  // "Ctrl++" is not a chord this program plays
    std::wstring part = Upper(rest.substr(0, plus));
    rest = plus == std::wstring::npos ? L"" : rest.substr(plus + 1);
    if (plus != std::wstring::npos && rest.empty()) return std::nullopt;
    if (haveKey) return std::nullopt;  // the key comes last
    if (part == L"CTRL") {
      chord.ctrl = true;
    } else if (part == L"ALT") {
      chord.alt = true;
    } else if (part == L"SHIFT") {
      chord.shift = true;
    } else if (part == L"ALTGR") {
      chord.altGr = true;
    } else {
      haveKey = true;
      if (part.size() == 1 && (std::iswupper(part[0]) || std::iswdigit(part[0])) &&
          part[0] < 0x80) {
        chord.key = static_cast<uint8_t>(part[0]);
      } else if (part.size() >= 2 && part[0] == L'F' && std::iswdigit(part[1])) {
        int n = 0;
        for (size_t k = 1; k < part.size(); ++k) {
          if (part[k] < L'0' || part[k] > L'9') return std::nullopt;
          n = n * 10 + (part[k] - L'0');
          if (n > 12) return std::nullopt;  // before the number can grow past any int
        }
        if (n < 1) return std::nullopt;
        chord.key = static_cast<uint8_t>(0x6F + n);
      } else {
        static const struct {
          const wchar_t* name;
          uint8_t key;
        } kNamed[] = {{L"ENTER", 0x0D},  {L"ESC", 0x1B},    {L"TAB", 0x09},
                      {L"INSERT", 0x2D}, {L"DELETE", 0x2E}, {L"LEFT", 0x25},
                      {L"UP", 0x26},     {L"RIGHT", 0x27},  {L"DOWN", 0x28}};
        bool found = false;
        for (const auto& named : kNamed)
          if (part == named.name) {
            chord.key = named.key;
            found = true;
          }
        if (!found) return std::nullopt;
      }
    }
  }
  if (!haveKey || (chord.altGr && (chord.ctrl || chord.alt))) return std::nullopt;
  return chord;
}

std::optional<int32_t> ItemNumber(const Word& word) {
  if (word.quoted || word.text.size() < 2 || word.text[0] != L'#') return std::nullopt;
  int32_t n = 0;
  for (size_t i = 1; i < word.text.size(); ++i) {
    if (!std::iswdigit(word.text[i]) || n > 100000000) return std::nullopt;
    n = n * 10 + (word.text[i] - L'0');
  }
  return n;
}

// The platform's conversion, so the program's texts and the system's agree on bad bytes.
std::string Utf8(const std::wstring& text) {
  return win32::WideToMultiByte(win32::CP_UTF8, text);
}

std::wstring FromUtf8(const std::string& text) {
  return win32::MultiByteToWide(win32::CP_UTF8, text);
}

}  // namespace host
