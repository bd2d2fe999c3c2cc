// The hotkeys of a profile: lookups, and their registry layout through a save and a load.
#include <algorithm>
#include <functional>

#include "core/COptions.h"
#include "core/CWinReg.h"
#include "hotkeys/CHotkeys.h"
#include "platform/win32/Faults.h"
#include "platform/win32/Registry.h"
#include "tests/common/RefusedWrites.h"
#include "tests/engine/EngineTest.h"

namespace {

constexpr uint32_t HKCU = CWinReg::HKEY_CURRENT_USER;

class Hotkeys : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    a = AddMail(templates, L"a")->EntryID();
    b = AddMail(templates, L"b")->EntryID();
    c = AddMail(templates, L"c")->EntryID();
  }
  // The stored values in order: name, then data.
  std::vector<std::pair<std::wstring, std::wstring>> Stored() {
    std::vector<std::pair<std::wstring, std::wstring>> values;
    CWinReg reg;
    if (!reg.InitForRead(HKCU, CHotkeys::GetRegPath())) return values;
    for (int32_t i = 0;; ++i) {
      std::wstring name = reg.Values(i);
      if (name.empty()) break;
      values.emplace_back(name, reg.GetStringValue(name));
    }
    return values;
  }
  void Write(const std::vector<std::pair<std::wstring, std::wstring>>& values) {
    CWinReg reg;
    ASSERT_TRUE(reg.InitForWrite(HKCU, CHotkeys::GetRegPath(), true));
    for (const auto& [name, data] : values) reg.SetStringValue(name, data);
  }
  std::vector<std::wstring> Keys(const CHotkeys& hotkeys) {
    std::vector<std::wstring> keys;
    for (const auto& h : hotkeys) keys.push_back(h->DisplayKeyName() + L"=" + h->TemplateEntryID);
    return keys;
  }
  std::wstring a, b, c;
};

}  // namespace

TEST_F(Hotkeys, RegistryLayoutRoundTrips) {
  EXPECT_EQ(Options().GetProfileRegPath() + L"\\Hotkeys", CHotkeys::GetRegPath());
  CHotkeys hotkeys;
  hotkeys.Add(a, 2, 'R', false, true, true);
  hotkeys.Add(b, 4, 'T', true, false, true);
  hotkeys.Add(c, 1, 'Q', false, true, true);
  hotkeys.SaveToReg();
  EXPECT_EQ((std::vector<std::pair<std::wstring, std::wstring>>{
                {L"Ctrl+Alt+R", L"Reply to all with," + a},
                {L"Ctrl+Shift+T", L"Forward with," + b},
                {L"Ctrl+Alt+Q", L"Tanvelo," + c}}),
            Stored());

  CHotkeys loaded;
  loaded.LoadFromReg();
  ASSERT_EQ(3, loaded.Count());
  auto r = loaded.Item(L"521112");
  EXPECT_EQ(2, r->Action);
  EXPECT_EQ(a, r->TemplateEntryID);
  EXPECT_EQ(r, loaded.FindByKeys('R', false, true, true));
  EXPECT_EQ(4, loaded.Item(L"541110")->Action);

  // A save after removing one rewrites the key without it.
  loaded.Remove(L"541110");
  loaded.SaveToReg();
  EXPECT_EQ(2u, Stored().size());
  EXPECT_EQ(L"Ctrl+Alt+Q", Stored()[1].first);
}

TEST_F(Hotkeys, LoadSkipsOnlyTheValuesItCannotUse) {
  std::wstring gone = AddMail(templates, L"doomed")->EntryID();
  p.session->GetItemFromID(gone)->Delete();
  p.session->GetItemFromID(gone)->Delete();  // out of Deleted Items too
  Write({
      {L"Ctrl+Alt+A", L"Tanvelo," + a},
      {L"Ctrl+Alt", L"Tanvelo," + a},           // no letter
      {L"Ctrl+Alt+B", L"Forward," + b},         // unknown action
      {L"Ctrl+Alt+C", L"Forward with"},         // no template
      {L"Ctrl+Alt+D", L"Tanvelo," + gone},      // template deleted
      {L"Alt+Ctrl+A", L"Forward with," + b},    // the same combination again
      {L"Ctrl+Shift+E", L"forward WITH," + c},  // action name in any case
  });
  CHotkeys hotkeys;
  hotkeys.Add(a, 1, 'Z', false, true, true);  // replaced by the load
  hotkeys.LoadFromReg();
  EXPECT_EQ((std::vector<std::wstring>{L"Ctrl+Alt+A=" + a, L"Ctrl+Shift+E=" + c}), Keys(hotkeys));
  EXPECT_EQ(4, hotkeys.Item(L"451110")->Action);
  EXPECT_TRUE(Logged(L"CHotKey::DisplayKeyName", L"Parse Error in 'Ctrl+Alt'"));
  EXPECT_TRUE(Logged(L"CHotKey::DisplayActionName", L"Invalid action name 'Forward'"));
  EXPECT_TRUE(Logged(L"CHotkeys::LoadFromReg"));
  EXPECT_EQ(0, vb::Err().Number());

  hotkeys.SaveToReg();  // what was skipped is gone, what loaded stays
  EXPECT_EQ((std::vector<std::pair<std::wstring, std::wstring>>{
                {L"Ctrl+Alt+A", L"Tanvelo," + a}, {L"Ctrl+Shift+E", L"Forward with," + c}}),
            Stored());
}

TEST_F(Hotkeys, LoadReadsAtMost1001Values) {
  std::vector<std::pair<std::wstring, std::wstring>> values;
  for (int i = 0; i < 1000; ++i)
    values.emplace_back(L"Ctrl+Alt+" + std::to_wstring(i), L"Tanvelo," + a);  // no letter key
  values.emplace_back(L"Ctrl+Alt+A", L"Tanvelo," + a);                        // index 1000
  values.emplace_back(L"Ctrl+Alt+B", L"Tanvelo," + b);                        // index 1001
  Write(values);
  CHotkeys hotkeys;
  hotkeys.LoadFromReg();
  EXPECT_EQ((std::vector<std::wstring>{L"Ctrl+Alt+A=" + a}), Keys(hotkeys));
}

TEST_F(Hotkeys, ValuesNoNameCanHoldDoNotHideTheBindingsAfterThem) {
  // The default value and a name too long for the enumeration's buffer (hand edits, another
  // program) came first, and every binding after them was lost at the next save.
  Write({{L"", L"Tanvelo," + a},
         {std::wstring(300, L'x'), L"Tanvelo," + a},
         {L"Ctrl+Alt+A", L"Tanvelo," + a},
         {L"Ctrl+Shift+B", L"Forward with," + b}});
  CHotkeys hotkeys;
  hotkeys.LoadFromReg();
  EXPECT_EQ((std::vector<std::wstring>{L"Ctrl+Alt+A=" + a, L"Ctrl+Shift+B=" + b}), Keys(hotkeys));
  hotkeys.SaveToReg();
  EXPECT_EQ((std::vector<std::pair<std::wstring, std::wstring>>{
                {L"Ctrl+Alt+A", L"Tanvelo," + a}, {L"Ctrl+Shift+B", L"Forward with," + b}}),
            Stored());
}

TEST_F(Hotkeys, OnlyKeysTheDialogMakesLoadAndALetterIsOneKeyInEitherCase) {
  Write({{L"Ctrl+Alt+A", L"Tanvelo," + a},
         {L"Alt+Ctrl+a", L"Forward with," + b},  // the same key: saved, it overwrote A's value
         {L"Ctrl+Alt++", L"Tanvelo," + c},
         {L"Ctrl+Alt+\x01", L"Tanvelo," + c},
         {L"Ctrl+Alt+1", L"Tanvelo," + c},
         {L"Ctrl+C", L"Tanvelo," + c},
         {L"Ctrl+Alt+Shift+D", L"Tanvelo," + c},
         {L"Alt+E", L"Tanvelo," + c},
         {L"ctrl+shift+f", L"Tanvelo," + c}});
  CHotkeys hotkeys;
  hotkeys.LoadFromReg();
  EXPECT_EQ((std::vector<std::wstring>{L"Ctrl+Alt+A=" + a, L"Ctrl+Shift+F=" + c}), Keys(hotkeys));
  EXPECT_EQ(hotkeys.Item(2), hotkeys.FindByKeys('F', true, false, true));
  hotkeys.SaveToReg();
  EXPECT_EQ((std::vector<std::pair<std::wstring, std::wstring>>{
                {L"Ctrl+Alt+A", L"Tanvelo," + a}, {L"Ctrl+Shift+F", L"Tanvelo," + c}}),
            Stored());
}

TEST_F(Hotkeys, NoKeyLoadsNothingAndNoTemplatesFolderKeepsWhatCannotBeChecked) {
  CHotkeys hotkeys;
  hotkeys.LoadFromReg();
  EXPECT_EQ(0, hotkeys.Count());
  Write({{L"Ctrl+Alt+A", L"Tanvelo," + a}, {L"Ctrl+Alt+B", L"Tanvelo,gone"}});
  // Without a templates folder (a start that has not found it yet) nothing can be checked:
  // the bindings stay, and a save in that state does not erase them from the registry.
  g_oTemplatesFolder.reset();
  hotkeys.LoadFromReg();
  EXPECT_EQ(2, hotkeys.Count());
  hotkeys.SaveToReg();
  EXPECT_EQ(2u, Stored().size());
  // Once the folder is known, the stale one goes.
  g_oTemplatesFolder = templates;
  hotkeys.LoadFromReg();
  EXPECT_EQ((std::vector<std::wstring>{L"Ctrl+Alt+A=" + a}), Keys(hotkeys));
}

TEST_F(Hotkeys, Lookups) {
  CHotkeys hotkeys;
  hotkeys.Add(a, 1, 'R', false, true, true);
  hotkeys.Add(b, 2, 'R', true, false, true);
  hotkeys.Add(c, 4, 'S', false, true, true);
  int32_t index = -1;
  EXPECT_EQ(hotkeys.Item(3), hotkeys.FindByTemplate(c, index));
  EXPECT_EQ(3, index);
  EXPECT_EQ(nullptr, hotkeys.FindByTemplate(vb::LCase(c) + L"x", index));
  EXPECT_EQ(0, index);
  EXPECT_EQ(hotkeys.Item(1), hotkeys.FindByKey('R'));
  EXPECT_EQ(nullptr, hotkeys.FindByKey('T'));
  EXPECT_EQ(hotkeys.Item(2), hotkeys.FindByKeys('R', true, false, true));
  EXPECT_EQ(nullptr, hotkeys.FindByKeys('R', true, true, true));

  EXPECT_FALSE(vb::Catch([&] { hotkeys.Add(c, 1, 'R', false, true, true); }));
  EXPECT_EQ(457, vb::Err().Number());
  EXPECT_EQ(3, hotkeys.Count());
  EXPECT_FALSE(vb::Catch([&] { hotkeys.Item(L"5A1112"); }));
  EXPECT_EQ(&::Hotkeys(), &::Hotkeys());
}

// The picker finds a template's binding without a walk: the answer must follow every change.
TEST_F(Hotkeys, FindingByTemplateFollowsAddsRemovesAndLoads) {
  CHotkeys hotkeys;
  hotkeys.Add(a, 1, 'R', false, true, true);
  hotkeys.Add(b, 2, 'S', false, true, true);
  hotkeys.Add(b, 4, 'T', false, true, true);  // a second binding of the same template
  int32_t index = 0;
  EXPECT_EQ(hotkeys.Item(2), hotkeys.FindByTemplate(b, index));
  EXPECT_EQ(2, index);
  hotkeys.Remove(1);
  EXPECT_EQ(hotkeys.Item(1), hotkeys.FindByTemplate(b, index));
  EXPECT_EQ(1, index);
  EXPECT_EQ(nullptr, hotkeys.FindByTemplate(a, index));
  hotkeys.Remove(hotkeys.Item(1)->BuildKey());
  EXPECT_EQ(L'T', hotkeys.FindByTemplate(b, index)->KeyCode);
  hotkeys.Add(c, 1, 'U', false, true, true);
  EXPECT_EQ(2, (hotkeys.FindByTemplate(c, index), index));
  Write({{L"Ctrl+Alt+A", L"Tanvelo," + a}});
  hotkeys.LoadFromReg();
  EXPECT_EQ(nullptr, hotkeys.FindByTemplate(c, index));
  EXPECT_EQ(hotkeys.Item(1), hotkeys.FindByTemplate(a, index));
}

TEST_F(Hotkeys, ASaveRefusedInARowIsAskedAgainAndRefusedPastThatTold) {
  // A binding removed since the last save must not come back, nor the new one be lost.
  CHotkeys hotkeys;
  hotkeys.Add(a, 2, 'R', false, true, true);
  hotkeys.Add(b, 1, 'Q', false, true, true);
  const std::vector<std::pair<std::wstring, std::wstring>> saved = {
      {L"Ctrl+Alt+R", L"Reply to all with," + a}, {L"Ctrl+Alt+Q", L"Tanvelo," + b}};
  const std::wstring path = CHotkeys::GetRegPath();
  refused::SweepBoth(
      {[&] {
         CWinReg profile;
         ASSERT_TRUE(profile.InitForAllAccess(HKCU, Options().GetProfileRegPath(), true));
         ASSERT_TRUE(profile.DeleteKeyRec(L"Hotkeys"));
         Write({{L"Ctrl+Shift+Z", L"Tanvelo," + c}});
       },
       [&] { hotkeys.SaveToReg(); }, [&] { return Stored() == saved; },
       [&](size_t from) {
         if (refused::Told(from, {L"Registry key not deleted: " + path})) return true;
         if (refused::Told(from, {L"Registry value not deleted: " + path})) return true;
         for (const auto& [name, data] : saved)
           if (refused::Told(from,
                             {L"not written", path + L" \"" + name + L"\"", L"\"" + data + L"\""}))
             return true;
         return false;
       }});
}

TEST_F(Hotkeys, ATemplateFetchRefusedAtLoadIsAskedAgainAndRefusedPastThatTold) {
  // A binding left out untold is a key that does nothing at all.
  Write({{L"Ctrl+Alt+A", L"Tanvelo," + a}, {L"Ctrl+Shift+B", L"Forward with," + b}});
  const auto all = std::vector<std::wstring>{L"Ctrl+Alt+A=" + a, L"Ctrl+Shift+B=" + b};
  CHotkeys hotkeys;
  win32::faults::Start({.countOnly = true});
  hotkeys.LoadFromReg();
  win32::faults::Stop();
  const uint64_t calls = win32::faults::Counts().calls;
  const auto outlook = static_cast<size_t>(win32::faults::Surface::Outlook);
  int fetches = 0, told = 0;
  for (uint64_t span : {uint64_t{kHeldTries} - 1, uint64_t{kHeldTries}})
    for (uint64_t at = 1; at <= calls; ++at) {
      win32::faults::Start({.at = at});
      hotkeys.LoadFromReg();
      win32::faults::Stop();
      if (win32::faults::Counts().raisedBy[outlook] != 1) continue;  // the registry's are its own
      const size_t from = support::library::Log().size();
      win32::faults::Start({.at = at, .span = span});
      hotkeys.LoadFromReg();
      win32::faults::Stop();
      ++fetches;
      if (span < uint64_t{kHeldTries}) {
        EXPECT_EQ(all, Keys(hotkeys)) << span << " refusals from call " << at;
        continue;
      }
      for (const auto& [name, id] : {std::pair{L"Ctrl+Alt+A", a}, std::pair{L"Ctrl+Shift+B", b}}) {
        bool loaded = false;
        for (const auto& key : Keys(hotkeys)) loaded = loaded || key == name + (L"=" + id);
        const bool toldNow =
            refused::Told(from, {L"Hotkey " + std::wstring(name), L"could not be reached"});
        told += toldNow;
        EXPECT_TRUE(loaded || toldNow) << name << " left out untold, refused from call " << at;
      }
    }
  EXPECT_GT(fetches, 0) << "no run refused a template's fetch";
  EXPECT_GT(told, 0) << "no refusal was told";
}

TEST_F(Hotkeys, ABindingWhoseTemplateWasDeletedIsSkippedQuietly) {
  // The user deleted the template: nothing to warn about at every start, and the value goes at
  // the next save.
  std::wstring gone = AddMail(templates, L"doomed")->EntryID();
  p.session->GetItemFromID(gone)->Delete();
  p.session->GetItemFromID(gone)->Delete();  // out of Deleted Items too
  Write({{L"Ctrl+Alt+D", L"Tanvelo," + gone}, {L"Ctrl+Alt+A", L"Tanvelo," + a}});
  const size_t from = support::library::Log().size();
  CHotkeys hotkeys;
  hotkeys.LoadFromReg();
  EXPECT_EQ((std::vector<std::wstring>{L"Ctrl+Alt+A=" + a}), Keys(hotkeys));
  for (size_t i = from; i < support::library::Log().size(); ++i)
    EXPECT_GE(1, support::library::Log()[i].level) << support::library::Log()[i].text;
  hotkeys.SaveToReg();
  EXPECT_EQ((std::vector<std::pair<std::wstring, std::wstring>>{{L"Ctrl+Alt+A", L"Tanvelo," + a}}),
            Stored());
}

TEST_F(Hotkeys, BindingsReadWithoutTheProfilesKeyAreNeverSavedOverTheProfiles) {
  // A start whose look at the store was refused read no bindings; the store answering again
  // later, a binding set then must not replace every binding the profile keeps.
  Write({{L"Ctrl+Alt+A", L"Tanvelo," + a}});
  const auto profiles = Stored();
  ReleaseOptions();  // a new start: the profile's key not known yet
  p.session->SetStoresUnavailable(true);
  CHotkeys hotkeys;
  hotkeys.LoadFromReg();
  EXPECT_EQ(0, hotkeys.Count());
  p.session->SetStoresUnavailable(false);
  hotkeys.Add(b, 4, 'T', true, false, true);
  hotkeys.SaveToReg();
  EXPECT_EQ(profiles, Stored());
  // A start that knows the profile's key reads and saves its own bindings again.
  CHotkeys next;
  next.LoadFromReg();
  next.Add(c, 1, 'Q', false, true, true);
  next.SaveToReg();
  EXPECT_EQ((std::vector<std::pair<std::wstring, std::wstring>>{{L"Ctrl+Alt+A", L"Tanvelo," + a},
                                                                {L"Ctrl+Alt+Q", L"Tanvelo," + c}}),
            Stored());
}

TEST_F(Hotkeys, BindingsTheRegistryRefusedToReadAreNeverSavedOver) {
  // A read refused part way left bindings out, and the hotkey dialog's save after it wiped them.
  const std::vector<std::pair<std::wstring, std::wstring>> kept = {
      {L"Ctrl+Alt+A", L"Tanvelo," + a}, {L"Ctrl+Shift+B", L"Forward with," + b}};
  Write(kept);
  CHotkeys hotkeys;
  win32::faults::Start({.countOnly = true});
  hotkeys.LoadFromReg();
  win32::faults::Stop();
  const uint64_t calls = win32::faults::Counts().calls;
  int unread = 0;
  for (uint64_t at = 1; at <= calls; ++at) {
    const size_t from = support::library::Log().size();
    win32::faults::Start({.at = at, .span = kHeldTries});
    hotkeys.LoadFromReg();
    win32::faults::Stop();
    const bool notRead = refused::Told(from, {L"Hotkeys not read"});
    unread += notRead;
    if (!hotkeys.FindByKeys('Q', false, true, true)) hotkeys.Add(c, 1, 'Q', false, true, true);
    hotkeys.SaveToReg();
    auto stored = Stored();
    stored.erase(std::remove(stored.begin(), stored.end(),
                             std::pair<std::wstring, std::wstring>{L"Ctrl+Alt+Q", L"Tanvelo," + c}),
                 stored.end());
    EXPECT_EQ(kept, stored) << "read refused from call " << at;
    // The save reads again what the start could not: the binding made since is kept too.
    EXPECT_TRUE(Stored().size() == kept.size() + 1) << "read refused from call " << at;
  }
  EXPECT_GT(unread, 0);
}

TEST_F(Hotkeys, ASaveRefusedPastEveryTryKeepsTheBindingsStoredBefore) {
  // The key was deleted before it was written anew: refused in between, every binding the
  // user had was gone at the next start.
  const std::vector<std::pair<std::wstring, std::wstring>> kept = {
      {L"Ctrl+Alt+A", L"Tanvelo," + a}, {L"Ctrl+Shift+B", L"Forward with," + b}};
  Write(kept);
  CHotkeys hotkeys;
  hotkeys.LoadFromReg();
  hotkeys.Add(c, 1, 'C', false, true, true);
  win32::faults::Start({.countOnly = true});
  hotkeys.SaveToReg();
  win32::faults::Stop();
  const uint64_t calls = win32::faults::Counts().calls;
  for (uint64_t at = 1; at <= calls; ++at)
    for (uint64_t span : {uint64_t{kHeldTries}, uint64_t{kHeldTries} + 1}) {
      Write(kept);
      {
        CWinReg reg;
        ASSERT_TRUE(reg.InitForAllAccess(HKCU, CHotkeys::GetRegPath(), true));
        reg.DeleteValue(L"Ctrl+Alt+C");
      }
      const size_t from = support::library::Log().size();
      win32::faults::Start({.at = at, .span = span});
      const bool saved = hotkeys.SaveToReg();
      win32::faults::Stop();
      auto stored = Stored();
      for (const auto& value : kept)
        EXPECT_NE(stored.end(), std::find(stored.begin(), stored.end(), value))
            << value.first << " lost, " << span << " refusals from call " << at;
      const bool added = std::find(stored.begin(), stored.end(),
                                   std::pair<std::wstring, std::wstring>{
                                       L"Ctrl+Alt+C", L"Tanvelo," + c}) != stored.end();
      EXPECT_TRUE(added || (!saved && refused::Told(from, {L"not written", L"Ctrl+Alt+C"})))
          << span << " refusals from call " << at;
    }
}

// The hotkeys key refused at the start (a whole read), then a binding of "a" moved from
// Ctrl+Alt+R to Ctrl+Alt+N and one of "c" made: the save reads again first. Read, the newer
// binding takes the place of the stored one of its template; refused again, the stored bindings
// are left as they are, those of the session still answer their keys and each is told unsaved.
TEST_F(Hotkeys, BindingsMadeAfterARefusedStartGoOverTheStoredOnesOrAreKeptAndToldUnsaved) {
  using Values = std::vector<std::pair<std::wstring, std::wstring>>;
  const Values stored = {{L"Ctrl+Alt+R", L"Tanvelo," + a}, {L"Ctrl+Shift+B", L"Forward with," + b}};
  const struct {
    const char* name;
    bool reReadRefused;
    Values after;  // sorted
  } cases[] = {
      {"read again",
       false,
       {{L"Ctrl+Alt+N", L"Tanvelo," + a},
        {L"Ctrl+Alt+Q", L"Tanvelo," + c},
        {L"Ctrl+Shift+B", L"Forward with," + b}}},
      {"refused again", true, stored},
  };
  const std::wstring path = CHotkeys::GetRegPath();  // known before any refusal
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    {
      CWinReg profile;
      ASSERT_TRUE(profile.InitForAllAccess(HKCU, Options().GetProfileRegPath(), true));
      profile.DeleteKeyRec(L"Hotkeys");
    }
    Write(stored);
    const size_t from = support::library::Log().size();
    CHotkeys hotkeys;
    win32::faults::Start({.at = 1, .span = kHeldTries});
    hotkeys.LoadFromReg();
    win32::faults::Stop();
    ASSERT_TRUE(refused::Told(from, {L"Hotkeys not read"}));
    hotkeys.Add(a, 1, 'N', false, true, true);
    hotkeys.Add(c, 1, 'Q', false, true, true);
    if (k.reReadRefused) win32::faults::Start({.at = 1, .span = kHeldTries});
    const bool saved = hotkeys.SaveToReg();
    win32::faults::Stop();
    EXPECT_EQ(!k.reReadRefused, saved);
    auto after = Stored();
    std::sort(after.begin(), after.end());
    EXPECT_EQ(k.after, after);
    // What the session bound still answers its keys, and only those of "a".
    auto na = hotkeys.FindByKeys('N', false, true, true),
         qc = hotkeys.FindByKeys('Q', false, true, true);
    EXPECT_TRUE(na && na->TemplateEntryID == a);
    EXPECT_TRUE(qc && qc->TemplateEntryID == c);
    EXPECT_EQ(nullptr, hotkeys.FindByKeys('R', false, true, true));
    for (const wchar_t* key : {L"Ctrl+Alt+N", L"Ctrl+Alt+Q"})
      EXPECT_EQ(k.reReadRefused, refused::Told(from, {L"Hotkeys not saved", key, L"not kept"}))
          << key;
  }
}

// A save writes only what the key does not hold already: on a key the user may read but not
// write, a save that changes nothing tells nothing; a change it cannot make is told by name.
TEST_F(Hotkeys, ASaveWritesOnlyWhatTheKeyDoesNotHoldAlready) {
  Write({{L"Ctrl+Alt+A", L"Tanvelo," + a}, {L"Ctrl+Shift+B", L"Forward with," + b}});
  const struct {
    const char* name;
    std::function<void(CHotkeys&)> change;
    std::vector<std::wstring> told;  // each a binding named in an error
  } cases[] = {
      {"nothing changed", [](CHotkeys&) {}, {}},
      {"a binding made",
       [&](CHotkeys& h) { h.Add(c, 1, 'C', false, true, true); },
       {L"not written", L"Ctrl+Alt+C"}},
      {"a binding removed",
       [](CHotkeys& h) { h.Remove(h.FindByKeys('B', true, false, true)->BuildKey()); },
       {L"not deleted", L"Ctrl+Shift+B"}},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    CHotkeys hotkeys;
    hotkeys.LoadFromReg();
    k.change(hotkeys);
    const auto before = Stored();
    const size_t from = support::library::Log().size();
    win32::registry::SetReadOnly(HKCU, true);
    const bool saved = hotkeys.SaveToReg();
    win32::registry::SetReadOnly(HKCU, false);
    EXPECT_EQ(before, Stored());
    EXPECT_EQ(k.told.empty(), saved);
    bool errors = false;
    for (size_t i = from; i < support::library::Log().size(); ++i)
      errors = errors || support::library::Log()[i].level >= kLevelError;
    if (k.told.empty())
      EXPECT_FALSE(errors) << "a save that changes nothing told a failure";
    else
      EXPECT_TRUE(refused::Told(from, {k.told[0], k.told[1]}));
  }
}
