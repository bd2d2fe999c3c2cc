// Opening the template picker on 500 and 5,000 templates spread over 200 folders, with
// favourites (copied under the root) and hotkeys among them: the tree is filled and sorted at
// every opening. The "BigO" row shows how the cost grows with the templates;
// "ratio_picker_5000_500" compares the medians of both sizes measured in one run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "bench/common/Clock.h"
#include "core/CLang.h"
#include "core/COptions.h"
#include "core/Main.h"
#include "dialogs/mForms.h"
#include "engine/mTanvelo.h"
#include "hotkeys/CHotkeys.h"
#include "platform/forms/User.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/redemption/Install.h"
#include "platform/win32/Reset.h"
#include "resources/StringTable.h"

namespace {

constexpr int kFolders = 200;

// 20 folders under the root, each with 9 below it; templates dealt round the folders; every
// tenth a favourite, one the default, 40 with hotkeys.
void BuildTemplates(int64_t count) {
  win32::ResetPlatform();
  ReleaseOptions();
  resources::LoadModuleResources();
  redemption::Install();
  outlook::Profile p = outlook::BuildProfile();
  g_oApp = p.app;
  g_oTemplatesFolder = p.root->Folders()->Add(L"Tanvelo Templates");
  g_oLang = std::make_shared<CLang>();
  std::vector<std::shared_ptr<outlook::MAPIFolder>> folders;
  for (int top = 0; top < kFolders / 10; ++top) {
    auto parent = g_oTemplatesFolder->Folders()->Add(L"Folder " + std::to_wstring(top));
    folders.push_back(parent);
    for (int sub = 0; sub < 9; ++sub)
      folders.push_back(parent->Folders()->Add(L"Sub " + std::to_wstring(sub)));
  }
  for (int64_t i = 0; i < count; ++i) {
    auto& folder = folders[static_cast<size_t>(i) % folders.size()];
    auto item = folder->Items()->Add(outlook::olMailItem);
    item->SetSubject(L"Template " + std::to_wstring(count - i));
    item->Save();
    if (i % 10 == 0) mTanvelo::MarkFavoriteTemplate(item, true);
    if (i == count / 2) mTanvelo::SetDefaultTemplate(item);
    if (int32_t k = static_cast<int32_t>(i / (count / 40)); i % (count / 40) == 1 && k < 40)
      Hotkeys().Add(item->EntryID(), 1, 'A' + k % 26, k < 26, k >= 26, true);
  }
}

void BM_OpenPicker(benchmark::State& state) {
  BuildTemplates(state.range(0));
  for (auto _ : state) {
    forms::QueueScript(L"frmSelectTemplate", [](forms::User& u) { u.PressEsc(); });
    std::wstring id;
    int32_t mode = 1;
    benchmark::DoNotOptimize(mForms::ShowSelectTemplate(id, mode, 3, false));
  }
  state.SetComplexityN(state.range(0));
  g_oTemplatesFolder.reset();
  g_oApp.reset();
}
BENCHMARK(BM_OpenPicker)->Arg(500)->Arg(5000)->Unit(benchmark::kMillisecond)->Complexity();

void OpenTimes(int64_t count, int runs, std::vector<double>& seconds) {
  BuildTemplates(count);
  for (int run = 0; run < runs; ++run) {
    forms::QueueScript(L"frmSelectTemplate", [](forms::User& u) { u.PressEsc(); });
    std::wstring id;
    int32_t mode = 1;
    const double start = benchdata::ThreadSeconds();
    benchmark::DoNotOptimize(mForms::ShowSelectTemplate(id, mode, 3, false));
    seconds.push_back(benchdata::ThreadSeconds() - start);
  }
  g_oTemplatesFolder.reset();
  g_oApp.reset();
}

// Both sizes in turn, so that both see the same load on the machine.
void BM_PickerGrowth(benchmark::State& state) {
  std::vector<double> small, large;
  for (auto _ : state) {
    OpenTimes(500, 20, small);
    OpenTimes(5000, 7, large);
  }
  state.counters["ratio_picker_5000_500"] = benchdata::Median(large) / benchdata::Median(small);
  state.counters["ratio_picker_5000_500_goal"] = 11;
  state.counters["ms_500"] = benchdata::Median(small) * 1e3;
  state.counters["ms_5000"] = benchdata::Median(large) * 1e3;
}
BENCHMARK(BM_PickerGrowth)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
