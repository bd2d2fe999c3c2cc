// A right-click on Outlook 2007 and later as the events component reports it: the display with
// a fresh bar and the selection, the user's click on an entry, and the close, in that order.
#include <gtest/gtest.h>

#include "platform/addin/EventsComponent.h"
#include "platform/addin/ItemContextMenu.h"
#include "platform/office/CommandBars.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"

using o2007events::ContextMenu;

namespace {

class ItemContextMenuPlay : public testing::Test {
 protected:
  void SetUp() override {
    p = outlook::BuildProfile({.version = L"12.0.0.6423", .explorer = true});
    explorer = p.app->ActiveExplorer();
    explorer->Select({p.plainMail, p.htmlMail});
    events = std::make_shared<o2007events::O2007Events>();
    events->Init(p.app);
    subs.push_back(events->OnItemContextMenuDisplay.Subscribe(
        [this](std::shared_ptr<office::CommandBar> bar, std::shared_ptr<outlook::Selection> sel) {
          order.push_back(L"display " + std::to_wstring(sel ? sel->Count() : -1));
          // What an add-in does: its own popup with one entry.
          auto popup =
              office::AsPopup(bar->Controls().Add(office::msoControlPopup, 0, L"", 1, true));
          popup->SetCaption(L"Tanvelo");
          auto entry = office::AsButton(popup->Controls().Add(office::msoControlButton));
          entry->SetCaption(L"Reply with...");
          clicks.push_back(entry->OnClick([this](const auto&, bool&) {
            order.push_back(L"click");
            if (closeDuringClick) menu->Close();
          }));
          auto hidden = office::AsButton(popup->Controls().Add(office::msoControlButton));
          hidden->SetCaption(L"Send drafts");
          hidden->SetVisible(false);
        }));
    subs.push_back(events->OnContextMenuClose.Subscribe(
        [this](int32_t kind) { order.push_back(L"close " + std::to_wstring(kind)); }));
  }

  outlook::Profile p;
  std::shared_ptr<outlook::Explorer> explorer;
  std::shared_ptr<o2007events::O2007Events> events;
  std::vector<outlook::Subscription> subs;
  std::vector<office::Subscription> clicks;
  std::shared_ptr<ContextMenu> menu;
  std::vector<std::wstring> order;
  bool closeDuringClick = false;
};

}  // namespace

TEST_F(ItemContextMenuPlay, DisplayWithTheSelectionThenClickThenClose) {
  menu = ContextMenu::ShowItemMenu(events, explorer);
  EXPECT_EQ((std::vector<std::wstring>{L"Tanvelo/Reply with...", L"Reply", L"Reply to All",
                                       L"Forward", L"Delete"}),
            menu->Entries());
  menu->Click(L"Tanvelo/Reply with...");
  EXPECT_EQ((std::vector<std::wstring>{L"display 2", L"click", L"close 0"}), order);
  EXPECT_FALSE(menu->IsOpen());
  EXPECT_THROW(menu->Click(L"Tanvelo/Reply with..."), office::ActionRefused);
}

TEST_F(ItemContextMenuPlay, AMenuClosedInsideTheCommandClosesOnce) {
  closeDuringClick = true;
  menu = ContextMenu::ShowItemMenu(events, explorer);
  menu->Click(L"Tanvelo/Reply with...");
  EXPECT_EQ((std::vector<std::wstring>{L"display 2", L"click", L"close 0"}), order);
}

TEST_F(ItemContextMenuPlay, HiddenOrMissingEntriesCannotBeClicked) {
  menu = ContextMenu::ShowItemMenu(events, explorer);
  EXPECT_THROW(menu->Click(L"Tanvelo/Send drafts"), office::ActionRefused);
  EXPECT_THROW(menu->Click(L"Tanvelo/Nothing"), office::ActionRefused);
  EXPECT_THROW(menu->Click(L"Tanvelo"), office::ActionRefused);  // a popup opens, runs nothing
  menu->Close();
  menu->Close();
  EXPECT_EQ((std::vector<std::wstring>{L"display 2", L"close 0"}), order);
}

TEST_F(ItemContextMenuPlay, OtherMenusReportTheirKindAndAStoppedComponentNothing) {
  ContextMenu::ShowOtherMenu(events, o2007events::kFolderContextMenu);
  EXPECT_EQ(std::vector<std::wstring>{L"close 1"}, order);
  auto unstarted = std::make_shared<o2007events::O2007Events>();
  auto plain = ContextMenu::ShowItemMenu(unstarted, explorer);
  EXPECT_EQ(4u, plain->Entries().size());
  menu = ContextMenu::ShowItemMenu(events, explorer);
  events.reset();  // the add-in shut down while the menu was open
  menu->Close();
  EXPECT_EQ((std::vector<std::wstring>{L"close 1", L"display 2"}), order);
}
