// The templates-folder name dialog, driven with its caller's protocol, and the wait window.
#include "dialogs/frmReplyFolder.h"
#include "dialogs/frmWait.h"
#include "platform/forms/Controls.h"
#include "tests/dialogs/DialogTest.h"

namespace {

class ReplyFolder : public DialogTest {
 protected:
  // What the add-in does when it must make the templates folder.
  std::wstring Ask(const std::wstring& proposal) {
    frmReplyFolder form;
    form.Load();
    form.txtFolder->SetText(proposal);
    form.Show(forms::vbModal);
    EXPECT_TRUE(form.IsLoaded());
    std::wstring name = form.txtFolder->Text();
    form.Unload();
    return name;
  }
  static bool OkEnabled(forms::User& u) {
    return u.GetForm().Get<forms::CommandButton>(L"cmdOK")->Enabled();
  }
};

TEST_F(ReplyFolder, OkFollowsTheNameAndPassesItTrimmed) {
  forms::QueueScript(L"frmReplyFolder", [](forms::User& u) {
    EXPECT_TRUE(OkEnabled(u));
    u.Type(L"txtFolder", L"");
    EXPECT_FALSE(OkEnabled(u));
    EXPECT_THROW(u.PressEnter(), forms::ActionRefused);
    u.Type(L"txtFolder", L"   ");
    EXPECT_FALSE(OkEnabled(u));
    u.Type(L"txtFolder", L"  My Templates ");
    EXPECT_TRUE(OkEnabled(u));
    u.PressEnter();
  });
  EXPECT_EQ(Ask(L"Tanvelo Templates"), L"My Templates");
}

TEST_F(ReplyFolder, ItsPictureIsTheModulesBitmapAtItsOwnSize) {
  frmReplyFolder form;
  form.Load();
  auto picture = form.Get<forms::Image>(L"Image1")->Picture();
  ASSERT_NE(picture, nullptr);
  ASSERT_NE(picture->Image(), nullptr);
  EXPECT_EQ(picture->Type(), win32::PICTYPE_BITMAP);
  EXPECT_EQ(picture->Image()->resource, "BMP_REPLY_FOLDER");
  EXPECT_EQ(picture->Image()->width * vb::Screen().TwipsPerPixelX,
            form.Get<forms::Image>(L"Image1")->Width());
  EXPECT_EQ(picture->Image()->height * vb::Screen().TwipsPerPixelY,
            form.Get<forms::Image>(L"Image1")->Height());
  form.Unload();
}

TEST_F(ReplyFolder, AnEmptyProposalOpensWithOkDisabled) {
  forms::QueueScript(L"frmReplyFolder", [](forms::User& u) {
    EXPECT_FALSE(OkEnabled(u));
    u.Type(L"txtFolder", L"T");
    u.Click(L"cmdOK");
  });
  EXPECT_EQ(Ask(L""), L"T");
}

TEST_F(ReplyFolder, TheCloseBoxKeepsTheNameShown) {
  forms::QueueScript(L"frmReplyFolder", [](forms::User& u) { u.CloseBox(); });
  EXPECT_EQ(Ask(L"Proposed Templates"), L"Proposed Templates");

  forms::QueueScript(L"frmReplyFolder", [](forms::User& u) {
    u.Type(L"txtFolder", L" ");
    u.CloseBox();  // a blank name cannot be taken: the window stays
    EXPECT_TRUE(u.GetForm().Visible());
    u.Type(L"txtFolder", L"Typed ");
    u.CloseBox();
  });
  EXPECT_EQ(Ask(L"Proposed Templates"), L"Typed");
}

// Observes the owner while the window unloads (the window is gone afterwards).
class ProbeWait : public frmWait {
 public:
  win32::HWND ownerAtUnload = 0xFFFF;

 protected:
  void Form_Unload(int32_t& cancel) override {
    frmWait::Form_Unload(cancel);
    ownerAtUnload = static_cast<win32::HWND>(win32::GetWindowLongA(hWnd(), win32::GWL_HWNDPARENT));
  }
};

TEST_F(ReplyFolder, TheWaitWindowStaysAboveTheForegroundWindowUntilUnloaded) {
  win32::window::CreateParams params;
  params.caption = L"Inbox - Microsoft Outlook";
  win32::HWND outlook = win32::window::Create(params);
  ASSERT_TRUE(win32::SetForegroundWindow(outlook));
  ProbeWait wait;
  wait.Show();
  EXPECT_TRUE(wait.Visible());
  EXPECT_EQ(static_cast<win32::HWND>(win32::GetWindowLongA(wait.hWnd(), win32::GWL_HWNDPARENT)),
            outlook);
  EXPECT_TRUE(wait.Unload());
  EXPECT_EQ(wait.ownerAtUnload, 0u);

  // No foreground window: no owner, and nothing reported.
  win32::DestroyWindow(outlook);
  ProbeWait again;
  again.Show();
  EXPECT_EQ(win32::GetWindowLongA(again.hWnd(), win32::GWL_HWNDPARENT), 0);
  again.Unload();
  EXPECT_TRUE(support::library::Log().empty());
}

}  // namespace
