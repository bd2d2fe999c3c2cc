// Memory for an unknown command of 50 million characters, read from a script file and piped:
// "peak_per_line_byte" is the program's peak resident memory less that of the same script with
// a short unknown command, per byte of the line (goal: at most 6). Each run is a process of its
// own, so that nothing before it counts.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "bench/common/Process.h"
#include "bench/common/Sandbox.h"
#include "tests/host/LongLinePeak.h"

namespace {

constexpr size_t kLineBytes = 50'000'000;

// The program run on a script whose second line is an unknown command of `bytes` bytes; the
// peak bytes above what the process held before it ran.
double ProgramPeakBytes(size_t bytes, bool piped) {
  auto script =
      benchdata::MemoryRoot() / ("tanvelo-bench-line-" + std::to_string(::getpid()) + ".txt");
  double peak = longline::PeakBytes(script, bytes, piped, "", benchdata::LanguageFile());
  if (peak < 0) throw std::runtime_error("the unknown command was not refused");
  return peak;
}

void BM_LongUnknownCommandMemory(benchmark::State& state) {
  const bool piped = state.range(0) != 0;
  for (auto _ : state) {
    double small = benchdata::InChild([&] { return ProgramPeakBytes(10, piped); });
    double large = benchdata::InChild([&] { return ProgramPeakBytes(kLineBytes, piped); });
    if (small < 0 || large < 0) {
      state.SkipWithError("the program failed in its process");
      return;
    }
    state.counters["peak_mb"] = large / 1e6;
    state.counters["peak_per_line_byte"] = (large - small) / static_cast<double>(kLineBytes);
    state.counters["peak_per_line_byte_goal"] = 6;
  }
  state.SetLabel(piped ? "piped" : "script file");
}
BENCHMARK(BM_LongUnknownCommandMemory)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
