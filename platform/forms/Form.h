// A headless form. A dialog derives from Form, creates its controls in Design (run again at
// every Load, so a reloaded form starts from its designed values) and overrides the Form_*
// events. Show with vbModal runs the next script queued for the form's name (see User.h) and
// fails at once when there is none: nothing ever waits for a person.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/forms/Control.h"
#include "platform/win32/Window.h"

namespace forms {

inline constexpr int32_t vbModeless = 0, vbModal = 1;
// Why a form unloads (the QueryUnload mode).
inline constexpr int32_t vbFormControlMenu = 0, vbFormCode = 1;
inline constexpr int32_t vbBSNone = 0, vbFixedSingle = 1, vbSizable = 2, vbFixedDialog = 3,
                         vbFixedToolWindow = 4, vbSizableToolWindow = 5;

class Form {
 public:
  explicit Form(std::wstring name);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  const std::wstring& Name() const { return name_; }
  // The type name a walk over forms and controls reports.
  std::wstring TypeName() const { return name_; }

  // Load runs Design and Form_Load once per load; Show loads when needed, shows and activates.
  void Load();
  void Show(int32_t modal = vbModeless, win32::HWND owner = 0);
  void Hide();
  // Code unload: QueryUnload and Unload may cancel it; answers whether the form is unloaded.
  bool Unload() { return UnloadWith(vbFormCode); }
  bool UnloadWith(int32_t unloadMode);
  bool IsLoaded() const { return loaded_; }
  bool Visible() const { return visible_; }
  // No modal form stands in front of this one.
  bool IsInFront() const;

  std::wstring Caption() const { return caption_; }
  void SetCaption(const std::wstring& caption);
  std::shared_ptr<win32::IPicture> Icon() const { return icon_; }
  void SetIcon(std::shared_ptr<win32::IPicture> icon) { icon_ = std::move(icon); }
  int32_t BorderStyle() const { return borderStyle_; }
  // A design-time property: the window made at Load takes its styles from it.
  void SetBorderStyle(int32_t style) { borderStyle_ = style; }
  bool ControlBox() const { return controlBox_; }
  void SetControlBox(bool value) { controlBox_ = value; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value) { enabled_ = value; }
  // Outer geometry in twips; a size change raises Resize while the form is loaded.
  int32_t Left() const { return left_; }
  int32_t Top() const { return top_; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  void SetLeft(int32_t twips);
  void SetTop(int32_t twips);
  void SetWidth(int32_t twips);
  void SetHeight(int32_t twips);
  // The client area in twips.
  int32_t ScaleWidth() const;
  int32_t ScaleHeight() const;
  win32::HWND hWnd() const { return hwnd_; }

  const std::vector<std::shared_ptr<Control>>& Controls() const { return controls_; }
  // The control of that name (ignoring case); nullptr when missing or a control array.
  std::shared_ptr<Control> FindControl(const std::wstring& name) const;
  // A member of a control array: error 730 for an unknown name, 343 when the name is no
  // array, 340 for a missing index.
  std::shared_ptr<Control> FindControl(const std::wstring& name, int32_t index) const;
  template <class T>
  std::shared_ptr<T> Get(const std::wstring& name) const {
    return std::dynamic_pointer_cast<T>(FindControl(name));
  }
  Control* ActiveControl() const { return activeControl_; }
  void SetActiveControl(Control* control) { activeControl_ = control; }
  // A user's drag of the frame to this outer size, in twips, through the window's procedure
  // (WM_GETMINMAXINFO); false when the border cannot be dragged.
  bool ResizeByUser(int32_t widthTwips, int32_t heightTwips);

 protected:
  virtual void Design() {}
  virtual void Form_Load() {}
  virtual void Form_Activate() {}
  virtual void Form_Resize() {}
  virtual void Form_QueryUnload(int32_t& cancel, int32_t unloadMode) {
    (void)cancel, (void)unloadMode;
  }
  virtual void Form_Unload(int32_t& cancel) { (void)cancel; }

  // Creates a control at design time, inside `container` (a Frame or PictureBox) or the form.
  template <class T>
  std::shared_ptr<T> Add(const std::wstring& name,
                         const std::shared_ptr<Control>& container = nullptr,
                         std::optional<int32_t> index = std::nullopt) {
    auto control = std::make_shared<T>();
    Place(*control, name, container.get(), index);
    controls_.push_back(control);
    return control;
  }

 private:
  void Place(Control& control, const std::wstring& name, Control* container,
             std::optional<int32_t> index);
  void SyncWindow();
  void SizeChanged();

  std::wstring name_;
  std::wstring caption_;
  std::shared_ptr<win32::IPicture> icon_;
  std::vector<std::shared_ptr<Control>> controls_;
  Control* activeControl_ = nullptr;
  bool loaded_ = false, visible_ = false, shownSinceLoad_ = false, enabled_ = true;
  bool controlBox_ = true;
  int32_t borderStyle_ = vbSizable;
  int32_t left_ = 0, top_ = 0, width_ = 4800, height_ = 3600;
  win32::HWND hwnd_ = 0;
};

// The loaded forms, in loading order (the runtime's Forms collection).
std::vector<Form*> LoadedForms();

// Lookups in any controls collection (a form's, or a user control's), as Form::FindControl.
std::shared_ptr<Control> FindControlIn(const std::vector<std::shared_ptr<Control>>& controls,
                                       const std::wstring& name);
std::shared_ptr<Control> FindControlIn(const std::vector<std::shared_ptr<Control>>& controls,
                                       const std::wstring& name, int32_t index);

}  // namespace forms
