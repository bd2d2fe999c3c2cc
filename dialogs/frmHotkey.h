// The hotkey dialog of one template: Ctrl with Alt or Shift and a letter, for a reply, a reply
// to all or a forward. It reads its start from mForms::HotkeyParams, changes the hotkeys, the
// template's hotkey properties and the registry at once, and answers through the record.
#pragma once

#include <memory>
#include <string>

#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"
#include "platform/forms/Lists.h"
#include "platform/outlook/Outlook.h"

class frmHotkey : public forms::Form {
 public:
  frmHotkey() : Form(L"frmHotkey") {}

 protected:
  void Design() override;
  void Form_Load() override;
  void Form_Activate() override;

 private:
  void UpdateOKButton();
  void btnOK_Click();
  void btnRemove_Click();
  void btnCancel_Click();
  void btnHelp_Click();

  std::shared_ptr<forms::OptionButton> optReply, optReplyAll, optForward, optAlt, optShift;
  std::shared_ptr<forms::ComboBox> cboLetters;
  std::shared_ptr<forms::CommandButton> btnOK, btnCancel, btnRemove, btnHelp;
  bool m_bActivated = true;
  std::wstring m_sSubject;  // the template's, read at the load: a refused fetch later names it
  // The dialog's template; null and `refused`, logged by subject, when Outlook refused every
  // fetch.
  std::shared_ptr<outlook::Item> TemplateOrTell(const std::wstring& sWhat, bool& refused);
};
