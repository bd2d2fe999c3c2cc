// Memory for a large text: a new mail with a body of 50 million characters typed in five
// pieces, saved and sent in a kept profile, the program started again on it, the mail
// replied to with the default template. "peak_per_body_byte" is the process's peak resident
// memory over the whole road, less what it held before the typing, per byte of the body
// (goal: at most 5). It runs in a process of its own, so that nothing before it counts.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "bench/common/FirstStart.h"
#include "bench/common/Process.h"
#include "bench/common/Sandbox.h"
#include "host/ProfileStore.h"
#include "host/Session.h"
#include "platform/outlook/Inspector.h"

namespace {

constexpr size_t kBodyChars = 50'000'000;
constexpr int kPieces = 5;

// The road in this process: the peak bytes above what it held before the typing.
double RoadPeakBytes() {
  auto dir = benchdata::MemoryRoot() / ("tanvelo-bench-body-" + std::to_string(::getpid()));
  std::filesystem::remove_all(dir);
  double peak = 0;
  {
    host::ProfileStore store(dir);
    host::SessionOptions options;
    options.store = &store;
    options.languageFile = benchdata::LanguageFile();
    host::Session session(options, [](const std::wstring&) {});
    benchdata::FirstStartWithDefaultTemplate(session);
    for (const wchar_t* line :
         {L"new mail", L"set subject \"Big text\"", L"set to \"someone@example.com\""})
      session.Run(line);
    // What the keyboard sends: one piece at a time, each made before the count starts again,
    // and let go once typed, as a keyboard keeps nothing of what it sent.
    std::wstring piece(kBodyChars / kPieces, L'x');
    for (size_t i = 79; i < piece.size(); i += 80) piece[i] = L'\n';
    std::FILE* reset = std::fopen("/proc/self/clear_refs", "w");
    if (reset) {
      std::fputs("5", reset);  // the peak starts again from what is resident now
      std::fclose(reset);
    }
    const double before = benchdata::StatusBytes("VmRSS");
    for (int i = 0; i < kPieces; ++i) {
      auto inspector = std::dynamic_pointer_cast<outlook::Inspector>(session.ActiveWindow());
      if (!inspector) throw std::runtime_error("no mail window to type in");
      inspector->TypeText(piece);
    }
    std::wstring().swap(piece);
    for (const wchar_t* line : {L"save", L"send", L"quit", L"start", L"folder Outbox",
                                L"select \"Big text\"", L"ribbon click btnTanvelo", L"close"})
      session.Run(line);
    peak = benchdata::StatusBytes("VmHWM") - before;
  }
  std::filesystem::remove_all(dir);
  return peak;
}

void BM_LargeBodyMemory(benchmark::State& state) {
  for (auto _ : state) {
    const double peak = benchdata::InChild(RoadPeakBytes);
    if (peak < 0) {
      state.SkipWithError("the road failed in its process");
      return;
    }
    state.counters["peak_mb"] = peak / 1e6;
    state.counters["peak_per_body_byte"] = peak / static_cast<double>(kBodyChars);
    state.counters["peak_per_body_byte_goal"] = 5;
  }
}
BENCHMARK(BM_LargeBodyMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
