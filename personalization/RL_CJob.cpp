#include "personalization/RL_CJob.h"

#include <functional>
#include <set>

#include "core/Main.h"
#include "personalization/ProtectedText.h"
#include "personalization/RL_CLib.h"
#include "personalization/RL_mAddressBook.h"
#include "personalization/RL_mMain.h"
#include "platform/outlook/Application.h"
#include "platform/outlook/Folder.h"
#include "platform/outlook/Item.h"
#include "platform/outlook/Items.h"
#include "platform/outlook/NameSpace.h"
#include "platform/outlook/Recipients.h"
#include "platform/redemption/MAPITable.h"
#include "platform/redemption/SafeItem.h"
#include "platform/redemption/Session.h"
#include "platform/vb/Need.h"
#include "platform/vb/Runtime.h"

namespace {

constexpr int32_t olMail = 43;
constexpr int32_t olFolder = 2;
constexpr int32_t olContactItem = 2;
constexpr int32_t olFolderContacts = 10;
constexpr uint32_t PR_ENTRYID = 0x0FFF0102;
constexpr uint32_t PT_STRING8 = 0x001E;
constexpr const wchar_t* kPSETID_Address = L"{00062004-0000-0000-C000-000000000046}";
constexpr int32_t kEmailIds[] = {0x8083, 0x8093, 0x80A3};
constexpr int32_t kStyleExclamation = 48;
constexpr int32_t kForeground = 0x10000;
constexpr const wchar_t* kStoreList = L"the list of stores";

// An address's character as the index keys it (lower case, ASCII without a table).
wchar_t FoldChar(wchar_t ch) {
  return ch < 0x80 ? (ch >= L'A' && ch <= L'Z' ? wchar_t(ch + 32) : ch) : vb::LowerChar(ch);
}

// FNV-1a over the folded characters: the same for an address and its lower-cased form.
uint32_t FoldedHash(std::wstring_view address) {
  uint32_t hash = 2166136261u;
  for (wchar_t ch : address) hash = (hash ^ static_cast<uint32_t>(FoldChar(ch))) * 16777619u;
  return hash;
}

}  // namespace

RL_CJob::RL_CJob() : m_nOutlookVersion(GetAppVersion()) {}

std::shared_ptr<redemption::SafeMailItem> RL_CJob::GetSafeItem(const std::wstring& sEntryID,
                                                               const std::wstring& StoreID,
                                                               std::optional<Refusal>* notFound) {
  constexpr const wchar_t* kProc = L"RL_CJob::GetSafeItem";
  std::shared_ptr<outlook::Item> item;
  int32_t itemClass = 0;
  // Outlook holding the item a moment is asked again: a mail not found is one left unfilled.
  bool found = false;
  for (int tries = 1; !found && tries <= kHeldTries; ++tries)
    found = vb::Catch([&] {
      item = g_oApp->Session()->GetItemFromID(sEntryID, StoreID);
      if (item) itemClass = item->Class();
    });
  if (!found || !item) {
    if (notFound) *notFound = Refusal{vb::Err().Number(), vb::Err().Description(), sEntryID};
    LogError(kProc, std::nullopt, L"GetItemFromID failed\r\n" + sEntryID + L"\r\n" + StoreID);
    return nullptr;
  }
  if (itemClass != olMail) {
    LogError(kProc, 0, L"Item.Class <> olMail");
    return nullptr;
  }
  auto safe = vb::CreateObject<redemption::SafeMailItem>(L"Redemption.SafeMailItem");
  safe->SetItem(item);
  return safe;
}

int32_t RL_CJob::GetBodyFormat(const redemption::SafeMailItem& item) const {
  if (m_nOutlookVersion < 10) return 0;
  int32_t format = 0;
  vb::Ignore([&] { format = item.BodyFormat(); });
  vb::Err().Clear();
  return format;
}

std::shared_ptr<RL_CTexts> RL_CJob::GetContactTexts(const std::wstring& sEmail, bool bCreate) {
  std::wstring key = vb::LCase(sEmail);
  auto it = m_colContacts.find(key);
  if (it != m_colContacts.end()) return it->second;
  if (!bCreate) return nullptr;
  auto texts = std::make_shared<RL_CTexts>();
  texts->Add(kFieldContact);
  m_colContacts.emplace(key, texts);
  return texts;
}

bool RL_CJob::HasReplaces(const std::wstring& sEntryID, const std::wstring& StoreID) {
  constexpr const wchar_t* kProc = L"RL_CJob::HasReplaces";
  std::optional<Refusal> notFound;
  auto item = GetSafeItem(sEntryID, StoreID, &notFound);
  // A mail Outlook would not give is not known to be without fields: answered so, a separate
  // sending would send its tokens as they stand.
  if (notFound)
    vb::Raise(notFound->number ? notFound->number : vb::kObjectVariableNotSet,
              notFound->description);
  if (!item) return false;  // no mail: told by GetSafeItem
  // Subject and body are searched apart rather than joined: no token spans a line break, and
  // a large body is not copied for it.
  std::wstring subject, body;
  bool read = false;
  for (int tries = 1; !read && tries <= kHeldTries; ++tries)
    read = vb::Catch([&] {
      subject = item->Subject();
      body = item->Body();
    });
  if (!read) {
    const int32_t number = vb::Err().Number();
    const std::wstring description = vb::Err().Description();
    LogError(kProc);
    vb::Raise(number, description);
  }
  vb::Err().Clear();
  m_colTexts = std::make_shared<RL_CTexts>();
  m_colTexts->AddAll();
  bool found = false;
  for (int32_t i = m_colTexts->Count(); i >= 1; --i) {
    const std::wstring& token = m_colTexts->Item(i)->Text;
    if (FindNoCase(subject, token) == std::wstring::npos &&
        FindNoCase(body, token) == std::wstring::npos)
      m_colTexts->Remove(i);
    else
      found = true;
  }
  return found;
}

bool RL_CJob::CollectResolved(const redemption::SafeMailItem& item, bool bIgnoreErrors,
                              const wchar_t* procedure, const wchar_t* abortText,
                              RL_Recipients& recipients) {
  std::shared_ptr<outlook::Recipients> list;
  // Held a moment, the recipient table is asked for again; past every try the load raises.
  if (!Retried([&] { list = item.Recipients(); }))
    vb::Raise(vb::Err().Number(), vb::Err().Description());
  const int32_t count = RL_mAddressBook::HeldCount(*list);
  for (int32_t i = 1; i <= count; ++i) {
    if (list->Item(i)->Resolved()) continue;
    if (!bIgnoreErrors) {
      LogInfo(procedure, abortText);
      return false;
    }
    return true;  // carried on without any recipient
  }
  RL_mAddressBook::CollectRecipients(list, recipients, false);
  return true;
}

bool RL_CJob::LoadReplaceValues(const std::wstring& sEntryID, const std::wstring& StoreID,
                                bool bWndOnTop, bool bSilent, bool bIgnoreErrors) {
  constexpr const wchar_t* kProc = L"RL_CJob::LoadValues";
  // The mail or a contact Outlook refused past its tries: raised, so that the caller tells it
  // rather than taking it for a question the user cancelled.
  std::optional<Refusal> refused;
  const bool loaded = TrapOr(kProc, false, [&] {
    auto item = GetSafeItem(sEntryID, StoreID, &refused);
    if (!item) return false;
    if (!m_colTexts) m_colTexts = std::make_shared<RL_CTexts>();
    RL_Recipients recipients;
    if (m_colTexts->Has(kFieldContact) || m_colTexts->Has(kFieldRecipients)) {
      // Recipients Outlook would not show are no answer the user gave: told as a refusal.
      int32_t count = 0;
      bool collected = false;
      if (!Retried([&] { count = item->Recipients()->Count(); }) || !vb::Catch([&] {
            collected =
                count == 0 || CollectResolved(*item, bIgnoreErrors, kProc,
                                              L"Abort - Recipient not resolved", recipients);
          })) {
        refused = Refusal{vb::Err().Number(), vb::Err().Description(), L"recipients"};
        LogError(kProc, refused->number, refused->description, L"the recipients were not read");
        return false;
      }
      if (count == 0 && !bIgnoreErrors) {
        LogInfo(kProc, L"Abort - No Recipients");
        return false;
      }
      if (!collected) return false;
    }
    if (m_colTexts->Has(kFieldContact)) {
      std::wstring caption =
          LangText(L"STR_EMPTY_FIELD_CAPTION", g_oLib ? g_oLib->GetTitle() : L"");
      if (!m_contactIndex) {
        m_wantedAddresses.emplace();
        m_wantedBits.fill(0);
        for (const auto& recipient : recipients) {
          std::wstring lowered = vb::LCase(recipient.Email);
          const uint32_t hash = FoldedHash(lowered);
          m_wantedBits[(hash >> 6) & 63] |= uint64_t{1} << (hash & 63);
          m_wantedAddresses->insert(std::move(lowered));
        }
      }
      std::vector<std::wstring> strangers;  // not found while a contact folder was not read
      auto subjectOf = [&] {
        std::wstring subject;
        if (!Retried([&] { subject = item->Subject(); })) vb::Err().Clear();
        return subject;
      };
      for (const auto& recipient : recipients) {
        auto entry = GetContactTexts(recipient.Email, true);
        std::shared_ptr<redemption::SafeContactItem> contact;
        // The address was found but its contact could not be opened: filled as if there were
        // none, the mail would go out with the display name in place of the contact's values.
        if (!vb::Catch([&] { contact = FindSafeContact(recipient.Email); })) {
          refused = Refusal{vb::Err().Number(), vb::Err().Description(), recipient.Email};
          vb::Err().Clear();
          const std::wstring subject = subjectOf();
          TellUnread(subject, strangers);
          LogError(L"RL_CJob::FindContact", refused->number,
                   L"[The contact of " + recipient.Email + L" was not looked up, so \"" + subject +
                       L"\" was not filled] " + refused->description);
          return false;
        }
        // Where any address may have a contact unseen, no one is filled as a stranger: the
        // answers typed for one would fill the fields of the next.
        if (m_contactsUnread) return StopUnread(subjectOf(), bSilent, bWndOnTop, refused);
        if (!contact && !m_unread.empty()) strangers.push_back(recipient.Email);
        for (const auto& field : *entry) {
          if (!m_colTexts->Find(field->Text)) continue;
          if (!entry->LoadContactValue(field->Text, contact, recipient.Name, recipient.Email,
                                       m_colAnswers, caption, bWndOnTop, bSilent) &&
              !bIgnoreErrors) {
            TellUnread(subjectOf(), strangers);
            return false;
          }
        }
      }
      TellUnread(m_unread.empty() || m_unreadTold ? std::wstring() : subjectOf(), strangers);
    }
    for (const auto& field : *m_colTexts) {
      if (field->nType == kFieldRecipients &&
          !m_colTexts->LoadRecipientValue(field->Text, item, recipients, bSilent) && !bIgnoreErrors)
        return false;
    }
    for (const auto& field : *m_colTexts) {
      if (field->nType == kFieldSender && !m_colTexts->LoadEmailValue(field->Text, item, bSilent) &&
          !bIgnoreErrors)
        return false;
    }
    return true;
  });
  if (refused)
    vb::Raise(refused->number ? refused->number : vb::kObjectVariableNotSet, refused->description);
  return loaded;
}

bool RL_CJob::StopUnread(const std::wstring& subject, bool bSilent, bool bWndOnTop,
                         std::optional<Refusal>& refused) {
  const Refusal unread = *m_contactsUnread;
  m_contactIndex.reset();  // read again when asked again
  m_contactsUnread.reset();
  const std::wstring folder = unread.what.empty() ? L"the default contacts folder" : unread.what;
  LogError(L"RL_CJob::FindContact", unread.number,
           L"[The contacts of " + folder + L" were not read, so \"" + subject +
               L"\" was not filled] " + unread.description);
  if (bSilent) {
    refused = unread;  // left unfilled for the Send to fill
    return false;
  }
  const std::wstring text = unread.what == kStoreList ? LangText(L"STR_FOLDER_LIST_NOT_READ")
                            : unread.what.empty()     ? LangText(L"STR_CONTACTS_NOT_FOUND")
                                                  : LangText(L"STR_CONTACTS_NOT_READ", unread.what);
  vb::MsgBox(text, kStyleExclamation | (bWndOnTop ? kForeground : 0));
  return false;
}

bool RL_CJob::FindContactByEmail(const std::shared_ptr<outlook::MAPIFolder>& folder) {
  // Read again whole while refused: the rows kept by a try that stopped half way are those
  // the next try keeps first.
  if (Retried([&] {
        auto items = folder->Items()->Restrict(L"[MessageClass] = 'IPM.Contact'");
        auto first = items->GetFirst();
        if (!first) return;
        auto utils = vb::CreateObject<redemption::MAPIUtils>(L"Redemption.MAPIUtils");
        std::vector<uint32_t> columns{PR_ENTRYID};
        for (int32_t id : kEmailIds) {
          uint32_t tag = utils->GetIDsFromNames(first->MAPIOBJECT(), kPSETID_Address, id, false);
          if (tag != 0) columns.push_back(tag | PT_STRING8);
        }
        auto table = vb::CreateObject<redemption::MAPITable>(L"Redemption.MAPITable");
        table->SetItem(items);
        table->Filter().Clear();
        table->SetColumns(columns);
        table->GoToFirst();
        auto storeId = std::make_shared<const std::wstring>(folder->StoreID());
        // Rows in table order, each address kept with its first contact: what a search for
        // the address in this folder would find first.
        std::wstring key;
        while (auto row = table->GetRow()) {
          std::optional<std::wstring> entryId;  // made for a row that is kept
          for (size_t c = 1; c < row->size(); ++c) {
            auto* address = std::get_if<std::wstring>(&(*row)[c]);
            if (!address || address->empty()) continue;
            if (m_wantedAddresses) {
              const uint32_t hash = FoldedHash(*address);
              if (!((m_wantedBits[(hash >> 6) & 63] >> (hash & 63)) & 1)) continue;
            }
            key.resize(address->size());
            for (size_t i = 0; i < key.size(); ++i) key[i] = FoldChar((*address)[i]);
            if (m_wantedAddresses && m_wantedAddresses->count(key) == 0) continue;
            if (m_contactIndex->count(key) != 0) continue;
            if (!entryId) entryId = utils->HrArrayToString((*row)[0]);
            m_contactIndex->try_emplace(key, ContactRef{*entryId, storeId});
          }
        }
      }))
    return true;
  FolderUnread(folder);
  return false;
}

void RL_CJob::FolderUnread(const std::shared_ptr<outlook::MAPIFolder>& folder) {
  const int32_t number = vb::Err().Number();
  const std::wstring description = vb::Err().Description();
  std::wstring name;
  if (!folder)
    name = kStoreList;
  else if (vb::Catch([&] { name = folder->Name(); }))
    name = L"\"" + name + L"\"";
  else
    name = L"a folder whose name was refused too";
  vb::Err().Clear();
  m_unread.push_back(Refusal{number, description, name});
}

void RL_CJob::TellUnread(const std::wstring& subject, const std::vector<std::wstring>& strangers) {
  if (m_unread.empty() || m_unreadTold) return;
  m_unreadTold = true;
  std::wstring folders;
  for (const auto& unread : m_unread) folders += (folders.empty() ? L"" : L", ") + unread.what;
  std::wstring text = L"The contacts of " + folders + L" were not read";
  if (!strangers.empty()) {
    std::wstring addresses;
    for (const auto& address : strangers) addresses += (addresses.empty() ? L"" : L", ") + address;
    text += L", so the mail \"" + subject + L"\" was filled for " + addresses +
            (strangers.size() == 1 ? L" from the name and address alone"
                                   : L" from their names and addresses alone");
  }
  LogError(L"RL_CJob::FindContact", m_unread.front().number,
           L"[" + text + L"] " + m_unread.front().description);
}

void RL_CJob::IndexContactFolders(const std::shared_ptr<outlook::MAPIFolder>& folder,
                                  const std::shared_ptr<outlook::MAPIFolder>& defaultFolder) {
  // A folder that cannot be read ends the search of that folder only: a store that cannot be
  // opened must not hide the contacts of the stores after it. Its addresses stay unknown.
  bool isContacts = false;
  std::vector<std::shared_ptr<outlook::MAPIFolder>> subfolders;
  if (!Retried([&] {
        subfolders.clear();
        bool isDefault = defaultFolder && folder->EntryID() == defaultFolder->EntryID() &&
                         folder->StoreID() == defaultFolder->StoreID();
        isContacts =
            folder->Class() == olFolder && folder->DefaultItemType() == olContactItem && !isDefault;
        auto list = folder->Folders();
        for (int32_t i = 1; i <= list->Count(); ++i) subfolders.push_back(list->Item(i));
      })) {
    FolderUnread(folder);
    return;
  }
  if (isContacts) FindContactByEmail(folder);
  for (const auto& subfolder : subfolders) IndexContactFolders(subfolder, defaultFolder);
}

std::shared_ptr<outlook::Item> RL_CJob::FindContact(const std::wstring& sEmail) {
  auto session = g_oApp->Session();
  if (m_contactIndex && m_wantedAddresses && !sEmail.empty() &&
      m_wantedAddresses->count(vb::LCase(sEmail)) == 0) {
    m_contactIndex.reset();
    m_wantedAddresses.reset();
  }
  if (!m_contactIndex) {
    m_contactIndex.emplace();
    m_unread.clear();
    m_contactsUnread.reset();
    std::shared_ptr<outlook::MAPIFolder> defaultFolder;
    // The default folder or the list of stores still unread, any address may have a contact
    // not seen: the job stops (StopUnread). Another store's folder only hides its own. A default
    // folder not found is read in the walk, as any other (a profile may have none); only when
    // the walk too leaves a folder unread can that one be the default.
    std::optional<Refusal> defaultNotFound;
    if (!Retried([&] { defaultFolder = session->GetDefaultFolder(olFolderContacts); })) {
      defaultNotFound = Refusal{vb::Err().Number(), vb::Err().Description(), L""};
      vb::Err().Clear();
    }
    if (defaultFolder && !FindContactByEmail(defaultFolder)) {
      m_contactsUnread = m_unread.back();
      return nullptr;
    }
    std::vector<std::shared_ptr<outlook::MAPIFolder>> stores;
    if (!Retried([&] {
          stores.clear();
          auto list = session->Folders();
          for (int32_t i = 1; i <= list->Count(); ++i) stores.push_back(list->Item(i));
        })) {
      FolderUnread(nullptr);
      m_contactsUnread = m_unread.back();
      return nullptr;
    }
    for (const auto& store : stores) IndexContactFolders(store, defaultFolder);
    if (defaultNotFound && !m_unread.empty()) {
      m_contactsUnread = defaultNotFound;
      return nullptr;
    }
  }
  if (m_contactsUnread) return nullptr;
  if (sEmail.empty()) return nullptr;
  auto it = m_contactIndex->find(vb::LCase(sEmail));
  // Not in the folders that were read: a stranger, as far as the job can know (the folders not
  // read are told once for the job by its load).
  if (it == m_contactIndex->end()) return nullptr;
  std::shared_ptr<outlook::Item> contact;
  if (!Retried([&] { contact = session->GetItemFromID(it->second.entryId, *it->second.storeId); }))
    vb::Raise(vb::Err().Number(), vb::Err().Description());
  return contact;
}

std::shared_ptr<redemption::SafeContactItem> RL_CJob::FindSafeContact(const std::wstring& sEmail) {
  auto contact = FindContact(sEmail);
  if (!contact) return nullptr;
  std::shared_ptr<redemption::SafeContactItem> safe;
  if (!Retried([&] {
        safe = vb::CreateObject<redemption::SafeContactItem>(L"Redemption.SafeContactItem");
        safe->SetItem(contact);
      }))
    vb::Raise(vb::Err().Number(), vb::Err().Description());
  return safe;
}

bool RL_CJob::DoReplace(const std::wstring& sEntryID, bool bLeaveEmptyReplacements,
                        bool& bWasEmptyProp, const std::wstring& StoreID, int32_t ForceBodyFormat,
                        bool bSaveChanges, bool bIgnoreErrors) {
  constexpr const wchar_t* kProc = L"RL_CJob::DoReplace";
  auto fill = [&] {
    auto item = GetSafeItem(sEntryID, StoreID);
    if (!item) return false;
    if (!m_colTexts) m_colTexts = std::make_shared<RL_CTexts>();
    RL_Recipients recipients;
    if (!CollectResolved(*item, bIgnoreErrors, kProc, L"Recipient not resolved", recipients))
      return false;
    std::vector<std::wstring> addresses;  // each once, in its first written form
    std::set<std::wstring> seen;
    for (const auto& r : recipients)
      if (seen.insert(vb::LCase(r.Email)).second) addresses.push_back(r.Email);

    int32_t format = ForceBodyFormat != 0 ? ForceBodyFormat : GetBodyFormat(*item);
    std::wstring body;
    switch (format) {
      case 0:
        body = item->HTMLBody();
        if (FindNoCase(body, L"<body>") != std::wstring::npos) {
          format = 2;
        } else {
          body = item->Body();
          format = 1;
        }
        break;
      case 1:
        body = item->Body();
        break;
      case 2:
        body = item->HTMLBody();
        break;
      case 3:
        body = RtfDelimitControlWords(item->RTFBody());
        break;
      default:
        LogError(kProc, 0, L"Invalid BodyFormat");
    }
    ProtectedText subject(item->Subject()), text(std::move(body));
    bool replaced = false;
    for (const auto& field : *m_colTexts) {
      if (field->nType == kFieldRecipients) {
        if (!m_colTexts->LoadRecipientValue(field->Text, item, recipients, false)) {
          LogInfo(kProc, L"Cant load " + field->Text);
          if (!bIgnoreErrors) return false;
          continue;
        }
      } else if (field->nType == kFieldContact) {
        std::wstring value;
        bool skip = false;
        for (const auto& address : addresses) {
          auto entry = GetContactTexts(address, false);
          auto loaded = entry ? entry->Find(field->Text) : nullptr;
          if (!loaded) {
            LogInfo(kProc, entry ? L"contact prop" + field->Text + L" is not loaded for email '" +
                                       address + L"'"
                                 : L"no contact props is loaded for email '" + address + L"'");
            if (!bIgnoreErrors) return false;
            skip = true;
            break;
          }
          if (!loaded->Value.empty()) {
            if (!value.empty()) value += L", ";
            value += loaded->Value;
          } else {
            bWasEmptyProp = true;
            if (bLeaveEmptyReplacements || bIgnoreErrors) {
              skip = true;
              break;
            }
          }
        }
        if (skip) continue;
        field->Value = value;
      }
      if (field->Value.empty()) {
        bWasEmptyProp = true;
        if (bLeaveEmptyReplacements || bIgnoreErrors) continue;
      }
      subject.Replace(field->Text, field->Value);
      ReplaceInBody(text, format, field->Text, field->Value, DoReplaceInHtml);
      replaced = true;
    }
    if (replaced) {
      item->SetSubject(subject.str());
      switch (format) {
        case 1:
          item->SetBody(text.str());
          break;
        case 2:
          item->SetHTMLBody(text.str());
          break;
        case 3:
          item->SetRTFBody(text.str());
          break;
        default:
          LogError(kProc, 0, L"Invalid BodyFormat");
      }
      if (bSaveChanges) item->Save();
    }
    return true;
  };
  // Asked again while refused (the mail held a moment): fields left unfilled would stay
  // placeholders in the mail. Still refused, told naming the mail.
  bool filled = false;
  for (int tries = 1;; ++tries) {
    if (vb::Catch([&] { filled = fill(); })) return filled;
    if (tries == kHeldTries) break;
    vb::Err().Clear();
  }
  const int32_t number = vb::Err().Number();
  const std::wstring description = vb::Err().Description();
  std::wstring subject;
  vb::Catch([&] { subject = vb::Need(GetSafeItem(sEntryID, StoreID))->Subject(); });
  LogError(kProc, number, description, L"The fields of \"" + subject + L"\" were not filled");
  return false;
}

void RL_CJob::DoReplaceInHtml(ProtectedText& body, std::wstring_view token,
                              const std::wstring& value) {
  Trap(L"RL_CJob::DoReplaceInHtml", [&] { body.ReplaceSplit(token, value); });
}
