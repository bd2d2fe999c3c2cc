// Every dialog takes its texts from the language file: each key of its section finds its
// control, and a text changed in the file shows in the dialog.
#include "dialogs/frmBrowseFolder.h"
#include "dialogs/frmHotkey.h"
#include "dialogs/frmReplyFolder.h"
#include "dialogs/frmSelectTemplate.h"
#include "dialogs/frmWait.h"
#include "platform/win32/MessageBox.h"
#include "tests/dialogs/PickerTest.h"

namespace {

class DialogTexts : public PickerTest {};

TEST_F(DialogTexts, EveryKeyOfEveryFormFindsItsControl) {
  std::wstring id = Id(welcome), result;
  int32_t mode = 1;
  auto check = [](const wchar_t* control, const wchar_t* caption) {
    return [=](forms::User& u) {
      EXPECT_EQ(u.GetForm().FindControl(control)->Caption(), caption);
      u.PressEsc();
    };
  };
  Pick(check(L"optSeparateMails", L"&Separate message for each recipient"), id, mode);
  forms::QueueScript(L"frmHotkey", check(L"Label3", L"*Starred letters are occupied"));
  mForms::ShowHotkeyDialog(id, std::nullopt, std::nullopt, std::nullopt, false, result);
  forms::QueueScript(L"frmBrowseFolder", check(L"Label1", L"Select Folder:"));
  mForms::BrowseOutlookFolder(id);
  frmReplyFolder reply;
  reply.Load();
  EXPECT_EQ(reply.FindControl(L"lblFolderName")->Caption(), L"Name of the templates folder:");
  frmWait wait;
  wait.Show();
  EXPECT_EQ(wait.Caption(), L"");
  wait.Unload();
  for (const auto& entry : support::library::Log())
    EXPECT_NE(entry.procedure.find(L"CLang"), 0u) << win32::ToAnsi(entry.text);
}

TEST_F(DialogTexts, ATextOfTheLanguageFileReplacesTheDesignedOne) {
  g_oLang->ItemSet(L"frmBrowseFolderLabel1", L"Ordner:");
  g_oLang->ItemSet(L"frmSelectTemplatebtnEdit.ToolTipText", L"Bearbeiten");
  g_oLang->ItemSet(L"STR_DEFAULT_ON", L"Als Standard");
  std::wstring id = Id(welcome);
  int32_t mode = 1;
  forms::QueueScript(L"frmBrowseFolder", [](forms::User& u) {
    EXPECT_EQ(u.GetForm().FindControl(L"Label1")->Caption(), L"Ordner:");
    u.PressEsc();
  });
  mForms::BrowseOutlookFolder(id);
  Pick(
      [](forms::User& u) {
        EXPECT_EQ(Button(u, L"btnEdit").ToolTipText(), L"Bearbeiten");
        EXPECT_EQ(Button(u, L"btnDefault").Caption(), L"Als Standard");
        u.PressEsc();
      },
      id, mode);
}

// Before a language is loaded the dialogs still open and ask, with the ids as their texts.
TEST_F(DialogTexts, WithoutALanguageTheIdsAreShown) {
  g_oLang.reset();
  std::wstring id = Id(welcome);
  int32_t mode = 1;
  forms::QueueScript(L"frmHotkey", [&](forms::User& u) {
    u.SelectItem(L"cboLetters", 'R' - 'A');
    win32::msgbox::Answer(win32::IDNO);
    u.PressEnter();
    EXPECT_EQ(win32::msgbox::Shown().back().text, L"STR_HOTKEY_VALIDATE");
    u.PressEsc();
  });
  Pick(
      [](forms::User& u) {
        EXPECT_EQ(Button(u, L"btnDefault").Caption(), L"STR_DEFAULT_ON");
        u.Click(L"btnHotkey");
        u.PressEsc();
      },
      id, mode);
  win32::msgbox::Answer(win32::IDNO);
  bool sendNow = false;
  mForms::AskSendMessages(3, sendNow, false);
  EXPECT_TRUE(sendNow);
  EXPECT_EQ(win32::msgbox::Shown().back().caption, L"STR_MULTIMSGS_TITLE");
}

}  // namespace
