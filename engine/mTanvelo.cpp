#include "engine/mTanvelo.h"

#include <functional>

#include "core/CLang.h"
#include "core/COptions.h"
#include "core/Main.h"
#include "engine/TextNumber.h"
#include "engine/mBody.h"
#include "platform/outlook/Outlook.h"
#include "platform/redemption/SafeItem.h"
#include "platform/vb/Need.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/Clock.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Reset.h"

namespace mTanvelo {
namespace {

constexpr int32_t kMarkedFlag = 2;
constexpr int32_t kFavouriteFlagIcon = 5;
constexpr int32_t kIconReplied = 261;
constexpr int32_t kIconForwarded = 262;
const std::wstring kStandardFolder = L"Standard Templates";
const std::wstring kNewMessageFolder = L"New Message Templates";

using vb::Need;

std::shared_ptr<outlook::MAPIFolder> TemplatesRoot() {
  return Need(g_oTemplatesFolder);
}

std::shared_ptr<outlook::NameSpace> Session() {
  return Need(Need(g_oApp)->Session());
}

// One statement whose error is ignored, leaving no error behind.
template <class F>
void Quietly(F&& statement) {
  vb::Ignore(std::forward<F>(statement));
  vb::Err().Clear();
}

template <class R, class F>
R QuietlyOr(R fallback, F&& body) {
  R result = std::move(fallback);
  Quietly([&] { result = body(); });
  return result;
}

std::shared_ptr<outlook::UserProperty> FindProperty(const ItemPtr& item, const wchar_t* name) {
  return Need(item)->UserProperties()->Find(name);
}

// Adds the property when missing (with the folder-fields flag given) and stores the text.
void WriteProperty(const ItemPtr& item, const wchar_t* name, const std::wstring& value,
                   bool addToFolderFields) {
  auto property = FindProperty(item, name);
  if (!property) property = item->UserProperties()->Add(name, outlook::olText, addToFolderFields);
  property->SetValue(value);
}

void DeleteProperty(const ItemPtr& item, const wchar_t* name) {
  if (auto property = FindProperty(item, name)) property->Delete();
}

bool CheckRecipients(outlook::Recipients& recipients, const std::wstring& subject, bool bOnTop,
                     bool bSilent) {
  const wchar_t* prompt = nullptr;
  const wchar_t* title = nullptr;
  int32_t count = 0;
  bool all = false;
  // Held a moment, asked again; past every try raised to the Send, which tells it.
  if (!Retried([&] { count = recipients.Count(); }) ||
      (count > 0 && !Retried([&] { all = recipients.ResolveAll(); })))
    vb::Raise(vb::Err().Number(), vb::Err().Description());
  if (count == 0) {
    prompt = L"STR_NORECIPIENTS_PROMPT";
    title = L"STR_NORECIPIENTS_TITLE";
  } else if (!all) {
    prompt = L"STR_CANT_RESOLVE_PROMPT";
    title = L"STR_CANT_RESOLVE_TITLE";
  }
  if (!prompt) return true;
  if (!bSilent) {
    std::wstring shownSubject = subject.empty() ? LangText(L"STR_UNTITLED_MAIL") : subject;
    vb::MsgBox(LangText(prompt), bOnTop ? win32::MB_TOPMOST : win32::MB_SETFOREGROUND,
               LangText(title, shownSubject));
  }
  return false;
}

}  // namespace

// --- Marks on items ---------------------------------------------------------------------------

bool ReadAddinProperty(const ItemPtr& item, std::wstring& value) {
  const bool read = Retried([&] {
    auto property = FindProperty(item, kAddinProperty);
    value = property ? property->Value() : std::wstring();
  });
  if (!read) value.clear();
  vb::Err().Clear();
  return read;
}

std::wstring GetAddinProperty(const ItemPtr& item) {
  std::wstring value;
  ReadAddinProperty(item, value);
  return value;
}

bool SetAddinProperty(const ItemPtr& item, const std::wstring& value, bool bSave) {
  bool done = Retried([&] {
    if (!value.empty())
      WriteProperty(item, kAddinProperty, value, false);
    else
      DeleteProperty(item, kAddinProperty);
  });
  if (bSave) done = Retried([&] { Need(item)->Save(); }) && done;
  vb::Err().Clear();
  return done;
}

bool HasAddinStamp(const ItemPtr& item) {
  return QuietlyOr(false, [&] {
    return vb::LCase(GetAddinProperty(item)) == vb::LCase(Options().ProductCode());
  });
}

bool ReadSendMode(const ItemPtr& item, int32_t& nMode) {
  std::wstring text;
  bool present = false;
  const bool read = Retried([&] {
    auto property = FindProperty(item, kSendModeProperty);
    present = property != nullptr;
    text = present ? property->Value() : std::wstring();
  });
  vb::Err().Clear();
  if (!read) return false;
  nMode = present ? TrapOr(L"mTanvelo::GetSendMode", 0, [&] { return CLngText(text); }) : 1;
  return true;
}

int32_t GetSendMode(const ItemPtr& item) {
  int32_t mode = 0;
  if (!ReadSendMode(item, mode))
    LogError(L"mTanvelo::GetSendMode", 0, L"the send mode was not read");
  return mode;
}

bool SetSendMode(const ItemPtr& item, int32_t nMode, bool bSave) {
  // Asked again while refused: a mail without its mode is sent as the default would send it.
  return Insist(L"mTanvelo::SetSendMode", item, L"The send mode", [&] {
    auto property = FindProperty(item, kSendModeProperty);
    if (!property) property = item->UserProperties()->Add(kSendModeProperty, outlook::olText);
    property->SetValue(std::to_wstring(nMode));
    if (bSave) item->Save();
  });
}

bool RemoveSendMode(const ItemPtr& item, bool bSave) {
  // Asked again while refused; still refused, told: the mail would keep a mode it was not given.
  return Insist(L"mTanvelo::RemoveSendMode", item, L"The send mode's removal", [&] {
    DeleteProperty(item, kSendModeProperty);
    if (bSave) Need(item)->Save();
  });
}

void SetHotkeyProperties(const ItemPtr& item, const std::wstring& sHotkey,
                         const std::wstring& sAction) {
  // Asked again while refused; still refused, told: the template would not show its key.
  Insist(L"mTanvelo::SetHotkeyProperties", item, L"The hotkey " + sHotkey, [&] {
    WriteProperty(item, kHotkeyProperty, sHotkey, true);
    WriteProperty(item, kHotkeyActionProperty, sAction, true);
    Need(item)->Save();
  });
}

bool RemoveHotkeyProperties(const ItemPtr& item, bool bSave) {
  // Asked again while refused; still refused, told: the template would keep a key it lost.
  const bool done = Insist(L"mTanvelo::RemoveHotkeyProperties", item, L"The hotkey's removal", [&] {
    DeleteProperty(item, kHotkeyProperty);
    DeleteProperty(item, kHotkeyActionProperty);
    if (bSave) Need(item)->Save();
  });
  vb::Err().Clear();
  return done;
}

// The mark is asked again while refused: an unsaved change is gone once the item is let go.
void MarkFavoriteTemplate(const ItemPtr& item, bool bSave) {
  int32_t version = GetAppVersion();
  Insist(L"mTanvelo::MarkFavoriteTemplate", item, L"The favourite mark", [&] {
    if (version >= 12) {
      Need(item)->SetMileage(L"1");
    } else {
      Need(item)->SetFlagStatus(kMarkedFlag);
      if (version >= 10) Need(item)->SetFlagIcon(kFavouriteFlagIcon);  // none before 2002
    }
    if (bSave) Need(item)->Save();
  });
  vb::Err().Clear();
}

void UnmarkFavoriteTemplate(const ItemPtr& item, bool bSave) {
  int32_t version = GetAppVersion();
  Insist(L"mTanvelo::UnmarkFavoriteTemplate", item, L"The favourite mark's removal", [&] {
    Need(item)->SetFlagStatus(0);
    if (version >= 10) Need(item)->SetFlagIcon(0);
    if (version >= 12) Need(item)->SetMileage(L"");
    if (bSave) Need(item)->Save();
  });
  vb::Err().Clear();
}

bool IsFavoriteTemplate(const ItemPtr& item) {
  return QuietlyOr(false, [&] {
    if (GetAppVersion() >= 12) return Need(item)->Mileage() == L"1";
    return Need(item)->FlagStatus() == kMarkedFlag;
  });
}

// --- Default template ---------------------------------------------------------------------------

bool IsDefaultTemplate(const std::wstring& sEntryID) {
  if (sEntryID.empty()) return false;
  std::wstring current;
  // Taken for "not the default", a refused read would offer, or make, the default again, and
  // lose it where it should follow the template.
  if (!Options().ReadDefaultTemplateID(current))
    vb::Raise(vb::kInternalError, L"the registry refused the default template");
  return sEntryID == current;
}

bool SetDefaultTemplate(const ItemPtr& item) {
  // A step refused past its tries is skipped and told; the mark is still given, as the user
  // asked for a favourite too. The former default is never overwritten with an empty id.
  std::wstring id;
  bool set = true;
  if (item && !Retried([&] { id = item->EntryID(); })) {
    std::wstring subject;
    Quietly([&] { subject = item->Subject(); });
    LogError(L"mTanvelo::SetDefaultTemplate", std::nullopt, std::nullopt,
             L"the default template was not set: " + subject);
    set = false;
  }
  // A value not written is logged by the options, naming it.
  if (set) set = Options().SetDefaultTemplateID(id);
  if (item) MarkFavoriteTemplate(item, true);
  return set;
}

bool ClearDefaultTemplate() {
  return SetDefaultTemplate(nullptr);
}

void ToggleDefaultTemplate(const ItemPtr& item, const std::wstring& sEntryID) {
  std::wstring current;
  // Taken for "not the default", a refused read would set again the default the user clears.
  if (!Options().ReadDefaultTemplateID(current)) {
    std::wstring subject;
    Quietly([&] { subject = Need(item)->Subject(); });
    LogError(L"mTanvelo::ToggleDefaultTemplate", 0,
             L"the default template could not be read, so not changed: " + subject);
    return;
  }
  if (!sEntryID.empty() && sEntryID == current)
    ClearDefaultTemplate();
  else
    SetDefaultTemplate(item);
}

// --- Templates
// ------------------------------------------------------------------------------------

bool TemplateItemOrRaise(const ItemPtr& item) {
  if (Need(item)->Class() != outlook::olMail || item->Sent()) return false;
  const std::wstring rootId = TemplatesRoot()->EntryID();
  // The EntryID alone decides: the walk ends above the top folder of the item's store.
  std::shared_ptr<outlook::MAPIFolder> folder = item->Parent();
  while (folder) {
    if (folder->EntryID() == rootId) return true;
    auto parent = folder->Parent();
    folder = parent && parent->Class() == outlook::olFolder
                 ? std::dynamic_pointer_cast<outlook::MAPIFolder>(parent)
                 : nullptr;
  }
  return false;
}

bool IsTemplateItem(const ItemPtr& item) {
  return QuietlyOr(false, [&] { return TemplateItemOrRaise(item); });
}

bool TemplateFolderOrRaise(const FolderPtr& folder) {
  auto root = TemplatesRoot();
  if (Need(folder)->StoreID() != root->StoreID()) return false;
  for (auto current = folder;;) {
    if (current->EntryID() == root->EntryID()) return true;
    auto parent = current->Parent();
    if (!parent || parent->Class() != outlook::olFolder) return false;
    current = std::dynamic_pointer_cast<outlook::MAPIFolder>(parent);
    if (!current) return false;
  }
}

bool IsTemplateFolder(const FolderPtr& folder) {
  bool answer = false;
  // Outlook busy a moment must not take the templates tree for another folder.
  if (Retried([&] { answer = TemplateFolderOrRaise(folder); })) return answer;
  LogError(L"mTanvelo::IsTemplateFolder");
  return false;
}

ItemPtr GetTemplate(const std::wstring& sEntryID, bool* refused) {
  auto look = [&]() -> ItemPtr {
    auto item = Session()->GetItemFromID(sEntryID, TemplatesRoot()->StoreID());
    return item && TemplateItemOrRaise(item) ? item : nullptr;
  };
  // A refusal is asked again: callers drop the usage record or hotkey of a template they take
  // for gone. "Not found" at every try is a template that is gone; any other answer among them
  // a refusal.
  ItemPtr found;
  bool other = false;
  const bool answered = Retried([&] {
    try {
      found = look();
    } catch (const vb::Error& e) {
      other = other || e.Number() != outlook::kErrNotFound;
      throw;
    }
  });
  if (!answered) vb::Err().Clear();
  if (refused) *refused = !answered && other;
  return found;
}

bool DisplayTemplate(const ItemPtr& item, bool bModal) {
  const wchar_t* proc = L"mTanvelo::DisplayTemplate";
  LogInfo(proc, std::wstring(L"oTemplate.Display bModal:= ") + (bModal ? L"true" : L"false"));
  return Trap(proc, [&] {
    // Outlook busy a moment must not leave the template unopened.
    if (!Retried([&] { Need(item)->Display(bModal); }))
      vb::Raise(vb::Err().Number(), vb::Err().Description());
    if (bModal) {
      LogInfo(proc, L"DoEvents");
      vb::DoEvents();
    }
  });
}

void SayTemplateNotOpened(const ItemPtr& item, bool bForeground) {
  std::wstring subject, folder;
  Quietly([&] { subject = Need(item)->Subject(); });
  Quietly([&] { folder = Need(item->Parent())->Name(); });
  vb::MsgBox(LangText(L"STR_TEMPLATE_NOT_OPENED", subject, folder),
             win32::MB_ICONEXCLAMATION | (bForeground ? win32::MB_SETFOREGROUND : 0));
}

void OpenTemplateDuplicate(const std::wstring& sEntryID) {
  Trap(L"mTanvelo::OpenTemplateDuplicate", [&] {
    ItemPtr original;
    // Refused past its tries, the lookup is told, not taken for a mail that is no template.
    if (!Retried([&] {
          auto item = Session()->GetItemFromID(sEntryID, TemplatesRoot()->StoreID());
          original = item && TemplateItemOrRaise(item) ? item : nullptr;
        })) {
      LogError(L"mTanvelo::OpenTemplateDuplicate", std::nullopt, std::nullopt,
               L"the template to duplicate could not be read, no duplicate was made");
      return;
    }
    if (!original) return;
    auto folder = Need(original->Parent());
    std::wstring subject = GetNewTemplateSubject(folder->EntryID(), original->Subject());
    // Outlook busy a moment must not cost the duplicate: each step is asked again. A copy
    // still refused its name is not left beside the original under the same one.
    ItemPtr copy;
    if (!Retried([&] { copy = Need(original->Copy()); })) {
      LogError(L"mTanvelo::OpenTemplateDuplicate", std::nullopt, std::nullopt,
               L"the duplicate " + subject + L" was not made");
      return;
    }
    auto notMade = [&] {
      LogError(L"mTanvelo::OpenTemplateDuplicate", std::nullopt, std::nullopt,
               L"the duplicate " + subject + L" was not made");
      DeleteItem(copy, true);
    };
    // Named first, so a refusal below is told under the duplicate's own subject.
    if (!Retried([&] { copy->SetSubject(subject); })) {
      notMade();
      return;
    }
    // The binding lives in the registry under the original's EntryID, so the copy never answers
    // the key: copied hotkey properties only show in the folder view, and the copy is kept.
    if (!RemoveHotkeyProperties(copy, false))
      LogError(L"mTanvelo::OpenTemplateDuplicate", 0,
               L"the duplicate " + subject +
                   L" was made with the original's hotkey properties not removed: its hotkey "
                   L"column shows a key it does not answer");
    const bool stamped = SetAddinProperty(copy, Options().ProductCode(), false);
    if (!Retried([&] { copy->Save(); })) {
      notMade();
      return;
    }
    if (!stamped)
      LogError(L"mTanvelo::OpenTemplateDuplicate", 0,
               L"the duplicate " + subject + L" was made without the program's stamp");
    DisplayTemplate(copy, false);
  });
}

std::wstring GetNewTemplateSubject(const std::wstring& sFolderEntryID,
                                   const std::wstring& vSubject) {
  size_t digits = 0;
  auto isDigit = [](wchar_t c) { return c >= L'0' && c <= L'9'; };
  while (digits < 6 && digits < vSubject.size() && isDigit(vSubject[vSubject.size() - 1 - digits]))
    ++digits;
  const std::wstring base = vSubject.substr(0, vSubject.size() - digits);
  const int32_t number = digits ? std::stoi(vSubject.substr(vSubject.size() - digits)) : 0;
  std::wstring candidate;
  // Outlook busy a moment must not give a duplicate the name of the one it copies.
  if (Retried([&] {
        auto folder = Session()->GetFolderFromID(sFolderEntryID, TemplatesRoot()->StoreID());
        auto items = Need(folder)->Items();
        for (int32_t k = 1; k <= 99; ++k) {
          candidate = base + std::to_wstring(number + k);
          if (!items->Find(L"[MessageClass] = 'IPM.Note' And [Subject]='" + FilterText(candidate) +
                           L"'"))
            break;
        }
      }))
    return candidate;
  LogError(L"mTanvelo::GetNewTemplateSubject", std::nullopt, std::nullopt,
           L"no free name found after " + base);
  return base;
}

std::wstring FilterText(const std::wstring& text) {
  return ReplaceAll(text, L"'", L"''");
}

// --- Mail item helpers
// ----------------------------------------------------------------------------

int32_t GetTemplateBodyFormat(const ItemPtr& item, bool bSave, bool bSwitch) {
  return mBody::SafeGetHTMLBody(item, bSave, bSwitch).empty() ? outlook::olFormatPlain
                                                              : outlook::olFormatHTML;
}

std::wstring Txt2Html(const std::wstring& text) {
  return TrapOr(L"mTanvelo::Txt2Html", std::wstring(), [&] {
    std::wstring body =
        ReplaceAll(ReplaceAll(ReplaceAll(text, L"<", L"&lt;"), L">", L"&gt;"), L"\r", L"<BR>");
    return L"<HTML><BODY><P><FONT size=2><FONT face=\"Courier New\">" + body +
           L"</FONT><BR></FONT></P></BODY></HTML>";
  });
}

bool Insist(std::wstring_view procedure, const std::function<void()>& step) {
  if (Retried(step)) return true;
  LogError(procedure);
  return false;
}

bool Insist(std::wstring_view procedure, const ItemPtr& item, std::wstring_view what,
            const std::function<void()>& step) {
  if (Retried(step)) return true;
  const int32_t number = vb::Err().Number();
  const std::wstring description = vb::Err().Description();
  std::wstring subject;
  vb::Catch([&] { subject = Need(item)->Subject(); });
  LogError(procedure, number, description,
           std::wstring(what) + L" of \"" + subject + L"\" not done");
  return false;
}

namespace {

constexpr uint32_t kTidyInterval = 250;  // ms between rounds

struct Untidy {
  std::wstring what;
  std::function<bool()> step;
  int rounds = 0;
};

struct TidyState {
  std::vector<Untidy> pending;
  uint32_t timer = 0;
};

TidyState& Tidy() {
  return win32::PlatformState<TidyState>();
}

// One try of a step left for later; an error is a refusal like a false answer.
template <typename Left>
bool TryOnce(Left& left) {
  bool gone = false;
  if (!vb::Catch([&] { gone = left.step(); })) vb::Err().Clear();
  return gone;
}

void TidyRound() {
  auto& tidy = Tidy();
  tidy.timer = 0;
  auto pending = std::move(tidy.pending);
  tidy.pending.clear();
  for (auto& left : pending) {
    if (TryOnce(left)) continue;
    if (++left.rounds < kHeldTries) {
      tidy.pending.push_back(std::move(left));
      continue;
    }
    LogError(L"mTanvelo::AskLater", 0, L"not done - " + left.what);
  }
  if (!tidy.pending.empty()) tidy.timer = win32::clock::SetTimer(kTidyInterval, TidyRound);
}

// One try of each step of a deletion; false (nothing logged) while refused.
bool DeleteOnce(const ItemPtr& item, bool bForGood, ItemPtr& moved) {
  return Retried([&] {
    if (!moved) {
      auto deleted = Session()->GetDefaultFolder(outlook::olFolderDeletedItems);
      moved = Need(Need(item)->Move(deleted));
    }
    if (bForGood) moved->Delete();
  });
}

}  // namespace

void AskLater(const std::wstring& what, std::function<bool()> step) {
  auto& tidy = Tidy();
  tidy.pending.push_back({what, std::move(step), 0});
  if (tidy.timer == 0) tidy.timer = win32::clock::SetTimer(kTidyInterval, TidyRound);
}

void StopAskingLater() {
  auto& tidy = Tidy();
  win32::clock::KillTimer(tidy.timer);
  tidy.timer = 0;
  auto pending = std::move(tidy.pending);
  tidy.pending.clear();
  for (auto& left : pending)
    if (!TryOnce(left)) LogError(L"mTanvelo::AskLater", 0, L"not done at the end - " + left.what);
  // A last try that asked for a later moment again has none left.
  for (const auto& left : tidy.pending)
    LogError(L"mTanvelo::AskLater", 0, L"not done at the end - " + left.what);
  win32::clock::KillTimer(tidy.timer);
  tidy.timer = 0;
  tidy.pending.clear();
}

bool DeleteItem(const ItemPtr& item, bool bForGood) {
  // A passing copy must not stay behind where the user sees it.
  std::wstring entryId, storeId;
  ItemPtr moved;
  auto later = [&](const wchar_t* step) {
    if (!item) return;
    std::wstring subject;
    if (!Retried([&] { subject = Need(moved ? moved : item)->Subject(); })) vb::Err().Clear();
    AskLater(L"the passing copy \"" + subject + L"\" was not removed (" + step + L")",
             [item, moved, bForGood]() mutable { return DeleteOnce(item, bForGood, moved); });
  };
  if (!Insist(L"mTanvelo::DeleteItem(first delete)", [&] {
        if (!moved) {
          auto deleted = Session()->GetDefaultFolder(outlook::olFolderDeletedItems);
          moved = Need(Need(item)->Move(deleted));
        }
        entryId = moved->EntryID();
        storeId = Need(moved->Parent())->StoreID();
      })) {
    later(L"first delete");
    return false;
  }
  if (!bForGood) return true;
  if (Insist(L"mTanvelo::DeleteItem(second delete)",
             [&] { Need(Session()->GetItemFromID(entryId, storeId))->Delete(); }))
    return true;
  later(L"second delete");
  return false;
}

std::wstring SafeGetSenderName(const ItemPtr& item) {
  return TrapOr(L"mTanvelo::SafeGetSenderName", std::wstring(), [&] {
    auto safe = vb::CreateObject<redemption::SafeMailItem>(L"Redemption.SafeMailItem");
    safe->SetItem(item);
    std::wstring name = safe->SenderName();
    safe->SetItem(nullptr);
    return name;
  });
}

namespace {
// The recipients and subject asked again while refused: one refusal must not stop a Send.
template <class Item>
bool CheckHeldRecipients(const std::shared_ptr<Item>& item, bool bOnTop, bool bSilent) {
  std::shared_ptr<outlook::Recipients> recipients;
  std::wstring subject;
  if (!Retried([&] {
        recipients = Need(Need(item)->Recipients());
        subject = item->Subject();
      }))
    vb::Raise(vb::Err().Number(), vb::Err().Description());
  return CheckRecipients(*recipients, subject, bOnTop, bSilent);
}
}  // namespace

bool CheckRecipientsBeforeSend(const ItemPtr& item, bool bOnTop, bool bSilent) {
  return CheckHeldRecipients(item, bOnTop, bSilent);
}

bool CheckRecipientsBeforeSend(const std::shared_ptr<redemption::SafeItem>& item, bool bOnTop,
                               bool bSilent) {
  return CheckHeldRecipients(item, bOnTop, bSilent);
}

int32_t GetTimeZoneBias(bool bDaylight) {
  win32::TIME_ZONE_INFORMATION zone;
  uint32_t answer = win32::GetTimeZoneInformation(&zone);
  if (answer == win32::TIME_ZONE_ID_INVALID) return 0;
  if (!bDaylight) return zone.Bias;
  // A zone without daylight saving answers "unknown" and still has its bias.
  if (answer == win32::TIME_ZONE_ID_DAYLIGHT) return zone.Bias + zone.DaylightBias;
  return zone.Bias + zone.StandardBias;
}

ItemPtr MoveItemToFolder(const ItemPtr& item, const FolderPtr& folder) {
  // Asked again while refused (the item held a moment): a reply left half way in Drafts would
  // look like a finished one. Still refused, the last refusal is the caller's.
  ItemPtr moved = item;
  if (!Retried([&] {
        if (Need(Need(item)->Parent())->EntryID() != Need(folder)->EntryID())
          moved = item->Move(folder);
      }))
    vb::Raise(vb::Err().Number(), vb::Err().Description());
  return moved;
}

void ShowFolder(const FolderPtr& folder) {
  Quietly([&] {
    auto explorer = Need(Need(g_oApp)->ActiveExplorer());
    if (explorer->CurrentFolder() == folder) return;
    vb::DoEvents();
    explorer->SetCurrentFolder(folder);
  });
}

void ReloadItem(ItemPtr& item) {
  // Each step refused is asked again: the caller would take the saved mail for never made.
  const wchar_t* proc = L"mTanvelo::ReloadItem";
  std::wstring entryId, storeId;
  Insist(proc, [&] {
    if (Need(item)->EntryID().empty() || !item->Saved()) item->Save();
  });
  ItemPtr reloaded;
  if (Insist(proc, [&] {
        entryId = Need(item)->EntryID();
        storeId = Need(Need(item)->Parent())->StoreID();
      }))
    Insist(proc, [&] { reloaded = Need(Session()->GetItemFromID(entryId, storeId)); });
  item = reloaded;
}

FolderPtr GetNewMessageTemplatesFolder() {
  return QuietlyOr(FolderPtr(), [&] {
    auto standard = TemplatesRoot()->Folders()->Item(kStandardFolder);
    return Need(standard)->Folders()->Item(kNewMessageFolder);
  });
}

void ShowNewMessageTemplatesFolder() {
  Quietly([&] {
    auto folder = Need(GetNewMessageTemplatesFolder());
    Need(Need(g_oApp)->ActiveExplorer())->SetCurrentFolder(folder);
  });
}

void SetOriginalReplyIcon(const ItemPtr& mail, int32_t nAction) {
  if (nAction != 1 && nAction != 2 && nAction != 4) return;
  // Asked again while refused; still refused, told: the mail would not show it was answered.
  Insist(L"mTanvelo::SetOriginalReplyIcon", mail,
         nAction == 4 ? L"The forwarded mark" : L"The replied mark", [&] {
           auto safe = Need(GetSafeItem(mail));
           safe->SetFields(outlook::PR_ICON_INDEX, nAction == 4 ? kIconForwarded : kIconReplied);
           safe->SetSubject(safe->Subject());
           safe->Save();
         });
}

std::wstring ReplaceAll(std::wstring text, const std::wstring& from, const std::wstring& to) {
  if (from.empty()) return text;
  for (size_t at = 0; (at = text.find(from, at)) != std::wstring::npos; at += to.size())
    text.replace(at, from.size(), to);
  return text;
}

}  // namespace mTanvelo
