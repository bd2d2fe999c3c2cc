#include "platform/forms/TreeView.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <unordered_set>
#include <utility>

#include "platform/vb/Error.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/Bytes.h"

namespace forms {
namespace {
[[noreturn]] void NotFound() {
  vb::Raise(35601, L"Element not found");
}

// Each text folded once, not at every comparison: a folder of thousands of templates is sorted
// at every opening of the picker. The folded texts share one buffer.
void SortByText(std::vector<std::shared_ptr<Node>>& nodes) {
  if (nodes.size() < 2) return;
  struct Folded {
    size_t start, length, from;
  };
  std::vector<Folded> order;
  order.reserve(nodes.size());
  size_t total = 0;
  for (const auto& node : nodes) total += node->Text.size();
  std::wstring texts(total, L'\0');
  wchar_t* to = texts.data();
  for (size_t i = 0; i < nodes.size(); ++i) {
    const std::wstring& text = nodes[i]->Text;
    order.push_back({static_cast<size_t>(to - texts.data()), text.size(), i});
    for (wchar_t c : text)
      *to++ = c < 0x80 ? (c >= L'A' && c <= L'Z' ? c + 32 : c) : vb::LowerChar(c);
  }
  const std::wstring_view all(texts);
  std::stable_sort(order.begin(), order.end(), [all](const Folded& a, const Folded& b) {
    return std::wstring_view(all.data() + a.start, a.length) <
           std::wstring_view(all.data() + b.start, b.length);
  });
  std::vector<std::shared_ptr<Node>> sorted;
  sorted.reserve(nodes.size());
  for (const auto& f : order) sorted.push_back(std::move(nodes[f.from]));
  nodes.swap(sorted);
}

void Collect(const std::shared_ptr<Node>& node, std::vector<Node*>& out) {
  out.push_back(node.get());
  for (auto& child : node->ChildNodes()) Collect(child, out);
}
}  // namespace

std::vector<std::shared_ptr<Node>>& Node::Siblings() const {
  auto parent = parent_.lock();
  return parent ? parent->children_ : tree_->roots_;
}

std::shared_ptr<Node> Node::Next() const {
  auto& s = Siblings();
  auto it = std::find(s.begin(), s.end(), shared_from_this());
  return it == s.end() || it + 1 == s.end() ? nullptr : *(it + 1);
}

std::shared_ptr<Node> Node::Previous() const {
  auto& s = Siblings();
  auto it = std::find(s.begin(), s.end(), shared_from_this());
  return it == s.end() || it == s.begin() ? nullptr : *(it - 1);
}

int32_t Node::Index() const {
  auto& all = tree_->nodes_.all_;
  return static_cast<int32_t>(std::find(all.begin(), all.end(), shared_from_this()) - all.begin()) +
         1;
}

bool Node::Selected() const {
  return tree_->SelectedItem().get() == this;
}

void Node::SetSelected(bool selected) {
  if (selected)
    tree_->SetSelectedItem(shared_from_this());
  else if (Selected())
    tree_->SetSelectedItem(nullptr);
}

void Node::SetSorted(bool sorted) {
  if (sorted) tree_->CheckSortFailure();
  sorted_ = sorted;
  if (sorted) SortByText(children_);
}

bool Node::EnsureVisible() {
  bool changed = false;
  for (auto p = Parent(); p; p = p->Parent()) {
    changed = changed || !p->Expanded;
    p->Expanded = true;
  }
  return changed;
}

bool Node::IsShown() const {
  for (auto p = Parent(); p; p = p->Parent())
    if (!p->Expanded) return false;
  return true;
}

std::wstring Node::FullPath() const {
  auto parent = Parent();
  return parent ? parent->FullPath() + L"\\" + Text : Text;
}

namespace {
// Keys are long and alike: an "N" and an EntryID's 70 hex digits.
size_t HashOfKey(std::wstring_view key) {
  return win32::bytes::HashOfText(key);
}
}  // namespace

size_t NodeIndex::Probe(std::wstring_view key, size_t hash) const {
  const size_t mask = slots_.size() - 1;
  for (size_t at = hash & mask;; at = (at + 1) & mask) {
    const Slot& slot = slots_[at];
    if (!slot.node || (slot.hash == hash && slot.node->Key() == key)) return at;
  }
}

Node* NodeIndex::Find(std::wstring_view key) const {
  if (size_ == 0) return nullptr;
  return slots_[Probe(key, HashOfKey(key))].node;
}

bool NodeIndex::Insert(Node& node) {
  if (4 * (size_ + 1) > 3 * slots_.size()) Grow();
  const std::wstring_view key = node.Key();
  const size_t hash = HashOfKey(key);
  Slot& slot = slots_[Probe(key, hash)];
  if (slot.node) return false;
  slot = {hash, &node};
  ++size_;
  return true;
}

// Linear probing without tombstones: the entries after the freed slot that would not be found
// across the gap move back into it.
void NodeIndex::Erase(std::wstring_view key) {
  if (size_ == 0) return;
  const size_t mask = slots_.size() - 1;
  size_t gap = Probe(key, HashOfKey(key));
  if (!slots_[gap].node) return;
  for (size_t at = (gap + 1) & mask; slots_[at].node; at = (at + 1) & mask) {
    const size_t home = slots_[at].hash & mask;
    // Stays when its home lies cyclically in (gap, at].
    if (gap < at ? (home > gap && home <= at) : (home > gap || home <= at)) continue;
    slots_[gap] = slots_[at];
    gap = at;
  }
  slots_[gap] = {};
  --size_;
}

void NodeIndex::Clear() {
  slots_.clear();
  size_ = 0;
}

void NodeIndex::Grow() {
  std::vector<Slot> old = std::move(slots_);
  slots_.assign(std::max<size_t>(16, 2 * old.size()), Slot{});
  const size_t mask = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (!slot.node) continue;
    size_t at = slot.hash & mask;
    while (slots_[at].node) at = (at + 1) & mask;
    slots_[at] = slot;
  }
}

std::shared_ptr<Node> Nodes::Add(const NodeRef& relative, int32_t relationship, std::wstring key,
                                 std::wstring text, int32_t image) {
  if (relationship < tvwFirst || relationship > tvwChild) vb::Raise(35603, L"Invalid argument");
  auto node = std::make_shared<Node>();
  node->tree_ = &tree_;
  node->key_ = std::move(key);
  node->Text = std::move(text);
  node->Image = image;
  // The key is looked up once: its entry is made here and taken back if the relative is unknown.
  const bool keyed = !node->key_.empty();
  if (keyed && !byKey_.Insert(*node)) vb::Raise(35602, L"Key is not unique in collection");
  std::shared_ptr<Node> rel;
  try {
    if (!std::holds_alternative<std::monostate>(relative)) rel = Item(relative);
    if (rel == node) NotFound();  // its own key: the node is not in the tree yet
  } catch (...) {
    if (keyed) byKey_.Erase(node->key_);
    throw;
  }
  std::vector<std::shared_ptr<Node>>* siblings = &tree_.roots_;
  size_t at = siblings->size();
  if (rel && relationship == tvwChild) {
    node->parent_ = rel;
    siblings = &rel->children_;
    at = siblings->size();
  } else if (rel) {
    node->parent_ = rel->parent_;
    siblings = &rel->Siblings();
    size_t pos =
        static_cast<size_t>(std::find(siblings->begin(), siblings->end(), rel) - siblings->begin());
    at = relationship == tvwFirst  ? 0
         : relationship == tvwLast ? siblings->size()
         : relationship == tvwNext ? pos + 1
                                   : pos;
  }
  siblings->insert(siblings->begin() + static_cast<std::ptrdiff_t>(at), node);
  all_.push_back(node);
  return node;
}

std::shared_ptr<Node> Nodes::Item(const NodeRef& ref) const {
  if (auto* key = std::get_if<std::wstring>(&ref)) {
    Node* found = key->empty() ? nullptr : byKey_.Find(*key);
    if (!found) NotFound();
    return found->shared_from_this();
  }
  if (auto* index = std::get_if<int32_t>(&ref)) {
    if (*index < 1 || *index > Count()) NotFound();
    return all_[static_cast<size_t>(*index - 1)];
  }
  if (auto* node = std::get_if<std::shared_ptr<Node>>(&ref)) {
    if (*node && (*node)->tree_ == &tree_ && !(*node)->removed_) return *node;
  }
  NotFound();
}

void Nodes::Remove(const NodeRef& ref) {
  auto node = Item(ref);
  std::vector<Node*> gone;
  Collect(node, gone);
  auto& siblings = node->Siblings();
  siblings.erase(std::find(siblings.begin(), siblings.end(), node));
  if (auto selected = tree_.SelectedItem();
      selected && std::find(gone.begin(), gone.end(), selected.get()) != gone.end())
    tree_.selected_.reset();
  std::unordered_set<Node*> goneSet(gone.begin(), gone.end());
  for (Node* n : gone) {
    n->removed_ = true;
    if (!n->key_.empty()) byKey_.Erase(n->key_);
  }
  std::erase_if(all_, [&](const auto& n) { return goneSet.count(n.get()) != 0; });
}

void Nodes::Clear() {
  byKey_.Clear();  // before the nodes whose keys it views
  for (auto& n : all_) n->removed_ = true;
  all_.clear();
  tree_.roots_.clear();
  tree_.selected_.reset();
}

TreeView::TreeView() : Control(L"TreeView", kVisualControl), nodes_(*this) {}

void TreeView::SetSelectedItem(const std::shared_ptr<Node>& node) {
  if (node && node->tree_ != this) vb::Raise(35605, L"This control has been deleted");
  selected_ = node;
}

void TreeView::CheckSortFailure() {
  if (failNextSort_ == 0) return;
  int32_t number = failNextSort_;
  failNextSort_ = 0;
  vb::Raise(number);
}

void TreeView::SetSorted(bool sorted) {
  if (sorted) CheckSortFailure();
  sorted_ = sorted;
  if (sorted) SortByText(roots_);
}

}  // namespace forms
