// The ribbon as a user of Outlook 2010 and 2007 sees it, drawn by Office's host over the real
// add-in object, profile and English texts: labels, states and pictures for a received mail, a
// template, a draft, no selection and the templates folder; clicks reach their commands.
#include "addin/CConnectRibbon.h"
#include "commands/frmDummy.h"
#include "core/COptions.h"
#include "engine/CFrequentlyTemplates.h"
#include "engine/mTanvelo.h"
#include "inspector_ui/CItemContextMenu.h"
#include "platform/addin/ItemContextMenu.h"
#include "platform/forms/User.h"
#include "platform/support/LibNorvane.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Faults.h"
#include "tests/addin/ConnectTest.h"
#include "tests/addin/RibbonFakes.h"

namespace {

std::wstring X(const std::wstring& name) {
  return L"Norvane.Tanvelo.Explorer." + name;
}

class RibbonDraw : public ConnectTest {
 protected:
  void Run(const std::wstring& version) {
    Boot(version);
    AcceptFolderDialog();
    Start();
    explorer = p.app->ActiveExplorer();
    templates = g_oTemplatesFolder;
    ASSERT_TRUE(templates);
    recorder = std::make_shared<ribbontest::RecordingCommands>();
    addin->RibbonHalf().SetCommands(recorder);
    // Outlook's own Reply, Reply to All and Forward follow the selection.
    bars = std::static_pointer_cast<office::CommandBars>(explorer->CommandBars());
  }
  std::shared_ptr<office::RibbonWindow> ExplorerRibbon() {
    auto window = host->RibbonWindowOf(explorer.get());
    if (window) window->Draw();
    return window;
  }
  void OutlookReply(bool enabled) {
    for (int32_t id : {354, 355, 356}) bars->FindControl(0, id)->SetEnabled(enabled);
  }
  static std::wstring Picture(const office::RibbonWindow& w, const std::wstring& id) {
    auto picture = w.Image(id);
    if (!picture || !picture->Image()) return L"";
    const auto* info = picture->Image();
    return std::wstring(info->resource.begin(), info->resource.end()) + L"@" +
           std::to_wstring(info->width);
  }
  std::shared_ptr<outlook::Item> Template(const std::wstring& subject) {
    return outlook::AddUnsentMail(templates, subject);
  }
  void NoHostErrors() {
    EXPECT_TRUE(host->Ribbon()->Errors().empty());
    for (const auto& e : host->Ribbon()->Errors()) ADD_FAILURE() << win32::ToAnsi(e);
    EXPECT_TRUE(host->Errors().empty());
    // Nor did any rule fail quietly on the way.
    for (const auto& e : support::library::Log())
      if (e.level == kLevelError && e.procedure.rfind(L"Connect", 0) == 0)
        ADD_FAILURE() << win32::ToAnsi(e.procedure + L": " + e.text);
  }

  std::shared_ptr<outlook::Explorer> explorer;
  std::shared_ptr<outlook::MAPIFolder> templates;
  std::shared_ptr<office::CommandBars> bars;
  std::shared_ptr<ribbontest::RecordingCommands> recorder;
};

}  // namespace

TEST_F(RibbonDraw, Outlook2010ExplorerOnAReceivedMail) {
  Run(L"14.0.0.4760");
  explorer->Select({p.plainMail});
  auto w = ExplorerRibbon();
  ASSERT_TRUE(w);
  EXPECT_EQ(L"Tanvelo", w->Label(X(L"tab")));
  EXPECT_EQ(L"Respond", w->Label(X(L"grpEmail")));
  EXPECT_EQ(L"Templates", w->Label(X(L"grpTemplate")));
  EXPECT_EQ(L"Reply", w->Label(X(L"btnTanvelo")));
  EXPECT_EQ(L"Reply using the default template", w->Screentip(X(L"btnTanvelo")));
  EXPECT_EQ(L"ICO_TANVELO@32", Picture(*w, X(L"btnTanvelo")));
  EXPECT_EQ(L"SendItem", w->ImageMso(X(L"btnSendDrafts")));
  for (const wchar_t* id : {L"sbtnTanvelo", L"sbtnReplyAllWith", L"sbtnForwardWith"}) {
    EXPECT_TRUE(w->Visible(X(id))) << id;
    EXPECT_TRUE(w->Enabled(X(id))) << id;
  }
  for (const wchar_t* id : {L"btnTemplate", L"btnNewFromTemplate", L"btnSaveAsTemplate",
                            L"btnSelAndEditTemplate", L"btnImport", L"btnHelp"})
    EXPECT_TRUE(w->Visible(X(id))) << id;
  for (const wchar_t* id : {L"btnNewTemplate", L"btnEditTemplate", L"btnNewFromSelTemplate",
                            L"grpDefault", L"grpDrafts", L"grpOptions"})
    EXPECT_FALSE(w->Visible(X(id))) << id;
  EXPECT_TRUE(w->Enabled(X(L"btnSaveAsTemplate")));
  NoHostErrors();
}

TEST_F(RibbonDraw, Outlook2010ExplorerFollowsSelectionAndFolderWithoutBeingAskedToRedraw) {
  Run(L"14.0.0.4760");
  auto w = ExplorerRibbon();
  EXPECT_FALSE(w->Enabled(X(L"sbtnTanvelo")));  // nothing selected
  explorer->Select({p.plainMail});
  w->Draw();
  EXPECT_TRUE(w->Enabled(X(L"sbtnTanvelo")));
  // The templates folder: the template group and the default group, the tab in front.
  auto tpl = Template(L"Thanks for your order");
  explorer->SetCurrentFolder(templates);
  explorer->Select({tpl});
  w->Draw();
  EXPECT_EQ(L"Tanvelo", w->Label(X(L"tab")));
  EXPECT_EQ(X(L"tab"), w->ActiveTab());
  EXPECT_EQ(L"Template", w->Label(X(L"grpTemplate")));
  EXPECT_FALSE(w->Enabled(X(L"sbtnTanvelo")));
  for (const wchar_t* id : {L"btnNewTemplate", L"btnEditTemplate", L"btnOpenDuplicate",
                            L"btnHotkey", L"grpDefault", L"btnNewFromSelTemplate"})
    EXPECT_TRUE(w->Visible(X(id))) << id;
  EXPECT_FALSE(w->Visible(X(L"btnTemplate")));
  EXPECT_FALSE(w->Visible(X(L"btnSaveAsTemplate")));
  EXPECT_TRUE(w->Enabled(X(L"btnEditTemplate")));
  EXPECT_TRUE(w->Enabled(X(L"btnChangeDefaultSet")));
  EXPECT_FALSE(w->Enabled(X(L"btnChangeDefaultClear")));
  // Made the default: the click redraws both default buttons.
  mTanvelo::SetDefaultTemplate(tpl);
  w->Click(X(L"btnChangeDefaultSet"));
  EXPECT_EQ(std::vector<std::wstring>{L"Explorer_ChangeDefault"}, recorder->runs);
  w->Draw();
  EXPECT_FALSE(w->Enabled(X(L"btnChangeDefaultSet")));
  EXPECT_TRUE(w->Enabled(X(L"btnChangeDefaultClear")));
  // A draft in Drafts.
  auto draft = outlook::AddUnsentMail(p.drafts, L"Unfinished");
  explorer->SetCurrentFolder(p.drafts);
  explorer->Select({draft});
  w->Draw();
  EXPECT_TRUE(w->Visible(X(L"grpDrafts")));
  EXPECT_TRUE(w->Enabled(X(L"btnSendDrafts")));
  EXPECT_EQ(L"Templates", w->Label(X(L"grpTemplate")));
  NoHostErrors();
}

TEST_F(RibbonDraw, QuickItemsNameAndRunTheTemplatesMostUsed) {
  Run(L"14.0.0.4760");
  explorer->Select({p.plainMail});
  auto price = Template(L"Price list & terms");
  price->Recipients()->Add(L"sales@example.com");
  price->Save();
  auto thanks = Template(L"Thanks");
  auto w = ExplorerRibbon();
  w->OpenMenu(X(L"mnuTanvelo"));
  EXPECT_FALSE(w->Visible(X(L"btnTanveloT1")));
  // Uses counted while the add-in runs, after a mail was opened (its ribbon loaded last): the
  // explorer's menu follows at its next opening all the same.
  host->OpenInspector(p.htmlMail);
  g_oFrequentlyTemplates->IncUseCount(thanks->EntryID(), 1);
  g_oFrequentlyTemplates->IncUseCount(price->EntryID(), 1);
  g_oFrequentlyTemplates->IncUseCount(price->EntryID(), 1);
  w->OpenMenu(X(L"mnuTanvelo"));
  EXPECT_EQ(L"Price list & terms", w->Label(X(L"btnTanveloT1")));
  EXPECT_EQ(L"ICO_PREADDRESSED_TEMPLATE@16", Picture(*w, X(L"btnTanveloT1")));
  EXPECT_EQ(L"Thanks", w->Label(X(L"btnTanveloT2")));
  EXPECT_EQ(L"ICO_TEMPLATE_FOLDER@16", Picture(*w, X(L"btnTanveloT2")));
  EXPECT_FALSE(w->Visible(X(L"btnTanveloT3")));
  w->OpenMenu(X(L"m_mnuForwardWith"));
  EXPECT_FALSE(w->Visible(X(L"btnForwardWithT1")));
  w->Click(X(L"btnTanveloT2"));
  EXPECT_EQ(std::vector<std::wstring>{L"Explorer_Tanvelo 1 [" + thanks->EntryID() + L"] 2"},
            recorder->runs);
  NoHostErrors();
}

TEST_F(RibbonDraw, EveryButtonAUserCanReachRunsOneCommand) {
  Run(L"14.0.0.4760");
  auto tpl = Template(L"Welcome");
  for (auto [folder, item] : {std::pair{p.inbox, p.plainMail}, std::pair{templates, tpl}}) {
    explorer->SetCurrentFolder(folder);
    explorer->Select({item});
    auto w = ExplorerRibbon();
    for (const auto& id : w->ControlIds()) {
      if (id.find(L".btn") == std::wstring::npos || !w->Visible(id) || !w->Enabled(id)) continue;
      if (id.find(L"T", id.size() - 2) != std::wstring::npos) continue;  // quick items: above
      recorder->runs.clear();
      w->Click(id);
      EXPECT_EQ(1u, recorder->runs.size()) << win32::ToAnsi(id);
    }
  }
  EXPECT_FALSE(Logged(L"Connect::Button_Action_"));
  NoHostErrors();
}

TEST_F(RibbonDraw, Outlook2010InspectorsOnAReceivedMailATemplateAndAMadeMail) {
  Run(L"14.0.0.4760");
  auto read = host->RibbonWindowOf(host->OpenInspector(p.plainMail).get());
  ASSERT_TRUE(read);
  read->Draw();
  EXPECT_EQ(L"Tanvelo", read->Label(L"Norvane.Tanvelo.Tab"));
  EXPECT_TRUE(read->Visible(L"btnTemplate2"));
  EXPECT_FALSE(read->Visible(L"sbtnTemplate"));
  EXPECT_EQ(L"Save as template", read->Screentip(L"btnTemplate2"));
  EXPECT_EQ(L"ICO_SAVE_AS_TEMPLATE@32", Picture(*read, L"btnTemplate2"));
  EXPECT_EQ(L"Reply to all", read->Label(L"btnReplyAllWith"));
  read->Click(L"btnForwardWithSub");
  EXPECT_EQ(L"Tanvelo_Click", recorder->runs.back().substr(0, 13));

  auto compose = host->RibbonWindowOf(host->OpenInspector(Template(L"Offer")).get());
  ASSERT_TRUE(compose);
  compose->Draw();
  EXPECT_TRUE(compose->Visible(L"Norvane.Tanvelo.grpInsert"));
  EXPECT_EQ(L"Personalization", compose->Label(L"Norvane.Tanvelo.grpInsert"));
  EXPECT_EQ(L"First name", compose->Label(L"btnFirstName"));
  EXPECT_EQ(L"Save template", compose->Screentip(L"btnTemplate"));
  compose->OpenMenu(L"mnuTemplate");
  EXPECT_EQ(L"Make default template", compose->Label(L"btnChangeDefault"));
  EXPECT_FALSE(compose->Visible(L"btnProcessPersonal2"));
  compose->Click(L"btnLastName");
  EXPECT_EQ(L"InsertText [%LastName% ]", recorder->runs.back());

  auto made = outlook::AddUnsentMail(p.drafts, L"RE: Your order");
  mTanvelo::SetAddinProperty(made, Options().ProductCode(), true);
  auto mine = host->RibbonWindowOf(host->OpenInspector(made).get());
  mine->Draw();
  mine->OpenMenu(L"mnuTemplate");
  EXPECT_TRUE(mine->Visible(L"btnProcessPersonal2"));
  EXPECT_FALSE(mine->Visible(L"btnHotkey"));
  EXPECT_FALSE(mine->Visible(L"Norvane.Tanvelo.grpInsert"));
  NoHostErrors();
}

TEST_F(RibbonDraw, Outlook2007HasInspectorRibbonsAndTheItemContextMenu) {
  Run(L"12.0.0.6423");
  EXPECT_FALSE(host->RibbonWindowOf(explorer.get()));  // 2007 explorers keep their bars
  auto read = host->RibbonWindowOf(host->OpenInspector(p.plainMail).get());
  ASSERT_TRUE(read);
  read->Draw();
  EXPECT_EQ(L"Reply", read->Label(L"btnTanvelo"));
  EXPECT_EQ(L"Reply using a template", read->Screentip(L"btnTanvelo"));

  explorer->Select({p.plainMail});
  auto events = addin->EventsComponent();
  ASSERT_TRUE(events);
  auto menu = o2007events::ContextMenu::ShowItemMenu(events, explorer);
  EXPECT_EQ((std::vector<std::wstring>{
                L"Tanvelo/Reply with...", L"Tanvelo/Reply to all with...",
                L"Tanvelo/Forward with...", L"Tanvelo/New mail from a template...",
                L"Tanvelo/Save as template", L"Reply", L"Reply to All", L"Forward", L"Delete"}),
            menu->Entries());
  menu->Click(L"Tanvelo/Reply to all with...");
  EXPECT_EQ(L"Explorer_Tanvelo 2 [] 2", recorder->runs.back());
  EXPECT_FALSE(addin->RibbonHalf().ContextMenu2007());  // released at the close
  // In the templates folder the template commands, and never both default commands.
  auto tpl = Template(L"Welcome");
  explorer->SetCurrentFolder(templates);
  explorer->Select({tpl});
  menu = o2007events::ContextMenu::ShowItemMenu(events, explorer);
  EXPECT_EQ((std::vector<std::wstring>{L"Tanvelo/New template", L"Tanvelo/Edit template",
                                       L"Tanvelo/Duplicate template", L"Tanvelo/Hotkey...",
                                       L"Tanvelo/Make default template", L"Reply", L"Reply to All",
                                       L"Forward", L"Delete"}),
            menu->Entries());
  menu->Close();
  NoHostErrors();
}

TEST_F(RibbonDraw, TheRealCommandsRunFromTheRibbonAndTheContextMenu) {
  Run(L"14.0.0.4760");
  addin->RibbonHalf().SetCommands(std::make_shared<COutlookRibbonCommands>());
  explorer->Select({p.plainMail});
  auto w = ExplorerRibbon();
  w->Click(X(L"btnForwardWithSub"));  // queued, the template picker comes after the click
  const auto& demand = DummyForm().PendingDemand();
  EXPECT_EQ(edaDoTanvelo, demand.nDemandAction);
  EXPECT_EQ(4, demand.nAction);
  EXPECT_EQ(2, demand.nMode);
  EXPECT_EQ(L"", demand.sTemplateID);
  EXPECT_EQ(p.plainMail->EntryID(), demand.oItem->EntryID());
  // No mail selected: the user is told, nothing is queued.
  explorer->Select({p.kimContact});
  w->Draw();
  size_t boxes = Boxes().size();
  addin->RibbonHalf().Button_Action_(X(L"btnTanveloSub"), std::any(explorer));
  EXPECT_EQ(boxes + 1, Boxes().size());
  NoHostErrors();
}

TEST_F(RibbonDraw, TheOptionsButtonIsHiddenButItsCommandShowsTheDialog) {
  Run(L"14.0.0.4760");
  auto w = ExplorerRibbon();
  EXPECT_FALSE(w->Visible(X(L"grpOptions")));
  forms::QueueScript(L"frmOptions", [](forms::User& u) { u.PressEsc(); });
  COutlookRibbonCommands().ShowOptions();
  EXPECT_EQ(0u, forms::PendingScripts(L"frmOptions"));
}

TEST_F(RibbonDraw, Outlook2007ComposeRibbonsAndAMenuWithNothingSelected) {
  Run(L"12.0.0.6423");
  auto tpl = Template(L"Welcome");
  auto compose = host->RibbonWindowOf(host->OpenInspector(tpl).get());
  ASSERT_TRUE(compose);
  compose->Draw();
  EXPECT_TRUE(compose->Visible(L"sbtnTemplate"));
  EXPECT_FALSE(compose->Visible(L"btnTemplate2"));
  EXPECT_TRUE(compose->Visible(L"Norvane.Tanvelo.grpInsert"));
  EXPECT_EQ(L"ICO_SAVE_AS_TEMPLATE@32", Picture(*compose, L"btnTemplate"));
  // A draft of the user's own: only "save as template".
  auto draft =
      host->RibbonWindowOf(host->OpenInspector(outlook::AddUnsentMail(p.drafts, L"Notes")).get());
  draft->Draw();
  EXPECT_TRUE(draft->Visible(L"btnTemplate2"));
  EXPECT_FALSE(draft->Visible(L"sbtnTemplate"));
  EXPECT_FALSE(draft->Visible(L"Norvane.Tanvelo.grpInsert"));
  // Nothing selected in the Inbox: no reply entries, a new mail can still be made.
  explorer->Select({});
  auto menu = o2007events::ContextMenu::ShowItemMenu(addin->EventsComponent(), explorer);
  EXPECT_EQ(L"Tanvelo/New mail from a template...", menu->Entries().at(0));
  EXPECT_EQ(L"Reply", menu->Entries().at(1));
  menu->Close();
  NoHostErrors();
}

TEST_F(RibbonDraw, AQuickItemsLabelFollowsTheRecordsRefreshedAtAStart) {
  Run(L"14.0.0.4760");
  auto gone = Template(L"Old offer");
  auto kept = Template(L"Thanks");
  g_oFrequentlyTemplates->IncUseCount(gone->EntryID(), 1);
  g_oFrequentlyTemplates->IncUseCount(gone->EntryID(), 1);
  g_oFrequentlyTemplates->IncUseCount(kept->EntryID(), 1);
  auto read = host->RibbonWindowOf(host->OpenInspector(p.plainMail).get());
  read->OpenMenu(L"mnuTanvelo");
  EXPECT_EQ(L"Old offer", read->Label(L"btnTanveloT1"));
  // The template goes while the add-in rests (its last explorer closed, the mail still open);
  // the next explorer starts it again and the records are refreshed.
  gone->Delete();
  host->CloseExplorer(explorer);
  explorer = host->OpenExplorer(p.inbox);
  read->OpenMenu(L"mnuTanvelo");
  EXPECT_EQ(L"Thanks", read->Label(L"btnTanveloT1"));
  EXPECT_FALSE(read->Visible(L"btnTanveloT2"));
  recorder->runs.clear();
  read->Click(L"btnTanveloT1");
  EXPECT_NE(std::wstring::npos, recorder->runs.at(0).find(kept->EntryID()));
}

// Outlook busy a moment while the ribbon asks whether the current folder is a drafts folder does
// not hide the send-drafts group; refused for good, the log names the control it hid.
TEST_F(RibbonDraw, TheSendDraftsGroupOutlastsARefusedLookAndTellsARunOfThem) {
  Run(L"14.0.0.4760");
  auto draft = outlook::AddUnsentMail(p.drafts, L"Unfinished");
  explorer->SetCurrentFolder(p.drafts);
  explorer->Select({draft});
  auto visible = [&] {
    bool result = false;
    addin->RibbonHalf().Control_GetVisible_(X(L"btnSendDrafts"), std::any(explorer), result);
    return result;
  };
  win32::faults::Start({.countOnly = true});
  ASSERT_TRUE(visible());
  win32::faults::Stop();
  const uint64_t calls = win32::faults::Counts().calls;
  ASSERT_GE(calls, 1u);
  for (uint64_t span : {uint64_t{1}, uint64_t{kHeldTries} - 1, uint64_t{kHeldTries} + 1})
    for (uint64_t at = 1; at <= calls; ++at) {
      win32::faults::Start({.at = at, .span = span});
      const bool shown = visible();
      win32::faults::Stop();
      EXPECT_TRUE(shown) << span << " calls from " << at << " refused";
    }
  EXPECT_FALSE(Logged(L"Connect::Control_GetVisible_"));
  win32::faults::Start({.at = 1, .span = 100000});
  visible();
  win32::faults::Stop();
  EXPECT_TRUE(LoggedContaining(L"Connect::Control_GetVisible_", X(L"btnSendDrafts")));
}
