// The Outlook folder picker: the templates root folder and every folder below it, one of which
// the user confirms. It answers only through mForms::BrowseFolderParams.
#pragma once

#include <memory>

#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"
#include "platform/forms/TreeView.h"
#include "platform/outlook/Forward.h"

class frmBrowseFolder : public forms::Form {
 public:
  frmBrowseFolder() : Form(L"frmBrowseFolder") {}

 protected:
  void Design() override;
  void Form_Load() override;

 private:
  void FillNode(const std::shared_ptr<outlook::MAPIFolder>& folder,
                const std::shared_ptr<forms::Node>& parent);
  void UpdateOKButton();
  void btnOK_Click();
  void btnCancel_Click();

  std::shared_ptr<forms::TreeView> treFolders;
  std::shared_ptr<forms::ImageList> ilsTree;
  std::shared_ptr<forms::CommandButton> btnOK, btnCancel;
};
