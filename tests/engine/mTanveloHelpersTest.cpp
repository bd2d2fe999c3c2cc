// The small mail helpers: HTML from text, deleting, moving, reloading, recipients before a
// send, the time-zone bias, the sample folder and the reply icon.
#include <algorithm>
#include <set>

#include "EngineTest.h"
#include "engine/mStandardTemplates.h"
#include "engine/mTanvelo.h"
#include "engine/mTanveloRoad.h"
#include "platform/outlook/AddressBook.h"
#include "platform/outlook/Recipients.h"
#include "platform/outlook/UserProperties.h"
#include "platform/redemption/SafeItem.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Faults.h"
#include "platform/win32/MessageBox.h"
#include "tests/common/Log.h"

using namespace mTanvelo;

namespace {
class Helpers : public EngineTest {
 protected:
  static const std::wstring kHead, kTail;
  static bool Contains(const std::shared_ptr<outlook::MAPIFolder>& folder,
                       const std::wstring& subject) {
    for (const auto& item : folder->Items()->All())
      if (item->Subject() == subject) return true;
    return false;
  }
};
const std::wstring Helpers::kHead = L"<HTML><BODY><P><FONT size=2><FONT face=\"Courier New\">";
const std::wstring Helpers::kTail = L"</FONT><BR></FONT></P></BODY></HTML>";
}  // namespace

TEST_F(Helpers, Txt2HtmlEscapesAngleBracketsAndBreaksAtCarriageReturns) {
  EXPECT_EQ(kHead + L"a&lt;b<BR>\nc" + kTail, Txt2Html(L"a<b\r\nc"));
  EXPECT_EQ(kHead + kTail, Txt2Html(L""));
  EXPECT_EQ(kHead + L"x &gt; y &amp; z<BR>" + kTail, Txt2Html(L"x > y &amp; z\r"));
}

TEST_F(Helpers, DeleteItemOnceOrForGood) {
  auto once = AddMail(p.drafts, L"once");
  auto twice = AddMail(p.drafts, L"twice");
  p.session->SetMoveAlwaysChangesEntryID(true);  // the second step must use the new EntryID
  DeleteItem(once, false);
  DeleteItem(twice, true);
  EXPECT_FALSE(Contains(p.drafts, L"once"));
  EXPECT_FALSE(Contains(p.drafts, L"twice"));
  EXPECT_TRUE(Contains(p.deleted, L"once"));
  EXPECT_FALSE(Contains(p.deleted, L"twice"));
  EXPECT_FALSE(Logged(L"mTanvelo::DeleteItem(first delete)"));
  EXPECT_FALSE(Logged(L"mTanvelo::DeleteItem(second delete)"));

  DeleteItem(nullptr, true);
  EXPECT_TRUE(Logged(L"mTanvelo::DeleteItem(first delete)"));
  EXPECT_FALSE(Logged(L"mTanvelo::DeleteItem(second delete)"));
}

// Refused for as long as the held tries and one more, from each call: the deletion is asked
// again at a later moment, so nothing stays in Drafts or Deleted Items; refused for good, it is
// logged by the item's subject.
TEST_F(Helpers, ADeletionRefusedPastItsTriesIsAskedAgainLater) {
  for (bool forGood : {false, true})
    for (uint64_t span : {uint64_t{kHeldTries}, uint64_t{kHeldTries} + 1})
      for (uint64_t at = 1; at <= 8; ++at) {
        auto copy = AddMail(p.drafts, L"passing");
        win32::faults::Start({.at = at, .span = span});
        DeleteItem(copy, forGood);
        win32::faults::Stop();
        win32::clock::Advance(1000);
        const std::string where = std::to_string(span) + " from " + std::to_string(at);
        EXPECT_FALSE(Contains(p.drafts, L"passing")) << where;
        EXPECT_EQ(!forGood, Contains(p.deleted, L"passing")) << where;
        for (const auto& item : p.deleted->Items()->All()) item->Delete();
      }
  auto copy = AddMail(p.drafts, L"held for good");
  win32::faults::Start({.at = 1, .span = 100000});
  DeleteItem(copy, true);
  win32::clock::Advance(10000);
  win32::faults::Stop();
  EXPECT_TRUE(testlog::LoggedContaining(L"mTanvelo::AskLater", L"not done - the passing copy \""));
}

// One round every 250 ms whoever asks: a step asked for while another waits shares its rounds,
// so a refusal that lasts 1.5 s is outlasted (kHeldTries rounds) and each step is tried once a
// round.
TEST_F(Helpers, StepsLeftForLaterShareOneRoundAndOutlastARefusalOfOneAndAHalfSeconds) {
  const struct {
    uint32_t askedAt, freeAt;  // ms
  } steps[] = {{0, 1500}, {100, 1600}, {400, 2000}};
  int tries[3] = {}, done[3] = {};
  const uint32_t start = win32::GetTickCount();
  for (int i = 0; i < 3; ++i) {
    win32::clock::Advance(steps[i].askedAt - (win32::GetTickCount() - start));
    AskLater(L"step " + std::to_wstring(i), [&, i] {
      ++tries[i];
      if (win32::GetTickCount() - start < steps[i].freeAt) return false;
      ++done[i];
      return true;
    });
  }
  win32::clock::Advance(5000);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(1, done[i]);
    // Rounds at 250, 500, ... from the first step's asking: one try each until it is free.
    EXPECT_EQ(static_cast<int>((steps[i].freeAt + 249) / 250 - steps[i].askedAt / 250), tries[i]);
  }
  EXPECT_FALSE(testlog::LoggedContaining(L"mTanvelo::AskLater", L"not done"));
  EXPECT_EQ(0u, win32::clock::PendingTimers());
}

TEST_F(Helpers, RecipientsAreCheckedBeforeSending) {
  g_oLang = std::make_shared<CLang>();
  g_oLang->ItemSet(L"STR_NORECIPIENTS_PROMPT", L"No recipients.");
  g_oLang->ItemSet(L"STR_NORECIPIENTS_TITLE", L"Sending '%s'");
  g_oLang->ItemSet(L"STR_CANT_RESOLVE_PROMPT", L"Cannot resolve.");
  g_oLang->ItemSet(L"STR_CANT_RESOLVE_TITLE", L"Recipients of '%s'");
  g_oLang->ItemSet(L"STR_UNTITLED_MAIL", L"(no subject)");
  auto mail = AddMail(p.drafts, L"");

  EXPECT_FALSE(CheckRecipientsBeforeSend(mail, false, true));
  EXPECT_TRUE(win32::msgbox::Shown().empty());

  win32::msgbox::Answer(win32::IDOK);
  EXPECT_FALSE(CheckRecipientsBeforeSend(mail, false, false));
  ASSERT_EQ(1u, win32::msgbox::Shown().size());
  EXPECT_EQ(L"No recipients.", win32::msgbox::Shown()[0].text);
  EXPECT_EQ(L"Sending '(no subject)'", win32::msgbox::Shown()[0].caption);
  EXPECT_EQ(win32::MB_SETFOREGROUND, win32::msgbox::Shown()[0].style);

  mail->SetSubject(L"Offer");
  mail->Recipients()->Add(L"kim.roe@partner.example");
  mail->Recipients()->Add(L"Nobody Known");
  auto safe = GetSafeItem(mail);
  win32::msgbox::Answer(win32::IDOK);
  EXPECT_FALSE(CheckRecipientsBeforeSend(safe, true, false));
  ASSERT_EQ(2u, win32::msgbox::Shown().size());
  EXPECT_EQ(L"Cannot resolve.", win32::msgbox::Shown()[1].text);
  EXPECT_EQ(L"Recipients of 'Offer'", win32::msgbox::Shown()[1].caption);
  EXPECT_EQ(win32::MB_TOPMOST, win32::msgbox::Shown()[1].style);

  mail->Recipients()->Remove(2);
  EXPECT_TRUE(CheckRecipientsBeforeSend(mail, true, false));
  EXPECT_TRUE(mail->Recipients()->Item(1)->Resolved());
  EXPECT_EQ(2u, win32::msgbox::Shown().size());
}

TEST_F(Helpers, TimeZoneBias) {
  struct Row {
    const char* what;
    uint32_t answer;
    int32_t plain, daylight;
  } rows[] = {
      {"standard time", win32::TIME_ZONE_ID_STANDARD, 300, 300},
      {"daylight time", win32::TIME_ZONE_ID_DAYLIGHT, 300, 240},
      {"zone without daylight saving", win32::TIME_ZONE_ID_UNKNOWN, 300, 300},
      {"failed call", win32::TIME_ZONE_ID_INVALID, 0, 0},
  };
  for (const auto& row : rows) {
    win32::TIME_ZONE_INFORMATION zone;
    zone.Bias = 300;
    zone.StandardBias = 0;
    zone.DaylightBias = -60;
    win32::clock::SetTimeZone(zone, row.answer);
    EXPECT_EQ(row.plain, GetTimeZoneBias(false)) << row.what;
    EXPECT_EQ(row.daylight, GetTimeZoneBias(true)) << row.what;
  }
  win32::TIME_ZONE_INFORMATION india;
  india.Bias = -330;
  win32::clock::SetTimeZone(india, win32::TIME_ZONE_ID_UNKNOWN);
  EXPECT_EQ(-330, GetTimeZoneBias(true));
}

TEST_F(Helpers, MoveItemToFolderMovesOnlyWhenElsewhere) {
  auto mail = AddMail(p.drafts, L"m");
  EXPECT_EQ(mail, MoveItemToFolder(mail, p.drafts));
  auto moved = MoveItemToFolder(mail, templates);
  ASSERT_TRUE(moved);
  EXPECT_EQ(templates, moved->Parent());
  EXPECT_FALSE(Contains(p.drafts, L"m"));
  EXPECT_FALSE(vb::Catch([&] { MoveItemToFolder(nullptr, templates); }));
}

TEST_F(Helpers, ReloadItemSavesAndFetchesAgain) {
  auto mail = p.app->CreateItem(outlook::olMailItem);
  mail->SetSubject(L"unsaved");
  auto item = mail;
  ReloadItem(item);
  ASSERT_TRUE(item);
  EXPECT_FALSE(item->EntryID().empty());
  EXPECT_EQ(L"unsaved", item->Subject());
  EXPECT_TRUE(item->Saved());

  auto gone = AddMail(p.drafts, L"gone");
  auto dead = gone;
  gone->Delete();
  ReloadItem(dead);
  EXPECT_EQ(nullptr, dead);
  EXPECT_EQ(0, vb::Err().Number());
}

TEST_F(Helpers, NewMessageSampleFolderIsShownWhenItExists) {
  EXPECT_EQ(nullptr, GetNewMessageTemplatesFolder());
  ShowNewMessageTemplatesFolder();
  EXPECT_EQ(p.inbox, p.app->ActiveExplorer()->CurrentFolder());

  auto standard = templates->Folders()->Add(L"Standard Templates");
  auto news = standard->Folders()->Add(L"New Message Templates");
  EXPECT_EQ(news, GetNewMessageTemplatesFolder());
  ShowNewMessageTemplatesFolder();
  EXPECT_EQ(news, p.app->ActiveExplorer()->CurrentFolder());

  ShowFolder(p.drafts);
  EXPECT_EQ(p.drafts, p.app->ActiveExplorer()->CurrentFolder());
  ShowFolder(nullptr);  // errors are ignored
  EXPECT_EQ(p.drafts, p.app->ActiveExplorer()->CurrentFolder());
  EXPECT_EQ(0, vb::Err().Number());
}

TEST_F(Helpers, ReplyIconAndSenderName) {
  struct Row {
    int32_t action;
    outlook::PropValue icon;
  } rows[] = {{1, int32_t{261}}, {2, int32_t{261}}, {4, int32_t{262}}, {8, {}}};
  for (const auto& row : rows) {
    auto mail =
        outlook::AddReceivedMail(p.inbox, p.kimRoe, L"answered", outlook::olFormatPlain, L"text");
    SetOriginalReplyIcon(mail, row.action);
    EXPECT_EQ(row.icon, mail->GetProp(outlook::PR_ICON_INDEX)) << row.action;
  }
  EXPECT_EQ(p.kimRoe->Name(), SafeGetSenderName(p.plainMail));
  redemption::Uninstall();
  EXPECT_EQ(L"", SafeGetSenderName(p.plainMail));
  EXPECT_TRUE(Logged(L"mTanvelo::SafeGetSenderName"));
}

TEST_F(Helpers, ATemplateListMemberWithoutAnAddressCostsOnlyItself) {
  auto tmpl = AddMail(templates, L"with a list");
  auto list = std::make_shared<outlook::AddressEntry>(L"Team", L"team@norvane.example", L"SMTP");
  list->AddMember(
      std::make_shared<outlook::AddressEntry>(L"jo@bloggs.example", L"jo@bloggs.example", L"SMTP"));
  // An Exchange entry with no SMTP address: nothing to address a reply's copy to.
  list->AddMember(std::make_shared<outlook::AddressEntry>(L"Ghost", L"/O=X/CN=GHOST", L"EX"));
  list->AddMember(
      std::make_shared<outlook::AddressEntry>(L"sam@poe.example", L"sam@poe.example", L"SMTP"));
  auto r = tmpl->Recipients()->Add(L"Team");
  r->SetEntry(list);
  r->SetType(outlook::olCC);
  tmpl->Recipients()->Add(L"kim.roe@partner.example")->Resolve();

  auto reply = AddMail(p.inbox, L"reply");
  std::wstring unresolved;
  EXPECT_EQ(3, CopyRecipients(*reply->Recipients(), *tmpl->Recipients(), unresolved));
  std::vector<std::wstring> names;
  for (const auto& copied : *reply->Recipients())
    names.push_back(copied->Name() + L"|" + std::to_wstring(copied->Type()));
  EXPECT_EQ(names, (std::vector<std::wstring>{L"jo@bloggs.example|2", L"sam@poe.example|2",
                                              L"kim.roe@partner.example|1"}));
  EXPECT_EQ(L"", unresolved);
  EXPECT_TRUE(Logged(L"mTanvelo::CopyRecipients", L"member without address left out - 'Ghost'"));
}

TEST_F(Helpers, AHeldStepOutlastsOneRefusalFewerThanItsTriesAndIsToldPastThem) {
  for (int refusals : {kHeldTries - 1, kHeldTries}) {
    int calls = 0;
    auto step = [&] {
      if (++calls <= refusals) vb::Raise(static_cast<int32_t>(0x80004005), L"held");
    };
    const size_t logged = support::library::Log().size();
    const bool done = Insist(L"Helpers::Held", step);
    EXPECT_EQ(refusals < kHeldTries, done) << refusals << " refusals";
    EXPECT_EQ(refusals < kHeldTries ? refusals + 1 : kHeldTries, calls) << refusals;
    EXPECT_EQ(done ? logged : logged + 1, support::library::Log().size()) << refusals;
    if (!done) {
      EXPECT_EQ(L"held", support::library::Log().back().text);
    }
    EXPECT_EQ(0, vb::Err().Number()) << "nothing left for the next trap";
    vb::Err().Clear();
  }
}

TEST_F(Helpers, ASendModeOrHotkeyMarkRefusedAMomentIsWrittenAndPastItsTriesToldByName) {
  // Without them a reply is sent as the default would send it, and a template shows no key.
  struct Mark {
    const char* what;
    std::function<void(const ItemPtr&)> write;
    std::function<bool(const ItemPtr&)> written;
    const wchar_t *procedure, *told;
  } marks[] = {
      {"send mode", [](const ItemPtr& item) { SetSendMode(item, 1, true); },
       [](const ItemPtr& item) { return GetSendMode(item) == 1; }, L"mTanvelo::SetSendMode",
       L"The send mode of \"Quarterly figures\" not done"},
      {"hotkey", [](const ItemPtr& item) { SetHotkeyProperties(item, L"Ctrl+Alt+K", L"Reply"); },
       [](const ItemPtr& item) {
         auto p = item->UserProperties()->Find(kHotkeyProperty);
         return p && p->Value() == L"Ctrl+Alt+K";
       },
       L"mTanvelo::SetHotkeyProperties",
       L"The hotkey Ctrl+Alt+K of \"Quarterly figures\" not done"},
      {"send mode removed", [](const ItemPtr& item) { RemoveSendMode(item, true); },
       [](const ItemPtr& item) {
         return !item->UserProperties()->Find(L"Norvane.Tanvelo.SendMode");
       },
       L"mTanvelo::RemoveSendMode", L"The send mode's removal of \"Quarterly figures\" not done"},
      {"replied mark", [](const ItemPtr& item) { SetOriginalReplyIcon(item, 1); },
       [](const ItemPtr& item) {
         auto icon = item->GetProp(outlook::PR_ICON_INDEX);
         return std::get_if<int32_t>(&icon) && *std::get_if<int32_t>(&icon) == 261;
       },
       L"mTanvelo::SetOriginalReplyIcon", L"The replied mark of \"Quarterly figures\" not done"},
      // Unsaved, a favourite mark is gone once the template is let go.
      {"favourite", [](const ItemPtr& item) { MarkFavoriteTemplate(item, true); },
       [](const ItemPtr& item) { return IsFavoriteTemplate(item); },
       L"mTanvelo::MarkFavoriteTemplate", L"The favourite mark of \"Quarterly figures\" not done"},
      {"favourite removed", [](const ItemPtr& item) { UnmarkFavoriteTemplate(item, true); },
       [](const ItemPtr& item) { return !IsFavoriteTemplate(item); },
       L"mTanvelo::UnmarkFavoriteTemplate",
       L"The favourite mark's removal of \"Quarterly figures\" not done"},
  };
  for (const auto& mark : marks)
    for (uint64_t refusals : {uint64_t{kHeldTries} - 1, uint64_t{1000}}) {  // a moment, for good
      auto item = AddMail(templates, L"Quarterly figures");
      if (std::string(mark.what) == "send mode removed") SetSendMode(item, 1, true);
      if (std::string(mark.what) == "favourite removed") MarkFavoriteTemplate(item, true);
      win32::faults::Start({.at = 1, .span = refusals});
      mark.write(item);
      win32::faults::Stop();
      const bool held = refusals < uint64_t{kHeldTries};
      if (held) {
        EXPECT_EQ(refusals, win32::faults::Counts().raised) << mark.what;
      }
      if (held) {
        EXPECT_TRUE(mark.written(item) && item->Saved()) << mark.what;
      }
      EXPECT_EQ(!held, testlog::LoggedContaining(mark.procedure, mark.told))
          << mark.what << refusals;
      vb::Err().Clear();
    }
}

TEST_F(Helpers, AnItemsMoveRefusedAMomentIsAskedAgainAndPastItsTriesRaised) {
  // A reply left half way in Drafts would look like a finished one.
  for (uint64_t refusals : {uint64_t{kHeldTries} - 1, uint64_t{1000}}) {
    auto item = AddMail(p.inbox, L"moved");
    ItemPtr moved;
    win32::faults::Start({.at = 1, .span = refusals});
    const bool done = vb::Catch([&] { moved = MoveItemToFolder(item, p.drafts); });
    win32::faults::Stop();
    EXPECT_EQ(refusals < uint64_t{kHeldTries}, done) << refusals;
    if (done) {
      ASSERT_TRUE(moved);
      EXPECT_EQ(p.drafts->EntryID(),
                moved->Parent()
                    ? std::dynamic_pointer_cast<outlook::MAPIFolder>(moved->Parent())->EntryID()
                    : L"");
    }
    vb::Err().Clear();
  }
}

// The recipients' count, Add, SetType and Resolve refused: fewer times than the tries, each
// template recipient reaches the reply once with its type; longer, one still refused is named
// and not left behind, and none arrives twice. One that does not resolve on the reply is taken
// off again and named as unresolved.
TEST_F(Helpers, TemplateRecipientsArriveOnceWithTheirTypeOrAreNamedUnderRefusals) {
  auto tmpl = AddMail(templates, L"pre-addressed");
  tmpl->Recipients()->Add(L"kim.roe@partner.example")->Resolve();
  auto cc = tmpl->Recipients()->Add(L"Tom Hall <tom.hall@example.com>");
  cc->Resolve();
  cc->SetType(outlook::olCC);
  tmpl->Recipients()->Add(L"Lee")->SetEntry(
      std::make_shared<outlook::AddressEntry>(L"Lee", L"lee", L"SMTP"));
  std::wstring unresolved, refused;
  auto copy = [&](const win32::faults::Plan& plan) {
    auto reply = AddMail(p.inbox, L"reply");
    win32::faults::Start(plan);
    CopyRecipients(*reply->Recipients(), *tmpl->Recipients(), unresolved, &refused);
    win32::faults::Stop();
    std::multiset<std::wstring> names;
    for (const auto& r : *reply->Recipients())
      names.insert(r->Name() + L"|" + std::to_wstring(r->Type()));
    reply->Delete();
    return names;
  };
  const auto whole = copy({.countOnly = true});
  const uint64_t calls = win32::faults::Counts().calls;
  ASSERT_EQ((std::multiset<std::wstring>{L"kim.roe@partner.example|1", L"Tom Hall|2"}), whole);
  ASSERT_EQ(L"Lee", unresolved);
  for (uint64_t span : {uint64_t{1}, uint64_t{kHeldTries} - 1, uint64_t{kHeldTries}}) {
    int refusedForGood = 0;
    for (uint64_t at = 1; at <= calls; ++at) {
      const auto names = copy({.at = at, .span = span});
      const std::string where = std::to_string(span) + " calls from " + std::to_string(at);
      if (refused.empty()) {
        EXPECT_EQ(whole, names) << where;
        EXPECT_EQ(L"Lee", unresolved) << where;
        continue;
      }
      ++refusedForGood;
      EXPECT_TRUE(std::ranges::includes(whole, names)) << where << ": none twice, none half set";
      for (const auto& name : names)
        EXPECT_EQ(std::wstring::npos, refused.find(name.substr(0, name.find(L'|'))))
            << where << ": a refused one named, yet there";
    }
    EXPECT_EQ(span >= uint64_t{kHeldTries}, refusedForGood > 0) << span;
  }
}
