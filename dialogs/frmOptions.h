// The options dialog: three check boxes that hide the program's reply, reply-to-all and
// forward buttons (with their drop-downs) on Outlook's toolbars. OK stores all three; Cancel
// and the close box store nothing. From Outlook 2010 the ribbon replaces the toolbars and the
// boxes only show what is stored.
#pragma once

#include <memory>

#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"

class frmOptions : public forms::Form {
 public:
  frmOptions() : Form(L"frmOptions") {}

 protected:
  void Design() override;
  void Form_Load() override;

 private:
  void btnOK_Click();
  void btnClose_Click();
  void btnHelp_Click();

  std::shared_ptr<forms::CheckBox> chkHideTanvelo, chkHideReplyAllWith, chkHideForwardWith;
  std::shared_ptr<forms::CommandButton> btnHelp, btnOK, btnClose;
};

// Shows the dialog's one instance modally, without owner (the options commands of the
// explorer's toolbar and ribbon); nothing follows its close.
void ShowOptionsDialog();
