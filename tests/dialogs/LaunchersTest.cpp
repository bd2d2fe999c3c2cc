// The launchers that need no form of their own: the question before sending, the Word check in
// front of export and import, and the shell's folder browser.
#include "core/CWinReg.h"
#include "dialogs/mForms.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Registry.h"
#include "platform/win32/Shell.h"
#include "tests/dialogs/DialogTest.h"

namespace {

class Launchers : public DialogTest {};

TEST_F(Launchers, AskSendMessagesChoosesTextsByCountAndSendsOnlyOnNo) {
  struct Case {
    int32_t count;
    bool word;
    int answer;
    const wchar_t* title;
    int32_t style;
    bool sendNow;
  };
  const Case cases[] = {
      {0, false, win32::IDYES, L"STR_SINGLEMSG_TITLE", 52, false},
      {1, true, win32::IDNO, L"STR_SINGLEMSG_TITLE", 52 + 65536, true},
      {2, false, win32::IDNO, L"STR_MULTIMSGS_TITLE", 52, true},
      {40, true, win32::IDYES, L"STR_MULTIMSGS_TITLE", 52 + 65536, false},
  };
  for (const auto& c : cases) {
    win32::msgbox::Answer(c.answer);
    bool sendNow = !c.sendNow;
    mForms::AskSendMessages(c.count, sendNow, c.word);
    const auto& box = win32::msgbox::Shown().back();
    EXPECT_EQ(sendNow, c.sendNow) << c.count;
    EXPECT_EQ(box.caption, g_oLang->Item(c.title)) << c.count;
    EXPECT_EQ(static_cast<int32_t>(box.style), c.style) << c.count;
  }
}

TEST_F(Launchers, TheSendQuestionSaysThatNoSendsAtOnce) {
  // No sends at once, so the texts must say so; a prompt that asked "Send now?" would send
  // what the user meant to keep.
  for (const wchar_t* id : {L"STR_SINGLEMSG_PROMPT", L"STR_MULTIMSGS_PROMPT"}) {
    std::wstring text = g_oLang->Item(id);
    EXPECT_NE(text.find(L"No to send"), std::wstring::npos) << win32::ToAnsi(text);
  }
}

TEST_F(Launchers, ExportAndImportNeedWord) {
  int shownExport = 0, shownImport = 0;
  mForms::g_fnShowExportForm = [&] { ++shownExport; };
  mForms::g_fnShowImportForm = [&] { ++shownImport; };
  EXPECT_FALSE(mForms::IsWordInstalled());
  win32::msgbox::Answer(win32::IDOK);
  win32::msgbox::Answer(win32::IDOK);
  mForms::ShowExportDialog();
  mForms::ShowImportDialog();
  ASSERT_EQ(win32::msgbox::Shown().size(), 2u);
  for (const auto& box : win32::msgbox::Shown()) {
    EXPECT_EQ(box.text, g_oLang->Item(L"STR_NO_OFFICE_WORD"));
    EXPECT_EQ(box.style, 0u);
  }
  EXPECT_EQ(shownExport + shownImport, 0);

  CWinReg key;
  ASSERT_TRUE(key.InitForWrite(CWinReg::HKEY_CLASSES_ROOT, L"Word.Application", true));
  EXPECT_TRUE(mForms::IsWordInstalled());
  mForms::ShowExportDialog();
  mForms::ShowImportDialog();
  EXPECT_EQ(shownExport, 1);
  EXPECT_EQ(shownImport, 1);
  EXPECT_EQ(win32::msgbox::Shown().size(), 2u);
  mForms::g_fnShowExportForm = nullptr;
  mForms::g_fnShowImportForm = nullptr;
}

TEST_F(Launchers, WindowsFolderBrowserAnswersOnlyFileSystemFolders) {
  std::wstring folder = L"C:\\Before";
  win32::shell::AnswerBrowse(std::nullopt);
  EXPECT_FALSE(mForms::BrowseWindowsFolder(folder, 0x1234));
  win32::shell::AnswerBrowseVirtual();
  EXPECT_FALSE(mForms::BrowseWindowsFolder(folder, 0x1234));
  EXPECT_EQ(folder, L"C:\\Before");
  win32::shell::AnswerBrowse("C:\\Templates\\H\xE9l\xE8ne");
  EXPECT_TRUE(mForms::BrowseWindowsFolder(folder, 0x1234));
  EXPECT_EQ(folder, L"C:\\Templates\\H\u00e9l\u00e8ne");
  ASSERT_EQ(win32::shell::Browsers().size(), 3u);
  EXPECT_EQ(win32::shell::Browsers()[0].owner, 0x1234u);
  EXPECT_EQ(win32::shell::Browsers()[0].flags, win32::BIF_RETURNONLYFSDIRS);
  EXPECT_EQ(win32::shell::LiveItemLists(), 0u);
}

}  // namespace
