// The ribbon host of Office 2007 and later. It asks the add-in for its customUI XML once per
// ribbon id, binds the callbacks the XML names to the add-in's public members by name, calls
// onLoad with the document's IRibbonUI, and for each window of that ribbon asks every control
// for what its XML names (getVisible, getEnabled, getLabel, getScreentip, getImage). Answers
// are kept per window until the add-in invalidates them; the next Draw (or the opening of the
// menu holding them) asks again for exactly the invalidated controls. A callback the XML names
// but the add-in lacks, a member of the wrong shape, XML that does not load or that the schema
// refuses (an undeclared attribute, a control without id) and anything the add-in raises are
// reported in Errors(), never passed on to the host.
#pragma once

#include <any>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "platform/office/CommandBars.h"
#include "platform/win32/Images.h"

namespace office {

class IRibbonControl {
 public:
  IRibbonControl(std::wstring id, std::any context, std::wstring tag)
      : id_(std::move(id)), context_(std::move(context)), tag_(std::move(tag)) {}
  const std::wstring& Id() const { return id_; }
  // The window's Explorer or Inspector, as the host was given it.
  const std::any& Context() const { return context_; }
  const std::wstring& Tag() const { return tag_; }

 private:
  std::wstring id_;
  std::any context_;
  std::wstring tag_;
};

class IRibbonUI {
 public:
  virtual ~IRibbonUI() = default;
  // Every control of the document, in every window, is asked again at its next drawing.
  virtual void Invalidate() = 0;
  // That control only, in every window showing it; an id the document lacks changes nothing.
  virtual void InvalidateControl(const std::wstring& id) = 0;
  virtual void ActivateTab(const std::wstring& id) = 0;
};

// The shapes of the callbacks, as the add-in's public members have them.
using RibbonOnLoad = std::function<void(std::shared_ptr<IRibbonUI> ribbon)>;
using RibbonOnAction = std::function<void(const IRibbonControl& control)>;
using RibbonGetBool = std::function<void(const IRibbonControl& control, bool& value)>;
using RibbonGetLabel = std::function<void(const IRibbonControl& control, std::wstring& label)>;
using RibbonGetText = std::function<std::wstring(const IRibbonControl& control)>;
using RibbonGetImage =
    std::function<std::shared_ptr<win32::IPicture>(const IRibbonControl& control)>;
using RibbonMember = std::variant<RibbonOnLoad, RibbonOnAction, RibbonGetBool, RibbonGetLabel,
                                  RibbonGetText, RibbonGetImage>;
// The add-in's public members by name: what late binding would find on its dispatch interface.
using RibbonMembers = std::map<std::wstring, RibbonMember>;

class IRibbonExtensibility {
 public:
  virtual ~IRibbonExtensibility() = default;
  // The customUI XML for a ribbon id, "" for none.
  virtual std::wstring GetCustomUI(const std::wstring& ribbonId) = 0;
  virtual RibbonMembers RibbonCallbacks() = 0;
};

class RibbonDocument;

// One window's view of a ribbon document.
class RibbonWindow {
 public:
  // Asks every control outside a menu whose answers are missing or invalidated.
  void Draw();
  // The user opens a menu: its stale items are asked.
  void OpenMenu(const std::wstring& menuId);
  // A user's click: draws, opens the menus above the control, and runs its onAction. Refused
  // (ActionRefused) when the control or one above it is hidden or disabled, or unknown.
  void Click(const std::wstring& id);
  bool Has(const std::wstring& id) const;
  // What the window shows, from the last answers (a hidden or disabled parent counts).
  bool Visible(const std::wstring& id) const;
  bool Enabled(const std::wstring& id) const;
  std::wstring Label(const std::wstring& id) const;
  std::wstring Screentip(const std::wstring& id) const;
  std::shared_ptr<win32::IPicture> Image(const std::wstring& id) const;
  std::wstring ImageMso(const std::wstring& id) const;
  const std::wstring& ActiveTab() const { return activeTab_; }
  std::vector<std::wstring> ControlIds() const;

 private:
  friend class RibbonDocument;
  friend class RibbonHost;
  struct Answers {
    bool fresh = false;
    bool visible = true, enabled = true;
    std::wstring label, screentip;
    std::shared_ptr<win32::IPicture> image;
  };
  void Ask(size_t control);
  const Answers& AnswersOf(const std::wstring& id) const;
  std::shared_ptr<RibbonDocument> document_;
  std::any context_;
  std::vector<Answers> answers_;
  std::wstring activeTab_;
};

class RibbonHost {
 public:
  explicit RibbonHost(std::shared_ptr<IRibbonExtensibility> addin);
  // Office opens a window of this ribbon: the document is loaded on first use of the id.
  std::shared_ptr<RibbonWindow> OpenWindow(const std::wstring& ribbonId, std::any context);
  // The document's IRibbonUI, null when the add-in gave no XML for the id.
  std::shared_ptr<IRibbonUI> Ribbon(const std::wstring& ribbonId) const;

  struct Call {
    std::wstring attribute;  // "getLabel", "onAction", ...
    std::wstring member;     // the add-in member it went to
    std::wstring control;
  };
  const std::vector<Call>& Calls() const { return calls_; }
  void ClearCalls() { calls_.clear(); }
  const std::vector<std::wstring>& Errors() const { return errors_; }

 private:
  friend class RibbonDocument;
  friend class RibbonWindow;
  std::shared_ptr<IRibbonExtensibility> addin_;
  std::map<std::wstring, std::shared_ptr<RibbonDocument>> documents_;
  std::vector<Call> calls_;
  std::vector<std::wstring> errors_;
};

}  // namespace office
