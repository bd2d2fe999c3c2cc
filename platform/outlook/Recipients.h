// The recipients of an item: added as typed text, resolved against the address book.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/outlook/Forward.h"

namespace outlook {

// What an item keeps of one recipient.
struct RecipientData {
  std::wstring name;
  int32_t type = olTo;
  std::shared_ptr<outlook::AddressEntry> entry;
};

class Recipient {
 public:
  // A recipient of no item (the current user); those of an item come from its Recipients.
  Recipient(std::weak_ptr<Recipients> owner, std::wstring name);

  // The display name: the typed text until resolved, then the entry's name.
  const std::wstring& Name() const { return Data().name; }
  std::wstring Address() const;
  int32_t Type() const { return Data().type; }
  void SetType(int32_t type);
  bool Resolved() const { return Data().entry != nullptr; }
  bool Resolve();
  // Nothing while unresolved.
  std::shared_ptr<outlook::AddressEntry> AddressEntry() const { return Data().entry; }
  int32_t Index() const;
  void Delete();

  // Binds a resolved entry directly (replies, the profile builder).
  void SetEntry(std::shared_ptr<outlook::AddressEntry> entry);

 private:
  friend class Recipients;
  const RecipientData& Data() const;
  RecipientData& Writable();

  std::weak_ptr<Recipients> owner_;
  // While it is one of its collection's recipients, its data is the collection's row; once
  // removed (or without a collection) it keeps its own.
  Recipients* list_ = nullptr;
  uint32_t row_ = 0;
  RecipientData own_;
};

// The data of the recipients is shared by the copies of an item until one of them changes it
// (copy on write), and the Recipient objects are made when they are first asked for: copying
// an item to many recipients and removing all but one from each copy stays cheap.
class Recipients : public std::enable_shared_from_this<Recipients> {
 public:
  explicit Recipients(std::weak_ptr<outlook::Item> item);
  ~Recipients();
  Recipients(const Recipients&) = delete;
  Recipients& operator=(const Recipients&) = delete;

  int32_t Count() const;
  std::shared_ptr<Recipient> Item(int32_t index) const;
  std::shared_ptr<Recipient> Add(const std::wstring& name);
  void Remove(int32_t index);
  // Resolves what it can; True only when every recipient is resolved.
  bool ResolveAll();
  // Every recipient, in order.
  const std::vector<std::shared_ptr<Recipient>>& All() const;
  auto begin() const { return All().begin(); }
  auto end() const { return All().end(); }

  // Internal: the owning item is marked changed; resolution asks its session.
  void Changed();
  std::shared_ptr<outlook::AddressEntry> ResolveText(const std::wstring& text) const;
  int32_t IndexOf(const Recipient* r) const;
  // "; "-joined names of one type, as PR_DISPLAY_TO/CC/BCC show them.
  std::wstring DisplayOf(int32_t type) const;
  void CopyFrom(const Recipients& other);
  // The item is going: nothing is marked any more.
  void ItemGone() { owner_ = nullptr; }
  // Whether both hold the very same recipient data (a copy not changed yet; for tests).
  bool SharesData(const Recipients& other) const { return rows_ == other.rows_; }

 private:
  friend class Recipient;
  // Gives this collection rows of its own before one of them changes.
  void Unshare();
  void Compact();
  std::shared_ptr<Recipient> ObjectAt(size_t slot) const;

  std::weak_ptr<outlook::Item> item_;
  outlook::Item* owner_ = nullptr;  // the same item, for marking it changed cheaply
  std::shared_ptr<std::vector<RecipientData>> rows_;
  std::vector<uint32_t> order_;  // recipient i is row order_[i - 1]
  // Made when first asked for; empty until then (a copy that only loses recipients, as a
  // separate sending makes a thousand of, never needs them), else one per recipient.
  mutable std::vector<std::shared_ptr<Recipient>> objects_;
};

}  // namespace outlook
