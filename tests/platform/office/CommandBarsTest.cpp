// Command bars as the add-in's builders rely on them: adding at anchors, FindControl, Tag
// routing of clicks, deleted and temporary controls, protection, OnUpdate.
#include <gtest/gtest.h>

#include <vector>

#include "platform/office/BuiltInBars.h"
#include "platform/office/CommandBars.h"
#include "platform/vb/Error.h"
#include "platform/vb/ResPicture.h"
#include "resources/StringTable.h"

using namespace office;

namespace {
int32_t ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const vb::Error& e) {
    return e.Number();
  }
  return 0;
}
}  // namespace

TEST(CommandBars, BarsByNameAndIndexAndNewToolbars) {
  auto bars = MakeExplorerCommandBars();
  EXPECT_EQ(L"Standard", bars->Item(L"standard")->Name());
  EXPECT_EQ(L"Menu Bar", bars->Item(1)->Name());
  EXPECT_EQ(bars->Item(1), bars->ActiveMenuBar());
  EXPECT_EQ(5, ErrorOf([&] { bars->Item(L"Tanvelo"); }));
  EXPECT_EQ(5, ErrorOf([&] { bars->Item(bars->Count() + 1); }));
  auto own = bars->Add(L"Tanvelo", msoBarTop, false, true);
  EXPECT_FALSE(own->Visible()) << "a new toolbar starts hidden";
  EXPECT_EQ(5, ErrorOf([&] { bars->Add(L"tanvelo"); }));
  // Renamed, the bar frees its name; a name taken or a built-in bar refuses.
  own->SetName(L"Tanvelo 2");
  auto second = bars->Add(L"Tanvelo");
  EXPECT_EQ(own, bars->Item(L"tanvelo 2"));
  EXPECT_EQ(5, ErrorOf([&] { own->SetName(L"TANVELO"); }));
  EXPECT_EQ(5, ErrorOf([&] { bars->Item(L"Standard")->SetName(L"Mine"); }));
  EXPECT_EQ(L"Tanvelo 2", own->Name());
  second->Delete();
  own->Delete();
  EXPECT_EQ(kAutomationError, ErrorOf([&] { own->Controls(); }));
  EXPECT_EQ(kAutomationError, ErrorOf([&] { bars->Item(L"Standard")->Delete(); }))
      << "built-in bars stay";
}

TEST(CommandBars, AddAtAnAnchorShiftsTheRest) {
  auto standard = MakeExplorerCommandBars()->Item(L"Standard");
  auto reply = standard->FindControl(0, 354);
  ASSERT_NE(nullptr, reply);
  int32_t at = reply->Index();
  auto mine = AsButton(standard->Controls().Add(msoControlButton, 0, L"", at, true));
  EXPECT_EQ(at, mine->Index());
  EXPECT_EQ(at + 1, reply->Index());
  EXPECT_EQ(kCustomControlId, mine->Id());
  EXPECT_TRUE(mine->Visible());
  EXPECT_EQ(L"", mine->Caption());
  EXPECT_EQ(5, ErrorOf([&] { standard->Controls().Add(msoControlButton, 0, L"", 0, true); }));
  EXPECT_EQ(5, ErrorOf([&] {
              standard->Controls().Add(msoControlButton, 0, L"", standard->Controls().Count() + 2,
                                       true);
            }));
  auto popup = AsPopup(standard->Controls().Add(msoControlPopup, 0, L"", std::nullopt, true));
  EXPECT_EQ(standard->Controls().Count(), popup->Index()) << "no Before: the end";
  EXPECT_EQ(vb::kTypeMismatch, ErrorOf([&] { AsButton(popup); }));
}

TEST(FindControl, TopLevelByDefaultInvisibleIncluded) {
  auto bars = MakeExplorerCommandBars();
  auto menu = bars->Item(L"Menu Bar");
  EXPECT_EQ(nullptr, menu->FindControl(0, 354)) << "Reply sits inside Actions";
  EXPECT_EQ(354, menu->FindControl(0, 354, L"", false, true)->Id());
  auto actions = menu->FindControl(msoControlPopup, 30131);
  ASSERT_NE(nullptr, actions);
  EXPECT_EQ(nullptr, menu->FindControl(msoControlButton, 30131)) << "the type must match too";
  EXPECT_EQ(354, bars->FindControl(0, 354)->Id());
  EXPECT_EQ(bars->Item(L"Standard"), bars->FindControl(0, 354)->Parent());

  auto standard = bars->Item(L"Standard");
  auto tagged = standard->Controls().Add(msoControlButton, 0, L"", std::nullopt, true);
  tagged->SetTag(L"NorvaneTanveloAB12");
  tagged->SetVisible(false);
  EXPECT_EQ(tagged, standard->FindControl(0, 0, L"NorvaneTanveloAB12"));
  EXPECT_EQ(nullptr, standard->FindControl(0, 0, L"NorvaneTanveloAB12", true));
  EXPECT_EQ(nullptr, standard->FindControl(0, 0, L"norvanetanveloab12")) << "tags compare exactly";
  EXPECT_EQ(L"&Actions", AsPopup(actions)->CommandBar()->Name());
}

TEST(FindControl, VisibleOnlyFindsWhatIsOnTheScreen) {
  auto bars = MakeExplorerCommandBars();
  auto menu = bars->Item(L"Menu Bar");
  auto actions = AsPopup(menu->FindControl(msoControlPopup, 30131));
  // No menu is open: the items of a popup are never on the screen.
  EXPECT_EQ(nullptr, menu->FindControl(0, 354, L"", true, true));
  EXPECT_EQ(nullptr, actions->CommandBar()->FindControl(0, 354, L"", true));
  EXPECT_EQ(354, actions->CommandBar()->FindControl(0, 354)->Id());
  EXPECT_EQ(actions, menu->FindControl(0, 30131, L"", true)) << "the menu's title is shown";

  // Nothing on a hidden bar is on the screen, whatever its own Visible says.
  auto context = bars->Item(L"Context Menu");
  EXPECT_EQ(nullptr, context->FindControl(0, 2986, L"", true));
  auto own = bars->Add(L"Tanvelo", msoBarTop, false, true);
  auto button = own->Controls().Add(msoControlButton, 0, L"", std::nullopt, true);
  button->SetTag(L"K3J9Q0ZZ1A");
  EXPECT_EQ(nullptr, bars->FindControl(0, 0, L"K3J9Q0ZZ1A", true));
  EXPECT_EQ(button, bars->FindControl(0, 0, L"K3J9Q0ZZ1A"));
  own->SetVisible(true);
  EXPECT_EQ(button, bars->FindControl(0, 0, L"K3J9Q0ZZ1A", true));
  EXPECT_EQ(bars->Item(L"Standard"), bars->FindControl(0, 354, L"", true)->Parent());
}

TEST(ClickRouting, EveryBoundControlOfTheSameTagInEveryWindow) {
  auto explorer1 = MakeExplorerCommandBars(), explorer2 = MakeExplorerCommandBars();
  auto AddQuickItems = [](CommandBars& bars, const std::wstring& tag) {
    auto popup = AsPopup(
        bars.Item(L"Standard")->Controls().Add(msoControlPopup, 0, L"", std::nullopt, true));
    std::vector<std::shared_ptr<CommandBarButton>> items;
    for (int i = 1; i <= 3; ++i) {
      auto item = AsButton(popup->Controls().Add(msoControlButton, 0, L"", std::nullopt, true));
      item->SetTag(tag);
      item->SetParameter(L"ENTRY" + std::to_wstring(i));
      items.push_back(item);
    }
    return items;
  };
  auto group1 = AddQuickItems(*explorer1, L"TAG0000001");
  auto group2 = AddQuickItems(*explorer2, L"TAG0000002");
  std::vector<std::wstring> heard1, heard2;
  auto sub1 =
      group1[0]->OnClick([&](const auto& ctrl, bool&) { heard1.push_back(ctrl->Parameter()); });
  auto sub2 =
      group2[0]->OnClick([&](const auto& ctrl, bool&) { heard2.push_back(ctrl->Parameter()); });
  group1[2]->UserClick();
  group2[1]->UserClick();
  EXPECT_EQ((std::vector<std::wstring>{L"ENTRY3"}), heard1)
      << "the clicked control, not the bound one";
  EXPECT_EQ((std::vector<std::wstring>{L"ENTRY2"}), heard2);

  // Equal tags across windows cross-fire: the routing is by Tag alone.
  group2[0]->SetTag(L"TAG0000001");
  group1[1]->UserClick();
  EXPECT_EQ(2u, heard1.size());
  EXPECT_EQ(2u, heard2.size());

  // A control without Tag reaches only its own binding; a released subscription nothing.
  auto plain = AsButton(
      explorer1->Item(L"Standard")->Controls().Add(msoControlButton, 0, L"", std::nullopt, true));
  int plainClicks = 0;
  auto subPlain = plain->OnClick([&](const auto&, bool&) { ++plainClicks; });
  plain->UserClick();
  sub1.reset();
  group1[0]->UserClick();
  EXPECT_EQ(1, plainClicks);
  EXPECT_EQ(2u, heard1.size());
  EXPECT_EQ(3u, heard2.size());
}

TEST(ClickRouting, AUserCannotClickWhatIsHiddenOrDisabled) {
  auto standard = MakeExplorerCommandBars()->Item(L"Standard");
  auto popup = AsPopup(standard->Controls().Add(msoControlPopup, 0, L"", std::nullopt, true));
  auto item = AsButton(popup->Controls().Add(msoControlButton, 0, L"", std::nullopt, true));
  int clicks = 0;
  auto sub = item->OnClick([&](const auto&, bool&) { ++clicks; });
  item->SetVisible(false);
  EXPECT_THROW(item->UserClick(), ActionRefused);
  item->RaiseClick();
  EXPECT_EQ(1, clicks) << "Office itself may still raise it";
  item->SetVisible(true);
  popup->SetEnabled(false);
  EXPECT_THROW(item->UserClick(), ActionRefused) << "a disabled popup above it";
  popup->Delete();
  EXPECT_THROW(item->UserClick(), ActionRefused);
  EXPECT_EQ(kAutomationError, ErrorOf([&] { item->Caption(); })) << "deleted with its popup";
  EXPECT_EQ(kAutomationError, ErrorOf([&] { item->RaiseClick(); }));

  // A toolbar the program has not shown yet cannot be clicked; a shortcut menu can.
  auto bars = MakeExplorerCommandBars();
  auto own = bars->Add(L"Tanvelo", msoBarTop, false, true);
  auto onOwn = AsButton(own->Controls().Add(msoControlButton, 0, L"", std::nullopt, true));
  auto subOwn = onOwn->OnClick([&](const auto&, bool&) { ++clicks; });
  EXPECT_THROW(onOwn->UserClick(), ActionRefused);
  own->SetVisible(true);
  onOwn->UserClick();
  auto context = bars->Item(L"Context Menu");
  ASSERT_FALSE(context->Visible());
  auto onContext = AsButton(context->Controls().Add(msoControlButton, 0, L"", std::nullopt, true));
  auto subContext = onContext->OnClick([&](const auto&, bool&) { ++clicks; });
  onContext->UserClick();
  EXPECT_EQ(3, clicks);
}

TEST(CommandBars, ProtectionTemporaryControlsAndFaults) {
  auto bars = MakeExplorerCommandBars();
  auto context = bars->Item(L"Context Menu");
  context->SetProtection(msoBarNoCustomize);
  EXPECT_EQ(kAutomationError,
            ErrorOf([&] { context->Controls().Add(msoControlPopup, 0, L"", std::nullopt, true); }));
  context->SetProtection(0);
  auto kept = context->Controls().Add(msoControlButton, 0, L"", std::nullopt, false);
  auto gone = context->Controls().Add(msoControlPopup, 0, L"", std::nullopt, true);
  auto own = bars->Add(L"Tanvelo", msoBarTop, false, true);
  int before = context->Controls().Count();
  bars->DiscardTemporary();
  EXPECT_EQ(before - 1, context->Controls().Count());
  EXPECT_FALSE(kept->IsDeleted());
  EXPECT_TRUE(gone->IsDeleted());
  EXPECT_TRUE(own->IsDeleted());
  EXPECT_EQ(5, ErrorOf([&] { bars->Item(L"Tanvelo"); }));

  kept->FailNextWrite(L"Caption");
  EXPECT_EQ(kAutomationError, ErrorOf([&] { kept->SetCaption(L"x"); }));
  kept->SetCaption(L"y");
  EXPECT_EQ(L"y", kept->Caption());
}

TEST(CommandBars, OfficeRefusesOneChosenValueOnceOnWhicheverControlItComes) {
  auto bars = MakeExplorerCommandBars();
  auto& controls = bars->Item(L"Standard")->Controls();
  RefuseWriteAnywhere(L"Caption", L"item 2");
  RefuseWriteAnywhere(L"Visible", L"False");
  RefuseWriteAnywhere(L"Style", L"3");
  auto first = AsButton(controls.Add(msoControlButton, 0, L"", std::nullopt, true));
  first->SetCaption(L"item 1");  // another value passes
  first->SetVisible(true);
  EXPECT_EQ(kAutomationError, ErrorOf([&] { first->SetStyle(msoButtonIconAndCaption); }));
  auto second = AsButton(controls.Add(msoControlButton, 0, L"", std::nullopt, true));
  EXPECT_EQ(kAutomationError, ErrorOf([&] { second->SetCaption(L"item 2"); }));
  EXPECT_EQ(L"", second->Caption());
  EXPECT_EQ(kAutomationError, ErrorOf([&] { second->SetVisible(false); }));
  EXPECT_TRUE(second->Visible());
  // Each refusal is spent by the write it refused.
  second->SetCaption(L"item 2");
  second->SetVisible(false);
  second->SetStyle(msoButtonIconAndCaption);
  EXPECT_EQ(L"item 2", second->Caption());
  EXPECT_FALSE(second->Visible());
  EXPECT_EQ(msoButtonAutomatic, first->Style());  // the refused write changed nothing
}

TEST(CommandBars, OnUpdateReachesLiveSubscribersWhoMayChangeTheBars) {
  auto bars = MakeExplorerCommandBars();
  int updates = 0;
  Subscription second;
  auto first = bars->OnUpdate([&] {
    ++updates;
    bars->Item(L"Standard")->Controls().Add(msoControlButton, 0, L"", 1, true);
    second.reset();  // a handler may end another subscription
  });
  second = bars->OnUpdate([&] { updates += 100; });
  bars->FireOnUpdate();
  first.reset();
  bars->FireOnUpdate();
  EXPECT_EQ(1, updates);
}

TEST(CommandBarButton, FaceIdReplacesThePictureAndIconWritesAreRecorded) {
  resources::LoadModuleResources();
  auto button = AsButton(MakeExplorerCommandBars()
                             ->Item(L"Standard")
                             ->Controls()
                             .Add(msoControlButton, 0, L"", 1, true));
  button->SetPicture(vb::LoadResPicture(L"CMDTANVELO", vb::vbResBitmap));
  button->SetMask(vb::LoadResPicture(L"CMDTANVELOMASK", vb::vbResBitmap));
  ASSERT_NE(nullptr, button->Picture());
  button->SetFaceId(354);
  EXPECT_EQ(nullptr, button->Picture());
  EXPECT_EQ(nullptr, button->Mask());
  EXPECT_EQ(
      (std::vector<std::wstring>{L"Picture=CMDTANVELO", L"Mask=CMDTANVELOMASK", L"FaceId=354"}),
      button->IconWrites());
  EXPECT_EQ(326, ErrorOf([] { vb::LoadResPicture(L"CMDNOTHING", vb::vbResBitmap); }));
}
