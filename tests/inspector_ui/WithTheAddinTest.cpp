// The wrapper as Outlook meets it through the add-in object: every mail window it opens gets
// the add-in's bars, and they go again with the window.
#include <gtest/gtest.h>

#include "addin/Connect.h"
#include "core/CLang.h"
#include "core/Main.h"
#include "engine/mTanveloRoad.h"
#include "platform/addin/OutlookHost.h"
#include "platform/forms/User.h"
#include "platform/msxml/DOMDocument.h"
#include "platform/office/CommandBars.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/redemption/Install.h"
#include "platform/win32/Clock.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Reset.h"
#include "resources/StringTable.h"
#include "tests/common/Source.h"

namespace {

std::shared_ptr<office::CommandBarControl> WithTooltip(office::CommandBar& bar,
                                                       const std::wstring& text) {
  for (const auto& c : bar.Controls())
    if (c->TooltipText() == text) return c;
  return nullptr;
}

TEST(InspectorWithTheAddin, AMailWindowGetsTheAddinsBarsAndLosesThemWhenItCloses) {
  for (const wchar_t* version : {L"11.0.8169", L"14.0.4760"}) {
    SCOPED_TRACE(version);
    win32::ResetPlatform();
    resources::LoadModuleResources();
    redemption::Install();
    msxml::Install();
    win32::files::TempSandbox sandbox;
    ASSERT_FALSE(testsource::InstallEnglishFile().empty());
    win32::msgbox::SetDefaultAnswerer([](const win32::ShownMessageBox& box) {
      if ((box.style & 0xF) == win32::MB_OK) return win32::IDOK;
      throw win32::UnscriptedPrompt("unexpected question: " + win32::ToAnsi(box.text));
    });
    auto p = outlook::BuildProfile({.version = version});
    auto addin = std::make_shared<Connect>();
    auto host = std::make_unique<addinhost::OutlookHost>(p.app, addin);
    forms::QueueScript(L"frmReplyFolder", [](forms::User& u) { u.PressEnter(); });
    host->Start(p.inbox, 1);
    ASSERT_TRUE(host->Connected());

    auto inspector = host->OpenInspector(p.plainMail);
    auto bars = std::static_pointer_cast<office::CommandBars>(inspector->CommandBars());
    ASSERT_TRUE(bars);
    auto standard = bars->Item(L"Standard");
    const bool before2007 = outlook::MajorVersion(version) < 12;
    EXPECT_EQ(before2007, WithTooltip(*standard, LangText(L"IDS_TANVELO")) != nullptr);
    host->CloseInspector(inspector);
    EXPECT_FALSE(WithTooltip(*standard, LangText(L"IDS_TANVELO")));
    EXPECT_TRUE(host->Errors().empty());
    host->Quit();
    host.reset();
    addin.reset();
    g_oLang.reset();
  }
}

TEST(InspectorWithTheAddin, AReplyStillOpenWhenTheLastExplorerClosesIsSentPersonalized) {
  struct Case {
    const wchar_t* version;
    bool word;
  };
  for (const Case c : {Case{L"11.0.8169", false}, Case{L"11.0.8169", true},
                       Case{L"12.0.6423", false}, Case{L"14.0.4760", true}}) {
    SCOPED_TRACE(std::string(win32::ToAnsi(c.version)) + (c.word ? " Word" : ""));
    win32::ResetPlatform();
    resources::LoadModuleResources();
    redemption::Install();
    msxml::Install();
    win32::files::TempSandbox sandbox;
    ASSERT_FALSE(testsource::InstallEnglishFile().empty());
    // OK boxes are acknowledged, the send-or-keep question answered "send now".
    win32::msgbox::SetDefaultAnswerer([](const win32::ShownMessageBox& box) {
      if ((box.style & 0xF) == win32::MB_OK) return win32::IDOK;
      if ((box.style & 0xF) == win32::MB_YESNO) return win32::IDNO;
      throw win32::UnscriptedPrompt("unexpected question: " + win32::ToAnsi(box.text));
    });
    auto p = outlook::BuildProfile({.version = c.version});
    p.app->SetWordMail(c.word);
    auto addin = std::make_shared<Connect>();
    auto host = std::make_unique<addinhost::OutlookHost>(p.app, addin);
    forms::QueueScript(L"frmReplyFolder", [](forms::User& u) { u.PressEnter(); });
    host->Start(p.inbox, 1);
    ASSERT_TRUE(g_oTemplatesFolder && g_oDraftsFolder);
    auto drafts = g_oDraftsFolder;
    auto tmpl = outlook::AddUnsentMail(g_oTemplatesFolder, L"Thanks");
    tmpl->SetBody(L"Dear %FirstName%,");
    tmpl->Save();
    int32_t action = 1;
    ASSERT_TRUE(mTanvelo::DoTanvelo(p.plainMail, action, 0, tmpl->EntryID()));
    auto reply = p.app->ActiveInspector();
    ASSERT_TRUE(reply);

    host->CloseExplorer(p.app->Explorers()->Item(1));
    reply->CurrentItem()->Send();
    win32::clock::Advance(500);  // Word's Send is taken a moment later
    auto out = p.outbox->Items()->All();
    ASSERT_EQ(1u, out.size());
    EXPECT_NE(std::wstring::npos, out[0]->Body().find(L"Dear Kim,")) << out[0]->Body();
    EXPECT_EQ(0, drafts->Items()->Count());
    EXPECT_TRUE(reply->IsClosed());
    for (const auto& box : win32::msgbox::Shown())
      EXPECT_NE(LangText(L"STR_SEND_NOT_PROCESSED"), box.text);

    // Word's Send waits a moment; the last explorer closing within it still sends the mail.
    if (c.word) {
      host->OpenExplorer(p.inbox);
      ASSERT_TRUE(mTanvelo::DoTanvelo(p.htmlMail, action, 0, tmpl->EntryID()));
      reply = p.app->ActiveInspector();
      reply->CurrentItem()->Send();
      host->CloseExplorer(p.app->Explorers()->Item(1));
      EXPECT_EQ(2, p.outbox->Items()->Count());
      EXPECT_TRUE(reply->IsClosed());
    }
    EXPECT_TRUE(host->Errors().empty());
    host->Quit();
    host.reset();
    addin.reset();
    g_oLang.reset();
  }
}

}  // namespace
