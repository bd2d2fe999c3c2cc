// "Menu Bar": the File menu's import/export submenu, the Go item, the Actions menus' Tanvelo
// submenus, and the template drop-down of "Standard", where they stand and what they show.
#include "platform/office/BuiltInBars.h"
#include "tests/explorer_ui/ExplorerUiTest.h"

namespace {
class Menus : public ExplorerUiTest {
 protected:
  bars::PopupPtr Menu(int32_t id) {
    return office::AsPopup(Bar(L"Menu Bar")->FindControl(office::msoControlPopup, id));
  }
  bars::PopupPtr Popup(const wchar_t* member) { return office::AsPopup(Find(member)); }
  std::vector<std::wstring> Shown(const bars::PopupPtr& popup) {
    std::vector<std::wstring> out;
    for (const auto& c : popup->Controls())
      if (c->Visible())
        out.push_back((c->BeginGroup() ? L"| " : L"") + c->Caption() +
                      (c->Enabled() ? L"" : L" (grey)"));
    return out;
  }
};
}  // namespace

TEST_F(Menus, ImportExportFollowsOutlooksImportAndExportInTheFileMenu) {
  Start(11);
  Options().SetUseDebugButton(true);
  auto menu = NewMenu();
  Show(p.contacts, {p.kimContact});
  auto file = Menu(30002)->CommandBar();
  EXPECT_EQ((std::vector<std::wstring>{L"30037", L"2577", L"popFileImportExport"}), Layout(*file));
  EXPECT_EQ((std::vector<std::wstring>{L"Import templates...", L"Export templates...", L"| Debug",
                                       L"| Test1: Show selected text"}),
            Shown(Popup(L"popFileImportExport")));
  Button(L"btnDebug")->UserClick();
  EXPECT_EQ(std::vector<std::wstring>{L"Debug"}, ran);
}

TEST_F(Menus, WithoutOutlooksEntriesTheItemsGoToTheEndOfTheirMenus) {
  Start(11);
  Menu(30002)->CommandBar()->FindControl(0, 2577)->Delete();
  Menu(30328)->CommandBar()->FindControl(0, 1868)->Delete();
  Menu(30131)->CommandBar()->FindControl(0, 354)->Delete();
  auto menu = NewMenu();
  Show(p.inbox, {p.plainMail});
  EXPECT_EQ((std::vector<std::wstring>{L"30037", L"popFileImportExport"}),
            Layout(*Menu(30002)->CommandBar()));
  EXPECT_EQ(std::vector<std::wstring>{L"btnGo"}, Layout(*Menu(30328)->CommandBar()));
  EXPECT_EQ((std::vector<std::wstring>{L"355", L"356", L"popActionMenu"}),
            Layout(*Menu(30131)->CommandBar()));
  EXPECT_EQ(Options().UseDebugButton() ? 4 : 2, Popup(L"popFileImportExport")->Controls().Count());
}

TEST_F(Menus, GoAndActionsEntriesStandBeforeOutlooksOwn) {
  Start(11);
  auto menu = NewMenu();
  Show(p.inbox, {p.plainMail});
  EXPECT_EQ((std::vector<std::wstring>{L"btnGo", L"1868"}), Layout(*Menu(30328)->CommandBar()));
  EXPECT_TRUE(Button(L"btnGo")->BeginGroup());
  EXPECT_EQ((std::vector<std::wstring>{L"popActionMenu", L"354", L"355", L"356"}),
            Layout(*Menu(30131)->CommandBar()));
  EXPECT_EQ((std::vector<std::wstring>{L"popTanveloContact"}), Layout(*Menu(30141)->CommandBar()));
}

TEST_F(Menus, MenusOutlookShowsLateAreBuiltLateAndOnce) {
  Start(11);
  Menu(30131)->Delete();
  Menu(30141)->Delete();
  auto menu = NewMenu();
  Show(p.inbox, {p.plainMail});
  EXPECT_FALSE(Find(L"popActionMenu"));
  EXPECT_FALSE(Logged(L"CExplorerMenu::Create_ActionMenuContact"));
  auto menuBar = Bar(L"Menu Bar");
  office::FillBuiltIns(
      *office::AsPopup(menuBar->Controls().Add(office::msoControlPopup, 30131))->CommandBar(),
      {354, 355, 356});
  menuBar->Controls().Add(office::msoControlPopup, 30141);
  cbars->FireOnUpdate();
  cbars->FireOnUpdate();
  EXPECT_EQ(4, Menu(30131)->Controls().Count());
  EXPECT_EQ(1, Menu(30141)->Controls().Count());
  EXPECT_EQ(11, Popup(L"popActionMenu")->Controls().Count());
}

TEST_F(Menus, AWriteOfficeRefusesInTheActionsSubmenuCostsOnlyThatWrite) {
  Start(11);
  office::RefuseWriteAnywhere(L"Caption", Text(L"BTN_TANVELO_SUB"));  // its first item's
  auto menu = NewMenu();
  Show(p.inbox, {p.plainMail});
  auto first = Button(L"btnTanvelo2");
  ASSERT_TRUE(first);
  EXPECT_EQ(L"", first->Caption());
  EXPECT_EQ((std::vector<std::wstring>{L"Picture=CMDTANVELO", L"Mask=CMDTANVELOMASK"}),
            first->IconWrites());
  EXPECT_EQ(11, Popup(L"popActionMenu")->Controls().Count());
}

TEST_F(Menus, TheActionsSubmenuShowsWhatFitsTheFolderAndSelection) {
  Start(11);
  auto a = outlook::AddUnsentMail(templates, L"A");
  auto b = outlook::AddUnsentMail(templates, L"B");
  Options().SetDefaultTemplateID(a->EntryID());
  auto menu = NewMenu();
  Show(templates, {a, b});
  EXPECT_EQ((std::vector<std::wstring>{L"New template", L"Edit template",
                                       L"New mail from a template...", L"Duplicate template",
                                       L"Hotkey...", L"Clear default template (grey)"}),
            Shown(Popup(L"popActionMenu")));
  Show(p.drafts);
  EXPECT_EQ((std::vector<std::wstring>{L"Reply with...", L"Reply to all with...",
                                       L"Forward with...", L"| New mail from a template...",
                                       L"Save as template (grey)", L"Send selected drafts (grey)"}),
            Shown(Popup(L"popActionMenu")));
  Show(p.contacts, {p.kimContact});
  EXPECT_EQ(std::vector<std::wstring>{L"New mail from a template..."},
            Shown(Popup(L"popActionMenu")));
}

TEST_F(Menus, TheTemplateDropDownShowsWhatFitsTheFolderAndSelection) {
  Start(11);
  auto a = outlook::AddUnsentMail(templates, L"A");
  auto b = outlook::AddUnsentMail(templates, L"B");
  auto menu = NewMenu();
  Show(templates, {a, b});
  EXPECT_EQ(
      (std::vector<std::wstring>{L"New mail from this template", L"New template", L"Edit template",
                                 L"Duplicate template", L"| Hotkey...", L"Tanvelo templates",
                                 L"Make default template (grey)", L"| Options...", L"Help"}),
      Shown(Popup(L"popTemplate")));
  Show(templates);
  EXPECT_EQ(L"New mail from a template...", Button(L"btnNewFromTemplate")->Caption());
  EXPECT_FALSE(Button(L"btnEditTemplate")->Enabled());
  Show(p.inbox, {p.plainMail});
  EXPECT_EQ((std::vector<std::wstring>{L"New mail from a template...", L"Save as template",
                                       L"Choose and edit a template...", L"| Tanvelo templates",
                                       L"| Options...", L"Help"}),
            Shown(Popup(L"popTemplate")));
}

TEST_F(Menus, ABuildStoppedByAnErrorIsFinishedLaterWithoutDuplicates) {
  Start(11);
  // File and Outlook's Send/Receive appear only later, when everything else is built.
  auto menuBar = Bar(L"Menu Bar");
  Menu(30002)->Delete();
  auto standard = Bar(L"Standard");
  standard->FindControl(0, 1874)->Delete();
  auto menu = NewMenu();
  Show(p.inbox, {p.plainMail});
  auto file = office::AsPopup(menuBar->Controls().Add(office::msoControlPopup, 30002, L"", 1));
  file->Controls().Add(office::msoControlButton, 2577);
  standard->Controls().Add(office::msoControlButton, 1874);

  office::FailNextWriteAnywhere(L"Style");        // the File submenu's first button
  office::FailNextWriteAnywhere(L"TooltipText");  // the template button, before its drop-down
  cbars->FireOnUpdate();
  EXPECT_TRUE(Logged(L"CExplorerMenu::Create_ImportExportMenu"));
  EXPECT_TRUE(Logged(L"CExplorerMenu::Create_TemplateMenu"));
  cbars->FireOnUpdate();
  cbars->FireOnUpdate();
  EXPECT_EQ((std::vector<std::wstring>{L"2577", L"popFileImportExport"}),
            Layout(*file->CommandBar()));
  EXPECT_EQ(2, Popup(L"popFileImportExport")->Controls().Count());
  EXPECT_EQ((std::vector<std::wstring>{L"1757", L"1747", L"btnTanvelo", L"popTanvelo", L"354",
                                       L"btnReplyAllWith", L"popReplyAllWith", L"355",
                                       L"btnForwardWith", L"popForwardWith", L"356", L"1874",
                                       L"btnTemplate", L"popTemplate"}),
            Layout(*standard));
  EXPECT_EQ(12, Popup(L"popTemplate")->Controls().Count());
  Button(L"btnImport")->UserClick();
  Button(L"btnHelp")->UserClick();
  EXPECT_EQ(std::vector<std::wstring>{L"Import"}, ran);
  EXPECT_EQ(L"Reply using a template", Button(L"btnTanvelo")->TooltipText());
}

TEST_F(Menus, ATemplateDropDownStoppedPartWayIsFinishedWithoutDuplicates) {
  Start(11);
  auto standard = Bar(L"Standard");
  standard->FindControl(0, 1874)->Delete();
  auto menu = NewMenu();
  Show(p.inbox, {p.plainMail});  // everything else is built; the drop-down waits for its anchor
  standard->Controls().Add(office::msoControlButton, 1874);
  office::FailNextWriteAnywhere(L"BeginGroup");  // Options, late in the drop-down
  cbars->FireOnUpdate();
  EXPECT_TRUE(Logged(L"CExplorerMenu::Create_TemplateMenu"));
  ASSERT_TRUE(Popup(L"popTemplate"));
  EXPECT_GT(Popup(L"popTemplate")->Controls().Count(), 5);  // stopped part way
  cbars->FireOnUpdate();
  cbars->FireOnUpdate();
  EXPECT_EQ((std::vector<std::wstring>{L"1757", L"1747", L"btnTanvelo", L"popTanvelo", L"354",
                                       L"btnReplyAllWith", L"popReplyAllWith", L"355",
                                       L"btnForwardWith", L"popForwardWith", L"356", L"1874",
                                       L"btnTemplate", L"popTemplate"}),
            Layout(*standard));
  EXPECT_EQ(12, Popup(L"popTemplate")->Controls().Count());
  EXPECT_TRUE(Button(L"btnOptions")->BeginGroup());
}
