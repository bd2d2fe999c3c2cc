#include "addin/connect/CRibbonFacts.h"

#include "addin/commands/IInspectorWrapperEx.h"
#include "core/CLang.h"
#include "core/COptions.h"
#include "core/Main.h"
#include "core/mIcons.h"
#include "engine/CFrequentlyTemplates.h"
#include "engine/mTanvelo.h"
#include "platform/office/CommandBars.h"
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

// The state queries answer False on any error, keeping what was set so far.
template <class F>
bool Query(F&& body) {
  bool answer = false;
  vb::Ignore([&] { answer = body(); });
  vb::Err().Clear();
  return answer;
}

std::shared_ptr<outlook::Item> FirstSelected(const outlook::Explorer& explorer) {
  auto selection = explorer.Selection();
  if (selection->Count() == 0) return nullptr;
  return selection->Item(1);
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

bool COutlookRibbonFacts::IsTemplateFolderCurrent(const std::any& explorer) {
  return mTanvelo::IsTemplateFolder(Need<outlook::Explorer>(explorer)->CurrentFolder());
}

bool COutlookRibbonFacts::IsDraftsFolderCurrent(const std::any& explorer) {
  return IsDraftsFolder(Need<outlook::Explorer>(explorer)->CurrentFolder());
}

bool COutlookRibbonFacts::IsMailFolderCurrent(const std::any& explorer) {
  return Query([&] {
    auto folder = Need<outlook::Explorer>(explorer)->CurrentFolder();
    return folder->DefaultItemType() == outlook::olMailItem && !mTanvelo::IsTemplateFolder(folder);
  });
}

bool COutlookRibbonFacts::IsMailSelected(const std::any& explorer) {
  return Query([&] {
    auto first = FirstSelected(*Need<outlook::Explorer>(explorer));
    return first && first->Class() == outlook::olMail;
  });
}

bool COutlookRibbonFacts::IsTemplateSelected(const std::any& explorer) {
  return Query([&] {
    auto e = Need<outlook::Explorer>(explorer);
    if (!mTanvelo::IsTemplateFolder(e->CurrentFolder())) return false;
    auto first = FirstSelected(*e);
    return first && first->Class() == outlook::olMail && !first->Sent();
  });
}

bool COutlookRibbonFacts::IsDefaultTemplateSelected(const std::any& explorer, bool& bIsDefault,
                                                    int32_t& nCount) {
  bIsDefault = false;
  nCount = 0;
  return Query([&] {
    auto e = Need<outlook::Explorer>(explorer);
    if (!mTanvelo::IsTemplateFolder(e->CurrentFolder())) return false;
    nCount = e->Selection()->Count();
    auto first = FirstSelected(*e);
    if (!first || first->Class() != outlook::olMail || first->Sent()) return false;
    bIsDefault = mTanvelo::IsDefaultTemplate(first->EntryID());
    return true;
  });
}

void COutlookRibbonFacts::GetBuiltinControlState(const std::any& explorer, int32_t nId,
                                                 bool& bEnabled, bool& bVisible) {
  bEnabled = bVisible = false;
  Query([&] {
    auto bars = std::static_pointer_cast<office::CommandBars>(
        Need<outlook::Explorer>(explorer)->CommandBars());
    if (!bars) vb::Raise(vb::kObjectVariableNotSet);
    if (auto control = bars->FindControl(0, nId)) {
      bEnabled = control->Enabled();
      bVisible = control->Visible();
    }
    return true;
  });
}

int32_t COutlookRibbonFacts::SelectionCount(const std::any& explorer) {
  return Need<outlook::Explorer>(explorer)->Selection()->Count();
}
