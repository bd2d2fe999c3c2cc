#include "frmBrowseFolder.h"

#include "core/Main.h"
#include "dialogs/DialogSupport.h"
#include "dialogs/mForms.h"
#include "platform/outlook/Outlook.h"
#include "platform/vb/ResPicture.h"

using DialogSupport::Need;
using mForms::BrowseFolderParams;

void frmBrowseFolder::Design() {
  SetCaption(L"Tanvelo Templates - Browse template folder");
  SetBorderStyle(forms::vbFixedDialog);
  SetWidth(4620);
  SetHeight(5220);
  auto label = Add<forms::Label>(L"Label1");
  label->SetCaption(L"Select Folder:");
  label->SetLeft(120), label->SetTop(120), label->SetWidth(4260), label->SetHeight(255);
  ilsTree = Add<forms::ImageList>(L"ilsTree");
  vb::Ignore([&] { ilsTree->Add(L"", vb::LoadResPicture(L"ICO_TEMPLATE_FOLDER", vb::vbResIcon)); });
  treFolders = Add<forms::TreeView>(L"treFolders");
  treFolders->ImageList = ilsTree;
  treFolders->SetLeft(120), treFolders->SetTop(420), treFolders->SetWidth(4260);
  treFolders->SetHeight(3780);
  treFolders->OnClick = [this] { UpdateOKButton(); };
  // The click before a double click has already selected the node.
  treFolders->OnDblClick = [this] { btnOK_Click(); };
  btnOK = Add<forms::CommandButton>(L"btnOK");
  btnOK->SetCaption(L"OK");
  btnOK->SetDefault(true);
  btnOK->SetLeft(1800), btnOK->SetTop(4320);
  btnOK->OnClick = [this] { btnOK_Click(); };
  btnCancel = Add<forms::CommandButton>(L"btnCancel");
  btnCancel->SetCaption(L"Cancel");
  btnCancel->SetCancel(true);
  btnCancel->SetLeft(3165), btnCancel->SetTop(4320);
  btnCancel->OnClick = [this] { btnCancel_Click(); };
}

void frmBrowseFolder::Form_Load() {
  vb::Ignore([&] { DialogSupport::Localize(*this); });
  vb::Ignore([&] { SetIcon(DialogSupport::MainIcon()); });
  FillNode(g_oTemplatesFolder, nullptr);
  BrowseFolderParams.bOK = false;
  std::shared_ptr<forms::Node> node;
  if (!vb::Catch([&] { node = treFolders->Nodes().Item(BrowseFolderParams.sFolderEntryID); })) {
    vb::Err().Clear();
    vb::Ignore([&] { node = treFolders->Nodes().Item(1); });
  }
  vb::Ignore([&] {
    Need(node)->SetSelected(true);
    node->EnsureVisible();
  });
}

void frmBrowseFolder::FillNode(const std::shared_ptr<outlook::MAPIFolder>& folder,
                               const std::shared_ptr<forms::Node>& parent) {
  Trap(L"frmBrowseFolder::FillNode", [&] {
    Need(folder);
    auto node =
        parent
            ? treFolders->Nodes().Add(parent, forms::tvwChild, folder->EntryID(), folder->Name(), 1)
            : treFolders->Nodes().Add({}, forms::tvwLast, folder->EntryID(), folder->Name(), 1);
    for (const auto& subfolder : folder->Folders()->All()) FillNode(subfolder, node);
  });
}

void frmBrowseFolder::UpdateOKButton() {
  btnOK->SetEnabled(treFolders->SelectedItem() != nullptr);
}

void frmBrowseFolder::btnOK_Click() {
  vb::Ignore([&] { UpdateOKButton(); });
  if (!btnOK->Enabled()) return;
  BrowseFolderParams.bOK = true;
  vb::Ignore([&] { BrowseFolderParams.sFolderEntryID = treFolders->SelectedItem()->Key(); });
  Unload();
}

void frmBrowseFolder::btnCancel_Click() {
  BrowseFolderParams.bOK = false;
  Unload();
}
