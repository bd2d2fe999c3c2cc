#include "addin/CRibbonFacts.h"
#include "commands/frmDummy.h"
#include "commands/mExplorer.h"
#include "commands/mInspector.h"
#include "core/CLibNorvaneWrapper.h"
#include "core/Main.h"
#include "dialogs/frmOptions.h"
#include "engine/mTanvelo.h"
#include "personalization/RL_CLib.h"
#include "platform/outlook/Outlook.h"
#include "platform/vb/Error.h"

// The personalization library, from connection to final shutdown (kept by the add-in object).
extern std::shared_ptr<RL_CLib> g_oPersonalization;

namespace {

std::shared_ptr<outlook::Item> CurrentItem(const std::any& inspector) {
  return ContextInspector(inspector)->CurrentItem();
}

}  // namespace

void COutlookRibbonCommands::Tanvelo_Click(const std::any& inspector, int32_t nAction,
                                           const std::wstring& sTemplateID, bool bForeground) {
  InspectorWrapperPtr wrapper;
  if (fnFindWrapper)
    wrapper =
        std::dynamic_pointer_cast<IInspectorWrapperEx>(fnFindWrapper(ContextInspector(inspector)));
  mInspector::Tanvelo_Click(wrapper, nAction, sTemplateID, bForeground);
}

void COutlookRibbonCommands::SaveItem(const std::any& inspector) {
  CurrentItem(inspector)->Save();
}

void COutlookRibbonCommands::SaveAsTemplate_Click(const std::wstring& sEntryID, bool& bForeground) {
  mInspector::SaveAsTemplate_Click(sEntryID, bForeground);
}

void COutlookRibbonCommands::ProcessPersonal2_Click(const std::any& inspector, bool bWordEditor) {
  mInspector::ProcessPersonal2_Click(CurrentItem(inspector), bWordEditor);
}

void COutlookRibbonCommands::OpenDuplicate_Click(const std::wstring& sEntryID, bool bForeground) {
  mInspector::OpenDuplicate_Click(sEntryID, bForeground);
}

void COutlookRibbonCommands::Hotkey_Click(const std::wstring& sEntryID, bool bForeground) {
  mInspector::Hotkey_Click(sEntryID, bForeground);
}

bool COutlookRibbonCommands::ChangeDefault_Click(const std::any& inspector) {
  return mInspector::ChangeDefault_Click(CurrentItem(inspector));
}

void COutlookRibbonCommands::InsertText(const std::wstring& sText, bool bUseClipboard) {
  if (!g_oPersonalization) vb::Raise(vb::kObjectVariableNotSet);
  g_oPersonalization->InsertText(sText, bUseClipboard);
}

void COutlookRibbonCommands::Explorer_Tanvelo(int32_t nAction, const std::wstring& sTemplateID,
                                              int32_t nMode) {
  mExplorer::Explorer_Tanvelo(nAction, sTemplateID, nMode);
}
void COutlookRibbonCommands::Explorer_NewFromTemplate() {
  mExplorer::Explorer_NewFromTemplate();
}
void COutlookRibbonCommands::Explorer_SaveAsTemplate() {
  mExplorer::Explorer_SaveAsTemplate();
}
void COutlookRibbonCommands::Explorer_NewTemplate() {
  mExplorer::Explorer_NewTemplate();
}
void COutlookRibbonCommands::Explorer_EditTemplate() {
  mExplorer::Explorer_EditTemplate();
}
void COutlookRibbonCommands::Explorer_OpenDuplicate() {
  mExplorer::Explorer_OpenDuplicate();
}
void COutlookRibbonCommands::Explorer_Hotkey() {
  mExplorer::Explorer_Hotkey();
}
void COutlookRibbonCommands::Explorer_Import() {
  mExplorer::Explorer_Import();
}
void COutlookRibbonCommands::Explorer_Export() {
  mExplorer::Explorer_Export();
}
bool COutlookRibbonCommands::Explorer_ChangeDefault() {
  return mExplorer::Explorer_ChangeDefault();
}
void COutlookRibbonCommands::Explorer_SendDrafts() {
  mExplorer::Explorer_SendDrafts();
}
void COutlookRibbonCommands::ShowNewMessageTemplatesFolder() {
  mTanvelo::ShowNewMessageTemplatesFolder();
}
void COutlookRibbonCommands::DemandSelAndEditTemplace() {
  DummyForm().DemandSelAndEditTemplace();
}
void COutlookRibbonCommands::ShowOptions() {
  ShowOptionsDialog();
}
void COutlookRibbonCommands::ReportProblem() {
  LibNorvane().ReportProblem();
}
void COutlookRibbonCommands::ShowContextHelp(const std::wstring& sTopic) {
  LibNorvane().ShowContextHelp(sTopic);
}
void COutlookRibbonCommands::ShowAbout() {
  LibNorvane().ShowAbout();
}
