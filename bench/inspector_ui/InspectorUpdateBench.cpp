// One update of a mail window's bars, the event Office raises many times a second while the
// window is open, for a received mail on Outlook 2003 with 10 and 10,000 templates in the usage
// records. The counter "writes" is the number of property writes to command-bar controls per
// update when nothing changed (the goal is none: each one repaints).
#include <benchmark/benchmark.h>

#include "bench/common/BarsWorld.h"
#include "inspector_ui/CInspectorWrapper.h"
#include "platform/inspector_bars/InspectorBars.h"

namespace {

struct Window {
  outlook::Profile p;
  std::shared_ptr<office::CommandBars> bars;
  std::shared_ptr<CInspectorWrapper> wrapper;
};

std::unique_ptr<Window> Open(int64_t records) {
  auto w = std::make_unique<Window>();
  w->p = benchdata::OpenWithRecords(records);
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
  benchdata::TimeUpdates(state, *w->bars);
  w->wrapper->Done();
  w->wrapper.reset();
  benchdata::CloseWorld();
}
BENCHMARK(BM_InspectorUpdate)->Arg(10)->Arg(10000)->Complexity();

}  // namespace

BENCHMARK_MAIN();
