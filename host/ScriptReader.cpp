#include "host/ScriptReader.h"

#include <algorithm>
#include <cstdint>
#include <cwctype>
#include <deque>
#include <type_traits>

#include "platform/win32/CodePage.h"

namespace host {
namespace {
bool Blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool Digit(char c) {
  return c >= '0' && c <= '9';
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::wstring Upper(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(std::towupper(c));
  return s;
}

// One word of a line as it lies there: the bytes between its quotes, or the word itself.
struct RawWord {
  std::string_view raw;
  bool quoted = false;
  bool escapes = false;  // a quoted text with a backslash: its text is not its bytes
};

// The character an escape stands for ("n" for "\n", "x41" for "\x41"), at `at` just past the
// backslash; moves `at` past the escape. The script's own form of a text (Escaped()) writes
// every character back this way.
wchar_t Escape(std::string_view line, size_t& at) {
  char e = line[at++];
  switch (e) {
    case '"':
    case '\\':
      return static_cast<wchar_t>(e);
    case 'n':
      return L'\n';
    case 'r':
      return L'\r';
    case 'x': {
      int high = at < line.size() ? HexDigit(line[at]) : -1;
      int low = at + 1 < line.size() ? HexDigit(line[at + 1]) : -1;
      if (high < 0 || low < 0 || high + low == 0)
        throw ScriptError("\\x takes two hex digits, 01 to ff, in a quoted text");
      at += 2;
      return static_cast<wchar_t>(high * 16 + low);
    }
    default:
      // A byte of a longer character is named whole.
      size_t end = at;
      while (end < line.size() && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80) ++end;
      std::string name(line.substr(at - 1, end - at + 1));
      throw ScriptError("unknown escape \\" + name + " in a quoted text");
  }
}

// The words of a UTF-8 line, checked, without their texts made: the bytes are read once
// here, so a check of a whole script costs nothing per word.
template <typename Visit>
void ScanLine(std::string_view line, Visit&& visit) {
  size_t i = 0;
  while (i < line.size()) {
    if (Blank(line[i])) {
      ++i;
      continue;
    }
    if (line[i] == '#' && !(i + 1 < line.size() && Digit(line[i + 1]))) break;
    RawWord word;
    if (line[i] == '"') {
      word.quoted = true;
      size_t start = ++i;
      bool closed = false;
      while (i < line.size()) {
        char c = line[i++];
        if (c == '"') {
          closed = true;
          break;
        }
        if (c != '\\') continue;
        if (i >= line.size()) break;
        word.escapes = true;
        Escape(line, i);
      }
      if (!closed) throw ScriptError("a quoted text is not closed");
      word.raw = line.substr(start, i - 1 - start);
      // A ";" may close a dialog action right after its text.
      if (i < line.size() && !Blank(line[i]) && line[i] != ';')
        throw ScriptError("a quoted text runs into the next word");
    } else {
      size_t start = i;
      while (i < line.size() && !Blank(line[i])) {
        if (line[i] == '"') throw ScriptError("a quote inside a word");
        ++i;
      }
      word.raw = line.substr(start, i - start);
    }
    visit(word);
  }
}

constexpr size_t kChunk = 1 << 16;

// Where UTF-8 may be cut near `at` with no character decoded differently on either side: a
// step of the decoder that crosses a place always crosses it at a continuation byte.
size_t SafeCut(std::string_view bytes, size_t at) {
  if (at >= bytes.size()) return bytes.size();
  for (size_t back = 0; back <= 3 && back < at; ++back)
    if ((static_cast<unsigned char>(bytes[at - back]) & 0xC0) != 0x80) return at - back;
  return at;
}

// UTF-8 decoded onto `out` a piece at a time, so a long text costs no second copy.
void AppendDecoded(std::wstring& out, std::string_view bytes) {
  while (!bytes.empty()) {
    size_t cut = bytes.size() <= kChunk ? bytes.size() : SafeCut(bytes, kChunk);
    out += FromUtf8(bytes.substr(0, cut));
    bytes.remove_prefix(cut);
  }
}

// The characters of a UTF-8 text as the program decodes it.
size_t Characters(std::string_view bytes) {
  size_t n = 0;
  while (!bytes.empty()) {
    size_t cut = bytes.size() <= kChunk ? bytes.size() : SafeCut(bytes, kChunk);
    n += FromUtf8(bytes.substr(0, cut)).size();
    bytes.remove_prefix(cut);
  }
  return n;
}

bool ValidUtf8(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    size_t cut = bytes.size() - i <= kChunk ? bytes.size() : SafeCut(bytes, i + kChunk);
    std::string_view piece = bytes.substr(i, cut - i);
    if (Utf8(FromUtf8(piece)) != piece) return false;
    i = cut;
  }
  return true;
}

// A text as the program writes it after decoding: bad bytes as U+FFFD's UTF-8.
std::string CleanUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  while (!bytes.empty()) {
    size_t cut = bytes.size() <= kChunk ? bytes.size() : SafeCut(bytes, kChunk);
    out += Utf8(FromUtf8(bytes.substr(0, cut)));
    bytes.remove_prefix(cut);
  }
  return out;
}

Word MakeWord(const RawWord& raw) {
  Word word;
  word.quoted = raw.quoted;
  // Never more characters than bytes: the text is sized once.
  word.text.reserve(raw.raw.size());
  if (!raw.escapes) {
    AppendDecoded(word.text, raw.raw);
    return word;
  }
  size_t at = 0;
  while (at < raw.raw.size()) {
    size_t slash = raw.raw.find('\\', at);
    AppendDecoded(word.text,
                  raw.raw.substr(at, slash == std::string_view::npos ? slash : slash - at));
    if (slash == std::string_view::npos) break;
    at = slash + 1;
    word.text += Escape(raw.raw, at);
  }
  return word;
}
}  // namespace

std::vector<Word> SplitLine(std::string_view line) {
  std::vector<Word> words;
  ScanLine(line, [&](const RawWord& raw) { words.push_back(MakeWord(raw)); });
  return words;
}

std::vector<Word> SplitLine(const std::wstring& line) {
  return SplitLine(Utf8(line));
}

std::optional<std::string_view> CheckLine(std::string_view line) {
  std::optional<std::string_view> first;
  ScanLine(line, [&](const RawWord& raw) {
    if (first) return;
    first = raw.quoted ? std::string_view(raw.raw.data() - 1, raw.raw.size() + 2) : raw.raw;
  });
  return first;
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

bool Control(uint32_t c) {
  return c < 0x20 || c == 0x7F;
}

template <typename Char>
void AppendHex(std::basic_string<Char>& out, uint32_t c) {
  static const char kHex[] = "0123456789abcdef";
  out += static_cast<Char>('\\');
  out += static_cast<Char>('x');
  out += static_cast<Char>(kHex[(c >> 4) & 0xF]);
  out += static_cast<Char>(kHex[c & 0xF]);
}

// Control characters as \xNN (tab kept; line ends kept when asked). UTF-8 needs no decoding
// for this: no byte of a longer character is below 0x80.
template <typename Char>
void AppendVisible(std::basic_string<Char>& out, std::basic_string_view<Char> text,
                   bool keepLineEnds) {
  for (Char c : text) {
    auto u = static_cast<uint32_t>(static_cast<std::make_unsigned_t<Char>>(c));
    bool control = Control(u) && c != '\t';
    if (keepLineEnds && (c == '\n' || c == '\r')) control = false;
    if (control)
      AppendHex(out, u);
    else
      out += c;
  }
}

// A long text's shown form: its first characters and its length.
std::string ShownUtf8(std::string_view text) {
  // The first kShownMost characters lie in the first 4 * kShownMost bytes.
  std::wstring head = FromUtf8(text.substr(0, SafeCut(text, 4 * kShownMost + 4)));
  size_t count = head.size() <= kShownMost ? head.size() : Characters(text);
  std::wstring out;
  AppendVisible(out, std::wstring_view(head).substr(0, kShownMost), false);
  if (count > kShownMost) out += L"... (" + std::to_wstring(count) + L" characters)";
  return Utf8(out);
}

// The script's form of a text with the escapes a message quotes it with: all the reader
// knows (`all`), as Escaped() writes them, or the line ends and quotes only, as the
// program's prints of mail and boxes write them (a carriage return left out).
std::string Requoted(std::string_view text, bool all) {
  std::string out;
  for (bool sized : {false, true}) {
    size_t size = 0;
    auto put = [&](std::string_view part) {
      if (sized)
        out += part;
      else
        size += part.size();
    };
    for (char c : text) {
      auto u = static_cast<unsigned char>(c);
      if (c == '\n') {
        put("\\n");
      } else if (c == '\r') {
        if (all) put("\\r");
      } else if (c == '"' || c == '\\') {
        put(c == '"' ? "\\\"" : "\\\\");
      } else if (all && Control(u)) {
        std::string hex;
        AppendHex(hex, u);
        put(hex);
      } else {
        put(std::string_view(&c, 1));
      }
    }
    // Sized once: a long text costs its quoted form's size, not twice that.
    if (!sized) out.reserve(size);
  }
  return out;
}

bool NeedsQuoting(std::string_view text) {
  for (char c : text)
    if (c == '"' || c == '\\' || Control(static_cast<unsigned char>(c))) return true;
  return false;
}

// Whether the two quoted forms differ: only a control character but the line feed tells.
bool QuotedFormsDiffer(std::string_view text) {
  for (char c : text)
    if (c != '\n' && Control(static_cast<unsigned char>(c))) return true;
  return false;
}
}  // namespace

std::string ShownInput(const std::wstring& text) {
  std::wstring out;
  AppendVisible(out, std::wstring_view(text).substr(0, kShownMost), false);
  if (text.size() > kShownMost) out += L"... (" + std::to_wstring(text.size()) + L" characters)";
  return Utf8(out);
}

std::wstring ShownWord(const std::wstring& word) {
  return word.size() <= kShownMost ? word : FromUtf8(ShownInput(word));
}

std::string ShownInput(std::string_view text) {
  return ShownUtf8(text);
}

std::wstring Escaped(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c == L'\n')
      out += L"\\n";
    else if (c == L'\r')
      out += L"\\r";
    else if (c == L'"' || c == L'\\')
      out += std::wstring(L"\\") + c;
    else if (Control(static_cast<uint32_t>(c)))
      AppendHex(out, static_cast<uint32_t>(c));
    else
      out += c;
  }
  return out;
}

std::wstring ShownEscaped(const std::wstring& text) {
  if (text.size() <= kShownMost) return Escaped(text);
  size_t size = 0;
  for (wchar_t c : text)
    size += c == L'\n' || c == L'\r' || c == L'"' || c == L'\\' ? 2
            : Control(static_cast<uint32_t>(c))                 ? 4
                                                                : 1;
  return Escaped(text.substr(0, kShownMost)).substr(0, kShownMost) + L"... (" +
         std::to_wstring(size) + L" characters)";
}

std::string CutInput(const std::string& message, std::string_view line) {
  // The long words of the line as a message may repeat them: the line itself, each word's
  // text, and that text quoted back. Views into the line where they are its bytes; only a
  // word whose text differs from its bytes is copied, in UTF-8.
  std::deque<std::string> owned;
  std::vector<std::string_view> long_;
  auto keep = [&](std::string text) -> std::string_view {
    return owned.emplace_back(std::move(text));
  };
  auto note = [&](std::string_view word, bool quotable) {
    if (word.size() <= kShownMost) return;  // never more characters than bytes
    // A message repeats what the program decoded: bad bytes as U+FFFD.
    if (!ValidUtf8(word)) word = keep(CleanUtf8(word));
    if (Characters(word) <= kShownMost) return;
    long_.push_back(word);
    if (!quotable || !NeedsQuoting(word)) return;
    long_.push_back(keep(Requoted(word, true)));
    if (QuotedFormsDiffer(word)) long_.push_back(keep(Requoted(word, false)));
  };
  // A message quotes words, never the whole line.
  note(line, false);
  auto noteWord = [&](const RawWord& raw) {
    std::string_view text = raw.raw;
    if (raw.escapes) {
      std::string plain;
      plain.reserve(raw.raw.size());
      for (size_t at = 0; at < raw.raw.size();) {
        size_t slash = raw.raw.find('\\', at);
        plain.append(raw.raw.substr(at, slash == std::string_view::npos ? slash : slash - at));
        if (slash == std::string_view::npos) break;
        at = slash + 1;
        wchar_t c = Escape(raw.raw, at);
        if (c < 0x80)
          plain += static_cast<char>(c);
        else
          plain += Utf8(std::wstring(1, c));
      }
      text = keep(std::move(plain));
    }
    note(text, true);
    // A dialog's action names its last word without the ";" that ends the action.
    if (!raw.quoted && text.size() > 1 && text.back() == ';')
      note(text.substr(0, text.size() - 1), true);
  };
  try {
    ScanLine(line, noteWord);
  } catch (const ScriptError&) {
    size_t start = 0;
    while (start < line.size()) {
      size_t end = line.find_first_of(" \t", start);
      if (end == std::string_view::npos) end = line.size();
      note(line.substr(start, end - start), true);
      start = end + 1;
    }
  }
  // Longest first: a word inside the line is not cut again within the line's own cut form.
  std::stable_sort(long_.begin(), long_.end(),
                   [](std::string_view a, std::string_view b) { return a.size() > b.size(); });
  long_.erase(std::unique(long_.begin(), long_.end()), long_.end());
  std::string_view text = message;
  // Each word's next place in the message, by a rolling hash: a long word of one letter
  // repeated makes a plain search quadratic.
  struct Seek {
    std::string_view word;
    uint64_t hash = 0, high = 1;  // the word's hash; the base to the power of its length - 1
    size_t next = 0;
  };
  constexpr uint64_t kBase = 1000003;
  auto byte = [](char c) { return static_cast<uint64_t>(static_cast<unsigned char>(c)); };
  std::vector<Seek> seeks;
  for (auto word : long_) {
    if (word.size() > text.size()) continue;
    Seek seek{word};
    for (size_t i = 0; i < word.size(); ++i) {
      seek.hash = seek.hash * kBase + byte(word[i]);
      if (i) seek.high *= kBase;
    }
    seeks.push_back(seek);
  }
  auto find = [&](Seek& seek, size_t from) {
    std::string_view word = seek.word;
    seek.next = std::string_view::npos;
    if (text.size() < word.size() || from > text.size() - word.size()) return;
    uint64_t h = 0;
    for (size_t i = 0; i < word.size(); ++i) h = h * kBase + byte(text[from + i]);
    for (size_t i = from;; ++i) {
      if (h == seek.hash && text.substr(i, word.size()) == word) {
        seek.next = i;
        return;
      }
      if (i + word.size() >= text.size()) return;
      h = (h - byte(text[i]) * seek.high) * kBase + byte(text[i + word.size()]);
    }
  };
  for (auto& seek : seeks) find(seek, 0);
  std::string out;
  size_t at = 0;
  while (at < text.size()) {
    Seek* first = nullptr;
    for (auto& seek : seeks) {
      if (seek.next != std::string_view::npos && seek.next < at) find(seek, at);
      if (seek.next != std::string_view::npos && (!first || seek.next < first->next)) first = &seek;
    }
    if (!first) {
      AppendVisible(out, text.substr(at), true);
      break;
    }
    AppendVisible(out, text.substr(at, first->next - at), true);
    out += ShownUtf8(first->word);
    at = first->next + first->word.size();
  }
  return out;
}

std::string CutInput(const std::string& message, const std::wstring& line) {
  return CutInput(message, std::string_view(Utf8(line)));
}

// The platform's conversion, so the program's texts and the system's agree on bad bytes.
std::string Utf8(const std::wstring& text) {
  return win32::WideToMultiByte(win32::CP_UTF8, text);
}

std::wstring FromUtf8(std::string_view text) {
  return win32::MultiByteToWide(win32::CP_UTF8, text);
}

}  // namespace host
