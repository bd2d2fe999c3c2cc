#include "commands/mExplorer.h"

#include <functional>
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

// The first selected item, or null on an empty selection; raises where Outlook refused.
ItemPtr SelectedOrNone(const ExplorerPtr& explorer) {
  auto selection = Need(Need(explorer)->Selection());
  return selection->Count() > 0 ? selection->Item(1) : nullptr;
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
  const wchar_t* proc = L"mExplorer.Explorer_Hotkey";
  ExplorerPtr explorer;
  std::shared_ptr<outlook::MAPIFolder> folder;
  if (!mTanvelo::Insist(proc, [&] {
        explorer = ActiveExplorer();
        folder = explorer->CurrentFolder();
      }))
    return;
  if (!mTanvelo::IsTemplateFolder(folder)) return;
  // Outlook busy a moment must not swallow the click.
  std::wstring id;
  if (!mTanvelo::Insist(proc,
                        [&] {
                          ItemPtr item = SelectedOrNone(explorer);
                          id = IsMail(item) ? item->EntryID() : L"";
                        }) ||
      id.empty())
    return;
  Trap(proc, [&] {
    std::wstring sResult;
    mForms::ShowHotkeyDialog(id, std::nullopt, std::nullopt, std::nullopt, false, sResult);
  });
}

void Explorer_Import() {
  vb::Ignore([] { mForms::ShowImportDialog(); });
}

void Explorer_Export() {
  vb::Ignore([] { mForms::ShowExportDialog(); });
}

bool Explorer_ChangeDefault() {
  const wchar_t* proc = L"mExplorer.Explorer_ChangeDefault";
  ItemPtr item;
  std::wstring id;
  // Outlook busy a moment must not swallow the click.
  if (!mTanvelo::Insist(proc,
                        [&] {
                          item = SelectedOrNone(ActiveExplorer());
                          id = item && mTanvelo::TemplateItemOrRaise(item) ? item->EntryID() : L"";
                        }) ||
      id.empty())
    return false;
  mTanvelo::ToggleDefaultTemplate(item, id);
  return true;
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

namespace {

// A state question Outlook refuses a moment is asked again; still refused it answers False
// and says so in the log, so a control it hides or disables is not hidden without a word.
bool Asked(std::wstring_view procedure, const std::function<void()>& question) {
  const bool answered = mTanvelo::Insist(procedure, question);
  vb::Err().Clear();
  return answered;
}

}  // namespace

bool IsMailFolderCurrent(const ExplorerPtr& oExplorer) {
  bool result = false;
  Asked(L"mExplorer.IsMailFolderCurrent", [&] {
    result = false;
    auto folder = Need(Need(oExplorer)->CurrentFolder());
    result =
        folder->DefaultItemType() == outlook::olMailItem && !mTanvelo::IsTemplateFolder(folder);
  });
  return result;
}

bool IsMailSelected(const ExplorerPtr& oExplorer) {
  bool result = false;
  Asked(L"mExplorer.IsMailSelected", [&] {
    result = false;
    auto selection = Need(Need(oExplorer)->Selection());
    result = selection->Count() > 0 && IsMail(selection->Item(1));
  });
  return result;
}

bool IsTemplateSelected(const ExplorerPtr& oExplorer) {
  bool result = false;
  Asked(L"mExplorer.IsTemplateSelected", [&] {
    result = false;
    if (!mTanvelo::IsTemplateFolder(Need(oExplorer)->CurrentFolder())) return;
    auto selection = Need(oExplorer->Selection());
    if (selection->Count() == 0) return;
    ItemPtr item = selection->Item(1);
    result = IsMail(item) && !item->Sent();
  });
  return result;
}

bool IsDefaultTemplateSelected(const ExplorerPtr& oExplorer, bool& bIsDefault, int32_t& nCount) {
  bool result = false;
  Asked(L"mExplorer.IsDefaultTemplateSelected", [&] {
    bIsDefault = false;
    nCount = 0;
    result = false;
    if (!mTanvelo::IsTemplateFolder(Need(oExplorer)->CurrentFolder())) return;
    auto selection = Need(oExplorer->Selection());
    nCount = selection->Count();
    if (nCount == 0) return;
    ItemPtr item = selection->Item(1);
    if (!IsMail(item) || item->Sent()) return;
    bIsDefault = mTanvelo::IsDefaultTemplate(item->EntryID());
    result = true;
  });
  return result;
}

void GetBuiltinControlState(const ExplorerPtr& oExplorer, int32_t nId, bool& bEnabled,
                            bool& bVisible) {
  Asked(L"mExplorer.GetBuiltinControlState", [&] {
    bEnabled = false;
    bVisible = false;
    // A window without bars has no such control; that is no refusal.
    auto bars = std::static_pointer_cast<office::CommandBars>(Need(oExplorer)->CommandBars());
    if (!bars) return;
    if (auto control = bars->FindControl(0, nId)) {
      bEnabled = control->Enabled();
      bVisible = control->Visible();
    }
  });
}

}  // namespace mExplorer
