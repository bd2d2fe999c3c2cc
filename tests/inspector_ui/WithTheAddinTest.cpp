// The wrapper as Outlook meets it through the add-in object: every mail window it opens gets
// the add-in's bars, and they go again with the window.
#include <gtest/gtest.h>

#include "addin/Connect.h"
#include "core/CLang.h"
#include "core/Main.h"
#include "platform/addin/OutlookHost.h"
#include "platform/forms/User.h"
#include "platform/msxml/DOMDocument.h"
#include "platform/office/CommandBars.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/redemption/Install.h"
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

}  // namespace
