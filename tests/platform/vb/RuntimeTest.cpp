#include <gtest/gtest.h>

#include "platform/vb/Runtime.h"
#include "platform/win32/Clock.h"
#include "platform/win32/MessageBox.h"

using namespace vb;

TEST(VbError, CatchTurnsARaisedErrorIntoTheCurrentError) {
  EXPECT_FALSE(Catch([] { Raise(91); }));
  EXPECT_EQ(91, Err().Number());
  EXPECT_EQ(L"Object variable or With block variable not set", Err().Description());
  EXPECT_TRUE(Catch([] {}));
  EXPECT_EQ(91, Err().Number());  // success leaves the current error as it was
  Err().Clear();
  EXPECT_EQ(0, Err().Number());
}

TEST(VbError, ResumeNextGoesOnAfterEachFailingStatement) {
  int reached = 0;
  Ignore([] { Raise(5, L"first"); });
  ++reached;
  Ignore([] { throw std::out_of_range("index"); });  // a stray C++ error is an error too
  ++reached;
  EXPECT_EQ(2, reached);
  EXPECT_EQ(kInternalError, Err().Number());
}

TEST(VbError, UnscriptedPromptsAreNeverSwallowed) {
  EXPECT_THROW(Catch([] { MsgBox(L"Who answers?"); }), win32::UnscriptedPrompt);
}

TEST(VbRuntime, MsgBoxTakesTheAppTitleByDefault) {
  win32::msgbox::Answer(vbYes);
  EXPECT_EQ(vbYes, MsgBox(L"Send?", 52));
  EXPECT_EQ(L"Tanvelo", win32::msgbox::Shown().back().caption);
}

TEST(VbRuntime, ComponentsByProgId) {
  RegisterComponent<std::string>(L"Test.Thing",
                                 [] { return std::make_shared<std::string>("made"); });
  EXPECT_TRUE(IsComponentRegistered(L"test.thing"));
  EXPECT_EQ("made", *CreateObject<std::string>(L"TEST.Thing"));
  EXPECT_FALSE(Catch([] { CreateObject<int>(L"Test.Thing"); }));
  EXPECT_EQ(kTypeMismatch, Err().Number());
  UnregisterComponent(L"Test.Thing");
  EXPECT_FALSE(Catch([] { CreateObject<std::string>(L"Test.Thing"); }));
  EXPECT_EQ(kCantCreateObject, Err().Number());
}

TEST(VbRuntime, RandomIsRepeatableFromASeed) {
  Randomize(42);
  double a = Rnd(), b = Rnd();
  Randomize(42);
  EXPECT_EQ(a, Rnd());
  EXPECT_EQ(b, Rnd());
  EXPECT_GE(a, 0.0);
  EXPECT_LT(a, 1.0);
}

TEST(VbRuntime, DoEventsFiresDueTimers) {
  int fired = 0;
  win32::clock::SetTimer(0, [&] { ++fired; });
  DoEvents();
  EXPECT_EQ(1, fired);
}

TEST(VbConversions, ValParsesTheLeadingNumber) {
  struct Row {
    const wchar_t* text;
    double value;
  } rows[] = {{L"9.0.0.2711", 9.0}, {L"12", 12},  {L"", 0},          {L"abc", 0},
              {L"  14.0", 14.0},    {L"-3x", -3}, {L"1 2 3", 123.0}, {L"0x10", 0}};
  for (const auto& row : rows) EXPECT_EQ(row.value, Val(row.text)) << row.text;
}

TEST(VbConversions, CLngRoundsHalvesToEvenAndOverflows) {
  EXPECT_EQ(2, CLng(2.5));
  EXPECT_EQ(4, CLng(3.5));
  EXPECT_EQ(-2, CLng(-2.5));
  EXPECT_EQ(195, CLng(195.0));
  EXPECT_FALSE(Catch([] { CLng(3e9); }));
  EXPECT_EQ(6, Err().Number());
}

TEST(VbConversions, CaseTrimAndInStr) {
  EXPECT_EQ(L"caf\u00E9 \u0161", LCase(L"CAF\u00C9 \u0160"));
  EXPECT_EQ(L"\u0178", UCase(L"\u00FF"));
  EXPECT_EQ(L"a \t b", Trim(L"  a \t b  "));
  EXPECT_EQ(L"", Trim(L"   "));
  EXPECT_EQ(5, InStr(1, L";ab;CD;", L"cd", true));
  EXPECT_EQ(0, InStr(1, L";ab;CD;", L"cd", false));
  EXPECT_EQ(3, InStr(3, L"abc", L""));
  EXPECT_EQ(0, InStr(5, L"abc", L"a"));
}

TEST(VbConversions, SplitKeepsEmptyPartsLikeTheRuntime) {
  EXPECT_EQ((std::vector<std::wstring>{L"a", L"", L"b", L""}), Split(L"a,,b,", L","));
  EXPECT_EQ((std::vector<std::wstring>{L""}), Split(L"", L"\r\n"));
  EXPECT_EQ((std::vector<std::wstring>{L"1", L"x\r"}), Split(L"1\r\nx\r", L"\r\n"));
}
