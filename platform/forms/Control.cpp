#include "platform/forms/Control.h"

#include "platform/forms/Form.h"
#include "platform/vb/Error.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/CodePage.h"

namespace forms {

Control::Control(std::wstring typeName, uint32_t features)
    : typeName_(std::move(typeName)), features_(features) {}

void Control::Need(Feature feature, const wchar_t* property) const {
  if (!Supports(feature))
    vb::Raise(438, L"Object doesn't support this property or method (" + typeName_ + L"." +
                       property + L")");
}

bool Control::Visible() const {
  Need(kVisible, L"Visible");
  return visible_;
}
void Control::SetVisible(bool visible) {
  Need(kVisible, L"Visible");
  visible_ = visible;
  if (hwnd_ != 0) win32::window::Show(hwnd_, visible);
}
int32_t Control::Left() const {
  Need(kPosition, L"Left");
  return left_;
}
int32_t Control::Top() const {
  Need(kPosition, L"Top");
  return top_;
}
int32_t Control::Width() const {
  Need(kSize, L"Width");
  return width_;
}
int32_t Control::Height() const {
  Need(kSize, L"Height");
  return height_;
}
void Control::SetLeft(int32_t twips) {
  Need(kPosition, L"Left");
  left_ = twips;
  SyncWindow();
}
void Control::Move(int32_t left, int32_t top, int32_t width, int32_t height) {
  SetLeft(left);
  SetTop(top);
  SetWidth(width);
  SetHeight(height);
}
void Control::SetTop(int32_t twips) {
  Need(kPosition, L"Top");
  top_ = twips;
  SyncWindow();
}
void Control::SetWidth(int32_t twips) {
  Need(kSize, L"Width");
  width_ = twips;
  SyncWindow();
}
void Control::SetHeight(int32_t twips) {
  Need(kSize, L"Height");
  height_ = twips;
  SyncWindow();
}
std::wstring Control::Caption() const {
  Need(kCaption, L"Caption");
  return caption_;
}
void Control::SetCaption(const std::wstring& caption) {
  Need(kCaption, L"Caption");
  caption_ = caption;
}
std::wstring Control::ToolTipText() const {
  Need(kToolTip, L"ToolTipText");
  return toolTip_;
}
void Control::SetToolTipText(const std::wstring& text) {
  Need(kToolTip, L"ToolTipText");
  toolTip_ = text;
}
std::shared_ptr<win32::IPicture> Control::Picture() const {
  Need(kPicture, L"Picture");
  return picture_;
}
void Control::SetPicture(std::shared_ptr<win32::IPicture> picture) {
  Need(kPicture, L"Picture");
  picture_ = std::move(picture);
}

bool Control::CanUserReach(std::wstring* why) const {
  auto fail = [&](const std::wstring& reason) {
    if (why) *why = reason;
    return false;
  };
  if (form_ == nullptr) return fail(L"the control is on no form");
  if (!form_->IsLoaded()) return fail(L"the form is not loaded");
  if (!form_->Visible()) return fail(L"the form is hidden");
  if (!form_->IsInFront()) return fail(L"a modal form is in front of the form");
  if (!form_->Enabled()) return fail(L"the form is disabled");
  for (const Control* c = this; c != nullptr; c = c->container_) {
    if (!c->enabled_)
      return fail(c == this ? L"the control is disabled"
                            : L"its container " + c->name_ + L" is disabled");
    if (c->Supports(kVisible) && !c->visible_)
      return fail(c == this ? L"the control is hidden"
                            : L"its container " + c->name_ + L" is hidden");
  }
  return true;
}

void Control::RequireUserReach(const std::wstring& action) const {
  std::wstring why;
  if (CanUserReach(&why)) return;
  std::wstring where = (form_ ? form_->Name() : L"?") + L"." + name_ +
                       (index_ ? L"(" + std::to_wstring(*index_) + L")" : L"");
  std::wstring text = action + L" refused on " + where + L": " + why;
  throw ActionRefused(win32::ToAnsi(text));
}

void Control::CreateWindowIn(win32::HWND form) {
  uint32_t style = WindowStyle();
  if (style == 0) return;
  win32::window::CreateParams params;
  params.caption = L"";
  params.style = win32::WS_CHILD | style | (visible_ ? win32::WS_VISIBLE : 0);
  params.owner = form;
  hwnd_ = win32::window::Create(params);
  SyncWindow();
}

void Control::DestroyWindow() {
  if (hwnd_ != 0) win32::DestroyWindow(hwnd_);
  hwnd_ = 0;
}

void Control::SyncWindow() const {
  if (hwnd_ == 0) return;
  // In pixels of the form's client area: the containers' places add up.
  int32_t left = 0, top = 0;
  for (const Control* c = this; c != nullptr; c = c->container_) left += c->left_, top += c->top_;
  const auto& screen = vb::Screen();
  win32::SetWindowPos(hwnd_, 0, left / screen.TwipsPerPixelX, top / screen.TwipsPerPixelY,
                      width_ / screen.TwipsPerPixelX, height_ / screen.TwipsPerPixelY,
                      win32::SWP_NOZORDER | win32::SWP_NOACTIVATE);
}

void Control::SetFocus() {
  if (!CanUserReach()) vb::Raise(5);
  form_->SetActiveControl(this);
}

}  // namespace forms
