// The inspector's command bars: reply pairs with their quick items and the template button on
// "Standard" or the own toolbar, the popup in Outlook's Actions menu, and the positions of the
// two own toolbars kept per profile.
#include <algorithm>
#include <optional>

#include "commandbars/CommandBarKit.h"
#include "core/CLang.h"
#include "core/COptions.h"
#include "core/CWinReg.h"
#include "core/Main.h"
#include "engine/CFrequentlyTemplates.h"
#include "engine/CTemplates.h"
#include "engine/mTanvelo.h"
#include "inspector_ui/CInspectorWrapper.h"
#include "personalization/RL_CLib.h"
#include "personalization/RL_mMain.h"
#include "platform/vb/Error.h"
#include "platform/vb/ResPicture.h"
#include "platform/vb/Runtime.h"

namespace {

constexpr int32_t kReply = 354, kReplyAll = 355, kForward = 356, kSave = 2617, kSend = 31224,
                  kActionsMenu = 30131;
constexpr int32_t kFaceSaveTemplate = bars::kIconSaveTemplate.faceId;
// How much of a floating toolbar must stay on the screen for the user to reach it, in pixels.
constexpr int32_t kOnScreenWidth = 60, kOnScreenHeight = 24;

using ButtonPtr = CInspectorWrapper::ButtonPtr;
using PopupPtr = CInspectorWrapper::PopupPtr;

// Adds a temporary button or popup through the kit; null (the error ignored) when Office
// refuses.
ButtonPtr AddButton(office::CommandBar& bar, std::optional<int32_t> before = std::nullopt) {
  ButtonPtr button;
  vb::Ignore([&] { button = bars::AddButton(bar, before); });
  return button;
}
PopupPtr AddPopup(office::CommandBar& bar, std::optional<int32_t> before = std::nullopt) {
  PopupPtr popup;
  vb::Ignore([&] { popup = bars::AddPopup(bar, before); });
  return popup;
}

template <class F>
void Step(F&& statement) {
  vb::Ignore(std::forward<F>(statement));
}

}  // namespace

void CInspectorWrapper::Create_TanveloBtns(bool bIsTemplate, bool bIsWordMail,
                                           bool bUseOwnToolbar) {
  if (bIsTemplate) return;
  const int32_t nVersion = GetAppVersion();
  if (nVersion < 12 && bIsWordMail) return;
  BarPtr standard;
  Step([&] { standard = m_OutlookBars->Item(kStandardBar); });
  if (!standard) return;
  BarPtr bar = bUseOwnToolbar ? m_barOwn : standard;
  if (!bar) return;

  struct Pair {
    int32_t id;
    ButtonPtr& button;
    PopupPtr& popup;
    ButtonPtr& sub;
    ButtonPtr& freq;
    bars::QuickItems& quick;
    const wchar_t* tooltip;
    const wchar_t* subCaption;
    int32_t useType;
    int32_t style;
    void (CInspectorWrapper::*onClick)(const ButtonPtr&);
    void (CInspectorWrapper::*onSub)(const ButtonPtr&);
    void (CInspectorWrapper::*onFreq)(const ButtonPtr&);
  };
  const Pair pairs[] = {
      {kReply, m_btnTanvelo, m_popTanvelo, m_btnTanveloSub, m_btnTanveloFreq, m_qTanvelo,
       L"IDS_TANVELO", L"BTN_TANVELO_SUB", mTanvelo::kActionReply, office::msoButtonIconAndCaption,
       &CInspectorWrapper::m_btnTanvelo_Click, &CInspectorWrapper::m_btnTanveloSub_Click,
       &CInspectorWrapper::m_btnTanveloFreq_Click},
      {kReplyAll, m_btnReplyAllWith, m_popReplyAllWith, m_btnReplyAllWithSub, m_btnReplyAllWithFreq,
       m_qReplyAllWith, L"BTN_REPLY_ALL_WITH", L"BTN_REPLY_ALL_WITH_SUB", mTanvelo::kActionReplyAll,
       office::msoButtonIconAndCaption, &CInspectorWrapper::m_btnReplyAllWith_Click,
       &CInspectorWrapper::m_btnReplyAllWithSub_Click,
       &CInspectorWrapper::m_btnReplyAllWithFreq_Click},
      {kForward, m_btnForwardWith, m_popForwardWith, m_btnForwardWithSub, m_btnForwardWithFreq,
       m_qForwardWith, L"IDS_FORWARDWITH", L"BTN_FORWARD_WITH_SUB", mTanvelo::kActionForward,
       office::msoButtonIcon, &CInspectorWrapper::m_btnForwardWith_Click,
       &CInspectorWrapper::m_btnForwardWithSub_Click,
       &CInspectorWrapper::m_btnForwardWithFreq_Click},
  };
  for (const Pair& pair : pairs) {
    // Outlook's own command must be on "Standard", also when the pair goes to the own toolbar.
    std::shared_ptr<office::CommandBarControl> anchor;
    Step([&] { anchor = standard->FindControl(0, pair.id); });
    if (!anchor) continue;
    int32_t p = 0;
    Step([&] { p = bUseOwnToolbar ? bar->Controls().Count() + 1 : anchor->Index(); });
    pair.button = AddButton(*bar, p);
    // What follows is made on the button and its drop-down: without them each step would fail.
    if (!pair.button) continue;
    Bind(pair.button, pair.onClick);
    Step([&] { pair.button->SetStyle(pair.style); });
    Step([&] { pair.button->SetBeginGroup(true); });
    Step([&] { pair.button->SetTooltipText(LangText(pair.tooltip)); });
    Step([&] { bars::SetIcon(pair.button, *bars::ReplyIcon(pair.useType)); });
    Step([&] { pair.popup = AddPopup(*bar, pair.button->Index() + 1); });
    if (!pair.popup) continue;
    Step([&] { pair.popup->SetCaption(L" "); });
    Step([&] { pair.sub = bars::AddButton(*pair.popup->CommandBar()); });
    // Quick items made without it would take its place, and every refill would miss one.
    if (!pair.sub) continue;
    Bind(pair.sub, pair.onSub);
    Step([&] { pair.sub->SetStyle(office::msoButtonCaption); });
    Step([&] { pair.sub->SetCaption(LangText(pair.subCaption)); });
    Step([&] { pair.sub->SetVisible(true); });
    Create_FreqButtons(pair.popup, pair.freq, pair.quick, pair.onFreq);
  }
}

void CInspectorWrapper::Create_FreqButtons(const PopupPtr& popup, ButtonPtr& firstItem,
                                           bars::QuickItems& group,
                                           void (CInspectorWrapper::*onFreq)(const ButtonPtr&)) {
  group.popup = popup;
  std::weak_ptr<CInspectorWrapper> weak = weak_from_this();
  bars::CreateQuickItems(group, [weak, onFreq](const ButtonPtr& ctrl, bool&) {
    auto self = weak.lock();
    if (!self) return;
    vb::Ignore([&] {
      auto target = self->ClickTarget();
      ((*target).*onFreq)(ctrl);
    });
  });
  firstItem = group.first.get();
}

void CInspectorWrapper::Update_FreqButtons(const PopupPtr& popup, CTemplates& list) {
  bars::UpdateFreqButtons(popup, list, L"CInspectorWrapper::Update_FreqButtons");
}

void CInspectorWrapper::Create_TemplateMenu(bool bIsTemplate, bool bIsWordMail,
                                            bool bUseOwnToolbar) {
  if (m_popTemplate) return;
  const int32_t nVersion = GetAppVersion();
  BarPtr standard;
  Step([&] { standard = m_OutlookBars->Item(kStandardBar); });
  BarPtr bar = bUseOwnToolbar ? m_barOwn : standard;
  if (!bar) return;

  int32_t p = 1;
  if (!bUseOwnToolbar) {
    Step([&] {
      auto save = standard->FindControl(0, kSave);
      if (!save || !save->Visible()) return;
      p = save->Index() + 1;
      auto send = bar->FindControl(0, kSend);
      if (send && send->Visible() && send->Index() == p) p = p + 1;
    });
  }
  m_btnTemplate = AddButton(*bar, p);
  if (m_btnTemplate) {
    Bind(m_btnTemplate, &CInspectorWrapper::m_btnTemplate_Click);
    Step([&] { m_btnTemplate->SetStyle(office::msoButtonIcon); });
    Step([&] { m_btnTemplate->SetBeginGroup(p > 1); });
    Step([&] {
      m_btnTemplate->SetTooltipText(
          LangText(bIsTemplate ? L"BTN_SAVE_TEMPLATE" : L"BTN_SAVE_AS_TEMPLATE"));
    });
    Step([&] {
      if ((nVersion >= 10 && !bIsWordMail) || nVersion >= 12)
        bars::SetIcon(m_btnTemplate, bars::kIconSaveTemplate);
      else
        m_btnTemplate->SetFaceId(kFaceSaveTemplate);
    });
    Step([&] { m_popTemplate = AddPopup(*bar, m_btnTemplate->Index() + 1); });
  }
  if (!m_popTemplate) return;
  Step([&] { m_popTemplate->SetCaption(L" "); });
  Step([&] { m_popTemplate->SetVisible(false); });
  auto item = [&](ButtonPtr& button, const wchar_t* caption,
                  void (CInspectorWrapper::*onClick)(const ButtonPtr&)) {
    Step([&] { button = bars::AddButton(*m_popTemplate->CommandBar()); });
    if (!button) return;
    Bind(button, onClick);
    Step([&] { button->SetStyle(office::msoButtonCaption); });
    Step([&] { button->SetCaption(LangText(caption)); });
  };
  if (bIsTemplate) {
    item(m_btnOpenDuplicate, L"BTN_OPEN_DUPLICATE", &CInspectorWrapper::m_btnOpenDuplicate_Click);
    if (m_btnOpenDuplicate) Step([&] { m_btnOpenDuplicate->SetEnabled(!m_bModal); });
    item(m_btnHotkey, L"BTN_HOTKEY", &CInspectorWrapper::m_btnHotkey_Click);
    item(m_btnChangeDefault, L"BTN_CHANGE_DEFAULT_SET",
         &CInspectorWrapper::m_btnChangeDefault_Click);
    // Word's windows before 2007 get no updates: the caption must be right from the start.
    CaptionChangeDefault();
    Step([&] { m_popTemplate->SetVisible(true); });
  } else {
    item(m_btnProcessPersonal, L"BTN_PROCESS_PERSONAL",
         &CInspectorWrapper::m_btnProcessPersonal_Click);
    if (m_btnProcessPersonal) Step([&] { m_btnProcessPersonal->SetVisible(m_state.IsAddinItem); });
    Step([&] { m_popTemplate->SetVisible(m_state.IsAddinItem); });
  }
}

void CInspectorWrapper::CaptionChangeDefault() {
  if (!m_btnChangeDefault) return;
  bars::PutCaption(m_btnChangeDefault,
                   LangText(m_state.IsDefaultTemplate ? L"BTN_CHANGE_DEFAULT_CLEAR"
                                                      : L"BTN_CHANGE_DEFAULT_SET"));
}

void CInspectorWrapper::Create_ActionMenu(bool bIsTemplate, bool bIsWordMail) {
  if (GetAppVersion() >= 12 || bIsWordMail) return;
  if (m_popActionMenu) return;
  const int32_t nVersion = GetAppVersion();
  PopupPtr actions;
  Step([&] {
    actions = office::AsPopup(
        m_OutlookBars->Item(kMenuBar)->FindControl(office::msoControlPopup, kActionsMenu));
  });
  if (!actions) return;
  // Right before Outlook's Reply; at the end of the menu when Reply is not in it.
  std::optional<int32_t> pos;
  Step([&] {
    if (auto reply = actions->CommandBar()->FindControl(0, kReply)) pos = reply->Index();
  });
  Step([&] { m_popActionMenu = bars::AddPopup(*actions->CommandBar(), pos); });
  if (!m_popActionMenu) return;
  Step([&] { m_popActionMenu->SetCaption(LangText(L"MNU_TANVELO")); });
  Step([&] { m_popActionMenu->SetBeginGroup(true); });
  auto item = [&](ButtonPtr& button, int32_t style, const wchar_t* caption,
                  void (CInspectorWrapper::*onClick)(const ButtonPtr&)) {
    Step([&] { button = bars::AddButton(*m_popActionMenu->CommandBar()); });
    if (!button) return;
    Bind(button, onClick);
    Step([&] { button->SetStyle(style); });
    Step([&] { button->SetCaption(LangText(caption)); });
  };
  if (bIsTemplate) {
    Step([&] {
      if (!g_oLib) return;
      m_popInsert =
          g_oLib->CreateMenu(m_popActionMenu->CommandBar(), m_sTag, L"Personalization", 1, true);
    });
    if (m_popInsert) Step([&] { m_popInsert->SetCaption(LangText(L"MNU_INSERT")); });
    item(m_btnOpenDuplicate2, office::msoButtonCaption, L"BTN_OPEN_DUPLICATE2",
         &CInspectorWrapper::m_btnOpenDuplicate_Click);
    if (m_btnOpenDuplicate2) Step([&] { m_btnOpenDuplicate2->SetEnabled(!m_bModal); });
    item(m_btnHotkey2, office::msoButtonCaption, L"BTN_HOTKEY",
         &CInspectorWrapper::m_btnHotkey_Click);
    return;
  }
  item(m_btnTanvelo2, office::msoButtonIconAndCaption, L"BTN_TANVELO_SUB",
       &CInspectorWrapper::m_btnTanveloSub_Click);
  if (m_btnTanvelo2) Step([&] { bars::SetIcon(m_btnTanvelo2, bars::kIconTanvelo); });
  item(m_btnReplyAllWith2, office::msoButtonIconAndCaption, L"BTN_REPLY_ALL_WITH_SUB",
       &CInspectorWrapper::m_btnReplyAllWithSub_Click);
  if (m_btnReplyAllWith2) Step([&] { bars::SetIcon(m_btnReplyAllWith2, bars::kIconReplyAllWith); });
  item(m_btnForwardWith2, office::msoButtonIconAndCaption, L"BTN_FORWARD_WITH_SUB",
       &CInspectorWrapper::m_btnForwardWithSub_Click);
  if (m_btnForwardWith2) Step([&] { bars::SetIcon(m_btnForwardWith2, bars::kIconForwardWith); });
  item(m_btnSaveAsTemplate2, office::msoButtonIconAndCaption, L"BTN_SAVE_AS_TEMPLATE",
       &CInspectorWrapper::m_btnSaveAsTemplate2_Click);
  if (m_btnSaveAsTemplate2) {
    Step([&] {
      if ((nVersion >= 10 && !bIsWordMail) || nVersion >= 12)
        bars::SetIcon(m_btnSaveAsTemplate2, bars::kIconSaveTemplate);
      else
        m_btnSaveAsTemplate2->SetFaceId(kFaceSaveTemplate);
    });
    Step([&] { m_btnSaveAsTemplate2->SetBeginGroup(true); });
  }
  item(m_btnProcessPersonal2, office::msoButtonCaption, L"BTN_PROCESS_PERSONAL",
       &CInspectorWrapper::m_btnProcessPersonal_Click);
  if (m_btnProcessPersonal2) Step([&] { m_btnProcessPersonal2->SetVisible(m_state.IsAddinItem); });
}

void CInspectorWrapper::Update_ActionMenu(const InspectorState& state) {
  if (!m_popActionMenu) return;
  for (auto entry : {std::pair{&m_btnTanvelo2, state.ReplyEnabled},
                     std::pair{&m_btnReplyAllWith2, state.ReplyAllEnabled},
                     std::pair{&m_btnForwardWith2, state.ForwardEnabled}}) {
    // Plain names: clang lets no lambda capture a structured binding.
    auto* button = entry.first;
    bool enabled = entry.second;
    if (!*button) continue;
    bars::PutEnabled(*button, enabled);
    bars::PutVisible(*button, true);
  }
}

void CInspectorWrapper::Update_TanveloBtns(const InspectorState& state) {
  struct Pair {
    ButtonPtr& button;
    PopupPtr& popup;
    bars::QuickItems& quick;
    bool hidden;
    bool visible, enabled;
    int32_t useType;
  };
  auto& options = Options();
  bool hideReply = false, hideReplyAll = false, hideForward = false;
  Step([&] { hideReply = options.HideTanveloBtn(); });
  Step([&] { hideReplyAll = options.HideReplyAllWithBtn(); });
  Step([&] { hideForward = options.HideForwardWithBtn(); });
  const Pair pairs[] = {
      {m_btnTanvelo, m_popTanvelo, m_qTanvelo, hideReply, state.ReplyVisible, state.ReplyEnabled,
       mTanvelo::kActionReply},
      {m_btnReplyAllWith, m_popReplyAllWith, m_qReplyAllWith, hideReplyAll, state.ReplyAllVisible,
       state.ReplyAllEnabled, mTanvelo::kActionReplyAll},
      {m_btnForwardWith, m_popForwardWith, m_qForwardWith, hideForward, state.ForwardVisible,
       state.ForwardEnabled, mTanvelo::kActionForward},
  };
  for (const Pair& pair : pairs) {
    if (!pair.button) continue;
    // Only what changed is written: each write repaints the bar, and Office updates often.
    if (pair.hidden) {
      bars::PutVisible(pair.button, false);
      if (pair.popup) bars::PutVisible(pair.popup, false);
      continue;
    }
    bars::PutEnabled(pair.button, pair.enabled);
    bars::PutVisible(pair.button, pair.visible);
    if (pair.popup) bars::PutEnabled(pair.popup, pair.enabled);
    if (pair.popup) bars::PutVisible(pair.popup, pair.visible);
    // A failed rewrite empties the list, so that the next update tries again.
    Step([&] {
      if (bars::FrequentsChanged(pair.quick, pair.useType))
        Update_FreqButtons(pair.popup, pair.quick.list);
    });
  }
}

void CInspectorWrapper::Update_TemplateMenu(const InspectorState& state) {
  if (state.IsTemplate) CaptionChangeDefault();
}

void CInspectorWrapper::SaveBarPosition(const BarPtr& bar, const std::wstring& key) {
  if (std::find(m_barsRestored.begin(), m_barsRestored.end(), key) == m_barsRestored.end()) {
    RestoreBarPosition(bar, key);
    if (std::find(m_barsRestored.begin(), m_barsRestored.end(), key) == m_barsRestored.end()) {
      LogError(L"CInspectorWrapper::SaveBarPosition", 0,
               L"the toolbar position was not read, so not saved - " + key);
      return;
    }
  }
  Step([&] {
    const std::wstring path = Options().GetProfileRegPath();
    CWinReg reg;
    const bool open = reg.InitForWrite(CWinReg::HKEY_CURRENT_USER, path, true);
    auto save = [&](const wchar_t* field, int32_t value) {
      if (!open || !reg.SetDWordValue(key + field, value))
        LogNotWritten(L"CInspectorWrapper::SaveBarPosition", path, key + field,
                      std::to_wstring(value));
    };
    Step([&] { save(L".Left", bar->Left()); });
    Step([&] { save(L".Top", bar->Top()); });
    Step([&] { save(L".Position", bar->Position()); });
    Step([&] { save(L".RowIndex", bar->RowIndex()); });
  });
  vb::Err().Clear();
}

void CInspectorWrapper::RestoreBarPosition(const BarPtr& bar, const std::wstring& key) {
  if (!bar) return;
  Step([&] {
    CWinReg reg;
    const bool open = reg.InitForRead(CWinReg::HKEY_CURRENT_USER, Options().GetProfileRegPath());
    if (!open) {
      if (reg.KeyMissing()) m_barsRestored.push_back(key);  // nothing stored: as it is
      return;
    }
    bool refused = false;
    auto read = [&](const wchar_t* field, int32_t normal) {
      int32_t value = reg.GetDWordValue(key + field, normal);
      refused = refused || reg.ReadRefused();
      return value;
    };
    Step([&] { bar->SetPosition(read(L".Position", office::msoBarTop)); });
    Step([&] { bar->SetRowIndex(read(L".RowIndex", 3)); });
    Step([&] { bar->SetLeft(read(L".Left", 0)); });
    Step([&] { bar->SetTop(read(L".Top", 0)); });
    if (!refused) m_barsRestored.push_back(key);
    // A floating bar left where a screen no longer is would be out of the user's reach in
    // every window: it comes back onto the screen.
    Step([&] {
      if (bar->Position() != office::msoBarFloating) return;
      const auto& screen = vb::Screen();
      const int32_t maxLeft = std::max(0, screen.WidthPixels - kOnScreenWidth);
      const int32_t maxTop = std::max(0, screen.HeightPixels - kOnScreenHeight);
      const int32_t left = bar->Left(), top = bar->Top();
      if (left < 0 || left > maxLeft) bar->SetLeft(std::clamp(left, 0, maxLeft));
      if (top < 0 || top > maxTop) bar->SetTop(std::clamp(top, 0, maxTop));
    });
  });
  vb::Err().Clear();
}
