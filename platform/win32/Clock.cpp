#include "platform/win32/Clock.h"

#include <map>

#include "platform/win32/Faults.h"
#include "platform/win32/Reset.h"

namespace win32 {
namespace {

struct Timer {
  uint64_t due;
  uint32_t elapse;
  bool repeat;
  std::function<void()> callback;
};

struct ClockState {
  uint64_t now = 0;  // ms since start
  uint32_t tickStart = 0;
  SYSTEMTIME localStart{2010, 6, 2, 1, 9, 0, 0, 0};  // Tuesday 1 June 2010, 09:00
  TIME_ZONE_INFORMATION zone{-60, L"W. Europe Standard Time", 0, L"W. Europe Daylight Time", -60};
  uint32_t zoneAnswer = TIME_ZONE_ID_DAYLIGHT;
  uint32_t nextId = 1;
  std::map<uint32_t, Timer> timers;
};

ClockState& S() {
  return PlatformState<ClockState>();
}

SYSTEMTIME FromMs(int64_t ms) {
  int64_t days = ms / 86400000;
  int64_t rest = ms % 86400000;
  if (rest < 0) {
    rest += 86400000;
    --days;
  }
  int64_t z = days + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t y = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp + (mp < 10 ? 3 : -9);
  SYSTEMTIME t{};
  t.wYear = static_cast<uint16_t>(y + (m <= 2));
  t.wMonth = static_cast<uint16_t>(m);
  t.wDay = static_cast<uint16_t>(d);
  t.wDayOfWeek = static_cast<uint16_t>((days % 7 + 11) % 7);  // 1970-01-01 was a Thursday
  t.wHour = static_cast<uint16_t>(rest / 3600000);
  t.wMinute = static_cast<uint16_t>(rest / 60000 % 60);
  t.wSecond = static_cast<uint16_t>(rest / 1000 % 60);
  t.wMilliseconds = static_cast<uint16_t>(rest % 1000);
  return t;
}

int64_t ToMs(const SYSTEMTIME& t) {
  return DaysFromCivil(t.wYear, t.wMonth, t.wDay) * 86400000 + t.wHour * 3600000LL +
         t.wMinute * 60000LL + t.wSecond * 1000LL + t.wMilliseconds;
}

int32_t CurrentBias() {
  const auto& s = S();
  if (s.zoneAnswer == TIME_ZONE_ID_DAYLIGHT) return s.zone.Bias + s.zone.DaylightBias;
  if (s.zoneAnswer == TIME_ZONE_ID_STANDARD) return s.zone.Bias + s.zone.StandardBias;
  if (s.zoneAnswer == TIME_ZONE_ID_UNKNOWN) return s.zone.Bias;
  return 0;
}

// Fires the earliest timer due at or before `until`; false when there is none.
bool FireNext(uint64_t until) {
  auto& s = S();
  auto best = s.timers.end();
  for (auto it = s.timers.begin(); it != s.timers.end(); ++it)
    if (it->second.due <= until && (best == s.timers.end() || it->second.due < best->second.due))
      best = it;
  if (best == s.timers.end()) return false;
  if (best->second.due > s.now) s.now = best->second.due;
  auto callback = best->second.callback;
  if (best->second.repeat)
    best->second.due = s.now + (best->second.elapse ? best->second.elapse : 1);
  else
    s.timers.erase(best);
  faults::AddinCode timer;
  callback();
  return true;
}

}  // namespace

// Proleptic Gregorian (Howard Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

uint32_t GetTickCount() {
  return static_cast<uint32_t>(S().tickStart + S().now);
}

void GetLocalTime(SYSTEMTIME* time) {
  *time = FromMs(ToMs(S().localStart) + static_cast<int64_t>(S().now));
}

void GetSystemTime(SYSTEMTIME* time) {
  *time = FromMs(ToMs(S().localStart) + static_cast<int64_t>(S().now) + CurrentBias() * 60000LL);
}

uint32_t GetTimeZoneInformation(TIME_ZONE_INFORMATION* info) {
  if (S().zoneAnswer != TIME_ZONE_ID_INVALID && info != nullptr) *info = S().zone;
  return S().zoneAnswer;
}

namespace clock {

void Advance(uint32_t ms) {
  uint64_t until = S().now + ms;
  while (FireNext(until)) {
  }
  // A timer's callback may have let time pass itself (a modal dialog waiting for the user):
  // time never runs backwards.
  if (S().now < until) S().now = until;
}

void RunDue() {
  uint64_t now = S().now;
  // A timer re-armed inside its own callback waits for the next pump.
  for (size_t guard = S().timers.size(); guard > 0 && FireNext(now); --guard) {
  }
}

void SetLocalStart(const SYSTEMTIME& start) {
  S().localStart = start;
}
void SetTimeZone(const TIME_ZONE_INFORMATION& info, uint32_t answer) {
  S().zone = info;
  S().zoneAnswer = answer;
}
void SetTickStart(uint32_t tick) {
  S().tickStart = tick;
}

uint32_t SetTimer(uint32_t elapseMs, std::function<void()> callback, bool repeat) {
  auto& s = S();
  uint32_t id = s.nextId++;
  if (s.nextId == 0) s.nextId = 1;
  s.timers[id] = Timer{s.now + elapseMs, elapseMs, repeat, std::move(callback)};
  return id;
}

void KillTimer(uint32_t id) {
  S().timers.erase(id);
}
bool IsTimerSet(uint32_t id) {
  return S().timers.count(id) != 0;
}
size_t PendingTimers() {
  return S().timers.size();
}

}  // namespace clock
}  // namespace win32
