// New mail from a template, new templates (empty or from a mail), the test whether a
// template is pre-addressed, and the conversion of old post-item templates.
#include <set>

#include "core/COptions.h"
#include "engine/CFrequentlyTemplates.h"
#include "engine/RoadSupport.h"
#include "engine/SystemFiling.h"
#include "platform/redemption/SafeItem.h"
#include "platform/vb/Runtime.h"

namespace mTanvelo {
namespace {

using namespace road;

constexpr int32_t kStyleExclamation = 48;
constexpr int32_t kStyleOkCancelWarn = 49;
constexpr int32_t kStyleYesNo = 4;
constexpr int32_t kForeground = 0x10000;
const wchar_t* const kUntitled = L"Untitled";
const wchar_t* const kPostFilter = L"[MessageClass] >= 'IPM.Post' And [MessageClass] < 'IPM.Post/'";

// The e-mail addresses of the contacts selected in the active explorer, each taken once.
std::vector<std::wstring> SelectedContactAddresses(const wchar_t* proc) {
  std::vector<std::wstring> addresses;
  std::set<std::wstring> taken;
  std::shared_ptr<outlook::Selection> selection;
  Quietly([&] { selection = Need(Need(g_oApp)->ActiveExplorer())->Selection(); });
  if (!selection) return addresses;
  auto contact = vb::CreateObject<redemption::SafeContactItem>(L"Redemption.SafeContactItem");
  for (const auto& item : *selection) {
    Quietly([&] {
      if (item->Class() != outlook::olContact) return;
      contact->SetItem(item);
      std::wstring address = contact->Email1Address();
      if (address.empty()) address = contact->Email2Address();
      if (address.empty()) address = contact->Email3Address();
      contact->SetItem(nullptr);
      if (address.empty()) {
        LogInfo(proc, L"Selected contact has no emailaddresses");
        return;
      }
      if (taken.insert(vb::LCase(address)).second) addresses.push_back(address);
    });
  }
  return addresses;
}

}  // namespace

void NewMailFromTemplate(std::wstring sTemplateID, bool& bFocus) {
  const wchar_t* proc = L"mTanvelo::NewMailFromTemplate";
  ActionGuard guard(proc);
  if (!guard) return;
  // Made, the mail is whole (stamped, its mode stored, saved): a later refusal never undoes it.
  ItemPtr made;
  bool shown = false, told = false;
  // Shown, or the user told where the mail waits. Null, its reload was refused past its tries
  // (the old object would show the fields unfilled).
  auto show = [&](const ItemPtr& mail) {
    // Held a moment, the window is asked for again.
    if (mail && Retried([&] { mail->Display(false); })) {
      shown = true;
      return;
    }
    vb::Err().Clear();
    std::wstring subject;
    if (!Retried([&] { subject = made->Subject(); })) vb::Err().Clear();
    LogError(proc, 0, L"the new mail \"" + subject + L"\" was made but could not be opened");
    Say(L"IDS_NEWMAIL_NOT_OPENED", kStyleExclamation);
    told = true;
  };
  Trap(proc, [&] {
    int32_t nSendMode = kSendModeOne;
    if (sTemplateID.empty() && !(Services().ShowSelectTemplate &&
                                 Services().ShowSelectTemplate(sTemplateID, nSendMode, 3, bFocus)))
      return;
    const bool preaddressed = TemplateHasRecipients(sTemplateID);
    if (preaddressed && vb::MsgBox(LangText(L"STR_TMPL_PREADRESSED2"),
                                   kStyleOkCancelWarn | (bFocus ? kForeground : 0)) == vb::vbCancel)
      return;
    const std::vector<std::wstring> addresses = SelectedContactAddresses(proc);

    bool unstamped = false;
    std::wstring modeUnstored;
    ItemPtr mail =
        NewMailFromTemplate_(sTemplateID, addresses, nSendMode, &unstamped, &modeUnstored);
    if (unstamped) Say(L"IDS_MAIL_NOT_STAMPED", kStyleExclamation);
    if (!modeUnstored.empty())
      vb::MsgBox(LangText(L"IDS_SEND_MODE_NOT_STORED", modeUnstored),
                 kStyleExclamation | (bFocus ? kForeground : 0));
    if (!mail) {  // nothing made, nothing counted; there is no merge to blame
      if (!unstamped && modeUnstored.empty()) Say(L"IDS_NEWMAIL_NOT_MADE", kStyleExclamation);
      return;
    }
    made = mail;
    if (g_oFrequentlyTemplates) g_oFrequentlyTemplates->IncUseCount(sTemplateID, kActionNewMail);

    if (nSendMode != kSendModeSeparate) {
      PersonalizeQuietly(mail);
      ReloadItem(mail);
      show(mail);
    } else if (!addresses.empty() || preaddressed) {
      bool bShow = false;
      told = true;  // the separate sending tells its own end
      Send2Action(mail, kSendActionSend, kSendModeSeparate, bShow, nullptr, nullptr, nullptr);
      if (bShow) show(mail);
    } else {
      show(mail);
    }
  });
  // Stopped after it was made, it waits in the drafts, and the user learns where.
  if (made && !shown && !told) show(nullptr);
}

ItemPtr NewMailFromTemplate_(const std::wstring& sTemplateID,
                             const std::vector<std::wstring>& addresses, int32_t nSendMode,
                             bool* unstamped, std::wstring* modeUnstored) {
  SystemFiling filing;
  const wchar_t* proc = L"mTanvelo::NewMailFromTemplate_";
  ItemPtr copy;
  // Each of Outlook's steps is asked again while refused (Held): one refusal must not cost the
  // new mail.
  ItemPtr made = TrapOr(proc, ItemPtr(), [&]() -> ItemPtr {
    ItemPtr tmpl;
    int32_t itemClass = 0;
    Held([&] {
      tmpl = Need(Session()->GetItemFromID(sTemplateID, TemplatesRoot()->StoreID()));
      itemClass = tmpl->Class();
    });
    if (itemClass != outlook::olMail) {
      LogError(proc, 0, L"Invalid template class - " + std::to_wstring(itemClass));
      return nullptr;
    }
    Held([&] { copy = Need(tmpl->Copy()); });
    Held([&] { copy = Need(copy->Move(DraftsFolder())); });
    std::wstring subject;
    auto named = [&] {
      Quietly([&] { subject = tmpl->Subject(); });
      return subject;
    };
    // Unstamped, its Send would not be ours and its fields would leave unfilled.
    if (!SetAddinProperty(copy, Options().ProductCode(), false)) {
      LogError(proc, 0, L"the new mail could not be stamped, so it was not made - " + named());
      if (unstamped) *unstamped = true;
      return nullptr;
    }
    // Without its mode, a mail meant for separate messages would go out as one to all.
    if (!SetSendMode(copy, nSendMode, false) && nSendMode == kSendModeSeparate) {
      if (modeUnstored) {
        *modeUnstored = named().empty() ? LangText(L"STR_UNTITLED_MAIL") : subject;
        LogError(proc, 0,
                 L"separate sending could not be stored on the new mail, so it was not made - " +
                     *modeUnstored);
      }
      return nullptr;
    }
    RemoveHotkeyProperties(copy, false);
    UnmarkFavoriteTemplate(copy, false);
    if (!addresses.empty()) {
      std::shared_ptr<outlook::Recipients> recipients;
      Held([&] { recipients = Need(Need(GetSafeItem(copy))->Recipients()); });
      for (const auto& address : addresses) {
        // One recipient object across the tries: a retried step must not add it twice.
        std::shared_ptr<outlook::Recipient> added;
        Held([&] {
          if (!added) added = Need(recipients->Add(address));
          added->Resolve();  // one that does not resolve stays, as the user typed it
        });
      }
    }
    Held([&] { copy->Save(); });
    return copy;
  });
  // A copy that did not become the new mail would stay as a stray duplicate of the template.
  if (!made && copy) DeleteItem(copy, true);
  return made;
}

ItemPtr NewTemplate(const FolderPtr& folder) {
  SystemFiling filing;
  ItemPtr item;
  bool saved = false;
  // Outlook busy a moment must not swallow the click: each step is asked again.
  auto held = [](const std::function<void()>& call) {
    if (!Retried(call)) vb::Raise(vb::Err().Number(), vb::Err().Description());
  };
  ItemPtr made = TrapOr(L"mTanvelo::NewTemplate", ItemPtr(), [&] {
    FolderPtr target = folder && IsTemplateFolder(folder) ? folder : TemplatesRoot();
    held([&] { item = Need(Need(g_oApp)->CreateItem(outlook::olMailItem)); });
    const std::wstring subject = GetNewTemplateSubject(target->EntryID(), kUntitled);
    held([&] { item->SetSubject(subject); });
    if (!SetAddinProperty(item, Options().ProductCode(), false))
      LogError(L"mTanvelo::NewTemplate", 0,
               L"the new template " + subject + L" was made without the program's stamp");
    held([&] { item->Save(); });
    saved = true;
    ItemPtr moved;
    held([&] {
      moved = item->Move(Session()->GetFolderFromID(target->EntryID(), TemplatesRoot()->StoreID()));
    });
    return moved;
  });
  // Saved on its way to the templates folder and stopped there, it would stay in Drafts.
  if (!made && saved) DeleteItem(item, true);
  return made;
}

namespace {

// The mail a template is made from: the one named, or the first selected. Nothing selected, no
// explorer, or an EntryID that names no item leave `source` empty and answer true; false when
// Outlook refused to answer (asked again first), with its error in `refusal`.
bool SourceOfNewTemplate(const std::wstring& sEntryID, const std::wstring& vStoreID,
                         ItemPtr& source, std::wstring& refusal) {
  bool refused = false;
  bool answered = Retried([&] {
    source = nullptr;
    try {
      if (!sEntryID.empty()) {
        source = Session()->GetItemFromID(sEntryID, vStoreID);
        return;
      }
      auto explorer = Need(g_oApp)->ActiveExplorer();
      if (!explorer) return;
      auto selection = explorer->Selection();
      if (selection->Count() > 0) source = selection->Item(1);
    } catch (const vb::Error& e) {
      // Not found at every try is an EntryID naming nothing; any other answer is a refusal.
      refused = refused || sEntryID.empty() || e.Number() != outlook::kErrNotFound;
      throw;
    }
  });
  if (answered || !refused) {
    if (!answered) source = nullptr;
    vb::Err().Clear();
    return true;
  }
  refusal = vb::Err().Description();
  vb::Err().Clear();
  return false;
}

}  // namespace

void NewTemplateFromMail(const std::wstring& sEntryID, const std::wstring& vStoreID,
                         bool bForeground) {
  SystemFiling filing;
  const wchar_t* proc = L"mTanvelo::NewTemplateFromMail";
  ItemPtr onItsWay;  // saved, not yet filled with the mail's content
  bool made = false, failed = false;
  // Outlook busy a moment must not cost the user the template: each step is asked again.
  auto held = [](const std::function<void()>& call) {
    if (!Retried(call)) vb::Raise(vb::Err().Number(), vb::Err().Description());
  };
  const bool ended = Trap(proc, [&] {
    ItemPtr source;
    std::wstring refusal;
    if (!SourceOfNewTemplate(sEntryID, vStoreID, source, refusal)) {
      LogError(proc, 0, L"Item not found: " + refusal);
      failed = true;
      return;
    }
    if (!source) {
      LogInfo(proc, L"Item not found");
      return;
    }
    if (source->Class() != outlook::olMail) {
      LogError(proc, 0, L"invalid item class - " + std::to_wstring(source->Class()));
      return;
    }
    ItemPtr item;
    held([&] { item = Need(Need(g_oApp)->CreateItem(outlook::olMailItem)); });
    const bool stamped = SetAddinProperty(item, Options().ProductCode(), false);
    held([&] { item->SetSubject(kUntitled); });
    auto parent = item->Parent();
    if (!parent || !IsTemplateFolder(parent)) {
      FolderPtr current;
      Quietly([&] { current = Need(g_oApp->ActiveExplorer())->CurrentFolder(); });
      FolderPtr folder = current && IsTemplateFolder(current) ? current : TemplatesRoot();
      held([&] { item->Save(); });
      onItsWay = item;
      held([&] { item = Need(item->Move(folder)); });
      onItsWay = item;
    }
    held([&] { item->Save(); });
    onItsWay = item;
    bool copied = false, refused = false;
    CopyBodySubjectAttachments(source, item, false, &copied, &refused);
    if (!copied || refused) {
      // An empty "Untitled", or one short of the mail's attachments, is not the template the
      // user asked for.
      std::wstring subject;
      Quietly([&] { subject = source->Subject(); });
      LogError(proc, 0,
               L"new template not made from the mail '" + subject + L"'" +
                   (refused ? L": an attachment could not be copied" : L""));
      failed = true;
      return;
    }
    onItsWay = nullptr;  // saved whole by the copy
    made = true;
    auto folder = Need(item->Parent());
    if (item->Subject().empty())
      item->SetSubject(GetNewTemplateSubject(folder->EntryID(), kUntitled));
    // The stamp refused at every try is asked for once more before the last save; still
    // refused, the template is named: it would not count as one the system made.
    if (!stamped && !SetAddinProperty(item, Options().ProductCode(), false)) {
      std::wstring subject;
      Quietly([&] { subject = item->Subject(); });
      LogError(proc, 0, L"the template '" + subject + L"' was made without the program's stamp");
    }
    if (!Retried([&] { item->Save(); })) {
      // Unsaved, it would keep only what the copy saved: the body without its attachments.
      const int32_t number = vb::Err().Number();
      const std::wstring description = vb::Err().Description();
      std::wstring subject;
      Quietly([&] { subject = source->Subject(); });
      LogError(proc, number, description,
               L"new template not made from the mail '" + subject + L"': not saved");
      onItsWay = item;
      made = false;
      failed = true;
      return;
    }
    if (vb::MsgBox(LangText(L"STR_NEW_TEMPLATE_FROM_MAIL", folder->Name()),
                   kStyleYesNo | (bForeground ? kForeground : 0)) != vb::vbYes)
      return;
    Quietly([&] { source->Close(outlook::olPromptForSave); });
    // Asked again while refused: the user said yes to editing it, and would find no window.
    if (!Retried([&] {
          Need(Session()->GetItemFromID(item->EntryID(), TemplatesRoot()->StoreID()))
              ->Display(false);
        })) {
      LogError(proc);
      SayTemplateNotOpened(item, bForeground);
    }
  });
  // Stopped half-made, it would stay in Drafts or among the templates as an empty mail.
  if (onItsWay) DeleteItem(onItsWay, true);
  // The user asked for a template: one not made is said, not only logged.
  if (failed || (!ended && !made))
    vb::MsgBox(LangText(L"STR_SAVE_AS_TEMPLATE_FAILED"),
               kStyleExclamation | (bForeground ? kForeground : 0));
}

bool TemplateHasRecipients(const std::wstring& sTemplateID) {
  bool has = false;
  // Held a moment, asked again: taken for none, separate sending would not start.
  Retried([&] {
    has = false;
    auto item = Need(Session()->GetItemFromID(sTemplateID, TemplatesRoot()->StoreID()));
    if (item->Class() != outlook::olMail) return;
    has = Need(Need(GetSafeItem(item))->Recipients())->Count() > 0;
  });
  vb::Err().Clear();
  return has;
}

void PostItems2MailItems(const FolderPtr& folder, bool& bAsked, bool& bCancelled) {
  SystemFiling filing;
  const wchar_t* proc = L"mTanvelo::PostItems2MailItems";
  Trap(proc, [&] {
    std::vector<std::wstring> ids;
    auto items = Need(folder)->Items();
    for (auto item = items->Find(kPostFilter); item; item = items->FindNext())
      ids.push_back(item->EntryID());
    if (!ids.empty()) {
      if (!bAsked && vb::MsgBox(LangText(L"STR_CONVERT_POSTITEMS"), kStyleYesNo) == vb::vbNo) {
        bCancelled = true;
        return;
      }
      bAsked = true;
      for (const auto& id : ids) {
        auto post = Session()->GetItemFromID(id, folder->StoreID());
        // Both kept would show the template twice: a refused delete is asked again, and logged.
        if (PostItem2MailItem(post)) Insist(proc, [&] { post->Delete(); });
      }
    }
    for (const auto& subfolder : folder->Folders()->All()) {
      PostItems2MailItems(subfolder, bAsked, bCancelled);
      if (bCancelled) break;
    }
  });
}

ItemPtr PostItem2MailItem(const ItemPtr& post) {
  SystemFiling filing;
  const wchar_t* proc = L"mTanvelo::PostItem2MailItem";
  ItemPtr mail;
  bool complete = false;
  Trap(proc, [&] {
    auto postFolder = Need(Need(post)->Parent());
    mail = Need(Need(g_oApp)->CreateItem(outlook::olMailItem));
    mail->Save();
    if (Need(mail->Parent())->EntryID() != postFolder->EntryID())
      mail = Need(mail->Move(postFolder));
    complete = CopyBodySubjectAttachments(post, mail, true);
    // The post is the only complete copy of the user's template: keep it.
    if (!complete)
      LogWarning(proc, L"the copy is incomplete, the post item is kept: " + post->Subject());
  });
  if (complete) return mail;
  // Neither an empty mail nor a half-made template stays behind.
  if (mail) DeleteItem(mail, true);
  return nullptr;
}

}  // namespace mTanvelo
