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

// A command Outlook refused past its retries: told at error level in words that name the
// command (its label) and what it left undone, the refusal's own text last.
void TellRefused(std::wstring_view procedure, const std::wstring& command,
                 const std::wstring& undone) {
  const std::wstring refusal = vb::Err().Description();
  LogError(procedure, std::nullopt, command + L": " + undone + L" - " + refusal);
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
  const wchar_t* proc = L"mExplorer.Explorer_Tanvelo";
  ItemPtr mail;
  // Outlook busy a moment must not swallow the click.
  if (!mTanvelo::Retried([&] {
        ItemPtr item = SelectedOrNone(ActiveExplorer());
        mail = IsMail(item) ? item : nullptr;
      })) {
    const wchar_t* label = nAction == 2   ? L"RID_E_BTN_REPLY_ALL_WITH"
                           : nAction == 4 ? L"RID_E_BTN_FORWARD_WITH"
                                          : L"RID_E_BTN_TANVELO";
    TellRefused(proc, LangText(label),
                L"the selected message could not be read, nothing was made from it");
    return;
  }
  Trap(proc, [&] {
    if (mail)
      DummyForm().DemandDoTanvelo(mail, nAction, nMode, sTemplateID);
    else
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
  const wchar_t* proc = L"mExplorer.Explorer_NewTemplate";
  std::shared_ptr<outlook::MAPIFolder> current;
  // Outlook busy a moment must not swallow the click.
  if (!mTanvelo::Retried([&] { current = ActiveExplorer()->CurrentFolder(); })) {
    TellRefused(proc, LangText(L"RID_E_BTN_NEW_TEMPLATE"),
                L"the current folder could not be read, no template was made");
    return;
  }
  ItemPtr item = mTanvelo::NewTemplate(current);
  if (!item) {
    // The engine logged why; the user asked for a template and must not be left guessing.
    vb::MsgBox(LangText(L"STR_NEW_TEMPLATE_FAILED"), kStyleExclamation);
    return;
  }
  if (!mTanvelo::DisplayTemplate(item, false)) mTanvelo::SayTemplateNotOpened(item, false);
}

void Explorer_EditTemplate() {
  const wchar_t* proc = L"mExplorer.Explorer_EditTemplate";
  ItemPtr item;
  // Outlook busy a moment must not swallow the click.
  if (!mTanvelo::Retried([&] { item = FirstSelected(ActiveExplorer()); })) {
    TellRefused(proc, LangText(L"RID_E_BTN_EDIT_TEMPLATE"),
                L"the selected template could not be read, it was not opened");
    return;
  }
  Trap(proc, [&] {
    if (IsMail(item)) mTanvelo::DisplayTemplate(item, false);
  });
}

void Explorer_OpenDuplicate() {
  std::wstring id;
  // Outlook busy a moment must not swallow the click.
  if (!mTanvelo::Retried([&] { id = FirstSelected(ActiveExplorer())->EntryID(); })) {
    TellRefused(L"mExplorer.Explorer_OpenDuplicate", LangText(L"RID_E_BTN_OPEN_DUPLICATE"),
                L"the selected template could not be read, no duplicate was made");
    return;
  }
  vb::Ignore([&] { mTanvelo::OpenTemplateDuplicate(id); });
  vb::Err().Clear();
}

void Explorer_Hotkey() {
  const wchar_t* proc = L"mExplorer.Explorer_Hotkey";
  std::wstring id;
  // Outlook busy a moment must not swallow the click.
  if (!mTanvelo::Retried([&] {
        id.clear();
        auto explorer = ActiveExplorer();
        if (!mTanvelo::TemplateFolderOrRaise(explorer->CurrentFolder())) return;
        ItemPtr item = SelectedOrNone(explorer);
        id = IsMail(item) ? item->EntryID() : L"";
      })) {
    TellRefused(proc, LangText(L"RID_E_BTN_HOTKEY"),
                L"the selected template could not be read, the hotkey dialog was not opened");
    return;
  }
  if (id.empty()) return;
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
  if (!mTanvelo::Retried([&] {
        item = SelectedOrNone(ActiveExplorer());
        id = item && mTanvelo::TemplateItemOrRaise(item) ? item->EntryID() : L"";
      })) {
    TellRefused(proc,
                LangText(L"RID_E_BTN_CHANGE_DEFAULT_SET") + L", " +
                    LangText(L"RID_E_BTN_CHANGE_DEFAULT_CLEAR"),
                L"the selected template could not be read, the default was not changed");
    return false;
  }
  if (id.empty()) return false;
  mTanvelo::ToggleDefaultTemplate(item, id);
  return true;
}

void Explorer_SendDrafts() {
  const wchar_t* proc = L"mExplorer.Explorer_SendDrafts";
  ExplorerPtr explorer;
  std::shared_ptr<outlook::MAPIFolder> folder;
  bool inDrafts = false;
  // Outlook busy a moment must not leave the drafts unsent without a word.
  if (!mTanvelo::Retried([&] {
        explorer = ActiveExplorer();
        folder = Need(explorer->CurrentFolder());
        inDrafts = DraftsFolderOrRaise(folder);
      })) {
    TellRefused(proc, LangText(L"RID_E_BTN_SEND_DRAFTS"),
                L"the current folder could not be read, no draft was sent");
    return;
  }
  if (!inDrafts) return;
  std::vector<std::pair<std::wstring, std::wstring>> drafts;  // EntryID, subject
  if (!mTanvelo::Retried([&] {
        drafts.clear();
        auto selection = Need(explorer->Selection());
        for (int32_t i = 1; i <= selection->Count(); ++i) {
          ItemPtr item = selection->Item(i);
          if (IsMail(item)) drafts.emplace_back(item->EntryID(), item->Subject());
        }
      })) {
    TellRefused(proc, LangText(L"RID_E_BTN_SEND_DRAFTS"),
                L"the selection could not be read, no draft was sent");
    return;
  }
  if (drafts.empty()) {
    vb::MsgBox(LangText(L"STR_SELECT_MAIL_PROMPT"), 0, LangText(L"STR_SELECT_MAIL_TITLE"));
    return;
  }
  std::vector<std::wstring> notSent;
  size_t next = 0;
  Trap(proc, [&] {
    auto session = Need(Need(g_oApp)->Session());
    const std::wstring product = vb::LCase(Options().ProductCode());
    const std::wstring storeID = folder->StoreID();
    for (; next < drafts.size(); ++next) {
      // Named, not bound: a lambda below takes it, which some compilers refuse for a binding.
      const std::wstring& sEntryID = drafts[next].first;
      const std::wstring& listed = drafts[next].second;
      ItemPtr item;
      if (!mTanvelo::Retried([&] { item = Need(session->GetItemFromID(sEntryID, storeID)); })) {
        TellRefused(proc, LangText(L"RID_E_BTN_SEND_DRAFTS"),
                    listed + L" could not be fetched, not sent");
        notSent.push_back(listed);
        continue;
      }
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
        int32_t mode = 0;
        if (!mTanvelo::ReadSendMode(item, mode)) {
          // Guessed, a draft for one message would leave as several, or the other way round.
          std::wstring subject;
          vb::Ignore([&] { subject = item->Subject(); });
          LogError(proc, 0, subject + L" - its send mode could not be read, not sent");
          notSent.push_back(subject);
          continue;
        }
        bool bStop = false;
        mTanvelo::DoSend2Action(item, mTanvelo::kSendActionSend, mode, bStop, false, nullptr,
                                nullptr, folder);
        if (bStop) {
          next = drafts.size();
          break;
        }
      } else {
        LogError(proc, 0, L"Cant send mail created other addin - " + stamp);
      }
    }
  });
  // Ended by an error, the drafts from the failing one on stay unsent: the user learns which.
  for (; next < drafts.size(); ++next) notSent.push_back(drafts[next].second);
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
// and says so in the log, naming the commands it leaves hidden or disabled.
bool Asked(std::wstring_view procedure, std::initializer_list<const wchar_t*> commands,
           const std::function<void()>& question) {
  if (mTanvelo::Retried(question)) return true;
  std::wstring names;
  for (const wchar_t* label : commands) names += (names.empty() ? L"" : L", ") + LangText(label);
  TellRefused(procedure, names,
              L"not offered, Outlook refused to show the folder or the selection");
  vb::Err().Clear();
  return false;
}

}  // namespace

bool IsMailFolderCurrent(const ExplorerPtr& oExplorer) {
  bool result = false;
  Asked(L"mExplorer.IsMailFolderCurrent", {L"RID_E_BTN_SAVE_AS_TEMPLATE"}, [&] {
    result = false;
    auto folder = Need(Need(oExplorer)->CurrentFolder());
    result = folder->DefaultItemType() == outlook::olMailItem &&
             !mTanvelo::TemplateFolderOrRaise(folder);
  });
  return result;
}

bool IsMailSelected(const ExplorerPtr& oExplorer) {
  bool result = false;
  Asked(L"mExplorer.IsMailSelected", {L"RID_E_BTN_SAVE_AS_TEMPLATE", L"RID_E_BTN_SEND_DRAFTS"},
        [&] {
          result = false;
          auto selection = Need(Need(oExplorer)->Selection());
          result = selection->Count() > 0 && IsMail(selection->Item(1));
        });
  return result;
}

bool IsTemplateSelected(const ExplorerPtr& oExplorer) {
  bool result = false;
  Asked(L"mExplorer.IsTemplateSelected",
        {L"RID_E_BTN_EDIT_TEMPLATE", L"RID_E_BTN_OPEN_DUPLICATE", L"RID_E_BTN_HOTKEY",
         L"RID_E_BTN_NEW_FROM_SEL_TEMPLATE"},
        [&] {
          result = false;
          if (!mTanvelo::TemplateFolderOrRaise(Need(oExplorer)->CurrentFolder())) return;
          auto selection = Need(oExplorer->Selection());
          if (selection->Count() == 0) return;
          ItemPtr item = selection->Item(1);
          result = IsMail(item) && !item->Sent();
        });
  return result;
}

bool IsDefaultTemplateSelected(const ExplorerPtr& oExplorer, bool& bIsDefault, int32_t& nCount) {
  bool result = false;
  Asked(L"mExplorer.IsDefaultTemplateSelected",
        {L"RID_E_BTN_CHANGE_DEFAULT_SET", L"RID_E_BTN_CHANGE_DEFAULT_CLEAR"}, [&] {
          bIsDefault = false;
          nCount = 0;
          result = false;
          if (!mTanvelo::TemplateFolderOrRaise(Need(oExplorer)->CurrentFolder())) return;
          auto selection = Need(oExplorer->Selection());
          nCount = selection->Count();
          if (nCount == 0) return;
          ItemPtr item = selection->Item(1);
          if (!IsMail(item) || item->Sent()) return;
          // A default the registry still refuses is no "not the default", which would offer to
          // set the default the user just made.
          const std::wstring id = item->EntryID();
          if (!vb::Catch([&] { bIsDefault = mTanvelo::IsDefaultTemplate(id); })) {
            bIsDefault = false;
            // Named by their labels, as the user knows them.
            LogError(L"mExplorer.IsDefaultTemplateSelected", 0,
                     LangText(L"RID_E_BTN_CHANGE_DEFAULT_SET") + L", " +
                         LangText(L"RID_E_BTN_CHANGE_DEFAULT_CLEAR") +
                         L": not offered, the default template could not be read for: " +
                         item->Subject());
            vb::Err().Clear();
            return;
          }
          result = true;
        });
  return result;
}

void GetBuiltinControlState(const ExplorerPtr& oExplorer, int32_t nId, bool& bEnabled,
                            bool& bVisible) {
  Asked(L"mExplorer.GetBuiltinControlState",
        {L"RID_E_BTN_TANVELO", L"RID_E_BTN_REPLY_ALL_WITH", L"RID_E_BTN_FORWARD_WITH"}, [&] {
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
