// Usage records for the benchmarks, as the registry holds them at start-up: counts spread over
// the templates the same way on every run, so that each action has its own most used ones.
#pragma once

#include <cstdint>
#include <cwchar>
#include <string>

#include "core/CWinReg.h"
#include "engine/CTemplate.h"

namespace benchdata {

// An EntryID for the `i`th record of templates that need no item behind them.
inline std::wstring RecordEntryID(int64_t i) {
  wchar_t id[48];
  std::swprintf(id, 48, L"0000000077C1D4A1A5F2%020llX", static_cast<long long>(i * 7919));
  return id;
}

// The `i`th template's record: its replies, replies to all and forwards.
inline CTemplate UsageRecord(int64_t i, const std::wstring& sEntryID,
                             const std::wstring& sSubject) {
  CTemplate t;
  t.sEntryID = sEntryID;
  t.sSubject = sSubject;
  t.nRepliesCount = static_cast<int32_t>((i * 37) % 101);
  t.nRepliesAllCount = static_cast<int32_t>((i * 53) % 17);
  t.nForwardsCount = static_cast<int32_t>((i * 11) % 29);
  return t;
}

inline void StoreRecord(CWinReg& reg, const CTemplate& t) {
  reg.SetStringValue(t.sEntryID, t.ToString());
}

}  // namespace benchdata
