// The script language of the simulated Outlook program: one command a line, words separated
// by blanks, "double-quoted" texts with \" \\ \n \r \xNN escapes (\xNN: the character
// U+00NN, 01 to ff), "#" starting a comment (except "#N", an item's number); a ";" may follow
// a quoted text directly. Key chords are read here too.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace host {

// A line that cannot be read or run; the program stops a script with exit code 2.
class ScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Word {
  std::wstring text;
  bool quoted = false;
  bool operator==(const Word&) const = default;
};

// The words of one line (UTF-8); an unclosed quote or an unknown escape is a ScriptError.
// A word's text costs its own size and no copy besides.
std::vector<Word> SplitLine(std::string_view line);
std::vector<Word> SplitLine(const std::wstring& line);
// The ScriptError SplitLine would raise, without the words made: a script is checked whole.
// Gives the line's first word as it lies there (quotes included), for its command to be
// checked too; nothing for a line of no words.
std::optional<std::string_view> CheckLine(std::string_view line);

// A key chord: "Ctrl+Alt+R", "Shift+F5", "AltGr+Q", "Enter".
struct Chord {
  uint8_t key = 0;  // the virtual-key code
  bool ctrl = false, alt = false, shift = false, altGr = false;
};
std::optional<Chord> ParseChord(const std::wstring& text);

// "#3" is the third item; nothing for any other word.
std::optional<int32_t> ItemNumber(const Word& word);

// Whether bytes can be a script: no NUL and no control byte but tab, line ends and form feed.
bool IsText(std::string_view bytes);

// A text as a message shows it: control characters as \xNN, a long text cut to its start
// and its length, so a message stays readable whatever was typed.
std::string ShownInput(const std::wstring& text);
std::string ShownInput(std::string_view text);  // UTF-8
// A word of the user's line as an error names it: as it is, or cut as ShownInput() cuts it
// when long, so a message costs no copy of a long word.
std::wstring ShownWord(const std::wstring& word);
// An error message about `line`, with each long word of the line it repeats shown cut, as
// ShownInput() cuts it, and its control characters (line ends kept) as \xNN. Costs no copy
// of the line, only of a word whose text differs from its bytes.
std::string CutInput(const std::string& message, std::string_view line);  // UTF-8
std::string CutInput(const std::string& message, const std::wstring& line);

// A text as a quoted text of a script writes it (without the quotes): \\ \" \n \r, and
// any other control character as \xNN, so what differs in a control character shows.
std::wstring Escaped(const std::wstring& text);
// Escaped(text) as CutInput() leaves it in a message (cut where the text itself is long),
// made without the escaped copy of a long text.
std::wstring ShownEscaped(const std::wstring& text);

// Texts between the program and its user are UTF-8.
std::string Utf8(const std::wstring& text);
std::wstring FromUtf8(std::string_view text);

}  // namespace host
