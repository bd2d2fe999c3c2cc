// The explorer menu object: when it works at all, the state its controls follow, building once
// and only what is missing, teardown and reconnection, several windows.
#include "platform/support/LibNorvane.h"
#include "platform/win32/Faults.h"
#include "tests/explorer_ui/ExplorerUiTest.h"

namespace {
class ExplorerMenu : public ExplorerUiTest {
 protected:
  size_t AboutCalls() {
    size_t n = 0;
    for (const auto& c : support::library::Calls()) n += c.function == "LibNorvaneAddAboutMenu";
    return n;
  }
};
}  // namespace

TEST_F(ExplorerMenu, Outlook2010KeepsItsRibbonUnlessTheOptionBringsTheBarsBack) {
  Start(14);
  int32_t before = CountControls();
  auto menu = NewMenu();
  Show(p.inbox, {p.plainMail});
  EXPECT_FALSE(menu->IsBound());
  EXPECT_EQ(before, CountControls()) << "nothing added to any bar";
  EXPECT_EQ(0u, AboutCalls());

  Options().SetShowOldControlsOn2010(true);
  auto old = NewMenu();
  Show(p.inbox, {p.plainMail});
  EXPECT_TRUE(Button(L"btnTanvelo"));
  EXPECT_TRUE(Find(L"popActionMenu"));
  EXPECT_EQ(1u, AboutCalls());
}

TEST_F(ExplorerMenu, StateFollowsTheActiveFolderSelectionAndOutlooksOwnButtons) {
  Start(11);
  auto menu = NewMenu();
  auto a = outlook::AddUnsentMail(templates, L"A");
  auto b = outlook::AddUnsentMail(templates, L"B");
  Options().SetDefaultTemplateID(a->EntryID());

  Show(templates, {a, b});
  auto s = menu->State();
  EXPECT_TRUE(s.IsTemplatesFolder && s.IsTemplateSelected && s.IsDefaultTemplateSelected);
  EXPECT_FALSE(s.IsOtherMailFolder || s.ReplyVisible || s.ReplyEnabled || s.ForwardVisible)
      << "no reply from the templates folder, though Outlook's Reply is there";
  EXPECT_EQ(2, s.SelCount);

  // A received (sent) mail filed among the templates is no template.
  auto received = outlook::AddReceivedMail(templates, p.kimRoe, L"Filed", 1, L"x");
  Show(templates, {received});
  EXPECT_TRUE(menu->State().IsMailSelected);
  EXPECT_FALSE(menu->State().IsTemplateSelected);

  Bar(L"Standard")->FindControl(0, 355)->SetEnabled(false);
  Bar(L"Standard")->FindControl(0, 356)->Delete();
  Show(p.contacts, {p.kimContact});
  s = menu->State();
  EXPECT_TRUE(s.IsContactFolder);
  EXPECT_FALSE(s.IsOtherMailFolder || s.IsTemplatesFolder || s.IsMailSelected);
  EXPECT_TRUE(s.ReplyVisible && s.ReplyEnabled) << "copied in a contacts folder too";
  EXPECT_TRUE(s.ReplyAllVisible && !s.ReplyAllEnabled);
  EXPECT_FALSE(s.ForwardVisible || s.ForwardEnabled) << "a missing Forward counts as off";

  auto below = p.drafts->Folders()->Add(L"Later");
  Show(below);
  s = menu->State();
  EXPECT_TRUE(s.IsDraftsFolder && s.IsOtherMailFolder);
  EXPECT_EQ(0, s.SelCount);
  EXPECT_FALSE(s.IsMailSelected);
}

TEST_F(ExplorerMenu, UpdatesBuildOnceAndPickUpAnchorsThatTurnUpLater) {
  Start(11);
  auto standard = Bar(L"Standard");
  standard->FindControl(0, 356)->Delete();
  auto menu = NewMenu();
  Show(p.inbox, {p.plainMail});
  EXPECT_TRUE(Button(L"btnTanvelo"));
  EXPECT_FALSE(Button(L"btnForwardWith")) << "no Forward to stand beside";
  int32_t count = CountControls();
  for (int i = 0; i < 4; ++i) Show(i % 2 ? p.inbox : templates);
  EXPECT_EQ(count, CountControls());

  standard->Controls().Add(office::msoControlButton, 356, L"", standard->Controls().Count());
  cbars->FireOnUpdate();
  auto forward = Button(L"btnForwardWith");
  ASSERT_TRUE(forward);
  EXPECT_EQ(356, standard->Controls().Item(forward->Index() + 2)->Id());
  EXPECT_EQ(count + 1 + 8, CountControls())
      << "Forward, then button, drop-down, choose item and five quick items";
}

TEST_F(ExplorerMenu, FileNewOfferesANewMailFromATemplateFrom2002On) {
  Start(11);
  auto menu = NewMenu();
  Show(p.inbox);
  auto fileNew = office::AsPopup(
      office::AsPopup(cbars->ActiveMenuBar()->Controls().Item(1))->Controls().Item(1));
  EXPECT_EQ((std::vector<std::wstring>{L"1757", L"btnNewFromTemplate5"}),
            Layout(*fileNew->CommandBar()));
  Button(L"btnNewFromTemplate5")->UserClick();
  EXPECT_EQ(std::vector<std::wstring>{L"DemandNewMailFromTemplate '' 0"}, ran);
}

TEST_F(ExplorerMenu, Outlook2000HasNoFileNewItem) {
  Start(9);
  auto menu = NewMenu();
  Show(p.inbox);
  EXPECT_FALSE(Find(L"btnNewFromTemplate5"));
  EXPECT_TRUE(Find(L"btnTanvelo"));
}

TEST_F(ExplorerMenu, ClosingGivesOutlooksReplyItsSeparatorBack) {
  Start(11);
  auto reply = Bar(L"Standard")->FindControl(0, 354);
  auto menu = NewMenu();
  Show(p.inbox, {p.plainMail});
  EXPECT_FALSE(reply->BeginGroup());
  EXPECT_TRUE(Button(L"btnTanvelo")->BeginGroup());
  menu.reset();
  EXPECT_TRUE(reply->BeginGroup());
}

TEST_F(ExplorerMenu, AReconnectionTakesOverTheControlsOfTheFirstConnection) {
  Start(11);
  auto menu = NewMenu();
  Show(p.inbox, {p.plainMail});
  int32_t count = CountControls();
  menu.reset();  // disconnection: the add-in's temporary controls stay until Outlook exits
  auto again = NewMenu();
  Show(p.inbox, {p.plainMail});
  EXPECT_EQ(count, CountControls()) << "no second set";
  Button(L"btnTanveloSub")->UserClick();
  Button(L"btnNewTemplate2")->RaiseClick();
  EXPECT_EQ((std::vector<std::wstring>{L"Tanvelo 1 '' 2", L"NewTemplate"}), ran)
      << "each click runs once, through the new connection";
}

TEST_F(ExplorerMenu, EachWindowHandlesOnlyTheClicksOfItsOwnControls) {
  Start(11);
  UsedTemplate(L"Often", 2);
  auto menu = NewMenu();
  auto second = NewWindow(11);
  auto secondBars = second.bars;
  Show(p.inbox, {p.plainMail});
  secondBars->FireOnUpdate();
  auto quick = office::AsButton(office::AsPopup(Find(L"popTanvelo"))->Controls().Item(2));
  auto quick2 = office::AsButton(
      office::AsPopup(secondBars->FindControl(0, 0, CExplorerMenu::TagOf(L"popTanvelo")))
          ->Controls()
          .Item(2));
  EXPECT_NE(quick->Tag(), quick2->Tag());
  quick->UserClick();
  office::AsButton(secondBars->FindControl(0, 0, CExplorerMenu::TagOf(L"btnTemplate")))
      ->UserClick();
  Button(L"btnForwardWithSub")->UserClick();
  ASSERT_EQ(2u, ran.size()) << "one command per click, whatever the number of windows";
  EXPECT_EQ(L"Tanvelo 4 '' 2", ran[1]);
}

TEST_F(ExplorerMenu, AMissingBarOrMenuIsLoggedOncePerWindow) {
  Start(11);
  auto bare = office::CommandBars::Create();
  bare->AddBuiltInBar(L"Context Menu", office::msoBarTypePopup);
  explorer->SetCommandBars(bare);
  auto menu = NewMenu();
  for (int i = 0; i < 5; ++i) bare->FireOnUpdate();
  EXPECT_EQ(1u, LogCount(L"CExplorerMenu::Create_TemplateMenu"));
  EXPECT_EQ(1u, LogCount(L"CExplorerMenu::Create_ImportExportMenu"));
  EXPECT_EQ(1u, LogCount(L"CExplorerMenu::Create_ActionMenuContact"));
}

TEST_F(ExplorerMenu, TheAboutEntryIsAskedForUntilTheLibraryAddsIt) {
  Start(11);
  support::library::SetAboutMenuResult(1);
  auto menu = NewMenu();
  cbars->FireOnUpdate();
  cbars->FireOnUpdate();
  EXPECT_EQ(2u, AboutCalls());
  support::library::SetAboutMenuResult(0);
  cbars->FireOnUpdate();
  cbars->FireOnUpdate();
  EXPECT_EQ(3u, AboutCalls());
}

// Outlook busy a moment does not hide the send-drafts items; refused for good, the log names
// them.
TEST_F(ExplorerMenu, TheDraftsItemsOutlastARefusedLookAndARunOfRefusalsIsNamed) {
  Start(11);
  auto menu = NewMenu();
  auto below = p.drafts->Folders()->Add(L"Later");
  explorer->SetCurrentFolder(below);
  explorer->Select({});
  win32::faults::Start({.countOnly = true});
  cbars->FireOnUpdate();
  win32::faults::Stop();
  const uint64_t calls = win32::faults::Counts().calls;
  ASSERT_GE(calls, 1u);
  for (uint64_t at = 1; at <= calls; ++at) {
    win32::faults::Start({.at = at, .span = uint64_t{kHeldTries} - 1});
    cbars->FireOnUpdate();
    win32::faults::Stop();
    EXPECT_TRUE(menu->State().IsDraftsFolder) << at;
  }
  EXPECT_FALSE(Logged(L"CExplorerMenu::ComputeState"));
  win32::faults::Start({.at = 1, .span = 100000});
  cbars->FireOnUpdate();
  win32::faults::Stop();
  EXPECT_TRUE(Logged(L"CExplorerMenu::ComputeState", LangText(L"BTN_SEND_DRAFTS")));
}

// Every look of the update outlasts Outlook busy a moment; refused for good, whatever it leaves
// hidden, disabled or wrongly captioned is named, the default's caption too.
TEST_F(ExplorerMenu, EveryLookOutlastsARefusedMomentAndARefusalForGoodNamesWhatItChanged) {
  Start(11);
  auto menu = NewMenu();
  auto a = outlook::AddUnsentMail(templates, L"A");
  Options().SetDefaultTemplateID(a->EntryID());
  const std::wstring clear = LangText(L"BTN_CHANGE_DEFAULT_CLEAR");
  bool clearNamed = false;
  for (bool inTemplates : {true, false}) {
    if (inTemplates)
      Show(templates, {a});
    else
      Show(p.inbox, {p.plainMail});
    const ExplorerMenuState clean = menu->State();
    const size_t toldBefore = LogCount(L"CExplorerMenu::ComputeState");
    ASSERT_EQ(inTemplates, clean.IsDefaultTemplateSelected);
    win32::faults::Start({.countOnly = true});
    cbars->FireOnUpdate();
    win32::faults::Stop();
    const uint64_t calls = win32::faults::Counts().calls;
    ASSERT_GE(calls, 5u);
    for (uint64_t at = 1; at <= calls; ++at) {
      win32::faults::Start({.at = at, .span = uint64_t{kHeldTries} - 1});
      cbars->FireOnUpdate();
      win32::faults::Stop();
      EXPECT_EQ(clean, menu->State()) << inTemplates << " " << at;
    }
    EXPECT_EQ(toldBefore, LogCount(L"CExplorerMenu::ComputeState"));
    for (uint64_t at = 1; at <= calls; ++at) {
      const size_t before = LogCount(L"CExplorerMenu::ComputeState");
      win32::faults::Start({.at = at, .span = 100000});
      cbars->FireOnUpdate();
      win32::faults::Stop();
      const bool told = LogCount(L"CExplorerMenu::ComputeState") > before;
      EXPECT_TRUE(told || clean == menu->State()) << inTemplates << " " << at;
      clearNamed |=
          told && menu->State().IsTemplateSelected && Logged(L"CExplorerMenu::ComputeState", clear);
    }
  }
  EXPECT_TRUE(clearNamed) << "a default refused alone names its caption";
}
