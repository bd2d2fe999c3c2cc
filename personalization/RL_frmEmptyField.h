// The empty-field dialog: asks the value of a contact field that is empty for a recipient.
// It reads the process's request record and writes its answer back there.
#pragma once

#include <memory>

#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"

class RL_frmEmptyField : public forms::Form {
 public:
  RL_frmEmptyField() : forms::Form(L"RL_frmEmptyField") {}

 protected:
  void Design() override;
  void Form_Load() override;
  void Form_Activate() override;

 private:
  void btnOK_Click();
  void btnSkip_Click();
  void btnCancel_Click();
  void btnHelp_Click();

  std::shared_ptr<forms::Label> lblPersonalization, lbl1a, lbl2a, lbl1b, lbl2b;
  std::shared_ptr<forms::TextBox> txtValue;
  std::shared_ptr<forms::CommandButton> btnOK, btnSkip, btnCancel, btnHelp;
  bool m_bFirstActivate = false;
};
