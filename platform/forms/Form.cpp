#include "platform/forms/Form.h"

#include <algorithm>

#include "platform/forms/Controls.h"
#include "platform/forms/FormsState.h"
#include "platform/forms/ShowHooks.h"
#include "platform/forms/User.h"
#include "platform/vb/Error.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/CodePage.h"

namespace forms {
namespace {
int32_t TwipsX() {
  return vb::Screen().TwipsPerPixelX;
}
int32_t TwipsY() {
  return vb::Screen().TwipsPerPixelY;
}

void WindowStyles(int32_t border, bool controlBox, uint32_t* style, uint32_t* exStyle) {
  using namespace win32;
  *style = WS_POPUP;
  *exStyle = 0;
  if (border != vbBSNone) *style |= WS_CAPTION;
  if (controlBox && border != vbBSNone) *style |= WS_SYSMENU;
  if (border == vbSizable || border == vbSizableToolWindow) *style |= WS_THICKFRAME;
  if (border == vbSizable) *style |= WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
  if (border == vbFixedDialog) *exStyle |= WS_EX_DLGMODALFRAME;
  if (border == vbFixedToolWindow || border == vbSizableToolWindow) *exStyle |= WS_EX_TOOLWINDOW;
}
}  // namespace

Form::Form(std::wstring name) : name_(std::move(name)), caption_(name_) {}

Form::~Form() {
  auto& loaded = State().loaded;
  std::erase(loaded, this);
  std::erase(State().modal, this);
  for (auto& c : controls_) c->DestroyWindow();
  if (hwnd_ != 0) win32::DestroyWindow(hwnd_);
}

void Form::Place(Control& control, const std::wstring& name, Control* container,
                 std::optional<int32_t> index) {
  control.name_ = name;
  control.index_ = index;
  control.form_ = this;
  control.container_ = container;
}

void Form::Load() {
  if (loaded_) return;
  controls_.clear();
  activeControl_ = nullptr;
  Design();
  loaded_ = true;
  shownSinceLoad_ = false;
  State().loaded.push_back(this);
  win32::window::CreateParams params;
  params.caption = caption_;
  WindowStyles(borderStyle_, controlBox_, &params.style, &params.exStyle);
  params.rect = {left_ / TwipsX(), top_ / TwipsY(), (left_ + width_) / TwipsX(),
                 (top_ + height_) / TwipsY()};
  hwnd_ = win32::window::Create(params);
  for (auto& c : controls_) {
    c->CreateWindowIn(hwnd_);
    if (auto* timer = dynamic_cast<Timer*>(c.get())) timer->Rearm();
  }
  Form_Load();
}

void Form::Show(int32_t modal, win32::HWND owner) {
  if (modal == vbModal && visible_) vb::Raise(400, L"Form already displayed; can't show modally");
  Load();
  if (!loaded_) return;  // Form_Load unloaded the form again
  if (owner != 0) win32::SetWindowLongA(hwnd_, win32::GWL_HWNDPARENT, static_cast<int32_t>(owner));
  bool wasVisible = visible_;
  visible_ = true;
  win32::window::Show(hwnd_, true);
  if (modal != vbModal) {
    if (!wasVisible) {
      if (!shownSinceLoad_) Form_Resize();
      shownSinceLoad_ = true;
      Form_Activate();
    }
    return;
  }
  State().modal.push_back(this);
  struct PopModal {
    Form* form;
    ~PopModal() { std::erase(State().modal, form); }
  } pop{this};
  if (!shownSinceLoad_) Form_Resize();
  shownSinceLoad_ = true;
  Form_Activate();
  if (!loaded_ || !visible_) return;
  NotifyShow(*this);
  std::optional<Script> script = TakeScript(name_);
  if (!script) script = FallbackScript(*this);
  if (!script)
    throw win32::UnscriptedPrompt("modal form " + win32::ToAnsi(name_) +
                                  " shown with no script queued for it");
  User user(*this);
  (*script)(user);
  if (loaded_ && visible_)
    throw win32::UnscriptedPrompt("modal form " + win32::ToAnsi(name_) +
                                  " is still open after its script");
}

void Form::Hide() {
  visible_ = false;
  if (hwnd_ != 0) win32::window::Show(hwnd_, false);
}

bool Form::UnloadWith(int32_t unloadMode) {
  if (!loaded_) return true;
  int32_t cancel = 0;
  Form_QueryUnload(cancel, unloadMode);
  if (cancel != 0) return false;
  Form_Unload(cancel);
  if (cancel != 0) return false;
  loaded_ = false;
  visible_ = false;
  for (auto& c : controls_) {
    c->DestroyWindow();
    if (auto* timer = dynamic_cast<Timer*>(c.get())) timer->Rearm();
  }
  if (hwnd_ != 0) win32::DestroyWindow(hwnd_);
  hwnd_ = 0;
  activeControl_ = nullptr;
  std::erase(State().loaded, this);
  return true;
}

bool Form::IsInFront() const {
  auto& modal = State().modal;
  return modal.empty() || modal.back() == this;
}

void Form::SetCaption(const std::wstring& caption) {
  caption_ = caption;
  if (hwnd_ != 0) win32::window::SetCaption(hwnd_, caption);
}

void Form::SyncWindow() {
  if (hwnd_ == 0) return;
  win32::SetWindowPos(hwnd_, 0, left_ / TwipsX(), top_ / TwipsY(), width_ / TwipsX(),
                      height_ / TwipsY(), win32::SWP_NOZORDER | win32::SWP_NOACTIVATE);
}

void Form::SizeChanged() {
  SyncWindow();
  if (loaded_) Form_Resize();
}

void Form::SetLeft(int32_t twips) {
  left_ = twips;
  SyncWindow();
}
void Form::SetTop(int32_t twips) {
  top_ = twips;
  SyncWindow();
}
void Form::SetWidth(int32_t twips) {
  if (twips == width_) return;
  width_ = twips;
  SizeChanged();
}
void Form::SetHeight(int32_t twips) {
  if (twips == height_) return;
  height_ = twips;
  SizeChanged();
}

int32_t Form::ScaleWidth() const {
  win32::RECT client;
  if (hwnd_ == 0 || !win32::GetClientRect(hwnd_, &client)) return width_;
  return client.right * TwipsX();
}
int32_t Form::ScaleHeight() const {
  win32::RECT client;
  if (hwnd_ == 0 || !win32::GetClientRect(hwnd_, &client)) return height_;
  return client.bottom * TwipsY();
}

bool Form::ResizeByUser(int32_t widthTwips, int32_t heightTwips) {
  if (hwnd_ == 0 ||
      !win32::window::UserResize(hwnd_, widthTwips / TwipsX(), heightTwips / TwipsY()))
    return false;
  win32::RECT rect;
  win32::GetWindowRect(hwnd_, &rect);
  width_ = (rect.right - rect.left) * TwipsX();
  height_ = (rect.bottom - rect.top) * TwipsY();
  Form_Resize();
  return true;
}

std::shared_ptr<Control> Form::FindControl(const std::wstring& name) const {
  return FindControlIn(controls_, name);
}

std::shared_ptr<Control> Form::FindControl(const std::wstring& name, int32_t index) const {
  return FindControlIn(controls_, name, index);
}

std::shared_ptr<Control> FindControlIn(const std::vector<std::shared_ptr<Control>>& controls,
                                       const std::wstring& name) {
  for (auto& c : controls)
    if (vb::LCase(c->Name()) == vb::LCase(name)) return c->Index() ? nullptr : c;
  return nullptr;
}

std::shared_ptr<Control> FindControlIn(const std::vector<std::shared_ptr<Control>>& controls,
                                       const std::wstring& name, int32_t index) {
  bool isArray = false;
  for (auto& c : controls) {
    if (vb::LCase(c->Name()) != vb::LCase(name)) continue;
    if (!c->Index()) vb::Raise(343, L"Object not an array");
    isArray = true;
    if (*c->Index() == index) return c;
  }
  if (!isArray) vb::Raise(730, L"Control '" + name + L"' not found");
  vb::Raise(340, L"Control array element '" + std::to_wstring(index) + L"' doesn't exist");
}

std::vector<Form*> LoadedForms() {
  return State().loaded;
}

}  // namespace forms
