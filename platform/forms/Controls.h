// The simple controls of the dialogs. Events are plain function members the form's code sets
// in its Design (OnClick, OnChange, OnTimer); setting a value in code raises the same events
// as the runtime does (TextBox Change, CheckBox and OptionButton Click).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/forms/Control.h"

namespace forms {

inline constexpr uint32_t kVisualControl =
    Control::kSize | Control::kPosition | Control::kVisible | Control::kToolTip;

class CommandButton : public Control {
 public:
  CommandButton() : Control(L"CommandButton", kVisualControl | kCaption | kPicture) {}
  // Only one button of a form is the Default (Enter) and one the Cancel (Esc) button.
  bool Default() const { return default_; }
  void SetDefault(bool value);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool value);
  std::function<void()> OnClick;

 private:
  bool default_ = false, cancel_ = false;
};

class Label : public Control {
 public:
  Label() : Control(L"Label", kVisualControl | kCaption) {}
};

class TextBox : public Control {
 public:
  TextBox() : Control(L"TextBox", kVisualControl) {}
  const std::wstring& Text() const { return text_; }
  // Raises Change whenever the text differs from before, from code as from the user.
  void SetText(const std::wstring& text);
  std::function<void()> OnChange;

 private:
  std::wstring text_;
};

inline constexpr int32_t vbUnchecked = 0, vbChecked = 1, vbGrayed = 2;

class CheckBox : public Control {
 public:
  CheckBox() : Control(L"CheckBox", kVisualControl | kCaption | kPicture) {}
  int32_t Value() const { return value_; }
  // 0, 1 or 2; anything else raises 380. A change raises Click.
  void SetValue(int32_t value);
  std::function<void()> OnClick;

 private:
  int32_t value_ = vbUnchecked;
};

// Option buttons with the same container form one group: choosing one clears the others.
class OptionButton : public Control {
 public:
  OptionButton() : Control(L"OptionButton", kVisualControl | kCaption | kPicture) {}
  bool Value() const { return value_; }
  // Setting True clears the group's other buttons and raises Click when it was False.
  void SetValue(bool value);
  std::function<void()> OnClick;

 private:
  friend class User;
  void Choose(bool alwaysClick);
  bool value_ = false;
};

class Frame : public Control {
 public:
  Frame() : Control(L"Frame", kVisualControl | kCaption | kContainer) {}
};

class PictureBox : public Control {
 public:
  PictureBox() : Control(L"PictureBox", kVisualControl | kPicture | kContainer) {}
};

class Image : public Control {
 public:
  Image() : Control(L"Image", kSize | kPosition | kVisible | kToolTip | kPicture) {}
};

// A drawn line: only its two ends, in twips; it has no caption, box or tooltip.
class Line : public Control {
 public:
  Line() : Control(L"Line", kVisible) {}
  int32_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
};

class ProgressBar : public Control {
 public:
  ProgressBar() : Control(L"ProgressBar", kVisualControl) {}
  int32_t Min() const { return min_; }
  int32_t Max() const { return max_; }
  int32_t Value() const { return value_; }
  // Error 380 outside Min..Max, as the common control answers.
  void SetMin(int32_t value);
  void SetMax(int32_t value);
  void SetValue(int32_t value);

 private:
  int32_t min_ = 0, max_ = 100, value_ = 0;
};

class StatusBar : public Control {
 public:
  StatusBar() : Control(L"StatusBar", kVisualControl) {}
  const std::wstring& SimpleText() const { return simpleText_; }
  void SetSimpleText(const std::wstring& text) { simpleText_ = text; }

 private:
  std::wstring simpleText_;
};

// Runs on the virtual clock while its form is loaded, Enabled and Interval > 0.
class Timer : public Control {
 public:
  Timer() : Control(L"Timer", kPosition) {}
  ~Timer() override;
  int32_t Interval() const { return interval_; }
  void SetInterval(int32_t ms);
  void SetEnabled(bool enabled) override;
  std::function<void()> OnTimer;
  // Starts or stops the clock timer after a change of the form's or the timer's state.
  void Rearm();

 private:
  int32_t interval_ = 0;
  uint32_t clockId_ = 0;
};

class ImageList : public Control {
 public:
  ImageList() : Control(L"ImageList", kPosition) {}
  int32_t ImageWidth = 16, ImageHeight = 16;
  uint32_t MaskColor = 0xFF00FF;
  // Images are numbered from 1; the key is optional.
  void Add(const std::wstring& key, std::shared_ptr<win32::IPicture> picture);
  int32_t Count() const { return static_cast<int32_t>(images_.size()); }
  // Error 35600 for an index out of range, 35601 for an unknown key.
  std::shared_ptr<win32::IPicture> Item(int32_t index) const;
  std::shared_ptr<win32::IPicture> Item(const std::wstring& key) const;

 private:
  std::vector<std::pair<std::wstring, std::shared_ptr<win32::IPicture>>> images_;
};

}  // namespace forms
