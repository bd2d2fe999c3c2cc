#include "platform/forms/TreeView.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "platform/vb/Error.h"
#include "platform/vb/Runtime.h"

namespace forms {
namespace {
[[noreturn]] void NotFound() {
  vb::Raise(35601, L"Element not found");
}

// Each text folded once, not at every comparison: a folder of thousands of templates is sorted
// at every opening of the picker.
void SortByText(std::vector<std::shared_ptr<Node>>& nodes) {
  std::vector<std::pair<std::wstring, std::shared_ptr<Node>>> keyed;
  keyed.reserve(nodes.size());
  for (auto& node : nodes) keyed.emplace_back(vb::LCase(node->Text), std::move(node));
  std::stable_sort(keyed.begin(), keyed.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (size_t i = 0; i < nodes.size(); ++i) nodes[i] = std::move(keyed[i].second);
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

std::shared_ptr<Node> Nodes::Add(const NodeRef& relative, int32_t relationship,
                                 const std::wstring& key, const std::wstring& text, int32_t image) {
  if (relationship < tvwFirst || relationship > tvwChild) vb::Raise(35603, L"Invalid argument");
  if (!key.empty() && byKey_.count(key) != 0) vb::Raise(35602, L"Key is not unique in collection");
  std::shared_ptr<Node> rel;
  if (!std::holds_alternative<std::monostate>(relative)) rel = Item(relative);
  auto node = std::make_shared<Node>();
  node->tree_ = &tree_;
  node->key_ = key;
  node->Text = text;
  node->Image = image;
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
  if (!key.empty()) byKey_[key] = node.get();
  return node;
}

std::shared_ptr<Node> Nodes::Item(const NodeRef& ref) const {
  if (auto* key = std::get_if<std::wstring>(&ref)) {
    auto it = byKey_.find(*key);
    if (key->empty() || it == byKey_.end()) NotFound();
    return it->second->shared_from_this();
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
    if (!n->key_.empty()) byKey_.erase(n->key_);
  }
  std::erase_if(all_, [&](const auto& n) { return goneSet.count(n.get()) != 0; });
}

void Nodes::Clear() {
  for (auto& n : all_) n->removed_ = true;
  all_.clear();
  byKey_.clear();
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
