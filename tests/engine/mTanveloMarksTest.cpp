// What makes an item a template and how it is marked: stamp, send mode, hotkey properties,
// favourite mark by Outlook version, the default template, lookups and duplicates.
#include <functional>

#include "EngineTest.h"
#include "core/COptions.h"
#include "engine/mTanvelo.h"
#include "engine/mTanveloRoad.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Faults.h"
#include "tests/common/RefusedWrites.h"

using namespace mTanvelo;

namespace {
class Marks : public EngineTest {
 protected:
  bool FolderField(const std::wstring& name) const {
    for (const auto& field : templates->UserDefinedFields())
      if (field == name) return true;
    return false;
  }
};
}  // namespace

TEST_F(Marks, FavouriteMarkByVersion) {
  struct Row {
    const wchar_t* version;
    std::wstring mileageSet;
    int32_t flagSet, iconSet;
    std::wstring mileageCleared;
    int32_t iconCleared;
  } rows[] = {
      // 2007 and later set only Mileage and clear all three fields.
      {L"14.0.0.4760", L"1", 1, 3, L"", 0},
      {L"12.0.0.6423", L"1", 1, 3, L"", 0},
      // 2002 and 2003 use the flag and its icon, and leave Mileage alone.
      {L"11.0.5510", L"x", 2, 5, L"x", 0},
      {L"10.0.2627", L"x", 2, 5, L"x", 0},
  };
  for (const auto& row : rows) {
    Start(row.version);
    auto t = AddMail(templates, L"t");
    t->SetMileage(L"x");
    t->SetFlagStatus(1);
    t->SetFlagIcon(3);
    t->Save();
    if (row.mileageSet == L"1") t->SetMileage(L"");
    MarkFavoriteTemplate(t, true);
    EXPECT_TRUE(t->Saved());
    EXPECT_TRUE(IsFavoriteTemplate(t)) << row.version;
    EXPECT_EQ(row.mileageSet, t->Mileage()) << row.version;
    EXPECT_EQ(row.flagSet, t->FlagStatus()) << row.version;
    EXPECT_EQ(row.iconSet, t->FlagIcon()) << row.version;
    UnmarkFavoriteTemplate(t, false);
    EXPECT_FALSE(t->Saved());
    EXPECT_FALSE(IsFavoriteTemplate(t)) << row.version;
    EXPECT_EQ(row.mileageCleared, t->Mileage()) << row.version;
    EXPECT_EQ(0, t->FlagStatus()) << row.version;
    EXPECT_EQ(row.iconCleared, t->FlagIcon()) << row.version;
  }
}

TEST_F(Marks, Outlook2000HasNoFlagIconAndNothingRaises) {
  Start(L"9.0.0.2711");
  auto t = AddMail(templates, L"t");
  MarkFavoriteTemplate(t, true);
  EXPECT_EQ(2, t->FlagStatus());
  EXPECT_TRUE(IsFavoriteTemplate(t));
  UnmarkFavoriteTemplate(t, true);
  EXPECT_FALSE(IsFavoriteTemplate(t));
  EXPECT_EQ(0, vb::Err().Number());
}

TEST_F(Marks, StampSendModeAndHotkeyProperties) {
  auto t = AddMail(templates, L"t");
  EXPECT_EQ(L"", GetAddinProperty(t));
  EXPECT_FALSE(HasAddinStamp(t));
  SetAddinProperty(t, L"TANVELO", true);
  EXPECT_TRUE(HasAddinStamp(t));  // compared without regard to case
  EXPECT_TRUE(t->Saved());
  SetAddinProperty(t, L"Other", false);
  EXPECT_FALSE(HasAddinStamp(t));
  SetAddinProperty(t, L"", false);
  EXPECT_EQ(nullptr, t->UserProperties()->Find(kAddinProperty));

  EXPECT_EQ(1, GetSendMode(t));
  SetSendMode(t, 2, false);
  EXPECT_EQ(L"2", t->UserProperties()->Find(kSendModeProperty)->Value());
  EXPECT_EQ(2, GetSendMode(t));
  t->UserProperties()->Find(kSendModeProperty)->SetValue(L"abc");
  EXPECT_EQ(0, GetSendMode(t));
  EXPECT_TRUE(Logged(L"mTanvelo::GetSendMode"));
  RemoveSendMode(t, true);
  EXPECT_EQ(1, GetSendMode(t));

  SetHotkeyProperties(t, L"Ctrl+Alt+R", L"Reply to all with");
  EXPECT_TRUE(t->Saved());
  EXPECT_EQ(L"Ctrl+Alt+R", t->UserProperties()->Find(kHotkeyProperty)->Value());
  EXPECT_EQ(L"Reply to all with", t->UserProperties()->Find(kHotkeyActionProperty)->Value());
  RemoveHotkeyProperties(t, true);
  EXPECT_EQ(nullptr, t->UserProperties()->Find(kHotkeyProperty));
  EXPECT_EQ(nullptr, t->UserProperties()->Find(kHotkeyActionProperty));

  // Only the hotkey properties and the send mode become folder fields the view can show.
  EXPECT_TRUE(FolderField(kHotkeyProperty));
  EXPECT_TRUE(FolderField(kHotkeyActionProperty));
  EXPECT_TRUE(FolderField(kSendModeProperty));
  EXPECT_FALSE(FolderField(kAddinProperty));
}

// A stamp Outlook refuses a moment is still written and read; refused past every try, the
// caller knows it, for an unstamped mail's Send would fill no fields.
TEST_F(Marks, TheStampOutlastsARunOfRefusalsOrItsRefusalIsKnown) {
  auto t = AddMail(templates, L"t");
  for (uint64_t at = 1; at <= 6; ++at) {
    ASSERT_TRUE(SetAddinProperty(t, L"", true));
    win32::faults::Start({.at = at, .span = 3});
    EXPECT_TRUE(SetAddinProperty(t, L"Tanvelo", true)) << "3 calls from " << at << " failing";
    EXPECT_TRUE(HasAddinStamp(t)) << "3 calls from " << at << " failing";
    win32::faults::Stop();
    EXPECT_TRUE(t->Saved());
  }

  win32::faults::Start({.at = 1, .span = 1000});
  std::wstring stamp = L"before";
  EXPECT_FALSE(ReadAddinProperty(t, stamp));
  EXPECT_EQ(L"", stamp);
  EXPECT_FALSE(SetAddinProperty(t, L"", false));
  EXPECT_FALSE(SetAddinProperty(t, L"Other", true));
  win32::faults::Stop();
  EXPECT_EQ(0, vb::Err().Number());
  EXPECT_TRUE(ReadAddinProperty(t, stamp));
  EXPECT_EQ(L"Tanvelo", stamp);
}

TEST_F(Marks, DefaultTemplateIsAFavouriteAndKeepsTheMarkWhenCleared) {
  auto t = AddMail(templates, L"default");
  EXPECT_FALSE(IsDefaultTemplate(L""));
  SetDefaultTemplate(t);
  EXPECT_EQ(t->EntryID(), Options().DefaultTemplateID());
  EXPECT_TRUE(IsDefaultTemplate(t->EntryID()));
  EXPECT_FALSE(IsDefaultTemplate(vb::LCase(t->EntryID())));
  EXPECT_TRUE(IsFavoriteTemplate(t));
  EXPECT_TRUE(t->Saved());
  ClearDefaultTemplate();
  EXPECT_EQ(L"", Options().DefaultTemplateID());
  EXPECT_FALSE(IsDefaultTemplate(t->EntryID()));
  EXPECT_FALSE(IsDefaultTemplate(L""));
  EXPECT_TRUE(IsFavoriteTemplate(t));
}

TEST_F(Marks, ADefaultTemplateSetUnderRegistryRefusalsIsStoredOrTold) {
  auto t = AddMail(templates, L"default");
  const std::wstring id = t->EntryID(), profile = Options().GetProfileRegPath();
  refused::SweepBoth(
      {[&] {
         Options().SetDefaultTemplateID(L"");
         UnmarkFavoriteTemplate(t, true);
       },
       [&] { SetDefaultTemplate(t); },
       [&] { return Options().DefaultTemplateID() == id && IsFavoriteTemplate(t); },
       [&](size_t from) {
         return refused::Told(
             from, {L"not written", profile + L" \"DefaultTemplateID\"", L"\"" + id + L"\""});
       }});
  // Clearing it likewise: a default left standing would still answer the one-click commands.
  refused::SweepBoth(
      {[&] { Options().SetDefaultTemplateID(id); }, [&] { ClearDefaultTemplate(); },
       [&] { return Options().DefaultTemplateID().empty() && !IsDefaultTemplate(id); },
       [&](size_t from) {
         return refused::Told(from, {L"not written", profile + L" \"DefaultTemplateID\" = \"\""});
       }});
}

TEST_F(Marks, ADefaultNotSetStillMakesTheTemplateAFavouriteAndKeepsTheFormerDefault) {
  // A step refused past its tries (the template's EntryID, the option's write) is skipped: the
  // mark is still given, and the former default is never replaced by an empty one.
  auto t = AddMail(templates, L"default");
  const std::wstring id = t->EntryID();
  auto undo = [&] {
    Options().SetDefaultTemplateID(L"FORMER");
    UnmarkFavoriteTemplate(t, true);
  };
  undo();
  win32::faults::Start({.countOnly = true});
  SetDefaultTemplate(t);
  win32::faults::Stop();
  const uint64_t calls = win32::faults::Counts().calls;
  int notSet = 0;
  for (uint64_t at = 1; at <= calls; ++at) {
    undo();
    win32::faults::Start({.at = at, .span = kHeldTries});
    const bool set = SetDefaultTemplate(t);
    win32::faults::Stop();
    const std::wstring now = Options().DefaultTemplateID();
    EXPECT_TRUE(now == id || now == L"FORMER") << "refused from call " << at << ": " << now;
    if (now == id) continue;
    ++notSet;
    EXPECT_FALSE(set) << "refused from call " << at;
    EXPECT_TRUE(IsFavoriteTemplate(t)) << "refused from call " << at;
  }
  EXPECT_GT(notSet, 0);
}

TEST_F(Marks, WhatCountsAsATemplate) {
  auto sub = templates->Folders()->Add(L"Sub");
  auto deep = sub->Folders()->Add(L"Deeper");
  auto inRoot = AddMail(templates, L"root");
  auto inDeep = AddMail(deep, L"deep");
  auto post = templates->Items()->Add(outlook::olPostItem);
  post->Save();
  auto sent = AddMail(templates, L"sent");
  sent->SetSentFlag(true);
  auto outside = AddMail(p.drafts, L"outside");

  EXPECT_TRUE(IsTemplateItem(inRoot));
  EXPECT_TRUE(IsTemplateItem(inDeep));
  EXPECT_FALSE(IsTemplateItem(post));
  EXPECT_FALSE(IsTemplateItem(sent));
  EXPECT_FALSE(IsTemplateItem(outside));
  EXPECT_FALSE(IsTemplateItem(nullptr));

  EXPECT_TRUE(IsTemplateFolder(templates));
  EXPECT_TRUE(IsTemplateFolder(deep));
  EXPECT_FALSE(IsTemplateFolder(p.inbox));
  EXPECT_FALSE(IsTemplateFolder(p.secondInbox));

  EXPECT_EQ(inDeep, GetTemplate(inDeep->EntryID()));
  EXPECT_EQ(nullptr, GetTemplate(sent->EntryID()));
  EXPECT_EQ(nullptr, GetTemplate(outside->EntryID()));
  EXPECT_EQ(nullptr, GetTemplate(L"00DEAD"));
  EXPECT_EQ(0, vb::Err().Number());

  g_oTemplatesFolder.reset();  // no templates folder yet: nothing is a template
  EXPECT_FALSE(IsTemplateItem(inRoot));
  EXPECT_EQ(nullptr, GetTemplate(inRoot->EntryID()));
  EXPECT_FALSE(IsTemplateFolder(templates));
  EXPECT_TRUE(Logged(L"mTanvelo::IsTemplateFolder"));
}

TEST_F(Marks, DuplicateIsStampedUnboundAndUniquelyNamed) {
  auto sub = templates->Folders()->Add(L"Offers");
  auto t = AddMail(sub, L"Bob's offer");
  SetHotkeyProperties(t, L"Ctrl+Alt+B", L"Tanvelo");
  AddMail(sub, L"Bob's offer1");
  const size_t before = sub->Items()->Count();

  OpenTemplateDuplicate(t->EntryID());

  ASSERT_EQ(before + 1, static_cast<size_t>(sub->Items()->Count()));
  auto copy = sub->Items()->Find(L"[Subject] = 'Bob''s offer2'");
  ASSERT_TRUE(copy);
  EXPECT_NE(t->EntryID(), copy->EntryID());
  EXPECT_TRUE(HasAddinStamp(copy));
  EXPECT_EQ(nullptr, copy->UserProperties()->Find(kHotkeyProperty));
  EXPECT_EQ(nullptr, copy->UserProperties()->Find(kHotkeyActionProperty));
  EXPECT_TRUE(copy->Saved());
  ASSERT_TRUE(copy->GetInspector());
  EXPECT_EQ(copy, copy->GetInspector()->CurrentItem());
  // The template itself is unchanged.
  EXPECT_EQ(L"Bob's offer", t->Subject());
  EXPECT_FALSE(HasAddinStamp(t));
  EXPECT_EQ(L"Ctrl+Alt+B", t->UserProperties()->Find(kHotkeyProperty)->Value());

  OpenTemplateDuplicate(L"00DEAD");  // no such template: nothing happens
  EXPECT_EQ(before + 1, static_cast<size_t>(sub->Items()->Count()));
}

TEST_F(Marks, NewTemplateSubjects) {
  auto folder = templates->Folders()->Add(L"Subjects");
  struct Row {
    std::wstring subject, expected;
  } rows[] = {
      {L"Untitled", L"Untitled1"},
      {L"Report 123456789", L"Report 123456790"},
      {L"Offer 7", L"Offer 8"},
      {L"it's", L"it's1"},
      {L"", L"1"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(row.expected, GetNewTemplateSubject(folder->EntryID(), row.subject));

  AddMail(folder, L"Untitled1");
  AddMail(folder, L"Untitled2");
  AddMail(folder, L"it's1");
  EXPECT_EQ(L"Untitled3", GetNewTemplateSubject(folder->EntryID(), L"Untitled"));
  EXPECT_EQ(L"it's2", GetNewTemplateSubject(folder->EntryID(), L"it's"));
  // A folder that cannot be opened gives the base without its number, logged.
  EXPECT_EQ(L"Untitled", GetNewTemplateSubject(L"00DEAD", L"Untitled5"));
  EXPECT_TRUE(Logged(L"mTanvelo::GetNewTemplateSubject"));
}

// A duplicate is never given the name of the template it copies because Outlook was busy.
TEST_F(Marks, ANewTemplateSubjectOutlastsARunOfRefusals) {
  auto folder = templates->Folders()->Add(L"Subjects");
  AddMail(folder, L"Offer1");
  win32::faults::Start({.countOnly = true});
  ASSERT_EQ(L"Offer2", GetNewTemplateSubject(folder->EntryID(), L"Offer"));
  win32::faults::Stop();
  const uint64_t calls = win32::faults::Counts().calls;
  for (uint64_t at = 1; at <= calls; ++at) {
    win32::faults::Start({.at = at, .span = uint64_t{kHeldTries} - 1});
    EXPECT_EQ(L"Offer2", GetNewTemplateSubject(folder->EntryID(), L"Offer")) << at;
    win32::faults::Stop();
  }
  EXPECT_FALSE(Logged(L"mTanvelo::GetNewTemplateSubject"));
}

TEST_F(Marks, DisplayTemplateLogsAndRunsModalWindows) {
  auto t = AddMail(templates, L"t");
  bool shown = false;
  p.app->QueueModalInspectorScript([&](std::shared_ptr<outlook::Inspector> inspector) {
    shown = inspector->CurrentItem() == t;
    inspector->Close(outlook::olDiscard);
  });
  DisplayTemplate(t, true);
  EXPECT_TRUE(shown);
  EXPECT_TRUE(Logged(L"mTanvelo::DisplayTemplate", L"oTemplate.Display bModal:= true"));
  EXPECT_TRUE(Logged(L"mTanvelo::DisplayTemplate", L"DoEvents"));
  DisplayTemplate(nullptr, false);
  EXPECT_TRUE(Logged(L"mTanvelo::DisplayTemplate", L"oTemplate.Display bModal:= false"));
  EXPECT_EQ(3, support::library::Log().back().level);
}

// A favourite mark, its removal, or a hotkey's removal Outlook refuses a moment is still saved;
// refused past every try, an error names the template, for the change is gone once the item is
// let go.
TEST_F(Marks, MarksOutlastARunOfRefusalsOrAreTold) {
  for (const wchar_t* version : {L"14.0.0.4760", L"11.0.5510"}) {
    Start(version);
    auto t = AddMail(templates, L"marked one");
    struct Step {
      std::function<void()> undo, step;
      std::function<bool()> done;
    } steps[] = {
        {[&] { UnmarkFavoriteTemplate(t, true); }, [&] { MarkFavoriteTemplate(t, true); },
         [&] { return IsFavoriteTemplate(t); }},
        {[&] { MarkFavoriteTemplate(t, true); }, [&] { UnmarkFavoriteTemplate(t, true); },
         [&] { return !IsFavoriteTemplate(t); }},
        {[&] { SetHotkeyProperties(t, L"Ctrl+Alt+K", L"Reply"); },
         [&] { RemoveHotkeyProperties(t, true); },
         [&] { return t->UserProperties()->Find(kHotkeyProperty) == nullptr; }},
    };
    for (auto& s : steps) {
      s.undo();
      win32::faults::Start({.countOnly = true});
      s.step();
      win32::faults::Stop();
      const uint64_t calls = win32::faults::Counts().calls;
      for (uint64_t at = 1; at <= calls; ++at) {
        s.undo();
        win32::faults::Start({.at = at, .span = static_cast<uint64_t>(kHeldTries) - 1});
        s.step();
        win32::faults::Stop();
        EXPECT_TRUE(s.done() && t->Saved()) << version << ": refused from call " << at;
        s.undo();
        const size_t from = support::library::Log().size();
        win32::faults::Start({.at = at, .span = 1000});
        s.step();
        win32::faults::Stop();
        EXPECT_TRUE(refused::Told(from, {L"\"marked one\" not done"}))
            << version << ": refused from call " << at;
        EXPECT_EQ(0, vb::Err().Number());
      }
    }
  }
}

// The click that clears the default reads which template is the default: that read refused
// past its tries must not set the default again without a word.
TEST_F(Marks, AToggleWhoseReadOfTheDefaultIsRefusedChangesNothingUntold) {
  auto t = AddMail(templates, L"Offer");
  const std::wstring id = t->EntryID();
  SetDefaultTemplate(t);
  win32::faults::Start({.countOnly = true});
  ToggleDefaultTemplate(t, id);
  win32::faults::Stop();
  const uint64_t calls = win32::faults::Counts().calls;
  ASSERT_GT(calls, 0u);
  int told = 0;
  for (uint64_t span : {uint64_t{kHeldTries} - 1, uint64_t{kHeldTries}})
    for (uint64_t at = 1; at <= calls; ++at) {
      SetDefaultTemplate(t);
      const size_t from = support::library::Log().size();
      win32::faults::Start({.at = at, .span = span});
      ToggleDefaultTemplate(t, id);
      win32::faults::Stop();
      const std::string where = std::to_string(span) + " calls from " + std::to_string(at);
      if (!IsDefaultTemplate(id)) continue;  // cleared
      EXPECT_GE(span, uint64_t{kHeldTries}) << where;
      const bool toldNow = refused::Told(from, {L"default template", L"Offer"}) ||
                           refused::Told(from, {L"not written", L"\"DefaultTemplateID\""});
      EXPECT_TRUE(toldNow) << where << ": still the default, untold";
      told += toldNow;
    }
  EXPECT_GT(told, 0);
}

// A template made under refusals of its stamp is still made, and the log names it.
TEST_F(Marks, ATemplateMadeWithoutItsStampIsToldByName) {
  auto t = AddMail(templates, L"Offer");
  const std::wstring id = t->EntryID();
  auto clear = [&] {
    for (const auto& item : templates->Items()->All())
      if (item->Subject() != L"Offer") item->Delete();
    while (p.app->Inspectors()->Count() > 0)
      p.app->Inspectors()->Item(1)->Close(outlook::olDiscard);
  };
  const std::function<void()> makers[] = {[&] { OpenTemplateDuplicate(id); },
                                          [&] { NewTemplate(templates); }};
  int unstamped = 0;
  for (const auto& make : makers) {
    clear();
    win32::faults::Start({.countOnly = true});
    make();
    win32::faults::Stop();
    const uint64_t calls = win32::faults::Counts().calls;
    for (uint64_t at = 1; at <= calls; ++at) {
      clear();
      const size_t from = support::library::Log().size();
      win32::faults::Start({.at = at, .span = kHeldTries});
      make();
      win32::faults::Stop();
      for (const auto& item : templates->Items()->All()) {
        if (item->Subject() == L"Offer" || HasAddinStamp(item)) continue;
        ++unstamped;
        EXPECT_TRUE(refused::Told(from, {L"without the program's stamp", item->Subject()}))
            << "refused from call " << at << ": " << win32::ToAnsi(item->Subject());
      }
    }
  }
  EXPECT_GT(unstamped, 0);
}

// Refused the removal of the original's hotkey properties, a duplicate is still made (the
// binding is the original's, in the registry), and the log names it by its own subject.
TEST_F(Marks, ADuplicateRefusedItsHotkeyRemovalIsKeptAndIsToldByName) {
  auto t = AddMail(templates, L"Offer");
  SetHotkeyProperties(t, L"Ctrl+Alt+O", L"Reply");
  const std::wstring id = t->EntryID();
  auto clear = [&] {
    for (const auto& item : templates->Items()->All())
      if (item->EntryID() != id) item->Delete();
    while (p.app->Inspectors()->Count() > 0)
      p.app->Inspectors()->Item(1)->Close(outlook::olDiscard);
  };
  win32::faults::Start({.countOnly = true});
  OpenTemplateDuplicate(id);
  win32::faults::Stop();
  const uint64_t calls = win32::faults::Counts().calls;
  int notMade = 0, keptTold = 0;
  for (uint64_t at = 1; at <= calls; ++at) {
    clear();
    const size_t from = support::library::Log().size();
    win32::faults::Start({.at = at, .span = kHeldTries});
    OpenTemplateDuplicate(id);
    win32::faults::Stop();
    bool made = false;
    for (const auto& item : templates->Items()->All()) {
      if (item->EntryID() == id) continue;
      made = true;
      if (item->UserProperties()->Find(kHotkeyProperty)) {
        EXPECT_TRUE(refused::Told(from, {L"Offer1", L"not removed"}))
            << "refused from call " << at << ": " << win32::ToAnsi(item->Subject());
        ++keptTold;
      }
    }
    if (!made && refused::Told(from, {L"Offer1", L"not made"})) ++notMade;
  }
  EXPECT_GT(notMade, 0);
  EXPECT_GT(keptTold, 0);
  EXPECT_EQ(L"Ctrl+Alt+O", t->UserProperties()->Find(kHotkeyProperty)->Value());
}
