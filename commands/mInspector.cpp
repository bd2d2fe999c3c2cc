#include "commands/mInspector.h"

#include "commands/CommandSupport.h"
#include "core/CLang.h"
#include "core/Main.h"
#include "dialogs/mForms.h"
#include "engine/mTanvelo.h"
#include "engine/mTanveloRoad.h"
#include "platform/outlook/Outlook.h"
#include "platform/vb/Runtime.h"

namespace mInspector {
namespace {

using commands::Foreground;
using commands::Need;

constexpr int32_t kStyleExclamation = 48;

void AskToSaveFirst(bool bOnTop) {
  vb::MsgBox(LangText(L"STR_SAVE_ITEM_FIRST"), Foreground(bOnTop));
}

}  // namespace

void Tanvelo_Click(const InspectorWrapperPtr& oWrapper, int32_t& nAction,
                   const std::wstring& sTemplateID, bool bOnTop) {
  const wchar_t* proc = L"mInspector::Tanvelo_Click";
  if (!oWrapper) LogError(proc, 0, L"assert");
  std::shared_ptr<outlook::Item> item;
  int32_t nClass = 0;
  // Outlook busy a moment must not swallow the click.
  if (!mTanvelo::Retried([&] {
        item = Need(Need(Need(oWrapper)->GetInspector())->CurrentItem());
        nClass = item->Class();
      })) {
    const wchar_t* what = nAction == mTanvelo::kActionForward    ? L"forward"
                          : nAction == mTanvelo::kActionReplyAll ? L"reply to all"
                                                                 : L"reply";
    LogError(proc, std::nullopt, std::nullopt,
             std::wstring(L"the open mail could not be read, no ") + what + L" was made");
    return;
  }
  Trap(proc, [&] {
    if (nClass != outlook::olMail) {
      vb::MsgBox(LangText(L"IDS_TVNEEDMAILITEM"), kStyleExclamation | Foreground(bOnTop));
      return;
    }
    if (mTanvelo::DoTanvelo(item, nAction, mTanvelo::kSelInspector, sTemplateID)) {
      // The reply exists: the answered mail's window goes away. A refused close is asked
      // again; still refused, the window stays open and keeps its wrapper, so that its
      // commands still work (the wrapper ends with the window otherwise).
      if (mTanvelo::Insist(proc, item, L"closing the window",
                           [&] { item->Close(outlook::olPromptForSave); }))
        oWrapper->Done();
    }
  });
}

void SaveAsTemplate_Click(const std::wstring& sEntryID, bool& bOnTop) {
  vb::Ignore([&] {
    if (!sEntryID.empty())
      mTanvelo::NewTemplateFromMail(sEntryID, L"", bOnTop);
    else
      AskToSaveFirst(bOnTop);
  });
  vb::Err().Clear();
}

void ProcessPersonal2_Click(const std::shared_ptr<outlook::Item>& oMail, bool& bIsWordMail) {
  Trap(L"mInspector::ProcessPersonal2_Click", [&] {
    auto& create = mTanvelo::Services().CreateJob;
    mTanvelo::JobPtr job = Need(create ? create() : mTanvelo::JobPtr());
    Need(oMail)->Save();
    const std::wstring sEntryID = oMail->EntryID();
    const std::wstring sStoreID = Need(oMail->Parent())->StoreID();
    if (!job->HasReplaces(sEntryID, sStoreID)) return;
    if (!job->LoadReplaceValues(sEntryID, sStoreID, bIsWordMail, false, false)) return;
    bool bWasEmptyProp = false;
    job->DoReplace(sEntryID, true, bWasEmptyProp, sStoreID, 0, false, false);
  });
}

void OpenDuplicate_Click(const std::wstring& sEntryID, bool bOnTop) {
  vb::Ignore([&] {
    if (sEntryID.empty())
      AskToSaveFirst(bOnTop);
    else
      mTanvelo::OpenTemplateDuplicate(sEntryID);
  });
  vb::Err().Clear();
}

void Hotkey_Click(const std::wstring& sEntryID, bool bOnTop) {
  vb::Ignore([&] {
    if (sEntryID.empty()) {
      AskToSaveFirst(bOnTop);
      return;
    }
    std::wstring sResult;
    mForms::ShowHotkeyDialog(sEntryID, std::nullopt, std::nullopt, std::nullopt, bOnTop, sResult);
  });
  vb::Err().Clear();
}

bool ChangeDefault_Click(const std::shared_ptr<outlook::Item>& oMail) {
  std::wstring id;
  // Outlook busy a moment must not swallow the click; still refused, the log names the template.
  if (!oMail ||
      !mTanvelo::Insist(
          L"mInspector::ChangeDefault_Click", oMail, L"The default template's change",
          [&] { id = mTanvelo::TemplateItemOrRaise(oMail) ? oMail->EntryID() : L""; }) ||
      id.empty())
    return false;
  mTanvelo::ToggleDefaultTemplate(oMail, id);
  return true;
}

}  // namespace mInspector
