// A whole Outlook life with the add-in, on each version: connection, the first start, a
// hotkey that makes a reply through the deferred-action form, the last explorer closed while
// the reply stays open, a new explorer, and the end; nothing is left behind.
#include "commands/mKeyboardHook.h"
#include "core/CLang.h"
#include "core/Main.h"
#include "engine/CFrequentlyTemplates.h"
#include "hotkeys/CHotkeys.h"
#include "personalization/RL_mMain.h"
#include "platform/addin/EventsComponent.h"
#include "platform/forms/Form.h"
#include "platform/outlook/Inspector.h"
#include "platform/support/LibNorvane.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Keyboard.h"
#include "tests/addin/ConnectTest.h"

namespace {

class WholeLife : public ConnectTest, public testing::WithParamInterface<const wchar_t*> {};

std::vector<ItemPtr> Mails(const FolderPtr& folder) {
  std::vector<ItemPtr> mails;
  for (int32_t i = 1; i <= folder->Items()->Count(); ++i) mails.push_back(folder->Items()->Item(i));
  return mails;
}

}  // namespace

TEST_P(WholeLife, OfOutlookWithTheAddIn) {
  Boot(GetParam());
  // First start: Outlook opens on the Inbox; the user takes the proposed folder name.
  AcceptFolderDialog();
  Start();
  ASSERT_EQ(Connect::State::Initialised, addin->GetState());
  auto templates = g_oTemplatesFolder;
  auto drafts = g_oDraftsFolder;
  ASSERT_TRUE(templates && drafts);
  EXPECT_GT(templates->Folders()->Count(), 0);  // the samples
  EXPECT_TRUE(support::library::InitCompleted());
  EXPECT_EQ(1u, menus.size());

  // The user writes a template and gives it Ctrl+Alt+R.
  auto tmpl = templates->Items()->Add(outlook::olMailItem);
  tmpl->SetSubject(L"Thanks");
  tmpl->SetBody(L"Thank you for your mail.");
  tmpl->Save();
  Hotkeys().Add(tmpl->EntryID(), 1, 'R', false, true, true);
  Hotkeys().SaveToReg();

  // A mail is selected and the hotkey pressed: the reply comes a moment later.
  auto explorer = p.app->Explorers()->Item(1);
  explorer->Select({p.plainMail});
  explorer->Activate();
  win32::keyboard::Press('R', false, true, true);
  EXPECT_TRUE(Mails(drafts).empty());  // nothing inside the key's own message
  win32::clock::Advance(200);
  auto made = Mails(drafts);
  ASSERT_EQ(1u, made.size());
  auto reply = made[0];
  EXPECT_EQ(L"RE: " + p.plainMail->Subject(), reply->Subject());
  EXPECT_NE(std::wstring::npos, reply->Body().find(L"Thank you for your mail."));
  ASSERT_NE(nullptr, reply->GetInspector());
  ASSERT_EQ(1u, wrappers.size());
  EXPECT_EQ(1, g_oFrequentlyTemplates->Templates().Count());

  // The last explorer closes while the reply stays open; its wrapper keeps working.
  host->CloseExplorer(explorer);
  EXPECT_EQ(Connect::State::Started, addin->GetState());
  EXPECT_FALSE(mKeyboardHook::IsHookSet());
  EXPECT_EQ(0, wrappers[0]->dones);
  EXPECT_EQ(wrappers[0], addin->InspectorsWrapper()->FindWrapper(reply->GetInspector()));

  // A new explorer starts the add-in again; the binding is still there.
  host->OpenExplorer(p.inbox);
  EXPECT_EQ(Connect::State::Initialised, addin->GetState());
  EXPECT_EQ(templates, g_oTemplatesFolder);
  EXPECT_EQ(2u, menus.size());
  EXPECT_EQ(1, Hotkeys().Count());
  EXPECT_TRUE(mKeyboardHook::IsHookSet());

  // Outlook ends.
  host->Quit();
  EXPECT_TRUE(host->Errors().empty());
  EXPECT_EQ(Connect::State::ShutDown, addin->GetState());
  EXPECT_EQ(1, wrappers[0]->dones);
  EXPECT_EQ(0u, win32::keyboard::InstalledHooks());
  EXPECT_EQ(0u, win32::clock::PendingTimers());
  EXPECT_TRUE(forms::LoadedForms().empty());
  EXPECT_EQ(1u, p.app->Explorers()->NewExplorer.Subscribers());  // the host's own
  EXPECT_EQ(1u, p.app->Inspectors()->NewInspector.Subscribers());
  EXPECT_EQ(0u, templates->Items()->ItemAdd.Subscribers());
  EXPECT_EQ(0, o2007events::LiveInstances());
  EXPECT_EQ(nullptr, g_oConnect);
  EXPECT_EQ(nullptr, g_oApp);
  EXPECT_EQ(nullptr, g_oLib);
  EXPECT_EQ(nullptr, g_oFrequentlyTemplates);
  EXPECT_EQ(nullptr, g_oTemplatesFolder);
  EXPECT_EQ(nullptr, g_oDraftsFolder);
  // What the user made is kept: the binding in the registry, the reply in the drafts.
  CHotkeys stored;
  g_oApp = p.app;
  stored.LoadFromReg();
  EXPECT_EQ(1, stored.Count());
  EXPECT_EQ(1u, Mails(drafts).size());
}

INSTANTIATE_TEST_SUITE_P(Versions, WholeLife,
                         testing::Values(L"9.0.0.3821", L"11.0.0.8000", L"12.0.0.6000",
                                         L"14.0.0.4760"));
