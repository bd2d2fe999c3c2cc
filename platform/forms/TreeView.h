// The TreeView common control: nodes with unique keys, text, image, Bold, Tag, Expanded and
// per-node sorting. Nodes(i) counts in the order nodes were added; the tree order is separate.
// Sorted sorts once, at the moment it is set to True, as the dialogs rely on.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/forms/Control.h"
#include "platform/forms/Controls.h"

namespace forms {

inline constexpr int32_t tvwFirst = 0, tvwLast = 1, tvwNext = 2, tvwPrevious = 3, tvwChild = 4;
// Styles of the tree's window: the control draws lines and plus signs; a program may switch
// off the tips that show a node's text cut off at the edge.
inline constexpr uint32_t TVS_HASBUTTONS = 0x0001, TVS_HASLINES = 0x0002, TVS_NOTOOLTIPS = 0x0080;

class TreeView;

class Node : public std::enable_shared_from_this<Node> {
 public:
  const std::wstring& Key() const { return key_; }
  std::wstring Text;
  int32_t Image = 0;
  bool Bold = false;
  std::wstring Tag;
  bool Expanded = false;
  std::shared_ptr<Node> Parent() const { return parent_.lock(); }
  int32_t Children() const { return static_cast<int32_t>(children_.size()); }
  std::shared_ptr<Node> Child() const { return children_.empty() ? nullptr : children_.front(); }
  const std::vector<std::shared_ptr<Node>>& ChildNodes() const { return children_; }
  std::shared_ptr<Node> Next() const;
  std::shared_ptr<Node> Previous() const;
  // The position in the tree's Nodes collection, from 1.
  int32_t Index() const;
  bool Selected() const;
  void SetSelected(bool selected);
  bool Sorted() const { return sorted_; }
  // True sorts the children by text now, ignoring case.
  void SetSorted(bool sorted);
  // Expands every ancestor so the node can be seen; answers whether anything changed.
  bool EnsureVisible();
  // Every ancestor expanded: a user can see and click the node.
  bool IsShown() const;
  // The texts from the root down, joined with "\".
  std::wstring FullPath() const;

 private:
  friend class Nodes;
  friend class TreeView;
  std::vector<std::shared_ptr<Node>>& Siblings() const;
  TreeView* tree_ = nullptr;
  std::wstring key_;
  std::weak_ptr<Node> parent_;
  std::vector<std::shared_ptr<Node>> children_;
  bool sorted_ = false;
  bool removed_ = false;  // no longer in its tree's Nodes
};

// The nodes of a tree by key, as the control's own key index: open addressing in one table
// that keeps each key's hash, so a tree of thousands of nodes makes no allocation per key and
// grows without hashing its keys again. The keys are the nodes' own, never copied.
class NodeIndex {
 public:
  Node* Find(std::wstring_view key) const;
  // False, changing nothing, when another node has the key.
  bool Insert(Node& node);
  void Erase(std::wstring_view key);
  void Clear();

 private:
  struct Slot {
    size_t hash = 0;
    Node* node = nullptr;
  };
  // The slot holding the key, or the empty slot where it would go.
  size_t Probe(std::wstring_view key, size_t hash) const;
  void Grow();
  std::vector<Slot> slots_;  // a power of two in size, never more than three quarters full
  size_t size_ = 0;
};

// A node given by key, by its index in Nodes, or as the object itself.
using NodeRef = std::variant<std::monostate, std::wstring, int32_t, std::shared_ptr<Node>>;

class Nodes {
 public:
  explicit Nodes(TreeView& tree) : tree_(tree) {}
  // Error 35601 when the relative node is unknown, 35602 for a key already in use.
  std::shared_ptr<Node> Add(const NodeRef& relative = {}, int32_t relationship = tvwNext,
                            std::wstring key = L"", std::wstring text = L"", int32_t image = 0);
  // Error 35601 for an unknown key or index.
  std::shared_ptr<Node> Item(const NodeRef& node) const;
  int32_t Count() const { return static_cast<int32_t>(all_.size()); }
  // Removes the node and everything below it.
  void Remove(const NodeRef& node);
  void Clear();
  const std::vector<std::shared_ptr<Node>>& All() const { return all_; }

 private:
  friend class Node;
  TreeView& tree_;
  std::vector<std::shared_ptr<Node>> all_;
  NodeIndex byKey_;  // keys are unique, so look-ups stay cheap
};

class TreeView : public Control {
 public:
  TreeView();
  forms::Nodes& Nodes() { return nodes_; }
  const forms::Nodes& Nodes() const { return nodes_; }
  std::shared_ptr<Node> SelectedItem() const { return selected_.lock(); }
  void SetSelectedItem(const std::shared_ptr<Node>& node);
  bool Sorted() const { return sorted_; }
  // True sorts the root level now.
  void SetSorted(bool sorted);
  // For tests: the next sort (of the root level or of any node) raises this error instead.
  void FailNextSort(int32_t number) { failNextSort_ = number; }
  std::shared_ptr<forms::ImageList> ImageList;
  const std::vector<std::shared_ptr<Node>>& Roots() const { return roots_; }
  std::function<void(Node&)> OnNodeClick;
  std::function<void()> OnClick;
  std::function<void()> OnDblClick;

 protected:
  uint32_t WindowStyle() const override {
    return win32::WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES;
  }

 private:
  friend class forms::Nodes;
  friend class Node;
  forms::Nodes nodes_;
  std::vector<std::shared_ptr<Node>> roots_;
  std::weak_ptr<Node> selected_;
  bool sorted_ = false;
  int32_t failNextSort_ = 0;
  void CheckSortFailure();
};

}  // namespace forms
