// The filter language of Items.Restrict and Items.Find: conditions "[Property] op 'value'"
// joined by And and Or (And first), with parentheses and Not. Keywords and string
// comparisons ignore case; an apostrophe inside a value is doubled.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/outlook/Props.h"

namespace outlook {

class Filter {
 public:
  // Raises (as Outlook does, "Cannot parse condition") on a malformed filter.
  explicit Filter(const std::wstring& text);
  ~Filter();
  Filter(Filter&&) noexcept;

  // `lookup` answers a property's value by name, or nothing for a property the item does
  // not know (which raises, as an unknown property does in Outlook).
  using Lookup = std::function<std::optional<PropValue>(const std::wstring& name)>;
  bool Matches(const Lookup& lookup) const;
  // The same over values an item already holds, so that a restriction over a large folder
  // copies none: `lookup` answers the stored value, or `scratch` after making the value
  // there, or nullptr for a property the item does not know.
  using StoredLookup =
      std::function<const PropValue*(const std::wstring& name, PropValue& scratch)>;
  bool MatchesStored(const StoredLookup& lookup) const;
  // For a filter that is one condition "[property] = 'text'": the property's name and the
  // text; nullptr otherwise.
  const std::pair<std::wstring, std::wstring>* SoleTextEquality() const { return sole_.get(); }
  // The property names the conditions read, in order.
  std::vector<std::wstring> Properties() const;

  struct Node;

 private:
  std::unique_ptr<Node> root_;
  std::unique_ptr<std::pair<std::wstring, std::wstring>> sole_;
};

inline constexpr int32_t kErrCannotParse = static_cast<int32_t>(0x80020009);

}  // namespace outlook
