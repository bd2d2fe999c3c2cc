#include "platform/outlook/Items.h"

#include "platform/outlook/Folder.h"
#include "platform/outlook/Item.h"
#include "platform/vb/Error.h"
#include "platform/vb/Faults.h"

namespace outlook {

Items::Items(std::weak_ptr<MAPIFolder> folder, const std::wstring& filter)
    : folder_(std::move(folder)),
      filterText_(filter),
      filter_(filter.empty() ? nullptr : std::make_shared<outlook::Filter>(filter)) {}

std::shared_ptr<MAPIFolder> Items::Folder() const {
  auto folder = folder_.lock();
  if (!folder || folder->IsDeleted()) vb::Raise(kErrObjectDeleted, L"The folder has been deleted.");
  return folder;
}

const std::vector<std::shared_ptr<outlook::Item>>& Items::Current() const {
  auto folder = Folder();
  if (!filter_) return folder->Filed();
  if (cached_ && cachedAt_ == ChangeCount()) return *cache_;
  // A condition on the class alone is answered by the folder's index, which keeps filing
  // order, so a table over the contacts of a large folder visits no other item.
  if (auto* sole = filter_->SoleTextEquality(); sole && outlook::Item::IsClassField(sole->first)) {
    cache_ = folder->OfClass(sole->second);
    cached_ = true;
    cachedAt_ = ChangeCount();
    return *cache_;
  }
  // A new list each time: a table may still be walking the one before.
  auto result = std::make_shared<std::vector<std::shared_ptr<outlook::Item>>>();
  cached_ = false;
  for (auto& item : folder->Filed()) {
    if (filter_->MatchesStored([&](const std::wstring& name, PropValue& scratch) {
          return item->Stored().FilterValue(name, scratch);
        }))
      result->push_back(item);
  }
  cache_ = std::move(result);
  // Reading the items may have made derived data; what counts is that nothing changed since.
  cached_ = true;
  cachedAt_ = ChangeCount();
  return *cache_;
}

std::vector<std::shared_ptr<outlook::Item>> Items::All() const {
  std::vector<std::shared_ptr<outlook::Item>> all;
  for (const auto& item : Current()) all.push_back(item->Handle());
  return all;
}

std::shared_ptr<const std::vector<std::shared_ptr<outlook::Item>>> Items::Snapshot() const {
  const auto& current = Current();
  if (filter_) return cache_;
  return std::make_shared<const std::vector<std::shared_ptr<outlook::Item>>>(current);
}

int32_t Items::Count() const {
  return static_cast<int32_t>(Current().size());
}

std::shared_ptr<outlook::Item> Items::Item(int32_t index) const {
  const auto& all = Current();
  if (index < 1 || index > static_cast<int32_t>(all.size()))
    vb::Raise(kErrBadIndex, L"Array index out of bounds.");
  return all[static_cast<size_t>(index - 1)]->Handle();
}

std::shared_ptr<outlook::Item> Items::GetFirst() {
  cursor_ = 0;
  return GetNext();
}

std::shared_ptr<outlook::Item> Items::GetNext() {
  const auto& all = Current();
  if (cursor_ >= static_cast<int32_t>(all.size())) return nullptr;
  return all[static_cast<size_t>(cursor_++)]->Handle();
}

std::shared_ptr<outlook::Item> Items::Add(int32_t itemType) {
  TV_FAULT_POINT(Outlook);
  auto folder = Folder();
  if (itemType == -1) itemType = folder->DefaultItemType();
  int32_t cls = itemType == olContactItem            ? olContact
                : itemType == olPostItem             ? olPost
                : itemType == olDistributionListItem ? olDistributionList
                                                     : olMail;
  auto item = outlook::Item::Create(cls, folder->Session(), folder);
  item->fromItemsAdd_ = true;
  return item->Handle();
}

// Outlook checks the names when it is given the filter, not item by item.
void Items::CheckFields(const outlook::Filter& filter) const {
  auto folder = Folder();
  for (auto& name : filter.Properties()) {
    if (outlook::Item::IsFilterField(name)) continue;
    bool defined = false;
    for (auto& field : folder->UserDefinedFields()) defined = defined || SameText(field, name);
    if (!defined)
      vb::Raise(kErrCannotParse, L"The property \"" + name + L"\" in the condition is not valid.");
  }
}

std::shared_ptr<Items> Items::Restrict(const std::wstring& filter) const {
  TV_FAULT_POINT(Outlook);
  if (filter.empty()) vb::Raise(kErrCannotParse, L"Cannot parse condition.");
  CheckFields(outlook::Filter(filter));
  // A restriction of a restriction keeps both conditions.
  std::wstring text =
      filterText_.empty() ? filter : L"(" + filterText_ + L") And (" + filter + L")";
  return std::make_shared<Items>(folder_, text);
}

std::shared_ptr<outlook::Item> Items::Find(const std::wstring& filter) {
  TV_FAULT_POINT(Outlook);
  auto parsed = std::make_shared<outlook::Filter>(filter);
  CheckFields(*parsed);
  find_ = std::move(parsed);
  lastFound_.reset();
  return FindNext();
}

std::shared_ptr<outlook::Item> Items::FindNext() {
  if (!find_) vb::Raise(kErrFailed, L"FindNext without Find.");
  const auto all = Current();
  size_t start = 0;
  if (lastFound_) {
    for (size_t i = 0; i < all.size(); ++i)
      if (all[i] == lastFound_) start = i + 1;
  }
  for (size_t i = start; i < all.size(); ++i) {
    auto& item = all[i];
    if (find_->MatchesStored([&](const std::wstring& name, PropValue& scratch) {
          return item->Stored().FilterValue(name, scratch);
        })) {
      lastFound_ = item;
      return item->Handle();
    }
  }
  lastFound_.reset();
  find_.reset();
  return nullptr;
}

}  // namespace outlook
