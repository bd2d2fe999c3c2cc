// The runtime's keyed Collection: items in insertion order, 1-based positions, optional text
// keys compared without regard to case. A key already present raises 457; a missing key
// raises 5 and a position out of range 9, as the runtime does.
#pragma once

#include <cstdint>
#include <iterator>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/vb/Error.h"
#include "platform/vb/Runtime.h"

namespace vb {

inline constexpr int32_t kKeyAlreadyAssociated = 457;

template <class T>
class Collection {
 public:
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }

  // An empty key adds the item without a key.
  void Add(T item, const std::wstring& key = L"") {
    std::wstring folded = LCase(key);
    if (!key.empty() && index_.count(folded))
      Raise(kKeyAlreadyAssociated,
            L"This key is already associated with an element of this collection");
    items_.push_back({folded, std::move(item)});
    if (!key.empty()) index_[folded] = items_.size() - 1;
  }

  T& Item(int32_t position) { return items_[CheckedPosition(position)].second; }
  const T& Item(int32_t position) const { return items_[CheckedPosition(position)].second; }
  T& Item(const std::wstring& key) { return items_[CheckedKey(key)].second; }
  const T& Item(const std::wstring& key) const { return items_[CheckedKey(key)].second; }

  // The item under the key, or null: the lookup that callers trap in the runtime.
  T* Find(const std::wstring& key) {
    auto it = index_.find(LCase(key));
    return it == index_.end() ? nullptr : &items_[it->second].second;
  }
  const T* Find(const std::wstring& key) const { return const_cast<Collection*>(this)->Find(key); }

  void Remove(int32_t position) { Erase(CheckedPosition(position)); }
  void Remove(const std::wstring& key) { Erase(CheckedKey(key)); }
  void Clear() {
    items_.clear();
    index_.clear();
  }

  // Enumeration in collection order, as For Each walks it.
  class const_iterator {
   public:
    using Inner = typename std::vector<std::pair<std::wstring, T>>::const_iterator;
    using iterator_category = std::forward_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using pointer = const T*;
    using reference = const T&;
    const_iterator() = default;
    explicit const_iterator(Inner it) : it_(it) {}
    const T& operator*() const { return it_->second; }
    const T* operator->() const { return &it_->second; }
    const_iterator& operator++() {
      ++it_;
      return *this;
    }
    bool operator==(const const_iterator& other) const { return it_ == other.it_; }
    bool operator!=(const const_iterator& other) const { return it_ != other.it_; }

   private:
    Inner it_;
  };
  const_iterator begin() const { return const_iterator(items_.begin()); }
  const_iterator end() const { return const_iterator(items_.end()); }

 private:
  size_t CheckedPosition(int32_t position) const {
    if (position < 1 || position > Count()) Raise(kSubscriptOutOfRange);
    return static_cast<size_t>(position - 1);
  }
  size_t CheckedKey(const std::wstring& key) const {
    auto it = index_.find(LCase(key));
    if (it == index_.end()) Raise(kInvalidProcedureCall);
    return it->second;
  }
  // Only the keys after the removed item move: their positions go down by one in place.
  void Erase(size_t at) {
    if (!items_[at].first.empty()) index_.erase(items_[at].first);
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(at));
    for (size_t i = at; i < items_.size(); ++i)
      if (!items_[i].first.empty()) index_.find(items_[i].first)->second = i;
  }

  std::vector<std::pair<std::wstring, T>> items_;  // folded key (empty: none), item
  std::unordered_map<std::wstring, size_t> index_;
};

}  // namespace vb
