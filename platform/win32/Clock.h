// The virtual clock: tick count, local time, time zone and timers. Time moves only when a
// test or the host advances it; timers fire then, in due order.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace win32 {

// Milliseconds since the simulated system start, wrapping at 2^32 like the real counter.
uint32_t GetTickCount();

struct SYSTEMTIME {
  uint16_t wYear, wMonth, wDayOfWeek, wDay, wHour, wMinute, wSecond, wMilliseconds;
};
void GetLocalTime(SYSTEMTIME* time);
// Days from 1970-01-01 to a civil date (negative before it).
int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day);
void GetSystemTime(SYSTEMTIME* time);

struct TIME_ZONE_INFORMATION {
  int32_t Bias = 0;  // minutes; UTC = local time + bias
  std::wstring StandardName;
  int32_t StandardBias = 0;
  std::wstring DaylightName;
  int32_t DaylightBias = 0;
};
inline constexpr uint32_t TIME_ZONE_ID_UNKNOWN = 0;
inline constexpr uint32_t TIME_ZONE_ID_STANDARD = 1;
inline constexpr uint32_t TIME_ZONE_ID_DAYLIGHT = 2;
inline constexpr uint32_t TIME_ZONE_ID_INVALID = 0xFFFFFFFF;
// Answers the zone and which of its times is in force (UNKNOWN for a zone without daylight
// saving, INVALID when the call fails).
uint32_t GetTimeZoneInformation(TIME_ZONE_INFORMATION* info);

// Control of the simulated machine's time, for tests and the host.
namespace clock {
// Moves time forward, firing each timer that falls due at its own moment, in order.
void Advance(uint32_t ms);
// Fires the timers that are due now without moving time (what a message pump does).
void RunDue();
// Local wall time at tick 0, as days since 1601-01-01 are awkward: a SYSTEMTIME.
void SetLocalStart(const SYSTEMTIME& start);
void SetTimeZone(const TIME_ZONE_INFORMATION& info, uint32_t answer);
// The tick count can start anywhere, so a test can put it near its wrap.
void SetTickStart(uint32_t tick);

// One-shot or repeating timer; the id is never 0. Killing an unknown id is harmless.
uint32_t SetTimer(uint32_t elapseMs, std::function<void()> callback, bool repeat = false);
void KillTimer(uint32_t id);
bool IsTimerSet(uint32_t id);
size_t PendingTimers();
}  // namespace clock

}  // namespace win32
