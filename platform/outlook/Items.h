// The items of a folder: enumeration, Add, Restrict, Find and the ItemAdd event.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/outlook/Events.h"
#include "platform/outlook/Filter.h"
#include "platform/outlook/Forward.h"

namespace outlook {

class Items : public std::enable_shared_from_this<Items> {
 public:
  // A folder's whole collection, or (with a filter) a restriction of it, which stays live.
  Items(std::weak_ptr<MAPIFolder> folder, const std::wstring& filter = L"");

  int32_t Count() const;
  std::shared_ptr<outlook::Item> Item(int32_t index) const;
  std::shared_ptr<outlook::Item> GetFirst();
  std::shared_ptr<outlook::Item> GetNext();
  // A new unsaved item of the folder's kind (or of the given item type).
  std::shared_ptr<outlook::Item> Add(int32_t itemType = -1);
  // Raises on a malformed filter, and on a field that is neither a built-in one the filter
  // language accepts nor a user-defined field of the folder.
  std::shared_ptr<Items> Restrict(const std::wstring& filter) const;
  std::shared_ptr<outlook::Item> Find(const std::wstring& filter);
  std::shared_ptr<outlook::Item> FindNext();
  std::shared_ptr<MAPIFolder> Parent() const { return folder_.lock(); }
  std::vector<std::shared_ptr<outlook::Item>> All() const;
  // The items now, as a list that never changes afterwards: a restriction hands out the
  // result it keeps (it makes a new one when it is evaluated again), so that a table walking
  // a large folder takes its rows without copying them.
  std::shared_ptr<const std::vector<std::shared_ptr<outlook::Item>>> Snapshot() const;

  // Raised after an item is saved, moved or copied into the folder (not its subfolders).
  Event<std::shared_ptr<outlook::Item>> ItemAdd;

  // Whether the last evaluation of the restriction is still kept (for tests).
  bool HoldsResult() const { return cached_ && cachedAt_ == ChangeCount(); }

 private:
  std::shared_ptr<MAPIFolder> Folder() const;
  // The items of the collection now. A restriction is evaluated again only after something
  // stored has changed, so that reading it several times (its count, its first item, a
  // table over it) costs one evaluation.
  const std::vector<std::shared_ptr<outlook::Item>>& Current() const;
  void CheckFields(const outlook::Filter& filter) const;

  std::weak_ptr<MAPIFolder> folder_;
  std::wstring filterText_;
  std::shared_ptr<outlook::Filter> filter_;
  int32_t cursor_ = 0;
  std::shared_ptr<outlook::Filter> find_;
  std::shared_ptr<outlook::Item> lastFound_;
  mutable std::shared_ptr<const std::vector<std::shared_ptr<outlook::Item>>> cache_;
  mutable bool cached_ = false;
  mutable uint64_t cachedAt_ = 0;
};

}  // namespace outlook
