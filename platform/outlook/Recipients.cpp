#include "platform/outlook/Recipients.h"

#include "platform/outlook/AddressBook.h"
#include "platform/outlook/Item.h"
#include "platform/outlook/NameSpace.h"
#include "platform/vb/Error.h"

namespace outlook {

Recipient::Recipient(std::weak_ptr<Recipients> owner, std::wstring name)
    : owner_(std::move(owner)), name_(std::move(name)) {}

std::wstring Recipient::Address() const {
  return entry_ ? entry_->Address() : L"";
}

void Recipient::SetType(int32_t type) {
  type_ = type;
  if (auto o = owner_.lock()) o->Changed();
}

bool Recipient::Resolve() {
  if (entry_) return true;
  auto owner = owner_.lock();
  if (!owner) return false;
  if (auto entry = owner->ResolveText(name_)) SetEntry(entry);
  return entry_ != nullptr;
}

void Recipient::SetEntry(std::shared_ptr<outlook::AddressEntry> entry) {
  entry_ = std::move(entry);
  if (entry_) name_ = entry_->Name();
  if (auto o = owner_.lock()) o->Changed();
}

int32_t Recipient::Index() const {
  auto owner = owner_.lock();
  return owner ? owner->IndexOf(this) : 0;
}

void Recipient::Delete() {
  auto owner = owner_.lock();
  if (!owner) vb::Raise(kErrObjectDeleted, L"The recipient has been deleted.");
  owner->Remove(owner->IndexOf(this));
}

std::shared_ptr<Recipient> Recipients::Item(int32_t index) const {
  if (index < 1 || index > Count()) vb::Raise(kErrBadIndex, L"Array index out of bounds.");
  return list_[static_cast<size_t>(index - 1)];
}

std::shared_ptr<Recipient> Recipients::Add(const std::wstring& name) {
  if (name.empty())
    vb::Raise(kErrFailed,
              L"There must be at least one name or distribution list in the To, Cc, or Bcc box.");
  auto r = std::make_shared<Recipient>(weak_from_this(), name);
  list_.push_back(r);
  Changed();
  return r;
}

void Recipients::Remove(int32_t index) {
  if (index < 1 || index > Count()) vb::Raise(kErrBadIndex, L"Array index out of bounds.");
  list_.erase(list_.begin() + (index - 1));
  Changed();
}

bool Recipients::ResolveAll() {
  bool all = true;
  for (auto& r : list_) all = r->Resolve() && all;
  return all;
}

void Recipients::Changed() {
  if (auto item = item_.lock()) item->MarkChanged();
}

std::shared_ptr<outlook::AddressEntry> Recipients::ResolveText(const std::wstring& text) const {
  auto item = item_.lock();
  if (!item) return nullptr;
  auto session = item->Session();
  return session ? session->ResolveName(text) : nullptr;
}

int32_t Recipients::IndexOf(const Recipient* r) const {
  for (size_t i = 0; i < list_.size(); ++i)
    if (list_[i].get() == r) return static_cast<int32_t>(i + 1);
  return 0;
}

std::wstring Recipients::DisplayOf(int32_t type) const {
  std::wstring out;
  for (auto& r : list_) {
    if (r->Type() != type) continue;
    if (!out.empty()) out += L"; ";
    out += r->Name();
  }
  return out;
}

// The copy belongs to a new item that is marked by its own state, so nothing is marked
// changed recipient by recipient.
void Recipients::CopyFrom(const Recipients& other) {
  const std::weak_ptr<Recipients> self = weak_from_this();
  list_.reserve(list_.size() + other.list_.size());
  for (const auto& r : other.list_) {
    auto copy = std::make_shared<Recipient>(self, r->name_);
    copy->type_ = r->type_;
    copy->entry_ = r->entry_;
    list_.push_back(std::move(copy));
  }
}

}  // namespace outlook
