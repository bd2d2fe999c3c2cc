// The script reader: how a line splits into words, what a quoted text may hold, what a key
// chord is, and the UTF-8 the program reads and writes.
#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "host/ScriptReader.h"

using host::ScriptError;
using host::SplitLine;
using host::Word;

TEST(ScriptReader, LinesSplitIntoWordsAndQuotedTextsWithTheirEscapes) {
  EXPECT_EQ((std::vector<Word>{{L"select", false}, {L"Hello there", true}, {L"#2", false}}),
            SplitLine(L"  select \"Hello there\"\t#2   # the rest is a comment"));
  EXPECT_EQ((std::vector<Word>{{L"type", false}, {L"say \"hi\"\\\nbye", true}}),
            SplitLine(L"type \"say \\\"hi\\\"\\\\\\nbye\""));
  EXPECT_EQ((std::vector<Word>{{L"node", false}, {L"A/B", true}, {L";", false}, {L"enter", false}}),
            SplitLine(L"node \"A/B\"; enter"));
  EXPECT_TRUE(SplitLine(L"# only a comment").empty());
  EXPECT_TRUE(SplitLine(L"   ").empty());
  // An empty quoted text is a word; "#" inside quotes is text.
  EXPECT_EQ((std::vector<Word>{{L"set", false}, {L"cc", false}, {L"", true}}),
            SplitLine(L"set cc \"\""));
  EXPECT_EQ((std::vector<Word>{{L"expect", false}, {L"#1 # not a comment", true}}),
            SplitLine(L"expect \"#1 # not a comment\""));
}

TEST(ScriptReader, BrokenQuotesAreErrorsNotGuesses) {
  EXPECT_THROW(SplitLine(L"type \"never closed"), ScriptError);
  EXPECT_THROW(SplitLine(L"type \"ends in a backslash\\"), ScriptError);
  EXPECT_THROW(SplitLine(L"type \"bad \\t escape\""), ScriptError);
  EXPECT_THROW(SplitLine(L"type \"glued\"word"), ScriptError);
  EXPECT_THROW(SplitLine(L"type half\"quoted\""), ScriptError);
}

TEST(ScriptReader, ItemNumbersAreHashAndDigitsOnly) {
  EXPECT_EQ(3, host::ItemNumber({L"#3", false}));
  EXPECT_FALSE(host::ItemNumber({L"#3", true}));  // a subject that looks like a number
  EXPECT_FALSE(host::ItemNumber({L"#3a", false}));
  EXPECT_FALSE(host::ItemNumber({L"#", false}));
}

TEST(ScriptReader, ChordsNameModifiersAndOneKey) {
  auto c = host::ParseChord(L"Ctrl+Alt+R");
  ASSERT_TRUE(c);
  EXPECT_EQ('R', c->key);
  EXPECT_TRUE(c->ctrl && c->alt && !c->shift && !c->altGr);
  c = host::ParseChord(L"shift+ctrl+f12");
  ASSERT_TRUE(c);
  EXPECT_EQ(0x7B, c->key);
  EXPECT_TRUE(c->shift && c->ctrl);
  EXPECT_EQ(0x0D, host::ParseChord(L"Enter")->key);
  EXPECT_EQ(0x28, host::ParseChord(L"Alt+Down")->key);
  EXPECT_EQ('7', host::ParseChord(L"Ctrl+Shift+7")->key);
  auto g = host::ParseChord(L"AltGr+Q");
  ASSERT_TRUE(g);
  EXPECT_TRUE(g->altGr);
  for (const wchar_t* bad : {L"", L"Ctrl", L"Ctrl+", L"Ctrl+F13", L"Ctrl+F0", L"Ctrl+RR", L"R+Ctrl",
                             L"Ctrl+Alt+AltGr+Q", L"Hyper+R", L"Ctrl+\u00C4",
                             // numbers past any int: one that wraps round to F1 is no F1
                             L"F99999999999", L"F4294967297", L"F18446744073709551617"})
    EXPECT_FALSE(host::ParseChord(bad)) << host::Utf8(bad);
}

TEST(ScriptReader, Utf8RoundTripsAndBadBytesBecomeReplacementCharacters) {
  std::wstring text = L"Gr\u00FC\u00DFe \u20AC 100";
  EXPECT_EQ(text, host::FromUtf8(host::Utf8(text)));
  EXPECT_EQ("\xE2\x82\xAC", host::Utf8(L"\u20AC"));
  EXPECT_EQ(L"a\uFFFDb", host::FromUtf8("a\xFF"
                                        "b"));
  EXPECT_EQ(L"a\uFFFD\uFFFD", host::FromUtf8("a\xE2\x82"));  // cut off
}

TEST(ScriptReader, EscapesWriteAnyTextAndTheScriptsFormReadsBackTheSame) {
  EXPECT_EQ(L"a\r\nb\x01\u00ff", SplitLine("say \"a\\r\\nb\\x01\\xFf\"")[1].text);
  for (const char* bad : {"\"\\x00\"", "\"\\x4\"", "\"\\xg1\"", "\"\\x\"", "\"\\q\""})
    EXPECT_THROW(SplitLine(bad), ScriptError) << bad;
  // A value of every character a registry string may hold, written in the script's form,
  // reads back as itself; line ends and other control characters show as escapes.
  std::wstring every;
  for (wchar_t c = 1; c < 0x100; ++c) every += c;
  every += L"\u20ac\U0001F600";
  std::wstring written = host::Escaped(every);
  EXPECT_EQ(std::wstring::npos, written.find_first_of(L"\r\n\t\x1b\x7f"));
  EXPECT_EQ(every, SplitLine(L"x \"" + written + L"\"")[1].text);
  EXPECT_NE(host::Escaped(L"a\r\nb"), host::Escaped(L"a\nb"));
  EXPECT_EQ(L"a\\r\\nb\\x09\\\"\\\\", host::Escaped(L"a\r\nb\t\"\\"));
}

TEST(ScriptReader, UnreadableBytesAndLinesAreRefusedAsTheProgramReadsThem) {
  // A UTF-8 line splits as its wide form does; bad bytes are U+FFFD either way.
  std::string line = "select \"Gr\xC3\xBC\xC3\x9F\x65 \\\"\xE2\x82\xAC\\\"\" bad\xFF \xE2\x82";
  EXPECT_EQ(SplitLine(host::FromUtf8(line)), SplitLine(line));
  EXPECT_EQ(L"Gr\u00FC\u00DFe \"\u20AC\"", SplitLine(line)[1].text);
  // Checking a line raises what splitting it raises.
  for (const char* bad : {"type \"open", "type \"glued\"word", "type half\"q\"", "a \"\\t\""})
    EXPECT_THROW(host::CheckLine(bad), ScriptError) << bad;
  EXPECT_NO_THROW(host::CheckLine("answer frmX type txt \"a\\\"b\"; enter # done"));
  // Text is what a script may hold: no NUL, no control byte but tab, line ends, form feed,
  // and no DEL.
  EXPECT_TRUE(host::IsText("help\t\r\n\f\xC3\xBC"));
  for (std::string bad : {std::string("help\0", 5), std::string("help\x1b"), std::string("x\x7f")})
    EXPECT_FALSE(host::IsText(bad)) << bad;
}

TEST(ScriptReader, ErrorsCutALongWordHoweverTheMessageQuotesIt) {
  std::wstring word(100000, L'x');
  word += L"\"\\\n\r";
  std::string line = "expect mail subject is \"" + host::Utf8(host::Escaped(word)) + "\"";
  ASSERT_EQ(word, SplitLine(line)[4].text);
  // As the word is, as an expectation quotes it (every escape), as a printed mail quotes it
  // (carriage returns left out), and as a dialog action names it (without its ";").
  std::wstring quoted = L"x";
  for (auto c : word.substr(1))
    quoted += c == L'\n'   ? L"\\n"
              : c == L'\r' ? L""
              : c == L'"'  ? L"\\\""
              : c == L'\\' ? L"\\\\"
                           : std::wstring(1, c);
  for (const std::wstring& said : {word, host::Escaped(word), quoted}) {
    std::string cut = host::CutInput("no \"" + host::Utf8(said) + "\" here", line);
    EXPECT_LT(cut.size(), 300u) << cut.substr(0, 300);
    EXPECT_EQ(0u, cut.rfind("no \"" + std::string(160, 'x') + "... (1000", 0)) << cut;
    EXPECT_TRUE(cut.ends_with(" characters)\" here")) << cut;
  }
  std::string button(300, 'b');
  std::string cut =
      host::CutInput("no control " + button + " in frmX", "answer frmX click " + button + ";");
  EXPECT_NE(std::string::npos, cut.find("(300 characters) in frmX")) << cut;
  // A line that cannot be read is cut word by word; a short word is left as it is, its
  // control characters escaped.
  cut = host::CutInput("unknown command: " + std::string(500, 'y') + " \x1b",
                       std::string(500, 'y') + " \"open");
  EXPECT_EQ("unknown command: " + std::string(160, 'y') + "... (500 characters) \\x1b", cut);
  // A long word with bad bytes is cut as the program repeats it, its bytes decoded.
  std::string bad = std::string(200, 'z') + "\xFF";
  cut = host::CutInput("unknown command: " + host::Utf8(host::FromUtf8(bad)), bad);
  EXPECT_NE(std::string::npos, cut.find("(201 characters)")) << cut;
  EXPECT_EQ(host::ShownInput(host::FromUtf8(bad)), host::ShownInput(std::string_view(bad)));
  // A word an error names is cut where the message is made as the cut would cut it, quoted
  // or not; a short one is left to the cut.
  for (const std::wstring& text : {std::wstring(158, L'q') + L"\r\n",
                                   std::wstring(80, L'q') + L"\x01\"" + std::wstring(200, L'\\'),
                                   std::wstring(150, L'q'), std::wstring(3, L'\n')}) {
    std::string line = "x \"" + host::Utf8(host::Escaped(text)) + "\"";
    EXPECT_EQ(host::CutInput("no \"" + host::Utf8(host::Escaped(text)) + "\"", line),
              host::CutInput("no \"" + host::Utf8(host::ShownEscaped(text)) + "\"", line));
  }
  EXPECT_EQ(L"short\x1b", host::ShownWord(L"short\x1b"));
}

// A long word of the line is cut only where the message repeats it: a text of the same hash
// (a Thue-Morse word and its complement collide for every odd base) is left as it is.
TEST(ScriptReader, AWordOfTheSameHashIsNoRepeatOfTheLine) {
  std::string a = "a", b = "b";
  while (a.size() < 1024) std::tie(a, b) = std::pair(a + b, b + a);
  std::string message = "no item \"" + b + "\" here";
  EXPECT_EQ(host::CutInput(message, "select x"), host::CutInput(message, "select \"" + a + "\""));
  EXPECT_NE(host::CutInput(message, "select x"), host::CutInput(message, "select \"" + b + "\""));
}

// A word longer than the pieces it is decoded in comes out whole, wherever a character of
// two, three or four bytes meets a piece's edge; the count a cut message gives agrees.
TEST(ScriptReader, LongWordsOfAnyCharactersAreReadWhole) {
  for (const std::wstring& unit : {std::wstring(L"\u00e9"), std::wstring(L"\u20ac"),
                                   std::wstring(L"\U0001F600"), std::wstring(L"a\U0001F600")}) {
    for (size_t lead = 0; lead < 4; ++lead) {
      std::wstring text(lead, L'a');
      while (text.size() < 70000) text += unit;
      std::string line = "select \"" + host::Utf8(text) + "\"";
      auto words = SplitLine(line);
      ASSERT_EQ(2u, words.size());
      EXPECT_TRUE(words[1].text == text) << "lead " << lead << ", unit of " << unit.size();
      std::string cut = host::CutInput("no item \"" + host::Utf8(text) + "\"", line);
      EXPECT_NE(std::string::npos,
                cut.find("... (" + std::to_string(host::FromUtf8(host::Utf8(text)).size()) +
                         " characters)\""))
          << cut.substr(0, 400);
    }
  }
}

// A long word of control characters, or of escapes that stand for characters past ASCII, is
// cut in a message however the message quotes it; an unknown escape is named whole.
TEST(ScriptReader, LongWordsWithControlCharactersOrEscapesAreCutAndEscapesNamedWhole) {
  std::wstring controls;
  for (int i = 0; i < 300; ++i) controls += i % 2 ? L'\x01' : L'q';
  std::string line = "expect mail subject is \"" + host::Utf8(host::Escaped(controls)) + "\"";
  ASSERT_EQ(controls, SplitLine(line)[4].text);
  std::string cut =
      host::CutInput("expected \"" + host::Utf8(host::Escaped(controls)) + "\"", line);
  EXPECT_LT(cut.size(), 300u) << cut;
  EXPECT_NE(std::string::npos, cut.find("... (750 characters)\"")) << cut;

  std::string accents;
  for (int i = 0; i < 300; ++i) accents += "\\xe9";
  line = "select \"" + accents + "\"";
  ASSERT_EQ(std::wstring(300, L'\u00e9'), SplitLine(line)[1].text);
  cut = host::CutInput("no item \"" + host::Utf8(std::wstring(300, L'\u00e9')) + "\"", line);
  EXPECT_LT(cut.size(), 500u) << cut;
  EXPECT_NE(std::string::npos, cut.find("(300 characters)")) << cut;

  for (const char* escape : {"\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80"}) {
    try {
      SplitLine(std::string("type \"a \\") + escape + " b\"");
      ADD_FAILURE() << "no error for \\" << escape;
    } catch (const ScriptError& e) {
      EXPECT_EQ(std::string("unknown escape \\") + escape + " in a quoted text", e.what());
    }
  }
}
