// Outlook's explorer bars per version, the right-click that refills "Context Menu", and the
// count of property writes (each repaints a bar).
#include <gtest/gtest.h>

#include "platform/office/ExplorerBars.h"

using namespace office;

TEST(ExplorerBars, EveryVersionCarriesTheAnchorsAnd2010HidesTheBars) {
  for (int32_t version : {9, 10, 11, 12, 14}) {
    auto bars = MakeOutlookExplorerBars(version);
    auto standard = bars->Item(L"Standard");
    for (int32_t id : {354, 355, 356, 1874}) EXPECT_TRUE(standard->FindControl(0, id)) << id;
    EXPECT_TRUE(standard->FindControl(0, 354)->BeginGroup());
    auto menu = bars->Item(L"Menu Bar");
    for (int32_t id : {30002, 30131, 30141, 30328})
      EXPECT_TRUE(menu->FindControl(msoControlPopup, id)) << id;
    EXPECT_TRUE(AsPopup(menu->FindControl(0, 30328))->CommandBar()->FindControl(0, 1868));
    EXPECT_EQ(version < 14, standard->Visible()) << version;
    EXPECT_EQ(version < 14, menu->Visible()) << version;
  }
}

TEST(ExplorerBars, ARightClickDropsWhatTheProgramAddedAndRunsTheUpdate) {
  auto bars = MakeOutlookExplorerBars(11);
  auto context = bars->Item(L"Context Menu");
  auto mine = context->Controls().Add(msoControlPopup, 0, L"", std::nullopt, true);
  int updates = 0;
  auto sub = bars->OnUpdate([&] { ++updates; });
  EXPECT_EQ(context, RightClick(*bars, FolderContextMenuIds()));
  EXPECT_EQ(1, updates);
  EXPECT_TRUE(mine->IsDeleted());
  ASSERT_EQ(3, context->Controls().Count());
  EXPECT_EQ(1746, context->Controls().Item(1)->Id());
  RightClick(*bars, ItemContextMenuIds());
  EXPECT_EQ(354, context->Controls().Item(1)->Id());
}

TEST(ExplorerBars, PropertyWritesAreCounted) {
  auto bars = MakeOutlookExplorerBars(11);
  auto reply = bars->Item(L"Standard")->FindControl(0, 354);
  auto before = PropertyWrites();
  (void)reply->Caption();
  EXPECT_EQ(before, PropertyWrites());
  reply->SetCaption(L"Reply");
  reply->SetVisible(true);
  EXPECT_EQ(before + 2, PropertyWrites());
}
