// A write of the user's settings played under runs of registry refusals: once for each of its
// registry calls, with the calls from that one on refused. Runs from a call of another surface
// are left to that surface's tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

#include "core/Main.h"
#include "platform/support/LibNorvane.h"
#include "platform/win32/Faults.h"

namespace refused {

// An error-level line logged since entry `from` holding every fragment.
inline bool Told(size_t from, std::initializer_list<std::wstring> fragments) {
  const auto& log = support::library::Log();
  for (size_t i = from; i < log.size(); ++i) {
    if (log[i].level < kLevelError) continue;
    bool all = true;
    for (const auto& fragment : fragments)
      all = all && log[i].text.find(fragment) != std::wstring::npos;
    if (all) return true;
  }
  return false;
}

struct Write {
  std::function<void()> undo;    // puts the registry back as before the write, unfaulted
  std::function<void()> write;   // the write under test
  std::function<bool()> stored;  // the write's values are in the registry, read unfaulted
  // Whether an error line logged since entry `from` names what was not stored.
  std::function<bool(size_t from)> told;
};

// Plays the write with `span` refusals from each of its calls. Shorter than kHeldTries, every
// run must store it; refused past that, every run must store it or tell it, and one at least
// tells it. Answers how many runs it played.
inline int Sweep(const Write& w, uint64_t span) {
  // Once first: a write that makes its key takes fewer calls than the ones after it.
  w.undo();
  w.write();
  w.undo();
  win32::faults::Start({.countOnly = true});
  w.write();
  win32::faults::Stop();
  const uint64_t calls = win32::faults::Counts().calls;
  int runs = 0, told = 0;
  const auto registry = static_cast<size_t>(win32::faults::Surface::Registry);
  for (uint64_t at = 1; at <= calls; ++at) {
    // Runs from a registry call only; a retried call takes every refusal of the run itself.
    w.undo();
    win32::faults::Start({.at = at});
    w.write();
    win32::faults::Stop();
    if (win32::faults::Counts().raisedBy[registry] != 1) continue;
    w.undo();
    const size_t from = support::library::Log().size();
    win32::faults::Start({.at = at, .span = span});
    w.write();
    win32::faults::Stop();
    ++runs;
    EXPECT_GE(support::library::Log().size(), from);
    const bool stored = w.stored(), toldNow = w.told(from);
    told += toldNow;
    if (span < static_cast<uint64_t>(kHeldTries))
      EXPECT_TRUE(stored) << span << " refusals from call " << at << " lost the write";
    else
      EXPECT_TRUE(stored || toldNow)
          << span << " refusals from call " << at << " lost the write untold";
  }
  if (span >= static_cast<uint64_t>(kHeldTries)) {
    EXPECT_GT(told, 0) << "no refusal was told";
  }
  return runs;
}

// Both sweeps: kHeldTries - 1 refusals in a row, then kHeldTries.
inline void SweepBoth(const Write& w) {
  EXPECT_GT(Sweep(w, static_cast<uint64_t>(kHeldTries) - 1), 0) << "no run refused the registry";
  EXPECT_GT(Sweep(w, static_cast<uint64_t>(kHeldTries)), 0) << "no run refused the registry";
}

}  // namespace refused
