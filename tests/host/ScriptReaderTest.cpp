// The script reader: how a line splits into words, what a quoted text may hold, what a key
// chord is, and the UTF-8 the program reads and writes.
#include <gtest/gtest.h>

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
