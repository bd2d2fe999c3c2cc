#include "platform/outlook/Recipients.h"

#include "platform/outlook/AddressBook.h"
#include "platform/outlook/Item.h"
#include "platform/outlook/NameSpace.h"
#include "platform/vb/Error.h"
#include "platform/vb/Faults.h"

namespace outlook {

Recipient::Recipient(std::weak_ptr<Recipients> owner, std::wstring name)
    : owner_(std::move(owner)), own_{std::move(name), olTo, nullptr} {}

const RecipientData& Recipient::Data() const {
  return list_ ? (*list_->rows_)[row_] : own_;
}

RecipientData& Recipient::Writable() {
  if (!list_) return own_;
  list_->Unshare();
  return (*list_->rows_)[row_];
}

std::wstring Recipient::Address() const {
  const auto& entry = Data().entry;
  return entry ? entry->Address() : L"";
}

void Recipient::SetType(int32_t type) {
  TV_FAULT_POINT(Outlook);
  Writable().type = type;
  if (auto o = owner_.lock()) o->Changed();
}

bool Recipient::Resolve() {
  TV_FAULT_POINT(Outlook);
  if (Resolved()) return true;
  auto owner = owner_.lock();
  if (!owner) return false;
  if (auto entry = owner->ResolveText(Name())) SetEntry(entry);
  return Resolved();
}

void Recipient::SetEntry(std::shared_ptr<outlook::AddressEntry> entry) {
  auto& data = Writable();
  data.entry = std::move(entry);
  if (data.entry) data.name = data.entry->Name();
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

Recipients::Recipients(std::weak_ptr<outlook::Item> item)
    : item_(std::move(item)),
      owner_(item_.lock().get()),
      rows_(std::make_shared<std::vector<RecipientData>>()) {}

// Recipient objects that outlive the collection keep their data.
Recipients::~Recipients() {
  for (size_t slot = 0; slot < objects_.size(); ++slot) {
    if (!objects_[slot]) continue;
    objects_[slot]->own_ = (*rows_)[order_[slot]];
    objects_[slot]->list_ = nullptr;
  }
}

std::shared_ptr<Recipient> Recipients::ObjectAt(size_t slot) const {
  objects_.resize(order_.size());
  auto& object = objects_[slot];
  if (!object) {
    object = std::make_shared<Recipient>(std::const_pointer_cast<Recipients>(shared_from_this()),
                                         std::wstring());
    object->list_ = const_cast<Recipients*>(this);
    object->row_ = order_[slot];
  }
  return object;
}

int32_t Recipients::Count() const {
  TV_FAULT_POINT(Outlook);
  return static_cast<int32_t>(order_.size());
}

std::shared_ptr<Recipient> Recipients::Item(int32_t index) const {
  if (index < 1 || static_cast<size_t>(index) > order_.size())
    vb::Raise(kErrBadIndex, L"Array index out of bounds.");
  return ObjectAt(static_cast<size_t>(index - 1));
}

const std::vector<std::shared_ptr<Recipient>>& Recipients::All() const {
  for (size_t slot = 0; slot < order_.size(); ++slot) ObjectAt(slot);
  return objects_;
}

std::shared_ptr<Recipient> Recipients::Add(const std::wstring& name) {
  TV_FAULT_POINT(Outlook);
  if (name.empty())
    vb::Raise(kErrFailed,
              L"There must be at least one name or distribution list in the To, Cc, or Bcc box.");
  RecipientData data{name, olTo, nullptr};
  Unshare();
  rows_->push_back(std::move(data));
  order_.push_back(static_cast<uint32_t>(rows_->size() - 1));
  auto r = ObjectAt(order_.size() - 1);
  Changed();
  return r;
}

void Recipients::Remove(int32_t index) {
  if (index < 1 || static_cast<size_t>(index) > order_.size())
    vb::Raise(kErrBadIndex, L"Array index out of bounds.");
  const auto slot = static_cast<size_t>(index - 1);
  if (!objects_.empty()) {
    if (auto& object = objects_[slot]) {
      object->own_ = (*rows_)[order_[slot]];
      object->list_ = nullptr;
    }
    objects_.erase(objects_.begin() + static_cast<std::ptrdiff_t>(slot));
  }
  order_.erase(order_.begin() + static_cast<std::ptrdiff_t>(slot));
  // Rows of removed recipients stay until there are many (shared rows are never touched).
  if (rows_.use_count() == 1 && rows_->size() > 2 * order_.size() + 16) Compact();
  Changed();
}

bool Recipients::ResolveAll() {
  TV_FAULT_POINT(Outlook);
  bool all = true;
  for (size_t slot = 0; slot < order_.size(); ++slot) {
    if ((*rows_)[order_[slot]].entry) continue;
    all = ObjectAt(slot)->Resolve() && all;
  }
  return all;
}

void Recipients::Changed() {
  if (owner_) owner_->MarkChanged();
}

std::shared_ptr<outlook::AddressEntry> Recipients::ResolveText(const std::wstring& text) const {
  auto item = item_.lock();
  if (!item) return nullptr;
  auto session = item->Session();
  return session ? session->ResolveName(text) : nullptr;
}

int32_t Recipients::IndexOf(const Recipient* r) const {
  for (size_t i = 0; i < objects_.size(); ++i)
    if (objects_[i].get() == r) return static_cast<int32_t>(i + 1);
  return 0;
}

std::wstring Recipients::DisplayOf(int32_t type) const {
  std::wstring out;
  for (uint32_t row : order_) {
    const auto& data = (*rows_)[row];
    if (data.type != type) continue;
    if (!out.empty()) out += L"; ";
    out += data.name;
  }
  return out;
}

void Recipients::Unshare() {
  if (rows_.use_count() > 1) Compact();
}

void Recipients::Compact() {
  auto rows = std::make_shared<std::vector<RecipientData>>();
  rows->reserve(order_.size());
  for (size_t slot = 0; slot < order_.size(); ++slot) {
    rows->push_back((*rows_)[order_[slot]]);
    order_[slot] = static_cast<uint32_t>(slot);
    if (slot < objects_.size() && objects_[slot])
      objects_[slot]->row_ = static_cast<uint32_t>(slot);
  }
  rows_ = std::move(rows);
}

// The copy belongs to a new item that is marked by its own state, so nothing is marked
// changed recipient by recipient; it shares the data until either side changes it.
void Recipients::CopyFrom(const Recipients& other) {
  if (order_.empty()) {
    rows_ = other.rows_;
    order_ = other.order_;
    objects_.clear();
    return;
  }
  Unshare();
  for (uint32_t row : other.order_) {
    rows_->push_back((*other.rows_)[row]);
    order_.push_back(static_cast<uint32_t>(rows_->size() - 1));
    if (!objects_.empty()) objects_.emplace_back();
  }
}

}  // namespace outlook
