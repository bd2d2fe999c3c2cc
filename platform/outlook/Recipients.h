// The recipients of an item: added as typed text, resolved against the address book.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/outlook/Forward.h"

namespace outlook {

class Recipient {
 public:
  Recipient(std::weak_ptr<Recipients> owner, std::wstring name);

  // The display name: the typed text until resolved, then the entry's name.
  const std::wstring& Name() const { return name_; }
  std::wstring Address() const;
  int32_t Type() const { return type_; }
  void SetType(int32_t type);
  bool Resolved() const { return entry_ != nullptr; }
  bool Resolve();
  // Nothing while unresolved.
  std::shared_ptr<outlook::AddressEntry> AddressEntry() const { return entry_; }
  int32_t Index() const;
  void Delete();

  // Binds a resolved entry directly (replies, the profile builder).
  void SetEntry(std::shared_ptr<outlook::AddressEntry> entry);

 private:
  friend class Recipients;
  std::weak_ptr<Recipients> owner_;
  std::wstring name_;
  int32_t type_ = olTo;
  std::shared_ptr<outlook::AddressEntry> entry_;
};

class Recipients : public std::enable_shared_from_this<Recipients> {
 public:
  explicit Recipients(std::weak_ptr<outlook::Item> item) : item_(std::move(item)) {}

  int32_t Count() const { return static_cast<int32_t>(list_.size()); }
  std::shared_ptr<Recipient> Item(int32_t index) const;
  std::shared_ptr<Recipient> Add(const std::wstring& name);
  void Remove(int32_t index);
  // Resolves what it can; True only when every recipient is resolved.
  bool ResolveAll();
  auto begin() const { return list_.begin(); }
  auto end() const { return list_.end(); }

  // Internal: the owning item is marked changed; resolution asks its session.
  void Changed();
  std::shared_ptr<outlook::AddressEntry> ResolveText(const std::wstring& text) const;
  int32_t IndexOf(const Recipient* r) const;
  // "; "-joined names of one type, as PR_DISPLAY_TO/CC/BCC show them.
  std::wstring DisplayOf(int32_t type) const;
  void CopyFrom(const Recipients& other);

 private:
  std::weak_ptr<outlook::Item> item_;
  std::vector<std::shared_ptr<Recipient>> list_;
};

}  // namespace outlook
