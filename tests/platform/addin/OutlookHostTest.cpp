// Outlook as an add-in's host: the order of its calls, windows with their own command bars,
// ribbons by version, the events component, and an add-in that raises.
#include <gtest/gtest.h>

#include "platform/addin/EventsComponent.h"
#include "platform/addin/OutlookHost.h"
#include "platform/office/CommandBars.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/vb/Runtime.h"

using addinhost::CustomArray;
using addinhost::OutlookHost;

namespace {

// Notes every call with what it could see of Outlook at that moment.
class RecordingAddIn : public addinhost::IDTExtensibility2, public office::IRibbonExtensibility {
 public:
  void OnConnection(std::shared_ptr<outlook::Application> app, int32_t mode, std::any,
                    CustomArray&) override {
    this->app = app;
    Note(L"OnConnection mode " + std::to_wstring(mode));
    if (failConnection) vb::Raise(5, L"refused");
  }
  void OnDisconnection(int32_t mode, CustomArray&) override {
    Note(L"OnDisconnection mode " + std::to_wstring(mode));
  }
  void OnAddInsUpdate(CustomArray&) override { Note(L"OnAddInsUpdate"); }
  void OnStartupComplete(CustomArray&) override { Note(L"OnStartupComplete"); }
  void OnBeginShutdown(CustomArray&) override {
    Note(L"OnBeginShutdown");
    if (failShutdown) throw std::runtime_error("boom");
  }
  std::wstring GetCustomUI(const std::wstring& id) override {
    Note(L"GetCustomUI " + id);
    return L"";
  }
  office::RibbonMembers RibbonCallbacks() override { return {}; }

  void Note(const std::wstring& what) {
    notes.push_back(what + L" explorers=" + std::to_wstring(app->Explorers()->Count()) +
                    L" inspectors=" + std::to_wstring(app->Inspectors()->Count()));
  }

  std::shared_ptr<outlook::Application> app;
  std::vector<std::wstring> notes;
  bool failConnection = false, failShutdown = false;
};

class Host : public testing::Test {
 protected:
  void Make(const std::wstring& version) {
    p = outlook::BuildProfile({.version = version});
    addin = std::make_shared<RecordingAddIn>();
    host = std::make_unique<OutlookHost>(p.app, addin);
  }
  outlook::Profile p;
  std::shared_ptr<RecordingAddIn> addin;
  std::unique_ptr<OutlookHost> host;
};

}  // namespace

TEST_F(Host, PlaysOutlooksOrderFromStartToQuit) {
  Make(L"11.0.0.8000");
  host->Start(p.inbox);
  auto mail = host->OpenInspector(p.plainMail);
  host->Quit();
  EXPECT_EQ((std::vector<std::wstring>{L"OnConnection mode 1 explorers=1 inspectors=0",
                                       L"OnStartupComplete explorers=1 inspectors=0",
                                       // Windows are gone before the shutdown begins.
                                       L"OnBeginShutdown explorers=0 inspectors=0",
                                       L"OnDisconnection mode 0 explorers=0 inspectors=0"}),
            addin->notes);
  EXPECT_TRUE(mail->IsClosed());
  EXPECT_FALSE(host->Connected());
  EXPECT_TRUE(host->Errors().empty());
}

TEST_F(Host, LastExplorerClosedLeavesOutlookRunningUntilShutdown) {
  Make(L"9.0.0.3821");
  host->Start(p.inbox, 2);
  host->CloseExplorer(p.app->Explorers()->Item(2));
  host->CloseExplorer(p.app->Explorers()->Item(1));
  auto again = host->OpenExplorer(p.inbox);
  EXPECT_EQ(1, p.app->Explorers()->Count());
  EXPECT_EQ(2u, addin->notes.size());  // nothing but the start so far
  host->AddInsUpdate();
  host->Shutdown();
  EXPECT_EQ(L"OnAddInsUpdate explorers=1 inspectors=0", addin->notes[2]);
  EXPECT_EQ(L"OnBeginShutdown explorers=1 inspectors=0", addin->notes[3]);
  // A host that already disconnected does not call again.
  host->Shutdown();
  EXPECT_EQ(5u, addin->notes.size());
  // The user unloading it in the add-ins dialog is another disconnection mode.
  Make(L"9.0.0.3821");
  host->Start(p.inbox, 0);
  host->Unload();
  EXPECT_EQ(L"OnDisconnection mode 1 explorers=0 inspectors=0", addin->notes.back());
}

TEST_F(Host, EveryNewWindowGetsItsOwnCommandBars) {
  Make(L"11.0.0.8000");
  host->Start(p.inbox, 2);
  auto a =
      std::static_pointer_cast<office::CommandBars>(p.app->Explorers()->Item(1)->CommandBars());
  auto b =
      std::static_pointer_cast<office::CommandBars>(p.app->Explorers()->Item(2)->CommandBars());
  ASSERT_TRUE(a && b);
  EXPECT_NE(a, b);
  EXPECT_NE(nullptr, a->FindControl(0, 354));  // Reply
  // A control the add-in adds to one window is not in the other.
  a->Item(L"Standard")->Controls().Add(office::msoControlButton);
  EXPECT_NE(a->Item(L"Standard")->Controls().Count(), b->Item(L"Standard")->Controls().Count());
  auto inspector = host->OpenInspector(p.htmlMail);
  auto bars = std::static_pointer_cast<office::CommandBars>(inspector->CommandBars());
  ASSERT_TRUE(bars);
  EXPECT_NE(nullptr, bars->FindControl(0, 355));  // Reply to All
  // Once the host is gone windows come without bars again.
  host.reset();
  EXPECT_EQ(nullptr, p.app->Explorers()->Add(p.inbox)->CommandBars());
}

// The menu bar shows the Actions menu of the folder shown, in each window on its own; a closed
// window's watch on its folder is let go.
TEST_F(Host, EachExplorersActionsMenuFollowsItsFolderUntilItCloses) {
  Make(L"11.0.0.8000");
  host->Start(p.inbox, 2);
  auto shown = [](const std::shared_ptr<outlook::Explorer>& explorer) {
    auto bars = std::static_pointer_cast<office::CommandBars>(explorer->CommandBars());
    auto menu = bars->Item(L"Menu Bar");
    const bool mail = menu->FindControl(office::msoControlPopup, 30131)->Visible();
    const bool contacts = menu->FindControl(office::msoControlPopup, 30141)->Visible();
    return std::wstring(mail ? L"mail" : L"") + (contacts ? L"contacts" : L"");
  };
  auto a = p.app->Explorers()->Item(1), b = p.app->Explorers()->Item(2);
  EXPECT_EQ(L"mail", shown(a));
  a->SetCurrentFolder(p.contacts);
  EXPECT_EQ(L"contacts", shown(a));
  EXPECT_EQ(L"mail", shown(b));
  a->SetCurrentFolder(p.inbox);
  EXPECT_EQ(L"mail", shown(a));

  EXPECT_EQ(1u, a->Events().FolderSwitch.Subscribers());
  host->CloseExplorer(a);
  auto c = host->OpenExplorer(p.contacts);
  EXPECT_EQ(L"contacts", shown(c));
  EXPECT_EQ(0u, a->Events().FolderSwitch.Subscribers());
  EXPECT_EQ(1u, b->Events().FolderSwitch.Subscribers());
}

TEST_F(Host, RibbonsByVersion) {
  Make(L"11.0.0.8000");
  host->Start(p.inbox);
  EXPECT_EQ(nullptr, host->Ribbon());
  EXPECT_FALSE(vb::IsComponentRegistered(o2007events::kProgID));

  Make(L"12.0.0.6000");
  host->Start(p.inbox);
  ASSERT_NE(nullptr, host->Ribbon());
  host->OpenInspector(p.plainMail);   // received: the Read ribbon
  host->OpenInspector(p.kimContact);  // no mail ribbon for a contact
  auto draft = p.app->CreateItem(outlook::olMailItem);
  auto compose = host->OpenInspector(draft);
  EXPECT_NE(nullptr, host->RibbonWindowOf(compose.get()));
  EXPECT_EQ((std::vector<std::wstring>{
                L"OnConnection mode 1 explorers=1 inspectors=0",
                L"OnStartupComplete explorers=1 inspectors=0",
                L"GetCustomUI Microsoft.Outlook.Mail.Read explorers=1 inspectors=1",
                L"GetCustomUI Microsoft.Outlook.Mail.Compose explorers=1 inspectors=3"}),
            addin->notes);

  // 2010: the explorer ribbon is asked for between connection and start-up complete.
  Make(L"14.0.0.4760");
  host->Start(p.inbox);
  EXPECT_EQ(L"GetCustomUI Microsoft.Outlook.Explorer explorers=1 inspectors=0", addin->notes[1]);
  EXPECT_NE(nullptr, host->RibbonWindowOf(p.app->Explorers()->Item(1).get()));
}

TEST_F(Host, AnInspectorClosedByItsItemTakesItsRibbonAlong) {
  Make(L"14.0.0.4760");
  host->Start(p.inbox);
  auto draft = p.app->CreateItem(outlook::olMailItem);
  auto inspector = host->OpenInspector(draft);
  std::weak_ptr<office::RibbonWindow> ribbon = host->RibbonWindowOf(inspector.get());
  ASSERT_FALSE(ribbon.expired());
  draft->Close(outlook::olDiscard);
  inspector.reset();
  host->OpenInspector(p.plainMail);
  EXPECT_TRUE(ribbon.expired());
}

TEST_F(Host, AClosedInspectorsRibbonIsLetGoSoItsWindowIsToo) {
  Make(L"14.0.0.4760");
  host->Start(p.inbox);
  std::weak_ptr<outlook::Inspector> first;
  {
    auto draft = p.app->CreateItem(outlook::olMailItem);
    auto inspector = host->OpenInspector(draft);
    ASSERT_NE(nullptr, host->RibbonWindowOf(inspector.get()));
    first = inspector;
    inspector->Close(outlook::olDiscard);
  }
  auto next = host->OpenInspector(p.app->CreateItem(outlook::olMailItem));
  EXPECT_NE(nullptr, host->RibbonWindowOf(next.get()));
  EXPECT_TRUE(first.expired()) << "the closed window is still held";
}

TEST_F(Host, EventsComponentIsCreatableAndStartedWithTheApplication) {
  Make(L"14.0.0.4760");
  auto component = vb::CreateObject<o2007events::O2007Events>(o2007events::kProgID);
  EXPECT_FALSE(component->Started());
  EXPECT_THROW(component->Init(nullptr), vb::Error);
  component->Init(p.app);
  EXPECT_TRUE(component->Started());
  EXPECT_EQ(p.app, component->Application());
  EXPECT_EQ(component, o2007events::LastInstance());
  int32_t closed = -1;
  auto sub = component->OnContextMenuClose.Subscribe([&](int32_t menu) { closed = menu; });
  component->OnContextMenuClose.Raise(0);
  EXPECT_EQ(0, closed);
  component.reset();
  EXPECT_EQ(0, o2007events::LiveInstances());
  o2007events::Uninstall();
  EXPECT_FALSE(vb::Catch([] { vb::CreateObject<o2007events::O2007Events>(o2007events::kProgID); }));
  EXPECT_EQ(vb::kCantCreateObject, vb::Err().Number());
}

TEST_F(Host, AnAddInThatRaisesNeverReachesOutlook) {
  Make(L"11.0.0.8000");
  addin->failConnection = true;
  host->Start(p.inbox);
  host->Quit();
  // Outlook unloads an add-in whose connection failed and calls it no more.
  EXPECT_EQ(1u, addin->notes.size());
  ASSERT_EQ(1u, host->Errors().size());
  EXPECT_EQ(L"OnConnection: refused", host->Errors()[0]);

  Make(L"11.0.0.8000");
  addin->failShutdown = true;
  host->Start(p.inbox);
  host->Quit();
  EXPECT_EQ(L"OnDisconnection mode 0 explorers=0 inspectors=0", addin->notes.back());
  ASSERT_EQ(1u, host->Errors().size());
  EXPECT_EQ(L"OnBeginShutdown: boom", host->Errors()[0]);
}
