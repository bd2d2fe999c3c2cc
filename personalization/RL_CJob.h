// One personalization run over one mail item: which field tokens it holds, their values from
// the recipients, their contacts and the sending account, and writing the values into the
// subject and body. The job keeps no Outlook object between calls: each operation fetches
// the item again by EntryID and StoreID.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "personalization/RL_CTexts.h"

class ProtectedText;

namespace outlook {
class Item;
class MAPIFolder;
}  // namespace outlook
namespace redemption {
class SafeContactItem;
class SafeMailItem;
}  // namespace redemption

class RL_CJob {
 public:
  RL_CJob();

  // True when at least one field token occurs in the subject or the plain-text body. Raises
  // when the mail or its text cannot be read (asked again first): it is not known to be
  // without fields.
  bool HasReplaces(const std::wstring& sEntryID, const std::wstring& StoreID);
  // Computes the values of the fields HasReplaces kept. Raises when the mail, or a contact
  // found for a recipient, could not be got (asked again first; logged, a contact naming the
  // address and the mail): the mail must not be filled as if there were no contact. An address
  // not found in the contact folders that could be read is filled as a stranger's; the folders
  // not read are logged once for the job, with the mail and those addresses. The default
  // contacts folder or the list of stores not read stops the load first (StopUnread).
  bool LoadReplaceValues(const std::wstring& sEntryID, const std::wstring& StoreID, bool bWndOnTop,
                         bool bSilent, bool bIgnoreErrors);
  // Writes the values into the subject and the body of the item's (or the forced) format.
  // bWasEmptyProp is only ever set to True.
  bool DoReplace(const std::wstring& sEntryID, bool bLeaveEmptyReplacements, bool& bWasEmptyProp,
                 const std::wstring& StoreID, int32_t ForceBodyFormat, bool bSaveChanges,
                 bool bIgnoreErrors);

 private:
  // A refusal kept to be raised later; `what` names the folder or the address.
  struct Refusal {
    int32_t number = 0;
    std::wstring description;
    std::wstring what;
  };
  // The mail by EntryID, or nothing (logged); `notFound` keeps the error of a mail Outlook did
  // not give.
  std::shared_ptr<redemption::SafeMailItem> GetSafeItem(const std::wstring& sEntryID,
                                                        const std::wstring& StoreID,
                                                        std::optional<Refusal>* notFound = nullptr);
  int32_t GetBodyFormat(const redemption::SafeMailItem& item) const;
  // Checks that every recipient is resolved and collects the leaf entries; false when the
  // run must stop.
  bool CollectResolved(const redemption::SafeMailItem& item, bool bIgnoreErrors,
                       const wchar_t* procedure, const wchar_t* abortText,
                       RL_Recipients& recipients);
  // The contact of an address, or none (also when it is in no folder that could be read);
  // raises when the address was found but its contact could not be opened past its tries.
  std::shared_ptr<redemption::SafeContactItem> FindSafeContact(const std::wstring& sEmail);
  std::shared_ptr<outlook::Item> FindContact(const std::wstring& sEmail);
  // False when the folder was refused past its tries (kept by FolderUnread).
  bool FindContactByEmail(const std::shared_ptr<outlook::MAPIFolder>& folder);
  // Ends the load for m_contactsUnread: logged with the mail; silent, kept in `refused` to be
  // raised, else told in a box naming the folder. Always false.
  bool StopUnread(const std::wstring& subject, bool bSilent, bool bWndOnTop,
                  std::optional<Refusal>& refused);
  void IndexContactFolders(const std::shared_ptr<outlook::MAPIFolder>& folder,
                           const std::shared_ptr<outlook::MAPIFolder>& defaultFolder);
  // Keeps a contact folder refused past its tries (none: the list of stores) for TellUnread.
  void FolderUnread(const std::shared_ptr<outlook::MAPIFolder>& folder);
  // Logs the folders not read, once for the job, with the mail and the addresses filled as
  // strangers' for want of them.
  void TellUnread(const std::wstring& subject, const std::vector<std::wstring>& strangers);
  std::shared_ptr<RL_CTexts> GetContactTexts(const std::wstring& sEmail, bool bCreate);
  // Joins the token where HTML markup split it (the value comes escaped); traps its own
  // errors, so the whole tokens already replaced are still written.
  static void DoReplaceInHtml(ProtectedText& body, std::wstring_view token,
                              const std::wstring& value);

  std::shared_ptr<RL_CTexts> m_colTexts;
  std::map<std::wstring, std::shared_ptr<RL_CTexts>> m_colContacts;  // by lower-cased address
  RL_Answers m_colAnswers;
  int32_t m_nOutlookVersion = 0;

  // Where each contact address first occurs in the search order (the default contacts folder,
  // then every contacts folder of every store, depth first): read once per job, so a job with
  // many recipients does not search the contact folders once per recipient.
  struct ContactRef {
    std::wstring entryId;
    std::shared_ptr<const std::wstring> storeId;  // one per folder, not per contact
  };
  std::optional<std::unordered_map<std::wstring, ContactRef>> m_contactIndex;
  // The contact folders the index could not read: an address not found may be in them.
  std::vector<Refusal> m_unread;
  // The default contacts folder (no name: not even given) or the list of stores not read: a
  // contact of any address may be there, so nobody may be filled as a stranger.
  std::optional<Refusal> m_contactsUnread;
  bool m_unreadTold = false;  // logged for this job
  // The lower-cased addresses of the recipients the index was read for: only their contacts
  // are kept, so the rows of all other contacts cost no more than a look at their addresses.
  // An address outside them reads the folders again for every address.
  std::optional<std::unordered_set<std::wstring>> m_wantedAddresses;
  // A bit for each wanted address's hash (`FoldedHash`): most rows are passed over on the
  // hash made while their address is read, with no key made and no look in the set.
  std::array<uint64_t, 64> m_wantedBits{};
};
