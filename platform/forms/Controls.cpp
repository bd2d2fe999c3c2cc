#include "platform/forms/Controls.h"

#include "platform/forms/Form.h"
#include "platform/vb/Error.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/Clock.h"

namespace forms {

void CommandButton::SetDefault(bool value) {
  if (value && Parent())
    for (auto& c : Parent()->Controls())
      if (auto* b = dynamic_cast<CommandButton*>(c.get())) b->default_ = false;
  default_ = value;
}

void CommandButton::SetCancel(bool value) {
  if (value && Parent())
    for (auto& c : Parent()->Controls())
      if (auto* b = dynamic_cast<CommandButton*>(c.get())) b->cancel_ = false;
  cancel_ = value;
}

void TextBox::SetText(const std::wstring& text) {
  if (text == text_) return;
  text_ = text;
  if (OnChange) OnChange();
}

void CheckBox::SetValue(int32_t value) {
  if (value < vbUnchecked || value > vbGrayed) vb::Raise(380, L"Invalid property value");
  if (value == value_) return;
  value_ = value;
  if (OnClick) OnClick();
}

void OptionButton::SetValue(bool value) {
  if (!value) {
    value_ = false;
    return;
  }
  Choose(false);
}

void OptionButton::Choose(bool alwaysClick) {
  bool was = value_;
  if (Parent())
    for (auto& c : Parent()->Controls())
      if (auto* o = dynamic_cast<OptionButton*>(c.get());
          o && o != this && o->Container() == Container())
        o->value_ = false;
  value_ = true;
  if ((alwaysClick || !was) && OnClick) OnClick();
}

void ProgressBar::SetMin(int32_t value) {
  if (value > max_) vb::Raise(380, L"Invalid property value");
  min_ = value;
  if (value_ < min_) value_ = min_;
}
void ProgressBar::SetMax(int32_t value) {
  if (value < min_) vb::Raise(380, L"Invalid property value");
  max_ = value;
  if (value_ > max_) value_ = max_;
}
void ProgressBar::SetValue(int32_t value) {
  if (value < min_ || value > max_) vb::Raise(380, L"Invalid property value");
  value_ = value;
}

Timer::~Timer() {
  if (clockId_ != 0) win32::clock::KillTimer(clockId_);
}

void Timer::SetInterval(int32_t ms) {
  if (ms < 0 || ms > 65535) vb::Raise(380, L"Invalid property value");
  interval_ = ms;
  Rearm();
}

void Timer::SetEnabled(bool enabled) {
  Control::SetEnabled(enabled);
  Rearm();
}

void Timer::Rearm() {
  if (clockId_ != 0) win32::clock::KillTimer(clockId_);
  clockId_ = 0;
  if (!Enabled() || interval_ == 0 || Parent() == nullptr || !Parent()->IsLoaded()) return;
  clockId_ = win32::clock::SetTimer(
      static_cast<uint32_t>(interval_),
      [this] {
        if (OnTimer) OnTimer();
      },
      true);
}

void ImageList::Add(const std::wstring& key, std::shared_ptr<win32::IPicture> picture) {
  if (!key.empty())
    for (auto& [k, p] : images_)
      if (vb::LCase(k) == vb::LCase(key)) vb::Raise(35602, L"Key is not unique in collection");
  images_.emplace_back(key, std::move(picture));
}

std::shared_ptr<win32::IPicture> ImageList::Item(int32_t index) const {
  if (index < 1 || index > Count()) vb::Raise(35600, L"Index out of bounds");
  return images_[static_cast<size_t>(index - 1)].second;
}

std::shared_ptr<win32::IPicture> ImageList::Item(const std::wstring& key) const {
  for (auto& [k, p] : images_)
    if (!k.empty() && vb::LCase(k) == vb::LCase(key)) return p;
  vb::Raise(35601, L"Element not found");
}

}  // namespace forms
