// A long session of the simulated Outlook program: 2,000 replies from the ribbon (select the
// mail, reply with the default template, close the reply), once on the built-in profile in
// memory and once on a profile kept on disk. A kept profile saves after every command that
// changed something, and only what changed, so the disk should cost a small factor whatever
// the store's size: "ratio_profile_to_memory" is the goal (at most 3), with the profile folder
// on a memory file system as the other benchmarks keep their files. The same on the host's disk
// is told beside it ("disk_ratio_profile_to_memory") for information only: what the disk does
// under other programs' load is not this program's to measure.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "bench/common/Sandbox.h"
#include "host/ProfileStore.h"
#include "host/Session.h"

namespace {

constexpr int kReplies = 2000;

std::string LanguageFile() {
  std::ifstream in(std::string(TV_SOURCE_DIR) + "/lang/EN.lng", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// `root` empty: the built-in profile in memory; else a profile kept in a folder under it.
double RepliesSeconds(const std::filesystem::path& root, benchmark::State& state) {
  bool kept = !root.empty();
  auto dir = (kept ? root : std::filesystem::temp_directory_path()) /
             ("tanvelo-bench-host-" + std::to_string(::getpid()));
  std::filesystem::remove_all(dir);
  double seconds = 0;
  {
    std::unique_ptr<host::ProfileStore> store;
    if (kept) store = std::make_unique<host::ProfileStore>(dir);
    host::SessionOptions options;
    options.store = store.get();
    options.languageFile = LanguageFile();
    host::Session session(options, [](const std::wstring&) {});
    // A first start names the templates folder and makes a template the default one.
    for (const wchar_t* line :
         {L"answer frmReplyFolder enter", L"start", L"select \"Quarterly figures\"",
          L"answer box yes", L"ribbon click btnSaveAsTemplate", L"close",
          L"folder \"Tanvelo Templates\"", L"select \"Quarterly figures\"",
          L"ribbon click btnChangeDefaultSet", L"folder Inbox"})
      session.Run(line);
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kReplies; ++i) {
      session.Run(L"select \"Offer\"");
      session.Run(L"ribbon click btnTanvelo");
      session.Run(L"close");
    }
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    session.Run(L"expect folder \"Drafts/Tanvelo Drafts\" count " + std::to_wstring(kReplies));
    if (store) state.counters["store_commits"] = static_cast<double>(store->Commits());
  }
  if (kept) state.counters["store_mb"] = std::filesystem::file_size(dir / "store.sqlite") / 1e6;
  std::filesystem::remove_all(dir);
  return seconds;
}

void BM_RepliesKeptProfile(benchmark::State& state) {
  double memory = 0, kept = 0, disk = 0;
  for (auto _ : state) {
    try {
      double m = RepliesSeconds({}, state);
      double k = RepliesSeconds(benchdata::MemoryRoot(), state);
      double d = RepliesSeconds(benchdata::DiskRoot(), state);
      memory += m;
      kept += k;
      disk += d;
      state.SetIterationTime(m + k);
    } catch (const std::exception& e) {
      state.SkipWithError(e.what());
      return;
    }
  }
  double n = static_cast<double>(state.iterations());
  state.counters["memory_s"] = memory / n;
  state.counters["profile_s"] = kept / n;
  state.counters["disk_profile_s"] = disk / n;
  state.counters["ratio_profile_to_memory"] = memory > 0 ? kept / memory : 0;
  state.counters["disk_ratio_profile_to_memory"] = memory > 0 ? disk / memory : 0;
}
BENCHMARK(BM_RepliesKeptProfile)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
BENCHMARK_MAIN();
