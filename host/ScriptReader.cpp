#include "host/ScriptReader.h"

#include <algorithm>
#include <cstdint>
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

bool IsText(std::string_view bytes) {
  for (char c : bytes) {
    auto b = static_cast<unsigned char>(c);
    if ((b < 0x20 && b != '\t' && b != '\n' && b != '\r' && b != '\f') || b == 0x7F) return false;
  }
  return true;
}

namespace {
constexpr size_t kShownMost = 160;

void AppendVisible(std::wstring& out, std::wstring_view text, bool keepLineEnds) {
  static const wchar_t kHex[] = L"0123456789abcdef";
  for (wchar_t c : text) {
    bool control = (c < 0x20 || c == 0x7F) && c != L'\t';
    if (keepLineEnds && (c == L'\n' || c == L'\r')) control = false;
    if (!control) {
      out += c;
    } else {
      out += L"\\x";
      out += kHex[(c >> 4) & 0xF];
      out += kHex[c & 0xF];
    }
  }
}

std::wstring ShownWide(const std::wstring& text) {
  std::wstring out;
  AppendVisible(out, std::wstring_view(text).substr(0, kShownMost), false);
  if (text.size() > kShownMost) out += L"... (" + std::to_wstring(text.size()) + L" characters)";
  return out;
}
}  // namespace

std::string ShownInput(const std::wstring& text) {
  return Utf8(ShownWide(text));
}

std::string CutInput(const std::string& message, const std::wstring& line) {
  std::wstring text = FromUtf8(message);
  // The words as the line means them, and as a message quotes them back.
  std::vector<std::wstring> long_;
  auto note = [&](const std::wstring& word) {
    if (word.size() <= kShownMost) return;
    long_.push_back(word);
    // Quoted back with every escape, or with its line ends only.
    for (bool all : {true, false}) {
      std::wstring quoted;
      for (wchar_t c : word) {
        if (c == L'\n')
          quoted += L"\\n";
        else if (all && (c == L'"' || c == L'\\'))
          quoted += std::wstring(L"\\") + c;
        else if (c != L'\r')
          quoted += c;
      }
      if (quoted != word) long_.push_back(quoted);
    }
  };
  note(line);
  try {
    for (const auto& word : SplitLine(line)) note(word.text);
  } catch (const ScriptError&) {
    size_t start = 0;
    while (start < line.size()) {
      size_t end = line.find_first_of(L" \t", start);
      if (end == std::wstring::npos) end = line.size();
      note(line.substr(start, end - start));
      start = end + 1;
    }
  }
  // Longest first: a word inside the line is not cut again within the line's own cut form.
  std::sort(long_.begin(), long_.end(),
            [](const std::wstring& a, const std::wstring& b) { return a.size() > b.size(); });
  // Each word's next place in the message, by a rolling hash: a long word of one letter
  // repeated makes a plain search quadratic.
  struct Seek {
    const std::wstring* word;
    uint64_t hash = 0, high = 1;  // the word's hash; the base to the power of its length - 1
    size_t next = 0;
  };
  constexpr uint64_t kBase = 1000003;
  std::vector<Seek> seeks;
  for (const auto& word : long_) {
    Seek seek{&word};
    for (size_t i = 0; i < word.size(); ++i) {
      seek.hash = seek.hash * kBase + static_cast<uint64_t>(word[i]);
      if (i) seek.high *= kBase;
    }
    seeks.push_back(seek);
  }
  auto find = [&](Seek& seek, size_t from) {
    const std::wstring& word = *seek.word;
    seek.next = std::wstring::npos;
    if (text.size() < word.size() || from > text.size() - word.size()) return;
    uint64_t h = 0;
    for (size_t i = 0; i < word.size(); ++i) h = h * kBase + static_cast<uint64_t>(text[from + i]);
    for (size_t i = from;; ++i) {
      if (h == seek.hash && text.compare(i, word.size(), word) == 0) {
        seek.next = i;
        return;
      }
      if (i + word.size() >= text.size()) return;
      h = (h - static_cast<uint64_t>(text[i]) * seek.high) * kBase +
          static_cast<uint64_t>(text[i + word.size()]);
    }
  };
  for (auto& seek : seeks) find(seek, 0);
  std::wstring out;
  size_t at = 0;
  while (at < text.size()) {
    Seek* first = nullptr;
    for (auto& seek : seeks) {
      if (seek.next != std::wstring::npos && seek.next < at) find(seek, at);
      if (seek.next != std::wstring::npos && (!first || seek.next < first->next)) first = &seek;
    }
    if (!first) {
      AppendVisible(out, std::wstring_view(text).substr(at), true);
      break;
    }
    AppendVisible(out, std::wstring_view(text).substr(at, first->next - at), true);
    out += ShownWide(*first->word);
    at = first->next + first->word->size();
  }
  return Utf8(out);
}

// The platform's conversion, so the program's texts and the system's agree on bad bytes.
std::string Utf8(const std::wstring& text) {
  return win32::WideToMultiByte(win32::CP_UTF8, text);
}

std::wstring FromUtf8(const std::string& text) {
  return win32::MultiByteToWide(win32::CP_UTF8, text);
}

}  // namespace host
