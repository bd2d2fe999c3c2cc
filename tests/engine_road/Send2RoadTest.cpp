// Separate personalized messages: one copy per recipient, sent or filed as the user answered.
#include <set>

#include "engine/RoadSupport.h"
#include "platform/win32/Faults.h"
#include "tests/engine_road/RoadTest.h"

using namespace mTanvelo;

namespace {

class Send2Road : public RoadTest {
 protected:
  void SetUp() override {
    RoadTest::SetUp();
    // Exchange gives a moved item a new EntryID, also within the mailbox.
    p.session->SetMoveAlwaysChangesEntryID(true);
    tmpl = AddTemplate(L"Offer", outlook::olFormatPlain, L"Dear %FirstName%,\r\nour offer.\r\n");
  }

  // Reply to all to the plain mail (Kim Roe To, Lee Ann Cc) in send mode 2.
  bool ReplyAllSeparately() {
    world.picker.push_back({true, tmpl->EntryID(), kSendModeSeparate});
    int32_t action = kActionReplyAll;
    return DoTanvelo(p.plainMail, action, kSelWholeMail, L"");
  }

  static std::wstring Describe(const ItemPtr& item) {
    std::wstring text;
    for (const auto& r : *item->Recipients())
      text += r->Name() + L":" + std::to_wstring(r->Type()) + L" ";
    return text + item->Body().substr(0, item->Body().find(L','));
  }

  static std::vector<std::wstring> Describe(const std::vector<ItemPtr>& items) {
    std::vector<std::wstring> texts;
    for (const auto& item : items) texts.push_back(Describe(item));
    return texts;
  }

  ItemPtr tmpl;
};

}  // namespace

TEST_F(Send2Road, AnsweringNoSendsOneMessagePerRecipientWithItsOwnValues) {
  win32::msgbox::Answer(win32::IDNO);
  ASSERT_TRUE(ReplyAllSeparately());

  EXPECT_EQ(std::vector<std::wstring>{L"STR_MULTIMSGS_PROMPT"}, Boxes());
  EXPECT_EQ((std::vector<std::wstring>{L"Kim Roe:1 Dear Kim", L"Lee Ann:2 Dear Lee"}),
            Describe(ItemsOf(p.outbox)));
  for (const auto& sent : ItemsOf(p.outbox)) EXPECT_EQ(L"<none>", Prop(sent, kSendModeProperty));
  EXPECT_EQ(2, p.session->DeliverOutbox());
  // The prepared mail is gone for good, though the move gave it a new EntryID.
  EXPECT_TRUE(ItemsOf(tvDrafts).empty());
  EXPECT_TRUE(ItemsOf(p.deleted).empty());
  EXPECT_EQ(0, p.app->Inspectors()->Count());
  EXPECT_EQ(L"Load top=0 silent=0 ignore=0", world.jobCalls.at(0));
}

TEST_F(Send2Road, AnsweringYesFilesTheCopiesWithTheirDeliveryTimeAndShowsTheFolder) {
  win32::TIME_ZONE_INFORMATION zone;
  zone.Bias = -60;  // one hour east of UTC
  win32::clock::SetTimeZone(zone, win32::TIME_ZONE_ID_UNKNOWN);
  win32::msgbox::Answer(win32::IDYES);
  ASSERT_TRUE(ReplyAllSeparately());

  auto filed = ItemsOf(tvDrafts);
  EXPECT_EQ((std::vector<std::wstring>{L"Kim Roe:1 Dear Kim", L"Lee Ann:2 Dear Lee"}),
            Describe(filed));
  for (const auto& copy : filed) {
    auto when = copy->GetProp(outlook::PR_MESSAGE_DELIVERY_TIME);
    ASSERT_TRUE(std::holds_alternative<double>(when));
    // The prepared mail was never received: its creation time, turned into UTC.
    EXPECT_NEAR(copy->CreationTime() - 1.0 / 24, std::get<double>(when), 1e-6);
  }
  EXPECT_TRUE(ItemsOf(p.outbox).empty());
  EXPECT_EQ(tvDrafts, p.app->ActiveExplorer()->CurrentFolder());
}

TEST_F(Send2Road, EveryCopyFiledForAnEmptyFieldIsReported) {
  world.firstNames.erase(L"kim.roe@partner.example");  // the first copy lacks a value
  win32::msgbox::Answer(win32::IDNO);
  ASSERT_TRUE(ReplyAllSeparately());

  EXPECT_EQ(std::vector<std::wstring>{L"Kim Roe:1 Dear "}, Describe(ItemsOf(tvDrafts)));
  EXPECT_EQ(std::vector<std::wstring>{L"Lee Ann:2 Dear Lee"}, Describe(ItemsOf(p.outbox)));
  EXPECT_EQ(L"filed: 1 in Tanvelo Drafts", Boxes().back());
  EXPECT_EQ(tvDrafts, p.app->ActiveExplorer()->CurrentFolder());
}

// A copy the job could not fill at all is filed and counted like one with an empty field, and
// the log names the mail and its recipient: the box alone would not tell it from an empty one.
TEST_F(Send2Road, ACopyTheJobCouldNotFillIsFiledAndLoggedByName) {
  world.replaceAnswer = false;
  win32::msgbox::Answer(win32::IDNO);
  ASSERT_TRUE(ReplyAllSeparately());
  EXPECT_TRUE(ItemsOf(p.outbox).empty());
  EXPECT_EQ(L"filed: 2 in Tanvelo Drafts", Boxes().back());
  EXPECT_TRUE(
      Logged(L"mTanvelo::DoSend2Action",
             L"filed, its fields could not be filled: \"RE: Quarterly figures\" to Kim Roe"));
}

// Each call of the road refused once: a stop counts every copy the user finds in the Outbox,
// also one moved there whose sending was refused.
TEST_F(Send2Road, SendingThatStopsPartWayCountsWhatIsInTheOutbox) {
  auto run = [&](const win32::faults::Plan& plan) {
    SetUp();
    win32::msgbox::Answer(win32::IDNO);
    win32::faults::Start(plan);
    vb::Catch([&] { ReplyAllSeparately(); });
    win32::faults::Stop();
    vb::Err().Clear();
  };
  run({.countOnly = true});
  const uint64_t calls = win32::faults::Counts().calls;
  std::set<size_t> counted;
  for (uint64_t at = 1; at <= calls; ++at) {
    run({.at = at});
    const auto boxes = Boxes();
    if (boxes.empty() || boxes.back().rfind(L"stopped: ", 0) != 0) continue;
    const size_t inOutbox = ItemsOf(p.outbox).size();
    EXPECT_EQ(L"stopped: " + std::to_wstring(inOutbox) + L" of 2", boxes.back())
        << "refused at call " << at;
    counted.insert(inOutbox);
  }
  EXPECT_EQ(1u, counted.count(1)) << "a stop with one copy out is met";
}

TEST_F(Send2Road, SendingThatStopsPartWayTellsHowManyWentOut) {
  world.failReplaceAt = 2;  // the second copy's personalization fails
  win32::msgbox::Answer(win32::IDNO);
  ASSERT_TRUE(ReplyAllSeparately());

  EXPECT_EQ(1u, ItemsOf(p.outbox).size());
  EXPECT_EQ(L"stopped: 1 of 2", Boxes().back());
  // The prepared mail stays with every recipient.
  auto prepared = ItemsOf(tvDrafts);
  ASSERT_FALSE(prepared.empty());
  EXPECT_EQ(L"Kim Roe:1 Lee Ann:2 Dear %FirstName%", Describe(prepared.front()));
  EXPECT_TRUE(Logged(L"mTanvelo::DoSend2Action", L"the job failed"));
}

TEST_F(Send2Road, ListsAmongTheRecipientsBecomeOneMessagePerMember) {
  AddRecipient(tmpl, L"Support", outlook::olBCC);  // Kim Roe and Sam Poe
  world.firstNames[L"sam.poe@norvane.example"] = L"Sam";
  world.picker.push_back({true, tmpl->EntryID(), kSendModeSeparate});
  win32::msgbox::Answer(win32::IDOK);  // pre-addressed, every one gets a message
  win32::msgbox::Answer(win32::IDNO);  // send now
  int32_t action = kActionForward;
  ASSERT_TRUE(DoTanvelo(p.htmlMail, action, kSelWholeMail, L""));
  EXPECT_EQ((std::vector<std::wstring>{L"Kim Roe:3 Dear Kim", L"Sam Poe:3 Dear Sam"}),
            Describe(ItemsOf(p.outbox)));
}

TEST_F(Send2Road, AForwardWithoutTemplateRecipientsOpensForLaterSending) {
  world.picker.push_back({true, tmpl->EntryID(), kSendModeSeparate});
  int32_t action = kActionForward;
  ASSERT_TRUE(DoTanvelo(p.plainMail, action, kSelWholeMail, L""));
  auto made = ItemsOf(tvDrafts).at(0);
  EXPECT_EQ(L"2", Prop(made, kSendModeProperty));
  EXPECT_TRUE(made->OpenInspector());
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(0, world.replaces) << "not personalized yet";
}

namespace {
class FakeWrapper : public IInspectorWrapper {
 public:
  explicit FakeWrapper(std::shared_ptr<outlook::Inspector> i) : inspector(std::move(i)) {}
  std::shared_ptr<outlook::Inspector> GetInspector() override { return inspector; }
  void Done() override { ++done; }
  std::shared_ptr<outlook::Inspector> inspector;
  int done = 0;
};
}  // namespace

TEST_F(Send2Road, TheSendOfAnOpenMailChecksAsksAndFinishes) {
  struct Case {
    const wchar_t* name;
    std::vector<std::wstring> recipients;
    std::wstring body;
    bool loadAnswer;
    int answer;  // 0: no question expected
    bool show;
    size_t sent, filed;
    bool replaceAnswer = true;
  };
  for (const auto& c : std::vector<Case>{
           {L"no recipients", {}, L"Hi", true, 0, true, 0, 0},
           {L"unresolved", {L"Nobody Known"}, L"Hi", true, 0, true, 0, 0},
           {L"value prompt cancelled",
            {L"Kim Roe <kim.roe@partner.example>"},
            L"Hi %FirstName%",
            false,
            0,
            true,
            0,
            0},
           {L"one without tokens",
            {L"Kim Roe <kim.roe@partner.example>"},
            L"Hi",
            true,
            0,
            false,
            1,
            0},
           {L"one with tokens, sent",
            {L"Kim Roe <kim.roe@partner.example>"},
            L"Hi %FirstName%",
            true,
            win32::IDNO,
            false,
            1,
            0},
           {L"one with tokens, kept",
            {L"Kim Roe <kim.roe@partner.example>"},
            L"Hi %FirstName%",
            true,
            win32::IDYES,
            false,
            0,
            1},
           // The job wrote nothing: the tokens would go out as they are.
           {L"one with tokens, not filled",
            {L"Kim Roe <kim.roe@partner.example>"},
            L"Hi %FirstName%",
            true,
            win32::IDNO,
            false,
            0,
            1,
            false},
       }) {
    SCOPED_TRACE(c.name);
    Start(L"14.0.0.4760");
    world.loadAnswer = c.loadAnswer;
    world.replaceAnswer = c.replaceAnswer;
    auto mail = p.app->CreateItem(outlook::olMailItem);
    mail->SetSubject(L"Hello");
    mail->SetBody(c.body);
    for (const auto& r : c.recipients) mail->Recipients()->Add(r)->Resolve();
    // Outlook would send the plain mail as TNEF: the mark must be gone from what leaves.
    auto safe = std::make_shared<redemption::SafeMailItem>();
    safe->SetItem(mail);
    const uint32_t tnef = safe->GetIDsFromNames(outlook::PSETID_Common, 0x8582, true) | 0x000B;
    safe->SetFields(tnef, true);
    safe->SetFields(outlook::PR_MSG_EDITOR_FORMAT, 1);
    safe->SetItem(nullptr);
    mail->Save();
    mail = mail->Move(tvDrafts);
    mail->Display(false);
    auto wrapper = std::make_shared<FakeWrapper>(mail->GetInspector());
    if (c.answer) win32::msgbox::Answer(c.answer);
    bool bShow = false;
    DoSend2Action(mail, kSendActionSend, kSendModeOne, bShow, false, wrapper, nullptr, nullptr);
    EXPECT_EQ(c.show, bShow);
    EXPECT_EQ(c.sent, ItemsOf(p.outbox).size());
    EXPECT_EQ(c.filed + (c.show ? 1 : 0), ItemsOf(tvDrafts).size());
    EXPECT_EQ(c.show ? 0 : 1, wrapper->done);
    EXPECT_EQ(0u, win32::msgbox::PendingAnswers());
    if (c.answer) {
      EXPECT_EQ(L"STR_SINGLEMSG_PROMPT", Boxes().at(0));
    }
    if (!c.replaceAnswer) {
      EXPECT_EQ(L"filed: 1 in Tanvelo Drafts", Boxes().back());
    }
    if (!c.show) {
      auto finished = ItemsOf(c.sent ? p.outbox : tvDrafts).at(0);
      EXPECT_EQ(outlook::PropValue(false), finished->GetProp(tnef));
    }
  }
}

TEST_F(Send2Road, AFailureAfterTheQuestionIsToldNotLeftSilent) {
  // The user answered, the mail's window closed, then the road broke before anything went out.
  vb::UnregisterComponent(L"Redemption.MAPIUtils");
  win32::msgbox::Answer(win32::IDNO);
  ReplyAllSeparately();
  EXPECT_TRUE(ItemsOf(p.outbox).empty());
  ASSERT_FALSE(Boxes().empty());
  EXPECT_EQ(L"failed: nothing went out", Boxes().back());
}

TEST_F(Send2Road, AMissingMailIsLoggedNotFollowed) {
  // An inspector whose mail is already gone.
  auto wrapper = std::make_shared<FakeWrapper>(nullptr);
  bool bShow = true;
  DoSend2Action(nullptr, kSendActionSend, kSendModeSeparate, bShow, false, wrapper, nullptr,
                nullptr);
  EXPECT_FALSE(bShow);
  EXPECT_TRUE(Logged(L"mTanvelo::DoSend2Action"));
  EXPECT_TRUE(Boxes().empty());
  EXPECT_FALSE(IsTemplateActionRunning());
}

TEST_F(Send2Road, EveryCopyFiledForAnEmptyFieldIsCountedInTheReport) {
  world.firstNames.erase(L"kim.roe@partner.example");
  world.firstNames.erase(L"lee.ann@norvane.example");
  win32::msgbox::Answer(win32::IDNO);
  ASSERT_TRUE(ReplyAllSeparately());
  EXPECT_EQ(2u, ItemsOf(tvDrafts).size());
  EXPECT_TRUE(ItemsOf(p.outbox).empty());
  EXPECT_EQ(L"filed: 2 in Tanvelo Drafts", Boxes().back());
}

TEST_F(Send2Road, SeparateSendingIsRefusedWhileAnotherTemplateActionRuns) {
  road::ActionGuard running(L"another action");
  ASSERT_TRUE(IsTemplateActionRunning());
  auto wrapper = std::make_shared<FakeWrapper>(nullptr);
  bool bShow = true;
  DoSend2Action(p.plainMail, kSendActionSend, kSendModeSeparate, bShow, false, wrapper, nullptr,
                nullptr);
  EXPECT_FALSE(bShow);
  EXPECT_TRUE(Logged(L"mTanvelo::DoSend2Action", L"still running"));
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(ItemsOf(p.outbox).empty());
  EXPECT_TRUE(IsTemplateActionRunning()) << "the running action keeps its mark";
}

TEST_F(Send2Road, AMailWhoseTextCannotBeReadIsNotSentStaysInDraftsAndIsTold) {
  // Nothing is sent unread: the user is told, and the mail waits in the drafts folder with its
  // send mode, for a later Send Drafts.
  world.textUnread = true;
  EXPECT_TRUE(ReplyAllSeparately());
  EXPECT_EQ(std::vector<std::wstring>{L"failed: nothing went out"}, Boxes());
  ASSERT_EQ(1u, ItemsOf(tvDrafts).size());
  EXPECT_EQ(L"2", Prop(ItemsOf(tvDrafts)[0], kSendModeProperty));
  EXPECT_TRUE(ItemsOf(p.outbox).empty());
  EXPECT_EQ(0, p.app->Inspectors()->Count());

  // The same for a new mail made for separate sending to its template's recipients.
  AddRecipient(tmpl, L"Kim Roe <kim.roe@partner.example>");
  win32::msgbox::Answer(win32::IDOK);  // pre-addressed
  world.picker.push_back({true, tmpl->EntryID(), kSendModeSeparate});
  bool focus = false;
  NewMailFromTemplate(L"", focus);
  EXPECT_EQ(L"failed: nothing went out", Boxes().back());
  EXPECT_EQ(2u, ItemsOf(tvDrafts).size());
  EXPECT_TRUE(ItemsOf(p.outbox).empty());
  EXPECT_EQ(0, p.app->Inspectors()->Count());
}

// One refusal anywhere in either send mode never leaves a mail waiting in the Outbox that was
// never submitted: the user would take it for sent, and it would never go. Nor
// does a mail go there with the add-in's send mode mark, however long the refusals. A single
// message Outlook will not send at all goes back to the drafts, and the box says it waits there.
TEST_F(Send2Road, NothingWaitsInTheOutboxUnsubmittedAfterOneRefusal) {
  int toldWaiting = 0;
  for (const int32_t mode : {kSendModeOne, kSendModeSeparate}) {
    auto run = [&](const win32::faults::Plan& plan) {
      SetUp();
      win32::msgbox::Answer(win32::IDNO);
      // One message: a draft of the user's handed to the Send; separate: a reply to all.
      auto draft = p.app->CreateItem(outlook::olMailItem);
      draft->SetSubject(L"Note");
      draft->Recipients()->Add(p.kimRoe->Name())->SetEntry(p.kimRoe);
      draft->Save();
      draft = draft->Move(tvDrafts);
      world.picker.push_back({true, tmpl->EntryID(), mode});
      win32::faults::Start(plan);
      vb::Catch([&] {
        int32_t action = kActionReplyAll;
        bool show = false;
        if (mode == kSendModeOne)
          DoSend2Action(draft, kSendActionSend, mode, show, false, nullptr, nullptr, nullptr);
        else
          DoTanvelo(p.plainMail, action, kSelWholeMail, L"");
      });
      win32::faults::Stop();
      vb::Err().Clear();
    };
    run({.countOnly = true});
    const uint64_t calls = win32::faults::Counts().calls;
    for (const uint64_t span : {uint64_t{1}, uint64_t{kHeldTries}})
      for (uint64_t at = 1; at <= calls; ++at) {
        run({.at = at, .span = span});
        for (const auto& item : ItemsOf(p.outbox)) {
          const auto flags = item->GetProp(outlook::PR_MESSAGE_FLAGS);
          const int32_t* value = std::get_if<int32_t>(&flags);
          const std::string where = "mode " + std::to_string(mode) + ", refused " +
                                    std::to_string(span) + "x at call " + std::to_string(at) +
                                    ": " + win32::ToAnsi(Describe(item));
          // Refused for good, separate sending may leave one waiting, told; never once.
          if (span == 1 || mode == kSendModeOne) {
            EXPECT_TRUE(value && (*value & outlook::MSGFLAG_SUBMIT) != 0) << where;
          }
          // The add-in's mark never leaves with a mail.
          EXPECT_EQ(L"<none>", Prop(item, kSendModeProperty)) << where;
        }
        if (mode == kSendModeOne && !Boxes().empty() && Boxes().back().starts_with(L"not sent")) {
          EXPECT_EQ(L"not sent: waits in Tanvelo Drafts", Boxes().back());
          EXPECT_EQ(1u, ItemsOf(tvDrafts).size());
          ++toldWaiting;
        }
      }
  }
  EXPECT_GT(toldWaiting, 0);
}
