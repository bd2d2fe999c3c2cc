// The simulated user. A test queues a script per form name; each modal Show of that form takes
// the next one and runs it with a User bound to the form. The script acts as a person would:
// clicks, types, selects or double-clicks a tree node, chooses an option, presses Enter or Esc,
// closes the window or drags its frame. Every action on a control a person could not reach
// (disabled, hidden, inside a disabled or hidden container, on a hidden or unloaded form or one
// behind a modal form) throws ActionRefused. When the script returns, the form must be hidden
// or unloaded; otherwise Show throws.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace forms {

class Form;
class Control;
class User;

using Script = std::function<void(User&)>;

// Queues the script of the next modal show of the form with this name.
void QueueScript(const std::wstring& formName, Script script);
size_t PendingScripts(const std::wstring& formName);
// Drops every queued script: the shows they were meant for did not come.
void DropScripts();

class User {
 public:
  explicit User(Form& form) : form_(form) {}
  Form& GetForm() const { return form_; }

  // A CommandButton's Click; a CheckBox toggles (grayed becomes unchecked); an OptionButton is
  // chosen (Click even when it was chosen already).
  void Click(const std::wstring& control, std::optional<int32_t> index = std::nullopt);
  // Replaces the TextBox's text; Change follows.
  void Type(const std::wstring& textBox, const std::wstring& text);
  // Clicks the CheckBox when its state differs from `checked`.
  void SetChecked(const std::wstring& checkBox, bool checked);
  void Choose(const std::wstring& optionButton, std::optional<int32_t> index = std::nullopt);
  // Selects the node (NodeClick, then Click); the node must be shown (its ancestors expanded).
  void SelectNode(const std::wstring& treeView, const std::wstring& key);
  // Selects the node, then DblClick.
  void DblClickNode(const std::wstring& treeView, const std::wstring& key);
  // Selects item `index` of a ListBox or ComboBox (Click follows).
  void SelectItem(const std::wstring& list, int32_t index);
  // The Click of the button that has the focus, else of the Default button; refused when
  // there is none or it cannot be reached.
  void PressEnter();
  // The Cancel button's Click, likewise.
  void PressEsc();
  // The window's close box: QueryUnload with vbFormControlMenu, then Unload.
  void CloseBox();
  // Drags the frame to this outer size in twips; refused for a fixed border.
  void Resize(int32_t widthTwips, int32_t heightTwips);

 private:
  Control& Find(const std::wstring& name, std::optional<int32_t> index) const;
  void RequireForm(const std::wstring& action) const;
  Form& form_;
};

}  // namespace forms
