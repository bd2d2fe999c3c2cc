// How the add-in puts controls on Office's command bars, shared by the explorer's and the
// inspector's bars: adding temporary controls at anchors (reusing one the add-in left on the bar
// earlier in this Outlook session, found by its Tag), bound members and click routing, icons by
// Outlook version, the quick items of the five most used templates, and the enabled look of the
// reply controls.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "engine/CTemplates.h"
#include "platform/office/CommandBars.h"
#include "platform/vb/Need.h"

namespace bars {

using ButtonPtr = std::shared_ptr<office::CommandBarButton>;
using PopupPtr = std::shared_ptr<office::CommandBarPopup>;
using ControlPtr = std::shared_ptr<office::CommandBarControl>;
using BarPtr = std::shared_ptr<office::CommandBar>;
using ClickHandler = office::CommandBarButton::ClickHandler;

// Outlook's own commands the add-in's reply controls stand beside and follow.
inline constexpr int32_t kReplyId = 354, kReplyAllId = 355, kForwardId = 356;

// A bitmap resource with its mask ("<name>MASK") and the Office face used on Outlook 2000.
struct Icon {
  const wchar_t* resource;
  int32_t faceId;
};
inline constexpr Icon kIconTanvelo{L"CMDTANVELO", 354};
inline constexpr Icon kIconReplyAllWith{L"CMDREPLYALLWITH", 355};
inline constexpr Icon kIconForwardWith{L"CMDFORWARDWITH", 356};
inline constexpr Icon kIconTemplate{L"CMDTEMPLATE", 99};
inline constexpr Icon kIconPreaddressed{L"CMDPREADDRESSEDTEMPLATE", 607};
inline constexpr Icon kIconNewFromTemplate{L"CMDNEWFROMTEMPLATE", 1757};
inline constexpr Icon kIconSaveTemplate{L"CMDSAVETEMPLATE", 1975};
inline constexpr Icon kIconCreateTemplate{L"CMDCREATETEMPLATE", 2687};
inline constexpr Icon kIconTemplateEdit{L"CMDTEMPLATEEDIT", 593};

using vb::Need;

// The icon of the reply (1), reply-to-all (2) or forward (4) command; null for another code.
const Icon* ReplyIcon(int32_t action);

// Outlook 2000 shows the Office face; later versions the add-in's bitmap and mask.
void SetIcon(const ButtonPtr& button, const Icon& icon);
// The bitmap and its mask from the module's resources (Outlook 2002 and later only).
void SetPictureAndMask(const ButtonPtr& button, const wchar_t* resource);

// A text shown as a caption as it stands: "&" would mark the next letter as an accelerator.
std::wstring LiteralCaption(std::wstring_view text);

// Adds a temporary control of `type` to `bar` (before `before`, else at the end). With a Tag,
// a control of that type and Tag already on the bar (left by an earlier connection in this
// Outlook session) is taken instead, so a reconnection does not add a second set.
ControlPtr AddControl(office::CommandBar& bar, int32_t type,
                      std::optional<int32_t> before = std::nullopt, const std::wstring& tag = L"");
ButtonPtr AddButton(office::CommandBar& bar, std::optional<int32_t> before = std::nullopt,
                    const std::wstring& tag = L"");
PopupPtr AddPopup(office::CommandBar& bar, std::optional<int32_t> before = std::nullopt,
                  const std::wstring& tag = L"");

// Updaters write a property only when its value differs (each write repaints the bar); a
// failing write is skipped.
void PutVisible(const ControlPtr& control, bool value);
void PutEnabled(const ControlPtr& control, bool value);
void PutBeginGroup(const ControlPtr& control, bool value);
void PutCaption(const ControlPtr& control, const std::wstring& value);

// The Index of the built-in control `id` on the bar's top level, or nothing.
std::optional<int32_t> IndexOf(office::CommandBar& bar, int32_t id);

// True when the control stands on one of these bars (in a popup of theirs too): Office raises a
// Tag's Click in every window, and each window's handlers act only on their own controls.
bool IsOnBars(const ControlPtr& control, const office::CommandBars& windowBars);

// A member variable bound to one button's Click.
class BoundButton {
 public:
  void Bind(ButtonPtr button, ClickHandler handler);
  void Release();
  const ButtonPtr& get() const { return button_; }
  office::CommandBarButton* operator->() const { return button_.get(); }
  explicit operator bool() const { return button_ != nullptr; }

 private:
  ButtonPtr button_;
  office::Subscription click_;
};

// The quick items of one reply drop-down: item 1 of the popup lets the user choose, items 2 to
// MAX_COUNT + 1 share one random Tag and show the most used templates of the action.
struct QuickItems {
  PopupPtr popup;
  BoundButton first;  // the group's first item; it hears the clicks of all five
  std::wstring tag;
  CTemplates list;  // the templates last shown
};

// Adds the five hidden items to the popup (which holds its choose item) and binds the first;
// quick items left in the popup by an earlier connection are taken over with their Tag. Each
// statement stands alone: a write Office refuses is skipped and the rest of the group is made.
void CreateQuickItems(QuickItems& group, ClickHandler handler);
// Brings the group's list up to date; true when it differs from what the items show.
bool FrequentsChanged(QuickItems& group, int32_t useType);
// Brings the group's list up to date and rewrites the items only when it changed. An error
// while rewriting is logged under `context` and empties the list, so the next update rewrites
// the items again instead of keeping a half-made list.
void RefreshQuickItems(QuickItems& group, int32_t useType, std::wstring_view context);
// Writes the items from the list (item i + 1 shows template i; the rest are hidden and empty).
void UpdateFreqButtons(const PopupPtr& popup, CTemplates& list, std::wstring_view context);
// The template EntryID of a clicked quick item, or nothing for a hidden one.
std::optional<std::wstring> QuickItemTemplate(const ButtonPtr& ctrl);

// Sets the enabled state of a reply (1), reply-to-all (2) or forward (4) control. Nothing is
// written when the state is already right; from Outlook 2002 a disabled control shows Office's
// greyed face of the command and an enabled one the add-in's bitmap.
void TVButtonEnable(const ButtonPtr& control, int32_t nType, bool bEnabled,
                    std::wstring_view context);

}  // namespace bars
