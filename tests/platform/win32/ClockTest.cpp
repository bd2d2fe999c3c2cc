#include <gtest/gtest.h>

#include <vector>

#include "platform/win32/Clock.h"

using namespace win32;

TEST(Clock, TimersFireInDueOrderAtTheirOwnMoment) {
  std::vector<std::pair<int, uint32_t>> fired;
  clock::SetTimer(250, [&] { fired.push_back({250, GetTickCount()}); });
  clock::SetTimer(1, [&] { fired.push_back({1, GetTickCount()}); });
  uint32_t start = GetTickCount();
  clock::SetTimer(100, [&] { fired.push_back({100, GetTickCount()}); });
  clock::Advance(99);
  ASSERT_EQ(1u, fired.size());
  clock::Advance(1000);
  ASSERT_EQ(3u, fired.size());
  EXPECT_EQ(100, fired[1].first);
  EXPECT_EQ(start + 100, fired[1].second);
  EXPECT_EQ(start + 1099, GetTickCount());
  EXPECT_EQ(0u, clock::PendingTimers());
}

TEST(Clock, RepeatingTimersAndKillInsideCallback) {
  int ticks = 0;
  uint32_t id = 0;
  id = clock::SetTimer(
      10,
      [&] {
        if (++ticks == 3) clock::KillTimer(id);
      },
      true);
  clock::Advance(100);
  EXPECT_EQ(3, ticks);
  EXPECT_FALSE(clock::IsTimerSet(id));
}

TEST(Clock, TimeThatPassesInsideATimerStaysPassed) {
  // A timer's callback opens a dialog in which the user takes a second; a timer set there
  // fires at its own moment after it.
  uint32_t start = GetTickCount(), inner = 0;
  clock::SetTimer(1, [&] {
    clock::SetTimer(1500, [&] { inner = GetTickCount(); });
    clock::Advance(1000);
  });
  clock::Advance(1);
  EXPECT_EQ(start + 1001, GetTickCount()) << "time never runs backwards";
  clock::Advance(499);
  EXPECT_EQ(0u, inner);
  clock::Advance(1);
  EXPECT_EQ(start + 1501, inner);
}

TEST(Clock, RunDueFiresOnlyWhatIsDueWithoutMovingTime) {
  int fired = 0;
  clock::SetTimer(0, [&] { ++fired; });
  clock::SetTimer(5, [&] { ++fired; });
  uint32_t before = GetTickCount();
  clock::RunDue();
  EXPECT_EQ(1, fired);
  EXPECT_EQ(before, GetTickCount());
}

TEST(Clock, TickCountWrapsLikeTheRealCounter) {
  clock::SetTickStart(0xFFFFFFF0u);
  clock::Advance(0x20);
  EXPECT_EQ(0x10u, GetTickCount());
}

TEST(Clock, LocalAndSystemTimeFollowTheZone) {
  clock::SetLocalStart({2011, 12, 0, 31, 23, 59, 59, 500});
  TIME_ZONE_INFORMATION zone{-120, L"Std", 0, L"Dst", -60};
  clock::SetTimeZone(zone, TIME_ZONE_ID_UNKNOWN);  // a zone without daylight saving
  clock::Advance(600);
  SYSTEMTIME local{}, utc{};
  GetLocalTime(&local);
  GetSystemTime(&utc);
  EXPECT_EQ(2012, local.wYear);
  EXPECT_EQ(1, local.wMonth);
  EXPECT_EQ(1, local.wDay);
  EXPECT_EQ(0, local.wDayOfWeek);  // 1 January 2012 was a Sunday
  EXPECT_EQ(100, local.wMilliseconds);
  EXPECT_EQ(2011, utc.wYear);
  EXPECT_EQ(22, utc.wHour);

  TIME_ZONE_INFORMATION read{};
  EXPECT_EQ(TIME_ZONE_ID_UNKNOWN, GetTimeZoneInformation(&read));
  EXPECT_EQ(-120, read.Bias);
  clock::SetTimeZone(zone, TIME_ZONE_ID_INVALID);
  EXPECT_EQ(TIME_ZONE_ID_INVALID, GetTimeZoneInformation(&read));
}
