// The world of the bars' update benchmarks: Outlook 2003 with the add-in's templates folder and
// `records` usage records in the registry, loaded as at start-up.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>

#include "bench/common/UsageRecords.h"
#include "core/CWinReg.h"
#include "core/Main.h"
#include "engine/CFrequentlyTemplates.h"
#include "platform/office/CommandBars.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/redemption/Install.h"
#include "platform/win32/Reset.h"
#include "resources/StringTable.h"

namespace benchdata {

inline outlook::Profile OpenWithRecords(int64_t records) {
  win32::ResetPlatform();
  resources::LoadModuleResources();
  redemption::Install();
  outlook::Profile p = outlook::BuildProfile({.version = L"11.0.0.8000", .explorer = true});
  g_oApp = p.app;
  g_oTemplatesFolder = p.root->Folders()->Add(L"Tanvelo Templates");
  CWinReg reg;
  reg.InitForWrite(CWinReg::HKEY_CURRENT_USER, CFrequentlyTemplates::GetRegKey(), true);
  for (int64_t i = 0; i < records; ++i)
    StoreRecord(reg, UsageRecord(i, RecordEntryID(i), L"template " + std::to_wstring(i)));
  g_oFrequentlyTemplates = std::make_shared<CFrequentlyTemplates>();
  return p;
}

// Times updates of `bars`; "writes" is the property writes to their controls per update.
inline void TimeUpdates(benchmark::State& state, office::CommandBars& bars) {
  int64_t updates = 0;
  const int64_t writesBefore = office::PropertyWrites();
  for (auto _ : state) {
    bars.FireOnUpdate();
    ++updates;
  }
  state.counters["writes"] =
      static_cast<double>(office::PropertyWrites() - writesBefore) / static_cast<double>(updates);
  state.SetComplexityN(state.range(0));
}

// What OpenWithRecords set, let go.
inline void CloseWorld() {
  g_oFrequentlyTemplates.reset();
  g_oTemplatesFolder.reset();
  g_oApp.reset();
}

}  // namespace benchdata
