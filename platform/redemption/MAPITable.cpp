#include "platform/redemption/MAPITable.h"

#include "platform/outlook/Item.h"
#include "platform/outlook/Items.h"
#include "platform/vb/Error.h"

namespace redemption {

std::shared_ptr<Restriction> Restriction::Add(int32_t kind) {
  if (kind_ != RES_AND && kind_ != RES_OR && kind_ != RES_NOT)
    vb::Raise(outlook::kErrFailed, L"Only AND, OR and NOT restrictions have sub-restrictions.");
  auto child = std::make_shared<Restriction>(kind);
  children_.push_back(child);
  return child;
}

namespace {
int Compare(const PropValue& a, const PropValue& b) {
  if (auto* sa = std::get_if<std::wstring>(&a)) {
    auto* sb = std::get_if<std::wstring>(&b);
    if (!sb) return 2;
    std::wstring la = outlook::Lower(*sa), lb = outlook::Lower(*sb);
    return la < lb ? -1 : la > lb ? 1 : 0;
  }
  if (a.index() != b.index()) return 2;  // not comparable: matches nothing but NE
  return a < b ? -1 : b < a ? 1 : 0;
}
}  // namespace

bool Restriction::Matches(const outlook::Item& item) const {
  switch (kind_) {
    case RES_AND:
      for (auto& c : children_)
        if (!c->Matches(item)) return false;
      return true;
    case RES_OR:
      for (auto& c : children_)
        if (c->Matches(item)) return true;
      return false;
    case RES_NOT:
      return children_.empty() || !children_[0]->Matches(item);
    case RES_PROPERTY:
      break;
    default:
      vb::Raise(outlook::kErrFailed, L"MAPI_E_TOO_COMPLEX");
  }
  PropValue value = item.GetProp(ulPropTag);
  if (std::holds_alternative<std::monostate>(value)) return false;
  int c = Compare(value, lpProp);
  if (c == 2) return relop == RELOP_NE;
  switch (relop) {
    case RELOP_LT:
      return c < 0;
    case RELOP_LE:
      return c <= 0;
    case RELOP_GT:
      return c > 0;
    case RELOP_GE:
      return c >= 0;
    case RELOP_EQ:
      return c == 0;
    case RELOP_NE:
      return c != 0;
  }
  return false;
}

std::shared_ptr<Restriction> TableFilter::SetKind(int32_t kind) {
  root_ = std::make_shared<redemption::Restriction>(kind);
  return root_;
}

bool TableFilter::FindFirst(bool forward) {
  table_.walk_.reset();
  const auto& rows = table_.WalkRows();
  if (!root_) return false;
  for (size_t n = 0; n < rows.size(); ++n) {
    size_t i = forward ? n : rows.size() - 1 - n;
    if (root_->Matches(rows[i]->Stored())) {
      table_.cursor_ = i;
      return true;
    }
  }
  return false;
}

bool TableFilter::FindNext(bool forward) {
  const auto& rows = table_.WalkRows();
  if (!root_) return false;
  if (forward) {
    for (size_t i = table_.cursor_ + 1; i < rows.size(); ++i)
      if (root_->Matches(rows[i]->Stored())) return table_.cursor_ = i, true;
  } else {
    for (size_t i = table_.cursor_; i-- > 0;)
      if (root_->Matches(rows[i]->Stored())) return table_.cursor_ = i, true;
  }
  return false;
}

MAPITable::MAPITable() : filter_(std::make_unique<TableFilter>(*this)) {}

void MAPITable::SetItem(std::shared_ptr<outlook::Items> items) {
  items_ = std::move(items);
  cursor_ = 0;
  walk_.reset();
}

const std::vector<std::shared_ptr<outlook::Item>>& MAPITable::WalkRows() {
  if (!walk_) walk_ = Rows();
  return *walk_;
}

std::shared_ptr<const std::vector<std::shared_ptr<outlook::Item>>> MAPITable::Rows() const {
  if (!items_) vb::Raise(outlook::kErrFailed, L"MAPITable.Item is not set.");
  return items_->Snapshot();
}

int32_t MAPITable::RowCount() const {
  return static_cast<int32_t>(Rows()->size());
}

std::optional<TableRow> MAPITable::GetRow() {
  static const auto kEmpty = std::make_shared<const PropValue>();
  const auto& rows = WalkRows();
  if (cursor_ >= rows.size()) return std::nullopt;
  TableRow row;
  // A table reads the store: what each item was last saved as.
  const auto& item = rows[cursor_++]->Stored();
  // A walk reads row after row of items spread over the heap: the next ones are asked for
  // ahead, so that their fetch overlaps this row's work: items, their property lists, and
  // the next row's values and texts of the table's columns.
  if (cursor_ + 4 < rows.size()) rows[cursor_ + 4]->PrefetchFields();
  if (cursor_ + 2 < rows.size()) rows[cursor_ + 2]->PrefetchProps();
  if (cursor_ + 1 < rows.size())
    for (uint32_t tag : columns_) rows[cursor_ + 1]->PrefetchProp(tag);
  for (uint32_t tag : columns_) {
    auto v = item.SharedProp(tag);
    // A value of another type than the column asks for comes back as an error value.
    uint32_t type = outlook::PropType(tag);
    bool text = type == outlook::PT_STRING8 || type == outlook::PT_UNICODE;
    if ((text && !std::holds_alternative<std::wstring>(*v)) ||
        (type == outlook::PT_LONG && !std::holds_alternative<int32_t>(*v)))
      v = kEmpty;
    row.Add(std::move(v));
  }
  return row;
}

}  // namespace redemption
