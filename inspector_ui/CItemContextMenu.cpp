#include "inspector_ui/CItemContextMenu.h"

#include "core/CLang.h"
#include "core/Main.h"
#include "platform/vb/Need.h"
#include "platform/vb/ResPicture.h"

namespace {

struct EntryLook {
  const wchar_t* caption;
  int32_t style;
  int32_t faceId;         // 0: none
  const wchar_t* bitmap;  // nullptr: none
};
constexpr EntryLook kLooks[CItemContextMenu::kEntries] = {
    {L"BTN_TANVELO_SUB", office::msoButtonIconAndCaption, 354, L"CMDTANVELO"},
    {L"BTN_REPLY_ALL_WITH_SUB", office::msoButtonIconAndCaption, 355, L"CMDREPLYALLWITH"},
    {L"BTN_FORWARD_WITH_SUB", office::msoButtonIconAndCaption, 356, L"CMDFORWARDWITH"},
    {L"BTN_NEW_TEMPLATE", office::msoButtonIconAndCaption, 2687, nullptr},
    {L"BTN_EDIT_TEMPLATE", office::msoButtonIconAndCaption, 593, L"CMDTEMPLATEEDIT"},
    {L"BTN_NEW_FROM_TEMPLATE", office::msoButtonIconAndCaption, 1757, L"CMDNEWFROMTEMPLATE"},
    {L"BTN_SAVE_AS_TEMPLATE", office::msoButtonIconAndCaption, 1975, L"CMDSAVETEMPLATE"},
    {L"BTN_OPEN_DUPLICATE2", office::msoButtonCaption, 0, nullptr},
    {L"BTN_HOTKEY", office::msoButtonCaption, 0, nullptr},
    {L"BTN_CHANGE_DEFAULT_SET", office::msoButtonCaption, 0, nullptr},
    {L"BTN_CHANGE_DEFAULT_CLEAR", office::msoButtonCaption, 0, nullptr},
    {L"BTN_SEND_DRAFTS", office::msoButtonCaption, 0, nullptr},
};

// Context menus where the add-in has no business (Outlook's own ids of their first commands).
constexpr int32_t kForeignMenus[] = {7887, 1747, 1880, 1878, 1746, 1917, 1916, 2990};

using vb::Need;

}  // namespace

std::shared_ptr<office::CommandBarButton> CItemContextMenu::Button(int32_t n) const {
  if (n < 1 || n > kEntries) return nullptr;
  return m_buttons[static_cast<size_t>(n - 1)];
}

void CItemContextMenu::Clicked(int32_t n) {
  OnClick.Raise(n);
}

void CItemContextMenu::Create(const std::shared_ptr<office::CommandBar>& oContextBar,
                              const std::wstring& sContextMenuTag, bool bTanveloSub,
                              bool bReplyAllWithSub, bool bForwardWithSub, bool bNewTemplate,
                              bool bEditTemplate, bool bNewFromTemplate, bool bSaveAsTemplate,
                              bool bOpenDuplicate, bool bHotkey, bool bSetDefault,
                              bool bClearDefault, bool bSendDrafts) {
  const bool flags[kEntries] = {bTanveloSub,
                                bReplyAllWithSub,
                                bForwardWithSub,
                                bNewTemplate,
                                bEditTemplate,
                                bNewFromTemplate,
                                bSaveAsTemplate,
                                bOpenDuplicate,
                                bHotkey,
                                bSetDefault,
                                bClearDefault && !bSetDefault,
                                bSendDrafts};
  const int32_t version = GetAppVersion();
  if (version <= 9) return;

  bool present = false;
  vb::Ignore([&] {
    if (!sContextMenuTag.empty() && Need(oContextBar)->FindControl(0, 0, sContextMenuTag))
      present = true;
  });
  for (int32_t id : kForeignMenus)
    vb::Ignore([&] {
      if (!present && Need(oContextBar)->FindControl(0, id)) present = true;
    });
  if (present) {
    vb::Err().Clear();
    return;
  }

  int32_t protection = 0;
  if (version < 12)
    vb::Ignore([&] {
      protection = Need(oContextBar)->Protection();
      oContextBar->SetProtection(protection & ~office::msoBarNoCustomize);
    });

  // Before Outlook's Reply, else right after the anchor 2986, else at the end.
  std::optional<int32_t> position;
  vb::Ignore([&] {
    if (auto reply = Need(oContextBar)->FindControl(0, 354)) position = reply->Index();
  });
  if (!position)
    vb::Ignore([&] {
      if (auto anchor = Need(oContextBar)->FindControl(0, 2986)) position = anchor->Index() + 1;
    });

  std::shared_ptr<office::CommandBarPopup> popup;
  vb::Ignore([&] {
    popup = office::AsPopup(
        Need(oContextBar)->Controls().Add(office::msoControlPopup, 0, L"", position, true));
  });
  vb::Ignore([&] { Need(popup)->SetCaption(LangText(L"MNU_TANVELO")); });
  vb::Ignore([&] { Need(popup)->SetBeginGroup(true); });
  vb::Ignore([&] { Need(popup)->SetTag(sContextMenuTag); });
  vb::Ignore([&] { Need(popup)->SetVisible(true); });

  for (int32_t n = 1; n <= kEntries; ++n) {
    size_t i = static_cast<size_t>(n - 1);
    if (!flags[i]) continue;
    const EntryLook& look = kLooks[i];
    std::shared_ptr<office::CommandBarButton> button;
    vb::Ignore([&] {
      button = office::AsButton(
          Need(popup)->Controls().Add(office::msoControlButton, 0, L"", std::nullopt, true));
    });
    if (!button) continue;
    m_buttons[i] = button;
    std::weak_ptr<CItemContextMenu> weak = weak_from_this();
    // A command may run a modal dialog, during which Outlook closes the menu and the add-in
    // lets go of this object: the click holds it until its event has run.
    m_sinks.push_back(button->OnClick([weak, n](const auto&, bool&) {
      if (auto self = weak.lock()) self->Clicked(n);
    }));
    vb::Ignore([&] { button->SetStyle(look.style); });
    vb::Ignore([&] { button->SetCaption(LangText(look.caption)); });
    if (look.faceId) vb::Ignore([&] { button->SetFaceId(look.faceId); });
    if (n == kNewFromTemplate)
      vb::Ignore(
          [&] { button->SetBeginGroup(bTanveloSub || bReplyAllWithSub || bForwardWithSub); });
    if (look.bitmap && version >= 10)
      vb::Ignore([&] {
        SetBtnPicAndMask(button, vb::LoadResPicture(look.bitmap, vb::vbResBitmap),
                         vb::LoadResPicture(std::wstring(look.bitmap) + L"MASK", vb::vbResBitmap));
      });
  }

  vb::Ignore([&] {
    if (Need(popup)->Controls().Count() == 0) popup->SetVisible(false);
  });
  if (version < 12) vb::Ignore([&] { Need(oContextBar)->SetProtection(protection); });
  vb::Err().Clear();
}
