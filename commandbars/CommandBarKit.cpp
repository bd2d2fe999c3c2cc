#include "commandbars/CommandBarKit.h"

#include "core/Main.h"
#include "engine/CFrequentlyTemplates.h"
#include "platform/vb/Error.h"
#include "platform/vb/ResPicture.h"

namespace bars {

const Icon* ReplyIcon(int32_t action) {
  switch (action) {
    case 1:
      return &kIconTanvelo;
    case 2:
      return &kIconReplyAllWith;
    case 4:
      return &kIconForwardWith;
    default:
      return nullptr;
  }
}

void SetPictureAndMask(const ButtonPtr& button, const wchar_t* resource) {
  std::wstring name = resource;
  SetBtnPicAndMask(button, vb::LoadResPicture(name, vb::vbResBitmap),
                   vb::LoadResPicture(name + L"MASK", vb::vbResBitmap));
}

void SetIcon(const ButtonPtr& button, const Icon& icon) {
  if (GetAppVersion() < 10)
    Need(button)->SetFaceId(icon.faceId);
  else
    SetPictureAndMask(button, icon.resource);
}

std::wstring LiteralCaption(std::wstring_view text) {
  std::wstring caption;
  caption.reserve(text.size());
  for (wchar_t c : text) {
    caption += c;
    if (c == L'&') caption += L'&';
  }
  return caption;
}

ControlPtr AddControl(office::CommandBar& bar, int32_t type, std::optional<int32_t> before,
                      const std::wstring& tag) {
  if (!tag.empty()) {
    ControlPtr left;
    vb::Ignore([&] { left = bar.FindControl(type, 0, tag); });
    if (left) return left;
  }
  auto control = bar.Controls().Add(type, 0, L"", before, true);
  if (!tag.empty()) control->SetTag(tag);
  return control;
}

ButtonPtr AddButton(office::CommandBar& bar, std::optional<int32_t> before,
                    const std::wstring& tag) {
  return office::AsButton(AddControl(bar, office::msoControlButton, before, tag));
}

PopupPtr AddPopup(office::CommandBar& bar, std::optional<int32_t> before, const std::wstring& tag) {
  return office::AsPopup(AddControl(bar, office::msoControlPopup, before, tag));
}

namespace {
template <class T, class Get, class Set>
void Put(const ControlPtr& control, const T& value, Get get, Set set) {
  vb::Ignore([&] {
    if (control && ((*control).*get)() != value) ((*control).*set)(value);
  });
}
}  // namespace

void PutVisible(const ControlPtr& control, bool value) {
  Put(control, value, &office::CommandBarControl::Visible, &office::CommandBarControl::SetVisible);
}
void PutEnabled(const ControlPtr& control, bool value) {
  Put(control, value, &office::CommandBarControl::Enabled, &office::CommandBarControl::SetEnabled);
}
void PutBeginGroup(const ControlPtr& control, bool value) {
  Put(control, value, &office::CommandBarControl::BeginGroup,
      &office::CommandBarControl::SetBeginGroup);
}
void PutCaption(const ControlPtr& control, const std::wstring& value) {
  Put(control, value, &office::CommandBarControl::Caption, &office::CommandBarControl::SetCaption);
}

std::optional<int32_t> IndexOf(office::CommandBar& bar, int32_t id) {
  std::optional<int32_t> index;
  vb::Ignore([&] {
    if (auto control = bar.FindControl(0, id)) index = control->Index();
  });
  return index;
}

bool IsOnBars(const ControlPtr& control, const office::CommandBars& windowBars) {
  if (!control) return false;
  BarPtr bar = control->Parent();
  while (bar) {
    auto owner = bar->OwnerPopup();
    if (!owner) break;
    bar = owner->Parent();
  }
  if (!bar) return false;
  for (int32_t i = 1; i <= windowBars.Count(); ++i)
    if (windowBars.Item(i) == bar) return true;
  return false;
}

void BoundButton::Bind(ButtonPtr button, ClickHandler handler) {
  click_ = button ? button->OnClick(std::move(handler)) : nullptr;
  button_ = std::move(button);
}

void BoundButton::Release() {
  click_.reset();
  button_.reset();
}

void CreateQuickItems(QuickItems& group, ClickHandler handler) {
  if (!group.popup) return;
  const int32_t count = CFrequentlyTemplates::MAX_COUNT;
  int32_t present = 0;
  vb::Ignore([&] { present = group.popup->Controls().Count(); });
  if (present >= count + 1) {
    // Quick items of an earlier connection: take them over with their Tag.
    vb::Ignore([&] {
      auto first = office::AsButton(group.popup->Controls().Item(2));
      group.tag = first->Tag();
      group.first.Bind(first, std::move(handler));
    });
  } else {
    group.tag = GetRandomString(10);
    // Statement by statement: a write Office refuses costs that one property, never the rest
    // of the group.
    for (int32_t i = 1; i <= count; ++i) {
      ButtonPtr item;
      vb::Ignore([&] { item = AddButton(*group.popup->CommandBar()); });
      if (!item) continue;
      vb::Ignore([&] { item->SetStyle(office::msoButtonIconAndCaption); });
      vb::Ignore([&] { item->SetCaption(L"frequently used favorite " + std::to_wstring(i)); });
      vb::Ignore([&] { item->SetTag(group.tag); });
      vb::Ignore([&] { item->SetVisible(false); });
      if (i == 1) {
        group.first.Bind(item, handler);
        vb::Ignore([&] { item->SetBeginGroup(true); });
      }
    }
  }
  group.list.CopyFrom(nullptr);
  vb::Err().Clear();
}

void UpdateFreqButtons(const PopupPtr& popup, CTemplates& list, std::wstring_view context) {
  bool done = Trap(context, [&] {
    for (int32_t i = 1; i <= CFrequentlyTemplates::MAX_COUNT; ++i) {
      auto item = office::AsButton(popup->Controls().Item(i + 1));
      if (i <= list.Count()) {
        const CTemplate& t = *list.Item(i);
        item->SetCaption(LiteralCaption(t.sSubject));
        item->SetParameter(t.sEntryID);
        item->SetVisible(true);
        SetIcon(item, t.bPreaddressed ? kIconPreaddressed : kIconTemplate);
      } else {
        item->SetCaption(L"");
        item->SetParameter(L"");
        item->SetVisible(false);
      }
    }
  });
  // A half-made group must not look current to the next update.
  if (!done) list.CopyFrom(nullptr);
}

bool FrequentsChanged(QuickItems& group, int32_t useType) {
  if (!group.popup || !g_oFrequentlyTemplates) return false;
  bool changed = false;
  g_oFrequentlyTemplates->UpdateFrequents(group.list, useType, changed);
  return changed;
}

void RefreshQuickItems(QuickItems& group, int32_t useType, std::wstring_view context) {
  if (FrequentsChanged(group, useType)) UpdateFreqButtons(group.popup, group.list, context);
}

std::optional<std::wstring> QuickItemTemplate(const ButtonPtr& ctrl) {
  std::optional<std::wstring> entryId;
  vb::Ignore([&] {
    if (ctrl && ctrl->Visible()) entryId = ctrl->Parameter();
  });
  return entryId;
}

void TVButtonEnable(const ButtonPtr& control, int32_t nType, bool bEnabled,
                    std::wstring_view context) {
  Trap(context, [&] {
    if (Need(control)->Enabled() == bEnabled) return;
    if (GetAppVersion() < 10) {
      control->SetEnabled(bEnabled);
      return;
    }
    const Icon* icon = ReplyIcon(nType);
    if (!icon) {
      LogError(context, 0, L"invalid type - " + std::to_wstring(nType));
      return;
    }
    if (bEnabled) {
      control->SetEnabled(true);
      SetPictureAndMask(control, icon->resource);
    } else {
      control->SetFaceId(icon->faceId);
      control->SetEnabled(false);
    }
  });
}

}  // namespace bars
