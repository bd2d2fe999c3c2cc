// Logging, the assertion, the stopwatch and random texts of module Main.
#include <gtest/gtest.h>

#include <set>

#include "core/Main.h"
#include "platform/support/LibNorvane.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Reset.h"

using support::library::Log;

TEST(MainLogging, LevelsAndDetail) {
  LogInfo(L"Mod::A", L"info", 2);
  LogWarning(L"Mod::B", L"warn", 3);
  ASSERT_EQ(2u, Log().size());
  EXPECT_EQ(1, Log()[0].level);
  EXPECT_EQ(2, Log()[0].detail);
  EXPECT_EQ(0, Log()[0].errorNumber);
  EXPECT_EQ(L"Mod::B", Log()[1].procedure);
  EXPECT_EQ(2, Log()[1].level);
}

TEST(MainLogging, LogErrorTakesAndClearsTheCurrentError) {
  EXPECT_FALSE(vb::Catch([] { vb::Raise(91); }));
  LogError(L"mTanvelo::CreateReply");
  ASSERT_EQ(1u, Log().size());
  EXPECT_EQ(91, Log()[0].errorNumber);
  EXPECT_EQ(L"Object variable or With block variable not set", Log()[0].text);
  EXPECT_EQ(3, Log()[0].level);
  EXPECT_EQ(1, Log()[0].detail);
  EXPECT_EQ(0, vb::Err().Number());
  EXPECT_EQ(L"", vb::Err().Description());
}

TEST(MainLogging, ContextPrefixesTheCurrentDescription) {
  vb::Err().Set(5, L"bad call");
  LogError(L"Connect::Button_Action", std::nullopt, L"ignored", L"btnTanvelo");
  EXPECT_EQ(L"[btnTanvelo] bad call", Log()[0].text);
  EXPECT_EQ(5, Log()[0].errorNumber);
}

TEST(MainLogging, AssertLogsOnlyAFalseCondition) {
  Assert(true, L"Mod::P", L"fine");
  EXPECT_TRUE(Log().empty());
  Assert(false, L"Mod::P", L"broken");
  ASSERT_EQ(1u, Log().size());
  EXPECT_EQ(L"ASSERT FAILED - broken", Log()[0].text);
  EXPECT_EQ(0, Log()[0].errorNumber);
  EXPECT_EQ(3, Log()[0].level);
}

TEST(MainLogging, AMissingLibraryNeverRaisesIntoTheCaller) {
  support::library::SetInstalled(false);
  vb::Err().Set(13, L"Type mismatch");
  LogInfo(L"Mod::P", L"lost");
  EXPECT_EQ(13, vb::Err().Number());  // the caller's pending error is untouched
  LogError(L"Mod::P");
  EXPECT_EQ(0, vb::Err().Number());
}

TEST(MainLogging, ElapsedTimeIsLoggedAsPlainMilliseconds) {
  StartTimer();
  LogElapsed(L"CFrequentlyTemplates::RefreshAll", L"", 2);
  win32::clock::Advance(1234);
  LogElapsed(L"Mod::P", L"done", 2);
  EXPECT_EQ(L"[Time=0ms] ", Log()[0].text);
  EXPECT_EQ(L"[Time=1234ms] done", Log()[1].text);
  EXPECT_EQ(1, Log()[1].level);
  EXPECT_EQ(2, Log()[1].detail);
}

TEST(MainLogging, ElapsedTimeSurvivesTheTickCounterWrap) {
  win32::clock::SetTickStart(0xFFFFFFFFu - 5);
  StartTimer();
  win32::clock::Advance(10);
  LogElapsed(L"Mod::P", L"");
  EXPECT_EQ(L"[Time=10ms] ", Log()[0].text);
}

TEST(MainTrap, LogsUnderTheProcedureAndAnswersTheFallback) {
  EXPECT_TRUE(Trap(L"Mod::Fine", [] {}));
  EXPECT_FALSE(Trap(L"Mod::Fails", [] { vb::Raise(53); }));
  EXPECT_EQ(7, TrapOr(L"Mod::Value", 7, []() -> int { vb::Raise(9); }));
  EXPECT_EQ(8, TrapOr(L"Mod::Value", 7, [] { return 8; }));
  ASSERT_EQ(2u, Log().size());
  EXPECT_EQ(L"Mod::Fails", Log()[0].procedure);
  EXPECT_EQ(53, Log()[0].errorNumber);
  EXPECT_EQ(9, Log()[1].errorNumber);
}

TEST(MainRandom, AlphabetSizeRules) {
  struct Row {
    int32_t size;
    const wchar_t* allowed;
  } rows[] = {{10, L"0123456789"},
              {16, L"0123456789ABCDEF"},
              {1, L"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"},
              {-1, L"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"},
              {40, L"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"}};
  for (const auto& row : rows) {
    std::wstring text = GetRandomString(2000, row.size);
    ASSERT_EQ(2000u, text.size());
    EXPECT_EQ(std::wstring::npos, text.find_first_not_of(row.allowed)) << row.size;
    if (row.size > 36 || row.size < 2) {
      EXPECT_NE(std::wstring::npos, text.find(L'Z'));
    }
  }
  EXPECT_EQ(L"", GetRandomString(0));
  EXPECT_EQ(L"", GetRandomString(-3));
}

TEST(MainRandom, TagsMadeWithinOneTickDiffer) {
  // Command-bar groups are told apart by their random Tag; many made at once must differ.
  std::set<std::wstring> tags;
  for (int i = 0; i < 500; ++i) tags.insert(GetRandomString(10));
  EXPECT_EQ(500u, tags.size());
}

TEST(MainRandom, ASeededRunRepeats) {
  vb::Randomize(7);
  std::wstring first = GetRandomString(23, 10);
  win32::ResetPlatform();
  vb::Randomize(7);
  EXPECT_EQ(first, GetRandomString(23, 10));
}

TEST(MainCallbacks, NewMailFromTemplateRunsTheHookAndSwallowsItsErrors) {
  int runs = 0;
  g_fnNewMailFromTemplate = [&] {
    ++runs;
    vb::Raise(91);
  };
  EXPECT_EQ(0, OnLibNewMailFromTemplate());
  EXPECT_EQ(1, runs);
  EXPECT_EQ(0, vb::Err().Number());
  g_fnNewMailFromTemplate = nullptr;
  EXPECT_EQ(0, OnLibNewMailFromTemplate());
}

// A step refused a moment is asked again; refused at every try, the last refusal is what the
// caller sees, as a false answer or raised.
TEST(MainHeld, AStepIsAskedAgainUntilItsLastTryAndTheLastRefusalIsKept) {
  struct Row {
    int refusals;
    bool done;
  };
  for (const Row& row : {Row{0, true}, Row{1, true}, Row{kHeldTries - 1, true},
                         Row{kHeldTries, false}, Row{kHeldTries + 5, false}}) {
    SCOPED_TRACE(row.refusals);
    int calls = 0;
    auto step = [&] {
      if (++calls <= row.refusals) vb::Raise(70, L"refusal " + std::to_wstring(calls));
    };
    EXPECT_EQ(row.done, Retried(step));
    EXPECT_EQ(std::min(row.refusals + 1, kHeldTries), calls);
    if (!row.done) {
      EXPECT_EQ(L"refusal " + std::to_wstring(kHeldTries), vb::Err().Description());
    }
    vb::Err().Clear();

    calls = 0;
    const bool raised = !vb::Catch([&] { Held(step); });
    EXPECT_EQ(!row.done, raised);
    if (raised) {
      EXPECT_EQ(70, vb::Err().Number());
    }
    vb::Err().Clear();
  }
}
