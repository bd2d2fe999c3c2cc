// The program's script reader over any line: it splits the line into words or reports a
// script error; the words, written again as a script writes them, read as the same words; a
// key chord it reads, written out again, reads as the same chord; an item number is the
// number written. Its UTF-8 reading agrees with the wide one.
#include "FuzzSupport.h"
#include "host/ScriptReader.h"

namespace {

std::wstring Written(const std::vector<host::Word>& words) {
  std::wstring line;
  for (const auto& word : words) {
    if (!line.empty()) line += L' ';
    if (!word.quoted) {
      line += word.text;
      continue;
    }
    line += L'"';
    for (wchar_t c : word.text) {
      if (c == L'"' || c == L'\\') line += L'\\';
      if (c == L'\n')
        line += L"\\n";
      else
        line += c;
    }
    line += L'"';
  }
  return line;
}

std::wstring KeyName(uint8_t key) {
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return std::wstring(1, key);
  if (key >= 0x70 && key <= 0x7B) return L"F" + std::to_wstring(key - 0x6F);
  static const struct {
    uint8_t key;
    const wchar_t* name;
  } kNamed[] = {{0x0D, L"Enter"},  {0x1B, L"Esc"},    {0x09, L"Tab"},
                {0x2D, L"Insert"}, {0x2E, L"Delete"}, {0x25, L"Left"},
                {0x26, L"Up"},     {0x27, L"Right"},  {0x28, L"Down"}};
  for (const auto& named : kNamed)
    if (named.key == key) return named.name;
  return L"";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring line = fuzz::Text(std::string_view(reinterpret_cast<const char*>(data), size));
  std::vector<host::Word> words;
  try {
    words = host::SplitLine(line);
  } catch (const host::ScriptError&) {
    words.clear();
  }
  // The line as the program reads it from a script: checked as it is split, split as its
  // wide form is, and its errors cut without a fault.
  std::string bytes(reinterpret_cast<const char*>(data), size);
  bool splits = true;
  try {
    FUZZ_CHECK(host::SplitLine(bytes) == host::SplitLine(host::FromUtf8(bytes)));
  } catch (const host::ScriptError&) {
    splits = false;
  }
  bool checks = true;
  try {
    host::CheckLine(bytes);
  } catch (const host::ScriptError&) {
    checks = false;
  }
  FUZZ_CHECK(splits == checks);
  (void)host::CutInput("unknown command: " + bytes, std::string_view(bytes));

  std::vector<host::Word> again;
  try {
    again = host::SplitLine(Written(words));
  } catch (const host::ScriptError& e) {
    std::fprintf(stderr, "written '%s': %s\n", fuzz::Show(Written(words)).c_str(), e.what());
    FUZZ_CHECK(false);
  }
  FUZZ_CHECK(again == words);

  for (const auto& word : words) {
    if (auto chord = host::ParseChord(word.text)) {
      std::wstring name = KeyName(chord->key);
      FUZZ_CHECK(!name.empty());
      std::wstring text = std::wstring(chord->ctrl ? L"Ctrl+" : L"") +
                          (chord->alt ? L"Alt+" : L"") + (chord->shift ? L"Shift+" : L"") +
                          (chord->altGr ? L"AltGr+" : L"") + name;
      auto back = host::ParseChord(text);
      FUZZ_CHECK(back && back->key == chord->key && back->ctrl == chord->ctrl &&
                 back->alt == chord->alt && back->shift == chord->shift &&
                 back->altGr == chord->altGr);
    }
    if (auto n = host::ItemNumber(word)) {
      FUZZ_CHECK(*n >= 0);
      if (word.text.size() <= 10) FUZZ_CHECK(*n == std::stol(word.text.substr(1)));
    }
  }
  return 0;
}
