// Texts by id: lookup without regard to case, escapes, argument places, missing ids, and
// the About texts handed to the support library.
#include "LangTestUtil.h"
#include "core/CLang.h"
#include "core/LibVersionTexts.h"
#include "platform/win32/Handles.h"

using namespace langtest;

namespace {

class Item : public LangTest {
 protected:
  CLang lang;
  void SetUp() override {
    Write("t.lng", LangFile("EN", {"[Tanvelo.texts]", "Hello_World = \"Hello %s\"",
                                   "Percent = \"%d%%\"", "Plain = \"100%% \\\\n %s\""}));
    ASSERT_TRUE(lang.Init(ProgramPath("t.lng"), L"Tanvelo"));
  }
};

TEST_F(Item, IdsAreFoundInAnyCase) {
  size_t before = support::library::Log().size();
  for (const wchar_t* id : {L"hello_world", L"HELLO_WORLD", L"hElLo_WoRlD"})
    EXPECT_EQ(lang.Item(id, L"you"), L"Hello you");
  EXPECT_TRUE(lang.ItemFind(L"PERCENT"));
  EXPECT_EQ(support::library::Log().size(), before);
}

TEST_F(Item, MissingIdGivesTheIdAndALogEntry) {
  EXPECT_EQ(lang.Item(L"IDS_NOPE"), L"IDS_NOPE");
  EXPECT_EQ(support::library::Log().back().procedure, L"CLang.Item");
  EXPECT_EQ(support::library::Log().back().text,
            L"Key 'IDS_NOPE' not exists in " + ProgramPath("t.lng"));
  // Its own places are filled.
  EXPECT_EQ(lang.Item(L"No %s here", L"text"), L"No text here");
  CLang empty;
  EXPECT_EQ(empty.Item(L"X_Y"), L"X_Y");
  EXPECT_EQ(support::library::Log().back().text, L"Key 'X_Y' not exists in ");
}

TEST_F(Item, EscapesAreDecodedWhenFetched) {
  struct Case {
    const wchar_t* text;
    const wchar_t* result;
    const wchar_t* logged;  // the error entry, or nullptr
  } cases[] = {
      {L"one\\ntwo", L"one\r\ntwo", nullptr},
      {L"one\\Ntwo", L"one\r\ntwo", nullptr},
      {L"a\\tb\\Tc", L"a\tb\tc", nullptr},
      {L"say \\\"x\\\"", L"say \"x\"", nullptr},
      {L"\\\\n", L"\\n", nullptr},
      {L"\\\\\\n", L"\\\r\n", nullptr},
      {L"bad \\x here", L"bad \\x here", L"[bad \\x here] Invalid format specificator '\\x'"},
      {L"ends \\", L"ends \\", L"[ends \\] Invalid format specificator '\\'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Ansi(c.text));
    lang.ItemSet(L"E", c.text);
    size_t before = support::library::Log().size();
    EXPECT_EQ(lang.Item(L"e"), c.result);
    if (c.logged) {
      ASSERT_EQ(support::library::Log().size(), before + 1);
      EXPECT_EQ(support::library::Log().back().text, c.logged);
      EXPECT_EQ(support::library::Log().back().procedure, L"CLang::sprintf2");
    } else {
      EXPECT_EQ(support::library::Log().size(), before);
    }
  }
}

TEST_F(Item, PlacesAreFilledFromTheArguments) {
  struct Case {
    const wchar_t* format;
    std::vector<LangArg> args;
    const wchar_t* result;
    const wchar_t* warning;  // a warning entry, or nullptr
  } cases[] = {
      {L"%d%%", {42}, L"42%", nullptr},
      {L"%d", {2.5}, L"2", nullptr},
      {L"%d", {3.5}, L"4", nullptr},
      {L"%d", {-7}, L"-7", nullptr},
      {L"%d", {L" 12 "}, L"12", nullptr},
      {L"%d", {true}, L"-1", nullptr},
      {L"%s", {int16_t{7}}, L"7", L"VarType(2) <> vbString, Typename = Integer"},
      {L"%s", {1.25}, L"1.25", L"VarType(5) <> vbString, Typename = Double"},
      {L"%s", {LangArg()}, L"", L"VarType(0) <> vbString, Typename = Empty"},
      {L"%s and %s", {L"a", L"b", L"unused"}, L"a and b", nullptr},
      {L"%s-%d", {LangArg::Array({L"x", 9})}, L"x-9", nullptr},
      {L"%s\\t%s", {L"\\n", L"%d"}, L"\\n\t%d", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Ansi(c.format));
    size_t before = support::library::Log().size();
    EXPECT_EQ(CLang::sprintf1(c.format, c.args), c.result);
    if (c.warning) {
      ASSERT_EQ(support::library::Log().size(), before + 1);
      EXPECT_EQ(support::library::Log().back().text, c.warning);
      EXPECT_EQ(support::library::Log().back().level, 2);
    } else {
      EXPECT_EQ(support::library::Log().size(), before);
    }
  }
}

TEST_F(Item, BadPlacesAndRuntimeErrors) {
  // An unknown place is dropped with an error; a "%" at the end likewise.
  EXPECT_EQ(CLang::sprintf1(L"a%xb", {1}), L"ab");
  EXPECT_EQ(support::library::Log().back().text, L"Invalid format specificator(x)");
  EXPECT_EQ(CLang::sprintf1(L"50%", {1}), L"50");
  EXPECT_EQ(support::library::Log().back().text, L"Invalid format specificator()");
  EXPECT_EQ(support::library::Log().back().procedure, L"CLang::sprintf1");

  // Too few arguments, a number that is none, Null: the escaped format unchanged.
  struct Case {
    const wchar_t* format;
    std::vector<LangArg> args;
  } cases[] = {{L"%s and %s\\t", {L"one"}},
               {L"%d\\t", {L"abc"}},
               {L"%s\\t", {LangArg::Null()}},
               {L"%d\\t", {3e10}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(Ansi(c.format));
    std::wstring escaped = CLang::sprintf2(c.format);
    EXPECT_EQ(CLang::sprintf1(c.format, c.args), escaped);
    EXPECT_EQ(support::library::Log().back().procedure, L"CLang::sprintf1");
    EXPECT_EQ(support::library::Log().back().level, 3);
    EXPECT_EQ(support::library::Log().back().text.rfind(L"[" + escaped + L"] ", 0), 0u);
  }
  EXPECT_EQ(vb::Err().Number(), 0);
}

TEST_F(Item, WithoutArgumentsPlacesStayAndEscapesAreDecoded) {
  EXPECT_EQ(lang.Item(L"plain"), L"100%% \\n %s");
  EXPECT_EQ(lang.Item(L"plain", L"x"), L"100% \\n x");
}

TEST_F(Item, ItemSetLastsUntilTheNextLoad) {
  lang.ItemSet(L"Hello_WORLD", L"Hi %s");
  lang.ItemSet(L"New_Id", L"new");
  EXPECT_EQ(lang.Item(L"hello_world", L"there"), L"Hi there");
  EXPECT_TRUE(lang.ItemFind(L"NEW_ID"));
  ASSERT_TRUE(lang.Init(ProgramPath("t.lng"), L"Tanvelo"));
  EXPECT_EQ(lang.Item(L"hello_world", L"there"), L"Hello there");
  EXPECT_FALSE(lang.ItemFind(L"new_id"));
}

TEST_F(Item, VersionTextsComeInTheLibrarysOrder) {
  Write("v.lng", LangFile("EN", {"[Tanvelo.texts]", "LID_VI_COMMENTS = \"comments\"",
                                 "LID_VI_FILE_DESCRIPTION = \"description\"",
                                 "LID_VI_LEGAL_COPYRIGHT = \"legal\""}));
  g_oLang = std::make_shared<CLang>();
  ASSERT_TRUE(g_oLang->Init(ProgramPath("v.lng"), L"Tanvelo"));

  // Through the block, as the library calls it.
  std::array<uint8_t, support::kInitBlockSize> block{};
  uint32_t handle = win32::AllocHandle(support::VersionTextsCallback(OnLibGetVersionTexts));
  for (int i = 0; i < 4; ++i) block[64 + i] = static_cast<uint8_t>(handle >> (8 * i));
  block[0] = static_cast<uint8_t>(support::kInitBlockSize);
  ASSERT_EQ(support::LibNorvaneInitEx(1, block.data()), 0);
  support::VersionTexts texts = support::library::CallGetVersionTexts();
  EXPECT_EQ(texts.FileDescription, L"description");
  EXPECT_EQ(texts.Comments, L"comments");
  EXPECT_EQ(texts.LegalCopyright, L"legal");

  // No language object: nothing raises into the library and the record stays as it was.
  g_oLang.reset();
  support::VersionTexts record{L"a", L"b", L"c"};
  EXPECT_EQ(OnLibGetVersionTexts(&record), &record);
  EXPECT_EQ(record.Comments, L"b");
}

}  // namespace
