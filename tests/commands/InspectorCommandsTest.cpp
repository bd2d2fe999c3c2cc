// The commands of an open inspector: replies that close the answered mail, the requests to
// save first, personalization in place, the default mark, and a missing wrapper.
#include <algorithm>

#include "commands/frmDummy.h"
#include "commands/mInspector.h"
#include "engine/mTanvelo.h"
#include "platform/forms/User.h"
#include "platform/outlook/Inspector.h"
#include "platform/support/LibNorvane.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/Faults.h"
#include "platform/win32/Window.h"
#include "tests/commands/CommandsTest.h"
#include "tests/common/Log.h"

namespace {

using Texts = std::vector<std::wstring>;

class InspectorCommandsTest : public CommandsTest {
 protected:
  std::shared_ptr<FakeWrapper> Open(const ItemPtr& item) {
    item->Display();
    return std::make_shared<FakeWrapper>(item->GetInspector());
  }
};

TEST_F(InspectorCommandsTest, AReplyFromTheInspectorEndsItsWrapperAndClosesTheMail) {
  auto item = AddTemplate(L"Thanks");
  auto wrapper = Open(p.plainMail);
  auto inspector = wrapper->GetInspector();
  int32_t action = 2;
  mInspector::Tanvelo_Click(wrapper, action, item->EntryID(), false);
  EXPECT_EQ(Subjects(tvDrafts), Texts{L"RE: " + p.plainMail->Subject()});
  EXPECT_EQ(wrapper->calls, Texts{L"Done"});
  EXPECT_TRUE(inspector->IsClosed());
}

// What the user typed into the answered mail is never dropped by the reply's closing it.
TEST_F(InspectorCommandsTest, AReplyKeepsWhatTheUserTypedIntoTheAnsweredMail) {
  // Outlook 2010 saves the mail with its replied mark, and the edit with it: nothing to ask.
  auto item = AddTemplate(L"Thanks");
  auto wrapper = Open(p.plainMail);
  auto inspector = wrapper->GetInspector();
  inspector->TypeText(L"Called back. ");
  int32_t action = 1;
  mInspector::Tanvelo_Click(wrapper, action, item->EntryID(), false);
  EXPECT_TRUE(inspector->IsClosed());
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(p.plainMail->Saved());
  EXPECT_TRUE(p.plainMail->Body().starts_with(L"Called back. "));
}

// The close is the reply's last call: refused through a run of tries, it is asked again; past
// every try it is logged, not left open untold.
TEST_F(InspectorCommandsTest, AnAnsweredMailWhoseCloseIsRefusedIsAskedAgain) {
  auto item = AddTemplate(L"Thanks");
  auto reply = [&](const win32::faults::Plan& plan) {
    auto wrapper = Open(p.plainMail);
    auto inspector = wrapper->GetInspector();
    int32_t action = 1;
    win32::faults::Start(plan);
    mInspector::Tanvelo_Click(wrapper, action, item->EntryID(), false);
    win32::faults::Stop();
    return inspector;
  };
  auto errors = [] {
    std::vector<std::wstring> procedures;
    for (const auto& entry : support::library::Log())
      if (entry.level >= kLevelError) procedures.push_back(entry.procedure);
    return procedures;
  };
  ASSERT_TRUE(reply({.countOnly = true})->IsClosed());  // the first reply marks the mail
  ASSERT_TRUE(reply({.countOnly = true})->IsClosed());
  const uint64_t last = win32::faults::Counts().calls;
  EXPECT_TRUE(reply({.at = last, .span = 8})->IsClosed());
  EXPECT_TRUE(errors().empty());

  EXPECT_FALSE(reply({.at = last, .span = 1000})->IsClosed());
  EXPECT_EQ(errors(), Texts{L"mInspector::Tanvelo_Click"});
}

// Its close refused past every try, the answered mail's window stays open: it keeps its
// wrapper, so that the next command in it works, and the log names the mail left open.
TEST_F(InspectorCommandsTest, AnAnsweredMailLeftOpenKeepsItsWrapperAndItsCommandsWork) {
  auto item = AddTemplate(L"Thanks");
  std::shared_ptr<FakeWrapper> wrapper;
  std::shared_ptr<outlook::Inspector> inspector;
  int32_t action = 1;
  for (int i = 0; i < 2; ++i) {  // the first reply marks the mail
    wrapper = Open(p.plainMail);
    inspector = wrapper->GetInspector();
    win32::faults::Start({.countOnly = true});
    mInspector::Tanvelo_Click(wrapper, action, item->EntryID(), false);
    win32::faults::Stop();
    ASSERT_TRUE(inspector->IsClosed());
  }
  const uint64_t last = win32::faults::Counts().calls;

  wrapper = Open(p.plainMail);
  inspector = wrapper->GetInspector();
  win32::faults::Start({.at = last, .span = 1000});
  mInspector::Tanvelo_Click(wrapper, action, item->EntryID(), false);
  win32::faults::Stop();
  ASSERT_FALSE(inspector->IsClosed());
  EXPECT_TRUE(wrapper->calls.empty()) << "the open window lost its wrapper";
  EXPECT_TRUE(Logged(L"mInspector::Tanvelo_Click", L"\"" + p.plainMail->Subject() + L"\""));

  mInspector::Tanvelo_Click(wrapper, action, item->EntryID(), false);
  EXPECT_TRUE(inspector->IsClosed());
  EXPECT_EQ(wrapper->calls, Texts{L"Done"});
  EXPECT_EQ(4u, Subjects(tvDrafts).size());
}

// The open mail is the reply's first call: held a moment, it is asked again and the reply is
// made; refused past every try, the log says which command made nothing.
TEST_F(InspectorCommandsTest, AnOpenMailHeldAMomentIsStillAnsweredOrTheLogSaysNoReplyWasMade) {
  auto item = AddTemplate(L"Thanks");
  auto reply = [&](const win32::faults::Plan& plan, int32_t action) {
    for (const auto& made : tvDrafts->Items()->All()) made->Delete();
    auto wrapper = Open(p.plainMail);
    win32::faults::Start(plan);
    mInspector::Tanvelo_Click(wrapper, action, item->EntryID(), false);
    win32::faults::Stop();
    return Subjects(tvDrafts).size() == 1;
  };
  ASSERT_TRUE(reply({.countOnly = true}, 1));
  EXPECT_TRUE(reply({.at = 1, .span = uint64_t{kHeldTries} - 1}, 1));
  EXPECT_FALSE(reply({.at = 1, .span = kHeldTries}, 4));
  EXPECT_TRUE(testlog::LoggedContaining(L"mInspector::Tanvelo_Click",
                                        L"the open mail could not be read, no forward was made"));
}

class InspectorCommands2007Test : public InspectorCommandsTest {
 protected:
  void SetUp() override { Start(L"12.0.0.6423"); }
};

TEST_F(InspectorCommands2007Test, AReplyAsksToSaveWhatTheUserTypedIntoTheAnsweredMail) {
  // Nothing marks the answered mail here, so its closing asks about the edit.
  auto item = AddTemplate(L"Thanks");
  auto wrapper = Open(p.plainMail);
  auto inspector = wrapper->GetInspector();
  inspector->TypeText(L"Called back. ");
  win32::msgbox::Answer(vb::vbYes);
  int32_t action = 4;
  mInspector::Tanvelo_Click(wrapper, action, item->EntryID(), false);
  EXPECT_EQ(Subjects(tvDrafts), Texts{L"FW: " + p.plainMail->Subject()});
  EXPECT_TRUE(inspector->IsClosed());
  EXPECT_EQ(Boxes(), Texts{L"Do you want to save changes?"});
  EXPECT_TRUE(p.plainMail->Saved());
  EXPECT_TRUE(p.plainMail->Body().starts_with(L"Called back. "));
}

TEST_F(InspectorCommandsTest, ACancelledPickerLeavesTheInspectorOpen) {
  AddTemplate(L"Thanks");
  auto wrapper = Open(p.plainMail);
  picker.push_back(kCancel);
  int32_t action = 1;
  mInspector::Tanvelo_Click(wrapper, action, L"", false);
  EXPECT_TRUE(wrapper->calls.empty());
  EXPECT_FALSE(wrapper->GetInspector()->IsClosed());
  EXPECT_TRUE(Subjects(tvDrafts).empty());
}

TEST_F(InspectorCommandsTest, ARepliesOnANonMailIsRefusedWithTheForegroundFlagWhenAsked) {
  auto wrapper = Open(p.kimContact);
  int32_t action = 1;
  mInspector::Tanvelo_Click(wrapper, action, L"", false);
  mInspector::Tanvelo_Click(wrapper, action, L"", true);
  ASSERT_EQ(win32::msgbox::Shown().size(), 2u);
  EXPECT_EQ(win32::msgbox::Shown()[0].text, LangText(L"IDS_TVNEEDMAILITEM"));
  EXPECT_EQ(win32::msgbox::Shown()[0].style, 48u);
  EXPECT_EQ(win32::msgbox::Shown()[1].style, 48u + 0x10000u);
}

TEST_F(InspectorCommandsTest, AMissingOrClosedWrapperIsALoggedFailureNotACrash) {
  int32_t action = 1;
  mInspector::Tanvelo_Click(nullptr, action, L"", false);
  EXPECT_TRUE(Logged(L"mInspector::Tanvelo_Click", L"assert"));
  auto closed = std::make_shared<FakeWrapper>(nullptr);
  DummyForm().DemandTanvelo_Click(closed, 1, L"", false);
  Wait(1);
  int entries = 0;
  for (const auto& e : support::library::Log())
    entries += e.procedure == L"mInspector::Tanvelo_Click";
  EXPECT_EQ(entries, 3) << "assert and failure, then the closed window's failure";
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(InspectorCommandsTest, AButtonClickRepliesOnlyAfterTheClickHasReturned) {
  auto item = AddTemplate(L"Thanks");
  auto wrapper = Open(p.plainMail);
  DummyForm().DemandTanvelo_Click(wrapper, 4, item->EntryID(), false);
  EXPECT_TRUE(Subjects(tvDrafts).empty());
  Wait(1);
  EXPECT_EQ(Subjects(tvDrafts), Texts{L"FW: " + p.plainMail->Subject()});
  EXPECT_EQ(wrapper->calls, Texts{L"Done"});
}

TEST_F(InspectorCommandsTest, AMailNeverSavedIsAskedToBeSavedFirst) {
  bool onTop = true;
  mInspector::SaveAsTemplate_Click(L"", onTop);
  mInspector::OpenDuplicate_Click(L"", false);
  mInspector::Hotkey_Click(L"", false);
  const auto& shown = win32::msgbox::Shown();
  ASSERT_EQ(shown.size(), 3u);
  for (const auto& box : shown) EXPECT_EQ(box.text, LangText(L"STR_SAVE_ITEM_FIRST"));
  EXPECT_EQ(shown[0].style, 0x10000u);
  EXPECT_EQ(shown[1].style, 0u);
  EXPECT_TRUE(templates->Items()->All().empty()) << "no template and no duplicate made";
}

TEST_F(InspectorCommandsTest, TheHotkeyDialogOfAWindowOnTopIsTopmostWithTheFocusOnCancel) {
  auto item = AddTemplate(L"Thanks");
  for (bool onTop : {true, false}) {
    bool topmost = !onTop, onCancel = !onTop;
    forms::QueueScript(L"frmHotkey", [&](forms::User& u) {
      topmost =
          win32::GetWindowLongA(u.GetForm().hWnd(), win32::GWL_EXSTYLE) & win32::WS_EX_TOPMOST;
      auto* active = u.GetForm().ActiveControl();
      onCancel = active && active->Name() == L"btnCancel";
      u.PressEsc();
    });
    mInspector::Hotkey_Click(item->EntryID(), onTop);
    EXPECT_EQ(forms::PendingScripts(L"frmHotkey"), 0u);
    EXPECT_EQ(topmost, onTop);
    EXPECT_EQ(onCancel, onTop);
  }
}

TEST_F(InspectorCommandsTest, PersonalizationInPlaceSavesAndAsksOnlyWhenThereAreFields) {
  auto mail = outlook::AddUnsentMail(p.drafts, L"Note");
  mail->SetBody(L"No fields here");
  bool word = true;
  mInspector::ProcessPersonal2_Click(mail, word);
  EXPECT_EQ(jobCalls, Texts{L"Has"});
  EXPECT_TRUE(mail->Saved());

  mail->SetBody(L"Dear %FirstName%");
  mInspector::ProcessPersonal2_Click(mail, word);
  EXPECT_EQ(jobCalls, (Texts{L"Has", L"Has", L"Load top=1 silent=0", L"Replace leave=1 save=0"}));
}

}  // namespace
