// Send in a mail window: a mail the program made is personalized and goes out as one message or
// one per recipient; any other mail is left to Outlook; what cannot be done is told.
#include <algorithm>

#include "core/COptions.h"
#include "dialogs/mForms.h"
#include "engine/RoadSupport.h"
#include "engine/mTanvelo.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Faults.h"
#include "tests/common/Log.h"
#include "tests/inspector_ui/InspectorTest.h"

namespace {

class Send : public InspectorTest {
 protected:
  void Start(const std::wstring& version, bool word = false) {
    InspectorTest::Start(version, word);
    questions = 0;
    mForms::ConnectEngineServices();
    // The send-or-keep question: No sends now.
    win32::msgbox::SetDefaultAnswerer([this](const win32::ShownMessageBox& box) {
      if ((box.style & 0xF) == win32::MB_OK) return win32::IDOK;
      if ((box.style & 0xF) != win32::MB_YESNO)
        throw win32::UnscriptedPrompt("unexpected question: " + win32::ToAnsi(box.text));
      ++questions;
      return win32::IDNO;
    });
  }
  void SetUp() override { Start(kV2003); }

  // Presses Send in the mail's window: false when Outlook's own sending was stopped.
  static bool PressSend(const ItemPtr& mail) {
    bool cancel = false;
    mail->Events().Send.Raise(cancel);
    if (!cancel) mail->Send();
    return !cancel;
  }
  std::vector<std::wstring> OutboxBodies() const {
    std::vector<std::wstring> bodies;
    for (const auto& item : ItemsOf(p.outbox)) bodies.push_back(item->To() + L": " + item->Body());
    return bodies;
  }
  int questions = 0;
};

TEST_F(Send, AMailNotMadeByTheProgramIsLeftToOutlook) {
  auto mail = tvDrafts->Items()->Add(outlook::olMailItem);
  mail->SetBody(L"Dear %FirstName%");
  AddRecipient(mail, L"Kim Roe");
  mail->Save();
  auto wrapper = Open(mail);
  ASSERT_TRUE(wrapper);
  mail->Send();
  ASSERT_EQ(1u, ItemsOf(p.outbox).size());
  EXPECT_EQ(L"Dear %FirstName%", ItemsOf(p.outbox)[0]->Body());  // untouched
  EXPECT_TRUE(Logged(L"CInspectorWrapper::m_oMail_Send", L"AddinOwner not me"));
  EXPECT_EQ(0, questions);
}

TEST_F(Send, AMadeMailGoesOutPersonalizedAsOneMessageOrOnePerRecipient) {
  for (int32_t mode : {mTanvelo::kSendModeOne, mTanvelo::kSendModeSeparate}) {
    SCOPED_TRACE(mode);
    Start(kV2003);
    auto mail = MadeMail(L"Offer", L"Dear %FirstName%", mode, {L"Kim Roe", L"Lee Ann"});
    auto wrapper = Open(mail);
    ASSERT_TRUE(wrapper);
    mail->Send();
    EXPECT_TRUE(Logged(L"CInspectorWrapper::m_oMail_Send", L"AddinOwner is me"));
    EXPECT_EQ(1, questions);
    EXPECT_FALSE(wrapper->GetInspector());  // the window closed and the wrapper ended
    auto out = OutboxBodies();
    if (mode == mTanvelo::kSendModeOne) {
      ASSERT_EQ(1u, out.size());
      EXPECT_EQ(L"Kim Roe; Lee Ann: Dear Kim, Lee", out[0]);
    } else {
      ASSERT_EQ(2u, out.size());
      EXPECT_EQ(L"Kim Roe: Dear Kim", out[0]);
      EXPECT_EQ(L"Lee Ann: Dear Lee", out[1]);
    }
    EXPECT_TRUE(ItemsOf(tvDrafts).empty());
  }
}

TEST_F(Send, MessagesTheUserKeepsAreFiledPersonalizedNotSent) {
  win32::msgbox::SetDefaultAnswerer([](const win32::ShownMessageBox& box) {
    return (box.style & 0xF) == win32::MB_YESNO ? win32::IDYES : win32::IDOK;
  });
  auto mail = MadeMail(L"Offer", L"Dear %FirstName%", 2, {L"Kim Roe", L"Lee Ann"});
  auto wrapper = Open(mail);
  mail->Send();
  EXPECT_TRUE(ItemsOf(p.outbox).empty());
  std::vector<std::wstring> filed;
  for (const auto& item : ItemsOf(tvDrafts)) filed.push_back(item->To() + L": " + item->Body());
  std::sort(filed.begin(), filed.end());
  EXPECT_EQ((std::vector<std::wstring>{L"Kim Roe: Dear Kim", L"Lee Ann: Dear Lee"}), filed);
  EXPECT_FALSE(wrapper->GetInspector());
}

TEST_F(Send, InWordTheSendIsStoppedAndProcessedAMomentLater) {
  Start(kV2003, true);
  auto mail = MadeMail(L"Offer", L"Dear %FirstName%", 1, {L"Kim Roe"});
  auto wrapper = Open(mail);
  ASSERT_TRUE(wrapper->State().OldWordMail);
  EXPECT_FALSE(PressSend(mail));
  EXPECT_TRUE(ItemsOf(p.outbox).empty());
  EXPECT_TRUE(wrapper->GetInspector());
  win32::clock::Advance(249);
  EXPECT_TRUE(ItemsOf(p.outbox).empty());
  win32::clock::Advance(1);
  ASSERT_EQ(1u, ItemsOf(p.outbox).size());
  EXPECT_EQ(L"Dear Kim", ItemsOf(p.outbox)[0]->Body());
  // The questions come to the front of Word's window.
  ASSERT_FALSE(win32::msgbox::Shown().empty());
  EXPECT_TRUE(win32::msgbox::Shown().back().style & 0x10000);
}

TEST_F(Send, ASendThatCannotBeProcessedIsToldAndTheMailStaysOpenUnsent) {
  auto mail = MadeMail(L"Offer", L"Dear %FirstName%", 1, {L"Kim Roe"});
  auto wrapper = Open(mail);
  lib.reset();  // no personalization library: no job can be made
  EXPECT_FALSE(PressSend(mail));
  EXPECT_TRUE(ItemsOf(p.outbox).empty());
  ASSERT_TRUE(wrapper->GetInspector());
  ASSERT_EQ(1u, Boxes().size());
  EXPECT_EQ(LangText(L"STR_SEND_NOT_PROCESSED"), Boxes()[0]);
  EXPECT_TRUE(
      Logged(L"CInspectorWrapper::ProcessPersonalizationsAndSend", L"no personalization job"));
  // Once the library is back, the same window sends: the wrapper still hears the mail.
  lib = std::make_shared<RL_CLib>();
  lib->Init(L"Tanvelo Templates", nullptr, L"Software\\Norvane\\Tanvelo\\Personalization");
  mail->Send();
  ASSERT_EQ(1u, ItemsOf(p.outbox).size());
  EXPECT_EQ(L"Dear Kim", ItemsOf(p.outbox)[0]->Body());
}

// The stamp is read again at Send when the window took the mail for another's. Refused there,
// a mail whose stamp the opening could not read either is stopped and told by its cause; one
// the opening read and found no stamp on (the user's own) leaves as it is, logged.
TEST_F(Send, AStampRefusedAtSendStopsOnlyAMailWhoseStampWasNeverRead) {
  // A made mail opened while its stamp is refused past every try: the first refusal run of
  // the opening that leaves a wrapper taking the mail for another's.
  auto openUnread = [&](const ItemPtr& mail) -> WrapperPtr {
    for (uint64_t at = 1; at <= 40; ++at) {
      win32::faults::Start({.addinOnly = true, .at = at, .span = kHeldTries});
      auto wrapper = Open(mail);
      win32::faults::Stop();
      vb::Err().Clear();
      if (wrapper && !wrapper->State().IsAddinItem) return wrapper;
      if (wrapper) wrapper->GetInspector()->Close(outlook::olDiscard);
    }
    return nullptr;
  };
  struct Case {
    const char* name;
    bool made;                       // else the user's own, opened and read
    std::vector<std::wstring> sent;  // at the Send refused
    std::vector<const wchar_t*> boxes;
  };
  const Case cases[] = {
      {"made, never read", true, {}, {L"STR_SEND_OWNER_NOT_READ"}},
      {"the user's own", false, {L"Kim Roe: Dear %FirstName%"}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Start(kV2003);
    ItemPtr mail;
    WrapperPtr wrapper;
    if (c.made) {
      mail = MadeMail(L"Offer", L"Dear %FirstName%", 1, {L"Kim Roe"});
      wrapper = openUnread(mail);
    } else {
      mail = tvDrafts->Items()->Add(outlook::olMailItem);
      mail->SetBody(L"Dear %FirstName%");
      AddRecipient(mail, L"Kim Roe");
      mail->Save();
      wrapper = Open(mail);
    }
    ASSERT_TRUE(wrapper);
    win32::faults::Start({.addinOnly = true, .at = 1, .span = 1000});
    PressSend(mail);
    win32::faults::Stop();
    EXPECT_EQ(c.sent, OutboxBodies());
    std::vector<std::wstring> boxes;
    for (const wchar_t* id : c.boxes) boxes.push_back(LangText(id));
    EXPECT_EQ(boxes, Boxes());
    if (!c.made) continue;
    EXPECT_TRUE(Logged(L"CInspectorWrapper::m_oMail_Send", L"stamp could not be read"));
    // Asked again, the same window sends it personalized.
    EXPECT_FALSE(PressSend(mail));
    ASSERT_EQ(1u, ItemsOf(p.outbox).size());
    EXPECT_EQ(L"Dear Kim", ItemsOf(p.outbox)[0]->Body());
  }
}

TEST_F(Send, ASendDuringAnotherTemplateActionWaitsForItAndThenRuns) {
  auto mail = MadeMail(L"Offer", L"Dear %FirstName%", 1, {L"Kim Roe"});
  auto wrapper = Open(mail);
  {
    mTanvelo::road::ActionGuard other(L"a reply being made");
    ASSERT_TRUE(other);
    EXPECT_FALSE(PressSend(mail));
    win32::clock::Advance(1000);  // the other action still runs (its box is open)
    EXPECT_TRUE(ItemsOf(p.outbox).empty());
    EXPECT_TRUE(Boxes().empty());
  }
  win32::clock::Advance(250);  // the deferred-action form looks again
  ASSERT_EQ(1u, ItemsOf(p.outbox).size());
  EXPECT_EQ(L"Dear Kim", ItemsOf(p.outbox)[0]->Body());
  EXPECT_FALSE(wrapper->GetInspector());
}

TEST_F(Send, AWindowClosedWhileItsSendWaitsSendsNothing) {
  auto mail = MadeMail(L"Offer", L"Dear %FirstName%", 1, {L"Kim Roe"});
  auto wrapper = Open(mail);
  {
    mTanvelo::road::ActionGuard other(L"a reply being made");
    EXPECT_FALSE(PressSend(mail));
    wrapper->GetInspector()->Close(outlook::olDiscard);
  }
  win32::clock::Advance(1000);
  EXPECT_TRUE(ItemsOf(p.outbox).empty());
  EXPECT_FALSE(wrapper->GetInspector());
}

TEST_F(Send, OnOutlook2007And2010WithoutTheOldBarsSendIsStillHandled) {
  for (const wchar_t* version : {kV2007, kV2010}) {
    Start(version, true);
    auto mail = MadeMail(L"Offer", L"Dear %FirstName%", 2, {L"Kim Roe", L"Lee Ann"});
    auto wrapper = Open(mail);
    EXPECT_FALSE(wrapper->OwnToolbar());  // nothing built
    EXPECT_FALSE(PressSend(mail));
    win32::clock::Advance(250);
    EXPECT_EQ(2u, ItemsOf(p.outbox).size()) << version;
  }
}

}  // namespace

namespace {

TEST_F(InspectorTest, AWindowOfAnotherItemGetsNoWrapper) {
  EXPECT_FALSE(Open(p.kimContact));
  auto inspector = p.app->Inspectors()->Item(p.app->Inspectors()->Count());
  CInspectorWrapper wrapper;
  EXPECT_FALSE(wrapper.Init(inspector, false));
  EXPECT_FALSE(wrapper.GetInspector());
}

TEST_F(InspectorTest, AMailWindowWhoseItemIsHeldAMomentStillGetsItsWrapperAndARunOfRefusalsIsTold) {
  for (uint64_t refusals : {uint64_t{kHeldTries - 1}, uint64_t{1000}}) {
    auto inspector = p.app->Inspectors()->Add(p.plainMail, false);
    auto wrapper = std::make_shared<CInspectorWrapper>();
    win32::faults::Start({.at = 1, .span = refusals});
    const bool taken = wrapper->Init(inspector, false);
    win32::faults::Stop();
    const bool told =
        testlog::LoggedContaining(L"CInspectorWrapper::Init", L"the window has no add-in set-up");
    EXPECT_EQ(refusals < 1000, taken) << refusals << " refusals";
    EXPECT_EQ(refusals < 1000, wrapper->GetInspector() == inspector) << refusals << " refusals";
    EXPECT_EQ(refusals == 1000, told) << refusals << " refusals";
    wrapper->Done();
  }
}

}  // namespace

// The mail's send mode is read again while Outlook refuses it; still refused, the Send stops
// and is told: one message to all must never leave as one per recipient, nor the reverse.
TEST_F(Send, ASendModeRefusedAMomentIsReadAgainAndRefusedForGoodStopsTheSendTold) {
  auto send = [&] {
    Start(kV2003);
    auto mail =
        MadeMail(L"Offer", L"Dear %FirstName%", mTanvelo::kSendModeOne, {L"Kim Roe", L"Lee Ann"});
    auto wrapper = Open(mail);
    return std::pair{mail, wrapper};
  };
  uint64_t calls = 0;
  {
    auto [mail, wrapper] = send();
    win32::faults::Start({.countOnly = true});
    mail->Send();
    win32::faults::Stop();
    calls = win32::faults::Counts().calls;
    ASSERT_EQ(std::vector<std::wstring>{L"Kim Roe; Lee Ann: Dear Kim, Lee"}, OutboxBodies());
  }
  for (uint64_t span : {uint64_t{1}, uint64_t{kHeldTries}, uint64_t{kHeldTries} + 1}) {
    int unread = 0;
    for (uint64_t at = 1; at <= calls; ++at) {
      auto [mail, wrapper] = send();
      win32::faults::Start({.at = at, .span = span});
      vb::Catch([&] { mail->Send(); });
      win32::faults::Stop();
      vb::Err().Clear();
      const std::string where = std::to_string(span) + " calls from " + std::to_string(at);
      EXPECT_LE(OutboxBodies().size(), 1u) << where;
      // (Call 1 is Outlook's own Send, which the user would press again.)
      if (span == 1 && at > 1) {
        EXPECT_EQ(1u, OutboxBodies().size()) << where << ": one refusal never stops the Send";
      }
      if (!Logged(L"CInspectorWrapper::ProcessPersonalizationsAndSend",
                  L"the send mode could not be read"))
        continue;
      ++unread;
      EXPECT_GE(span, uint64_t{kHeldTries}) << where;
      EXPECT_TRUE(OutboxBodies().empty()) << where;
      EXPECT_TRUE(wrapper->GetInspector()) << where << ": the window stays open";
      EXPECT_EQ(std::vector<std::wstring>{LangText(L"STR_SEND_NOT_PROCESSED")}, Boxes()) << where;
    }
    EXPECT_EQ(span >= uint64_t{kHeldTries}, unread > 0) << span;
  }
}

// A Send stopped by refusals is told and keeps the window listening: once Outlook answers
// again, the next Send is personalized, never left to Outlook with its tokens.
TEST_F(Send, AfterASendStoppedByRefusalsTheNextSendIsStillPersonalized) {
  auto open = [&] {
    Start(kV2003);
    auto mail = MadeMail(L"Offer", L"Dear %FirstName%", mTanvelo::kSendModeOne, {L"Kim Roe"});
    auto wrapper = Open(mail);
    return std::pair{mail, wrapper};
  };
  uint64_t calls = 0;
  {
    auto [mail, wrapper] = open();
    win32::faults::Start({.countOnly = true});
    mail->Send();
    win32::faults::Stop();
    calls = win32::faults::Counts().calls;
  }
  for (uint64_t span : {uint64_t{kHeldTries}, uint64_t{kHeldTries} + 1, uint64_t{30}}) {
    int stopped = 0;
    for (uint64_t at = 1; at <= calls; ++at) {
      auto [mail, wrapper] = open();
      win32::faults::Start({.at = at, .span = span});
      vb::Catch([&] { mail->Send(); });
      win32::faults::Stop();
      vb::Err().Clear();
      // Stopped and told, the window still open with its mail.
      if (!OutboxBodies().empty() || !wrapper->GetInspector() ||
          Boxes() != std::vector<std::wstring>{LangText(L"STR_SEND_NOT_PROCESSED")})
        continue;
      ++stopped;
      const std::string where = std::to_string(span) + " calls from " + std::to_string(at);
      mail->Send();
      EXPECT_EQ(std::vector<std::wstring>{L"Kim Roe: Dear Kim"}, OutboxBodies()) << where;
    }
    EXPECT_GT(stopped, 0) << span;
  }
}
