// The clock the ratio counters read: the calling thread's processor time, kernel time (file
// calls, page faults) included. On a machine loaded by other programs the wall clock also
// counts the time a benchmark waits for a processor, which grows with the length of what is
// timed and so bends every ratio of a long step to a short one; processor time does not.
#pragma once

#include <time.h>

#include <algorithm>
#include <vector>

namespace benchdata {

inline double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The middle of some timings: one run met by a busy moment of the machine does not move it.
inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace benchdata
