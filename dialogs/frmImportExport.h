// The export and import dialogs: twins with the same controls and code, told apart by the
// direction. The user picks an Outlook folder and a Windows folder, the subfolder option and
// what happens on a name conflict; the dialog stores the settings, runs the engine with itself
// as the progress form, lets the user cancel and says what was done.
#pragma once

#include <memory>
#include <string>

#include "core/COptions.h"
#include "dialogs/mImportExportWordDocs.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"

// The dialogs' settings record, shared by both directions.
extern ImportExportOptions g_ImportExportParams;

class frmImportExport : public forms::Form, public IProgressForm {
 public:
  explicit frmImportExport(bool bExport);

  // The progress form the engine reads.
  std::shared_ptr<forms::ProgressBar> ctlProgress() override { return m_ctlProgress; }
  std::shared_ptr<forms::Label> lblProgress() override { return m_lblProgress; }
  bool IsCancelled() override { return m_bIsCancelled; }

 protected:
  void Design() override;
  void Form_Load() override;
  void Form_Unload(int32_t& cancel) override;

 private:
  std::wstring Ctx(const wchar_t* procedure) const;
  void ShowProgress(bool bShow);
  bool ValidateInput();
  void UpdateActionButton();
  void btnAction_Click();
  void btnCancel_Click();
  void btnHelp_Click();
  void btnOpenOutlookFolder_Click();
  void btnOpenWindowsFolder_Click();
  std::wstring ResultText() const;

  bool m_bExport;
  int32_t m_nRunState = 0;  // 0 idle, 1 running, 2 finished
  std::wstring m_sChosenFolder;
  bool m_bIsCancelled = false;
  bool m_bClosingAllowed = false;

  std::shared_ptr<forms::TextBox> txtOutlookFolder, txtWindowsFolder;
  std::shared_ptr<forms::CommandButton> btnOpenOutlookFolder, btnOpenWindowsFolder;
  std::shared_ptr<forms::CheckBox> chkIncludeSubFolders;
  std::shared_ptr<forms::OptionButton> optDuplicate, optReplace, optLeave;
  std::shared_ptr<forms::PictureBox> picProgress;
  std::shared_ptr<forms::ProgressBar> m_ctlProgress;
  std::shared_ptr<forms::Label> m_lblProgress;
  std::shared_ptr<forms::CommandButton> btnAction, btnCancel, btnHelp;
};

class frmExport : public frmImportExport {
 public:
  frmExport() : frmImportExport(true) {}
};

class frmImport : public frmImportExport {
 public:
  frmImport() : frmImportExport(false) {}
};

// Hands mForms the two dialogs for ShowExportDialog and ShowImportDialog.
void ConnectImportExportDialogs();
