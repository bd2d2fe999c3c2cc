// The command-bar conventions both windows' bars rely on: quick items (build, refill, clicks by
// Tag), the enabled look of reply controls, icons per Outlook version, reuse after reconnection.
#include "commandbars/CommandBarKit.h"
#include "tests/explorer_ui/ExplorerUiTest.h"

using namespace bars;

namespace {
class CommandBarKit : public ExplorerUiTest {
 protected:
  // A drop-down at the end of "Standard" holding its choose item and a quick-item group.
  void MakeGroup(QuickItems& group) {
    group.popup = AddPopup(*cbars->Item(L"Standard"));
    AddButton(*group.popup->CommandBar())->SetCaption(L"Reply with...");
    CreateQuickItems(group, [this](const ButtonPtr& ctrl, bool&) {
      if (auto id = QuickItemTemplate(ctrl)) ran.push_back(*id);
    });
  }
  ButtonPtr Item(QuickItems& group, int32_t i) {
    return office::AsButton(group.popup->Controls().Item(i));
  }
};
}  // namespace

TEST_F(CommandBarKit, QuickItemsStartHiddenWithOneTagPerGroupAndWindow) {
  Start(11);
  QuickItems reply, forward, other;
  MakeGroup(reply);
  MakeGroup(forward);
  ASSERT_EQ(6, reply.popup->Controls().Count());
  for (int32_t i = 2; i <= 6; ++i) {
    EXPECT_FALSE(Item(reply, i)->Visible());
    EXPECT_EQ(reply.tag, Item(reply, i)->Tag());
    EXPECT_EQ(office::msoButtonIconAndCaption, Item(reply, i)->Style());
    EXPECT_EQ(i == 2, Item(reply, i)->BeginGroup());
  }
  EXPECT_EQ(L"frequently used favorite 5", Item(reply, 6)->Caption());
  EXPECT_EQ(10u, reply.tag.size());
  EXPECT_NE(reply.tag, forward.tag) << "a click on one group would fire the other's command";
  auto otherWindow = office::MakeOutlookExplorerBars(11);
  other.popup = AddPopup(*otherWindow->Item(L"Standard"));
  AddButton(*other.popup->CommandBar());
  CreateQuickItems(other, [](const ButtonPtr&, bool&) {});
  EXPECT_NE(reply.tag, other.tag);
}

TEST_F(CommandBarKit, AWriteOfficeRefusesCostsTheGroupOnlyThatOneProperty) {
  Start(11);
  office::RefuseWriteAnywhere(L"Caption", L"frequently used favorite 2");
  office::RefuseWriteAnywhere(L"Style", L"3");  // the first item's
  QuickItems group;
  MakeGroup(group);
  ASSERT_EQ(6, group.popup->Controls().Count());
  for (int32_t i = 2; i <= 6; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(group.tag, Item(group, i)->Tag());
    EXPECT_FALSE(Item(group, i)->Visible());
  }
  EXPECT_NE(office::msoButtonIconAndCaption, Item(group, 2)->Style());
  EXPECT_EQ(office::msoButtonIconAndCaption, Item(group, 3)->Style());
  EXPECT_EQ(L"", Item(group, 3)->Caption());
  EXPECT_EQ(L"frequently used favorite 5", Item(group, 6)->Caption());
  EXPECT_TRUE(Item(group, 2)->BeginGroup());
  EXPECT_EQ(Item(group, 2), group.first.get());
}

TEST_F(CommandBarKit, RefillShowsTheMostUsedAndRewritesNothingWhenUnchanged) {
  Start(11);
  auto qa = UsedTemplate(L"Q&A answer", 3);
  auto offer = UsedTemplate(L"Offer", 2);
  offer->Recipients()->Add(L"kim.roe@partner.example");
  offer->Save();
  g_oFrequentlyTemplates->RefreshAll();
  QuickItems group;
  MakeGroup(group);
  RefreshQuickItems(group, 1, L"Test::Refill");
  EXPECT_EQ(L"Q&&A answer", Item(group, 2)->Caption()) << "shows as Q&A, no accelerator";
  EXPECT_EQ(qa->EntryID(), Item(group, 2)->Parameter());
  EXPECT_TRUE(Item(group, 2)->Visible());
  EXPECT_EQ(L"Offer", Item(group, 3)->Caption());
  EXPECT_EQ(L"Mask=CMDPREADDRESSEDTEMPLATEMASK", Item(group, 3)->IconWrites().back());
  EXPECT_EQ(L"Mask=CMDTEMPLATEMASK", Item(group, 2)->IconWrites().back());
  for (int32_t i = 4; i <= 6; ++i) {
    EXPECT_FALSE(Item(group, i)->Visible());
    EXPECT_EQ(L"", Item(group, i)->Caption());
    EXPECT_EQ(L"", Item(group, i)->Parameter());
  }
  auto writes = office::PropertyWrites();
  RefreshQuickItems(group, 1, L"Test::Refill");
  EXPECT_EQ(writes, office::PropertyWrites()) << "each write repaints the bar";

  // Clicks: item 3 is not bound, yet its own template is used; a hidden item does nothing.
  Item(group, 3)->UserClick();
  Item(group, 5)->RaiseClick();
  EXPECT_EQ(std::vector<std::wstring>{offer->EntryID()}, ran);
}

TEST_F(CommandBarKit, AFailedRefillIsRedoneAtTheNextUpdate) {
  Start(11);
  UsedTemplate(L"First", 3);
  UsedTemplate(L"Second", 2);
  QuickItems group;
  MakeGroup(group);
  Item(group, 3)->FailNextWrite(L"Caption");
  RefreshQuickItems(group, 1, L"CExplorerMenu::Update_FreqButtons");
  EXPECT_TRUE(Logged(L"CExplorerMenu::Update_FreqButtons"));
  EXPECT_FALSE(Item(group, 3)->Visible());
  RefreshQuickItems(group, 1, L"CExplorerMenu::Update_FreqButtons");
  EXPECT_EQ(L"Second", Item(group, 3)->Caption());
  EXPECT_TRUE(Item(group, 3)->Visible());
}

TEST_F(CommandBarKit, ReplyControlsSwapFacesOnlyWhenTheirStateChanges) {
  Start(11);
  auto button = AddButton(*cbars->Item(L"Standard"));
  TVButtonEnable(button, 2, true, L"Ctx");
  EXPECT_TRUE(button->IconWrites().empty()) << "already enabled: nothing written";
  TVButtonEnable(button, 2, false, L"Ctx");
  EXPECT_FALSE(button->Enabled());
  EXPECT_EQ(std::vector<std::wstring>{L"FaceId=355"}, button->IconWrites())
      << "Outlook's greyed Reply to All face";
  TVButtonEnable(button, 2, true, L"Ctx");
  EXPECT_TRUE(button->Enabled());
  EXPECT_EQ(L"Picture=CMDREPLYALLWITH", button->IconWrites()[1]);
  TVButtonEnable(button, 3, false, L"Ctx");
  EXPECT_TRUE(button->Enabled());
  EXPECT_TRUE(Logged(L"Ctx", L"invalid type - 3"));
}

TEST_F(CommandBarKit, Outlook2000GetsOfficeFacesAndNoBitmap) {
  Start(9);
  auto button = AddButton(*cbars->Item(L"Standard"));
  SetIcon(button, kIconTemplateEdit);
  TVButtonEnable(button, 1, false, L"Ctx");
  TVButtonEnable(button, 1, true, L"Ctx");
  EXPECT_EQ(std::vector<std::wstring>{L"FaceId=593"}, button->IconWrites());
  EXPECT_TRUE(button->Enabled());
}

TEST_F(CommandBarKit, ControlsLeftByAnEarlierConnectionAreTakenOverByTag) {
  Start(11);
  auto& standard = *cbars->Item(L"Standard");
  int32_t before = standard.Controls().Count();
  auto first = AddPopup(standard, 3, L"Tanvelo.popTanvelo");
  QuickItems group;
  group.popup = first;
  AddButton(*first->CommandBar(), std::nullopt, L"Tanvelo.btnTanveloSub");
  CreateQuickItems(group, [](const ButtonPtr&, bool&) {});
  std::wstring tag = group.tag;

  QuickItems again;  // a new connection: the members are empty, the controls are there
  again.popup = AddPopup(standard, 3, L"Tanvelo.popTanvelo");
  AddButton(*again.popup->CommandBar(), std::nullopt, L"Tanvelo.btnTanveloSub");
  CreateQuickItems(again, [this](const ButtonPtr& ctrl, bool&) { ran.push_back(ctrl->Tag()); });
  EXPECT_EQ(first, again.popup);
  EXPECT_EQ(before + 1, standard.Controls().Count());
  EXPECT_EQ(6, again.popup->Controls().Count());
  EXPECT_EQ(tag, again.tag);
  office::AsButton(again.popup->Controls().Item(4))->RaiseClick();
  EXPECT_EQ(std::vector<std::wstring>{tag}, ran);
}

TEST_F(CommandBarKit, ControlsAreKnownByTheWindowTheyStandIn) {
  Start(11);
  auto popup = AddPopup(*cbars->Item(L"Menu Bar"));
  auto item = AddButton(*popup->CommandBar());
  EXPECT_TRUE(IsOnBars(item, *cbars));
  EXPECT_FALSE(IsOnBars(item, *office::MakeOutlookExplorerBars(11)));
  EXPECT_EQ(L"a && b &&&&", LiteralCaption(L"a & b &&"));
}
