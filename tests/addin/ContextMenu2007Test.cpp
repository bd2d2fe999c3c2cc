// The item context menu of Outlook 2007 and later as the add-in object handles it: entries
// where the explorer ribbon would show its twin enabled, clicks run by the ribbon's dispatcher,
// and the menu object's life from one display to the close.
#include "inspector_ui/CItemContextMenu.h"
#include "platform/office/BuiltInBars.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "tests/addin/RibbonFakes.h"

using namespace ribbontest;

namespace {

class ContextMenu2007 : public RibbonTest {
 protected:
  void SetUp() override {
    RibbonTest::SetUp();
    g_oApp =
        outlook::BuildProfile({.version = L"12.0.0.6423"}).app;  // the menu is built by version
    bars = office::CommandBars::Create();
  }
  // Outlook shows the item context menu: a fresh bar, the display event.
  std::vector<std::wstring> Show() {
    bar = bars->AddBuiltInBar(L"Context Menu " + std::to_wstring(++shown), office::msoBarTypePopup);
    office::FillBuiltIns(*bar, {354, 355, 356});
    ribbon.m_o2007events_OnItemContextMenuDisplay(bar, std::any());
    std::vector<std::wstring> captions;
    auto popup = bar->Controls().Item(1);
    if (popup->Tag().rfind(L"NorvaneTanvelo", 0) != 0) return {L"<no popup>"};
    for (const auto& c : office::AsPopup(popup)->Controls()) captions.push_back(c->Caption());
    return captions;
  }
  std::shared_ptr<office::CommandBars> bars;
  std::shared_ptr<office::CommandBar> bar;
  int shown = 0;
};

}  // namespace

TEST_F(ContextMenu2007, EntriesAreThoseTheExplorerRibbonWouldShowEnabled) {
  // A received mail selected in the Inbox.
  facts->selectionCount = 1;
  facts->mailSelected = true;
  EXPECT_EQ((std::vector<std::wstring>{L"BTN_TANVELO_SUB", L"BTN_REPLY_ALL_WITH_SUB",
                                       L"BTN_FORWARD_WITH_SUB", L"BTN_NEW_FROM_TEMPLATE",
                                       L"BTN_SAVE_AS_TEMPLATE"}),
            Show());
  // Outlook's Forward greyed: no forward entry.
  facts->builtins[356] = {false, true};
  EXPECT_EQ(L"BTN_NEW_FROM_TEMPLATE", Show()[2]);
  // The default template alone, in the templates folder.
  facts->templateFolder = true;
  facts->mailFolder = false;
  facts->templateSelected = facts->defaultSelected = true;
  EXPECT_EQ(
      (std::vector<std::wstring>{L"BTN_NEW_TEMPLATE", L"BTN_EDIT_TEMPLATE", L"BTN_OPEN_DUPLICATE2",
                                 L"BTN_HOTKEY", L"BTN_CHANGE_DEFAULT_CLEAR"}),
      Show());
  // A draft in Drafts.
  facts->templateFolder = facts->templateSelected = facts->defaultSelected = false;
  facts->draftsFolder = facts->mailFolder = true;
  facts->builtins[354] = facts->builtins[355] = {false, false};
  EXPECT_EQ((std::vector<std::wstring>{L"BTN_NEW_FROM_TEMPLATE", L"BTN_SAVE_AS_TEMPLATE",
                                       L"BTN_SEND_DRAFTS"}),
            Show());
}

TEST_F(ContextMenu2007, EachDisplayMakesANewMenuWithAFreshTag) {
  Show();
  auto first = ribbon.ContextMenu2007();
  std::wstring tag1 = bar->Controls().Item(1)->Tag();
  Show();
  std::wstring tag2 = bar->Controls().Item(1)->Tag();
  EXPECT_NE(first, ribbon.ContextMenu2007());
  EXPECT_EQ(18u, tag1.size());
  EXPECT_NE(tag1, tag2);
}

TEST_F(ContextMenu2007, AClickRunsWhatTheRibbonButtonRuns) {
  facts->selectionCount = 1;
  facts->mailSelected = true;
  Show();
  const std::pair<int32_t, const wchar_t*> rows[] = {
      {1, L"Explorer_Tanvelo 1 [] 2"}, {2, L"Explorer_Tanvelo 2 [] 2"},
      {3, L"Explorer_Tanvelo 4 [] 2"}, {4, L"Explorer_NewTemplate"},
      {5, L"Explorer_EditTemplate"},   {6, L"Explorer_NewFromTemplate"},
      {7, L"Explorer_SaveAsTemplate"}, {8, L"Explorer_OpenDuplicate"},
      {9, L"Explorer_Hotkey"},         {10, L"Explorer_ChangeDefault"},
      {11, L"Explorer_ChangeDefault"}, {12, L"Explorer_SendDrafts"},
  };
  for (const auto& [n, run] : rows) {
    commands->runs.clear();
    ribbon.m_ContextMenu2007_OnClick(n);
    EXPECT_EQ(std::vector<std::wstring>{run}, commands->runs) << n;
  }
  commands->runs.clear();
  auto button = ribbon.ContextMenu2007()->Button(CItemContextMenu::kTanveloSub);
  button->UserClick();
  EXPECT_EQ(std::vector<std::wstring>{L"Explorer_Tanvelo 1 [] 2"}, commands->runs);
}

TEST_F(ContextMenu2007, UnknownEntriesRunNothing) {
  for (int32_t n : {0, 13}) {
    commands->runs.clear();
    ribbon.m_ContextMenu2007_OnClick(n);
    EXPECT_TRUE(commands->runs.empty());
  }
  int unknown = 0;
  for (const auto& e : support::library::Log())
    if (e.procedure == L"Connect.m_ContextMenu2007_OnClick" && e.text == L"Unknown button")
      unknown += (e.errorNumber == 0 || e.errorNumber == 13);
  EXPECT_EQ(2, unknown);
}

TEST_F(ContextMenu2007, TheMenuLivesUntilTheItemContextMenuCloses) {
  facts->selectionCount = 1;
  facts->mailSelected = true;
  Show();
  auto button = ribbon.ContextMenu2007()->Button(CItemContextMenu::kTanveloSub);
  ribbon.m_o2007events_OnContextMenuClose(3);  // another kind of context menu
  ASSERT_TRUE(ribbon.ContextMenu2007());
  button->UserClick();
  EXPECT_EQ(1u, commands->runs.size());
  ribbon.m_o2007events_OnContextMenuClose(0);
  EXPECT_FALSE(ribbon.ContextMenu2007());
  button->UserClick();  // a stale entry leads nowhere
  EXPECT_EQ(1u, commands->runs.size());
}

TEST_F(ContextMenu2007, AMenuClosedDuringItsOwnCommandLivesUntilTheCommandEnds) {
  facts->templateFolder = facts->templateSelected = true;
  facts->selectionCount = 1;
  Show();
  std::weak_ptr<CItemContextMenu> menu = ribbon.ContextMenu2007();
  bool aliveAfterClose = false;
  // The hotkey dialog is modal; Outlook closes the menu while it is open.
  commands->during = [&] {
    ribbon.m_o2007events_OnContextMenuClose(0);
    aliveAfterClose = !menu.expired();
  };
  // Only the clicked button's call may hold the menu: no reference of the test's during it.
  auto button = menu.lock()->Button(CItemContextMenu::kHotkey);
  button->UserClick();
  EXPECT_EQ(std::vector<std::wstring>{L"Explorer_Hotkey"}, commands->runs);
  EXPECT_TRUE(aliveAfterClose);
  EXPECT_TRUE(menu.expired());  // released once the click returned
  EXPECT_FALSE(ribbon.ContextMenu2007());
}
