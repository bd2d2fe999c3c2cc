#include "platform/office/CommandBars.h"

#include <algorithm>
#include <map>
#include <utility>

#include "platform/office/BuiltInBars.h"
#include "platform/vb/Error.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Faults.h"
#include "platform/win32/Reset.h"

namespace office {
namespace {

[[noreturn]] void AutomationError(const std::wstring& what) {
  vb::Raise(kAutomationError, L"Method '" + what + L"' failed");
}

// Every Click subscription of the process: a click in one window reaches the subscribers of
// every window whose button shares the Tag.
struct ClickBinding {
  std::weak_ptr<CommandBarButton> bound;
  std::weak_ptr<CommandBarButton::ClickHandler> handler;
};
struct ClickState {
  std::vector<ClickBinding> bindings;
};
ClickState& Clicks() {
  return win32::PlatformState<ClickState>();
}

std::wstring IconName(const std::shared_ptr<win32::IPicture>& picture) {
  const win32::ImageInfo* image = picture ? picture->Image() : nullptr;
  return picture == nullptr ? L"(none)" : image ? win32::FromAnsi(image->resource) : L"(picture)";
}

bool Matches(const CommandBarControl& c, int32_t type, int32_t id, const std::wstring& tag,
             bool visible) {
  return (type == 0 || c.Type() == type) && (id == 0 || c.Id() == id) &&
         (tag.empty() || c.Tag() == tag) && (!visible || c.Visible());
}

// Visible-only searches look at what is on the screen: shown bars, never the items of a menu,
// since no menu is open while a program searches.
bool Shown(const CommandBar& bar) {
  return bar.Visible() && bar.OwnerPopup() == nullptr;
}

std::shared_ptr<CommandBarControl> Search(CommandBar& bar, int32_t type, int32_t id,
                                          const std::wstring& tag, bool visible, bool recursive) {
  if (visible && !Shown(bar)) return nullptr;
  for (auto& c : bar.Controls().All()) {
    if (Matches(*c, type, id, tag, visible)) return c;
  }
  if (recursive && !visible)
    for (auto& c : bar.Controls().All())
      if (auto popup = std::dynamic_pointer_cast<CommandBarPopup>(c))
        if (auto found = Search(*popup->CommandBar(), type, id, tag, visible, true)) return found;
  return nullptr;
}

struct WriteCounter {
  int64_t count = 0;
  std::set<std::wstring> failAnywhere;
  std::multiset<std::pair<std::wstring, std::wstring>> refuseValues;
  std::map<std::wstring, int> failCalls;  // member: calls still passing before one fails
};

std::wstring AsText(bool value) {
  return value ? L"True" : L"False";
}
std::wstring AsText(int32_t value) {
  return std::to_wstring(value);
}

void CheckCall(const wchar_t* member) {
  auto& calls = win32::PlatformState<WriteCounter>().failCalls;
  if (calls.empty()) return;
  auto armed = calls.find(member);
  if (armed == calls.end()) return;
  if (armed->second-- > 0) return;
  calls.erase(armed);
  AutomationError(member);
}

}  // namespace

void FaultInjection::CheckWrite(const wchar_t* property, const std::wstring& value) {
  auto& writes = win32::PlatformState<WriteCounter>();
  ++writes.count;
  if (failWrites_.erase(property) != 0 || writes.failAnywhere.erase(property) != 0)
    AutomationError(property);
  if (writes.refuseValues.empty()) return;
  auto refused = writes.refuseValues.find({property, value});
  if (refused != writes.refuseValues.end()) {
    writes.refuseValues.erase(refused);
    AutomationError(property);
  }
}

void FailNextWriteAnywhere(const std::wstring& property) {
  win32::PlatformState<WriteCounter>().failAnywhere.insert(property);
}

void RefuseWriteAnywhere(const std::wstring& property, const std::wstring& value) {
  win32::PlatformState<WriteCounter>().refuseValues.insert({property, value});
}

void FailCallAnywhere(const std::wstring& member, int passing) {
  win32::PlatformState<WriteCounter>().failCalls[member] = passing;
}

bool CallFailureArmed(const std::wstring& member) {
  return win32::PlatformState<WriteCounter>().failCalls.contains(member);
}

int64_t PropertyWrites() {
  return win32::PlatformState<WriteCounter>().count;
}

// --- CommandBarControl ----------------------------------------------------------------------
CommandBarControl::CommandBarControl(int32_t type, int32_t id, bool temporary)
    : type_(type), id_(id), temporary_(temporary) {}

void CommandBarControl::Alive() const {
  if (deleted_) AutomationError(L"of object 'CommandBarControl' (the control was deleted)");
}

#define TV_PROPERTY(Type, Name, member)           \
  Type CommandBarControl::Name() const {          \
    Alive();                                      \
    return member;                                \
  }                                               \
  void CommandBarControl::Set##Name(Type value) { \
    Alive();                                      \
    CheckWrite(L## #Name, AsText(value));         \
    member = value;                               \
  }
TV_PROPERTY(bool, Visible, visible_)
TV_PROPERTY(bool, Enabled, enabled_)
TV_PROPERTY(bool, BeginGroup, beginGroup_)
#undef TV_PROPERTY

#define TV_TEXT_PROPERTY(Name, member)                           \
  std::wstring CommandBarControl::Name() const {                 \
    Alive();                                                     \
    return member;                                               \
  }                                                              \
  void CommandBarControl::Set##Name(const std::wstring& value) { \
    Alive();                                                     \
    CheckWrite(L## #Name, value);                                \
    member = value;                                              \
  }
TV_TEXT_PROPERTY(Caption, caption_)
TV_TEXT_PROPERTY(TooltipText, tooltip_)
TV_TEXT_PROPERTY(Tag, tag_)
TV_TEXT_PROPERTY(Parameter, parameter_)
#undef TV_TEXT_PROPERTY

int32_t CommandBarControl::Index() const {
  Alive();
  auto bar = parent_.lock();
  if (!bar) return 0;
  auto& items = bar->controls_.items_;
  auto self = shared_from_this();
  return static_cast<int32_t>(std::find(items.begin(), items.end(), self) - items.begin()) + 1;
}
int32_t CommandBarControl::Id() const {
  Alive();
  return id_;
}
int32_t CommandBarControl::Type() const {
  Alive();
  return type_;
}
bool CommandBarControl::BuiltIn() const {
  Alive();
  return id_ != kCustomControlId;
}
bool CommandBarControl::Temporary() const {
  Alive();
  return temporary_;
}
std::shared_ptr<CommandBar> CommandBarControl::Parent() const {
  Alive();
  return parent_.lock();
}

void CommandBarControl::Delete() {
  Alive();
  if (auto bar = parent_.lock()) std::erase(bar->controls_.items_, shared_from_this());
  MarkDeleted();
}

// --- CommandBarButton -----------------------------------------------------------------------
int32_t CommandBarButton::Style() const {
  Alive();
  return style_;
}
void CommandBarButton::SetStyle(int32_t value) {
  Alive();
  CheckWrite(L"Style", AsText(value));
  if (value < msoButtonAutomatic || value > msoButtonIconAndCaption) vb::Raise(5);
  style_ = value;
}
int32_t CommandBarButton::FaceId() const {
  Alive();
  return faceId_;
}
void CommandBarButton::SetFaceId(int32_t value) {
  Alive();
  CheckWrite(L"FaceId", AsText(value));
  faceId_ = value;
  picture_ = mask_ = nullptr;
  iconWrites_.push_back(L"FaceId=" + std::to_wstring(value));
}
std::shared_ptr<win32::IPicture> CommandBarButton::Picture() const {
  Alive();
  return picture_;
}
void CommandBarButton::SetPicture(std::shared_ptr<win32::IPicture> picture) {
  Alive();
  CheckWrite(L"Picture", IconName(picture));
  picture_ = std::move(picture);
  iconWrites_.push_back(L"Picture=" + IconName(picture_));
}
std::shared_ptr<win32::IPicture> CommandBarButton::Mask() const {
  Alive();
  return mask_;
}
void CommandBarButton::SetMask(std::shared_ptr<win32::IPicture> mask) {
  Alive();
  CheckWrite(L"Mask", IconName(mask));
  mask_ = std::move(mask);
  iconWrites_.push_back(L"Mask=" + IconName(mask_));
}

Subscription CommandBarButton::OnClick(ClickHandler handler) {
  Alive();
  auto token = std::make_shared<ClickHandler>(std::move(handler));
  Clicks().bindings.push_back(
      {std::static_pointer_cast<CommandBarButton>(shared_from_this()), token});
  return token;
}

void CommandBarButton::UserClick() {
  auto refuse = [&](const std::wstring& why) {
    throw ActionRefused(win32::ToAnsi(L"click on '" + caption_ + L"' refused: " + why));
  };
  if (deleted_) refuse(L"the control was deleted");
  for (const CommandBarControl* c = this; c != nullptr;) {
    if (!c->visible_) refuse(L"'" + c->caption_ + L"' is hidden");
    if (!c->enabled_) refuse(L"'" + c->caption_ + L"' is disabled");
    auto bar = c->parent_.lock();
    if (!bar || bar->deleted_) refuse(L"its bar was deleted");
    auto owner = bar->owner_.lock();
    // A shortcut menu is shown by Outlook at the user's right-click, whatever its Visible says.
    if (!owner && !bar->visible_ && bar->type_ != msoBarTypePopup)
      refuse(L"the bar '" + bar->name_ + L"' is hidden");
    c = owner.get();
  }
  RaiseClick();
}

void CommandBarButton::RaiseClick() {
  win32::faults::AddinCode handlers;
  Alive();
  auto self = std::static_pointer_cast<CommandBarButton>(shared_from_this());
  // Handlers may bind or drop subscriptions while the click is delivered.
  auto bindings = Clicks().bindings;
  bool cancelDefault = false;
  for (auto& binding : bindings) {
    auto bound = binding.bound.lock();
    auto handler = binding.handler.lock();
    if (!bound || !handler || bound->deleted_) continue;
    if (bound == self || (!tag_.empty() && bound->tag_ == tag_)) (*handler)(self, cancelDefault);
  }
  std::erase_if(Clicks().bindings, [](const ClickBinding& b) { return b.handler.expired(); });
}

// --- CommandBarControls ---------------------------------------------------------------------
std::shared_ptr<CommandBarControl> CommandBarControls::Add(int32_t type, int32_t id,
                                                           const std::wstring& parameter,
                                                           std::optional<int32_t> before,
                                                           bool temporary) {
  bar_.Alive();
  CheckCall(L"Add");
  if (bar_.protection_ & msoBarNoCustomize) AutomationError(L"Add' of object 'CommandBarControls");
  const BuiltInControl* builtIn = nullptr;
  if (id != 0 && id != kCustomControlId) {
    builtIn = FindBuiltIn(id);
    if (!builtIn) vb::Raise(5);
    type = builtIn->type;
  }
  if (type != msoControlButton && type != msoControlPopup) vb::Raise(5);
  size_t at = items_.size();
  if (before) {
    if (*before < 1 || *before > Count() + 1) vb::Raise(5);
    at = static_cast<size_t>(*before - 1);
  }
  int32_t controlId = builtIn ? id : kCustomControlId;
  std::shared_ptr<CommandBarControl> control;
  if (type == msoControlPopup) {
    auto popup = std::make_shared<CommandBarPopup>(controlId, temporary);
    popup->bar_->owner_ = popup;
    popup->bar_->bars_ = bar_.bars_;
    control = popup;
  } else {
    control = std::make_shared<CommandBarButton>(msoControlButton, controlId, temporary);
  }
  if (builtIn) control->caption_ = builtIn->caption;
  control->parameter_ = parameter;
  control->parent_ = bar_.shared_from_this();
  items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(at), control);
  return control;
}

std::shared_ptr<CommandBarControl> CommandBarControls::Item(int32_t index) const {
  bar_.Alive();
  if (index < 1 || index > Count()) vb::Raise(5);
  return items_[static_cast<size_t>(index - 1)];
}

int32_t CommandBarControls::Count() const {
  bar_.Alive();
  return static_cast<int32_t>(items_.size());
}

// --- CommandBarPopup ------------------------------------------------------------------------
CommandBarPopup::CommandBarPopup(int32_t id, bool temporary)
    : CommandBarControl(msoControlPopup, id, temporary),
      bar_(std::make_shared<office::CommandBar>(L"", msoBarTypePopup, temporary)) {}

CommandBarControls& CommandBarPopup::Controls() const {
  Alive();
  return bar_->controls_;
}

std::shared_ptr<office::CommandBar> CommandBarPopup::CommandBar() const {
  Alive();
  CheckCall(L"CommandBar");
  return bar_;
}

void CommandBarPopup::MarkDeleted() {
  CommandBarControl::MarkDeleted();
  bar_->MarkDeleted();
}

// --- CommandBar -----------------------------------------------------------------------------
CommandBar::CommandBar(std::wstring name, int32_t type, bool temporary)
    : name_(std::move(name)), type_(type), temporary_(temporary) {}

void CommandBar::Alive() const {
  if (deleted_) AutomationError(L"of object 'CommandBar' (the bar was deleted)");
}

void CommandBar::MarkDeleted() {
  deleted_ = true;
  for (auto& c : controls_.items_) c->MarkDeleted();
  controls_.items_.clear();
}

std::wstring CommandBar::Name() const {
  Alive();
  if (auto owner = owner_.lock()) return owner->caption_;
  return name_;
}

void CommandBar::SetName(const std::wstring& name) {
  Alive();
  CheckWrite(L"Name", name);
  if (builtIn_ || type_ == msoBarTypePopup || name.empty()) vb::Raise(5);
  if (auto bars = bars_.lock())
    for (auto& bar : bars->bars_)
      if (bar.get() != this && vb::LCase(bar->name_) == vb::LCase(name)) vb::Raise(5);
  name_ = name;
}

CommandBarControls& CommandBar::Controls() {
  Alive();
  return controls_;
}

std::shared_ptr<CommandBarControl> CommandBar::FindControl(int32_t type, int32_t id,
                                                           const std::wstring& tag, bool visible,
                                                           bool recursive) {
  return Search(*this, type, id, tag, visible, recursive);
}

#define TV_BAR_PROPERTY(Type, Name, member) \
  Type CommandBar::Name() const {           \
    Alive();                                \
    return member;                          \
  }                                         \
  void CommandBar::Set##Name(Type value) {  \
    Alive();                                \
    CheckWrite(L## #Name, AsText(value));   \
    member = value;                         \
  }
TV_BAR_PROPERTY(bool, Visible, visible_)
TV_BAR_PROPERTY(int32_t, Position, position_)
TV_BAR_PROPERTY(int32_t, RowIndex, rowIndex_)
TV_BAR_PROPERTY(int32_t, Left, left_)
TV_BAR_PROPERTY(int32_t, Top, top_)
TV_BAR_PROPERTY(int32_t, Protection, protection_)
#undef TV_BAR_PROPERTY

void CommandBar::Delete() {
  Alive();
  if (builtIn_ || type_ == msoBarTypePopup) AutomationError(L"Delete' of object 'CommandBar");
  if (auto bars = bars_.lock()) std::erase(bars->bars_, shared_from_this());
  MarkDeleted();
}

void CommandBar::Reset() {
  Alive();
  auto items = controls_.items_;
  for (auto& c : items) {
    if (c->id_ == kCustomControlId) {
      c->Delete();
    } else if (auto popup = std::dynamic_pointer_cast<CommandBarPopup>(c)) {
      popup->bar_->Reset();
    }
  }
}

// --- CommandBars ----------------------------------------------------------------------------
std::shared_ptr<CommandBars> CommandBars::Create(std::any parent) {
  auto bars = std::shared_ptr<CommandBars>(new CommandBars());
  bars->parent_ = std::move(parent);
  return bars;
}

std::shared_ptr<CommandBar> CommandBars::Item(const std::wstring& name) const {
  for (auto& bar : bars_)
    if (vb::LCase(bar->name_) == vb::LCase(name)) return bar;
  vb::Raise(5);
}

std::shared_ptr<CommandBar> CommandBars::Item(int32_t index) const {
  if (index < 1 || index > Count()) vb::Raise(5);
  return bars_[static_cast<size_t>(index - 1)];
}

std::shared_ptr<CommandBar> CommandBars::Add(const std::wstring& name, int32_t position,
                                             bool menuBar, bool temporary) {
  for (auto& bar : bars_)
    if (vb::LCase(bar->name_) == vb::LCase(name)) vb::Raise(5);
  auto bar =
      std::make_shared<CommandBar>(name, menuBar ? msoBarTypeMenuBar : msoBarTypeNormal, temporary);
  bar->position_ = position;
  bar->visible_ = false;
  bar->bars_ = shared_from_this();
  bars_.push_back(bar);
  return bar;
}

std::shared_ptr<CommandBar> CommandBars::AddBuiltInBar(const std::wstring& name, int32_t type) {
  auto bar = std::make_shared<CommandBar>(name, type, false);
  bar->builtIn_ = true;
  bar->bars_ = shared_from_this();
  bars_.push_back(bar);
  return bar;
}

std::shared_ptr<CommandBarControl> CommandBars::FindControl(int32_t type, int32_t id,
                                                            const std::wstring& tag, bool visible,
                                                            bool recursive) {
  for (auto& bar : bars_)
    if (auto found = Search(*bar, type, id, tag, visible, recursive)) return found;
  return nullptr;
}

std::shared_ptr<CommandBar> CommandBars::ActiveMenuBar() const {
  for (auto& bar : bars_)
    if (bar->type_ == msoBarTypeMenuBar) return bar;
  return nullptr;
}

Subscription CommandBars::OnUpdate(std::function<void()> handler) {
  auto token = std::make_shared<std::function<void()>>(std::move(handler));
  updates_.push_back(token);
  return token;
}

void CommandBars::FireOnUpdate() {
  std::erase_if(updates_, [](const auto& h) { return h.expired(); });
  auto handlers = updates_;  // handlers may subscribe or unsubscribe while they run
  for (auto& weak : handlers)
    if (auto h = weak.lock()) (*h)();
}

void CommandBars::DiscardTemporary() {
  auto bars = bars_;
  for (auto& bar : bars) {
    if (bar->temporary_) {
      std::erase(bars_, bar);
      bar->MarkDeleted();
      continue;
    }
    std::vector<CommandBar*> pending{bar.get()};
    while (!pending.empty()) {
      CommandBar* current = pending.back();
      pending.pop_back();
      auto items = current->controls_.items_;
      for (auto& c : items) {
        if (c->temporary_) {
          c->Delete();
        } else if (auto popup = std::dynamic_pointer_cast<CommandBarPopup>(c)) {
          pending.push_back(popup->bar_.get());
        }
      }
    }
  }
}

std::shared_ptr<CommandBarButton> AsButton(const std::shared_ptr<CommandBarControl>& control) {
  auto button = std::dynamic_pointer_cast<CommandBarButton>(control);
  if (!button) vb::Raise(vb::kTypeMismatch);
  return button;
}

std::shared_ptr<CommandBarPopup> AsPopup(const std::shared_ptr<CommandBarControl>& control) {
  auto popup = std::dynamic_pointer_cast<CommandBarPopup>(control);
  if (!popup) vb::Raise(vb::kTypeMismatch);
  return popup;
}

}  // namespace office
