// Usage records: a record's text form reads back as the same record, and every value stored
// under its own EntryID loads with its counts, whatever else the key holds.
#include <map>

#include "FuzzSupport.h"
#include "core/CWinReg.h"
#include "core/Main.h"
#include "engine/CFrequentlyTemplates.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/redemption/Install.h"
#include "platform/vb/Runtime.h"
#include "resources/StringTable.h"

namespace {

bool SameRecord(const CTemplate& a, const CTemplate& b) {
  return a.sEntryID == b.sEntryID && a.sSubject == b.sSubject &&
         a.bPreaddressed == b.bPreaddressed && a.nRepliesCount == b.nRepliesCount &&
         a.nRepliesAllCount == b.nRepliesAllCount && a.nForwardsCount == b.nForwardsCount &&
         a.nNewsCount == b.nNewsCount;
}

// The name the registry keeps: ANSI, compared without regard to case.
std::wstring Fold(const std::wstring& text) {
  return vb::LCase(win32::FromAnsi(win32::ToAnsi(text)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider provider(data, size);
  fuzz::FreshPlatform platform;
  fuzz::LoadStrings();

  CTemplate parsed;
  if (parsed.FromString(fuzz::Text(provider, 200))) {
    CTemplate again;
    FUZZ_CHECK(again.FromString(parsed.ToString()));
    FUZZ_CHECK(SameRecord(parsed, again));
  }
  vb::Err().Clear();

  // The records are the profile's: Outlook names it.
  redemption::Install();
  outlook::Profile p = outlook::BuildProfile({.version = L"14.0.0.4760", .explorer = true});
  g_oApp = p.app;

  // The last text written under each name (names ignore case), in write order.
  std::map<std::wstring, std::pair<std::wstring, std::wstring>> stored;
  {
    CWinReg reg;
    FUZZ_CHECK(
        reg.InitForWrite(CWinReg::HKEY_CURRENT_USER, CFrequentlyTemplates::GetRegKey(), true));
    for (int n = provider.ConsumeIntegralInRange(0, 10); n > 0; --n) {
      std::wstring id = L"00" + std::to_wstring(provider.ConsumeIntegralInRange(0, 6));
      CTemplate record;
      record.sEntryID = id;
      record.sSubject = fuzz::Text(provider, 30);
      record.nRepliesCount = provider.ConsumeIntegral<int32_t>();
      record.nForwardsCount = provider.ConsumeIntegralInRange(0, 9);
      int shape = provider.ConsumeIntegralInRange(0, 3);
      std::wstring name = shape == 1 ? id + L"-copy" : shape == 2 ? fuzz::Text(provider, 300) : id;
      std::wstring text = shape == 3 ? fuzz::Text(provider, 60) : record.ToString();
      reg.SetStringValue(name, text);
      // A value's name ends at a NUL, as the registry's calls read it.
      const std::wstring kept = name.substr(0, name.find(L'\0'));
      stored[Fold(kept)] = {kept, text};
    }
  }
  CFrequentlyTemplates frequents;
  for (const auto& [folded, value] : stored) {
    const auto& [name, text] = value;
    CTemplate record;
    if (win32::FromAnsi(win32::ToAnsi(name)) != name) continue;
    // The registry keeps texts in the ANSI code page.
    if (!record.FromString(win32::FromAnsi(win32::ToAnsi(text))) || record.sEntryID != name)
      continue;
    auto loaded = frequents.Templates().Find(name);
    FUZZ_CHECK(loaded != nullptr);
    if (!SameRecord(*loaded, record))
      std::fprintf(stderr, "stored '%s'\nloaded %d %d %d %d %d '%s' '%s'\n",
                   fuzz::Show(text).c_str(), loaded->nRepliesCount, loaded->nRepliesAllCount,
                   loaded->nForwardsCount, loaded->nNewsCount, loaded->bPreaddressed,
                   fuzz::Show(loaded->sSubject).c_str(), fuzz::Show(loaded->sEntryID).c_str());
    FUZZ_CHECK(SameRecord(*loaded, record));
  }
  g_oApp.reset();
  vb::Err().Clear();
  return 0;
}
