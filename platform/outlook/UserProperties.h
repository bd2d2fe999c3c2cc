// User properties of an item. Their values live in the item's property bag as named
// properties of PS_PUBLIC_STRINGS, so Redemption reads them by name too.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/outlook/Forward.h"
#include "platform/outlook/Props.h"

namespace outlook {

class UserProperty {
 public:
  UserProperty(std::weak_ptr<UserProperties> owner, std::wstring name, int32_t type);
  const std::wstring& Name() const { return name_; }
  int32_t Type() const { return type_; }
  // Text of the value (every property the system writes is of the text type).
  std::wstring Value() const;
  void SetValue(const std::wstring& value);
  void Delete();

 private:
  std::weak_ptr<UserProperties> owner_;
  std::wstring name_;
  int32_t type_;
};

class UserProperties : public std::enable_shared_from_this<UserProperties> {
 public:
  explicit UserProperties(std::weak_ptr<outlook::Item> item) : item_(std::move(item)) {}

  int32_t Count() const { return static_cast<int32_t>(list_.size()); }
  std::shared_ptr<UserProperty> Item(int32_t index) const;
  // Adding a name that exists answers the existing property. With `addToFolderFields` the
  // field is also defined on the item's folder, so views can show it.
  std::shared_ptr<UserProperty> Add(const std::wstring& name, int32_t type = olText,
                                    bool addToFolderFields = true, int32_t displayFormat = 0);
  // Name compared without regard to case; nothing when absent.
  std::shared_ptr<UserProperty> Find(const std::wstring& name) const;
  void Remove(int32_t index);
  auto begin() const { return list_.begin(); }
  auto end() const { return list_.end(); }

  // Internal: values go to the item's bag under the named property's tag.
  uint32_t TagOf(const std::wstring& name) const;
  std::shared_ptr<outlook::Item> Owner() const { return item_.lock(); }
  void CopyFrom(const UserProperties& other);

 private:
  std::weak_ptr<outlook::Item> item_;
  std::vector<std::shared_ptr<UserProperty>> list_;
};

}  // namespace outlook
