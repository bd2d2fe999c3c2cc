// Redemption's MAPITable over an Outlook Items collection: columns by tag, a restriction
// filter, and rows read in the collection's order. A walk with GetRow reads the rows as they
// stood when it began (SetItem, GoToFirst or FindFirst), as a MAPI table's cursor does.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "platform/outlook/Forward.h"
#include "platform/outlook/Props.h"

namespace redemption {

using outlook::PropValue;

inline constexpr int32_t RES_AND = 0, RES_OR = 1, RES_NOT = 2, RES_PROPERTY = 4;
inline constexpr int32_t RELOP_LT = 0, RELOP_LE = 1, RELOP_GT = 2, RELOP_GE = 3, RELOP_EQ = 4,
                         RELOP_NE = 5;

class Restriction {
 public:
  explicit Restriction(int32_t kind) : kind_(kind) {}
  int32_t Kind() const { return kind_; }
  // A sub-restriction of an AND, OR or NOT restriction.
  std::shared_ptr<Restriction> Add(int32_t kind);
  // Of a property restriction.
  int32_t relop = RELOP_EQ;
  uint32_t ulPropTag = 0;
  PropValue lpProp;

  bool Matches(const outlook::Item& item) const;

 private:
  int32_t kind_;
  std::vector<std::shared_ptr<Restriction>> children_;
};

class MAPITable;

// One row of a table: the values in column order. They are the item's own stored values,
// shared rather than copied; a later write to the item replaces its value and leaves the
// row's as it was read.
class TableRow {
 public:
  const PropValue& operator[](size_t column) const {
    return column < kHeld ? *held_[column] : *more_[column - kHeld];
  }
  size_t size() const { return size_; }

 private:
  friend class MAPITable;
  // A walk makes a row per item: the values of the usual few columns are held in the row
  // itself, so that a row costs no allocation.
  static constexpr size_t kHeld = 12;
  void Add(std::shared_ptr<const PropValue> value) {
    if (size_ < kHeld)
      held_[size_] = std::move(value);
    else
      more_.push_back(std::move(value));
    ++size_;
  }
  std::array<std::shared_ptr<const PropValue>, kHeld> held_;
  std::vector<std::shared_ptr<const PropValue>> more_;
  size_t size_ = 0;
};

class TableFilter {
 public:
  explicit TableFilter(MAPITable& table) : table_(table) {}
  void Clear() { root_.reset(); }
  // Starts a new restriction of the kind and answers it.
  std::shared_ptr<redemption::Restriction> SetKind(int32_t kind);
  std::shared_ptr<redemption::Restriction> Restriction() const { return root_; }
  // Moves to the first (forward) or last matching row; False when none matches.
  bool FindFirst(bool forward);
  bool FindNext(bool forward);

 private:
  MAPITable& table_;
  std::shared_ptr<redemption::Restriction> root_;
};

class MAPITable {
 public:
  MAPITable();
  void SetItem(std::shared_ptr<outlook::Items> items);
  std::shared_ptr<outlook::Items> Item() const { return items_; }
  void SetColumns(std::vector<uint32_t> tags) { columns_ = std::move(tags); }
  const std::vector<uint32_t>& Columns() const { return columns_; }
  TableFilter& Filter() { return *filter_; }
  int32_t RowCount() const;
  void GoToFirst() {
    cursor_ = 0;
    walk_.reset();
  }
  // The current row's values in column order (a value the item lacks is empty), then the
  // next row; nothing after the last row.
  std::optional<TableRow> GetRow();

 private:
  friend class TableFilter;
  std::shared_ptr<const std::vector<std::shared_ptr<outlook::Item>>> Rows() const;
  // The rows of the walk under way, read once when it began.
  const std::vector<std::shared_ptr<outlook::Item>>& WalkRows();

  std::shared_ptr<outlook::Items> items_;
  std::vector<uint32_t> columns_;
  std::unique_ptr<TableFilter> filter_;
  size_t cursor_ = 0;
  std::shared_ptr<const std::vector<std::shared_ptr<outlook::Item>>> walk_;
};

}  // namespace redemption
