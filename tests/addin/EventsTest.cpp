// Outlook's events as the add-in answers them: items dropped into the templates folder, view
// and folder switches, new mail inspectors, and hotkeys in the active window.
#include <algorithm>

#include "addin/CConnectRibbon.h"
#include "commands/frmDummy.h"
#include "core/COptions.h"
#include "core/Main.h"
#include "engine/RoadSupport.h"
#include "engine/mTanveloRoad.h"
#include "hotkeys/CHotkey.h"
#include "platform/forms/User.h"
#include "platform/win32/Clock.h"
#include "platform/win32/CodePage.h"
#include "tests/addin/ConnectTest.h"

namespace {

class RecordingRibbon : public office::IRibbonUI {
 public:
  void Invalidate() override { calls.push_back(L"Invalidate"); }
  void InvalidateControl(const std::wstring& id) override { calls.push_back(L"Control " + id); }
  void ActivateTab(const std::wstring& id) override { calls.push_back(L"Tab " + id); }
  std::vector<std::wstring> calls;
};

// A ribbon whose window is going away: Office refuses whatever is asked of it.
class RefusingRibbon : public office::IRibbonUI {
 public:
  void Invalidate() override { vb::Raise(5); }
  void InvalidateControl(const std::wstring&) override { vb::Raise(5); }
  void ActivateTab(const std::wstring&) override { vb::Raise(5); }
};

std::wstring TableView(const std::wstring& name) {
  return L"<?xml version=\"1.0\"?>\r\n<view type=\"table\"><viewname>" + name +
         L"</viewname><column><heading>Subject</heading><prop>urn:schemas:httpmail:subject"
         L"</prop></column></view>\r\n";
}

class Events : public ConnectTest {
 protected:
  void StartIn(const std::wstring& version) {
    if (version != L"14.0.0.4760") Boot(version);
    AcceptFolderDialog();
    Start();
    explorer = p.app->Explorers()->Item(1);
    templates = g_oTemplatesFolder;
    ribbon = std::make_shared<RecordingRibbon>();
    addin->Ribbon_OnLoad(ribbon);
  }
  ItemPtr Drop(const FolderPtr& folder, const std::wstring& subject, bool rtf) {
    auto item = folder->Items()->Add(outlook::olMailItem);
    item->SetSubject(subject);
    if (rtf) item->SetBodyFormat(3);
    item->Save();
    return item;
  }
  std::shared_ptr<outlook::Explorer> explorer;
  FolderPtr templates;
  std::shared_ptr<RecordingRibbon> ribbon;
};

}  // namespace

TEST_F(Events, ItemsTheUserDropsIntoTheTemplatesFolderAreChecked) {
  StartIn(L"14.0.0.4760");
  Drop(templates, L"", true);
  EXPECT_EQ((std::vector<std::wstring>{
                L"Please give this template a subject, so that you can find it again in the "
                L"template list.",
                L"This template is in Rich Text format. HTML or plain text templates work better "
                L"with every reply format."}),
            Boxes());
  EXPECT_EQ(0u, win32::msgbox::Shown()[0].style);
  // A good template, a subfolder, a non-mail item: nothing to say.
  Drop(templates, L"Thanks", false);
  Drop(templates->Folders()->Item(1), L"", true);
  auto post = templates->Items()->Add(outlook::olPostItem);
  post->Save();
  EXPECT_EQ(2u, Boxes().size());
}

TEST_F(Events, ItemsTheSystemFilesIntoTheTemplatesFolderAreNotChecked) {
  StartIn(L"14.0.0.4760");
  // A new template starts without a subject; its window is the user's to fill in.
  auto made = mTanvelo::NewTemplate(templates);
  ASSERT_NE(nullptr, made);
  EXPECT_TRUE(Boxes().empty());
  // A merge copies an RTF template beside itself for a moment.
  auto rtf = Drop(templates, L"Rich", false);
  rtf->SetBodyFormat(3);
  rtf->Save();
  size_t before = Boxes().size();
  auto reply = p.plainMail->Reply();
  EXPECT_TRUE(mTanvelo::InsertTemplate(reply, rtf->EntryID()));
  EXPECT_EQ(before, Boxes().size());
}

TEST_F(Events, EachViewOfATemplatesFolderGetsItsColumnsOnce) {
  StartIn(L"11.0.0.8000");
  auto messages = std::make_shared<outlook::View>(L"Messages", 0, TableView(L"Messages"));
  auto compact = std::make_shared<outlook::View>(L"Compact", 0, TableView(L"Compact"));
  explorer->SetCurrentFolder(templates);
  explorer->SetCurrentView(messages);
  EXPECT_EQ(1, messages->XmlWrites());
  // The user takes the columns out again: the add-in does not insist while it runs.
  messages->SetXML(TableView(L"Messages"));
  explorer->SetCurrentView(messages);
  EXPECT_EQ(2, messages->XmlWrites());  // the user's own write only
  explorer->SetCurrentView(compact);
  EXPECT_EQ(1, compact->XmlWrites());
  // Entering the drafts folder's view ends its pending view change.
  EXPECT_TRUE(Options().ModifyTVDraftsView());
  explorer->SetCurrentFolder(g_oDraftsFolder);
  explorer->SetCurrentView(messages);
  EXPECT_FALSE(Options().ModifyTVDraftsView());
  EXPECT_TRUE(ribbon->calls.empty());  // no explorer ribbon before 2010

  // Outlook 2000 has no view objects to adjust.
  StartIn(L"9.0.0.3821");
  auto old = std::make_shared<outlook::View>(L"Messages", 0, TableView(L"Messages"));
  explorer->SetCurrentFolder(templates);
  explorer->SetCurrentView(old);
  EXPECT_EQ(0, old->XmlWrites());
}

TEST_F(Events, OnOutlook2010EnteringTheTemplatesTreeBringsTheTabForward) {
  StartIn(L"14.0.0.4760");
  explorer->SetCurrentFolder(p.inbox);
  EXPECT_TRUE(std::find(ribbon->calls.begin(), ribbon->calls.end(),
                        L"Tab Norvane.Tanvelo.Explorer.tab") == ribbon->calls.end());
  ribbon->calls.clear();  // the Inbox's own redraw of the folder's controls
  explorer->SetCurrentFolder(templates->Folders()->Item(1));
  EXPECT_EQ(L"Tab Norvane.Tanvelo.Explorer.tab", ribbon->calls.at(0));
  // A new mail inspector has the whole ribbon asked again; a contact's does not.
  ribbon->calls.clear();
  host->OpenInspector(p.kimContact);
  EXPECT_TRUE(ribbon->calls.empty());
  host->OpenInspector(p.htmlMail);
  EXPECT_EQ((std::vector<std::wstring>{L"Invalidate"}), ribbon->calls);

  // A ribbon loaded before ours that refuses the tab: ours still comes forward and redraws.
  auto refusing = std::make_shared<RefusingRibbon>();
  StartIn(L"14.0.0.4760");
  addin->Ribbon_OnLoad(refusing);
  auto last = std::make_shared<RecordingRibbon>();
  addin->Ribbon_OnLoad(last);
  explorer->SetCurrentFolder(templates->Folders()->Item(1));
  ASSERT_FALSE(last->calls.empty());
  EXPECT_EQ(L"Tab Norvane.Tanvelo.Explorer.tab", last->calls.front());
  for (const auto& id : CConnectRibbon::InvalidationList(0))
    EXPECT_NE(std::find(last->calls.begin(), last->calls.end(), L"Control " + id),
              last->calls.end())
        << win32::ToAnsi(id);
  EXPECT_TRUE(Logged(L"Connect::m_oRibbon"));

  // Outlook 2007: folder switches leave the ribbon alone.
  StartIn(L"12.0.0.6000");
  explorer->SetCurrentFolder(templates->Folders()->Item(1));
  EXPECT_TRUE(ribbon->calls.empty());
}

TEST_F(Events, AnInspectorsHotkeyDuringATemplateActionRunsAfterIt) {
  StartIn(L"11.0.0.8000");
  auto tmpl = outlook::AddUnsentMail(templates, L"Thanks");
  CHotkey hotkey;
  hotkey.Action = 1;
  hotkey.TemplateEntryID = tmpl->EntryID();
  host->OpenInspector(p.plainMail);
  const size_t before = g_oDraftsFolder->Items()->Count();
  {
    mTanvelo::road::ActionGuard running(L"test");  // another action's dialog is open
    addin->OnHotkey(hotkey);
    EXPECT_EQ(edaTanveloClick, DummyForm().PendingDemand().nDemandAction);
    win32::clock::Advance(500);
    EXPECT_EQ(before, static_cast<size_t>(g_oDraftsFolder->Items()->Count()));
  }
  win32::clock::Advance(1);
  EXPECT_EQ(before + 1, static_cast<size_t>(g_oDraftsFolder->Items()->Count()));
}

TEST_F(Events, AHotkeyRunsInTheActiveWindow) {
  StartIn(L"14.0.0.4760");
  CHotkey hotkey;
  hotkey.Action = 2;
  hotkey.TemplateEntryID = L"ABC";
  // The explorer is active: the reply to all is queued for the explorer's selection.
  explorer->SetCurrentFolder(p.inbox);
  explorer->Select({p.plainMail});
  explorer->Activate();
  addin->OnHotkey(hotkey);
  EXPECT_EQ(edaDoTanvelo, DummyForm().PendingDemand().nDemandAction);
  EXPECT_EQ(2, DummyForm().PendingDemand().nAction);
  EXPECT_EQ(0, DummyForm().PendingDemand().nMode);
  EXPECT_EQ(L"ABC", DummyForm().PendingDemand().sTemplateID);
  UnloadDummyForm();
  // A contact's inspector has no wrapper: nothing happens.
  host->OpenInspector(p.kimContact);
  addin->OnHotkey(hotkey);
  EXPECT_EQ(edaNone, DummyForm().PendingDemand().nDemandAction);
  EXPECT_TRUE(Boxes().empty());
  // No window at all (Outlook kept by another program).
  host->Quit();
  addin = std::make_shared<Connect>();
  host = std::make_unique<addinhost::OutlookHost>(p.app, addin);
  Start(0);
  addin->OnHotkey(hotkey);
  EXPECT_TRUE(Logged(L"Connect::OnHotkey", L"ActiveWindow Is Nothing"));
}
