// Outlook 2010 starting with the add-in, from the connection to the first explorer ready (the
// add-in's start-up complete and its first explorer's Init), for a user with 1,000 and with
// 10,000 templates in 200 folders, each with a usage record. The "BigO" row tells how the
// cost grows with the templates: linear or better is the goal; "ratio_startup_10k_1k"
// compares the medians of both sizes measured in one run.
//
// Each timed start runs in a process of its own, forked from the prepared profile, so that no
// start finds what an earlier timed one left behind (records rewritten, the heap grown and
// warm). It is not the first start of its process: the profile is prepared by a first start,
// which makes the folders and the samples as the user's own first start did; the timed one is
// the next start of Outlook after that.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <vector>

#include "addin/Connect.h"
#include "bench/common/Clock.h"
#include "bench/common/Sandbox.h"
#include "bench/common/UsageRecords.h"
#include "core/CLang.h"
#include "core/CWinReg.h"
#include "core/Main.h"
#include "engine/CFrequentlyTemplates.h"
#include "engine/CTemplate.h"
#include "platform/addin/OutlookHost.h"
#include "platform/forms/User.h"
#include "platform/msxml/DOMDocument.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/redemption/Install.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Reset.h"
#include "resources/StringTable.h"

namespace {

constexpr int kFolders = 200;

struct World {
  win32::files::TempSandbox sandbox{benchdata::MemoryRoot()};
  outlook::Profile p;

  explicit World(int64_t templates) {
    win32::ResetPlatform();
    resources::LoadModuleResources();
    redemption::Install();
    msxml::Install();
    std::ifstream in(std::string(TV_SOURCE_DIR) + "/lang/EN.lng", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    win32::files::WriteAll(win32::ToAnsi(vb::App().Path) + "\\EN.lng", bytes);
    win32::msgbox::SetDefaultAnswerer([](const win32::ShownMessageBox&) { return win32::IDOK; });
    p = outlook::BuildProfile({.version = L"14.0.0.4760"});
    g_oApp = p.app;
    // A first start makes the folders and the samples; the user has used Outlook since.
    StartAndQuit();
    auto root = p.root->Folders()->Item(L"Tanvelo Templates");
    std::vector<std::shared_ptr<outlook::MAPIFolder>> folders;
    for (int i = 0; i < kFolders; ++i)
      folders.push_back(root->Folders()->Add(L"Folder " + std::to_wstring(i)));
    g_oApp = p.app;  // the shutdown let go of it; the records live under the profile's key
    CWinReg reg;
    reg.InitForWrite(CWinReg::HKEY_CURRENT_USER, CFrequentlyTemplates::GetRegKey(), true);
    for (int64_t i = 0; i < templates; ++i) {
      auto item = outlook::AddUnsentMail(folders[static_cast<size_t>(i % kFolders)],
                                         L"template " + std::to_wstring(i));
      benchdata::StoreRecord(reg, benchdata::UsageRecord(i, item->EntryID(), item->Subject()));
    }
    reg.CloseKey();
    ReleaseOptions();
    g_oApp = nullptr;
  }

  // Outlook starts on the Inbox with the add-in, then ends; only the start is measured.
  void StartAndQuit(benchmark::State* state = nullptr) {
    auto addin = std::make_shared<Connect>();
    addinhost::OutlookHost host(p.app, addin);
    forms::QueueScript(L"frmReplyFolder", [](forms::User& u) { u.PressEnter(); });
    if (state) state->ResumeTiming();
    host.Start(p.inbox);
    if (state) state->PauseTiming();
    if (state && addin->GetState() != Connect::State::Initialised)
      state->SkipWithError("the add-in did not start");
    if (state && g_oFrequentlyTemplates)
      state->counters["records"] = g_oFrequentlyTemplates->Templates().Count();
    host.Quit();
  }
};

// Seconds of one start in a child process; negative when the child failed.
double TimedStartInChild(World& world) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    double seconds = -1;
    {
      auto addin = std::make_shared<Connect>();
      addinhost::OutlookHost host(world.p.app, addin);
      forms::QueueScript(L"frmReplyFolder", [](forms::User& u) { u.PressEnter(); });
      const double start = benchdata::ThreadSeconds();
      host.Start(world.p.inbox);
      seconds = benchdata::ThreadSeconds() - start;
      if (addin->GetState() != Connect::State::Initialised) seconds = -1;
    }
    ssize_t written = write(fds[1], &seconds, sizeof seconds);
    _exit(written == sizeof seconds ? 0 : 1);
  }
  close(fds[1]);
  double seconds = -1;
  if (child < 0 || read(fds[0], &seconds, sizeof seconds) != sizeof seconds) seconds = -1;
  close(fds[0]);
  if (child > 0) waitpid(child, nullptr, 0);
  return seconds;
}

void BM_StartUp(benchmark::State& state) {
  World world(state.range(0));
  for (auto _ : state) {
    double seconds = TimedStartInChild(world);
    if (seconds < 0) state.SkipWithError("the add-in did not start");
    state.SetIterationTime(std::max(seconds, 0.0));
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_StartUp)
    ->ArgName("templates")
    ->Arg(1000)
    ->Arg(10000)
    ->Complexity()
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// Starts of each size in a process of its own, the profile prepared in between.
std::vector<double> StartTimes(int64_t templates, int runs, benchmark::State& state) {
  // The profile is made in a child too: two profiles cannot live in one process.
  int fds[2];
  std::vector<double> seconds(static_cast<size_t>(runs), -1);
  if (pipe(fds) != 0) return {};
  pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    {
      World world(templates);
      for (auto& s : seconds) s = TimedStartInChild(world);
    }
    size_t bytes = seconds.size() * sizeof(double);
    _exit(write(fds[1], seconds.data(), bytes) == static_cast<ssize_t>(bytes) ? 0 : 1);
  }
  close(fds[1]);
  size_t bytes = seconds.size() * sizeof(double);
  if (child < 0 || read(fds[0], seconds.data(), bytes) != static_cast<ssize_t>(bytes)) seconds = {};
  close(fds[0]);
  if (child > 0) waitpid(child, nullptr, 0);
  for (double s : seconds)
    if (s < 0) state.SkipWithError("the add-in did not start");
  return seconds;
}

void BM_StartUpGrowth(benchmark::State& state) {
  std::vector<double> small, large;
  for (auto _ : state) {
    for (double s : StartTimes(1000, 5, state)) small.push_back(s);
    for (double s : StartTimes(10000, 5, state)) large.push_back(s);
  }
  state.counters["ratio_startup_10k_1k"] =
      benchdata::Median(small) > 0 ? benchdata::Median(large) / benchdata::Median(small) : 0;
  state.counters["ms_1k"] = benchdata::Median(small) * 1e3;
  state.counters["ms_10k"] = benchdata::Median(large) * 1e3;
  state.counters["ratio_startup_10k_1k_goal"] = 11;
}
BENCHMARK(BM_StartUpGrowth)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
