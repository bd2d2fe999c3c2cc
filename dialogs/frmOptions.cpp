#include "dialogs/frmOptions.h"

#include "core/CLibNorvaneWrapper.h"
#include "core/COptions.h"
#include "core/Main.h"
#include "dialogs/DialogSupport.h"
#include "platform/win32/Reset.h"

namespace {

struct OptionsForm {
  std::unique_ptr<frmOptions> form;
};

}  // namespace

void ShowOptionsDialog() {
  auto& form = win32::PlatformState<OptionsForm>().form;
  if (!form) form = std::make_unique<frmOptions>();
  form->Show(forms::vbModal);
}

void frmOptions::Design() {
  SetCaption(L"Tanvelo Templates - Options");
  SetBorderStyle(forms::vbFixedDialog);
  SetWidth(6180);
  SetHeight(2985);
  auto fraOptions = forms::Placed(Add<forms::Frame>(L"fraOptions"), 120, 60, 5835, 1575);
  fraOptions->SetCaption(L"Options");
  auto picture1 =
      forms::Placed(Add<forms::PictureBox>(L"Picture1", fraOptions), 120, 240, 5595, 1215);
  chkHideTanvelo =
      forms::Placed(Add<forms::CheckBox>(L"chkHideTanvelo", picture1), 0, 60, 5535, 255);
  chkHideTanvelo->SetCaption(L"Hide Tanvelo button && menu on Outlook toolbar");
  chkHideReplyAllWith =
      forms::Placed(Add<forms::CheckBox>(L"chkHideReplyAllWith", picture1), 0, 420, 5535, 255);
  chkHideReplyAllWith->SetCaption(L"Hide reply to all with button && menu on Outlook toolbar");
  chkHideForwardWith =
      forms::Placed(Add<forms::CheckBox>(L"chkHideForwardWith", picture1), 0, 780, 5535, 255);
  chkHideForwardWith->SetCaption(L"Hide forward with button && menu on Outlook toolbar");
  btnHelp = forms::Placed(Add<forms::CommandButton>(L"btnHelp"), 120, 1800, 1215, 375);
  btnHelp->SetCaption(L"Help");
  btnHelp->OnClick = [this] { btnHelp_Click(); };
  btnOK = forms::Placed(Add<forms::CommandButton>(L"btnOK"), 3360, 1800, 1215, 375);
  btnOK->SetCaption(L"OK");
  btnOK->SetDefault(true);
  btnOK->OnClick = [this] { btnOK_Click(); };
  btnClose = forms::Placed(Add<forms::CommandButton>(L"btnClose"), 4740, 1800, 1215, 375);
  btnClose->SetCaption(L"Cancel");
  btnClose->SetCancel(true);
  btnClose->OnClick = [this] { btnClose_Click(); };
}

void frmOptions::Form_Load() {
  vb::Ignore([&] { DialogSupport::Localize(*this); });
  vb::Ignore([&] { SetIcon(DialogSupport::MainIcon()); });
  // Only the toolbars of Outlook before 2010 carry these buttons.
  auto fill = [](forms::CheckBox& box, bool (COptions::*option)()) {
    vb::Ignore(
        [&] { box.SetValue((Options().*option)() ? forms::vbChecked : forms::vbUnchecked); });
    vb::Ignore([&] { box.SetEnabled(GetAppVersion() < 14); });
  };
  fill(*chkHideTanvelo, &COptions::HideTanveloBtn);
  fill(*chkHideReplyAllWith, &COptions::HideReplyAllWithBtn);
  fill(*chkHideForwardWith, &COptions::HideForwardWithBtn);
  vb::Err().Clear();
}

void frmOptions::btnOK_Click() {
  vb::Ignore([&] { Options().SetHideTanveloBtn(chkHideTanvelo->Value() != 0); });
  vb::Ignore([&] { Options().SetHideReplyAllWithBtn(chkHideReplyAllWith->Value() != 0); });
  vb::Ignore([&] { Options().SetHideForwardWithBtn(chkHideForwardWith->Value() != 0); });
  vb::Ignore([&] { Unload(); });
  vb::Err().Clear();
}

void frmOptions::btnClose_Click() {
  vb::Ignore([&] { Unload(); });
  vb::Err().Clear();
}

void frmOptions::btnHelp_Click() {
  vb::Ignore([] { LibNorvane().ShowContextHelp(L"Access_Tanvelo_Options.htm"); });
  vb::Err().Clear();
}
