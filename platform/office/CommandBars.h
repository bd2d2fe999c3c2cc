// Office command bars: one CommandBars collection per window, bars with ordered controls,
// buttons and popups, FindControl, temporary controls, OnUpdate and Click. A click reaches every
// subscriber whose bound button is the clicked one, or carries the clicked control's non-empty
// Tag, in any window. Members of a deleted control or bar raise an automation error.
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/win32/Images.h"
#include "platform/win32/MessageBox.h"

namespace office {

// A subscription ends when the subscriber releases this object.
using Subscription = std::shared_ptr<void>;

inline constexpr int32_t msoControlButton = 1, msoControlPopup = 10;
inline constexpr int32_t msoButtonAutomatic = 0, msoButtonIcon = 1, msoButtonCaption = 2,
                         msoButtonIconAndCaption = 3;
inline constexpr int32_t msoBarLeft = 0, msoBarTop = 1, msoBarRight = 2, msoBarBottom = 3,
                         msoBarFloating = 4, msoBarPopup = 5;
inline constexpr int32_t msoBarTypeNormal = 0, msoBarTypeMenuBar = 1, msoBarTypePopup = 2;
inline constexpr int32_t msoBarNoCustomize = 1;
// The Id Office gives every control a program adds without naming a built-in one.
inline constexpr int32_t kCustomControlId = 1;
// What Office raises for a member of a deleted or refused object: an automation error.
inline constexpr int32_t kAutomationError = static_cast<int32_t>(0x80004005);

// A test's click that no user could make (a hidden or disabled control, a deleted one).
class ActionRefused : public win32::UnscriptedPrompt {
 public:
  using win32::UnscriptedPrompt::UnscriptedPrompt;
};

// Property writes to controls and bars so far in this process; Office repaints a bar at each.
int64_t PropertyWrites();
// Makes the next write of that property fail on whichever control or bar it happens, also on
// one not made yet.
void FailNextWriteAnywhere(const std::wstring& property);
// Makes the next write of that property with that value fail anywhere (a caption Office will not
// take). Values are compared as text: "True"/"False", numbers in decimal, pictures by resource.
void RefuseWriteAnywhere(const std::wstring& property, const std::wstring& value);
// Makes a later call of that member fail anywhere as Office refuses it: "Add" of a bar's
// controls, "CommandBar" of a popup. The first `passing` such calls succeed, the next raises.
void FailCallAnywhere(const std::wstring& member, int passing = 0);
// True while such a refusal is armed and has not yet happened.
bool CallFailureArmed(const std::wstring& member);

class CommandBar;
class CommandBarControls;
class CommandBars;

// Lets a test make the next write of one property fail, to check that callers go on.
class FaultInjection {
 public:
  void FailNextWrite(const std::wstring& property) { failWrites_.insert(property); }

 protected:
  void CheckWrite(const wchar_t* property, const std::wstring& value);

 private:
  std::set<std::wstring> failWrites_;
};

class CommandBarControl : public std::enable_shared_from_this<CommandBarControl>,
                          public FaultInjection {
 public:
  CommandBarControl(int32_t type, int32_t id, bool temporary);
  virtual ~CommandBarControl() = default;

  std::wstring Caption() const;
  void SetCaption(const std::wstring& value);
  std::wstring TooltipText() const;
  void SetTooltipText(const std::wstring& value);
  std::wstring Tag() const;
  void SetTag(const std::wstring& value);
  std::wstring Parameter() const;
  void SetParameter(const std::wstring& value);
  bool Visible() const;
  void SetVisible(bool value);
  bool Enabled() const;
  void SetEnabled(bool value);
  bool BeginGroup() const;
  void SetBeginGroup(bool value);
  // 1-based position in its bar.
  int32_t Index() const;
  int32_t Id() const;
  int32_t Type() const;
  bool BuiltIn() const;
  bool Temporary() const;
  std::shared_ptr<CommandBar> Parent() const;
  void Delete();
  bool IsDeleted() const { return deleted_; }

 protected:
  friend class CommandBarControls;
  friend class CommandBar;
  friend class CommandBars;
  friend class CommandBarButton;
  void Alive() const;
  virtual void MarkDeleted() { deleted_ = true; }

  int32_t type_, id_;
  bool temporary_;
  bool deleted_ = false;
  std::wstring caption_, tooltip_, tag_, parameter_;
  bool visible_ = true, enabled_ = true, beginGroup_ = false;
  std::weak_ptr<CommandBar> parent_;
};

class CommandBarButton : public CommandBarControl {
 public:
  using ClickHandler =
      std::function<void(const std::shared_ptr<CommandBarButton>& ctrl, bool& cancelDefault)>;
  using CommandBarControl::CommandBarControl;

  int32_t Style() const;
  void SetStyle(int32_t value);
  // Setting a face takes away the picture and the mask.
  int32_t FaceId() const;
  void SetFaceId(int32_t value);
  std::shared_ptr<win32::IPicture> Picture() const;
  void SetPicture(std::shared_ptr<win32::IPicture> picture);
  std::shared_ptr<win32::IPicture> Mask() const;
  void SetMask(std::shared_ptr<win32::IPicture> mask);
  // msoButtonUp (0) or msoButtonDown (-1): whether a toggle such as a pane's Off is pressed.
  int32_t State() const { return state_; }
  void SetState(int32_t value) { state_ = value; }
  // Every icon write in order: "FaceId=354", "Picture=CMDTANVELO", "Mask=CMDTANVELOMASK".
  const std::vector<std::wstring>& IconWrites() const { return iconWrites_; }

  // Binds a handler to this button (the event of a member variable holding it).
  Subscription OnClick(ClickHandler handler);
  // A user's click: refused unless the button and every popup above it are visible and enabled
  // and its toolbar is shown (a shortcut menu counts as shown: Outlook opens it on right-click).
  void UserClick();
  // Raises Click as Office would, whatever the button's state.
  void RaiseClick();

 private:
  int32_t style_ = msoButtonAutomatic, faceId_ = 0, state_ = 0;
  std::shared_ptr<win32::IPicture> picture_, mask_;
  std::vector<std::wstring> iconWrites_;
};

class CommandBarControls {
 public:
  explicit CommandBarControls(CommandBar& bar) : bar_(bar) {}
  // Type 1 or 10. An Id of a built-in control adds a copy of it; `before` 1..Count+1 inserts
  // there, omitted appends. Refused (automation error) while the bar is protected against
  // customizing, error 5 for another type or a `before` out of range.
  std::shared_ptr<CommandBarControl> Add(int32_t type, int32_t id = 0,
                                         const std::wstring& parameter = L"",
                                         std::optional<int32_t> before = std::nullopt,
                                         bool temporary = false);
  // 1-based; error 5 out of range.
  std::shared_ptr<CommandBarControl> Item(int32_t index) const;
  int32_t Count() const;
  const std::vector<std::shared_ptr<CommandBarControl>>& All() const { return items_; }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  friend class CommandBarControl;
  friend class CommandBar;
  friend class CommandBars;
  CommandBar& bar_;
  std::vector<std::shared_ptr<CommandBarControl>> items_;
};

class CommandBarPopup : public CommandBarControl {
 public:
  CommandBarPopup(int32_t id, bool temporary);
  CommandBarControls& Controls() const;
  // The popup's own bar: its FindControl and Controls work on the popup's items.
  std::shared_ptr<office::CommandBar> CommandBar() const;

 private:
  void MarkDeleted() override;
  friend class CommandBarControls;
  friend class CommandBar;
  friend class CommandBars;
  std::shared_ptr<office::CommandBar> bar_;
};

class CommandBar : public std::enable_shared_from_this<CommandBar>, public FaultInjection {
 public:
  CommandBar(std::wstring name, int32_t type, bool temporary);
  std::wstring Name() const;
  // A bar the program added may be renamed; error 5 for a built-in bar or a name another bar
  // of the collection has.
  void SetName(const std::wstring& name);
  int32_t Type() const { return type_; }
  CommandBarControls& Controls();
  // Type 0 and Id 0 match any; an empty Tag matches any; `recursive` False looks at this bar's
  // own controls only. `visible` True finds only what is on the screen: visible controls of a
  // shown bar, never an item of a menu (no menu is open), so nothing on a hidden bar or inside a
  // popup. The first match in order, or null.
  std::shared_ptr<CommandBarControl> FindControl(int32_t type = 0, int32_t id = 0,
                                                 const std::wstring& tag = L"",
                                                 bool visible = false, bool recursive = false);
  bool Visible() const;
  void SetVisible(bool value);
  int32_t Position() const;
  void SetPosition(int32_t value);
  int32_t RowIndex() const;
  void SetRowIndex(int32_t value);
  int32_t Left() const;
  void SetLeft(int32_t value);
  int32_t Top() const;
  void SetTop(int32_t value);
  int32_t Protection() const;
  void SetProtection(int32_t value);
  bool Temporary() const { return temporary_; }
  // Removes the bar (not allowed for built-in bars) and every control on it.
  void Delete();
  bool IsDeleted() const { return deleted_; }
  // The popup that owns this bar, for the bar of a popup.
  std::shared_ptr<CommandBarControl> OwnerPopup() const { return owner_.lock(); }
  // Drops every control the program added, as a user's toolbar reset does.
  void Reset();

 private:
  friend class CommandBars;
  friend class CommandBarPopup;
  friend class CommandBarControl;
  friend class CommandBarControls;
  friend class CommandBarButton;
  void Alive() const;
  void MarkDeleted();
  std::wstring name_;
  int32_t type_;
  bool temporary_;
  bool builtIn_ = false;
  bool deleted_ = false;
  bool visible_ = true;
  int32_t position_ = msoBarTop, rowIndex_ = 1, left_ = 0, top_ = 0, protection_ = 0;
  CommandBarControls controls_{*this};
  std::weak_ptr<CommandBarControl> owner_;
  std::weak_ptr<CommandBars> bars_;
};

class CommandBars : public std::enable_shared_from_this<CommandBars> {
 public:
  // A window's collection; `parent` is what Parent answers (the Application).
  static std::shared_ptr<CommandBars> Create(std::any parent = {});
  // Error 5 for an unknown name or an index out of range. Names ignore case.
  std::shared_ptr<CommandBar> Item(const std::wstring& name) const;
  std::shared_ptr<CommandBar> Item(int32_t index) const;
  int32_t Count() const { return static_cast<int32_t>(bars_.size()); }
  // A new toolbar, hidden until the program shows it; error 5 when the name is taken.
  std::shared_ptr<CommandBar> Add(const std::wstring& name, int32_t position = msoBarTop,
                                  bool menuBar = false, bool temporary = false);
  // As CommandBar::FindControl over every bar, in the collection's order.
  std::shared_ptr<CommandBarControl> FindControl(int32_t type = 0, int32_t id = 0,
                                                 const std::wstring& tag = L"",
                                                 bool visible = false, bool recursive = false);
  // The menu bar ("Menu Bar"), or null.
  std::shared_ptr<CommandBar> ActiveMenuBar() const;
  const std::any& Parent() const { return parent_; }
  Subscription OnUpdate(std::function<void()> handler);
  // Office's update: every subscribed handler, in subscription order.
  void FireOnUpdate();
  // Outlook exits: every temporary bar and control goes.
  void DiscardTemporary();

  // A built-in bar with built-in controls, as Office makes it (see BuiltInBars.h).
  std::shared_ptr<CommandBar> AddBuiltInBar(const std::wstring& name, int32_t type);

 private:
  std::vector<std::shared_ptr<CommandBar>> bars_;
  std::vector<std::weak_ptr<std::function<void()>>> updates_;
  std::any parent_;
  friend class CommandBar;
};

// The Add result as a button or popup; error 13 when it is the other kind.
std::shared_ptr<CommandBarButton> AsButton(const std::shared_ptr<CommandBarControl>& control);
std::shared_ptr<CommandBarPopup> AsPopup(const std::shared_ptr<CommandBarControl>& control);

}  // namespace office
