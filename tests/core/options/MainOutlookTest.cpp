// The Outlook-facing helpers of Main and the support library's language and address callbacks.
#include <gtest/gtest.h>

#include "core/CLibNorvane.h"
#include "core/COptions.h"
#include "core/LibCallbacks.h"
#include "core/Main.h"
#include "platform/office/BuiltInBars.h"
#include "platform/office/CommandBars.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/redemption/Install.h"
#include "platform/redemption/SafeItem.h"
#include "platform/support/LibNorvane.h"
#include "platform/vb/ResPicture.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/Faults.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Reset.h"
#include "resources/StringTable.h"
#include "tests/common/Log.h"

namespace {

class MainOutlook : public testing::Test {
 protected:
  void SetUp() override {
    resources::LoadModuleResources();
    redemption::Install();
  }
  void Start(const std::wstring& version) {
    p = outlook::BuildProfile({.version = version});
    g_oApp = p.app;
  }
  static bool Logged(const std::wstring& procedure, const std::wstring& text) {
    return testlog::Logged(procedure, text);
  }
  outlook::Profile p;
};

TEST_F(MainOutlook, AppVersionIsTheMajorNumberAndCachedOnceKnown) {
  struct Row {
    const wchar_t* version;
    int32_t major;
  } rows[] = {{L"9.0.0.2711", 9}, {L"12", 12}, {L"14.0.0.4760", 14}, {L"", 0}, {L"abc", 0}};
  for (auto& row : rows) {
    win32::ResetPlatform();
    resources::LoadModuleResources();
    Start(row.version);
    EXPECT_EQ(GetAppVersion(), row.major) << row.version;
  }
  p.app->SetVersion(L"11.0");  // 0 was not kept
  EXPECT_EQ(GetAppVersion(), 11);
  p.app->SetVersion(L"14.0");  // 11 was
  EXPECT_EQ(GetAppVersion(), 11);
  g_oApp.reset();
  win32::ResetPlatform();
  EXPECT_EQ(GetAppVersion(), 0);  // no Outlook: errors ignored
}

TEST_F(MainOutlook, SafeItemsForMailAndPostOnly) {
  Start(L"14.0.0.4760");
  auto safe = GetSafeItem(p.plainMail);
  ASSERT_TRUE(std::dynamic_pointer_cast<redemption::SafeMailItem>(safe));
  EXPECT_EQ(safe->Item(), p.plainMail);
  auto post = p.inbox->Items()->Add(outlook::olPostItem);
  EXPECT_TRUE(std::dynamic_pointer_cast<redemption::SafePostItem>(GetSafeItem(post)));
  auto appointment = outlook::Item::Create(outlook::olAppointment, p.session, p.inbox);
  EXPECT_FALSE(GetSafeItem(appointment));
  EXPECT_TRUE(Logged(L"Main::GetSafeItem", L"Invalid ItemClass = 26"));
  redemption::Uninstall();
  EXPECT_FALSE(GetSafeItem(p.plainMail));
  EXPECT_EQ(support::library::Log().back().errorNumber, 429);
  EXPECT_EQ(vb::Err().Number(), 0);
}

TEST_F(MainOutlook, FolderPathsAndDraftsFolders) {
  Start(L"14.0.0.4760");
  auto sub = p.drafts->Folders()->Add(L"Tanvelo Drafts");
  auto deeper = sub->Folders()->Add(L"Deeper");
  const std::wstring root = p.root->Name();
  EXPECT_EQ(GetFolderPath(p.root), L"\\\\" + root);
  EXPECT_EQ(GetFolderPath(p.drafts), L"\\\\" + root + L"\\Drafts");
  EXPECT_EQ(GetFolderPath(deeper), L"\\\\" + root + L"\\Drafts\\Tanvelo Drafts\\Deeper");
  deeper->Delete();
  EXPECT_EQ(GetFolderPath(deeper), L"");
  EXPECT_TRUE(Logged(L"Main::GetFolderPath", L"The folder has been deleted."));

  EXPECT_TRUE(IsDraftsFolder(p.drafts));
  EXPECT_TRUE(IsDraftsFolder(sub->Folders()->Add(L"Grandchild")));
  EXPECT_FALSE(IsDraftsFolder(p.inbox));
  EXPECT_FALSE(IsDraftsFolder(p.root));
  // Another store's Drafts is never Outlook's drafts folder, whatever its name.
  EXPECT_FALSE(IsDraftsFolder(p.secondStore->DefaultFolder(outlook::olFolderDrafts)));
  EXPECT_FALSE(IsDraftsFolder(nullptr));

  // Outlook busy a moment is asked again; refused for good, only the raising look tells it.
  win32::faults::Start({.at = 1, .span = uint64_t{kHeldTries} - 1});
  EXPECT_TRUE(IsDraftsFolder(p.drafts));
  win32::faults::Stop();
  win32::faults::Start({.at = 1, .span = 1000});
  EXPECT_FALSE(IsDraftsFolder(p.drafts));
  EXPECT_FALSE(vb::Catch([&] { DraftsFolderOrRaise(p.drafts); }));
  win32::faults::Stop();
  vb::Err().Clear();
}

// Puts both callbacks into an initialisation block as the add-in's connection does.
void InitLibrary() {
  LibInitBlock block{};
  PutBlockLong(block, 0, support::kInitBlockSize);
  PutBlockLong(block, 40, win32::AllocHandle(support::TextCallback(OnLibGetUserAddress)));
  PutBlockLong(block, 60, win32::AllocHandle(support::TextCallback(OnLibGetLangID)));
  ASSERT_EQ(support::LibNorvaneInitEx(1, block.data()), 0);
}

TEST_F(MainOutlook, LibraryAsksForTheLanguage) {
  Start(L"14.0.0.4760");
  InitLibrary();
  EXPECT_EQ(support::library::CallGetLangID(), L"EN");
  Options().SetLangID(L"DE");
  EXPECT_EQ(support::library::CallGetLangID(), L"DE");
}

TEST_F(MainOutlook, LibraryAsksForTheUsersAddress) {
  Start(L"14.0.0.4760");
  InitLibrary();
  EXPECT_EQ(support::library::CallGetUserAddress(), L"pat.doe@norvane.example");
  // An entry without an SMTP address gives its address.
  p.session->SetCurrentUser(std::make_shared<outlook::AddressEntry>(L"X", L"/O=ORG/CN=X", L"EX"));
  EXPECT_EQ(support::library::CallGetUserAddress(), L"/O=ORG/CN=X");
  redemption::Uninstall();
  EXPECT_EQ(support::library::CallGetUserAddress(), L"");
  EXPECT_EQ(vb::Err().Number(), 0);
}

TEST_F(MainOutlook, Outlook2000UsesTheSafeCurrentUserAndNoSession) {
  Start(L"9.0.0.2711");
  InitLibrary();
  vb::UnregisterComponent(L"Redemption.RDOSession");
  EXPECT_EQ(support::library::CallGetUserAddress(),
            L"/O=NORVANE/OU=EXCHANGE ADMINISTRATIVE GROUP/CN=RECIPIENTS/CN=PDOE");
}

}  // namespace

TEST_F(MainOutlook, ButtonFacesNeedOutlook2002) {
  auto bars = office::MakeExplorerCommandBars();
  auto bar = bars->Add(L"Test", office::msoBarTop, false, true);
  auto button = office::AsButton(bar->Controls().Add(office::msoControlButton));
  auto picture = vb::LoadResPicture(L"CMDTANVELO", vb::vbResBitmap);
  auto mask = vb::LoadResPicture(L"CMDTANVELOMASK", vb::vbResBitmap);

  Start(L"9.0.0.2711");
  SetBtnPicAndMask(button, picture, mask);
  EXPECT_FALSE(button->Picture());
  EXPECT_TRUE(Logged(L"Main::SetBtnPicAndMask", L"Old outlook version"));

  win32::ResetPlatform();
  resources::LoadModuleResources();
  Start(L"10.0");
  SetBtnPicAndMask(button, picture, mask);
  EXPECT_EQ(button->Picture(), picture);
  EXPECT_EQ(button->Mask(), mask);
  SetBtnPicAndMask(nullptr, picture, mask);  // logged, never raised
  EXPECT_EQ(support::library::Log().back().procedure, L"Main::SetBtnPicAndMask");
}

TEST_F(MainOutlook, MainIconIsAPictureOfTheModule) {
  COptions options;
  auto icon = options.MAIN_ICON();
  ASSERT_TRUE(icon);
  EXPECT_NE(icon->Handle(), 0u);
}
