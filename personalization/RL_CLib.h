// The personalization library object: makes jobs, gives the field table, inserts a field
// token at the cursor, and builds the field toolbar and menu in an inspector's command bars.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/win32/Images.h"

class RL_CJob;
class RL_CTexts;
class RL_frmDummy;
namespace office {
class CommandBar;
class CommandBarPopup;
class CommandBars;
}  // namespace office

class RL_CLib {
 public:
  RL_CLib();
  // Releasing the object ends it as Done does.
  ~RL_CLib();
  RL_CLib(const RL_CLib&) = delete;
  RL_CLib& operator=(const RL_CLib&) = delete;

  std::shared_ptr<RL_CJob> CreateJob();
  bool Init(const std::wstring& sAddinName, std::shared_ptr<win32::IPicture> icoForm,
            const std::wstring& sRegPath);
  // All twelve fields.
  std::shared_ptr<RL_CTexts> GetTexts();
  // Pastes the text through the clipboard a moment later (editors that take no typed keys,
  // Word), or types it as keystrokes now.
  void InsertText(const std::wstring& sText, bool bUseClipboard);
  // A toolbar of one caption-only button per field, replacing a bar of the same name.
  std::shared_ptr<office::CommandBar> CreateToolbar(
      const std::shared_ptr<office::CommandBars>& oBars, const std::wstring& sToolbarName,
      const std::wstring& sButtonTag, bool bTemporary);
  // A popup with the fields in submenus by menu path, then the quick items.
  std::shared_ptr<office::CommandBarPopup> CreateMenu(
      const std::shared_ptr<office::CommandBar>& oBar, const std::wstring& sButtonTag,
      const std::wstring& sCaption, std::optional<int32_t> vBefore, bool bTemporary);
  // Releases the icon and unloads the paste form, which first gives back a clipboard it holds.
  void Done();

  // Used inside the library.
  static std::wstring GetCurrentUserName();
  static std::wstring GetCurrentUserEmail();
  const std::wstring& GetRegKey() const { return m_sRegPath; }
  const std::wstring& GetTitle() const { return m_sAddinName; }
  std::shared_ptr<win32::IPicture> GetIcon() const { return m_icoForm; }
  static void ShowHelpTopic(const std::wstring& sTopic);
  static void SendKeysEscaped(const std::wstring& sText);
  // The paste form, once the first clipboard insert made it.
  RL_frmDummy* PasteForm() const { return m_frmDummy.get(); }

 private:
  std::wstring m_sAddinName;
  std::shared_ptr<win32::IPicture> m_icoForm;
  std::wstring m_sRegPath;
  std::unique_ptr<RL_frmDummy> m_frmDummy;
};
