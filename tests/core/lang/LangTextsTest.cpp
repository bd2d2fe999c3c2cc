// The language's text table: keys in lower case behind a prefix, the first text of a key kept,
// replacements, and kept views that survive growth and moves.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/CLangTexts.h"

namespace {

TEST(LangTexts, KeysAreLowerCaseBehindTheirPrefixAndTheFirstTextStays) {
  CLangTexts texts;
  auto [key, added] = texts.Add(L"frmmain.", L"CmdOK.Caption", L"OK");
  EXPECT_TRUE(added);
  EXPECT_EQ(key, L"frmmain.cmdok.caption");
  auto again = texts.Add(L"frmmain.", L"CMDOK.caption", L"Other");
  EXPECT_FALSE(again.second);
  EXPECT_EQ(again.first, L"frmmain.cmdok.caption");
  ASSERT_TRUE(texts.Has(L"frmmain.cmdok.caption"));
  EXPECT_EQ(*texts.Find(L"frmmain.cmdok.caption"), L"OK");
  EXPECT_FALSE(texts.Find(L"FRMMAIN.CMDOK.CAPTION"));  // callers look up in lower case
  EXPECT_EQ(texts.Size(), 1u);
  // Letters beyond ASCII are lowered the way the rest of the program lowers them.
  EXPECT_EQ(texts.Add(L"", L"\u00C4\u0160\u00DF", L"x").first, L"\u00E4\u0161\u00DF");
  // Empty names and texts are kept as such.
  EXPECT_TRUE(texts.Add(L"", L"", L"").second);
  ASSERT_TRUE(texts.Find(L""));
  EXPECT_EQ(*texts.Find(L""), L"");
}

TEST(LangTexts, SetReplacesOrAdds) {
  CLangTexts texts;
  texts.Add(L"", L"a", L"one");
  texts.Set(L"a", L"uno");
  texts.Set(L"b", L"two");
  EXPECT_EQ(*texts.Find(L"a"), L"uno");
  EXPECT_EQ(*texts.Find(L"b"), L"two");
  EXPECT_EQ(texts.Size(), 2u);
  texts.Clear();
  EXPECT_FALSE(texts.Has(L"a"));
  EXPECT_EQ(texts.Size(), 0u);
  texts.Set(L"a", L"after clear");
  EXPECT_EQ(*texts.Find(L"a"), L"after clear");
}

TEST(LangTexts, KeptViewsSurviveGrowthAndMoves) {
  CLangTexts texts;
  const std::wstring longText(100000, L'x');  // larger than a block
  auto first = texts.Add(L"", L"First", L"text 0").first;
  auto big = texts.Add(L"", L"Big", longText).first;
  for (int i = 1; i < 20000; ++i) {
    // Room made for a load's lines midway, and a smaller wish that changes nothing.
    if (i == 5000) texts.Reserve(30000);
    if (i == 6000) texts.Reserve(10);
    ASSERT_TRUE(
        texts.Add(L"p.", L"Key" + std::to_wstring(i), L"text " + std::to_wstring(i)).second);
  }
  CLangTexts moved = std::move(texts);
  EXPECT_EQ(first, L"first");
  EXPECT_EQ(big, L"big");
  EXPECT_EQ(*moved.Find(L"big"), longText);
  for (int i = 1; i < 20000; i += 997)
    EXPECT_EQ(*moved.Find(L"p.key" + std::to_wstring(i)), L"text " + std::to_wstring(i));
  EXPECT_EQ(moved.Size(), 20001u);
}

}  // namespace

TEST(LangTexts, TextsOfAnyCharactersComeBackAsKept) {
  CLangTexts texts;
  const std::wstring kept[] = {L"plain",
                               L"caf\x00E9 \x00FF\x0080",
                               L"\x20AC 5 and \x0100",
                               L"\x0100\x0150",
                               std::wstring(L"nul\0inside", 10),
                               L"\x1D11E clef",
                               L""};
  int i = 0;
  for (const auto& text : kept) texts.Add(L"", L"K" + std::to_wstring(i++), text);
  i = 0;
  for (const auto& text : kept) EXPECT_EQ(texts.Find(L"k" + std::to_wstring(i++)), text) << i;
  // A text replaced by one of other characters, and back.
  texts.Set(L"k0", L"\x20AC");
  EXPECT_EQ(texts.Find(L"k0"), L"\x20AC");
  texts.Set(L"k0", L"\x00E9t\x00E9");
  EXPECT_EQ(texts.Find(L"k0"), L"\x00E9t\x00E9");
  EXPECT_EQ(texts.Find(L"k1"), kept[1]);
}

// Blocks start small and grow: a text longer than the current block, at any length around
// the block sizes and after any number of short ones, still gets room of its own length (and
// a sanitizer sees any overrun).
TEST(LangTexts, TextsLongerThanTheFirstBlocksComeBackWhole) {
  const size_t lengths[] = {1, 255, 256, 257, 511, 1000, 2047, 2048, 2049, 6000, 8191, 8193, 20000};
  for (size_t shortOnes : {1, 3, 40}) {
    for (size_t length : lengths) {
      for (wchar_t c : {L'n', L'\x20AC'}) {  // a narrow text and a wide one
        CLangTexts texts;
        std::vector<std::wstring> kept;
        for (size_t i = 0; i < shortOnes; ++i) kept.push_back(std::wstring(5, c));
        kept.push_back(std::wstring(length, c) + L"|");
        kept.push_back(L"after");
        for (size_t i = 0; i < kept.size(); ++i) texts.Add(L"", L"k" + std::to_wstring(i), kept[i]);
        for (size_t i = 0; i < kept.size(); ++i)
          ASSERT_EQ(texts.Find(L"k" + std::to_wstring(i)), kept[i]) << length << " " << i;
      }
    }
  }
}
