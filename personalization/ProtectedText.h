// A text whose replacements are final: a value put in by one replacement is never searched by
// a later one, so a value that itself looks like a token (a nickname "%To%") stays as written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class ProtectedText {
 public:
  explicit ProtectedText(std::wstring text);

  // Replaces every occurrence of `token`, ignoring case, outside inserted values; answers
  // how many there were.
  int Replace(std::wstring_view token, const std::wstring& value);
  // Replaces tokens that markup split apart ("%First<span>Name</span>%") after the first
  // "<body": a stretch between two percent signs whose text without tags is the token's name.
  int ReplaceSplit(std::wstring_view token, const std::wstring& value);
  // The same in an RTF body ("%First{\b Name}%"): the value takes the stretch's place and the
  // stretch's control words and braces stay after it, so the formatting around is unchanged.
  int ReplaceSplitRtf(std::wstring_view token, const std::wstring& value);
  std::wstring str() const;

 private:
  struct Piece {
    std::wstring text;
    bool inserted;
  };
  // Replaces, from piece `first` at `at` on, each stretch between two percent signs that
  // `match(stretch, markup)` takes for the token: the value goes in its place, followed by the
  // stretch's `markup` when there is any.
  template <class Match>
  int ReplaceStretches(size_t first, size_t at, const std::wstring& value, Match match);
  std::vector<Piece> pieces_;
};

// Text compare as the runtime's: letters ignore case.
size_t FindNoCase(std::wstring_view text, std::wstring_view find, size_t from = 0);
bool EqualNoCase(std::wstring_view a, std::wstring_view b);

// A value as it may stand in an HTML body ("&", "<", ">" as entities) and in an RTF body
// (backslash and braces escaped, characters beyond ASCII as Unicode escapes).
std::wstring HtmlEscapeValue(const std::wstring& value);
std::wstring RtfEscapeValue(const std::wstring& value);
// The step that joins tokens split by HTML markup: ReplaceSplit, or a caller's wrapper of it.
using HtmlSplitStep =
    std::function<void(ProtectedText& body, std::wstring_view token, const std::wstring& value)>;
// Puts a field's value in for its token in a body of the given format (1 plain, 2 HTML,
// 3 RTF, read through RtfDelimitControlWords): escaped for the format, split tokens included.
void ReplaceInBody(ProtectedText& body, int32_t format, std::wstring_view token,
                   const std::wstring& value, const HtmlSplitStep& htmlSplit = {});

// The RTF with a space after each control word that a percent sign follows directly
// ("\par%Name%"), so that a value put in for the token cannot run into the control word.
std::wstring RtfDelimitControlWords(const std::wstring& rtf);
