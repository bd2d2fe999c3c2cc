// The debug dialog for support work: five stored switches written at each click, any page of
// the help file by name, the problem report, and a dump of the active explorer's command bars
// to the log. Its texts are fixed English; it is shown modelessly.
#pragma once

#include <memory>

#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"

class frmDebug : public forms::Form {
 public:
  frmDebug() : Form(L"frmDebug") {}

 protected:
  void Design() override;
  void Form_Load() override;

 private:
  void btnShowHelp_Click();
  void btnBugReport_Click();
  void btnClose_Click();
  void btnTest_Click();

  std::shared_ptr<forms::CheckBox> chkUseDebugButton, chkShowImportExportTempFiles,
      chkUseKeyboardHook, chkShowOldControlsOn2007, chkShowOldControlsOn2010;
  std::shared_ptr<forms::TextBox> txtContextHelpLink;
  std::shared_ptr<forms::CommandButton> btnShowHelp, btnTest, btnClose, btnBugReport;
  bool m_bLoading = false;
};

// Shows the dialog's one instance, not modal (the explorer's Debug command).
void ShowDebugDialog();
