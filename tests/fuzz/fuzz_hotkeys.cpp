// Hotkey key texts and the hotkeys key. A key the dialog can make goes from text to fields
// and back unchanged; whatever the key holds, what loads survives a save and a new load.
#include <algorithm>
#include <cwctype>

#include "FuzzSupport.h"
#include "core/CWinReg.h"
#include "core/Main.h"
#include "hotkeys/CHotkeys.h"
#include "platform/outlook/Folder.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/redemption/Install.h"
#include "platform/vb/Runtime.h"
#include "resources/StringTable.h"

namespace {

bool DialogKey(const CHotkey& h) {
  return h.KeyCode >= 'A' && h.KeyCode <= 'Z' && h.Ctrl && h.Alt != h.Shift;
}

std::vector<std::wstring> Bindings(const CHotkeys& hotkeys) {
  std::vector<std::wstring> out;
  for (const auto& h : hotkeys) {
    FUZZ_CHECK(DialogKey(*h));
    out.push_back(h->BuildKey() + L"=" + std::to_wstring(h->Action) + L"," + h->TemplateEntryID);
  }
  // The registry promises no order of a key's values: a hand edit's spelling, put right by a
  // save, comes back last.
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider provider(data, size);
  fuzz::FreshPlatform platform;

  std::wstring text = fuzz::Text(provider, 40);
  CHotkey parsed;
  if (vb::Catch([&] { parsed.DisplayKeyName(text); }) && DialogKey(parsed)) {
    CHotkey again;
    again.DisplayKeyName(parsed.DisplayKeyName());
    FUZZ_CHECK(again.KeyCode == parsed.KeyCode && again.Ctrl == parsed.Ctrl &&
               again.Alt == parsed.Alt && again.Shift == parsed.Shift);
    FUZZ_CHECK(again.DisplayKeyName() == parsed.DisplayKeyName());
  }
  vb::Err().Clear();

  fuzz::LoadStrings();
  redemption::Install();
  outlook::Profile p = outlook::BuildProfile({.version = L"14.0.0.4760", .explorer = true});
  g_oApp = p.app;
  g_oTemplatesFolder = p.root->Folders()->Add(L"Tanvelo Templates");
  std::vector<std::wstring> ids;
  for (int i = 0; i < 3; ++i)
    ids.push_back(outlook::AddUnsentMail(g_oTemplatesFolder, L"t" + std::to_wstring(i))->EntryID());
  static const wchar_t* kActions[] = {L"Tanvelo", L"Reply to all with", L"forward WITH", L"x"};
  {
    CWinReg reg;
    FUZZ_CHECK(reg.InitForWrite(CWinReg::HKEY_CURRENT_USER, CHotkeys::GetRegPath(), true));
    for (int n = provider.ConsumeIntegralInRange(0, 12); n > 0; --n) {
      std::wstring name = provider.ConsumeBool()
                              ? std::wstring(L"Ctrl+") +
                                    (provider.ConsumeBool() ? L"Alt+" : L"Shift+") +
                                    static_cast<wchar_t>(provider.ConsumeIntegralInRange('A', 'z'))
                              : fuzz::Text(provider, 24);
      std::wstring value = provider.ConsumeBool()
                               ? fuzz::Text(provider, 40)
                               : std::wstring(kActions[provider.ConsumeIntegralInRange(0, 3)]) +
                                     L"," + ids[provider.ConsumeIntegralInRange(0, 2)];
      reg.SetStringValue(name, value);
    }
  }
  CHotkeys& hotkeys = Hotkeys();
  hotkeys.LoadFromReg();
  std::vector<std::wstring> loaded = Bindings(hotkeys);

  // Every valid value loads: a key text as the dialog writes it (the letter in either case),
  // a known action and a template that exists. Only a key bound already may keep it out.
  {
    CWinReg reg;
    FUZZ_CHECK(reg.InitForRead(CWinReg::HKEY_CURRENT_USER, CHotkeys::GetRegPath()));
    std::wstring name;
    for (int32_t i = 0; i <= 1000; ++i) {
      CWinReg::Found found = reg.ValueAt(i, name);
      if (found == CWinReg::Found::End) break;
      if (found != CWinReg::Found::Name) continue;
      bool alt = name.size() == 10 && name.starts_with(L"Ctrl+Alt+");
      bool shift = name.size() == 12 && name.starts_with(L"Ctrl+Shift+");
      wchar_t letter = name.empty() ? 0 : static_cast<wchar_t>(std::towupper(name.back()));
      if ((!alt && !shift) || letter < L'A' || letter > L'Z') continue;
      std::wstring data = reg.GetStringValue(name);
      size_t comma = data.find(L',');
      if (comma == std::wstring::npos || data.find(L',', comma + 1) != std::wstring::npos) continue;
      std::wstring action = vb::LCase(data.substr(0, comma));
      if (action != L"tanvelo" && action != L"reply to all with" && action != L"forward with")
        continue;
      if (std::find(ids.begin(), ids.end(), data.substr(comma + 1)) == ids.end()) continue;
      FUZZ_CHECK(hotkeys.FindByKeys(letter, shift, alt, true) != nullptr);
    }
  }
  hotkeys.SaveToReg();
  hotkeys.LoadFromReg();
  FUZZ_CHECK(Bindings(hotkeys) == loaded);
  g_oTemplatesFolder.reset();
  g_oApp.reset();
  vb::Err().Clear();
  return 0;
}
