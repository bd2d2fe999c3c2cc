// The "Standard" toolbar: the reply pairs beside Outlook's own buttons, following them and the
// hide options, their quick items, what their clicks run, and no writes when nothing changed.
#include "commands/mExplorer.h"
#include "tests/explorer_ui/ExplorerUiTest.h"

namespace {
class Toolbar : public ExplorerUiTest {
 protected:
  void SetUp() override {
    Start(11);
    menu = NewMenu();
  }
  bars::PopupPtr Popup(const wchar_t* member) { return office::AsPopup(Find(member)); }
  bars::ButtonPtr Quick(const wchar_t* popup, int32_t i) {
    return office::AsButton(Popup(popup)->Controls().Item(i + 1));
  }
  std::shared_ptr<CExplorerMenu> menu;
};
}  // namespace

TEST_F(Toolbar, EachPairStandsBeforeOutlooksButtonWithItsDropDownAfterIt) {
  Show(p.inbox, {p.plainMail});
  EXPECT_EQ((std::vector<std::wstring>{L"1757", L"1747", L"btnTanvelo", L"popTanvelo", L"354",
                                       L"btnReplyAllWith", L"popReplyAllWith", L"355",
                                       L"btnForwardWith", L"popForwardWith", L"356", L"1874",
                                       L"btnTemplate", L"popTemplate"}),
            Layout(*Bar(L"Standard")));
  EXPECT_EQ(L"Reply using a template", Button(L"btnTanvelo")->TooltipText());
  EXPECT_EQ(L"", Button(L"btnTanvelo")->Caption());
  EXPECT_EQ(L"Reply with...", Quick(L"popTanvelo", 0)->Caption());
  // A drop-down beside its button shows its arrow alone: one blank, never a caption of its own.
  for (const wchar_t* pop : {L"popTanvelo", L"popReplyAllWith", L"popForwardWith", L"popTemplate"})
    EXPECT_EQ(L" ", Popup(pop)->Caption()) << pop;
}

TEST_F(Toolbar, PairsFollowOutlooksButtonsAndTheHideOptions) {
  auto standard = Bar(L"Standard");
  standard->FindControl(0, 354)->SetVisible(false);  // the user took Reply off the toolbar
  standard->FindControl(0, 355)->SetEnabled(false);
  Show(p.inbox, {p.plainMail});
  EXPECT_FALSE(Button(L"btnTanvelo")->Visible());
  EXPECT_FALSE(Popup(L"popTanvelo")->Visible());
  auto replyAll = Button(L"btnReplyAllWith");
  EXPECT_TRUE(replyAll->Visible());
  EXPECT_FALSE(replyAll->Enabled());
  EXPECT_FALSE(Popup(L"popReplyAllWith")->Enabled());

  standard->FindControl(0, 355)->SetEnabled(true);
  Options().SetHideForwardWithBtn(true);
  Show(p.inbox, {p.plainMail});
  EXPECT_TRUE(replyAll->Enabled());
  EXPECT_EQ(L"Mask=CMDREPLYALLWITHMASK", replyAll->IconWrites().back());
  EXPECT_FALSE(Button(L"btnForwardWith")->Visible());
  EXPECT_FALSE(Popup(L"popForwardWith")->Visible());

  Options().SetHideForwardWithBtn(false);
  Show(templates);
  for (const wchar_t* pop : {L"popTanvelo", L"popReplyAllWith", L"popForwardWith"})
    EXPECT_FALSE(Popup(pop)->Visible()) << "no reply from the templates folder";
  Show(p.inbox, {p.plainMail});
  EXPECT_TRUE(Button(L"btnForwardWith")->Visible());
  EXPECT_TRUE(Button(L"btnForwardWith")->Enabled());
}

TEST_F(Toolbar, AnUpdateWithNothingChangedWritesNothing) {
  UsedTemplate(L"Often", 2);
  Show(p.inbox, {p.plainMail});
  auto writes = office::PropertyWrites();
  cbars->FireOnUpdate();
  cbars->FireOnUpdate();
  EXPECT_EQ(writes, office::PropertyWrites()) << "each write repaints a bar";
  Show(templates);  // a real change writes
  EXPECT_LT(writes, office::PropertyWrites());
}

TEST_F(Toolbar, ADropDownIsShownAgainWhenItsButtonsEnabledStateFlips) {
  Show(p.inbox, {p.plainMail});
  auto reply = Bar(L"Standard")->FindControl(0, 354);
  auto popup = Popup(L"popTanvelo");
  // A write of Visible armed to fail tells whether the update wrote Visible at all.
  popup->FailNextWrite(L"Visible");
  cbars->FireOnUpdate();  // nothing changed: the drop-down is left alone
  EXPECT_THROW(popup->SetVisible(true), vb::Error);
  for (bool enabled : {false, true}) {
    reply->SetEnabled(enabled);
    popup->FailNextWrite(L"Visible");
    cbars->FireOnUpdate();
    // Office repaints the arrow only when the drop-down is shown again.
    EXPECT_NO_THROW(popup->SetVisible(true)) << enabled;
    EXPECT_TRUE(popup->Visible());
    EXPECT_EQ(enabled, popup->Enabled());
  }
}

TEST_F(Toolbar, OnlyTheGroupWhoseMostUsedChangedIsRewritten) {
  auto often = UsedTemplate(L"Often", 2);
  Show(p.inbox, {p.plainMail});
  EXPECT_EQ(L"Often", Quick(L"popTanvelo", 1)->Caption());
  EXPECT_FALSE(Quick(L"popReplyAllWith", 1)->Visible());
  size_t replyIcons = Quick(L"popTanvelo", 1)->IconWrites().size();
  g_oFrequentlyTemplates->IncUseCount(often->EntryID(), 2);
  cbars->FireOnUpdate();
  EXPECT_EQ(L"Often", Quick(L"popReplyAllWith", 1)->Caption());
  EXPECT_TRUE(Quick(L"popReplyAllWith", 1)->Visible());
  EXPECT_EQ(replyIcons, Quick(L"popTanvelo", 1)->IconWrites().size());
}

TEST_F(Toolbar, ClicksRunTheirCommandsWithTheirTemplates) {
  auto first = UsedTemplate(L"First", 3);
  auto second = UsedTemplate(L"Second", 2);
  auto third = UsedTemplate(L"Third", 1);
  Show(p.inbox, {p.plainMail});
  Button(L"btnTanvelo")->UserClick();  // no default template: the user picks one
  Options().SetDefaultTemplateID(second->EntryID());
  Button(L"btnTanvelo")->UserClick();
  Button(L"btnForwardWithSub")->UserClick();  // always asks, default or not
  Quick(L"popTanvelo", 3)->UserClick();       // only item 1 is bound, item 3 answers
  Quick(L"popTanvelo", 5)->RaiseClick();      // hidden: nothing
  EXPECT_EQ(
      (std::vector<std::wstring>{L"Tanvelo 1 '' 2", L"Tanvelo 1 '" + second->EntryID() + L"' 2",
                                 L"Tanvelo 4 '' 2", L"Tanvelo 1 '" + third->EntryID() + L"' 2"}),
      ran);
  (void)first;
}

TEST_F(Toolbar, AWriteOfficeRefusesInAGroupLeavesTheRestOfTheGroupMade) {
  std::vector<std::shared_ptr<outlook::Item>> used;
  for (int32_t i = 1; i <= 5; ++i) used.push_back(UsedTemplate(L"T" + std::to_wstring(i), 10 - i));
  // Office will not take the reply group's third caption.
  office::RefuseWriteAnywhere(L"Caption", L"frequently used favorite 3");
  Show(p.inbox, {p.plainMail});
  auto popup = Popup(L"popTanvelo");
  ASSERT_EQ(6, popup->Controls().Count());
  EXPECT_FALSE(Logged(L"CExplorerMenu::Update_FreqButtons"));
  EXPECT_EQ(
      (std::vector<std::wstring>{Text(L"BTN_TANVELO_SUB"), L"T1", L"T2", L"T3", L"T4", L"T5"}),
      Captions(popup));
  // Every item shares the group's Tag: the last one still reaches the bound handler.
  Quick(L"popTanvelo", 5)->UserClick();
  EXPECT_EQ((std::vector<std::wstring>{L"Tanvelo 1 '" + used[4]->EntryID() + L"' 2"}), ran);
}

TEST_F(Toolbar, ChangingTheDefaultRelabelsTheMenusAtOnce) {
  TheExplorerCommands().ChangeDefault = mExplorer::Explorer_ChangeDefault;
  auto a = outlook::AddUnsentMail(templates, L"A");
  Show(templates, {a});
  auto change = Button(L"btnChangeDefault");
  EXPECT_EQ(Text(L"BTN_CHANGE_DEFAULT_SET"), change->Caption());
  change->RaiseClick();  // no update from Office in between
  EXPECT_EQ(a->EntryID(), Options().DefaultTemplateID());
  EXPECT_EQ(Text(L"BTN_CHANGE_DEFAULT_CLEAR"), change->Caption());
  EXPECT_EQ(Text(L"BTN_CHANGE_DEFAULT_CLEAR"), Button(L"btnChangeDefault2")->Caption());
}

TEST_F(Toolbar, TheImportRunsWithoutUpdatesOfItsWindow) {
  Show(p.inbox, {p.plainMail});
  bool stillInbox = false;
  TheExplorerCommands().Import = [&] {
    explorer->SetCurrentFolder(templates);
    cbars->FireOnUpdate();
    stillInbox = menu->State().IsOtherMailFolder;
    vb::Raise(5);  // however the import ends, the window is updated again afterwards
  };
  Button(L"btnImport2")->RaiseClick();
  EXPECT_TRUE(stillInbox);
  cbars->FireOnUpdate();
  EXPECT_TRUE(menu->State().IsTemplatesFolder);
}

namespace {
// Office refuses every add on "Standard" for the first update (the user's toolbar is locked), so
// that the rest of the window's bars are made; the reply pairs come at a later update.
class RefusedToolbar : public Toolbar {
 protected:
  void SetUp() override {
    Toolbar::SetUp();
    reply = Bar(L"Standard")->FindControl(0, 354);
    Bar(L"Standard")->SetProtection(office::msoBarNoCustomize);
    Show(p.inbox, {p.plainMail});
    Bar(L"Standard")->SetProtection(0);
  }
  bars::ControlPtr reply;
};
}  // namespace

TEST_F(RefusedToolbar, ReplyKeepsItsSeparatorUntilTheProgramsButtonIsThereToTakeIt) {
  EXPECT_FALSE(Find(L"btnTanvelo"));
  EXPECT_TRUE(reply->BeginGroup());
  cbars->FireOnUpdate();
  EXPECT_FALSE(reply->BeginGroup());
  EXPECT_TRUE(Button(L"btnTanvelo")->BeginGroup());
  menu.reset();
  EXPECT_TRUE(reply->BeginGroup());
}

TEST_F(RefusedToolbar, AChooseItemOfficeRefusesIsMadeWithTheQuickItemsAtTheNextUpdate) {
  UsedTemplate(L"Often", 2);
  office::FailCallAnywhere(L"Add", 2);  // the reply button and drop-down pass, its first item not
  cbars->FireOnUpdate();
  ASSERT_TRUE(Popup(L"popTanvelo"));
  EXPECT_EQ(0, Popup(L"popTanvelo")->Controls().Count()) << "no quick item in its place";
  EXPECT_EQ(6, Popup(L"popReplyAllWith")->Controls().Count());
  cbars->FireOnUpdate();
  EXPECT_EQ((std::vector<std::wstring>{Text(L"BTN_TANVELO_SUB"), L"Often"}),
            Captions(Popup(L"popTanvelo")));
  Quick(L"popTanvelo", 1)->UserClick();
  Button(L"btnTanveloSub")->UserClick();
  ASSERT_EQ(2u, ran.size());
  EXPECT_EQ(L"Tanvelo 1 '' 2", ran[1]);
  EXPECT_FALSE(Logged(L"CExplorerMenu::Update_FreqButtons"));
}

TEST_F(RefusedToolbar, ADropDownOfficeRefusesIsMadeAtALaterUpdate) {
  office::FailCallAnywhere(L"Add", 1);  // the reply button passes, its drop-down not
  cbars->FireOnUpdate();
  ASSERT_TRUE(Find(L"btnTanvelo"));
  EXPECT_FALSE(Find(L"popTanvelo"));
  // Refused again while Reply's enabled state flips: the button is repainted without it.
  office::FailCallAnywhere(L"Add");
  reply->SetEnabled(false);
  cbars->FireOnUpdate();
  EXPECT_FALSE(Button(L"btnTanvelo")->Enabled());
  EXPECT_FALSE(Find(L"popTanvelo"));
  cbars->FireOnUpdate();
  EXPECT_EQ((std::vector<std::wstring>{L"1757", L"1747", L"btnTanvelo", L"popTanvelo", L"354",
                                       L"btnReplyAllWith", L"popReplyAllWith", L"355",
                                       L"btnForwardWith", L"popForwardWith", L"356", L"1874",
                                       L"btnTemplate", L"popTemplate"}),
            Layout(*Bar(L"Standard")));
  EXPECT_EQ(6, Popup(L"popTanvelo")->Controls().Count());
  EXPECT_FALSE(Popup(L"popTanvelo")->Enabled());
}
