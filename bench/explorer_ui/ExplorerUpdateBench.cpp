// One update of an explorer's bars, the event Office raises many times a second, with 10 and
// with 10,000 templates in the usage records. The "BigO" row shows how the cost grows with the
// templates (flat is the goal); the counter "writes" is the number of property writes to
// command-bar controls per update when nothing changed (the goal is none: each one repaints).
#include <benchmark/benchmark.h>

#include "bench/common/BarsWorld.h"
#include "explorer_ui/CExplorerMenu.h"
#include "platform/office/ExplorerBars.h"

namespace {

struct Window {
  outlook::Profile p;
  std::shared_ptr<office::CommandBars> bars;
  std::shared_ptr<CExplorerMenu> menu;
};

// Outlook 2003 with `records` usage records, an explorer on the Inbox with a mail selected,
// its bars built by a first update.
std::unique_ptr<Window> Open(int64_t records) {
  auto w = std::make_unique<Window>();
  w->p = benchdata::OpenWithRecords(records);
  auto explorer = w->p.app->ActiveExplorer();
  w->bars = office::MakeOutlookExplorerBars(11);
  explorer->SetCommandBars(w->bars);
  explorer->Select({w->p.plainMail});
  w->menu = std::make_shared<CExplorerMenu>();
  w->menu->Create(explorer);
  w->bars->FireOnUpdate();
  return w;
}

void BM_ExplorerUpdate(benchmark::State& state) {
  auto w = Open(state.range(0));
  benchdata::TimeUpdates(state, *w->bars);
  w->menu.reset();
  benchdata::CloseWorld();
}
BENCHMARK(BM_ExplorerUpdate)->Arg(10)->Arg(10000)->Complexity();

}  // namespace

BENCHMARK_MAIN();
