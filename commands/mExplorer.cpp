#include "commands/mExplorer.h"

#include <vector>

#include "commands/CommandSupport.h"
#include "commands/frmDummy.h"
#include "core/CLang.h"
#include "core/COptions.h"
#include "core/Main.h"
#include "dialogs/mForms.h"
#include "engine/mTanvelo.h"
#include "engine/mTanveloRoad.h"
#include "platform/office/CommandBars.h"
#include "platform/outlook/Outlook.h"
#include "platform/redemption/SafeItem.h"
#include "platform/vb/Runtime.h"

namespace mExplorer {
namespace {

using commands::Need;
using ItemPtr = std::shared_ptr<outlook::Item>;

constexpr int32_t kStyleExclamation = 48;

ExplorerPtr ActiveExplorer() {
  return Need(Need(g_oApp)->ActiveExplorer());
}

// The first selected item; raises on an empty selection.
ItemPtr FirstSelected(const ExplorerPtr& explorer) {
  return Need(Need(Need(explorer)->Selection())->Item(1));
}

bool IsMail(const ItemPtr& item) {
  return item && item->Class() == outlook::olMail;
}

// Sends the mail as it stands, through the Outbox. A mail Outlook refuses goes back to the
// folder it came from, so that nothing unsent waits in the Outbox as if it had gone; False
// then, with the refusal logged.
bool SendUnprocessed(ItemPtr oMail) {
  const wchar_t* proc = L"mExplorer.SendUnprocessed";
  std::shared_ptr<outlook::MAPIFolder> origin, outbox;
  vb::Ignore([&] {
    outbox = Need(Need(Need(g_oApp)->Session())->GetDefaultFolder(outlook::olFolderOutbox));
    auto parent = Need(oMail->Parent());
    if (parent->EntryID() != outbox->EntryID()) {
      origin = parent;
      oMail = Need(oMail->Move(outbox));
    }
  });
  std::wstring subject;
  vb::Ignore([&] { subject = oMail->Subject(); });
  bool sent = vb::Catch([&] {
    auto safe = vb::CreateObject<redemption::SafeMailItem>(L"Redemption.SafeMailItem");
    safe->SetItem(oMail);
    safe->Send();
    safe->SetItem(nullptr);
  });
  if (sent) return true;
  LogError(proc, std::nullopt, std::nullopt, subject);
  if (origin) vb::Ignore([&] { oMail->Move(origin); });
  vb::Err().Clear();
  return false;
}

}  // namespace

void Explorer_Tanvelo(int32_t nAction, const std::wstring& sTemplateID, int32_t nMode) {
  Trap(L"mExplorer.Explorer_Tanvelo", [&] {
    auto selection = Need(ActiveExplorer()->Selection());
    if (selection->Count() != 0) {
      ItemPtr item = selection->Item(1);
      if (IsMail(item)) {
        DummyForm().DemandDoTanvelo(item, nAction, nMode, sTemplateID);
        return;
      }
    }
    vb::MsgBox(LangText(L"IDS_TVNEEDMAILITEM"), kStyleExclamation);
  });
}

void Explorer_NewFromTemplate() {
  std::wstring sEntryID;
  vb::Ignore([&] {
    auto selection = Need(ActiveExplorer()->Selection());
    if (selection->Count() >= 1) {
      ItemPtr item = selection->Item(1);
      if (mTanvelo::IsTemplateItem(item)) sEntryID = item->EntryID();
    }
  });
  // "" lets the new-mail road ask for the template.
  vb::Ignore([&] { DummyForm().DemandNewMailFromTemplate(sEntryID, false); });
  vb::Err().Clear();
}

void Explorer_SaveAsTemplate() {
  vb::Ignore([] { mTanvelo::NewTemplateFromMail(L"", L"", false); });
}

void Explorer_NewTemplate() {
  Trap(L"mExplorer.Explorer_NewTemplate", [] {
    ItemPtr item = Need(mTanvelo::NewTemplate(ActiveExplorer()->CurrentFolder()));
    mTanvelo::DisplayTemplate(item, false);
  });
}

void Explorer_EditTemplate() {
  Trap(L"mExplorer.Explorer_EditTemplate", [] {
    ItemPtr item = FirstSelected(ActiveExplorer());
    if (IsMail(item)) mTanvelo::DisplayTemplate(item, false);
  });
}

void Explorer_OpenDuplicate() {
  vb::Ignore([] { mTanvelo::OpenTemplateDuplicate(FirstSelected(ActiveExplorer())->EntryID()); });
  vb::Err().Clear();
}

void Explorer_Hotkey() {
  vb::Ignore([] {
    auto explorer = ActiveExplorer();
    if (!mTanvelo::IsTemplateFolder(explorer->CurrentFolder())) return;
    ItemPtr item = FirstSelected(explorer);
    if (!IsMail(item)) return;
    std::wstring sResult;
    mForms::ShowHotkeyDialog(item->EntryID(), std::nullopt, std::nullopt, std::nullopt, false,
                             sResult);
  });
  vb::Err().Clear();
}

void Explorer_Import() {
  vb::Ignore([] { mForms::ShowImportDialog(); });
}

void Explorer_Export() {
  vb::Ignore([] { mForms::ShowExportDialog(); });
}

bool Explorer_ChangeDefault() {
  bool changed = false;
  vb::Ignore([&] {
    ItemPtr item = FirstSelected(ActiveExplorer());
    if (!mTanvelo::IsTemplateItem(item)) return;
    vb::Ignore([&] {
      if (mTanvelo::IsDefaultTemplate(item->EntryID()))
        mTanvelo::ClearDefaultTemplate();
      else
        mTanvelo::SetDefaultTemplate(item);
    });
    changed = true;
  });
  vb::Err().Clear();
  return changed;
}

void Explorer_SendDrafts() {
  const wchar_t* proc = L"mExplorer.Explorer_SendDrafts";
  std::vector<std::wstring> notSent;
  Trap(proc, [&] {
    auto explorer = ActiveExplorer();
    auto folder = Need(explorer->CurrentFolder());
    if (!IsDraftsFolder(folder)) return;
    std::vector<std::wstring> entryIDs;
    auto selection = Need(explorer->Selection());
    for (int32_t i = 1; i <= selection->Count(); ++i) {
      ItemPtr item = selection->Item(i);
      if (IsMail(item)) entryIDs.push_back(item->EntryID());
    }
    if (entryIDs.empty()) {
      vb::MsgBox(LangText(L"STR_SELECT_MAIL_PROMPT"), 0, LangText(L"STR_SELECT_MAIL_TITLE"));
      return;
    }
    auto session = Need(Need(g_oApp)->Session());
    const std::wstring product = vb::LCase(Options().ProductCode());
    for (const auto& sEntryID : entryIDs) {
      ItemPtr item = Need(session->GetItemFromID(sEntryID, folder->StoreID()));
      std::wstring stamp;
      if (!mTanvelo::ReadAddinProperty(item, stamp)) {
        // Taken for unstamped, a draft of ours would go out with its fields unfilled.
        std::wstring subject;
        vb::Ignore([&] { subject = item->Subject(); });
        LogError(proc, 0, subject + L" - its owner stamp could not be read, not sent");
        notSent.push_back(subject);
      } else if (stamp.empty()) {
        LogInfo(proc,
                item->Subject() + L" - no addin owner, send with no personalization processing", 2);
        std::wstring subject = item->Subject();
        if (!SendUnprocessed(item)) notSent.push_back(subject);
      } else if (vb::LCase(stamp) == product) {
        bool bStop = false;
        mTanvelo::DoSend2Action(item, mTanvelo::kSendActionSend, mTanvelo::GetSendMode(item), bStop,
                                false, nullptr, nullptr, folder);
        if (bStop) break;
      } else {
        LogError(proc, 0, L"Cant send mail created other addin - " + stamp);
      }
    }
  });
  if (!notSent.empty()) {
    std::wstring list;
    for (const auto& subject : notSent) list += L"\n" + subject;
    vb::MsgBox(LangText(L"STR_SEND_DRAFTS_NOT_SENT", list), kStyleExclamation,
               LangText(L"STR_SELECT_MAIL_TITLE"));
  }
}

// --- State questions -------------------------------------------------------------------------

bool IsMailFolderCurrent(const ExplorerPtr& oExplorer) {
  bool result = false;
  vb::Ignore([&] {
    auto folder = Need(Need(oExplorer)->CurrentFolder());
    result =
        folder->DefaultItemType() == outlook::olMailItem && !mTanvelo::IsTemplateFolder(folder);
  });
  vb::Err().Clear();
  return result;
}

bool IsMailSelected(const ExplorerPtr& oExplorer) {
  bool result = false;
  vb::Ignore([&] {
    auto selection = Need(Need(oExplorer)->Selection());
    result = selection->Count() > 0 && IsMail(selection->Item(1));
  });
  vb::Err().Clear();
  return result;
}

bool IsTemplateSelected(const ExplorerPtr& oExplorer) {
  bool result = false;
  vb::Ignore([&] {
    if (!mTanvelo::IsTemplateFolder(Need(oExplorer)->CurrentFolder())) return;
    auto selection = Need(oExplorer->Selection());
    if (selection->Count() == 0) return;
    ItemPtr item = selection->Item(1);
    result = IsMail(item) && !item->Sent();
  });
  vb::Err().Clear();
  return result;
}

bool IsDefaultTemplateSelected(const ExplorerPtr& oExplorer, bool& bIsDefault, int32_t& nCount) {
  bIsDefault = false;
  nCount = 0;
  bool result = false;
  vb::Ignore([&] {
    if (!mTanvelo::IsTemplateFolder(Need(oExplorer)->CurrentFolder())) return;
    auto selection = Need(oExplorer->Selection());
    nCount = selection->Count();
    if (nCount == 0) return;
    ItemPtr item = selection->Item(1);
    if (!IsMail(item) || item->Sent()) return;
    bIsDefault = mTanvelo::IsDefaultTemplate(item->EntryID());
    result = true;
  });
  vb::Err().Clear();
  return result;
}

void GetBuiltinControlState(const ExplorerPtr& oExplorer, int32_t nId, bool& bEnabled,
                            bool& bVisible) {
  bEnabled = false;
  bVisible = false;
  vb::Ignore([&] {
    auto bars = std::static_pointer_cast<office::CommandBars>(Need(Need(oExplorer)->CommandBars()));
    if (auto control = bars->FindControl(0, nId)) {
      bEnabled = control->Enabled();
      bVisible = control->Visible();
    }
  });
  vb::Err().Clear();
}

}  // namespace mExplorer
