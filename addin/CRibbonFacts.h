// What the ribbon's rules read of the world and what its dispatcher runs, behind two narrow
// interfaces, so the rules can be checked alone and the add-in object wires the real ones.
// A context is what Office hands over as the control's Context: an Inspector or an Explorer
// (std::shared_ptr of the Outlook object). A question about the wrong kind of window raises
// error 91, as a member call on an empty object variable does.
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "engine/CTemplates.h"
#include "engine/mTanveloRoad.h"
#include "platform/outlook/Forward.h"
#include "platform/win32/Images.h"

class IRibbonFacts {
 public:
  virtual ~IRibbonFacts() = default;
  virtual int32_t AppVersion() = 0;
  virtual std::wstring DefaultTemplateID() = 0;
  // The ranked list of the action (cached, at most five); never null for 1, 2, 4.
  virtual std::shared_ptr<CTemplates> GetFrequents(int32_t nAction) = 0;
  virtual std::wstring Text(std::wstring_view id) = 0;
  // An icon resource at size x size, shared.
  virtual std::shared_ptr<win32::IPicture> Icon(const std::wstring& name, int32_t size) = 0;
  virtual std::any ActiveExplorer() = 0;

  // About the item of an inspector context.
  virtual bool IsTemplateItem(const std::any& inspector) = 0;
  virtual bool HasAddinStamp(const std::any& inspector) = 0;
  virtual bool IsDefaultTemplateItem(const std::any& inspector) = 0;
  virtual std::wstring CurrentEntryID(const std::any& inspector) = 0;
  virtual bool IsWordMail(const std::any& inspector) = 0;
  // IsModal of the inspector's wrapper; raises 91 when the inspector has none.
  virtual bool IsModalInspector(const std::any& inspector) = 0;

  // About an explorer context: its folder, its selection, Outlook's own reply commands.
  virtual bool IsTemplateFolderCurrent(const std::any& explorer) = 0;
  virtual bool IsDraftsFolderCurrent(const std::any& explorer) = 0;
  virtual bool IsMailFolderCurrent(const std::any& explorer) = 0;
  virtual bool IsMailSelected(const std::any& explorer) = 0;
  virtual bool IsTemplateSelected(const std::any& explorer) = 0;
  virtual bool IsDefaultTemplateSelected(const std::any& explorer, bool& bIsDefault,
                                         int32_t& nCount) = 0;
  virtual void GetBuiltinControlState(const std::any& explorer, int32_t nId, bool& bEnabled,
                                      bool& bVisible) = 0;
  virtual int32_t SelectionCount(const std::any& explorer) = 0;
};

// The commands a ribbon button or an item context-menu entry runs.
class IRibbonCommands {
 public:
  virtual ~IRibbonCommands() = default;
  // Inspector commands; `inspector` is the context the click came with.
  virtual void Tanvelo_Click(const std::any& inspector, int32_t nAction,
                             const std::wstring& sTemplateID, bool bForeground) = 0;
  virtual void SaveItem(const std::any& inspector) = 0;
  virtual void SaveAsTemplate_Click(const std::wstring& sEntryID, bool& bForeground) = 0;
  virtual void ProcessPersonal2_Click(const std::any& inspector, bool bWordEditor) = 0;
  virtual void OpenDuplicate_Click(const std::wstring& sEntryID, bool bForeground) = 0;
  virtual void Hotkey_Click(const std::wstring& sEntryID, bool bForeground) = 0;
  virtual bool ChangeDefault_Click(const std::any& inspector) = 0;
  virtual void InsertText(const std::wstring& sText, bool bUseClipboard) = 0;

  // Explorer commands: they work on Outlook's active explorer themselves.
  virtual void Explorer_Tanvelo(int32_t nAction, const std::wstring& sTemplateID,
                                int32_t nMode) = 0;
  virtual void Explorer_NewFromTemplate() = 0;
  virtual void Explorer_SaveAsTemplate() = 0;
  virtual void Explorer_NewTemplate() = 0;
  virtual void Explorer_EditTemplate() = 0;
  virtual void Explorer_OpenDuplicate() = 0;
  virtual void Explorer_Hotkey() = 0;
  virtual void Explorer_Import() = 0;
  virtual void Explorer_Export() = 0;
  virtual bool Explorer_ChangeDefault() = 0;
  virtual void Explorer_SendDrafts() = 0;
  virtual void ShowNewMessageTemplatesFolder() = 0;
  virtual void DemandSelAndEditTemplace() = 0;
  virtual void ShowOptions() = 0;
  virtual void ReportProblem() = 0;
  virtual void ShowContextHelp(const std::wstring& sTopic) = 0;
  virtual void ShowAbout() = 0;
};

// A ribbon control's context as the Outlook window it is; raises 91 for another kind.
std::shared_ptr<outlook::Inspector> ContextInspector(const std::any& context);
std::shared_ptr<outlook::Explorer> ContextExplorer(const std::any& context);

// The wrapper the inspectors tracker keeps for an inspector, or null.
using FindWrapperFn = std::function<std::shared_ptr<mTanvelo::IInspectorWrapper>(
    const std::shared_ptr<outlook::Inspector>& inspector)>;

// The facts as Outlook, the engine, the options and the language object give them.
class COutlookRibbonFacts : public IRibbonFacts {
 public:
  // The wrapper the inspectors tracker keeps for an inspector (null: none).
  FindWrapperFn fnFindWrapper;

  int32_t AppVersion() override;
  std::wstring DefaultTemplateID() override;
  std::shared_ptr<CTemplates> GetFrequents(int32_t nAction) override;
  std::wstring Text(std::wstring_view id) override;
  std::shared_ptr<win32::IPicture> Icon(const std::wstring& name, int32_t size) override;
  std::any ActiveExplorer() override;
  bool IsTemplateItem(const std::any& inspector) override;
  bool HasAddinStamp(const std::any& inspector) override;
  bool IsDefaultTemplateItem(const std::any& inspector) override;
  std::wstring CurrentEntryID(const std::any& inspector) override;
  bool IsWordMail(const std::any& inspector) override;
  bool IsModalInspector(const std::any& inspector) override;
  bool IsTemplateFolderCurrent(const std::any& explorer) override;
  bool IsDraftsFolderCurrent(const std::any& explorer) override;
  bool IsMailFolderCurrent(const std::any& explorer) override;
  bool IsMailSelected(const std::any& explorer) override;
  bool IsTemplateSelected(const std::any& explorer) override;
  bool IsDefaultTemplateSelected(const std::any& explorer, bool& bIsDefault,
                                 int32_t& nCount) override;
  void GetBuiltinControlState(const std::any& explorer, int32_t nId, bool& bEnabled,
                              bool& bVisible) override;
  int32_t SelectionCount(const std::any& explorer) override;
};

// The commands as the commands layer, the engine, the personalization library, the support
// library and the dialogs run them.
class COutlookRibbonCommands : public IRibbonCommands {
 public:
  FindWrapperFn fnFindWrapper;

  void Tanvelo_Click(const std::any& inspector, int32_t nAction, const std::wstring& sTemplateID,
                     bool bForeground) override;
  void SaveItem(const std::any& inspector) override;
  void SaveAsTemplate_Click(const std::wstring& sEntryID, bool& bForeground) override;
  void ProcessPersonal2_Click(const std::any& inspector, bool bWordEditor) override;
  void OpenDuplicate_Click(const std::wstring& sEntryID, bool bForeground) override;
  void Hotkey_Click(const std::wstring& sEntryID, bool bForeground) override;
  bool ChangeDefault_Click(const std::any& inspector) override;
  void InsertText(const std::wstring& sText, bool bUseClipboard) override;
  void Explorer_Tanvelo(int32_t nAction, const std::wstring& sTemplateID, int32_t nMode) override;
  void Explorer_NewFromTemplate() override;
  void Explorer_SaveAsTemplate() override;
  void Explorer_NewTemplate() override;
  void Explorer_EditTemplate() override;
  void Explorer_OpenDuplicate() override;
  void Explorer_Hotkey() override;
  void Explorer_Import() override;
  void Explorer_Export() override;
  bool Explorer_ChangeDefault() override;
  void Explorer_SendDrafts() override;
  void ShowNewMessageTemplatesFolder() override;
  void DemandSelAndEditTemplace() override;
  void ShowOptions() override;
  void ReportProblem() override;
  void ShowContextHelp(const std::wstring& sTopic) override;
  void ShowAbout() override;
};
