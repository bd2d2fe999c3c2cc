// The dialog that asks for the name of the templates folder when the add-in sets it up. Its
// caller loads it, writes the proposed name into txtFolder, shows it modally, reads txtFolder
// and unloads it; OK (and the close box) hide the form so the name can still be read.
#pragma once

#include <memory>

#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"

class frmReplyFolder : public forms::Form {
 public:
  frmReplyFolder() : Form(L"frmReplyFolder") {}
  std::shared_ptr<forms::TextBox> txtFolder;

 protected:
  void Design() override;
  void Form_Load() override;
  void Form_QueryUnload(int32_t& cancel, int32_t unloadMode) override;

 private:
  void txtFolder_Change();
  void cmdOK_Click();

  std::shared_ptr<forms::CommandButton> cmdOK;
};
