// The template picker: every template in one tree (the templates folder, its subfolders and
// their templates, favourites repeated under the root), the send mode, and commands that
// manage the selected template in place (favourite, default, hotkey, edit, move). It reads its
// inputs from mForms::SelectTemplateParams and answers there.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"
#include "platform/forms/TreeView.h"
#include "platform/outlook/Forward.h"
#include "platform/win32/Window.h"

namespace redemption {
class SafeMailItem;
}

class frmSelectTemplate : public forms::Form {
 public:
  frmSelectTemplate() : Form(L"frmSelectTemplate") {}
  ~frmSelectTemplate() override;

  // Client size in twips the picker never goes below.
  static constexpr int32_t kMinClientWidth = 5205;
  static constexpr int32_t kMinClientHeight = 4965;

  // Node keys: a template under its folder, and its favourite copy under the root.
  static std::wstring TemplateKey(const std::wstring& sEntryID) { return L"N" + sEntryID; }
  static std::wstring CopyKey(const std::wstring& sEntryID) { return L"F" + sEntryID; }

 protected:
  void Design() override;
  void Form_Load() override;
  void Form_Activate() override;
  void Form_Resize() override;
  void Form_Unload(int32_t& cancel) override;

 private:
  using FolderPtr = std::shared_ptr<outlook::MAPIFolder>;
  using ItemPtr = std::shared_ptr<outlook::Item>;
  using NodePtr = std::shared_ptr<forms::Node>;

  // --- The tree (frmSelectTemplateTree.cpp) ---
  void FillTree();
  void FillNode(const FolderPtr& folder, NodePtr node = nullptr);
  void AddItems2Tree(const NodePtr& node, const FolderPtr& folder);
  // A folder whose templates or subfolders Outlook would not list past the tries: logged, and
  // kept so that the user learns that the tree lacks them.
  void NotListed(std::wstring_view procedure, const std::wstring& sFolder, std::wstring_view what);
  void AddItem2Tree(const NodePtr& node, const std::wstring& sEntryID, const std::wstring& sSubject,
                    bool bHasRecipients, bool bFavorite);
  void AddItem(const NodePtr& node, const ItemPtr& item);
  void GetTemplateCaption(const std::wstring& sSubject, const std::wstring& sEntryID,
                          std::wstring& sCaption);
  void SortTree();
  void GetNodeFlags(const NodePtr& node, bool& bFolder, bool& bFavorite, bool& bHasRecipients);
  void SetNodeFlags(const NodePtr& node, bool bFolder, bool bFavorite, bool bHasRecipients);
  void IsFavoriteNode(const NodePtr& node, bool& bFavorite);
  void ReloadItem(const std::wstring& sEntryID, bool bSelect, std::wstring sFormerEntryID);
  void UpdateHotkeyCaptions(const std::wstring& sEntryID);
  void GetNonClientSize(int32_t& nWidth, int32_t& nHeight);
  static void AddWindowStyle(win32::HWND hwnd, int32_t nBits);
  static void ChangeWindowExStyle(win32::HWND hwnd, int32_t nAdd, int32_t nRemove);
  bool IsDefault(std::wstring_view sEntryID) const;

  // --- The dialog (frmSelectTemplate.cpp) ---
  void UpdateButtons();
  // The default refused by the registry: logged under `procedure`, naming the selected
  // template and what was left undone or may be wrong.
  void DefaultNotRead(const wchar_t* procedure, std::wstring_view what);
  ItemPtr GetSelectedTemplate();
  std::wstring SelectedEntryID() const;
  void btnOK_Click();
  void btnCancel_Click();
  void btnFavorite_Click();
  void btnDefault_Click();
  void btnHotkey_Click();
  void btnEdit_Click();
  void btnMove_Click();
  void btnHelp_Click();

  std::shared_ptr<forms::TreeView> treFolders;
  std::shared_ptr<forms::Label> Label1;
  std::shared_ptr<forms::Frame> fraOptions;
  std::shared_ptr<forms::OptionButton> optOneMail, optSeparateMails;
  std::shared_ptr<forms::CommandButton> btnOK, btnCancel, btnFavorite, btnDefault, btnHotkey,
      btnEdit, btnMove, btnHelp;
  std::shared_ptr<redemption::SafeMailItem> m_oSafeItem;
  // The default template's EntryID while the tree is filled or sorted, read once per pass.
  std::wstring m_sDefaultID;
  bool m_bActivated = true;
  // Folders the last fill could not list whole ("" the templates folder itself).
  std::vector<std::wstring> m_unlisted;
};
