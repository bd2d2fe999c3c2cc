#include "platform/forms/Lists.h"

#include "platform/vb/Error.h"
#include "platform/vb/Runtime.h"

namespace forms {

void ListControl::Check(int32_t index) const {
  if (index < 0 || index >= ListCount()) vb::Raise(381, L"Invalid property array index");
}

void ListControl::AddItem(const std::wstring& text, std::optional<int32_t> index) {
  size_t at = items_.size();
  if (sorted_) {
    std::wstring key = vb::LCase(text);
    at = 0;
    while (at < items_.size() && vb::LCase(items_[at].text) <= key) ++at;
  } else if (index) {
    if (*index < 0 || *index > ListCount()) vb::Raise(5);
    at = static_cast<size_t>(*index);
  }
  items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(at), Item{text, 0});
  newIndex_ = static_cast<int32_t>(at);
  if (listIndex_ >= newIndex_) ++listIndex_;
}

void ListControl::RemoveItem(int32_t index) {
  if (index < 0 || index >= ListCount()) vb::Raise(5);
  items_.erase(items_.begin() + index);
  if (listIndex_ == index)
    listIndex_ = -1;
  else if (listIndex_ > index)
    --listIndex_;
}

void ListControl::Clear() {
  items_.clear();
  listIndex_ = -1;
  newIndex_ = -1;
}

std::wstring ListControl::List(int32_t index) const {
  // Reading past the end gives empty text, as the runtime does.
  return index >= 0 && index < ListCount() ? items_[static_cast<size_t>(index)].text : L"";
}

void ListControl::SetList(int32_t index, const std::wstring& text) {
  Check(index);
  items_[static_cast<size_t>(index)].text = text;
}

int32_t ListControl::ItemData(int32_t index) const {
  Check(index);
  return items_[static_cast<size_t>(index)].data;
}

void ListControl::SetItemData(int32_t index, int32_t data) {
  Check(index);
  items_[static_cast<size_t>(index)].data = data;
}

void ListControl::SetListIndex(int32_t index) {
  if (index < -1 || index >= ListCount()) vb::Raise(380, L"Invalid property value");
  if (index == listIndex_) return;
  listIndex_ = index;
  if (OnClick) OnClick();
}

}  // namespace forms
