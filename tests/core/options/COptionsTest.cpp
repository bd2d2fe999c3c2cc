// Options in the registry: fallbacks, normalised Booleans, stored names, the first-run list,
// the import and export settings.
#include <gtest/gtest.h>

#include "core/COptions.h"
#include "core/CWinReg.h"
#include "core/Main.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/support/LibNorvane.h"
#include "platform/win32/Faults.h"
#include "platform/win32/Registry.h"
#include "resources/StringTable.h"
#include "tests/common/Log.h"
#include "tests/common/RefusedWrites.h"

namespace {

constexpr uint32_t HKCU = CWinReg::HKEY_CURRENT_USER;
constexpr uint32_t HKLM = CWinReg::HKEY_LOCAL_MACHINE;
const std::wstring kBase = L"Software\\Norvane\\Tanvelo";

class Options : public testing::Test {
 protected:
  void SetUp() override {
    resources::LoadModuleResources();
    g_oApp = p.app;
  }
  static void PutString(uint32_t root, const std::wstring& path, const std::wstring& name,
                        const std::wstring& value) {
    CWinReg key;
    ASSERT_TRUE(key.InitForWrite(root, path, true));
    ASSERT_TRUE(key.SetStringValue(name, value));
  }
  static void PutDWord(const std::wstring& path, const std::wstring& name, int32_t value) {
    CWinReg key;
    ASSERT_TRUE(key.InitForWrite(HKCU, path, true));
    ASSERT_TRUE(key.SetDWordValue(name, value));
  }
  static std::optional<int32_t> DWord(const std::wstring& path, const std::wstring& name) {
    CWinReg key;
    if (!key.InitForRead(HKCU, path)) return std::nullopt;
    int32_t v = key.GetDWordValue(name, -12345);
    if (v == -12345) return std::nullopt;
    return v;
  }
  std::wstring ProfileKey() const { return kBase + L"\\" + p.root->EntryID(); }

  outlook::Profile p = outlook::BuildProfile();
  COptions o;
};

TEST_F(Options, LanguageFallsBackFromUserToMachine) {
  EXPECT_EQ(o.LangID(), L"EN");
  EXPECT_EQ(o.LangFile(), L"");  // both "LANG" empty counts as equal, HKLM has no file
  PutString(HKLM, kBase, L"LANG", L"DE");
  PutString(HKLM, kBase, L"LANG_", L"Deutsch.lng");
  EXPECT_EQ(o.LangID(), L"DE");
  EXPECT_EQ(o.LangFile(), L"");  // HKCU "" differs from HKLM "DE"
  PutString(HKCU, kBase, L"LANG", L"DE");
  EXPECT_EQ(o.LangFile(), L"Deutsch.lng");
  PutString(HKCU, kBase, L"LANG", L"de");  // exact comparison
  EXPECT_EQ(o.LangFile(), L"");
  win32::registry::SetReadOnly(win32::HKEY_LOCAL_MACHINE, true);
  o.SetLangID(L"FR");  // the user's own key, never HKLM
  EXPECT_EQ(o.LangID(), L"FR");
}

TEST_F(Options, NormalisedBooleansRewriteWhatTheyCannotRead) {
  EXPECT_TRUE(o.UseKeyboardHook());
  EXPECT_EQ(DWord(kBase, L"UseKeyboardHook"), 1);
  EXPECT_FALSE(o.UseDebugButton());
  EXPECT_EQ(DWord(kBase, L"UseDebugButton"), 0);
  PutDWord(kBase, L"dbgShowOldControlsOn2010", 5);
  EXPECT_FALSE(o.ShowOldControlsOn2010());
  EXPECT_EQ(DWord(kBase, L"dbgShowOldControlsOn2010"), 0);
  o.SetShowOldControlsOn2007(true);
  EXPECT_TRUE(o.ShowOldControlsOn2007());
  // Plain Booleans create nothing and take any nonzero value as True.
  EXPECT_FALSE(o.HideTanveloBtn());
  EXPECT_EQ(DWord(ProfileKey(), L"HideTanveloBtn"), std::nullopt);
  PutDWord(kBase, L"ModifyTVDraftsView", 7);
  EXPECT_TRUE(o.ModifyTVDraftsView());
}

TEST_F(Options, PerProfileValuesAndTheForwardButtonsStoredName) {
  o.SetHideForwardWithBtn(true);
  EXPECT_EQ(DWord(ProfileKey(), L"HideReplyAllWithBtnBtn"), 1);
  EXPECT_EQ(DWord(ProfileKey(), L"HideForwardWithBtn"), std::nullopt);
  EXPECT_TRUE(o.HideForwardWithBtn());
  EXPECT_FALSE(o.HideReplyAllWithBtn());
  o.SetTanvelloEntryID(L"ABC");
  o.SetDefaultTemplateID(L"DEF");
  CWinReg key;
  ASSERT_TRUE(key.InitForRead(HKCU, ProfileKey()));
  EXPECT_EQ(key.GetStringValue(L"TanveloEntryID"), L"ABC");
  EXPECT_EQ(o.DefaultTemplateID(), L"DEF");
  EXPECT_EQ(o.TanveloDraftsEntryID(), L"");
  EXPECT_EQ(o.GetProfileRegPath(), ProfileKey());
}

TEST_F(Options, WithoutAStoreProfileOptionsUseTheBaseKeyAndLogEachTime) {
  p.session->SetStoresUnavailable(true);
  o.SetHideTanveloBtn(true);
  EXPECT_EQ(DWord(kBase, L"HideTanveloBtn"), 1);
  EXPECT_TRUE(o.HideTanveloBtn());
  int failed = 0;
  for (auto& e : support::library::Log())
    failed += e.procedure == L"COptions::GetProfileRegPath" && e.text == L"failed" ? 1 : 0;
  EXPECT_EQ(failed, 2);
  p.session->SetStoresUnavailable(false);
  EXPECT_EQ(o.GetProfileRegPath(), ProfileKey());  // nothing was cached
}

namespace {
std::wstring StoredDefault(const std::wstring& path) {
  CWinReg key;
  return key.InitForRead(HKCU, path) ? key.GetStringValue(L"DefaultTemplateID") : L"";
}
}  // namespace

// Outlook busy a moment does not send the profile's values to the key all profiles share.
TEST_F(Options, ProfileValuesOutlastARefusalAndNeverLandInTheSharedKey) {
  auto read = StoredDefault;
  for (uint64_t span : {1u, 3u})
    for (uint64_t at = 1; at <= 4; ++at) {
      COptions fresh;  // the profile's key not yet known
      win32::faults::Start({.at = at, .span = span});
      const bool written = fresh.SetDefaultTemplateID(L"DEF");
      win32::faults::Stop();
      EXPECT_TRUE(written) << span << " calls from " << at;
      EXPECT_EQ(read(ProfileKey()), L"DEF") << span << " calls from " << at;
      EXPECT_EQ(read(kBase), L"") << span << " calls from " << at;
      o.SetDefaultTemplateID(L"");
    }
}

// Without the store, a profile's text is written under the user's own key, as every other
// per-profile value is, and read back from there while the store stays away; the profile's
// own value is left as it was.
TEST_F(Options, WithoutTheStoreAProfileTextGoesToTheBaseKeyAndTheProfilesStays) {
  o.SetDefaultTemplateID(L"DEF");
  p.session->SetStoresUnavailable(true);
  COptions away;
  EXPECT_TRUE(away.SetDefaultTemplateID(L"GHI"));
  EXPECT_EQ(StoredDefault(kBase), L"GHI");
  EXPECT_EQ(away.DefaultTemplateID(), L"GHI");
  EXPECT_EQ(StoredDefault(ProfileKey()), L"DEF");
  EXPECT_TRUE(testlog::Logged(L"COptions::GetProfileRegPath", L"failed"));
  EXPECT_FALSE(testlog::Logged(L"COptions::WriteProfileString"));
  p.session->SetStoresUnavailable(false);
  EXPECT_EQ(away.DefaultTemplateID(), L"DEF");
}

TEST_F(Options, FirstRunOncePerStoreWithLongLists) {
  // A store Outlook cannot answer for is no first run, and leaves the list alone.
  p.session->SetStoresUnavailable(true);
  EXPECT_FALSE(o.FirstRun());
  p.session->SetStoresUnavailable(false);
  std::wstring a = p.root->EntryID();
  EXPECT_GT(a.size(), 90u);  // three stores pass the old 255-character read
  EXPECT_TRUE(o.FirstRun());
  EXPECT_FALSE(o.FirstRun());
  p.session->SetDefaultStore(p.secondStore);
  EXPECT_TRUE(o.FirstRun());
  auto third = p.session->AddStore(L"Third");
  third->SetDefaultFolder(outlook::olFolderInbox, third->Root()->Folders()->Add(L"Inbox"));
  p.session->SetDefaultStore(third);
  EXPECT_TRUE(o.FirstRun());
  std::wstring b = p.secondRoot->EntryID(), c = third->Root()->EntryID();
  CWinReg key;
  ASSERT_TRUE(key.InitForRead(HKCU, kBase));
  EXPECT_EQ(key.GetStringValue(L"FirstRun"), L";" + a + L";;" + b + L";;" + c + L";");
  EXPECT_FALSE(o.FirstRun());
  p.session->SetDefaultStore(p.store);
  EXPECT_FALSE(o.FirstRun());
  // A stored id in other letter case counts as present.
  std::wstring lower = L";" + a + L";";
  for (auto& ch : lower) ch = static_cast<wchar_t>(std::towlower(ch));
  PutString(HKCU, kBase, L"FirstRun", lower);
  EXPECT_FALSE(o.FirstRun());
}

TEST_F(Options, ImportAndExportSettings) {
  ImportExportOptions r;
  o.SetTanvelloEntryID(L"");  // creates the profile key
  o.GetExportOptions(r);      // key there, values missing: default 256
  EXPECT_TRUE(r.bIncludeSubFolders);
  EXPECT_EQ(r.nConflict, 0);
  PutDWord(ProfileKey(), L"ImportOptions", 258);
  o.GetImportOptions(r);
  EXPECT_EQ(r.nConflict, 2);
  EXPECT_TRUE(r.bIncludeSubFolders);
  ImportExportOptions w{true, L"FOLDERID", L"C:\\Export", false, 1};
  o.SetExportOptions(w);
  CWinReg key;
  ASSERT_TRUE(key.InitForRead(HKCU, ProfileKey()));
  EXPECT_EQ(key.GetStringValue(L"ExportFrom"), L"C:\\Export");  // the Windows folder
  EXPECT_EQ(key.GetStringValue(L"ExportTo"), L"FOLDERID");
  EXPECT_EQ(key.GetDWordValue(L"ExportOptions", -1), 1);
  ImportExportOptions back;
  o.GetExportOptions(back);
  EXPECT_EQ(back.sWindowsFolder, L"C:\\Export");
  EXPECT_FALSE(back.bIncludeSubFolders);
  EXPECT_EQ(back.nConflict, 1);
}

TEST_F(Options, ImportSettingsWithoutAProfileKeyPointAtTheTemplates) {
  ImportExportOptions r;
  r.sWindowsFolder = L"left over";
  o.GetImportOptions(r);
  EXPECT_EQ(r.sWindowsFolder, L"");
  EXPECT_EQ(r.sOutlookFolderEntryID, L"");
  EXPECT_FALSE(r.bIncludeSubFolders);
  ImportExportOptions e;
  o.GetExportOptions(e);
  EXPECT_TRUE(e.bIncludeSubFolders);
  EXPECT_EQ(o.ProductCode(), L"Tanvelo");
}

}  // namespace

namespace {

// A value of `path` deleted, unfaulted.
void Forget(const std::wstring& path, const std::wstring& name) {
  CWinReg key;
  if (key.InitForWrite(HKCU, path, false)) key.DeleteValue(name);
}

}  // namespace

TEST_F(Options, OptionWritesRefusedInARowAreAskedAgainAndRefusedPastThatTold) {
  const std::wstring profile = o.GetProfileRegPath();  // the store looked at before
  ASSERT_EQ(ProfileKey(), profile);
  auto told = [](size_t from, const std::wstring& path, const std::wstring& name,
                 const std::wstring& value) {
    return refused::Told(from,
                         {L"not written", path + L" \"" + name + L"\"", L"\"" + value + L"\""});
  };

  // A number of the profile's, and one of the user's.
  refused::SweepBoth({[&] { Forget(profile, L"HideTanveloBtn"); },
                      [&] { o.SetHideTanveloBtn(true); },
                      [&] { return DWord(profile, L"HideTanveloBtn") == 1; },
                      [&](size_t from) { return told(from, profile, L"HideTanveloBtn", L"1"); }});
  refused::SweepBoth({[&] { Forget(kBase, L"UseKeyboardHook"); },
                      [&] { o.SetUseKeyboardHook(false); },
                      [&] { return DWord(kBase, L"UseKeyboardHook") == 0; },
                      [&](size_t from) { return told(from, kBase, L"UseKeyboardHook", L"0"); }});
  // A text of the user's: the language.
  refused::SweepBoth({[&] { Forget(kBase, L"LANG"); }, [&] { o.SetLangID(L"DE"); },
                      [&] { return o.LangID() == L"DE"; },
                      [&](size_t from) { return told(from, kBase, L"LANG", L"DE"); }});
  // The program's folders, kept per profile.
  refused::SweepBoth(
      {[&] { Forget(profile, L"TanveloDraftsEntryID"); },
       [&] { o.SetTanveloDraftsEntryID(L"00DRAFTS"); },
       [&] { return o.TanveloDraftsEntryID() == L"00DRAFTS"; },
       [&](size_t from) { return told(from, profile, L"TanveloDraftsEntryID", L"00DRAFTS"); }});
  // The import settings: three values, each told on its own.
  const ImportExportOptions settings{true, L"FOLDERID", L"C:\\Import", true, 2};
  refused::SweepBoth({[&] {
                        for (const wchar_t* name : {L"ImportFrom", L"ImportTo", L"ImportOptions"})
                          Forget(profile, name);
                      },
                      [&] { o.SetImportOptions(settings); },
                      [&] {
                        ImportExportOptions back;
                        o.GetImportOptions(back);
                        return back.sWindowsFolder == L"C:\\Import" &&
                               back.sOutlookFolderEntryID == L"FOLDERID" &&
                               back.bIncludeSubFolders && back.nConflict == 2 &&
                               DWord(profile, L"ImportOptions") == 258;
                      },
                      [&](size_t from) {
                        return told(from, profile, L"ImportFrom", L"C:\\Import") ||
                               told(from, profile, L"ImportTo", L"FOLDERID") ||
                               told(from, profile, L"ImportOptions", L"258");
                      }});
}

TEST_F(Options, TheDefaultTemplateWrittenUnderRefusalsIsStoredOrTold) {
  const std::wstring profile = o.GetProfileRegPath();
  refused::SweepBoth(
      {[&] { Forget(profile, L"DefaultTemplateID"); }, [&] { o.SetDefaultTemplateID(L"00AB12CD"); },
       [&] { return o.DefaultTemplateID() == L"00AB12CD"; },
       [&](size_t from) {
         return refused::Told(
             from, {L"not written", profile + L" \"DefaultTemplateID\"", L"\"00AB12CD\""});
       }});
}

TEST_F(Options, AFirstRunListRefusedIsToldSoTheStoreIsNotTakenForNewUntold) {
  const std::wstring root = p.root->EntryID();
  refused::SweepBoth({[&] { Forget(kBase, L"FirstRun"); }, [&] { o.FirstRun(); },
                      [&] {
                        CWinReg key;
                        return key.InitForRead(HKCU, kBase) &&
                               key.GetStringValue(L"FirstRun") == L";" + root + L";";
                      },
                      [&](size_t from) {
                        return refused::Told(from, {L"not written", kBase + L" \"FirstRun\"",
                                                    L"\";" + root + L";\""});
                      }});
}

TEST_F(Options, AStoreRootRefusedAtTheFirstRunIsAskedAgainAndRefusedPastThatTold) {
  // Unwritten and untold, the next start would make the store's standard templates again.
  const std::wstring root = p.root->EntryID();
  auto written = [&] {
    CWinReg key;
    return key.InitForRead(HKCU, kBase) && key.GetStringValue(L"FirstRun") == L";" + root + L";";
  };
  win32::faults::Start({.countOnly = true});
  o.FirstRun();
  win32::faults::Stop();
  const uint64_t calls = win32::faults::Counts().calls;
  const auto outlook = static_cast<size_t>(win32::faults::Surface::Outlook);
  int looks = 0, told = 0;
  for (uint64_t span : {uint64_t{kHeldTries} - 1, uint64_t{kHeldTries}})
    for (uint64_t at = 1; at <= calls; ++at) {
      Forget(kBase, L"FirstRun");
      win32::faults::Start({.at = at});
      o.FirstRun();
      win32::faults::Stop();
      if (win32::faults::Counts().raisedBy[outlook] != 1) continue;  // the registry's are its own
      Forget(kBase, L"FirstRun");
      const size_t from = support::library::Log().size();
      win32::faults::Start({.at = at, .span = span});
      const bool first = o.FirstRun();
      win32::faults::Stop();
      ++looks;
      if (span < uint64_t{kHeldTries}) {
        EXPECT_TRUE(first && written()) << span << " refusals from call " << at;
        continue;
      }
      const bool toldNow = refused::Told(from, {L"FirstRun not written"});
      told += toldNow;
      EXPECT_TRUE((first && written()) || (!first && toldNow)) << "refused from call " << at;
    }
  EXPECT_GT(looks, 0) << "no run refused the look at the store";
  EXPECT_GT(told, 0) << "no refusal was told";
}
