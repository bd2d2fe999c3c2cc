// The item context menu of Outlook 2002 and 2003: built at the update that follows a right-click
// from the state of that moment, only where it belongs, at its place, with the bar's protection
// put back.
#include "tests/explorer_ui/ExplorerUiTest.h"

namespace {
class ContextMenu : public ExplorerUiTest {
 protected:
  // The add-in's popup on the shortcut menu, or null.
  bars::PopupPtr Popup() {
    for (const auto& c : Bar(L"Context Menu")->Controls())
      if (c->Tag().rfind(L"NorvaneTanvelo", 0) == 0) return office::AsPopup(c);
    return nullptr;
  }
  std::vector<std::wstring> Items() {
    std::vector<std::wstring> out;
    for (const auto& c : Popup()->Controls())
      out.push_back((c->BeginGroup() ? L"| " : L"") + c->Caption());
    return out;
  }
  void RightClick(std::vector<int32_t> ids = office::ItemContextMenuIds()) {
    office::RightClick(*cbars, ids);
  }
};
}  // namespace

TEST_F(ContextMenu, AReceivedMailGetsTheReplyCommandsBeforeOutlooksReply) {
  Start(11);
  auto menu = NewMenu();
  Show(p.inbox, {p.plainMail});
  RightClick();
  EXPECT_EQ(
      (std::vector<std::wstring>{L"Reply with...", L"Reply to all with...", L"Forward with...",
                                 L"| New mail from a template...", L"Save as template"}),
      Items());
  EXPECT_EQ(1, Popup()->Index());
  EXPECT_TRUE(Popup()->BeginGroup());
  EXPECT_EQ(L"Mask=CMDTANVELOMASK",
            office::AsButton(Popup()->Controls().Item(1))->IconWrites().back());

  Bar(L"Standard")->FindControl(0, 355)->SetEnabled(false);
  Show(p.inbox, {p.plainMail});
  RightClick();
  EXPECT_EQ((std::vector<std::wstring>{L"Reply with...", L"Forward with...",
                                       L"| New mail from a template...", L"Save as template"}),
            Items());
  office::AsButton(Popup()->Controls().Item(2))->UserClick();
  EXPECT_EQ(std::vector<std::wstring>{L"Tanvelo 4 '' 2"}, ran);
}

TEST_F(ContextMenu, TemplatesContactsDraftsAndCalendarsGetTheirOwnCommands) {
  Start(10);
  auto a = outlook::AddUnsentMail(templates, L"A");
  auto b = outlook::AddUnsentMail(templates, L"B");
  Options().SetDefaultTemplateID(a->EntryID());
  auto menu = NewMenu();
  Show(templates, {a});
  RightClick();
  EXPECT_EQ((std::vector<std::wstring>{L"New template", L"Edit template", L"Duplicate template",
                                       L"Hotkey...", L"Clear default template"}),
            Items());
  EXPECT_EQ(L"FaceId=2687", office::AsButton(Popup()->Controls().Item(1))->IconWrites().back());
  Show(templates, {a, b});
  RightClick();
  EXPECT_EQ(4, Popup()->Controls().Count()) << "no default for two templates";

  Show(p.contacts, {p.kimContact});
  RightClick();
  EXPECT_EQ(std::vector<std::wstring>{L"New mail from a template..."}, Items());

  auto draft = outlook::AddUnsentMail(p.drafts, L"Draft");
  Show(p.drafts, {draft});
  RightClick();
  EXPECT_EQ(L"Send selected drafts", Items().back());

  auto calendar = p.root->Folders()->Add(L"Dates", 9);  // a calendar folder
  Show(calendar);
  RightClick();
  EXPECT_EQ(0, Popup()->Controls().Count());
  EXPECT_FALSE(Popup()->Visible());
}

TEST_F(ContextMenu, ItKeepsTheStateOfItsRightClickUntilTheNext) {
  Start(11);
  auto menu = NewMenu();
  Show(p.inbox, {p.plainMail});
  RightClick();
  auto popup = Popup();
  Show(p.contacts, {p.kimContact});  // Office's updates without a right-click
  EXPECT_EQ(popup, Popup());
  EXPECT_EQ(5, popup->Controls().Count());
  RightClick();
  EXPECT_TRUE(popup->IsDeleted());
  EXPECT_EQ(std::vector<std::wstring>{L"New mail from a template..."}, Items());
}

TEST_F(ContextMenu, OtherShortcutMenusAndProtectionAreLeftAlone) {
  Start(11);
  auto menu = NewMenu();
  auto context = Bar(L"Context Menu");
  context->SetProtection(3);
  Show(p.inbox, {p.plainMail});
  RightClick(office::FolderContextMenuIds());
  EXPECT_FALSE(Popup());
  EXPECT_EQ(3, context->Protection());
  RightClick({354, 2986});
  ASSERT_TRUE(Popup()) << "added although customizing is locked";
  EXPECT_EQ(3, context->Protection()) << "and locked again";
  RightClick({355, 356, 7223, 1757, 2986, 31224});
  EXPECT_EQ(6, Popup()->Index()) << "after Delete without Reply";
  RightClick({355, 356});
  EXPECT_EQ(3, Popup()->Index()) << "at the end";
}

TEST_F(ContextMenu, NotOnOutlook2000) {
  Start(9);
  auto menu = NewMenu();
  Show(p.inbox, {p.plainMail});
  RightClick();
  EXPECT_FALSE(Popup());
}

TEST_F(ContextMenu, NotOnOutlook2007AndLaterWhichHaveTheirOwnEvent) {
  Start(14);
  Options().SetShowOldControlsOn2010(true);
  auto menu = NewMenu();
  Show(p.inbox, {p.plainMail});
  RightClick();
  EXPECT_FALSE(Popup());
  EXPECT_TRUE(Find(L"btnTanvelo")) << "the other bars are there with the option";
}

TEST_F(ContextMenu, EachWindowHasItsOwnTag) {
  Start(11);
  auto menu = NewMenu();
  auto second = NewWindow(11);
  auto secondBars = second.bars;
  Show(p.inbox, {p.plainMail});
  RightClick();
  office::RightClick(*secondBars, office::ItemContextMenuIds());
  auto other = secondBars->Item(L"Context Menu")->Controls().Item(1);
  EXPECT_NE(Popup()->Tag(), other->Tag());
  office::AsButton(office::AsPopup(other)->Controls().Item(1))->UserClick();
  EXPECT_EQ(1u, ran.size());
}
