// A long session of the simulated Outlook program: 2,000 replies from the ribbon (select the
// mail, reply with the default template, close the reply), once on the built-in profile in
// memory and once on a profile kept on disk. A kept profile saves after every command that
// changed something, and only what changed, so the disk should cost a small factor whatever
// the store's size: "ratio_profile_to_memory" is the goal (at most 3), with the profile folder
// on a memory file system as the other benchmarks keep their files. The same on the host's disk
// is told beside it ("disk_ratio_profile_to_memory") for information only: what the disk does
// under other programs' load is not this program's to measure. Processor time, as the other
// ratios read it; the host disk's figure keeps the wall clock.
//
// "ratio_reply_big_profile": one reply through the template picker (its opening and fill, the
// merge, the filing, the save) on a kept
// profile of 5,000 templates, each with its usage record, and a registry of 100,000 values,
// against the same reply on the demo profile kept the same way (goal: at most 1.5). What a
// reply costs must not grow with the user's data. Medians of replies, processor time.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "bench/common/Clock.h"
#include "bench/common/FirstStart.h"
#include "bench/common/Process.h"
#include "bench/common/Sandbox.h"
#include "bench/common/UsageRecords.h"
#include "core/CWinReg.h"
#include "engine/CFrequentlyTemplates.h"
#include "host/ProfileStore.h"
#include "host/Session.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/win32/Registry.h"

namespace {

constexpr int kReplies = 2000;

// `root` empty: the built-in profile in memory; else a profile kept in a folder under it.
// Processor time (bench/common/Clock.h), or the wall clock where waiting for the device is
// the point (`wall`: the host disk).
double RepliesSeconds(const std::filesystem::path& root, benchmark::State& state,
                      bool wall = false) {
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
    options.languageFile = benchdata::LanguageFile();
    host::Session session(options, [](const std::wstring&) {});
    benchdata::FirstStartWithDefaultTemplate(session);
    auto now = [wall] {
      return wall ? std::chrono::duration<double>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count()
                  : benchdata::ThreadSeconds();
    };
    const double start = now();
    for (int i = 0; i < kReplies; ++i) {
      session.Run(L"select \"Offer\"");
      session.Run(L"ribbon click btnTanvelo");
      session.Run(L"close");
    }
    seconds = now() - start;
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
      double d = RepliesSeconds(benchdata::DiskRoot(), state, true);
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
  state.counters["ratio_profile_to_memory_goal"] = 3;
}
BENCHMARK(BM_RepliesKeptProfile)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

constexpr int kBigTemplates = 5000;
constexpr int kTemplateFolders = 50;
constexpr int kOtherKeys = 100;
constexpr int kValuesPerKey = 1000;  // 100,000 values of other programs
constexpr int kTimedReplies = 25;
// The reply through the picker, choosing the template the first start saved.
constexpr const wchar_t* kPick =
    L"answer frmSelectTemplate node treFolders \"Tanvelo Templates/Quarterly figures\"; "
    L"click btnOK";

// What a user who has used the program for years keeps: templates in folders, each with its
// usage record, and a registry full of other programs' settings.
void FillProfile(host::Session& session) {
  auto root = session.FolderAt(L"Tanvelo Templates");
  std::vector<std::shared_ptr<outlook::MAPIFolder>> folders;
  for (int i = 0; i < kTemplateFolders; ++i)
    folders.push_back(root->Folders()->Add(L"Kept " + std::to_wstring(i)));
  CWinReg reg;
  reg.InitForWrite(CWinReg::HKEY_CURRENT_USER, CFrequentlyTemplates::GetRegKey(), true);
  for (int64_t i = 0; i < kBigTemplates; ++i) {
    auto item = outlook::AddUnsentMail(folders[static_cast<size_t>(i % kTemplateFolders)],
                                       L"kept template " + std::to_wstring(i));
    benchdata::StoreRecord(reg, benchdata::UsageRecord(i, item->EntryID(), item->Subject()));
  }
  reg.CloseKey();
  for (int k = 0; k < kOtherKeys; ++k) {
    win32::HKEY key = 0;
    std::string path = "Software\\Others\\Program " + std::to_string(k) + "\\Settings";
    win32::RegCreateKeyExA(win32::HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                           win32::KEY_ALL_ACCESS, nullptr, &key, nullptr);
    for (int v = 0; v < kValuesPerKey; ++v) {
      std::string name = "Value " + std::to_string(v);
      std::string data = "setting " + std::to_string(k * kValuesPerKey + v);
      win32::RegSetValueExA(key, name.c_str(), 0, win32::REG_SZ,
                            reinterpret_cast<const uint8_t*>(data.data()),
                            static_cast<win32::DWORD>(data.size() + 1));
    }
    win32::RegCloseKey(key);
  }
}

// The median processor seconds of one reply on a kept profile below `root`; `big`: the
// profile holds the user's years of data, saved and read again by a restart before the
// replies.
double ReplySeconds(const std::filesystem::path& root, bool big) {
  auto dir = root / ("tanvelo-bench-reply-" + std::to_string(::getpid()));
  std::filesystem::remove_all(dir);
  std::vector<double> seconds;
  {
    host::ProfileStore store(dir);
    host::SessionOptions options;
    options.store = &store;
    options.languageFile = benchdata::LanguageFile();
    host::Session session(options, [](const std::wstring&) {});
    benchdata::FirstStartWithDefaultTemplate(session);
    if (big) FillProfile(session);
    // Saved, and the program started again on what was saved.
    session.Run(L"quit");
    session.Run(L"start");
    session.Run(L"folder Inbox");
    if (big)
      session.Run(L"expect folder \"Tanvelo Templates/Kept 0\" count " +
                  std::to_wstring(kBigTemplates / kTemplateFolders));
    for (int i = 0; i < kTimedReplies + 2; ++i) {
      const double start = benchdata::ThreadSeconds();
      session.Run(L"select \"Offer\"");
      session.Run(kPick);
      session.Run(L"ribbon click btnTanveloSub");
      session.Run(L"close");
      if (i >= 2) seconds.push_back(benchdata::ThreadSeconds() - start);  // past the first
    }
    session.Run(L"expect folder \"Drafts/Tanvelo Drafts\" count " +
                std::to_wstring(kTimedReplies + 2));
  }
  std::filesystem::remove_all(dir);
  return benchdata::Median(seconds);
}

void BM_ReplyBigProfile(benchmark::State& state) {
  double small = 0, big = 0;
  for (auto _ : state) {
    try {
      small = ReplySeconds(benchdata::MemoryRoot(), false);
      big = ReplySeconds(benchdata::MemoryRoot(), true);
    } catch (const std::exception& e) {
      state.SkipWithError(e.what());
      return;
    }
  }
  state.counters["ms_demo"] = small * 1e3;
  state.counters["ms_big"] = big * 1e3;
  state.counters["ratio_reply_big_profile"] = small > 0 ? big / small : 0;
  state.counters["ratio_reply_big_profile_goal"] = 1.5;
}
BENCHMARK(BM_ReplyBigProfile)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
BENCHMARK_MAIN();
