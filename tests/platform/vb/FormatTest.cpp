#include <gtest/gtest.h>

#include "platform/vb/Error.h"
#include "platform/vb/Format.h"

TEST(FormatTest, ZeroPatternsPadButNeverCutANumber) {
  EXPECT_EQ(vb::Format(5, L"00"), L"05");
  EXPECT_EQ(vb::Format(99, L"00"), L"99");
  EXPECT_EQ(vb::Format(123, L"00"), L"123");
  EXPECT_EQ(vb::Format(-3, L"00"), L"-03");
  EXPECT_EQ(vb::Format(7, L"000"), L"007");
  EXPECT_THROW(vb::Format(7, L"#,##"), vb::Error);
}

TEST(FormatTest, DatesByDayMonthAndYear) {
  win32::SYSTEMTIME t{};
  t.wYear = 2026, t.wMonth = 3, t.wDay = 7, t.wHour = 9, t.wMinute = 5, t.wSecond = 1;
  EXPECT_EQ(vb::Format(t, L"ddmmyyyy"), L"07032026");
  EXPECT_EQ(vb::Format(t, L"d.m.yy hh:nn:ss"), L"7.3.26 09:05:01");
}
