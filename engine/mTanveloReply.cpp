// The reply, reply to all or forward from a template: checks, the template choice, the
// reply from Outlook merged with the template, then stamping, quiet personalization and the
// choice between opening it and sending separate messages.
#include "core/COptions.h"
#include "engine/CFrequentlyTemplates.h"
#include "engine/RoadSupport.h"
#include "personalization/RL_CTexts.h"
#include "platform/redemption/SafeItem.h"
#include "platform/vb/Runtime.h"

namespace mTanvelo {
namespace {

using namespace road;

constexpr int32_t kStyleExclamation = 48;   // OK, exclamation
constexpr int32_t kStyleOkCancelWarn = 49;  // OK and Cancel, exclamation
constexpr int32_t kStyleOkCancel = 1;       // OK and Cancel, no icon

bool PickTemplate(std::wstring& sTemplateID, int32_t& nSendMode, bool bFocus) {
  if (!Services().ShowSelectTemplate) return false;
  return Services().ShowSelectTemplate(sTemplateID, nSendMode, 3, bFocus);
}

// The questions about a template that has recipients; False when the user cancelled.
bool AcceptPreaddressed(outlook::Recipients& recipients, int32_t nSendMode) {
  int32_t count = 0;
  Held([&] { count = recipients.Count(); });
  if (count == 0) return true;
  bool cancelled = false;
  if (nSendMode == kSendModeOne)
    Say(L"STR_TMPL_PREADRESSED", kStyleExclamation);
  else
    cancelled = Say(L"STR_TMPL_PREADRESSED2", kStyleOkCancelWarn) == vb::vbCancel;
  bool all = false;
  Held([&] { all = recipients.ResolveAll(); });
  if (!all) {
    std::wstring names;
    for (const auto& recipient : recipients)
      if (!recipient->Resolved()) names += (names.empty() ? L"" : L", ") + recipient->Name();
    if (vb::MsgBox(LangText(L"STR_BAD_RECIPIENTS") + L"\r\n" + names, kStyleOkCancel) ==
        vb::vbCancel)
      cancelled = true;
  }
  return !cancelled;
}

// The temporary mail of the selection, or null for the whole mail; `refused` when Outlook
// refused to give the selection past every try (then the whole mail must not be answered).
ItemPtr SelectionCopy(const ItemPtr& oMail, int32_t nSelMode, bool& refused) {
  refused = false;
  if (nSelMode == kSelInspector) {
    if (GetAppVersion() >= 12) return CreateMailFromSelText2(oMail, true, true, &refused);
    std::shared_ptr<outlook::Inspector> inspector;
    if (!Retried([&] { inspector = oMail->GetInspector(); })) {
      refused = true;
      return nullptr;
    }
    return CreateMailFromSelText(inspector, true, &refused);
  }
  if (nSelMode == kSelReadingPane && GetAppVersion() < 12)
    return CreateMailFromReadingPaneSel(Need(g_oApp)->ActiveExplorer(), true, true, &refused);
  return nullptr;
}

// What a reply to a selection that could not be read was to be, for the log.
std::wstring SelectionReplyName(int32_t nAction) {
  if (nAction == kActionReplyAll) return L"reply to all to the selected text";
  if (nAction == kActionForward) return L"forward of the selected text";
  return L"reply to the selected text";
}

ItemPtr AskOutlook(const ItemPtr& source, int32_t nAction) {
  ItemPtr response;
  if (nAction != kActionReply && nAction != kActionReplyAll && nAction != kActionForward) {
    LogError(L"mTanvelo::CreateReply", 0, L"invalid action - " + std::to_wstring(nAction));
    return nullptr;
  }
  // Outlook may refuse (a mail it cannot answer, or held a moment: asked again); that leaves
  // no item.
  if (!Retried([&] {
        if (nAction == kActionReply) response = source->Reply();
        if (nAction == kActionReplyAll) response = source->ReplyAll();
        if (nAction == kActionForward) response = source->Forward();
      }))
    LogError(L"mTanvelo::CreateReply", vb::Err().Number(), vb::Err().Description());
  vb::Err().Clear();
  return response;
}

// A reply whose merge stopped half way is never kept: it would look like a finished one.
void DiscardHalfMade(const ItemPtr& item) {
  std::wstring entryId;
  Quietly([&] { entryId = item->EntryID(); });
  if (entryId.empty())
    Quietly([&] { item->Delete(); });
  else
    DeleteItem(item, true);
}

}  // namespace

namespace road {

void PersonalizeQuietly(const ItemPtr& mail) {
  const wchar_t* proc = L"mTanvelo::PersonalizeQuietly";
  JobPtr job = Services().CreateJob ? Services().CreateJob() : nullptr;
  if (!job) return;
  std::wstring entryId, storeId;
  // Unread, or a contact not looked up, the fields are left as they stand for the Send to
  // fill, never filled as for a stranger; the log names the mail whose tokens stay.
  auto unfilled = [&] {
    const int32_t number = vb::Err().Number();
    const std::wstring description = vb::Err().Description();
    std::wstring subject;
    if (!Retried([&] { subject = mail->Subject(); })) vb::Err().Clear();
    LogError(proc, number, description, L"The fields of \"" + subject + L"\" were not filled");
  };
  // The mail is made and whole by now: a refused look at it costs the fill, never the mail.
  if (!vb::Catch([&] {
        entryId = mail->EntryID();
        storeId = StoreIDOf(mail);
      }))
    return unfilled();
  bool has = false;
  if (!vb::Catch([&] { has = job->HasReplaces(entryId, storeId); })) return unfilled();
  if (!has) return;
  bool loaded = false;
  if (!vb::Catch([&] { loaded = job->LoadReplaceValues(entryId, storeId, false, true, true); }) ||
      !loaded)
    return unfilled();
  bool bWasEmptyProp = false, replaced = false;
  if (!vb::Catch([&] {
        replaced = job->DoReplace(entryId, true, bWasEmptyProp, storeId, 0, true, true);
      }) ||
      !replaced)
    unfilled();
}

}  // namespace road

ItemPtr CreateReply(const ItemPtr& oMail, int32_t& nAction, int32_t& nSendMode, int32_t nSelMode,
                    std::wstring& sTemplateID) {
  const wchar_t* proc = L"mTanvelo::CreateReply";
  LogInfo(proc, L"", 3);
  if (!oMail) return nullptr;
  ItemPtr result, selectionCopy, made;
  const bool ran = Trap(proc, [&] {
    if (!g_oTemplatesFolder) {
      Say(L"IDS_NO_TVFOLDER", kStyleExclamation);
      return;
    }
    if ((nAction == kActionReply || nAction == kActionReplyAll) &&
        SafeGetSenderName(oMail).empty()) {
      Say(L"IDS_CANNOTREPLYNOSENDER", kStyleExclamation);
      return;
    }
    if (sTemplateID.empty() || !GetTemplate(sTemplateID))
      if (!PickTemplate(sTemplateID, nSendMode, false)) return;

    ShowWait();
    vb::DoEvents();

    ItemPtr tmpl = Need(GetTemplate(sTemplateID));
    std::shared_ptr<redemption::SafeItem> safeTemplate;
    std::shared_ptr<outlook::Recipients> tmplRecipients;
    Held([&] {
      safeTemplate = Need(GetSafeItem(tmpl));
      tmplRecipients = Need(safeTemplate->Recipients());
    });
    if (!AcceptPreaddressed(*tmplRecipients, nSendMode)) return;
    safeTemplate->SetItem(nullptr);

    bool refused = false;
    selectionCopy = SelectionCopy(oMail, nSelMode, refused);
    if (refused) {
      // Not known, the selection is not replaced by the whole mail: nothing is made, and the
      // user learns which mail was not answered.
      std::wstring subject;
      vb::Catch([&] { subject = oMail->Subject(); });
      vb::Err().Clear();
      LogError(proc, 0,
               L"the " + SelectionReplyName(nAction) + L" of \"" + subject +
                   L"\" was not made: Outlook did not give the selected text");
      CloseWait();
      vb::MsgBox(LangText(L"IDS_SELECTION_NOT_READ", subject), kStyleExclamation);
      return;
    }
    ItemPtr reply = AskOutlook(selectionCopy ? selectionCopy : oMail, nAction);
    made = reply;
    if (!reply) {
      Say(L"IDS_CANNOTFORWARD", kStyleExclamation);
      return;
    }
    bool outlookRefused = false;
    if (!InsertTemplate(reply, sTemplateID, &outlookRefused)) {
      DiscardHalfMade(reply);
      CloseWait();
      // Refused by Outlook past its tries, the template is not to blame.
      Say(outlookRefused ? L"IDS_CANNOTFORWARD" : L"IDS_TEMPLATE_MERGE_FAILED", kStyleExclamation);
      return;
    }
    // Held a moment, the filing is asked again.
    FolderPtr drafts = DraftsFolder();
    if (!Retried([&] { reply = MoveItemToFolder(reply, drafts); }))
      vb::Raise(vb::Err().Number(), vb::Err().Description());
    made = reply;
    if (g_oFrequentlyTemplates) g_oFrequentlyTemplates->IncUseCount(sTemplateID, nAction);
    ReloadItem(reply);
    if (!reply) {  // filed, but not found again past every try: not kept half known
      DiscardHalfMade(made);
      made = nullptr;
      CloseWait();
      Say(L"IDS_CANNOTFORWARD", kStyleExclamation);
      return;
    }
    result = reply;
  });
  // Stopped by an error half way (a step refused past its tries): nothing half made is kept,
  // and the user is told no message was made. The merge tells its own failure; this one is
  // Outlook's (the template's lookup, the filing), so the template is not blamed.
  if (!ran && !result) {
    if (made) DiscardHalfMade(made);
    CloseWait();
    Say(L"IDS_CANNOTFORWARD", kStyleExclamation);
  }
  if (selectionCopy) DeleteItem(selectionCopy, true);
  return result;
}

bool DoTanvelo(const ItemPtr& oMail, int32_t& nAction, int32_t nSelMode, std::wstring sTemplateID) {
  const wchar_t* proc = L"mTanvelo::DoTanvelo";
  ActionGuard guard(proc);
  if (!guard) return false;
  // Whole once merged, filed and stamped: from then on the reply is the user's, and each later
  // step tells its own failure (the window's below) without undoing it.
  bool made = false;
  ItemPtr mail;
  // Shown, or the user told where the whole reply waits.
  auto show = [&] {
    CloseWait();
    if (Retried([&] { mail->Display(false); })) return true;
    std::wstring subject;
    vb::Catch([&] { subject = mail->Subject(); });
    vb::Err().Clear();
    LogError(proc, 0, L"the reply \"" + subject + L"\" was made but could not be opened");
    Say(L"IDS_REPLY_NOT_OPENED", kStyleExclamation);
    return false;
  };
  // Marked only once the reply exists for the user: a mark without a reply would tell the
  // mail was answered when it was not.
  auto mark = [&] {
    if (GetAppVersion() >= 14) SetOriginalReplyIcon(oMail, nAction);
  };
  Trap(proc, [&] {
    int32_t nSendMode = kSendModeOne;
    mail = CreateReply(oMail, nAction, nSendMode, nSelMode, sTemplateID);
    if (!mail) return;
    RemoveHotkeyProperties(mail, false);
    // Without its mode, a reply meant for separate messages would leave from its window as one
    // message to all: not kept, as a new mail is not made.
    if (!SetSendMode(mail, nSendMode, false) && nSendMode == kSendModeSeparate) {
      std::wstring subject;
      vb::Ignore([&] { subject = mail->Subject(); });
      if (subject.empty()) subject = LangText(L"STR_UNTITLED_MAIL");
      LogError(
          proc, 0,
          L"separate sending could not be stored on the reply, so it was not made - " + subject);
      DiscardHalfMade(mail);
      CloseWait();
      vb::MsgBox(LangText(L"IDS_SEND_MODE_NOT_STORED", subject), kStyleExclamation);
      return;
    }
    // Unstamped, its Send would be Outlook's own: its fields would leave unfilled, and separate
    // messages as one to all. Such a reply is not kept, as a new mail is not made.
    if (!SetAddinProperty(mail, Options().ProductCode(), true)) {
      std::wstring subject;
      vb::Ignore([&] { subject = mail->Subject(); });
      LogError(proc, 0, L"the reply could not be stamped, so it was not made - " + subject);
      DiscardHalfMade(mail);
      CloseWait();
      Say(L"IDS_MAIL_NOT_STAMPED", kStyleExclamation);
      return;
    }
    bool handedOn = false;
    if (nSendMode != kSendModeSeparate) {
      PersonalizeQuietly(mail);
      handedOn = show();
      if (handedOn) mark();
    } else if (nAction == kActionReply || nAction == kActionReplyAll ||
               TemplateHasRecipients(sTemplateID)) {
      bool bShow = false;
      handedOn = true;
      Send2Action(mail, kSendActionSend, kSendModeSeparate, bShow, nullptr, nullptr, nullptr);
      mark();
      if (bShow) show();
    } else {
      // Its stored send mode makes the inspector's Send run the separate sending later.
      handedOn = show();
      if (handedOn) mark();
    }
    made = handedOn;
  });
  CloseWait();
  return made;
}

}  // namespace mTanvelo
