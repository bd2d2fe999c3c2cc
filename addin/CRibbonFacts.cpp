#include "addin/CRibbonFacts.h"

#include "commands/IInspectorWrapperEx.h"
#include "commands/mExplorer.h"
#include "core/CLang.h"
#include "core/COptions.h"
#include "core/Main.h"
#include "core/mIcons.h"
#include "engine/CFrequentlyTemplates.h"
#include "engine/mTanvelo.h"
#include "platform/outlook/Outlook.h"
#include "platform/vb/Error.h"

namespace {

template <class T>
std::shared_ptr<T> As(const std::any& context) {
  if (auto p = std::any_cast<std::shared_ptr<T>>(&context)) return *p;
  if (auto o = std::any_cast<std::shared_ptr<outlook::Object>>(&context))
    return std::dynamic_pointer_cast<T>(*o);
  return nullptr;
}

template <class T>
std::shared_ptr<T> Need(const std::any& context) {
  auto p = As<T>(context);
  if (!p) vb::Raise(vb::kObjectVariableNotSet);
  return p;
}

std::shared_ptr<outlook::Item> CurrentItem(const std::any& inspector) {
  return Need<outlook::Inspector>(inspector)->CurrentItem();
}

}  // namespace

std::shared_ptr<outlook::Inspector> ContextInspector(const std::any& context) {
  return Need<outlook::Inspector>(context);
}

std::shared_ptr<outlook::Explorer> ContextExplorer(const std::any& context) {
  return Need<outlook::Explorer>(context);
}

int32_t COutlookRibbonFacts::AppVersion() {
  return GetAppVersion();
}

std::wstring COutlookRibbonFacts::DefaultTemplateID() {
  return Options().DefaultTemplateID();
}

std::shared_ptr<CTemplates> COutlookRibbonFacts::GetFrequents(int32_t nAction) {
  if (!g_oFrequentlyTemplates) vb::Raise(vb::kObjectVariableNotSet);
  auto list = g_oFrequentlyTemplates->GetFrequents(nAction, false);
  if (!list) vb::Raise(vb::kObjectVariableNotSet);
  return list;
}

std::wstring COutlookRibbonFacts::Text(std::wstring_view id) {
  if (!g_oLang) vb::Raise(vb::kObjectVariableNotSet);
  return g_oLang->Item(id);
}

std::shared_ptr<win32::IPicture> COutlookRibbonFacts::Icon(const std::wstring& name, int32_t size) {
  return mIcons::LoadIconPicture(name, size, size, true);
}

std::any COutlookRibbonFacts::ActiveExplorer() {
  if (!g_oApp) vb::Raise(vb::kObjectVariableNotSet);
  return std::any(g_oApp->ActiveExplorer());
}

bool COutlookRibbonFacts::IsTemplateItem(const std::any& inspector) {
  return mTanvelo::IsTemplateItem(CurrentItem(inspector));
}

bool COutlookRibbonFacts::HasAddinStamp(const std::any& inspector) {
  auto item = CurrentItem(inspector);
  if (item->Class() != outlook::olMail) vb::Raise(vb::kTypeMismatch);
  return mTanvelo::HasAddinStamp(item);
}

bool COutlookRibbonFacts::IsDefaultTemplateItem(const std::any& inspector) {
  return mTanvelo::IsDefaultTemplate(CurrentItem(inspector)->EntryID());
}

std::wstring COutlookRibbonFacts::CurrentEntryID(const std::any& inspector) {
  return CurrentItem(inspector)->EntryID();
}

bool COutlookRibbonFacts::IsWordMail(const std::any& inspector) {
  return Need<outlook::Inspector>(inspector)->IsWordMail();
}

bool COutlookRibbonFacts::IsModalInspector(const std::any& inspector) {
  std::shared_ptr<IInspectorWrapperEx> wrapper;
  if (fnFindWrapper)
    wrapper = std::dynamic_pointer_cast<IInspectorWrapperEx>(
        fnFindWrapper(Need<outlook::Inspector>(inspector)));
  if (!wrapper) vb::Raise(vb::kObjectVariableNotSet);
  return wrapper->IsModal();
}

// Refusals go on to the rule, which asks again and, still refused, names its control.
bool COutlookRibbonFacts::IsTemplateFolderCurrent(const std::any& explorer) {
  return mTanvelo::TemplateFolderOrRaise(Need<outlook::Explorer>(explorer)->CurrentFolder());
}

bool COutlookRibbonFacts::IsDraftsFolderCurrent(const std::any& explorer) {
  return DraftsFolderOrRaise(Need<outlook::Explorer>(explorer)->CurrentFolder());
}

// The explorer's state questions are the commands layer's, so the ribbon, the command bars
// and the context menus can never disagree about them.
bool COutlookRibbonFacts::IsMailFolderCurrent(const std::any& explorer) {
  return mExplorer::IsMailFolderCurrent(Need<outlook::Explorer>(explorer));
}

bool COutlookRibbonFacts::IsMailSelected(const std::any& explorer) {
  return mExplorer::IsMailSelected(Need<outlook::Explorer>(explorer));
}

bool COutlookRibbonFacts::IsTemplateSelected(const std::any& explorer) {
  return mExplorer::IsTemplateSelected(Need<outlook::Explorer>(explorer));
}

bool COutlookRibbonFacts::IsDefaultTemplateSelected(const std::any& explorer, bool& bIsDefault,
                                                    int32_t& nCount) {
  return mExplorer::IsDefaultTemplateSelected(Need<outlook::Explorer>(explorer), bIsDefault,
                                              nCount);
}

void COutlookRibbonFacts::GetBuiltinControlState(const std::any& explorer, int32_t nId,
                                                 bool& bEnabled, bool& bVisible) {
  mExplorer::GetBuiltinControlState(Need<outlook::Explorer>(explorer), nId, bEnabled, bVisible);
}

int32_t COutlookRibbonFacts::SelectionCount(const std::any& explorer) {
  return Need<outlook::Explorer>(explorer)->Selection()->Count();
}
