// The add-in's popup in Outlook's item context menu: which entries it holds, where it goes,
// what they show, and that a click comes back as the entry's number.
#include <gtest/gtest.h>

#include <array>

#include "core/Main.h"
#include "inspector_ui/CItemContextMenu.h"
#include "platform/office/BuiltInBars.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/win32/Reset.h"
#include "resources/StringTable.h"

namespace {

class ItemContextMenu : public testing::Test {
 protected:
  void SetUp() override { Start(L"12.0.0.6423"); }
  void Start(const std::wstring& version) {
    win32::ResetPlatform();
    resources::LoadModuleResources();
    p = outlook::BuildProfile({.version = version});
    g_oApp = p.app;
    bars = office::CommandBars::Create();
    bar = bars->AddBuiltInBar(L"Context Menu", office::msoBarTypePopup);
    office::FillBuiltIns(*bar, {354, 355, 356});
  }
  std::shared_ptr<office::CommandBarPopup> Build(std::array<bool, 12> f,
                                                 const std::wstring& tag = L"NorvaneTanveloAB12") {
    menu = std::make_shared<CItemContextMenu>();
    menu->Create(bar, tag, f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9], f[10],
                 f[11]);
    auto found = bar->FindControl(0, 0, tag);
    return found ? office::AsPopup(found) : nullptr;
  }
  std::vector<std::wstring> Captions(const std::shared_ptr<office::CommandBarPopup>& popup) {
    std::vector<std::wstring> captions;
    for (const auto& c : popup->Controls()) captions.push_back(c->Caption());
    return captions;
  }

  outlook::Profile p;
  std::shared_ptr<office::CommandBars> bars;
  std::shared_ptr<office::CommandBar> bar;
  std::shared_ptr<CItemContextMenu> menu;
  static constexpr std::array<bool, 12> kAll{true, true, true, true, true, true,
                                             true, true, true, true, true, true};
  static constexpr std::array<bool, 12> kNone{};
};

}  // namespace

TEST_F(ItemContextMenu, EntriesFollowTheirFlagsAndNeverBothDefaultCommands) {
  auto popup = Build(kAll);
  ASSERT_TRUE(popup);
  EXPECT_EQ(L"MNU_TANVELO", popup->Caption());
  EXPECT_TRUE(popup->BeginGroup());
  EXPECT_TRUE(popup->Visible());
  EXPECT_EQ((std::vector<std::wstring>{
                L"BTN_TANVELO_SUB", L"BTN_REPLY_ALL_WITH_SUB", L"BTN_FORWARD_WITH_SUB",
                L"BTN_NEW_TEMPLATE", L"BTN_EDIT_TEMPLATE", L"BTN_NEW_FROM_TEMPLATE",
                L"BTN_SAVE_AS_TEMPLATE", L"BTN_OPEN_DUPLICATE2", L"BTN_HOTKEY",
                L"BTN_CHANGE_DEFAULT_SET", L"BTN_SEND_DRAFTS"}),
            Captions(popup));
  EXPECT_FALSE(menu->Button(CItemContextMenu::kClearDefault));
  // The separator under the reply entries comes only with one of them.
  EXPECT_TRUE(menu->Button(CItemContextMenu::kNewFromTemplate)->BeginGroup());
  bar = bars->AddBuiltInBar(L"Context Menu 2", office::msoBarTypePopup);
  auto f = kNone;
  f[5] = f[10] = true;
  popup = Build(f);
  EXPECT_EQ((std::vector<std::wstring>{L"BTN_NEW_FROM_TEMPLATE", L"BTN_CHANGE_DEFAULT_CLEAR"}),
            Captions(popup));
  EXPECT_FALSE(menu->Button(CItemContextMenu::kNewFromTemplate)->BeginGroup());
}

TEST_F(ItemContextMenu, TheSeparatorFollowsEachReplyEntryAlone) {
  for (size_t reply : {0u, 1u, 2u}) {
    SCOPED_TRACE(reply);
    bar = bars->AddBuiltInBar(L"Context Menu " + std::to_wstring(reply), office::msoBarTypePopup);
    auto f = kNone;
    f[reply] = f[5] = true;
    ASSERT_TRUE(Build(f));
    EXPECT_TRUE(menu->Button(CItemContextMenu::kNewFromTemplate)->BeginGroup());
  }
}

TEST_F(ItemContextMenu, AMenuLetGoOfInItsOwnClickLivesUntilTheClickReturns) {
  Build(kAll);
  std::weak_ptr<CItemContextMenu> weak = menu;
  auto button = menu->Button(CItemContextMenu::kHotkey);
  bool aliveInside = false;
  int heard = 0;
  // The first handler lets go of the menu (Outlook closed it under a modal dialog); only the
  // clicked button's call holds it now, and the second handler still hears the click.
  auto first = menu->OnClick.Subscribe([&](int32_t) {
    menu.reset();
    aliveInside = !weak.expired();
  });
  auto second = menu->OnClick.Subscribe([&](int32_t) { ++heard; });
  button->UserClick();
  EXPECT_TRUE(aliveInside);
  EXPECT_EQ(1, heard);
  first.Release();
  second.Release();
  EXPECT_TRUE(weak.expired());
}

TEST_F(ItemContextMenu, AnEmptyPopupIsHidden) {
  auto popup = Build(kNone);
  ASSERT_TRUE(popup);
  EXPECT_EQ(0, popup->Controls().Count());
  EXPECT_FALSE(popup->Visible());
}

TEST_F(ItemContextMenu, StandsBeforeReplyOrAfterItsOtherAnchorOrLast) {
  office::FillBuiltIns(*bar, {2986, 1, 1, 354});
  EXPECT_EQ(4, Build(kAll)->Index());
  office::FillBuiltIns(*bar, {1, 1, 1, 1, 1, 1, 2986});
  EXPECT_EQ(8, Build(kAll)->Index());
  office::FillBuiltIns(*bar, {1, 1});
  EXPECT_EQ(3, Build(kAll)->Index());
}

TEST_F(ItemContextMenu, OtherContextMenusAndAPopupAlreadyThereGetNothing) {
  for (int32_t id : {7887, 1747, 1880, 1878, 1746, 1917, 1916, 2990}) {
    office::FillBuiltIns(*bar, {354, id});
    EXPECT_FALSE(Build(kAll)) << id;
    EXPECT_EQ(2, bar->Controls().Count()) << id;
  }
  office::FillBuiltIns(*bar, {354});
  Build(kAll, L"NorvaneTanveloXY");
  Build(kAll, L"NorvaneTanveloXY");
  EXPECT_EQ(2, bar->Controls().Count());
}

TEST_F(ItemContextMenu, PicturesOnOutlook2007AndNothingAtAllOnOutlook2000) {
  Build(kAll);
  auto writes = [&](int32_t n) {
    std::wstring all;
    for (const auto& w : menu->Button(n)->IconWrites()) all += w + L";";
    return all;
  };
  EXPECT_EQ(L"FaceId=354;Picture=CMDTANVELO;Mask=CMDTANVELOMASK;", writes(1));
  EXPECT_EQ(L"FaceId=2687;", writes(CItemContextMenu::kNewTemplate));
  EXPECT_EQ(L"FaceId=1975;Picture=CMDSAVETEMPLATE;Mask=CMDSAVETEMPLATEMASK;",
            writes(CItemContextMenu::kSaveAsTemplate));
  for (int32_t n = CItemContextMenu::kOpenDuplicate; n <= 12; ++n)
    if (auto b = menu->Button(n)) {
      EXPECT_EQ(L"", writes(n)) << n;
    }
  EXPECT_EQ(office::msoButtonCaption, menu->Button(CItemContextMenu::kHotkey)->Style());
  Start(L"9.0.0.3821");
  EXPECT_FALSE(Build(kAll));
  EXPECT_EQ(3, bar->Controls().Count());
}

TEST_F(ItemContextMenu, ClicksComeBackAsEntryNumbers) {
  Build(kAll);
  std::vector<int32_t> clicked;
  auto sub = menu->OnClick.Subscribe([&](int32_t n) { clicked.push_back(n); });
  menu->Button(CItemContextMenu::kHotkey)->UserClick();
  menu->Button(CItemContextMenu::kTanveloSub)->UserClick();
  menu->Button(CItemContextMenu::kSendDrafts)->UserClick();
  EXPECT_EQ((std::vector<int32_t>{9, 1, 12}), clicked);
  // Once the add-in has let go of it, its entries lead nowhere.
  auto button = menu->Button(CItemContextMenu::kHotkey);
  menu.reset();
  button->UserClick();
  EXPECT_EQ(3u, clicked.size());
}
