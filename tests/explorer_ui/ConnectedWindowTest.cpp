// The main window with the whole add-in connected by Outlook: the add-in object attaches the
// bars to every explorer, a click runs the real command, and Outlook quits cleanly.
#include "addin/Connect.h"
#include "platform/addin/OutlookHost.h"
#include "platform/forms/User.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/MessageBox.h"
#include "tests/explorer_ui/ExplorerUiTest.h"
#include "tests/explorer_ui/PendingDemand.h"

namespace {
class ConnectedWindow : public ExplorerUiTest {
 protected:
  void Launch(int32_t version) {
    resources::LoadModuleResources();
    redemption::Install();
    p = outlook::BuildProfile({.version = std::to_wstring(version) + L".0.0.1000"});
    templates = p.root->Folders()->Add(L"Tanvelo Templates");
    connect = std::make_shared<Connect>();
    host = std::make_unique<addinhost::OutlookHost>(p.app, connect);
    win32::msgbox::Answer(win32::IDYES);  // use the templates folder found in the store
    host->Start(p.inbox);
    ASSERT_TRUE(host->Errors().empty()) << win32::ToAnsi(host->Errors().front());
    explorer = p.app->ActiveExplorer();
    cbars = std::static_pointer_cast<office::CommandBars>(explorer->CommandBars());
  }
  void TearDown() override {
    if (host && host->Connected()) host->Quit();
    if (host) {
      EXPECT_TRUE(host->Errors().empty());
    }
    host.reset();
    connect.reset();
    ExplorerUiTest::TearDown();
  }
  std::shared_ptr<Connect> connect;
  std::unique_ptr<addinhost::OutlookHost> host;
};
}  // namespace

TEST_F(ConnectedWindow, Outlook2003ShowsTheBarsAndAClickQueuesTheReply) {
  Launch(11);
  Show(p.inbox, {p.plainMail});
  auto sub = Button(L"btnTanveloSub");
  ASSERT_TRUE(sub);
  sub->UserClick();
  Pending demand = PendingDemand();
  EXPECT_EQ(1, demand.code) << "a reply is queued, to run after the click";
  EXPECT_EQ(1, demand.action);
  EXPECT_EQ(L"", demand.templateId) << "the user picks the template";
  EXPECT_EQ(p.plainMail, demand.item);

  // A second window gets its own bars at its first activation.
  auto second = host->OpenExplorer(p.inbox);
  auto secondBars = std::static_pointer_cast<office::CommandBars>(second->CommandBars());
  secondBars->FireOnUpdate();
  EXPECT_TRUE(secondBars->FindControl(0, 0, CExplorerMenu::TagOf(L"btnTanvelo")));
}

TEST_F(ConnectedWindow, WithNothingSelectedTheReplyAsksForAMail) {
  Launch(11);
  Show(p.inbox);
  win32::msgbox::Answer(1);
  Button(L"btnForwardWith2")->RaiseClick();
  EXPECT_EQ(LangText(L"IDS_TVNEEDMAILITEM"), win32::msgbox::Shown().back().text);
  EXPECT_EQ(0, PendingDemand().code);
}

TEST_F(ConnectedWindow, Outlook2010ShowsTheRibbonNotTheBars) {
  Launch(14);
  Show(p.inbox, {p.plainMail});
  EXPECT_FALSE(Find(L"btnTanvelo"));
}

TEST_F(ConnectedWindow, OptionsOpenFromTheTemplateMenu) {
  Launch(11);
  Show(p.inbox, {p.plainMail});
  forms::QueueScript(L"frmOptions", [](forms::User& u) { u.PressEsc(); });
  Button(L"btnOptions")->UserClick();
  EXPECT_EQ(0u, forms::PendingScripts(L"frmOptions"));
}
