// Usage records in the registry, the ranked lists per action and their cache.
#include <algorithm>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "EngineTest.h"
#include "core/CWinReg.h"
#include "engine/CFrequentlyTemplates.h"
#include "engine/mTanvelo.h"
#include "platform/win32/Clock.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Faults.h"
#include "platform/win32/Registry.h"
#include "tests/common/RefusedWrites.h"

using support::library::Log;

namespace {

constexpr uint32_t HKCU = CWinReg::HKEY_CURRENT_USER;

// Stores one record as a restart would find it.
void Store(const std::wstring& id, int32_t replies, int32_t replyAll = 0, int32_t forwards = 0,
           int32_t news = 0, const std::wstring& subject = L"") {
  CTemplate t;
  t.sEntryID = id;
  t.sSubject = subject.empty() ? L"subject of " + id : subject;
  t.nRepliesCount = replies;
  t.nRepliesAllCount = replyAll;
  t.nForwardsCount = forwards;
  t.nNewsCount = news;
  CWinReg reg;
  ASSERT_TRUE(reg.InitForWrite(HKCU, CFrequentlyTemplates::GetRegKey(), true));
  ASSERT_TRUE(reg.SetStringValue(id, t.ToString()));
}

std::vector<std::wstring> Ids(const CTemplates* list) {
  std::vector<std::wstring> ids;
  if (list)
    for (const auto& t : *list) ids.push_back(t->sEntryID);
  return ids;
}

std::vector<std::wstring> StoredNames() {
  std::vector<std::wstring> names;
  CWinReg reg;
  if (!reg.InitForRead(HKCU, CFrequentlyTemplates::GetRegKey())) return names;
  for (int32_t i = 0;; ++i) {
    std::wstring name = reg.Values(i);
    if (name.empty()) break;
    names.push_back(name);
  }
  return names;
}

class Frequents : public EngineTest {};

}  // namespace

TEST_F(Frequents, RanksTheFiveMostUsedPerAction) {
  for (int i = 1; i <= 6; ++i) Store(L"00" + std::to_wstring(i), i, 0, 7 - i);
  Store(L"0099", 0, 0, 0, 0);
  CFrequentlyTemplates frequents;
  EXPECT_EQ((std::vector<std::wstring>{L"006", L"005", L"004", L"003", L"002"}),
            Ids(frequents.GetFrequents(1, false).get()));
  EXPECT_EQ((std::vector<std::wstring>{L"001", L"002", L"003", L"004", L"005"}),
            Ids(frequents.GetFrequents(4, false).get()));
  EXPECT_TRUE(Ids(frequents.GetFrequents(2, false).get()).empty());  // zero counts never rank
  EXPECT_TRUE(Ids(frequents.GetFrequents(8, true).get()).empty());
}

TEST_F(Frequents, TiesGoToTheEntryIDThatSortsLast) {
  Store(L"00AB", 3);
  Store(L"00B0", 3);
  Store(L"00AC", 3);
  Store(L"0001", 4);
  Store(L"00FF", 2);
  Store(L"00A", 3);
  CFrequentlyTemplates frequents;
  EXPECT_EQ((std::vector<std::wstring>{L"0001", L"00B0", L"00AC", L"00AB", L"00A"}),
            Ids(frequents.GetFrequents(1, false).get()));
}

TEST_F(Frequents, InvalidUseTypeIsLoggedAndGivesNothing) {
  Store(L"00AA", 1);
  CFrequentlyTemplates frequents;
  for (int32_t useType : {0, 3, 16, -1}) {
    EXPECT_EQ(nullptr, frequents.GetFrequents(useType, false));
    EXPECT_EQ(L"CFrequentlyTemplates::GetFrequents", Log().back().procedure);
    EXPECT_EQ(L"Invalid nUseType(" + std::to_wstring(useType) + L")", Log().back().text);
  }
}

TEST_F(Frequents, CachedListIsHandedOutUntilForced) {
  Store(L"00AA", 1);
  CFrequentlyTemplates frequents;
  auto first = frequents.GetFrequents(1, false);
  auto cached = frequents.GetFrequents(1, false);
  EXPECT_NE(first, cached);  // the first answer is the result, the cache keeps a copy
  EXPECT_EQ(cached, frequents.GetFrequents(1, false));
  EXPECT_NE(cached, frequents.GetFrequents(1, true));
}

TEST_F(Frequents, UpdateFrequentsComparesIdsSubjectsAndAddressingOnly) {
  Store(L"00AA", 5, 0, 0, 0, L"first");
  Store(L"00BB", 3, 0, 0, 0, L"second");
  CFrequentlyTemplates frequents;
  CTemplates mine;
  bool updated = false;
  frequents.UpdateFrequents(mine, 1, updated);
  EXPECT_TRUE(updated);
  EXPECT_EQ((std::vector<std::wstring>{L"00AA", L"00BB"}), Ids(&mine));

  mine.Item(1)->nRepliesCount = 77;  // counts alone are no change
  updated = false;
  frequents.UpdateFrequents(mine, 1, updated);
  EXPECT_FALSE(updated);
  EXPECT_EQ(77, mine.Item(1)->nRepliesCount);

  for (auto change : std::vector<std::function<void(CTemplate&)>>{
           [](CTemplate& t) { t.sSubject = L"renamed"; },
           [](CTemplate& t) { t.bPreaddressed = true; },
       }) {
    change(*mine.Item(2));
    updated = false;
    frequents.UpdateFrequents(mine, 1, updated);
    EXPECT_TRUE(updated);
    EXPECT_EQ(L"second", mine.Item(2)->sSubject);
    EXPECT_FALSE(mine.Item(2)->bPreaddressed);
  }

  mine.Remove(2);
  updated = false;
  frequents.UpdateFrequents(mine, 1, updated);
  EXPECT_TRUE(updated);
  EXPECT_EQ(2, mine.Count());
  frequents.UpdateFrequents(mine, 1, updated);  // a current list leaves the flag as it was
  EXPECT_TRUE(updated);

  const size_t before = Log().size();
  updated = false;
  frequents.UpdateFrequents(mine, 5, updated);
  EXPECT_FALSE(updated);
  EXPECT_EQ(2, mine.Count());
  ASSERT_EQ(before + 2, Log().size());
  EXPECT_EQ(L"CFrequentlyTemplates::UpdateFrequents", Log().back().procedure);
}

TEST_F(Frequents, BadValuesAreDeletedAtLoadGoodOnesSurvive) {
  Store(L"00AA", 2);
  {
    CWinReg reg;
    ASSERT_TRUE(reg.InitForWrite(HKCU, CFrequentlyTemplates::GetRegKey(), true));
    reg.SetStringValue(L"00BB", L"00BB");
    reg.SetStringValue(L"00CC", L"1\r\n0\r\nx\r\n0\r\n0\r\ns\r\n00CC");
  }
  Store(L"00DD", 1);
  CFrequentlyTemplates frequents;
  EXPECT_EQ((std::vector<std::wstring>{L"00AA", L"00DD"}), Ids(&frequents.Templates()));
  EXPECT_EQ((std::vector<std::wstring>{L"00AA", L"00DD"}), StoredNames());
  int warnings = 0;
  for (const auto& entry : Log())
    if (entry.procedure == L"CFrequentlyTemplates::Load" && entry.level == 2 &&
        entry.text == L"Delete bad registry entry")
      ++warnings;
  EXPECT_EQ(2, warnings);
}

TEST_F(Frequents, ASecondRecordOfOneTemplateIsDroppedAloneAtLoad) {
  Store(L"00AA", 2);
  {
    CWinReg reg;
    ASSERT_TRUE(reg.InitForWrite(HKCU, CFrequentlyTemplates::GetRegKey(), true));
    // A hand-edited copy under another name that holds the same template's EntryID.
    reg.SetStringValue(L"00AA-copy", L"9\r\n0\r\n0\r\n0\r\n0\r\ns\r\n00AA");
  }
  Store(L"00DD", 1);
  CFrequentlyTemplates frequents;
  EXPECT_EQ((std::vector<std::wstring>{L"00AA", L"00DD"}), Ids(&frequents.Templates()));
  EXPECT_EQ(2, frequents.Templates().Item(L"00AA")->nRepliesCount);
}

TEST_F(Frequents, TheRecordUnderItsOwnEntryIDWinsSoCountsSurviveARestart) {
  auto t = AddMail(templates, L"counted");
  const std::wstring id = t->EntryID();
  {
    CWinReg reg;
    ASSERT_TRUE(reg.InitForWrite(HKCU, CFrequentlyTemplates::GetRegKey(), true));
    reg.SetStringValue(L"copy", L"1\r\n0\r\n0\r\n0\r\n0\r\ns\r\n" + id);  // comes first
  }
  Store(id, 5);
  {
    CFrequentlyTemplates first;
    EXPECT_EQ(5, first.Templates().Item(id)->nRepliesCount);
    first.IncUseCount(id, 1);
  }
  CFrequentlyTemplates second;
  EXPECT_EQ(6, second.Templates().Item(id)->nRepliesCount);
}

TEST_F(Frequents, NamesTheEnumerationCannotReadDoNotHideTheRecordsAfterThem) {
  {
    CWinReg reg;
    ASSERT_TRUE(reg.InitForWrite(HKCU, CFrequentlyTemplates::GetRegKey(), true));
    reg.SetStringValue(L"", L"stray default value");
    reg.SetStringValue(std::wstring(256, L'F'), L"1\r\n0\r\n0\r\n0\r\n0\r\ns\r\n00FF");
  }
  Store(L"00AA", 2);
  Store(L"00BB", 1);
  CFrequentlyTemplates frequents;
  EXPECT_EQ((std::vector<std::wstring>{L"00AA", L"00BB"}),
            Ids(frequents.GetFrequents(1, false).get()));
}

TEST_F(Frequents, ACounterAtItsTopStaysThere) {
  auto t = AddMail(templates, L"counted");
  Store(t->EntryID(), INT32_MAX, INT32_MAX - 1);
  CFrequentlyTemplates frequents;
  frequents.IncUseCount(t->EntryID(), 1 | 2);
  frequents.IncUseCount(t->EntryID(), 1 | 2);
  EXPECT_EQ(INT32_MAX, frequents.Templates().Item(t->EntryID())->nRepliesCount);
  EXPECT_EQ(INT32_MAX, frequents.Templates().Item(t->EntryID())->nRepliesAllCount);
  CFrequentlyTemplates restarted;
  EXPECT_EQ(INT32_MAX, restarted.Templates().Item(t->EntryID())->nRepliesCount);
}

TEST_F(Frequents, LongSubjectsAndLineBreaksSurviveARestart) {
  const std::wstring exchangeId(140, L'A');
  const std::wstring longSubject = std::wstring(400, L's') + L" end";
  Store(exchangeId, 4, 0, 0, 0, longSubject);
  Store(L"00EE", 2, 0, 0, 0, L"two\r\nlines");
  {
    CFrequentlyTemplates first;
    EXPECT_EQ(2, first.Templates().Count());
  }
  CFrequentlyTemplates second;
  ASSERT_EQ(2, second.Templates().Count());
  EXPECT_EQ(longSubject, second.Templates().Item(exchangeId)->sSubject);
  EXPECT_EQ(L"two\r\nlines", second.Templates().Item(L"00EE")->sSubject);
  EXPECT_EQ((std::vector<std::wstring>{exchangeId, L"00EE"}), StoredNames());
}

TEST_F(Frequents, NoKeyMeansNoRecords) {
  CFrequentlyTemplates frequents;
  EXPECT_EQ(0, frequents.Templates().Count());
  EXPECT_TRUE(Ids(frequents.GetFrequents(1, false).get()).empty());
  EXPECT_TRUE(StoredNames().empty());
}

TEST_F(Frequents, CountingAUseStoresItAndMakesATopTemplateAFavourite) {
  auto t = AddMail(templates, L"counted");
  t->Recipients()->Add(L"kim.roe@partner.example");
  t->Save();
  std::vector<int32_t> changes;
  CFrequentlyTemplates frequents;
  auto subscription =
      frequents.OnChange.Subscribe([&](int32_t useType) { changes.push_back(useType); });
  frequents.GetFrequents(4, false);
  auto forwards = frequents.GetFrequents(4, false);  // the cached list

  frequents.IncUseCount(t->EntryID(), 1);
  frequents.IncUseCount(t->EntryID(), 1);
  frequents.IncUseCount(t->EntryID(), 1);
  EXPECT_EQ((std::vector<int32_t>{1, 1, 1}), changes);
  EXPECT_TRUE(mTanvelo::IsFavoriteTemplate(t));
  EXPECT_TRUE(t->Saved());
  EXPECT_EQ(std::vector<std::wstring>{t->EntryID()}, Ids(frequents.GetFrequents(1, false).get()));
  EXPECT_TRUE(Ids(frequents.GetFrequents(4, false).get()).empty());
  EXPECT_EQ(forwards, frequents.GetFrequents(4, false));  // another action's list is kept

  const CTemplate& record = *frequents.Templates().Item(t->EntryID());
  EXPECT_EQ(L"counted", record.sSubject);
  EXPECT_TRUE(record.bPreaddressed);
  EXPECT_EQ(3, record.nRepliesCount);

  CFrequentlyTemplates restarted;
  EXPECT_EQ(record.ToString(), restarted.Templates().Item(t->EntryID())->ToString());

  // Several bits count once each; an unknown template counts nothing and raises nothing.
  frequents.IncUseCount(t->EntryID(), 2 | 8);
  EXPECT_EQ(1, record.nRepliesAllCount);
  EXPECT_EQ(1, record.nNewsCount);
  changes.clear();
  frequents.IncUseCount(L"00DEAD", 1);
  EXPECT_TRUE(changes.empty());
  EXPECT_EQ(1, frequents.Templates().Count());

  subscription.Release();
  frequents.IncUseCount(t->EntryID(), 4);
  EXPECT_TRUE(changes.empty());
}

TEST_F(Frequents, AFailingChangeHandlerDoesNotUndoOrEscapeTheCount) {
  auto t = AddMail(templates, L"counted");
  CFrequentlyTemplates frequents;
  auto subscription = frequents.OnChange.Subscribe(
      [](int32_t) { vb::Raise(vb::kObjectVariableNotSet, L"handler failed"); });
  EXPECT_NO_THROW(frequents.IncUseCount(t->EntryID(), 1));
  EXPECT_EQ(0, vb::Err().Number());
  EXPECT_EQ(1, frequents.Templates().Item(t->EntryID())->nRepliesCount);
  EXPECT_TRUE(mTanvelo::IsFavoriteTemplate(t));
  EXPECT_EQ(std::vector<std::wstring>{t->EntryID()}, StoredNames());
}

TEST_F(Frequents, ATemplateBelowTheTopFiveIsNotMarked) {
  CFrequentlyTemplates frequents;
  std::vector<std::shared_ptr<outlook::Item>> items;
  for (int i = 0; i < 6; ++i) {
    items.push_back(AddMail(templates, L"t" + std::to_wstring(i)));
    for (int n = 0; n <= 5 - i; ++n) frequents.IncUseCount(items.back()->EntryID(), 4);
    mTanvelo::UnmarkFavoriteTemplate(items.back(), true);
  }
  // Counts 6, 5, 4, 3, 2 hold the list; one more use lifts the last one from 1 to 2, which
  // enters the list only when its EntryID sorts after the other one with 2.
  frequents.IncUseCount(items[5]->EntryID(), 4);
  bool above = items[5]->EntryID() > items[4]->EntryID();
  EXPECT_EQ(above, mTanvelo::IsFavoriteTemplate(items[5]));
  EXPECT_FALSE(mTanvelo::IsFavoriteTemplate(items[0]));  // marks only come with a counted use
}

TEST_F(Frequents, RefreshDropsVanishedTemplatesFromMemoryAndRegistry) {
  auto kept = AddMail(templates, L"kept");
  auto deleted = AddMail(templates, L"deleted");
  auto sent = AddMail(templates, L"sent");
  auto moved = AddMail(templates, L"moved");
  CFrequentlyTemplates frequents;
  for (const auto& t : {kept, deleted, sent, moved}) frequents.IncUseCount(t->EntryID(), 1);
  EXPECT_EQ(4, frequents.Templates().Count());

  kept->SetSubject(L"renamed");
  kept->Save();
  deleted->Delete();
  sent->SetSentFlag(true);
  moved->Move(p.drafts);
  frequents.RefreshAll();

  EXPECT_EQ(std::vector<std::wstring>{kept->EntryID()}, Ids(&frequents.Templates()));
  EXPECT_EQ(std::vector<std::wstring>{kept->EntryID()}, StoredNames());
  EXPECT_EQ(L"renamed", frequents.Templates().Item(1)->sSubject);
  EXPECT_TRUE(Logged(L"CFrequentlyTemplates::RefreshAll"));

  kept->SetSubject(L"again");
  kept->Save();
  auto record = frequents.Refresh(kept->EntryID());
  ASSERT_TRUE(record);
  EXPECT_EQ(L"again", record->sSubject);
  const std::wstring keptId = kept->EntryID();
  kept->Delete();
  EXPECT_EQ(nullptr, frequents.Refresh(keptId));
  EXPECT_EQ(0, frequents.Templates().Count());
  EXPECT_TRUE(StoredNames().empty());
  EXPECT_EQ(nullptr, frequents.Refresh(L"00DEAD"));
}

TEST_F(Frequents, ARefreshRefusedAtOneCallKeepsARecordWhoseTemplateIsThere) {
  auto kept = AddMail(templates, L"kept");
  CFrequentlyTemplates frequents;
  frequents.IncUseCount(kept->EntryID(), 1);
  win32::faults::Start({.countOnly = true});
  frequents.RefreshAll();
  win32::faults::Stop();
  const uint64_t calls = win32::faults::Counts().calls;
  ASSERT_GT(calls, 2u);
  for (uint64_t at = 1; at <= calls; ++at) {
    win32::faults::Start({.at = at});
    frequents.RefreshAll();
    win32::faults::Stop();
    EXPECT_EQ(std::vector<std::wstring>{kept->EntryID()}, Ids(&frequents.Templates()))
        << "call " << at << " failing";
  }
  EXPECT_EQ(std::vector<std::wstring>{kept->EntryID()}, StoredNames());
}

TEST_F(Frequents, ARefreshUnderARunOfRefusalsKeepsARecordWhoseTemplateIsThere) {
  auto kept = AddMail(templates, L"kept");
  CFrequentlyTemplates frequents;
  frequents.IncUseCount(kept->EntryID(), 1);
  // All of them, or the one (its own Redemption item made).
  for (bool all : {true, false}) {
    auto refresh = [&] { all ? frequents.RefreshAll() : (void)frequents.Refresh(kept->EntryID()); };
    win32::faults::Start({.countOnly = true});
    refresh();
    win32::faults::Stop();
    const uint64_t calls = win32::faults::Counts().calls;
    for (uint64_t span : {3u, 8u})
      for (uint64_t at = 1; at <= calls; ++at) {
        win32::faults::Start({.at = at, .span = span});
        refresh();
        win32::faults::Stop();
        EXPECT_EQ(std::vector<std::wstring>{kept->EntryID()}, Ids(&frequents.Templates()))
            << span << " calls from " << at << " failing" << (all ? "" : " in the one's refresh");
      }
  }
  EXPECT_EQ(std::vector<std::wstring>{kept->EntryID()}, StoredNames());
}

TEST_F(Frequents, SaveAllRewritesEveryValue) {
  // Many stored values, of which only the live templates remain after a refresh: deleting
  // while enumerating would leave every other stale value behind.
  auto kept = AddMail(templates, L"kept");
  for (int i = 0; i < 9; ++i) Store(L"00" + std::to_wstring(10 + i), i + 1);
  Store(kept->EntryID(), 3);
  CFrequentlyTemplates frequents;
  EXPECT_EQ(10, frequents.Templates().Count());
  frequents.RefreshAll();
  EXPECT_EQ(std::vector<std::wstring>{kept->EntryID()}, StoredNames());
}

namespace {

// Every value of the records' key as (name, type, bytes), sorted by name.
std::vector<std::tuple<std::string, uint32_t, std::string>> StoredValues() {
  std::vector<std::tuple<std::string, uint32_t, std::string>> values;
  win32::HKEY key = 0;
  if (win32::RegOpenKeyExA(win32::HKEY_CURRENT_USER,
                           win32::ToAnsi(CFrequentlyTemplates::GetRegKey()).c_str(), 0,
                           win32::KEY_READ, &key) != win32::ERROR_SUCCESS)
    return values;
  for (uint32_t i = 0;; ++i) {
    char name[256];
    uint8_t data[1024];
    uint32_t nameSize = sizeof name, dataSize = sizeof data, type = 0;
    if (win32::RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) !=
        win32::ERROR_SUCCESS)
      break;
    values.emplace_back(std::string(name, nameSize), type,
                        std::string(reinterpret_cast<char*>(data), dataSize));
  }
  win32::RegCloseKey(key);
  std::sort(values.begin(), values.end());
  return values;
}

}  // namespace

TEST_F(Frequents, SaveAllLeavesTheKeyAsAFullRewriteWould) {
  // Records right already, one whose subject changed, one stored under another spelling of its
  // EntryID, one stored as an expandable text, and values no record stands for.
  std::vector<std::shared_ptr<outlook::Item>> mails;
  for (int i = 0; i < 5; ++i) mails.push_back(AddMail(templates, L"mail " + std::to_wstring(i)));
  for (int i = 0; i < 5; ++i)  // as a refresh finds them: only what is changed below differs
    Store(mails[static_cast<size_t>(i)]->EntryID(), i + 1, 0, 0, 0, L"mail " + std::to_wstring(i));
  CFrequentlyTemplates frequents;
  ASSERT_EQ(5, frequents.Templates().Count());
  mails[1]->SetSubject(L"renamed");
  mails[1]->Save();
  const std::wstring lower = vb::LCase(mails[2]->EntryID());
  ASSERT_NE(lower, mails[2]->EntryID());
  const std::string expand = win32::ToAnsi(mails[3]->EntryID());
  {
    CWinReg reg;
    ASSERT_TRUE(reg.InitForWrite(HKCU, CFrequentlyTemplates::GetRegKey(), true));
    const std::wstring text = reg.GetStringValue(mails[2]->EntryID());
    reg.DeleteValue(mails[2]->EntryID());
    reg.SetStringValue(lower, text);
    reg.SetDWordValue(L"Counter", 7);
    reg.SetStringValue(L"00DEAD", L"0\r\n0\r\n0\r\n0\r\n0\r\ngone\r\n00DEAD");
  }
  {
    const std::string text =
        win32::ToAnsi(frequents.Templates().Item(mails[3]->EntryID())->ToString());
    win32::HKEY key = 0;
    ASSERT_EQ(win32::ERROR_SUCCESS,
              win32::RegOpenKeyExA(win32::HKEY_CURRENT_USER,
                                   win32::ToAnsi(CFrequentlyTemplates::GetRegKey()).c_str(), 0,
                                   win32::KEY_WRITE, &key));
    win32::RegSetValueExA(key, expand.c_str(), 0, win32::REG_EXPAND_SZ,
                          reinterpret_cast<const uint8_t*>(text.c_str()),
                          static_cast<uint32_t>(text.size() + 1));
    win32::RegCloseKey(key);
  }
  frequents.RefreshAll();

  std::vector<std::tuple<std::string, uint32_t, std::string>> expected;
  for (const auto& record : frequents.Templates()) {
    std::string text = win32::ToAnsi(record->ToString());
    text.push_back('\0');
    expected.emplace_back(win32::ToAnsi(record->sEntryID), win32::REG_SZ, text);
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(expected, StoredValues());
  EXPECT_EQ(L"renamed", frequents.Templates().Item(mails[1]->EntryID())->sSubject);
  EXPECT_EQ(5u, expected.size());
}

namespace {

// The stored text of one record, read unfaulted ("" when missing).
std::wstring StoredRecord(const std::wstring& id) {
  CWinReg reg;
  return reg.InitForRead(HKCU, CFrequentlyTemplates::GetRegKey()) ? reg.GetStringValue(id) : L"";
}

bool ToldRecord(size_t from, const std::wstring& id, const std::wstring& subject) {
  return refused::Told(
      from, {L"not written", CFrequentlyTemplates::GetRegKey() + L" \"" + id + L"\"", subject});
}

}  // namespace

TEST_F(Frequents, AUseCountedUnderRegistryRefusalsIsStoredOrTold) {
  auto t = AddMail(templates, L"counted");
  const std::wstring id = t->EntryID();
  CFrequentlyTemplates frequents;
  frequents.IncUseCount(id, 1);
  refused::SweepBoth(
      {[&] {
         CWinReg reg;
         ASSERT_TRUE(reg.InitForWrite(HKCU, CFrequentlyTemplates::GetRegKey(), true));
         ASSERT_TRUE(reg.DeleteValue(id));
       },
       [&] { frequents.IncUseCount(id, 2); },
       [&] { return StoredRecord(id) == frequents.Templates().Item(id)->ToString(); },
       [&](size_t from) { return ToldRecord(from, id, L"counted"); }});
  // A restart finds the count of the last run, which stored it.
  CFrequentlyTemplates restarted;
  EXPECT_EQ(frequents.Templates().Item(id)->ToString(), restarted.Templates().Item(id)->ToString());
}

TEST_F(Frequents, ATemplateEnteringTheTopListUnderRegistryRefusalsIsAFavouriteAndItsUseKept) {
  auto t = AddMail(templates, L"rising");
  const std::wstring id = t->EntryID();
  CFrequentlyTemplates frequents;
  refused::SweepBoth({[&] {
                        mTanvelo::UnmarkFavoriteTemplate(t, true);
                        CWinReg reg;
                        if (reg.InitForWrite(HKCU, CFrequentlyTemplates::GetRegKey(), false))
                          reg.DeleteValue(id);
                      },
                      [&] { frequents.IncUseCount(id, 4); },
                      [&] {
                        auto record = frequents.Templates().Find(id);
                        return mTanvelo::IsFavoriteTemplate(t) && record &&
                               StoredRecord(id) == record->ToString();
                      },
                      [&](size_t from) { return ToldRecord(from, id, L"rising"); }});
}

TEST_F(Frequents, ARefreshSavedUnderRegistryRefusalsRewritesOrTellsEachRecord) {
  // A record whose subject changed is rewritten, one whose template is gone deleted; each run
  // starts from a fresh load of both.
  auto kept = AddMail(templates, L"kept");
  const std::wstring id = kept->EntryID();
  kept->SetSubject(L"renamed");
  kept->Save();
  std::optional<CFrequentlyTemplates> frequents;
  auto record = [&] {
    auto found = frequents->Templates().Find(id);
    return found ? found->ToString() : L"none";
  };
  refused::SweepBoth(
      {[&] {
         Store(id, 3, 0, 0, 0, L"kept");
         Store(L"00DEAD", 1);
         frequents.emplace();
       },
       [&] { frequents->RefreshAll(); },
       [&] {
         return StoredNames() == std::vector<std::wstring>{id} && StoredRecord(id) == record();
       },
       [&](size_t from) {
         return ToldRecord(from, id, L"renamed") ||
                refused::Told(from, {L"Registry value not deleted: " +
                                     CFrequentlyTemplates::GetRegKey() + L" \"00DEAD\""}) ||
                // The walk to the stale value refused: it stays, told.
                refused::Told(from, {L"Enumeration stopped"});
       }});
}

TEST_F(Frequents, RecordsNotReadForWantOfTheProfilesKeyAreNeverSavedOver) {
  // A start whose look at the store is refused must not take the user's own key for the
  // profile's: the refresh after it would wipe the profile's records.
  auto kept = AddMail(templates, L"kept");
  Store(kept->EntryID(), 3);
  const std::wstring profileKey = CFrequentlyTemplates::GetRegKey();
  ReleaseOptions();  // a new start: the profile's key not known yet
  p.session->SetStoresUnavailable(true);
  auto frequents = std::make_unique<CFrequentlyTemplates>();
  EXPECT_TRUE(testlog::LoggedContaining(L"CFrequentlyTemplates::Load", L"not read"));
  frequents->RefreshAll();  // the store still refused: nothing saved anywhere, and told
  EXPECT_TRUE(testlog::LoggedContaining(L"CFrequentlyTemplates::SaveAll", L"not saved"));
  p.session->SetStoresUnavailable(false);
  EXPECT_EQ(std::vector<std::wstring>{kept->EntryID()}, StoredNames());
  // Answered again, the records are read before the refresh saves them.
  frequents->RefreshAll();
  EXPECT_EQ(std::vector<std::wstring>{kept->EntryID()}, Ids(&frequents->Templates()));
  EXPECT_EQ(CFrequentlyTemplates::GetRegKey(), profileKey);
  EXPECT_EQ(std::vector<std::wstring>{kept->EntryID()}, StoredNames());
  EXPECT_EQ(3, frequents->Templates().Item(1)->nRepliesCount);

  // A look refused fewer times in a row than kHeldTries is asked again: the records load.
  const auto outlook = static_cast<size_t>(win32::faults::Surface::Outlook);
  int refused = 0;
  for (uint64_t at = 1; at <= 3; ++at) {
    ReleaseOptions();
    win32::faults::Start({.at = at, .span = uint64_t{kHeldTries} - 1});
    frequents = std::make_unique<CFrequentlyTemplates>();
    win32::faults::Stop();
    if (win32::faults::Counts().raisedBy[outlook] == 0) continue;
    ++refused;
    EXPECT_EQ(std::vector<std::wstring>{kept->EntryID()}, Ids(&frequents->Templates()))
        << "refused from call " << at;
  }
  EXPECT_GT(refused, 0);
}

TEST_F(Frequents, ARefreshWithoutTheTemplatesFolderKeepsEveryRecordAndTellsIt) {
  // A start that could not find the folder must not take every template for vanished.
  auto kept = AddMail(templates, L"kept");
  Store(kept->EntryID(), 2);
  CFrequentlyTemplates frequents;
  g_oTemplatesFolder.reset();
  frequents.RefreshAll();
  EXPECT_TRUE(testlog::LoggedContaining(L"CFrequentlyTemplates::RefreshAll", L"not refreshed"));
  EXPECT_EQ(std::vector<std::wstring>{kept->EntryID()}, Ids(&frequents.Templates()));
  EXPECT_EQ(std::vector<std::wstring>{kept->EntryID()}, StoredNames());
  g_oTemplatesFolder = templates;
  frequents.RefreshAll();
  EXPECT_EQ(std::vector<std::wstring>{kept->EntryID()}, StoredNames());
}

TEST_F(Frequents, ARecordWhoseDeletionIsRefusedIsToldByName) {
  // A record left in the registry counts again after a start: left, it is told by its name.
  // A bad record at load...
  const std::wstring key = CFrequentlyTemplates::GetRegKey();
  std::optional<CFrequentlyTemplates> frequents;
  auto gone = [&](const std::wstring& name) {
    const auto names = StoredNames();
    return std::find(names.begin(), names.end(), name) == names.end();
  };
  refused::SweepBoth({[&] {
                        frequents.reset();
                        CWinReg reg;
                        ASSERT_TRUE(reg.InitForWrite(HKCU, key, true));
                        ASSERT_TRUE(reg.SetStringValue(L"00BB", L"not a record"));
                      },
                      [&] { frequents.emplace(); }, [&] { return gone(L"00BB"); },
                      [&](size_t from) {
                        // Or not read at all: it is deleted at a later start.
                        return refused::Told(from, {L"not deleted: " + key + L" \"00BB\""}) ||
                               refused::Told(from, {L"not read", key});
                      }});
  // ...and the record of a template that is gone.
  refused::SweepBoth({[&] {
                        Store(L"00DEAD", 1);
                        frequents.emplace();
                      },
                      [&] { frequents->Refresh(L"00DEAD"); }, [&] { return gone(L"00DEAD"); },
                      [&](size_t from) {
                        return refused::Told(from, {L"not deleted: " + key + L" \"00DEAD\""});
                      }});
}

TEST_F(Frequents, AUseCountedBeforeTheRecordsCouldBeReadGoesOnFromTheStoredCount) {
  // Read without the profile's key at connection, the records are read at the first use: a
  // count made from none would have overwritten the stored one.
  auto kept = AddMail(templates, L"kept");
  const std::wstring id = kept->EntryID();
  Store(id, 3);
  ReleaseOptions();  // a new start: the profile's key not known yet
  p.session->SetStoresUnavailable(true);
  CFrequentlyTemplates frequents;
  p.session->SetStoresUnavailable(false);
  frequents.IncUseCount(id, 1);
  ASSERT_TRUE(frequents.Templates().Find(id));
  EXPECT_EQ(4, frequents.Templates().Item(id)->nRepliesCount);
  CFrequentlyTemplates restarted;
  ASSERT_TRUE(restarted.Templates().Find(id));
  EXPECT_EQ(4, restarted.Templates().Item(id)->nRepliesCount);
}

TEST_F(Frequents, RecordsTheRegistryRefusedToReadAreNeverSavedOver) {
  // A read refused part way took the records not reached for none, and the refresh after it
  // wiped them.
  std::vector<std::wstring> ids;
  for (const wchar_t* subject : {L"one", L"two", L"three"}) {
    ids.push_back(AddMail(templates, subject)->EntryID());
    Store(ids.back(), 2);
  }
  std::sort(ids.begin(), ids.end());
  auto stored = [&] {
    auto names = StoredNames();
    std::sort(names.begin(), names.end());
    return names;
  };
  win32::faults::Start({.countOnly = true});
  { CFrequentlyTemplates counted; }
  win32::faults::Stop();
  const uint64_t calls = win32::faults::Counts().calls;
  int unread = 0;
  for (uint64_t at = 1; at <= calls; ++at) {
    const size_t from = Log().size();
    win32::faults::Start({.at = at, .span = kHeldTries});
    CFrequentlyTemplates frequents;
    win32::faults::Stop();
    unread += refused::Told(from, {L"not read"});
    frequents.RefreshAll();
    EXPECT_EQ(ids, stored()) << "read refused from call " << at;
    frequents.IncUseCount(ids[0], 1);
    EXPECT_EQ(ids, stored()) << "read refused from call " << at;
  }
  EXPECT_GT(unread, 0);
}

// A template just used, its lookups refused for as long as the held tries and one more, from
// each call: its use is counted and stored, at once or once Outlook answers again a moment
// later; refused for good, an error names it.
TEST_F(Frequents, AUseRefusedPastTheTriesIsCountedLaterOrToldByTheTemplate) {
  auto t = AddMail(templates, L"used");
  const std::wstring id = t->EntryID();
  auto clear = [&] {
    CWinReg reg;
    if (reg.InitForWrite(HKCU, CFrequentlyTemplates::GetRegKey(), true)) reg.DeleteValue(id);
  };
  uint64_t calls = 0;
  {
    CFrequentlyTemplates frequents;
    win32::faults::Start({.countOnly = true});
    frequents.IncUseCount(id, 1);
    win32::faults::Stop();
    calls = win32::faults::Counts().calls;
  }
  int refused = 0;
  for (uint64_t span : {uint64_t{kHeldTries}, uint64_t{kHeldTries} + 1})
    for (uint64_t at = 1; at <= calls; ++at) {
      clear();
      g_oFrequentlyTemplates = std::make_shared<CFrequentlyTemplates>();
      const size_t logged = support::library::Log().size();
      win32::faults::Start({.at = at, .span = span});
      g_oFrequentlyTemplates->IncUseCount(id, 1);
      win32::faults::Stop();
      win32::clock::Advance(1000);
      if (win32::faults::Counts().raised == 0) continue;
      ++refused;
      EXPECT_EQ(1, g_oFrequentlyTemplates->Templates().Count()) << span << " calls from " << at;
      // (Its record's write refused past every try is told naming it.)
      bool toldWrite = false;
      for (size_t i = logged; i < support::library::Log().size(); ++i)
        toldWrite = toldWrite || (support::library::Log()[i].level >= 3 &&
                                  support::library::Log()[i].text.find(id) != std::wstring::npos);
      EXPECT_TRUE(StoredNames() == std::vector<std::wstring>{id} || toldWrite)
          << span << " calls from " << at;
    }
  EXPECT_GT(refused, 0);
  clear();
  g_oFrequentlyTemplates = std::make_shared<CFrequentlyTemplates>();
  win32::faults::Start({.at = 1, .span = 1000000});
  g_oFrequentlyTemplates->IncUseCount(id, 1);
  win32::clock::Advance(10000);
  win32::faults::Stop();
  EXPECT_TRUE(testlog::LoggedContaining(L"mTanvelo::AskLater", id));
  g_oFrequentlyTemplates.reset();
}

// A template entering the top list under a held run of refusals from each call: it is a
// favourite afterwards, or the log names it as one whose mark was not checked.
TEST_F(Frequents, ATemplateEnteringTheTopListUnderHeldRefusalsIsAFavouriteOrToldByName) {
  auto t = AddMail(templates, L"rising");
  const std::wstring id = t->EntryID();
  auto clear = [&] {
    mTanvelo::UnmarkFavoriteTemplate(t, true);
    CWinReg reg;
    if (reg.InitForWrite(HKCU, CFrequentlyTemplates::GetRegKey(), true)) reg.DeleteValue(id);
  };
  uint64_t calls = 0;
  {
    clear();
    CFrequentlyTemplates frequents;
    win32::faults::Start({.countOnly = true});
    frequents.IncUseCount(id, 1);
    win32::faults::Stop();
    calls = win32::faults::Counts().calls;
  }
  for (uint64_t span : {uint64_t{kHeldTries}, uint64_t{kHeldTries} + 1})
    for (uint64_t at = 1; at <= calls; ++at) {
      clear();
      CFrequentlyTemplates frequents;
      const size_t logged = support::library::Log().size();
      win32::faults::Start({.at = at, .span = span});
      frequents.IncUseCount(id, 1);
      win32::faults::Stop();
      if (!frequents.Templates().Find(id)) continue;  // not counted: no top list to enter
      bool told = false;
      for (size_t i = logged; i < support::library::Log().size(); ++i)
        told = told || (support::library::Log()[i].level >= kLevelError &&
                        support::library::Log()[i].text.find(L"\"rising\"") != std::wstring::npos);
      EXPECT_TRUE(mTanvelo::IsFavoriteTemplate(t) || told) << span << " calls from " << at;
    }
}

// A refresh as Outlook starts whose template lookups are refused past every try: the record
// of a template still there is kept (the save after it wiped the counts for good), named in
// an error; the record of a template Outlook does not know goes.
TEST_F(Frequents, ARecordWhoseTemplateWasRefusedAtTheRefreshIsKeptAndNamed) {
  const std::wstring id = AddMail(templates, L"kept through")->EntryID();
  auto sorted = [](std::vector<std::wstring> v) {
    std::sort(v.begin(), v.end());
    return v;
  };
  uint64_t calls = 0;
  {
    Store(id, 2, 0, 0, 0, L"kept through");
    Store(L"00DEAD", 1);
    CFrequentlyTemplates frequents;
    win32::faults::Start({.countOnly = true});
    frequents.RefreshAll();
    win32::faults::Stop();
    calls = win32::faults::Counts().calls;
  }
  int refused = 0;
  for (uint64_t span : {uint64_t{kHeldTries}, uint64_t{kHeldTries} + 1})
    for (uint64_t at = 1; at <= calls; ++at) {
      Store(id, 2, 0, 0, 0, L"kept through");
      Store(L"00DEAD", 1);
      CFrequentlyTemplates frequents;
      const size_t from = Log().size();
      win32::faults::Start({.at = at, .span = span});
      frequents.RefreshAll();
      win32::faults::Stop();
      refused += refused::Told(from, {L"\"kept through\" kept unchecked"});
      auto names = sorted(StoredNames());
      EXPECT_TRUE(std::find(names.begin(), names.end(), id) != names.end())
          << span << " refusals from call " << at;
    }
  EXPECT_GT(refused, 0) << "no run refused the template's lookup";
  Store(L"00DEAD", 1);
  CFrequentlyTemplates frequents;
  frequents.RefreshAll();
  EXPECT_EQ(std::vector<std::wstring>{id}, StoredNames()) << "a template that is gone";
}
