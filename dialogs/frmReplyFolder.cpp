#include "dialogs/frmReplyFolder.h"

#include "core/Main.h"
#include "dialogs/DialogSupport.h"
#include "platform/vb/ResPicture.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/CodePage.h"
#include "resources/Pictures.h"

void frmReplyFolder::Design() {
  SetCaption(L"Tanvelo Templates");
  SetBorderStyle(forms::vbFixedSingle);
  SetWidth(6210);
  SetHeight(2760);
  auto image = Add<forms::Image>(L"Image1");
  image->SetLeft(120), image->SetTop(120), image->SetWidth(2400), image->SetHeight(1800);
  vb::Ignore([&] {
    image->SetPicture(
        vb::LoadResPicture(win32::FromAnsi(resources::kReplyFolderPicture), vb::vbResBitmap));
  });
  auto label = Add<forms::Label>(L"lblFolderName");
  label->SetCaption(L"Name of the templates folder:");
  label->SetLeft(2640), label->SetTop(240), label->SetWidth(3315), label->SetHeight(255);
  txtFolder = Add<forms::TextBox>(L"txtFolder");
  txtFolder->SetLeft(2640), txtFolder->SetTop(600), txtFolder->SetWidth(3315);
  txtFolder->SetHeight(315);
  txtFolder->SetText(L"Tanvelo Templates");
  txtFolder->OnChange = [this] { txtFolder_Change(); };
  cmdOK = Add<forms::CommandButton>(L"cmdOK");
  cmdOK->SetCaption(L"OK");
  cmdOK->SetDefault(true);
  cmdOK->SetLeft(4740), cmdOK->SetTop(1800);
  cmdOK->OnClick = [this] { cmdOK_Click(); };
}

void frmReplyFolder::Form_Load() {
  vb::Ignore([&] { DialogSupport::Localize(*this); });
  vb::Ignore([&] { SetIcon(DialogSupport::MainIcon()); });
}

// A name of blanks would make a folder Outlook cannot use, and a failed set-up stops the
// add-in: only a name with something besides blanks counts.
void frmReplyFolder::txtFolder_Change() {
  Trap(L"frmReplyFolder::txtFolder_Change",
       [&] { cmdOK->SetEnabled(!vb::Trim(txtFolder->Text()).empty()); });
}

void frmReplyFolder::cmdOK_Click() {
  Trap(L"frmReplyFolder::cmdOK_Click", [&] {
    if (vb::Trim(txtFolder->Text()).empty()) return;
    txtFolder->SetText(vb::Trim(txtFolder->Text()));
    Hide();
  });
}

// The caller has no way to refuse and goes on with whatever txtFolder holds, so the close box
// keeps the dialog's content: it counts as OK with the name shown, and while that name is
// blank the window stays open as OK would.
void frmReplyFolder::Form_QueryUnload(int32_t& cancel, int32_t unloadMode) {
  if (unloadMode != forms::vbFormControlMenu) return;
  cancel = 1;
  cmdOK_Click();
}
