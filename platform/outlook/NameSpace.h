// The MAPI session: stores, default folders, lookups by EntryID, the current user, the
// address book and the table of named properties.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/outlook/AddressBook.h"
#include "platform/outlook/Forward.h"
#include "platform/outlook/Props.h"

namespace outlook {

// A mail account of the profile, as Redemption's RDOSession.Accounts lists it.
struct Account {
  std::wstring Name, UserName, SMTPAddress;
};

class NameSpace : public Object, public std::enable_shared_from_this<NameSpace> {
 public:
  explicit NameSpace(std::weak_ptr<outlook::Application> app);

  int32_t Class() const override { return olNamespace; }
  std::shared_ptr<outlook::Application> Application() const { return app_.lock(); }
  // Of the default store; raises for a type it has no folder of.
  std::shared_ptr<MAPIFolder> GetDefaultFolder(int32_t type) const;
  // Raise when nothing has that EntryID (in that store, when a StoreID is given). An item
  // that is open answers the same live object.
  std::shared_ptr<Item> GetItemFromID(const std::wstring& entryId,
                                      const std::wstring& storeId = L"") const;
  std::shared_ptr<MAPIFolder> GetFolderFromID(const std::wstring& entryId,
                                              const std::wstring& storeId = L"") const;
  // The top-level folders, one per store, in order.
  std::shared_ptr<outlook::Folders> Folders();
  std::shared_ptr<Recipient> CurrentUser() const;
  // Redemption's RDOSession.MAPIOBJECT takes this.
  std::shared_ptr<NameSpace> MAPIOBJECT() { return shared_from_this(); }

  // --- Building and control (the profile builder and tests) -------------------------------
  // A store with its root folder; the first store added is the default one.
  std::shared_ptr<Store> AddStore(const std::wstring& name);
  const std::vector<std::shared_ptr<Store>>& Stores() const { return stores_; }
  std::shared_ptr<Store> DefaultStore() const;
  // Makes `store` the default store (another profile's store).
  void SetDefaultStore(const std::shared_ptr<Store>& store);
  // The user, as the current user and the sender of what is sent.
  void SetCurrentUser(std::shared_ptr<outlook::AddressEntry> user);
  std::shared_ptr<outlook::AddressEntry> CurrentUserEntry() const { return user_; }
  outlook::AddressBook& AddressBook() { return book_; }
  void AddAccount(Account account) { accounts_.push_back(std::move(account)); }
  const std::vector<Account>& Accounts() const { return accounts_; }
  // Every Move gives a new EntryID, also within a store (as on Exchange).
  void SetMoveAlwaysChangesEntryID(bool on) { moveChangesId_ = on; }
  bool MoveAlwaysChangesEntryID() const { return moveChangesId_; }
  // Items made by Items.Add are filed in Drafts on Save instead of their folder.
  void SetAddedItemsSaveToDrafts(bool on) { addedToDrafts_ = on; }
  bool AddedItemsSaveToDrafts() const { return addedToDrafts_; }
  // Makes Store() unavailable, as when Outlook cannot open the default store.
  void SetStoresUnavailable(bool on) { unavailable_ = on; }
  // The transport: moves every item of the default Outbox to Sent Items, sent.
  int32_t DeliverOutbox();

  // Internal.
  NamedProps& Named() { return named_; }
  std::wstring NewEntryID(const Store& store);
  std::shared_ptr<outlook::AddressEntry> ResolveName(const std::wstring& text) const;
  std::shared_ptr<Item> FindItem(const std::wstring& entryId, const std::wstring& storeId) const;
  // Keeps the EntryID index up to date as an item is filed (saved, moved, copied), so that a
  // lookup of a freshly filed item needs no walk of the stores.
  void Indexed(const std::shared_ptr<Item>& item);
  // ...and forgets it as it leaves its folder, so a long session of items made and deleted
  // keeps no entry for each of them.
  void Unindexed(const Item& item);
  size_t IndexedCount() const { return byId_.size(); }

 private:
  std::weak_ptr<outlook::Application> app_;
  std::vector<std::shared_ptr<Store>> stores_;
  std::shared_ptr<Store> default_;
  std::shared_ptr<outlook::AddressEntry> user_;
  outlook::AddressBook book_;
  NamedProps named_;
  // EntryID -> item, as a store's index opens an item without a search. Filing adds to it;
  // a walk of every store rebuilds it when an id is still missing or its entry is stale.
  mutable std::unordered_map<std::wstring, std::weak_ptr<Item>> byId_;
  std::vector<Account> accounts_;
  uint64_t nextId_ = 1;
  friend struct PersistAccess;
  bool moveChangesId_ = false, addedToDrafts_ = false, unavailable_ = false;
};

}  // namespace outlook
