// A control of a headless form: name (and index in a control array), type name, container,
// enabled and visible state, geometry in twips and the properties some types have (Caption,
// ToolTipText, Picture). Reading or writing a property a type lacks raises error 438, as late
// binding does, so code that walks all controls can skip it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/win32/Images.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Window.h"

namespace forms {

class Form;

// A simulated user tried what a real one could not (a disabled, hidden or unloaded control, a
// form behind a modal one). It is a fault of the test's script, so no error trap takes it.
class ActionRefused : public win32::UnscriptedPrompt {
 public:
  using win32::UnscriptedPrompt::UnscriptedPrompt;
};

class Control {
 public:
  enum Feature : uint32_t {
    kCaption = 1,
    kToolTip = 2,
    kPicture = 4,
    kSize = 8,       // Width and Height
    kPosition = 16,  // Left and Top
    kVisible = 32,   // controls invisible at run time (Timer, ImageList) lack it
    kContainer = 64,
  };

  Control(std::wstring typeName, uint32_t features);
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::wstring& Name() const { return name_; }
  std::optional<int32_t> Index() const { return index_; }
  const std::wstring& TypeName() const { return typeName_; }
  bool Supports(Feature feature) const { return (features_ & feature) != 0; }
  Form* Parent() const { return form_; }
  Control* Container() const { return container_; }

  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled) { enabled_ = enabled; }
  bool Visible() const;
  void SetVisible(bool visible);
  int32_t Left() const;
  int32_t Top() const;
  int32_t Width() const;
  int32_t Height() const;
  void SetLeft(int32_t twips);
  void SetTop(int32_t twips);
  void SetWidth(int32_t twips);
  void SetHeight(int32_t twips);
  // All four at once, as the runtime's Move does.
  void Move(int32_t left, int32_t top, int32_t width, int32_t height);
  std::wstring Caption() const;
  void SetCaption(const std::wstring& caption);
  std::wstring ToolTipText() const;
  void SetToolTipText(const std::wstring& text);
  std::shared_ptr<win32::IPicture> Picture() const;
  void SetPicture(std::shared_ptr<win32::IPicture> picture);
  std::wstring Tag() const { return tag_; }
  void SetTag(const std::wstring& tag) { tag_ = tag; }
  // The control's own window while its form is loaded, for the kinds that have one here (a
  // TreeView); 0 for the others.
  win32::HWND hWnd() const { return hwnd_; }

  // Gives the control the focus; error 5 when it cannot take it (disabled, hidden, unloaded).
  void SetFocus();
  // Whether a user could act on the control now: the form loaded, shown and not behind a
  // modal form, the control and every container enabled and visible.
  bool CanUserReach(std::wstring* why = nullptr) const;
  // Throws ActionRefused with the reason when CanUserReach is false.
  void RequireUserReach(const std::wstring& action) const;

 protected:
  // The styles a kind with a window makes it with, besides WS_CHILD and WS_VISIBLE; 0: the kind
  // has no window.
  virtual uint32_t WindowStyle() const { return 0; }

 private:
  friend class Form;
  void Need(Feature feature, const wchar_t* property) const;
  // The form makes the window at its load and destroys it at its unload.
  void CreateWindowIn(win32::HWND form);
  void DestroyWindow();
  void SyncWindow() const;

  std::wstring typeName_;
  uint32_t features_;
  std::wstring name_;
  std::optional<int32_t> index_;
  Form* form_ = nullptr;
  Control* container_ = nullptr;
  bool enabled_ = true;
  bool visible_ = true;
  int32_t left_ = 0, top_ = 0, width_ = 1215, height_ = 375;
  std::wstring caption_, toolTip_, tag_;
  std::shared_ptr<win32::IPicture> picture_;
  win32::HWND hwnd_ = 0;
};

// A control placed where a form's design puts it, handed back so designs can chain.
template <class T>
std::shared_ptr<T> Placed(std::shared_ptr<T> control, int32_t left, int32_t top, int32_t width,
                          int32_t height) {
  control->Move(left, top, width, height);
  return control;
}

}  // namespace forms
