// The deferred-action form: demands run after the event that queued them, one at a time, and
// also when they meet a running action inside its dialogs; hotkeys one at a time; every
// Word-edited mail handed over for sending is sent.
#include <algorithm>

#include "commands/frmDummy.h"
#include "commands/mExplorer.h"
#include "commands/mKeyboardHook.h"
#include "engine/RoadSupport.h"
#include "hotkeys/CHotkeys.h"
#include "platform/outlook/Inspector.h"
#include "platform/support/LibNorvane.h"
#include "platform/win32/Faults.h"
#include "tests/commands/CommandsTest.h"

namespace {

class DeferredActionsTest : public CommandsTest {
 protected:
  // The mails made by the road, by subject.
  std::vector<std::wstring> Made() { return Subjects(tvDrafts); }
  bool Opened(const ItemPtr& item) {
    auto inspector = p.app->ActiveInspector();
    return inspector && !inspector->IsClosed() &&
           inspector->CurrentItem()->EntryID() == item->EntryID();
  }
};

TEST_F(DeferredActionsTest, TwoClicksBeforeTheTimerRunOnlyTheSecondWithOneWarning) {
  auto first = AddTemplate(L"First answer"), second = AddTemplate(L"Second answer");
  ShowAndSelect(p.inbox, {p.plainMail});
  mExplorer::Explorer_Tanvelo(1, first->EntryID(), 2);
  mExplorer::Explorer_Tanvelo(4, second->EntryID(), 2);
  EXPECT_TRUE(Made().empty()) << "nothing runs inside the click";
  Wait(1);
  ASSERT_EQ(Made().size(), 1u);
  EXPECT_EQ(Made()[0].rfind(L"FW:", 0), 0u) << "the newer demand, a forward, replaced the reply";
  EXPECT_EQ(Warnings(L"frmDummy.DemandDoTanvelo", L"m_dp.nDemandAction <> edaNone"), 1);
  EXPECT_EQ(DummyForm().PendingDemand().nDemandAction, edaNone);
}

TEST_F(DeferredActionsTest, AClickWhileThePickerOfAnEarlierClickIsOpenRunsAfterIt) {
  auto reply = AddTemplate(L"Thanks"), forward = AddTemplate(L"FYI");
  ShowAndSelect(p.inbox, {p.plainMail});
  mExplorer::Explorer_Tanvelo(1, L"", 2);
  size_t askedWhileOpen = 0;
  whilePickerOpen = [&] {
    // The user goes back to the explorer, picks another mail and clicks Forward with; the
    // timers keep firing while the picker is open.
    ShowAndSelect(p.inbox, {p.htmlMail});
    mExplorer::Explorer_Tanvelo(4, L"", 2);
    Wait(50);
    askedWhileOpen = pickerAsked.size();
  };
  picker.push_back({true, reply->EntryID()});
  picker.push_back({true, forward->EntryID()});
  Wait(1);
  EXPECT_EQ(askedWhileOpen, 1u) << "the second demand did not start inside the first";
  ASSERT_EQ(Made().size(), 1u);
  Wait(1);
  ASSERT_EQ(pickerAsked.size(), 2u) << "the second click was kept and ran after the first";
  auto made = Made();
  ASSERT_EQ(made.size(), 2u);
  EXPECT_NE(std::find(made.begin(), made.end(), L"RE: " + p.plainMail->Subject()), made.end());
  EXPECT_NE(std::find(made.begin(), made.end(), L"FW: " + p.htmlMail->Subject()), made.end());
}

TEST_F(DeferredActionsTest, ADemandMeetingAnotherStillRunningWaitsForIt) {
  // Picking a template to edit is no template action: only the form knows a demand runs.
  auto edit = AddTemplate(L"Offer"), reply = AddTemplate(L"Thanks");
  ShowAndSelect(p.inbox, {p.plainMail});
  DummyForm().DemandSelAndEditTemplace();
  size_t madeWhileOpen = 99;
  whilePickerOpen = [&] {
    mExplorer::Explorer_Tanvelo(1, reply->EntryID(), 2);
    Wait(50);
    madeWhileOpen = Made().size();
  };
  picker.push_back({true, edit->EntryID()});
  Wait(1);
  EXPECT_EQ(madeWhileOpen, 0u) << "the reply did not start inside the picker";
  Wait(1);
  EXPECT_EQ(Made(), std::vector<std::wstring>{L"RE: " + p.plainMail->Subject()});
}

TEST_F(DeferredActionsTest, ADemandMeetingARunningTemplateActionWaitsForIt) {
  auto reply = AddTemplate(L"Thanks");
  ShowAndSelect(p.inbox, {p.plainMail});
  {
    // An action the form did not start (a Send, a ribbon command) is still running.
    mTanvelo::road::ActionGuard running(L"test");
    mExplorer::Explorer_Tanvelo(1, reply->EntryID(), 2);
    Wait(500);
    EXPECT_TRUE(Made().empty());
    EXPECT_EQ(DummyForm().PendingDemand().nDemandAction, edaDoTanvelo);
  }
  Wait(1);
  EXPECT_EQ(Made().size(), 1u);
}

TEST_F(DeferredActionsTest, PickAndEditOpensTheChosenTemplateAndNothingOnCancel) {
  auto item = AddTemplate(L"Offer");
  picker.push_back(kCancel);
  DummyForm().DemandSelAndEditTemplace();
  Wait(1);
  EXPECT_EQ(pickerAsked, std::vector<std::wstring>{L"|1|0"}) << "no send-mode choice offered";
  EXPECT_FALSE(Opened(item));
  EXPECT_EQ(DummyForm().PendingDemand().nDemandAction, edaNone);

  picker.push_back({true, item->EntryID()});
  DummyForm().DemandSelAndEditTemplace();
  Wait(1);
  EXPECT_TRUE(Opened(item));
}

// The chosen template's lookup refused past its tries leaves it shut: the user hears so.
TEST_F(DeferredActionsTest, PickAndEditRefusedForGoodIsToldAtError) {
  auto item = AddTemplate(L"Offer");
  auto run = [&](const win32::faults::Plan& plan) {
    picker.push_back({true, item->EntryID()});
    DummyForm().DemandSelAndEditTemplace();
    win32::faults::Start(plan);
    Wait(1);
    win32::faults::Stop();
    const bool opened = Opened(item);
    if (opened) p.app->ActiveInspector()->Close(1);
    return opened;
  };
  ASSERT_TRUE(run({.countOnly = true}));
  const uint64_t calls = win32::faults::Counts().calls;
  for (uint64_t at = 1; at <= calls; ++at) {
    const size_t before = support::library::Log().size();
    const bool opened = run({.at = at, .span = kHeldTries});
    const auto& log = support::library::Log();
    const bool told = std::any_of(log.begin() + static_cast<std::ptrdiff_t>(before), log.end(),
                                  [](const support::library::LogEntry& e) { return e.level == 3; });
    EXPECT_TRUE(opened || told) << "calls " << at << " to " << at + kHeldTries - 1 << " of "
                                << calls << " refused";
  }
}

TEST_F(DeferredActionsTest, ShutdownDropsAPendingDemandAndTheFormComesBackOnNextUse) {
  auto item = AddTemplate(L"Thanks");
  ShowAndSelect(p.inbox, {p.plainMail});
  mExplorer::Explorer_Tanvelo(1, item->EntryID(), 2);
  UnloadDummyForm();
  Wait(10);
  EXPECT_TRUE(Made().empty());
  mExplorer::Explorer_Tanvelo(1, item->EntryID(), 2);
  Wait(1);
  EXPECT_EQ(Made().size(), 1u);
}

// --- Hotkeys ------------------------------------------------------------------------------------

class HotkeySlotTest : public DeferredActionsTest {
 protected:
  void SetUp() override {
    DeferredActionsTest::SetUp();
    mKeyboardHook::OnHotkeySlot() = [this](const std::shared_ptr<CHotkey>& hotkey) {
      ran.push_back(hotkey->DisplayKeyName());
      if (duringHotkey) duringHotkey();
    };
    Hotkeys().Add(L"T1", 1, 'R', false, true, true);
    Hotkeys().Add(L"T2", 2, 'T', false, true, true);
  }
  std::vector<std::wstring> ran;
  std::function<void()> duringHotkey;
};

TEST_F(HotkeySlotTest, AHotkeyWhileOneIsPendingOrRunningIsDropped) {
  DummyForm().DemandHotkey(L"521112", false);
  DummyForm().DemandHotkey(L"541112", false);
  duringHotkey = [] {
    // A dialog of the hotkey is open: another hotkey pressed now is dropped.
    DummyForm().DemandHotkey(L"541112", false);
    Wait(500);
  };
  Wait(99);
  EXPECT_TRUE(ran.empty()) << "hotkeys wait 100 ms";
  Wait(1);
  EXPECT_EQ(ran, std::vector<std::wstring>{L"Ctrl+Alt+R"});
  EXPECT_FALSE(DummyForm().HotkeyPending());
  duringHotkey = nullptr;
  DummyForm().DemandHotkey(L"541112", false);
  Wait(100);
  EXPECT_EQ(ran.size(), 2u) << "accepted again once the first has run";
}

TEST_F(HotkeySlotTest, HotkeysWorkAgainAfterAShutdownWithOnePending) {
  DummyForm().DemandHotkey(L"521112", false);
  UnloadDummyForm();
  Wait(200);
  EXPECT_TRUE(ran.empty()) << "the pending hotkey is dropped with the form";
  DummyForm().DemandHotkey(L"541112", false);
  Wait(100);
  EXPECT_EQ(ran, std::vector<std::wstring>{L"Ctrl+Alt+T"});
}

TEST_F(HotkeySlotTest, AKeyUnboundSinceThePressDoesNothing) {
  DummyForm().DemandHotkey(L"521112", false);
  Hotkeys().Remove(L"521112");
  Wait(100);
  EXPECT_TRUE(ran.empty());
  EXPECT_FALSE(DummyForm().HotkeyPending());
}

// --- Sending a Word-edited mail -----------------------------------------------------------------

TEST_F(DeferredActionsTest, TwoWordEditedSendsWithinTheIntervalAreBothSentOnce) {
  auto first = std::make_shared<FakeWrapper>(nullptr),
       second = std::make_shared<FakeWrapper>(nullptr);
  DummyForm().DemandWorkaround1(first);
  Wait(100);
  DummyForm().DemandWorkaround1(second);
  DummyForm().DemandWorkaround1(first);  // Send pressed twice on the same mail
  Wait(249);
  EXPECT_TRUE(first->calls.empty());
  Wait(1);
  EXPECT_EQ(first->calls, std::vector<std::wstring>{L"Send"});
  EXPECT_EQ(second->calls, std::vector<std::wstring>{L"Send"});
  Wait(1000);
  EXPECT_EQ(first->calls.size(), 1u);
}

TEST_F(DeferredActionsTest, ASendWaitsForARunningTemplateActionAndAShutdownStillSendsIt) {
  auto item = AddTemplate(L"Thanks");
  auto wrapper = std::make_shared<FakeWrapper>(nullptr);
  ShowAndSelect(p.inbox, {p.plainMail});
  mExplorer::Explorer_Tanvelo(1, L"", 2);
  picker.push_back({true, item->EntryID()});
  whilePickerOpen = [&] {
    DummyForm().DemandWorkaround1(wrapper);
    Wait(400);
    EXPECT_TRUE(wrapper->calls.empty()) << "not inside the running reply";
  };
  Wait(1);
  EXPECT_EQ(Made().size(), 1u);
  Wait(250);
  EXPECT_EQ(wrapper->calls, std::vector<std::wstring>{L"Send"}) << "once the reply is made";

  auto late = std::make_shared<FakeWrapper>(nullptr);
  DummyForm().DemandWorkaround1(late);
  UnloadDummyForm();
  EXPECT_EQ(late->calls, std::vector<std::wstring>{L"Send"}) << "the user's Send is not lost";
}

}  // namespace
