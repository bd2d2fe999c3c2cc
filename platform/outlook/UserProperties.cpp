#include "platform/outlook/UserProperties.h"

#include "platform/outlook/Folder.h"
#include "platform/outlook/Item.h"
#include "platform/outlook/NameSpace.h"
#include "platform/vb/Error.h"
#include "platform/vb/Faults.h"

namespace outlook {

UserProperty::UserProperty(std::weak_ptr<UserProperties> owner, std::wstring name, int32_t type)
    : owner_(std::move(owner)), name_(std::move(name)), type_(type) {}

std::wstring UserProperty::Value() const {
  auto owner = owner_.lock();
  auto item = owner ? owner->Owner() : nullptr;
  if (!item) vb::Raise(kErrObjectDeleted, L"The property has been deleted.");
  return item->Props().Text(owner->TagOf(name_));
}

void UserProperty::SetValue(const std::wstring& value) {
  auto owner = owner_.lock();
  auto item = owner ? owner->Owner() : nullptr;
  if (!item) vb::Raise(kErrObjectDeleted, L"The property has been deleted.");
  item->SetProp(owner->TagOf(name_), value);
}

void UserProperty::Delete() {
  auto owner = owner_.lock();
  if (!owner) vb::Raise(kErrObjectDeleted, L"The property has been deleted.");
  for (int32_t i = 1; i <= owner->Count(); ++i)
    if (owner->Item(i).get() == this) return owner->Remove(i);
}

std::shared_ptr<UserProperty> UserProperties::Item(int32_t index) const {
  if (index < 1 || index > Count()) vb::Raise(kErrBadIndex, L"Array index out of bounds.");
  return list_[static_cast<size_t>(index - 1)];
}

std::shared_ptr<UserProperty> UserProperties::Add(const std::wstring& name, int32_t type,
                                                  bool addToFolderFields, int32_t) {
  TV_FAULT_POINT(Outlook);
  if (name.empty()) vb::Raise(kErrFailed, L"The property name is not valid.");
  if (auto existing = Find(name)) return existing;
  auto p = std::make_shared<UserProperty>(weak_from_this(), name, type);
  list_.push_back(p);
  auto item = item_.lock();
  if (item) {
    item->SetProp(TagOf(name), std::wstring());
    if (addToFolderFields) {
      if (auto folder = item->Parent()) folder->AddUserDefinedField(name);
    }
  }
  return p;
}

std::shared_ptr<UserProperty> UserProperties::Find(const std::wstring& name) const {
  TV_FAULT_POINT(Outlook);
  for (auto& p : list_)
    if (SameText(p->Name(), name)) return p;
  return nullptr;
}

void UserProperties::Remove(int32_t index) {
  auto p = Item(index);
  if (auto item = item_.lock()) item->SetProp(TagOf(p->Name()), PropValue{});
  list_.erase(list_.begin() + (index - 1));
}

uint32_t UserProperties::TagOf(const std::wstring& name) const {
  auto item = item_.lock();
  auto session = item ? item->Session() : nullptr;
  if (!session) vb::Raise(kErrFailed, L"The item has no session.");
  return static_cast<uint32_t>(session->Named().Id(PS_PUBLIC_STRINGS, name, true)) << 16 |
         PT_UNICODE;
}

void UserProperties::CopyFrom(const UserProperties& other) {
  for (auto& p : other.list_)
    list_.push_back(std::make_shared<UserProperty>(weak_from_this(), p->Name(), p->Type()));
}

}  // namespace outlook
