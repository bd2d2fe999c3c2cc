#include "platform/forms/User.h"

#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"
#include "platform/forms/FormsState.h"
#include "platform/forms/Lists.h"
#include "platform/forms/TreeView.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Reset.h"

namespace forms {
namespace {
[[noreturn]] void Refuse(const std::wstring& text) {
  throw ActionRefused(win32::ToAnsi(text));
}

template <class T>
T& As(Control& control, const wchar_t* action) {
  auto* typed = dynamic_cast<T*>(&control);
  if (!typed)
    Refuse(std::wstring(action) + L" is not possible on " + control.Name() + L" (" +
           control.TypeName() + L")");
  return *typed;
}

CommandButton* FindButton(Form& form, bool wantDefault) {
  for (auto& c : form.Controls())
    if (auto* b = dynamic_cast<CommandButton*>(c.get());
        b && (wantDefault ? b->Default() : b->Cancel()))
      return b;
  return nullptr;
}
}  // namespace

FormsState& State() {
  return win32::PlatformState<FormsState>();
}

std::optional<Script> TakeScript(const std::wstring& formName) {
  auto it = State().scripts.find(vb::LCase(formName));
  if (it == State().scripts.end() || it->second.empty()) return std::nullopt;
  Script script = std::move(it->second.front());
  it->second.pop_front();
  return script;
}

void QueueScript(const std::wstring& formName, Script script) {
  State().scripts[vb::LCase(formName)].push_back(std::move(script));
}

void DropScripts() {
  State().scripts.clear();
}

size_t PendingScripts(const std::wstring& formName) {
  auto it = State().scripts.find(vb::LCase(formName));
  return it == State().scripts.end() ? 0 : it->second.size();
}

Control& User::Find(const std::wstring& name, std::optional<int32_t> index) const {
  std::shared_ptr<Control> control;
  if (index) {
    vb::Ignore([&] { control = form_.FindControl(name, *index); });
  } else {
    control = form_.FindControl(name);
  }
  if (!control) Refuse(L"the form " + form_.Name() + L" has no control " + name);
  return *control;
}

void User::RequireForm(const std::wstring& action) const {
  std::wstring why = !form_.IsLoaded()    ? L"it is not loaded"
                     : !form_.Visible()   ? L"it is hidden"
                     : !form_.IsInFront() ? L"a modal form is in front of it"
                     : !form_.Enabled()   ? L"it is disabled"
                                          : L"";
  if (!why.empty()) Refuse(action + L" refused on " + form_.Name() + L": " + why);
}

void User::Click(const std::wstring& name, std::optional<int32_t> index) {
  Control& control = Find(name, index);
  control.RequireUserReach(L"Click");
  form_.SetActiveControl(&control);
  if (auto* button = dynamic_cast<CommandButton*>(&control)) {
    if (button->OnClick) button->OnClick();
  } else if (auto* check = dynamic_cast<CheckBox*>(&control)) {
    check->SetValue(check->Value() == vbUnchecked ? vbChecked : vbUnchecked);
  } else if (auto* option = dynamic_cast<OptionButton*>(&control)) {
    option->Choose(true);
  } else {
    Refuse(L"Click is not possible on " + name + L" (" + control.TypeName() + L")");
  }
}

void User::Type(const std::wstring& name, const std::wstring& text) {
  auto& box = As<TextBox>(Find(name, std::nullopt), L"Typing");
  box.RequireUserReach(L"Typing");
  form_.SetActiveControl(&box);
  box.SetText(text);
}

void User::SetChecked(const std::wstring& name, bool checked) {
  auto& box = As<CheckBox>(Find(name, std::nullopt), L"Checking");
  if ((box.Value() == vbChecked) != checked) Click(name);
}

void User::Choose(const std::wstring& name, std::optional<int32_t> index) {
  As<OptionButton>(Find(name, index), L"Choosing");
  Click(name, index);
}

void User::SelectNode(const std::wstring& name, const std::wstring& key) {
  auto& tree = As<TreeView>(Find(name, std::nullopt), L"Selecting a node");
  tree.RequireUserReach(L"Selecting a node");
  std::shared_ptr<Node> node;
  if (!key.empty()) {
    try {
      node = tree.Nodes().Item(key);
    } catch (const vb::Error&) {
    }
  } else {
    for (auto& n : tree.Nodes().All())
      if (n->Key().empty()) node = n;
  }
  if (!node) Refuse(L"the tree " + name + L" has no node " + key);
  if (!node->IsShown()) Refuse(L"the node " + key + L" is inside a collapsed node");
  form_.SetActiveControl(&tree);
  tree.SetSelectedItem(node);
  if (tree.OnNodeClick) tree.OnNodeClick(*node);
  if (tree.OnClick) tree.OnClick();
}

void User::DblClickNode(const std::wstring& name, const std::wstring& key) {
  SelectNode(name, key);
  auto& tree = As<TreeView>(Find(name, std::nullopt), L"Double-clicking a node");
  if (tree.CanUserReach() && tree.OnDblClick) tree.OnDblClick();
}

void User::SelectItem(const std::wstring& name, int32_t index) {
  auto& list = As<ListControl>(Find(name, std::nullopt), L"Selecting an item");
  list.RequireUserReach(L"Selecting an item");
  if (index < 0 || index >= list.ListCount())
    Refuse(L"the list " + name + L" has no item " + std::to_wstring(index));
  form_.SetActiveControl(&list);
  list.SetListIndex(index);
}

void User::PressEnter() {
  RequireForm(L"Enter");
  // A button that has the focus takes Enter itself; the Default button only stands in for
  // the other controls.
  CommandButton* button = dynamic_cast<CommandButton*>(form_.ActiveControl());
  if (!button || !button->CanUserReach()) button = FindButton(form_, true);
  if (!button) Refuse(L"Enter refused on " + form_.Name() + L": it has no Default button");
  button->RequireUserReach(L"Enter");
  if (button->OnClick) button->OnClick();
}

void User::PressEsc() {
  RequireForm(L"Esc");
  CommandButton* button = FindButton(form_, false);
  if (!button) Refuse(L"Esc refused on " + form_.Name() + L": it has no Cancel button");
  button->RequireUserReach(L"Esc");
  if (button->OnClick) button->OnClick();
}

void User::CloseBox() {
  RequireForm(L"Close box");
  if (form_.BorderStyle() == vbBSNone || !form_.ControlBox())
    Refuse(L"Close box refused on " + form_.Name() + L": it has none");
  form_.UnloadWith(vbFormControlMenu);
}

void User::Resize(int32_t widthTwips, int32_t heightTwips) {
  RequireForm(L"Resize");
  if (!form_.ResizeByUser(widthTwips, heightTwips))
    Refuse(L"Resize refused on " + form_.Name() + L": its border is fixed");
}

}  // namespace forms
