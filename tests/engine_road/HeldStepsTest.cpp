// Steps of the new-mail and recipient roads that Outlook refuses in runs: asked again, and
// still refused, nothing half-made goes on and the user is told by name.
#include <algorithm>
#include <set>

#include "platform/outlook/Inspector.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Faults.h"
#include "tests/engine_road/RoadTest.h"

using namespace mTanvelo;

namespace {

bool LoggedSince(size_t from, const std::wstring& procedure) {
  const auto& log = support::library::Log();
  for (size_t i = from; i < log.size(); ++i)
    if (log[i].procedure == procedure) return true;
  return false;
}

}  // namespace

// A mail meant for separate messages is made with that mode stored, or not made at all and
// the box names the template: stored nowhere, it would leave as one message to all.
TEST_F(RoadTest, ANewMailForSeparateMessagesKeepsItsModeOrIsNotMadeAndToldByName) {
  auto tmpl = AddTemplate(L"Invitation", outlook::olFormatPlain, L"Dear %FirstName%");
  auto clear = [&] {
    for (const auto& folder : {tvDrafts, p.drafts, p.deleted})
      for (const auto& item : ItemsOf(folder)) item->Delete();
  };
  auto make = [&] {
    world.picker.clear();
    world.picker.push_back({true, tmpl->EntryID(), kSendModeSeparate});
    world.picker.push_back({false, L"", 0});  // asked again: the user cancels
    bool focus = false;
    NewMailFromTemplate(L"", focus);
    win32::faults::Stop();
    while (p.app->Inspectors()->Count() > 0)
      p.app->Inspectors()->Item(1)->Close(outlook::olDiscard);
  };
  win32::faults::Start({.countOnly = true});
  make();
  win32::faults::Stop();
  const uint64_t calls = win32::faults::Counts().calls;
  ASSERT_EQ(1u, ItemsOf(tvDrafts).size());
  ASSERT_EQ(L"2", Prop(ItemsOf(tvDrafts)[0], kSendModeProperty));

  for (uint64_t span :
       {uint64_t{1}, uint64_t{kHeldTries} - 1, uint64_t{kHeldTries}, uint64_t{kHeldTries} + 1}) {
    int refusedForGood = 0;
    for (uint64_t at = 1; at <= calls; ++at) {
      clear();
      const size_t logged = support::library::Log().size(), boxes = Boxes().size();
      win32::faults::Start({.at = at, .span = span});
      make();
      const std::string where = std::to_string(span) + " calls from " + std::to_string(at);
      const auto made = ItemsOf(tvDrafts);
      for (const auto& mail : made) EXPECT_EQ(L"2", Prop(mail, kSendModeProperty)) << where;
      if (!LoggedSince(logged, L"mTanvelo::SetSendMode")) continue;
      ++refusedForGood;
      EXPECT_GE(span, uint64_t{kHeldTries}) << where << ": a refusal this short is asked again";
      EXPECT_TRUE(made.empty()) << where;
      EXPECT_TRUE(ItemsOf(p.drafts).empty()) << where << ": no copy of the template left";
      const auto all = Boxes();
      const std::vector<std::wstring> shown(all.begin() + static_cast<std::ptrdiff_t>(boxes),
                                            all.end());
      EXPECT_EQ(std::vector<std::wstring>{LangText(L"IDS_SEND_MODE_NOT_STORED", L"Invitation")},
                shown)
          << where;
    }
    EXPECT_EQ(span >= uint64_t{kHeldTries}, refusedForGood > 0) << span;
  }
}

// A template's recipients, To, Cc and Bcc, a contact and one-off addresses, reach the reply
// with their types, or no reply is made: a recipient Outlook refused past every try is named
// with the reply in the log and the user is told, after the box that promised them.
TEST_F(RoadTest, ATemplatesRecipientsReachTheReplyWithTheirTypesOrNoReplyIsMadeAndTold) {
  auto tmpl = AddTemplate(L"Meeting", outlook::olFormatPlain, L"See you");
  AddRecipient(tmpl, L"Lee Ann", outlook::olTo);
  AddRecipient(tmpl, L"Tom Hall <tom.hall@example.com>", outlook::olCC);
  AddRecipient(tmpl, L"Kim Roe <kim.roe@partner.example>", outlook::olBCC);
  auto reply = [&] {
    world.picker.assign(1, {false, L"", 0});  // the template refused as long: the user cancels
    int32_t action = kActionReply;
    DoTanvelo(p.plainMail, action, kSelWholeMail, tmpl->EntryID());
    win32::faults::Stop();
    while (p.app->Inspectors()->Count() > 0)
      p.app->Inspectors()->Item(1)->Close(outlook::olDiscard);
  };
  auto clear = [&] {
    for (const auto& folder : {tvDrafts, p.drafts, p.deleted})
      for (const auto& item : ItemsOf(folder)) item->Delete();
    p.plainMail->SetProp(outlook::PR_ICON_INDEX, int32_t{0});
  };
  auto copied = [](const ItemPtr& made) {
    std::set<std::wstring> names;
    for (const auto& r : *made->Recipients())
      names.insert(r->Name() + L":" + std::to_wstring(r->Type()));
    return names;
  };
  const std::set<std::wstring> promised{L"Lee Ann:1", L"Tom Hall:2", L"Kim Roe:3"};
  win32::faults::Start({.countOnly = true});
  reply();
  const uint64_t calls = win32::faults::Counts().calls;
  ASSERT_EQ(1u, ItemsOf(tvDrafts).size());
  ASSERT_TRUE(std::ranges::includes(copied(ItemsOf(tvDrafts)[0]), promised));

  for (uint64_t span :
       {uint64_t{1}, uint64_t{kHeldTries} - 1, uint64_t{kHeldTries}, uint64_t{kHeldTries} + 1}) {
    int refusedForGood = 0;
    for (uint64_t at = 1; at <= calls; ++at) {
      clear();
      const size_t logged = support::library::Log().size(), boxes = Boxes().size();
      win32::faults::Start({.at = at, .span = span});
      reply();
      const std::string where = std::to_string(span) + " calls from " + std::to_string(at);
      const auto made = ItemsOf(tvDrafts);
      for (const auto& mail : made)
        EXPECT_TRUE(std::ranges::includes(copied(mail), promised)) << where;
      if (!LoggedSince(logged, L"mTanvelo::CopyRecipients")) continue;
      ++refusedForGood;
      EXPECT_GE(span, uint64_t{kHeldTries}) << where << ": a refusal this short is asked again";
      EXPECT_TRUE(made.empty()) << where;
      EXPECT_TRUE(Logged(L"mTanvelo::InsertTemplate", L"could not be added to \"RE: ")) << where;
      const auto all = Boxes();
      const std::vector<std::wstring> shown(all.begin() + static_cast<std::ptrdiff_t>(boxes),
                                            all.end());
      EXPECT_EQ((std::vector<std::wstring>{LangText(L"STR_TMPL_PREADRESSED"),
                                           LangText(L"IDS_CANNOTFORWARD")}),
                shown)
          << where;
    }
    EXPECT_EQ(span >= uint64_t{kHeldTries}, refusedForGood > 0) << span;
  }
}

// A new mail is made and shown under refusals shorter than the tries; longer ones leave it
// shown, or made and told where it waits, or not made and told without blaming the template.
TEST_F(RoadTest, ANewMailIsShownOrNotKeptAndToldUnderRefusals) {
  auto tmpl = AddTemplate(L"Invitation", outlook::olFormatPlain, L"Dear %FirstName%");
  struct Run {
    size_t made;
    int32_t shown;
    std::vector<std::wstring> boxes;
  };
  auto make = [&](const win32::faults::Plan& plan) {
    for (const auto& folder : {tvDrafts, p.drafts, p.deleted})
      for (const auto& item : ItemsOf(folder)) item->Delete();
    world.picker.assign(1, {false, L"", 0});  // the template refused as long: the user cancels
    const size_t boxes = Boxes().size();
    win32::faults::Start(plan);
    bool focus = false;
    NewMailFromTemplate(tmpl->EntryID(), focus);
    win32::faults::Stop();
    // A copy whose removal was refused goes at the later rounds of the clock.
    win32::clock::Advance(60 * 1000);
    const auto all = Boxes();
    Run run{ItemsOf(tvDrafts).size(),
            p.app->Inspectors()->Count(),
            {all.begin() + static_cast<std::ptrdiff_t>(boxes), all.end()}};
    while (p.app->Inspectors()->Count() > 0)
      p.app->Inspectors()->Item(1)->Close(outlook::olDiscard);
    return run;
  };
  make({.countOnly = true});
  const uint64_t calls = win32::faults::Counts().calls;
  for (uint64_t span :
       {uint64_t{1}, uint64_t{kHeldTries} - 1, uint64_t{kHeldTries}, uint64_t{kHeldTries} + 1}) {
    int unmade = 0, waiting = 0;
    for (uint64_t at = 1; at <= calls; ++at) {
      const Run run = make({.at = at, .span = span});
      const std::string where = std::to_string(span) + " calls from " + std::to_string(at);
      const bool held = span < uint64_t{kHeldTries};
      EXPECT_TRUE(std::ranges::find(run.boxes, L"IDS_TEMPLATE_MERGE_FAILED") == run.boxes.end())
          << where << ": no merge to blame";
      if (run.made == 1 && run.shown == 1) {
        EXPECT_TRUE(run.boxes.empty()) << where;
        continue;
      }
      EXPECT_FALSE(held) << where << ": a refusal this short is asked again";
      if (run.made == 1) {
        ++waiting;
        EXPECT_EQ(std::vector<std::wstring>{L"IDS_NEWMAIL_NOT_OPENED"}, run.boxes) << where;
        EXPECT_TRUE(HasAddinStamp(ItemsOf(tvDrafts)[0])) << where;
        continue;
      }
      ++unmade;
      EXPECT_EQ(0, run.shown) << where;
      EXPECT_EQ(1u, run.boxes.size()) << where << ": nothing made, untold";
    }
    EXPECT_EQ(span >= uint64_t{kHeldTries}, unmade > 0) << span;
    EXPECT_EQ(span >= uint64_t{kHeldTries}, waiting > 0) << span;
  }
}

// The same for a forward from a template without recipients: shown, not sent, it leaves later
// from its window by the mode stored on it.
TEST_F(RoadTest, AForwardForSeparateMessagesKeepsItsModeOrIsNotMadeAndToldByName) {
  auto tmpl = AddTemplate(L"Passing on", outlook::olFormatPlain, L"Dear %FirstName%");
  auto clear = [&] {
    while (p.app->Inspectors()->Count() > 0)
      p.app->Inspectors()->Item(1)->Close(outlook::olDiscard);
    for (const auto& folder : {tvDrafts, p.drafts, p.deleted})
      for (const auto& item : ItemsOf(folder)) item->Delete();
  };
  auto forward = [&] {
    world.picker.clear();
    world.picker.push_back({true, tmpl->EntryID(), kSendModeSeparate});
    int32_t action = kActionForward;
    DoTanvelo(p.plainMail, action, kSelWholeMail, L"");
    win32::faults::Stop();
  };
  win32::faults::Start({.countOnly = true});
  forward();
  const uint64_t calls = win32::faults::Counts().calls;
  ASSERT_EQ(1u, ItemsOf(tvDrafts).size());
  for (uint64_t span : {uint64_t{kHeldTries} - 1, uint64_t{kHeldTries}}) {
    int refusedForGood = 0;
    for (uint64_t at = 1; at <= calls; ++at) {
      clear();
      const size_t logged = support::library::Log().size(), boxes = Boxes().size();
      win32::faults::Start({.at = at, .span = span});
      forward();
      const std::string where = std::to_string(span) + " calls from " + std::to_string(at);
      const auto made = ItemsOf(tvDrafts);
      for (const auto& mail : made) EXPECT_EQ(L"2", Prop(mail, kSendModeProperty)) << where;
      if (!LoggedSince(logged, L"mTanvelo::SetSendMode")) continue;
      ++refusedForGood;
      EXPECT_TRUE(made.empty()) << where;
      const auto all = Boxes();
      ASSERT_LT(boxes, all.size()) << where;
      EXPECT_EQ(LangText(L"IDS_SEND_MODE_NOT_STORED", L"FW: " + p.plainMail->Subject()), all.back())
          << where;
    }
    EXPECT_EQ(span >= uint64_t{kHeldTries}, refusedForGood > 0) << span;
  }
}
