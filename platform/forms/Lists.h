// List controls: ListBox (optionally Sorted) and the drop-down ComboBox. Items are numbered from
// 0; ListIndex -1 means no selection.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/forms/Control.h"
#include "platform/forms/Controls.h"

namespace forms {

class ListControl : public Control {
 public:
  using Control::Control;
  // Sorted lists place each item by its text, ignoring case, after items of equal text; an
  // explicit index is taken only by unsorted lists. Error 5 for an index out of range.
  void AddItem(const std::wstring& text, std::optional<int32_t> index = std::nullopt);
  void RemoveItem(int32_t index);
  void Clear();
  int32_t ListCount() const { return static_cast<int32_t>(items_.size()); }
  std::wstring List(int32_t index) const;
  void SetList(int32_t index, const std::wstring& text);
  int32_t ItemData(int32_t index) const;
  void SetItemData(int32_t index, int32_t data);
  // The index the last AddItem gave its item.
  int32_t NewIndex() const { return newIndex_; }
  int32_t ListIndex() const { return listIndex_; }
  // A change raises Click.
  void SetListIndex(int32_t index);
  bool Sorted() const { return sorted_; }
  // A design-time property: set it before adding items.
  void SetSorted(bool sorted) { sorted_ = sorted; }
  std::function<void()> OnClick;

 private:
  void Check(int32_t index) const;
  struct Item {
    std::wstring text;
    int32_t data = 0;
  };
  std::vector<Item> items_;
  int32_t listIndex_ = -1;
  int32_t newIndex_ = -1;
  bool sorted_ = false;
};

class ListBox : public ListControl {
 public:
  ListBox() : ListControl(L"ListBox", kVisualControl) {}
};

class ComboBox : public ListControl {
 public:
  ComboBox() : ListControl(L"ComboBox", kVisualControl) {}
  // The text of the selected item (a drop-down list has no text of its own).
  std::wstring Text() const { return ListIndex() < 0 ? L"" : List(ListIndex()); }
};

}  // namespace forms
