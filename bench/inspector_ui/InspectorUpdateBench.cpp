// One update of a mail window's bars, the event Office raises many times a second while the
// window is open, for a received mail on Outlook 2003 with 10 and 10,000 templates in the usage
// records. The counter "writes" is the number of property writes to command-bar controls per
// update when nothing changed (the goal is none: each one repaints).
#include <benchmark/benchmark.h>

#include "bench/common/UsageRecords.h"
#include "core/CWinReg.h"
#include "core/Main.h"
#include "engine/CFrequentlyTemplates.h"
#include "inspector_ui/CInspectorWrapper.h"
#include "platform/inspector_bars/InspectorBars.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/redemption/Install.h"
#include "platform/win32/Reset.h"
#include "resources/StringTable.h"

namespace {

struct Window {
  outlook::Profile p;
  std::shared_ptr<office::CommandBars> bars;
  std::shared_ptr<CInspectorWrapper> wrapper;
};

std::unique_ptr<Window> Open(int64_t records) {
  win32::ResetPlatform();
  resources::LoadModuleResources();
  redemption::Install();
  auto w = std::make_unique<Window>();
  w->p = outlook::BuildProfile({.version = L"11.0.0.8000", .explorer = true});
  g_oApp = w->p.app;
  g_oTemplatesFolder = w->p.root->Folders()->Add(L"Tanvelo Templates");
  CWinReg reg;
  reg.InitForWrite(CWinReg::HKEY_CURRENT_USER, CFrequentlyTemplates::GetRegKey(), true);
  for (int64_t i = 0; i < records; ++i) {
    benchdata::StoreRecord(reg, benchdata::UsageRecord(i, benchdata::RecordEntryID(i),
                                                       L"template " + std::to_wstring(i)));
  }
  g_oFrequentlyTemplates = std::make_shared<CFrequentlyTemplates>();
  inspector_bars::Give(w->p.app);
  auto inspector = w->p.app->Inspectors()->Add(w->p.plainMail, false);
  w->wrapper = std::make_shared<CInspectorWrapper>();
  w->wrapper->Init(inspector, false);
  inspector->Activate();  // builds the bars
  w->bars = inspector_bars::Of(inspector);
  w->bars->FireOnUpdate();  // the first update shows the quick items
  return w;
}

void BM_InspectorUpdate(benchmark::State& state) {
  auto w = Open(state.range(0));
  int64_t updates = 0;
  const int64_t writesBefore = office::PropertyWrites();
  for (auto _ : state) {
    w->bars->FireOnUpdate();
    ++updates;
  }
  state.counters["writes"] =
      static_cast<double>(office::PropertyWrites() - writesBefore) / static_cast<double>(updates);
  state.SetComplexityN(state.range(0));
  w->wrapper->Done();
  w->wrapper.reset();
  g_oFrequentlyTemplates.reset();
  g_oTemplatesFolder.reset();
  g_oApp.reset();
}
BENCHMARK(BM_InspectorUpdate)->Arg(10)->Arg(10000)->Complexity();

}  // namespace

BENCHMARK_MAIN();
