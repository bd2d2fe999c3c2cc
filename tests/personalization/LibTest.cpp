// The library object: the field toolbar and menu in an inspector's command bars, and a token
// put at the cursor by keystrokes or by a paste that leaves the user's clipboard as it was.
#include "core/CClipboard.h"
#include "core/Main.h"
#include "personalization/RL_frmDummy.h"
#include "platform/office/BuiltInBars.h"
#include "platform/office/CommandBars.h"
#include "platform/outlook/Inspector.h"
#include "platform/win32/Clipboard.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Faults.h"
#include "platform/win32/Keyboard.h"
#include "platform/win32/MessageBox.h"
#include "tests/personalization/PersonalizationTest.h"

using namespace ptest;

namespace {

class Lib : public PersonalizationTest {
 protected:
  std::shared_ptr<office::CommandBars> bars = office::MakeInspectorCommandBars();
};

std::vector<std::wstring> Captions(const office::CommandBarControls& controls) {
  std::vector<std::wstring> out;
  for (const auto& c : controls) out.push_back((c->BeginGroup() ? L"|" : L"") + c->Caption());
  return out;
}

TEST_F(Lib, TheToolbarHasOneButtonPerFieldGroupedByType) {
  auto first = lib->CreateToolbar(bars, L"Tanvelo personalization items", L"TAG0123456", true);
  int32_t count = bars->Count();
  auto bar = lib->CreateToolbar(bars, L"Tanvelo personalization items", L"TAG0123456", true);
  EXPECT_EQ(bars->Count(), count);  // the second replaces the first
  EXPECT_TRUE(first->IsDeleted());
  ASSERT_TRUE(bar);
  EXPECT_TRUE(bar->Visible());
  EXPECT_TRUE(bar->Temporary());
  EXPECT_EQ(Captions(bar->Controls()),
            (std::vector<std::wstring>{L"Full name", L"First name", L"Middle name", L"Last name",
                                       L"Initials", L"Nickname", L"Company", L"|To", L"Cc", L"Bcc",
                                       L"|My name", L"From"}));
  auto to = office::AsButton(bar->Controls().Item(8));
  EXPECT_EQ(to->Parameter(), L"%To%");
  EXPECT_EQ(to->Tag(), L"TAG0123456");
  EXPECT_EQ(to->Style(), office::msoButtonCaption);
  EXPECT_TRUE(to->Temporary());
  EXPECT_TRUE(to->Visible());
}

TEST_F(Lib, TheMenuHasSubmenusByPathAndTheQuickItems) {
  auto menuBar = bars->ActiveMenuBar();
  int32_t before = menuBar->Controls().Count();
  auto popup = lib->CreateMenu(menuBar, L"TAG", L"Personalization", 1, true);
  ASSERT_TRUE(popup);
  EXPECT_EQ(menuBar->Controls().Item(1), popup);
  EXPECT_TRUE(popup->Visible());
  EXPECT_EQ(Captions(popup->Controls()),
            (std::vector<std::wstring>{L"Contact Items", L"Email Items", L"|Full name", L"Initials",
                                       L"Company", L"To"}));
  auto contacts = office::AsPopup(popup->Controls().Item(1));
  auto email = office::AsPopup(popup->Controls().Item(2));
  EXPECT_EQ(contacts->Controls().Count(), 7);
  EXPECT_EQ(Captions(email->Controls()),
            (std::vector<std::wstring>{L"To", L"Cc", L"Bcc", L"My name", L"From"}));
  EXPECT_EQ(office::AsButton(popup->Controls().Item(6))->Parameter(), L"%To%");

  // Every field button reaches the one handler bound to the first of them.
  std::vector<std::wstring> clicked;
  auto handler = office::AsButton(contacts->Controls().Item(1))
                     ->OnClick([&](const std::shared_ptr<office::CommandBarButton>& b, bool&) {
                       clicked.push_back(b->Parameter());
                     });
  office::AsButton(email->Controls().Item(5))->RaiseClick();
  EXPECT_EQ(clicked, std::vector<std::wstring>{L"%From%"});

  lib->CreateMenu(menuBar, L"TAG", L"Personalization", std::nullopt, true);
  EXPECT_EQ(menuBar->Controls().Count(), before + 2);  // a second popup, not a merge
}

TEST_F(Lib, FailuresAreLoggedAndWhatWasBuiltIsReturned) {
  // Outlook's own bar cannot be deleted, so its name cannot be taken.
  EXPECT_EQ(lib->CreateToolbar(bars, L"Standard", L"T", true), nullptr);
  EXPECT_EQ(LogCount(L"RL_CLib::CreateToolbar"), 1u);
  auto menuBar = bars->ActiveMenuBar();
  menuBar->SetProtection(office::msoBarNoCustomize);
  EXPECT_EQ(lib->CreateMenu(menuBar, L"T", L"P", 1, true), nullptr);
  EXPECT_EQ(LogCount(L"RL_CLib::CreateMenu"), 1u);
}

TEST_F(Lib, KeystrokesCarryEverySpecialCharacterUnchanged) {
  auto mail = Mail(L"s", L"Dear ,");
  auto inspector = p.app->Inspectors()->Add(mail);
  win32::keyboard::SetFocus(inspector);
  inspector->SetCaret(5);
  lib->InsertText(L"%FullName% ", false);
  EXPECT_EQ(mail->Body(), L"Dear %FullName% ,");
  inspector->SetCaret(0);
  lib->InsertText(L"(a+b)^2 ~ [x] {y} 100%", false);
  EXPECT_EQ(mail->Body().substr(0, 22), L"(a+b)^2 ~ [x] {y} 100%");
}

class Paste : public Lib {
 protected:
  std::shared_ptr<outlook::Item> mail;
  std::shared_ptr<outlook::Inspector> inspector;
  uint32_t html = win32::RegisterClipboardFormatA("HTML Format");

  void SetUp() override {
    Lib::SetUp();
    mail = Mail(L"s", L"Dear ,");
    inspector = p.app->Inspectors()->Add(mail);
    win32::keyboard::SetFocus(inspector);
    inspector->SetCaret(5);
    win32::clipboard::SetText(L"the user's text");
    win32::clipboard::SetBytes(html, "<p>the user's text</p>");
  }
  void ExpectUsersClipboard() {
    EXPECT_EQ(win32::clipboard::Text(), L"the user's text");
    EXPECT_EQ(win32::clipboard::Bytes(html), "<p>the user's text</p>");
  }
};

TEST_F(Paste, TwoStepsThroughTheClipboardWhichIsGivenBack) {
  lib->InsertText(L"%FullName% ", true);
  EXPECT_EQ(mail->Body(), L"Dear ,");  // nothing inside the click itself
  win32::clock::Advance(10);
  EXPECT_EQ(mail->Body(), L"Dear %FullName%  ,");  // the paste, then the typed blank
  EXPECT_EQ(win32::clipboard::Text(), L"%FullName% ");
  win32::clock::Advance(10);
  ExpectUsersClipboard();
  EXPECT_EQ(lib->PasteForm()->Phase(), 0);
  EXPECT_EQ(HostClipboard().UseCount(), 0);
}

TEST_F(Paste, ASecondRequestBeforeTheFirstHasFinishedIsRefused) {
  lib->InsertText(L"%To% ", true);
  lib->InsertText(L"%Cc% ", true);
  win32::clock::Advance(10);
  lib->InsertText(L"%Bcc% ", true);
  size_t empties = win32::clipboard::EmptyCount();
  win32::clock::Advance(100);
  EXPECT_EQ(mail->Body(), L"Dear %To%  ,");
  EXPECT_EQ(win32::clipboard::EmptyCount() - empties, 1u);  // restored once
  ExpectUsersClipboard();
  EXPECT_EQ(LogCount(L"RL_frmDummy::SaveSendpasteRestore"), 2u);
  EXPECT_TRUE(
      Logged(L"RL_frmDummy::SaveSendpasteRestore", L"cant paste new, coz not finished previos"));
  lib->InsertText(L"%Cc% ", true);  // idle again: taken
  win32::clock::Advance(20);
  EXPECT_EQ(mail->Body(), L"Dear %To%  %Cc%  ,");
}

TEST_F(Paste, EndingTheLibraryBetweenTheStepsStillGivesTheClipboardBack) {
  lib->InsertText(L"%To% ", true);
  win32::clock::Advance(10);
  EXPECT_EQ(win32::clipboard::Text(), L"%To% ");
  lib.reset();  // Outlook shuts down
  ExpectUsersClipboard();
  win32::clock::Advance(100);
  ExpectUsersClipboard();
}

TEST_F(Paste, AClipboardAnotherProgramHoldsLosesThePasteButNotTheRestore) {
  lib->InsertText(L"%To% ", true);
  win32::clipboard::SetHeldByOtherProgram(true);
  win32::clock::Advance(10 * kHeldTries);  // held at every tick the paste is asked at
  win32::clipboard::SetHeldByOtherProgram(false);
  win32::clock::Advance(10);
  EXPECT_EQ(lib->PasteForm()->Phase(), 0);
  EXPECT_EQ(HostClipboard().UseCount(), 0);
  EXPECT_GE(LogCount(L"RL_frmDummy::tmrClipboard_Timer"), 1u);
  EXPECT_EQ(mail->Body(), L"Dear ,");
  ExpectUsersClipboard();
}

// Held past the clipboard's own tries at either step, the step is asked again at a later tick:
// the user's clipboard is read before anything is written over it, and given back.
TEST_F(Paste, AClipboardHeldPastItsTriesIsAskedAgainAtLaterTicks) {
  for (int step : {1, 2}) {
    SCOPED_TRACE(step);
    mail->SetBody(L"Dear ,");
    inspector->SetCaret(5);
    lib->InsertText(L"%To% ", true);
    if (step == 2) win32::clock::Advance(10);  // pasted
    win32::clipboard::SetHeldByOtherProgram(true);
    win32::clock::Advance(10);
    win32::clipboard::SetHeldByOtherProgram(false);
    win32::clock::Advance(10);
    if (step == 1) win32::clock::Advance(10);
    EXPECT_EQ(mail->Body(), L"Dear %To%  ,");
    ExpectUsersClipboard();
    EXPECT_EQ(lib->PasteForm()->Phase(), 0);
    EXPECT_EQ(HostClipboard().UseCount(), 0);
  }
  // Refused by the fault switch as a burst of kHeldTries and one more, from each call.
  for (uint64_t span : {uint64_t{kHeldTries}, uint64_t{kHeldTries} + 1})
    for (uint64_t at = 1; at <= 40; ++at) {
      mail->SetBody(L"Dear ,");
      inspector->SetCaret(5);
      lib->InsertText(L"%To% ", true);
      win32::faults::Start({.at = at, .span = span});
      win32::clock::Advance(20);  // both steps
      win32::faults::Stop();
      win32::clock::Advance(100);
      // (A format whose read was refused past its tries is not kept, and told.)
      EXPECT_EQ(win32::clipboard::Text(), L"the user's text") << span << " from " << at;
      EXPECT_EQ(lib->PasteForm()->Phase(), 0) << span << " from " << at;
    }
}

// Held past every tick of the restore step, the user's clipboard cannot be given back: that is
// told, and the pair is closed so that the next copy of the system still keeps the clipboard.
TEST_F(Paste, AClipboardHeldPastEveryRestoreTickIsToldAndTheNextPairStillGivesItBack) {
  lib->InsertText(L"%To% ", true);
  win32::clock::Advance(10);  // pasted
  win32::clipboard::SetHeldByOtherProgram(true);
  const size_t from = support::library::Log().size();
  win32::clock::Advance(10 * (kHeldTries + 2));
  win32::clipboard::SetHeldByOtherProgram(false);
  EXPECT_EQ(lib->PasteForm()->Phase(), 0);
  bool told = false;
  for (size_t i = from; i < support::library::Log().size(); ++i)
    told = told || (support::library::Log()[i].level >= kLevelError &&
                    support::library::Log()[i].procedure == L"CClipboard::Restore");
  EXPECT_TRUE(told) << "the user's clipboard not given back, untold";
  win32::clipboard::SetText(L"the user's next text");
  HostClipboard().Save();
  win32::clipboard::SetText(L"the system's own copy");
  HostClipboard().Restore();
  EXPECT_EQ(win32::clipboard::Text(), L"the user's next text");
  EXPECT_EQ(HostClipboard().UseCount(), 0);
}

TEST_F(Lib, HelpIsNotThereYet) {
  win32::msgbox::Answer(vb::vbOK);
  RL_CLib::ShowHelpTopic(L"Insert_Process_Personalization_Items.htm");
  ASSERT_EQ(win32::msgbox::Shown().size(), 1u);
  EXPECT_EQ(win32::msgbox::Shown()[0].text,
            L"Not Implemented\r\nTopic-Insert_Process_Personalization_Items.htm");
}

}  // namespace
