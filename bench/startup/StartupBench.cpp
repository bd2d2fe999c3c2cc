// Outlook 2010 starting with the add-in, from the connection to the first explorer ready (the
// add-in's start-up complete and its first explorer's Init), for a user with 1,000 and with
// 10,000 templates in 200 folders, each with a usage record. The "BigO" row tells how the
// cost grows with the templates: linear or better is the goal.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>

#include "addin/Connect.h"
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
  win32::files::TempSandbox sandbox;
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

void BM_StartUp(benchmark::State& state) {
  World world(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    world.StartAndQuit(&state);
    state.ResumeTiming();
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_StartUp)
    ->ArgName("templates")
    ->Arg(1000)
    ->Arg(10000)
    ->Complexity()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
