// Sending or filing a prepared mail: one personalized message, or one personalized copy per
// recipient.
#include "core/COptions.h"
#include "engine/RoadSupport.h"
#include "personalization/RL_mAddressBook.h"
#include "personalization/RL_mMain.h"
#include "platform/redemption/SafeItem.h"
#include "platform/redemption/Session.h"
#include "platform/vb/Runtime.h"

namespace mTanvelo {
namespace {

using namespace road;

constexpr int32_t kStyleInfo = 48;
constexpr int32_t kForeground = 0x10000;
constexpr double kMinutesPerDay = 24.0 * 60.0;

// Keeps only recipient i (with its type) on a copy that has all n. Removing from the end keeps
// the indices of the ones still to be removed.
void KeepOnly(outlook::Recipients& recipients, int32_t i, int32_t n) {
  // Each removal on its own: one refused at its start removed nothing, so it is asked again.
  for (int32_t j = n; j >= 1; --j)
    if (j != i) Held([&] { recipients.Remove(j); });
}

// The recipient table of a safe item, asked for again while refused; raises past every try.
std::shared_ptr<outlook::Recipients> RecipientsOf(
    const std::shared_ptr<redemption::SafeItem>& safe) {
  std::shared_ptr<outlook::Recipients> recipients;
  if (!Retried([&] { recipients = Need(safe->Recipients()); }))
    vb::Raise(vb::Err().Number(), vb::Err().Description());
  return recipients;
}

// A job that stopped before writing left every token in the text: such a message is filed
// and reported with those whose fields had no value, never sent as it is. The box counts it
// with the empty fields; the log tells which mail was not filled at all.
bool Unfilled(const wchar_t* proc, const ItemPtr& item) {
  std::wstring to, subject;
  Quietly([&] { to = item->To(); });
  Quietly([&] { subject = item->Subject(); });
  LogError(proc, 0, L"filed, its fields could not be filled: \"" + subject + L"\" to " + to);
  return true;
}

struct Progress {
  int32_t total = 0;       // copies to make
  int32_t sent = 0;        // copies that went out
  int32_t inOutbox = 0;    // copies moved to the Outbox, sent or not: what the user sees there
  int32_t filedEmpty = 0;  // copies filed because a field had no value
  bool inLoop = false;
  bool committed = false;  // past the questions, the mail's window closed
  std::wstring waitsIn;    // the folder an unsent single message was put back in
};

void Tell(const wchar_t* id, int32_t style, const Progress& progress,
          const std::wstring& folder = L"") {
  std::wstring text = folder.empty() ? LangText(id, progress.inOutbox, progress.total)
                                     : LangText(id, progress.filedEmpty, folder);
  vb::MsgBox(text, style);
}

}  // namespace

namespace road {

void Send2Action(const ItemPtr& oItem, int32_t nSendAction, int32_t nSendMode, bool& bShow,
                 const std::shared_ptr<IInspectorWrapper>& oInspectorWrapper, JobPtr oJob,
                 const FolderPtr& oFolder) {
  const wchar_t* proc = L"mTanvelo::DoSend2Action";
  bShow = false;
  bool bWord = false;
  Progress progress;
  FolderPtr target;
  const bool done = Trap(proc, [&] {
    Need(oItem);
    std::shared_ptr<outlook::Inspector> inspector;
    if (oInspectorWrapper) {
      inspector = oInspectorWrapper->GetInspector();
      Held([&] { bWord = inspector && inspector->EditorType() == outlook::olEditorWord; });
      Held([&] { oItem->Save(); });
    }
    if (!oJob && Services().CreateJob) oJob = Services().CreateJob();
    std::wstring entryId, storeId;
    Held([&] {
      entryId = oItem->EntryID();
      storeId = StoreIDOf(oItem);
    });
    const bool hasTokens = oJob && oJob->HasReplaces(entryId, storeId);

    std::shared_ptr<redemption::SafeItem> safe;
    Held([&] { safe = Need(GetSafeItem(oItem)); });
    if (!CheckRecipientsBeforeSend(safe, bWord, false)) {
      bShow = true;
      return;
    }
    if (hasTokens &&
        !oJob->LoadReplaceValues(oItem->EntryID(), StoreIDOf(oItem), bWord, false, false)) {
      bShow = true;
      return;
    }

    int32_t count = 1;
    if (nSendMode != kSendModeOne) {
      count = RL_mAddressBook::CountRecipientEntries(RecipientsOf(safe));
      if (count < 1) {
        count = 1;
        nSendMode = kSendModeOne;
      }
    }
    if (nSendAction == kSendActionSend && (nSendMode == kSendModeSeparate || hasTokens)) {
      // Without the question nothing is sent unasked: the messages are filed.
      bool bSendNow = false;
      if (Services().AskSendMessages) Services().AskSendMessages(count, bSendNow, bWord);
      if (!bSendNow) nSendAction = kSendActionFile;
    }
    // From here the mail's window is gone: a failure must be told, or the user takes the
    // mail for sent.
    progress.committed = true;
    if (oInspectorWrapper) {
      if (inspector) Quietly([&] { inspector->Close(outlook::olDiscard); });
      oInspectorWrapper->Done();
    }
    // The mark would leave with the mail: nothing goes out with it (told below as not sent).
    if (!RemoveSendMode(oItem, false))
      vb::Raise(vb::kInvalidProcedureCall, L"the send mode's removal was refused");
    RL_mMain::BugFixTNEF(safe, true);

    auto utils = vb::CreateObject<redemption::MAPIUtils>(L"Redemption.MAPIUtils");
    auto copySafe = vb::CreateObject<redemption::SafeMailItem>(L"Redemption.SafeMailItem");
    target = oFolder ? oFolder : DraftsFolder();
    auto outbox = [] {
      FolderPtr folder;
      Held([&] { folder = Session()->GetDefaultFolder(outlook::olFolderOutbox); });
      return folder;
    };

    if (nSendMode == kSendModeOne) {
      bool bWasEmptyProp = false;
      progress.total = 1;
      if (hasTokens && !oJob->DoReplace(entryId, false, bWasEmptyProp, storeId, 0, true, false))
        bWasEmptyProp = Unfilled(proc, oItem);
      if (bWasEmptyProp || nSendAction == kSendActionFile) {
        MoveItemToFolder(oItem, target);
        if (bWasEmptyProp) progress.filedEmpty = 1;
      } else {
        ItemPtr queued = MoveItemToFolder(oItem, outbox());
        copySafe->SetItem(queued);
        // Refused a moment, the mail would wait in the Outbox never submitted. Refused for good,
        // it goes back where unsent mail is looked for, and the box names where it waits.
        if (!Retried([&] { copySafe->Send(); })) {
          const int32_t number = vb::Err().Number();
          const std::wstring description = vb::Err().Description();
          vb::Err().Clear();
          copySafe->SetItem(nullptr);
          FolderPtr waits;
          Quietly([&] {
            MoveItemToFolder(queued, target);
            waits = target;
          });
          Quietly([&] { waits = waits ? waits : outbox(); });
          Quietly([&] { progress.waitsIn = Need(waits)->Name(); });
          vb::Raise(number, description);
        }
        progress.sent = 1;
      }
      return;
    }

    // Each step of the loop is asked again while refused: a refusal a moment long must not stop
    // the sending part way.
    double delivery = 0;
    Held([&] { delivery = oItem->ReceivedTime() + GetTimeZoneBias(true) / kMinutesPerDay; });
    if (RL_mAddressBook::ExpandRecipients(RecipientsOf(safe))) Held([&] { oItem->Save(); });
    int32_t n = 0;
    Held([&] { n = RecipientsOf(safe)->Count(); });
    progress.total = n;
    progress.inLoop = true;
    for (int32_t i = 1; i <= n; ++i) {
      ItemPtr made;
      Held([&] { made = Need(oItem->Copy()); });
      ItemPtr copy = MoveItemToFolder(made, target);
      copySafe->SetItem(copy);
      KeepOnly(*RecipientsOf(copySafe), i, n);
      bool bWasEmptyProp = false;  // of this copy alone
      if (hasTokens) {
        std::wstring entryId, storeId;
        Held([&] {
          copy->Save();
          entryId = copy->EntryID();
          storeId = StoreIDOf(copy);
        });
        copySafe->SetItem(nullptr);
        copy = nullptr;
        const bool replaced =
            oJob->DoReplace(entryId, false, bWasEmptyProp, storeId, 0, true, false);
        Held([&] { copy = Need(Session()->GetItemFromID(entryId, storeId)); });
        copySafe->SetItem(copy);
        if (!replaced) bWasEmptyProp = Unfilled(proc, copy);
      }
      if (bWasEmptyProp || nSendAction == kSendActionFile) {
        Held([&] { utils->HrSetOneProp(copy, outlook::PR_MESSAGE_DELIVERY_TIME, delivery, true); });
        if (bWasEmptyProp) {
          ++progress.filedEmpty;
          LogWarning(proc, L"filed, a field had no value: " + copy->To());
        }
      } else {
        copySafe->SetItem(nullptr);
        ItemPtr moved;
        Held([&] { moved = copy->Move(outbox()); });
        if (moved) ++progress.inOutbox;
        copySafe->SetItem(Need(moved));
        Held([&] { copySafe->Send(); });
        ++progress.sent;
      }
      copySafe->SetItem(nullptr);
    }
    progress.inLoop = false;
    if (n > 0) {
      safe->SetItem(nullptr);
      // DeleteItem takes the EntryID the item has in Deleted Items, which a move may change.
      DeleteItem(oItem, true);
    }
  });

  const int32_t style = kStyleInfo | (bWord ? kForeground : 0);
  if (!done && progress.inLoop && nSendAction == kSendActionSend) {
    // The prepared mail still holds every recipient: a retry must know who already has it.
    Tell(L"STR_SEND2_STOPPED", style, progress);
  } else if (!done && progress.sent == 0 && (progress.committed || !oInspectorWrapper)) {
    // Before the questions, a mail with no window of its own (made and handed on at once, a
    // filed draft) would otherwise stay where it is untold; an open window's Send tells it.
    vb::MsgBox(progress.waitsIn.empty() ? LangText(L"STR_SEND2_FAILED")
                                        : LangText(L"STR_SEND2_NOT_SENT", progress.waitsIn),
               style);
  }
  if (target && (nSendAction == kSendActionFile || progress.filedEmpty > 0)) ShowFolder(target);
  if (progress.filedEmpty > 0 && nSendAction == kSendActionSend) {
    std::wstring name;
    Quietly([&] { name = target->Name(); });
    Tell(L"STR_SEND2_FILED_EMPTY", style, progress, name);
  }
}

}  // namespace road

namespace {
// The item itself, not a handle: a window's mail and the one ItemSend gets are other handles.
std::weak_ptr<outlook::Item> g_letGoHandle;
const outlook::Item* g_letGo = nullptr;
}  // namespace

void NoteLetGoAtSend(const ItemPtr& item) {
  g_letGoHandle = item;
  g_letGo = item.get();
}

bool TakeLetGoAtSend(const ItemPtr& item) {
  const bool same = item && !g_letGoHandle.expired() && g_letGo == item.get();
  g_letGoHandle.reset();
  g_letGo = nullptr;
  return same;
}

std::wstring WhyNotSentUnprocessed(const ItemPtr& item) {
  std::wstring stamp;
  if (!ReadAddinProperty(item, stamp)) return kOwnerNotRead;
  if (vb::LCase(stamp) != vb::LCase(Options().ProductCode())) return L"";
  int32_t mode = 0;
  if (!ReadSendMode(item, mode)) return L"Outlook refused to show its send mode";
  if (mode != kSendModeOne) return L"it is to go out as separate messages";
  JobPtr job;
  if (Services().CreateJob) job = Services().CreateJob();
  if (!job) return L"its fields could not be looked for: no personalization job";
  bool fields = false;
  std::wstring entryId, storeId;
  if (!Retried([&] {
        entryId = item->EntryID();
        storeId = StoreIDOf(item);
        fields = !entryId.empty() && job->HasReplaces(entryId, storeId);
      })) {
    const std::wstring refusal = vb::Err().Description();
    vb::Err().Clear();
    return L"its fields could not be looked for: " + refusal;
  }
  return fields ? L"it has fields to fill" : L"";
}

void DoSend2Action(const ItemPtr& oItem, int32_t nSendAction, int32_t nSendMode, bool& bShow,
                   bool bUnused, const std::shared_ptr<IInspectorWrapper>& oInspectorWrapper,
                   JobPtr oJob, const FolderPtr& oFolder) {
  (void)bUnused;
  bShow = false;
  ActionGuard guard(L"mTanvelo::DoSend2Action");
  if (!guard) return;
  Send2Action(oItem, nSendAction, nSendMode, bShow, oInspectorWrapper, std::move(oJob), oFolder);
}

}  // namespace mTanvelo
