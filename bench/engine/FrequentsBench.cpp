// The five most used templates per action, asked as the command bars and the ribbon ask on
// every update, with 10, 100 and 1,000 usage records. The "BigO" rows show how the cost of
// one ask grows with the records: the cached asks must stay flat.
#include <benchmark/benchmark.h>

#include "bench/common/UsageRecords.h"
#include "core/CWinReg.h"
#include "core/Main.h"
#include "engine/CFrequentlyTemplates.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/win32/Reset.h"
#include "resources/StringTable.h"

namespace {

constexpr int32_t kUseTypes[] = {1, 2, 4, 8};

// N stored records with spread-out counts, loaded as at start-up.
std::unique_ptr<CFrequentlyTemplates> Loaded(int64_t records) {
  win32::ResetPlatform();
  resources::LoadModuleResources();
  g_oApp = outlook::BuildProfile().app;
  CWinReg reg;
  reg.InitForWrite(CWinReg::HKEY_CURRENT_USER, CFrequentlyTemplates::GetRegKey(), true);
  for (int64_t i = 0; i < records; ++i) {
    CTemplate t =
        benchdata::UsageRecord(i, benchdata::RecordEntryID(i), L"template " + std::to_wstring(i));
    t.nNewsCount = static_cast<int32_t>(i % 3);
    benchdata::StoreRecord(reg, t);
  }
  return std::make_unique<CFrequentlyTemplates>();
}

// What a ribbon refresh asks: the list of each action.
void BM_GetFrequents(benchmark::State& state) {
  auto frequents = Loaded(state.range(0));
  for (auto _ : state)
    for (int32_t useType : kUseTypes)
      benchmark::DoNotOptimize(frequents->GetFrequents(useType, false));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_GetFrequents)->Arg(10)->Arg(100)->Arg(1000)->Complexity();

// What a command-bar update asks: is my list of each action still current?
void BM_UpdateFrequents(benchmark::State& state) {
  auto frequents = Loaded(state.range(0));
  CTemplates lists[4];
  bool updated = false;
  for (int i = 0; i < 4; ++i) frequents->UpdateFrequents(lists[i], kUseTypes[i], updated);
  for (auto _ : state) {
    for (int i = 0; i < 4; ++i) {
      updated = false;
      frequents->UpdateFrequents(lists[i], kUseTypes[i], updated);
      benchmark::DoNotOptimize(updated);
    }
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_UpdateFrequents)->Arg(10)->Arg(100)->Arg(1000)->Complexity();

// The ranking itself, as after a counted use: it walks all records once.
void BM_RankAfterUse(benchmark::State& state) {
  auto frequents = Loaded(state.range(0));
  for (auto _ : state)
    for (int32_t useType : kUseTypes)
      benchmark::DoNotOptimize(frequents->GetFrequents(useType, true));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_RankAfterUse)->Arg(10)->Arg(100)->Arg(1000)->Complexity();

}  // namespace

BENCHMARK_MAIN();
