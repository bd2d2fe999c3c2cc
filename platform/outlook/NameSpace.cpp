#include "platform/outlook/NameSpace.h"

#include <algorithm>
#include <cwchar>

#include "platform/outlook/Folder.h"
#include "platform/outlook/Item.h"
#include "platform/outlook/Recipients.h"
#include "platform/vb/Error.h"
#include "platform/vb/Faults.h"

namespace outlook {

namespace {
// Between the store's uid and the object's number; the same for every object, so EntryIDs
// have the length of a personal-folders EntryID.
constexpr const wchar_t* kEntryIdMiddle = L"07000000A1B2C3D4E5F60718293A4B5C6D7E8F90";

[[noreturn]] void NotFound() {
  vb::Raise(kErrNotFound, L"The operation failed. An object could not be found.");
}

void IndexIn(const std::shared_ptr<MAPIFolder>& folder,
             std::unordered_map<std::wstring, std::weak_ptr<Item>>& index) {
  for (auto& item : folder->Filed()) index.try_emplace(item->EntryID(), item);
  for (auto& child : folder->Children()) IndexIn(child, index);
}

std::shared_ptr<MAPIFolder> FindFolderIn(const std::shared_ptr<MAPIFolder>& folder,
                                         const std::wstring& id) {
  if (folder->EntryID() == id) return folder;
  for (auto& child : folder->Children())
    if (auto found = FindFolderIn(child, id)) return found;
  return nullptr;
}
}  // namespace

NameSpace::NameSpace(std::weak_ptr<outlook::Application> app) : app_(std::move(app)) {}

std::shared_ptr<Store> NameSpace::AddStore(const std::wstring& name) {
  wchar_t uid[33];
  swprintf(uid, 33, L"%08X%08X%08X%08X", 0x4E56524EU,
           0x414E4500U + static_cast<unsigned>(stores_.size()), 0x54414E56U,
           0x454C4F00U + static_cast<unsigned>(stores_.size()));
  auto store = std::make_shared<Store>(name, uid);
  auto root = std::make_shared<MAPIFolder>(name, olMailItem, weak_from_this(), store);
  root->SetEntryID(NewEntryID(*store));
  store->SetRoot(root);
  stores_.push_back(store);
  if (!default_) default_ = store;
  return store;
}

std::shared_ptr<Store> NameSpace::DefaultStore() const {
  if (unavailable_ || !default_) vb::Raise(kErrFailed, L"The default store cannot be opened.");
  return default_;
}

void NameSpace::SetDefaultStore(const std::shared_ptr<Store>& store) {
  default_ = store;
}

std::wstring NameSpace::NewEntryID(const Store& store) {
  wchar_t number[17];
  swprintf(number, 17, L"%016llX", static_cast<unsigned long long>(nextId_++));
  return L"00000000" + store.Uid() + kEntryIdMiddle + number;
}

std::shared_ptr<MAPIFolder> NameSpace::GetDefaultFolder(int32_t type) const {
  TV_FAULT_POINT(Outlook);
  auto folder = DefaultStore()->DefaultFolder(type);
  if (!folder) vb::Raise(kErrFailed, L"The default folder does not exist.");
  return folder;
}

std::shared_ptr<Item> NameSpace::FindItem(const std::wstring& entryId,
                                          const std::wstring& storeId) const {
  if (entryId.empty()) return nullptr;
  auto lookup = [&]() -> std::shared_ptr<Item> {
    auto it = byId_.find(entryId);
    auto item = it == byId_.end() ? nullptr : it->second.lock();
    // Filed and alive with this id means it sits in its parent folder's contents.
    if (!item || item->dead_ || !item->filed_ || item->entryId_ != entryId) return nullptr;
    auto folder = item->parent_.lock();
    auto store = folder ? folder->Store() : nullptr;
    if (!store || folder->IsDeleted()) return nullptr;
    if (std::find(stores_.begin(), stores_.end(), store) == stores_.end()) return nullptr;
    return storeId.empty() || store->StoreID() == storeId ? item : nullptr;
  };
  if (auto item = lookup()) return item;
  byId_.clear();
  for (auto& store : stores_) IndexIn(store->Root(), byId_);
  return lookup();
}

void NameSpace::Indexed(const std::shared_ptr<Item>& item) {
  if (!item->entryId_.empty()) byId_.insert_or_assign(item->entryId_, item);
}

void NameSpace::Unindexed(const Item& item) {
  auto it = byId_.find(item.entryId_);
  if (it == byId_.end()) return;
  auto indexed = it->second.lock();
  if (!indexed || indexed.get() == &item) byId_.erase(it);
}

std::shared_ptr<Item> NameSpace::GetItemFromID(const std::wstring& entryId,
                                               const std::wstring& storeId) const {
  TV_FAULT_POINT(Outlook);
  if (unavailable_) NotFound();
  if (auto item = FindItem(entryId, storeId)) return item->Handle();
  NotFound();
}

std::shared_ptr<MAPIFolder> NameSpace::GetFolderFromID(const std::wstring& entryId,
                                                       const std::wstring& storeId) const {
  TV_FAULT_POINT(Outlook);
  if (unavailable_ || entryId.empty()) NotFound();
  for (auto& store : stores_) {
    if (!storeId.empty() && store->StoreID() != storeId) continue;
    if (auto folder = FindFolderIn(store->Root(), entryId)) return folder;
  }
  NotFound();
}

std::shared_ptr<outlook::Folders> NameSpace::Folders() {
  TV_FAULT_POINT(Outlook);
  return std::make_shared<outlook::Folders>(nullptr, shared_from_this());
}

std::shared_ptr<Recipient> NameSpace::CurrentUser() const {
  if (!user_) vb::Raise(kErrFailed, L"The operation failed.");
  auto r = std::make_shared<Recipient>(std::weak_ptr<Recipients>(), user_->Name());
  r->SetEntry(user_);
  return r;
}

void NameSpace::SetCurrentUser(std::shared_ptr<outlook::AddressEntry> user) {
  user_ = std::move(user);
}

std::shared_ptr<outlook::AddressEntry> NameSpace::ResolveName(const std::wstring& text) const {
  // Besides the global list, the default contacts folder is an address book. It is read only
  // when a name is looked for, and an entry is made only for a contact that answers to it.
  return book_.Resolve(text, [this](const std::wstring& wanted,
                                    std::vector<std::shared_ptr<outlook::AddressEntry>>& found) {
    std::shared_ptr<MAPIFolder> contacts;
    if (default_ && !unavailable_) contacts = default_->DefaultFolder(olFolderContacts);
    if (!contacts) return;
    for (auto& item : contacts->Filed()) {
      if (item->Class() == olDistributionList) {
        auto list = item->ListEntry();
        if (AddressBook::Matches(list->Name(), list->Address(), wanted)) found.push_back(list);
      } else if (item->Class() == olContact) {
        for (int n = 1; n <= 3; ++n) {
          std::wstring address = item->EmailAddress(n);
          if (!address.empty() && AddressBook::Matches(item->FullName(), address, wanted))
            found.push_back(
                std::make_shared<outlook::AddressEntry>(item->FullName(), address, L"SMTP"));
        }
      }
    }
  });
}

int32_t NameSpace::DeliverOutbox() {
  auto outbox = GetDefaultFolder(olFolderOutbox);
  auto sent = GetDefaultFolder(olFolderSentMail);
  auto pending = outbox->Filed();
  for (auto& item : pending) {
    item->SetSentFlag(true);
    item->SetReceived(Now());
    (void)item->Move(sent);
  }
  return static_cast<int32_t>(pending.size());
}

}  // namespace outlook
