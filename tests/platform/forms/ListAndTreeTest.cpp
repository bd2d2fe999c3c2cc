// ListBox, ComboBox and TreeView as the dialogs use them.
#include <gtest/gtest.h>

#include <set>

#include "platform/forms/Form.h"
#include "platform/forms/Lists.h"
#include "platform/forms/TreeView.h"
#include "platform/forms/User.h"
#include "platform/vb/Error.h"

using namespace forms;

namespace {
class frmTree : public Form {
 public:
  frmTree() : Form(L"frmTree") {}
  std::shared_ptr<TreeView> tree;
  std::shared_ptr<ListBox> list;
  std::vector<std::wstring> clicks;

 protected:
  void Design() override {
    tree = Add<TreeView>(L"treFolders");
    tree->OnNodeClick = [this](Node& n) { clicks.push_back(L"node " + n.Key()); };
    tree->OnClick = [this] { clicks.push_back(L"click"); };
    tree->OnDblClick = [this] { clicks.push_back(L"dblclick"); };
    list = Add<ListBox>(L"lst");
  }
};

int32_t ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const vb::Error& e) {
    return e.Number();
  }
  return 0;
}

std::wstring Texts(const std::vector<std::shared_ptr<Node>>& nodes) {
  std::wstring all;
  for (auto& n : nodes) all += n->Text + L";";
  return all;
}
}  // namespace

TEST(ListBox, SortedInsertsByTextIgnoringCase) {
  ListBox list;
  list.SetSorted(true);
  for (const wchar_t* s : {L"b", L"C", L"a", L"B"}) list.AddItem(s);
  EXPECT_EQ(L"a", list.List(0));
  EXPECT_EQ(L"b", list.List(1));
  EXPECT_EQ(L"B", list.List(2)) << "after items of equal text";
  EXPECT_EQ(2, list.NewIndex());
  EXPECT_EQ(L"", list.List(9));
  list.SetItemData(3, 7);
  EXPECT_EQ(7, list.ItemData(3));
  EXPECT_EQ(381, ErrorOf([&] { list.ItemData(4); }));
  ListBox plain;
  plain.AddItem(L"z");
  plain.AddItem(L"y", 0);
  EXPECT_EQ(L"y", plain.List(0));
}

TEST(TreeView, SortIgnoresCaseAndKeepsTheOrderOfEqualTexts) {
  frmTree f;
  f.Load();
  auto& nodes = f.tree->Nodes();
  const wchar_t* texts[] = {L"b", L"\x00C9t\x00E9", L"A", L"B", L"a", L"\x00E9T\x00C9", L"c"};
  int key = 0;
  for (const wchar_t* text : texts) nodes.Add({}, tvwLast, L"K" + std::to_wstring(key++), text);
  f.tree->SetSorted(true);
  std::wstring roots;
  for (const auto& node : f.tree->Roots()) roots += node->Text + L";";
  EXPECT_EQ(L"A;a;b;B;c;\x00C9t\x00E9;\x00E9T\x00C9;", roots);
}

TEST(TreeView, KeysRelationsAndErrors) {
  frmTree f;
  f.Load();
  auto& nodes = f.tree->Nodes();
  nodes.Add({}, tvwLast, L"R", L"Root", 1);
  nodes.Add(std::wstring(L"R"), tvwChild, L"F2", L"beta");
  nodes.Add(std::wstring(L"R"), tvwChild, L"F1", L"Alpha");
  nodes.Add(std::wstring(L"F2"), tvwPrevious, L"F0", L"gamma");
  EXPECT_EQ(L"beta;Alpha;", Texts(nodes.Item(std::wstring(L"R"))->ChildNodes()).substr(6));
  EXPECT_EQ(L"gamma;beta;Alpha;", Texts(nodes.Item(1)->ChildNodes()));
  EXPECT_EQ(35602, ErrorOf([&] { nodes.Add({}, tvwLast, L"R", L"again"); }));
  EXPECT_EQ(35601, ErrorOf([&] { nodes.Add(std::wstring(L"nope"), tvwChild, L"X", L"x"); }));
  EXPECT_EQ(35601, ErrorOf([&] { nodes.Item(9); }));
  EXPECT_EQ(L"Root\\beta", nodes.Item(std::wstring(L"F2"))->FullPath());
  EXPECT_EQ(2, nodes.Item(std::wstring(L"F2"))->Index()) << "Index counts in adding order";

  // Sorted sorts once, when it is set.
  nodes.Item(std::wstring(L"R"))->SetSorted(true);
  EXPECT_EQ(L"Alpha;beta;gamma;", Texts(nodes.Item(1)->ChildNodes()));
  nodes.Item(std::wstring(L"F1"))->Text = L"zulu";
  nodes.Add(std::wstring(L"R"), tvwChild, L"F3", L"aaa");
  EXPECT_EQ(L"zulu;beta;gamma;aaa;", Texts(nodes.Item(1)->ChildNodes()));

  f.tree->FailNextSort(7);
  EXPECT_EQ(7, ErrorOf([&] { nodes.Item(std::wstring(L"R"))->SetSorted(true); }));
  EXPECT_EQ(L"zulu;beta;gamma;aaa;", Texts(nodes.Item(1)->ChildNodes())) << "nothing sorted";
  nodes.Item(std::wstring(L"R"))->SetSorted(true);  // only the next sort fails
  EXPECT_EQ(L"aaa;beta;gamma;zulu;", Texts(nodes.Item(1)->ChildNodes()));

  nodes.Item(std::wstring(L"F2"))->SetSelected(true);
  nodes.Remove(std::wstring(L"F2"));
  EXPECT_EQ(35601, ErrorOf([&] { nodes.Item(std::wstring(L"F2")); }));
  EXPECT_EQ(nullptr, f.tree->SelectedItem());
  auto gone = nodes.Item(std::wstring(L"F0"));
  nodes.Remove(std::wstring(L"F0"));
  EXPECT_EQ(35601, ErrorOf([&] { nodes.Add(gone, tvwChild, L"X", L"x"); })) << "removed node";
  nodes.Add(std::wstring(L"R"), tvwChild, L"F2", L"beta again");  // its key is free again
  nodes.Remove(std::wstring(L"R"));
  EXPECT_EQ(0, nodes.Count());
  EXPECT_EQ(35601, ErrorOf([&] { nodes.Item(std::wstring(L"F1")); })) << "children go too";
  nodes.Add({}, tvwLast, L"R", L"Root");
  nodes.Clear();
  EXPECT_EQ(35601, ErrorOf([&] { nodes.Item(std::wstring(L"R")); }));
  nodes.Add({}, tvwLast, L"R", L"Root");
}

TEST(TreeView, SortComparesWholeFoldedTexts) {
  frmTree f;
  f.Load();
  auto& nodes = f.tree->Nodes();
  auto root = nodes.Add({}, tvwLast, L"R", L"Root");
  const wchar_t* texts[] = {L"ab", L"A",       L"",    L"a b",    L"AB",
                            L"9z", L"\x0160x", L"aB!", L"\x0161", L"a"};
  int key = 0;
  for (const wchar_t* text : texts) nodes.Add(root, tvwChild, L"K" + std::to_wstring(key++), text);
  root->SetSorted(true);
  EXPECT_EQ(L";9z;A;a;a b;ab;AB;aB!;\x0161;\x0160x;", Texts(root->ChildNodes()));
  auto only = nodes.Add({}, tvwLast, L"S", L"single");
  only->SetSorted(true);
  EXPECT_EQ(0, only->Children());
}

// Thousands of keys added and removed in turn, the way the picker fills and rebuilds: every
// key still present is found, every removed one is not and may be used again.
TEST(TreeView, KeysStayFoundThroughManyAddsAndRemoves) {
  frmTree f;
  f.Load();
  auto& nodes = f.tree->Nodes();
  auto root = nodes.Add({}, tvwLast, L"R", L"Root");
  std::set<std::wstring> present{L"R"};
  auto keyOf = [](int i) { return L"N" + std::to_wstring(i * 7919 % 5003); };
  for (int i = 0; i < 3000; ++i) {
    nodes.Add(root, tvwChild, keyOf(i), L"t");
    present.insert(keyOf(i));
  }
  for (int i = 0; i < 3000; i += 3) {
    nodes.Remove(keyOf(i));
    present.erase(keyOf(i));
  }
  for (int i = 0; i < 3000; i += 6) {
    nodes.Add(root, tvwChild, keyOf(i), L"again");
    present.insert(keyOf(i));
  }
  EXPECT_EQ(static_cast<int32_t>(present.size()), nodes.Count());
  int missed = 0, wrong = 0;
  for (int i = 0; i < 5003; ++i) {
    std::wstring key = L"N" + std::to_wstring(i);
    int32_t error = ErrorOf([&] {
      if (nodes.Item(key)->Key() != key) ++wrong;
    });
    if ((error == 0) != (present.count(key) != 0)) ++missed;
  }
  EXPECT_EQ(0, missed);
  EXPECT_EQ(0, wrong);
  EXPECT_EQ(35602, ErrorOf([&] { nodes.Add(root, tvwChild, keyOf(1), L"twice"); }));

  // A refused add keeps nothing of its key; a removed folder takes its children's keys along.
  EXPECT_EQ(35601, ErrorOf([&] { nodes.Add(std::wstring(L"nope"), tvwChild, L"X", L"x"); }));
  EXPECT_EQ(35601, ErrorOf([&] { nodes.Item(std::wstring(L"X")); }));
  const int32_t count = nodes.Count();
  EXPECT_EQ(35601, ErrorOf([&] { nodes.Add(std::wstring(L"X"), tvwChild, L"X", L"x"); }))
      << "a node is not its own relative";
  EXPECT_EQ(count, nodes.Count());
  nodes.Add(root, tvwChild, L"X", L"x");
  nodes.Add(std::wstring(L"X"), tvwChild, L"X1", L"x1");
  nodes.Remove(std::wstring(L"R"));
  EXPECT_EQ(0, nodes.Count());
  EXPECT_EQ(35601, ErrorOf([&] { nodes.Item(std::wstring(L"X1")); }));
  EXPECT_EQ(35601, ErrorOf([&] { nodes.Item(keyOf(2)); }));
  nodes.Add({}, tvwLast, keyOf(2), L"back");
  EXPECT_EQ(L"back", nodes.Item(keyOf(2))->Text);

  // Small trees, crowded: runs of keys that wrap past the end of the index.
  int lost = 0;
  for (int round = 0; round < 300; ++round) {
    nodes.Clear();
    auto key = [round](int j) { return std::to_wstring(round) + L"." + std::to_wstring(j); };
    for (int j = 0; j < 8; ++j) nodes.Add({}, tvwLast, key(j));
    for (int j = round % 2; j < 8; j += 2) nodes.Remove(key(j));
    for (int j = 0; j < 8; ++j)
      if ((ErrorOf([&] { nodes.Item(key(j)); }) == 0) != (j % 2 != round % 2)) ++lost;
  }
  EXPECT_EQ(0, lost);
}

// Keys as the picker makes them: long, alike but for a digit anywhere, of every length, one
// the other's prefix or the same but for a trailing NUL; each finds its own node.
TEST(TreeView, KeysThatDifferInOneCharacterAnywhereAreTold) {
  frmTree f;
  f.Load();
  auto& nodes = f.tree->Nodes();
  const std::wstring base =
      L"N00000000A1B2C3D4E5F60718293A4B5C6D7E8F90112233445566778899AABBCCDDEEFF0";
  std::vector<std::wstring> keys;
  for (size_t length = 1; length <= base.size(); ++length) {
    keys.push_back(base.substr(0, length));
    std::wstring changed = keys.back();
    changed[length / 2] = L'#';
    keys.push_back(changed);
  }
  keys.push_back(base + std::wstring(1, L'\0'));
  keys.push_back(base + std::wstring(2, L'\0'));
  std::set<std::wstring> distinct(keys.begin(), keys.end());
  for (const auto& key : distinct) nodes.Add({}, tvwLast, key, key);
  int wrong = 0;
  for (const auto& key : distinct)
    if (nodes.Item(key)->Text != key) ++wrong;
  EXPECT_EQ(0, wrong);
  for (size_t i = 0; i < keys.size(); i += 2) vb::Ignore([&] { nodes.Remove(keys[i]); });
  for (size_t i = 0; i < keys.size(); ++i) {
    bool removed = false;
    for (size_t j = 0; j < keys.size(); j += 2) removed = removed || keys[j] == keys[i];
    EXPECT_EQ(removed ? 35601 : 0, ErrorOf([&] { nodes.Item(keys[i]); })) << i;
  }
}

TEST(TreeView, TheUserSelectsOnlyNodesThatAreShown) {
  frmTree f;
  f.Show();
  auto& nodes = f.tree->Nodes();
  nodes.Add({}, tvwLast, L"R", L"Root");
  auto deep = nodes.Add(nodes.Add(std::wstring(L"R"), tvwChild, L"A", L"a"), tvwChild, L"B", L"b");
  User u(f);
  EXPECT_THROW(u.SelectNode(L"treFolders", L"B"), ActionRefused);
  EXPECT_TRUE(deep->EnsureVisible());
  EXPECT_FALSE(deep->EnsureVisible());
  u.DblClickNode(L"treFolders", L"B");
  EXPECT_TRUE(deep->Selected());
  EXPECT_EQ((std::vector<std::wstring>{L"node B", L"click", L"dblclick"}), f.clicks);
  EXPECT_THROW(u.SelectNode(L"treFolders", L"missing"), ActionRefused);
}

TEST(Lists, TheUserSelectsAnItem) {
  frmTree f;
  f.Show();
  int clicks = 0;
  f.list->OnClick = [&] { ++clicks; };
  f.list->AddItem(L"one");
  f.list->AddItem(L"two");
  User(f).SelectItem(L"lst", 1);
  EXPECT_EQ(1, f.list->ListIndex());
  EXPECT_EQ(1, clicks);
  EXPECT_THROW(User(f).SelectItem(L"lst", 2), ActionRefused);
}
