// The item context menu of Outlook 2007 and later: each entry is the twin of an explorer
// ribbon control, shown when the ribbon's rules show that control enabled, and run by the
// ribbon's dispatcher.
#include "addin/CConnectRibbon.h"
#include "addin/ConnectRibbonRules.h"
#include "inspector_ui/CItemContextMenu.h"

using namespace ribbonrules;

namespace {
std::vector<std::wstring> ExplorerIds(std::initializer_list<const wchar_t*> names) {
  std::vector<std::wstring> v;
  for (const wchar_t* name : names) v.push_back(Ex(name));
  return v;
}
}  // namespace

const std::vector<std::wstring>& CConnectRibbon::ContextMenuFlagIds() {
  static const std::vector<std::wstring> ids = ExplorerIds(
      {L"sbtnTanvelo", L"sbtnReplyAllWith", L"sbtnForwardWith", L"btnNewTemplate",
       L"btnEditTemplate", L"btnNewFromTemplate", L"btnSaveAsTemplate", L"btnOpenDuplicate",
       L"btnHotkey", L"btnChangeDefaultSet", L"btnChangeDefaultClear", L"btnSendDrafts"});
  return ids;
}

// The entries run what the explorer ribbon's menu items run (the split buttons' "Sub" halves).
const std::vector<std::wstring>& CConnectRibbon::ContextMenuDispatchIds() {
  static const std::vector<std::wstring> ids = ExplorerIds(
      {L"btnTanveloSub", L"btnReplyAllWithSub", L"btnForwardWithSub", L"btnNewTemplate",
       L"btnEditTemplate", L"btnNewFromTemplate", L"btnSaveAsTemplate", L"btnOpenDuplicate",
       L"btnHotkey", L"btnChangeDefaultSet", L"btnChangeDefaultClear", L"btnSendDrafts"});
  return ids;
}

void CConnectRibbon::m_o2007events_OnItemContextMenuDisplay(
    const std::shared_ptr<office::CommandBar>& oCommandBar, const std::any&) {
  Trap(L"Connect.m_o2007events_OnItemContextMenuDisplay", [&] {
    std::any explorer = m_oFacts->ActiveExplorer();
    bool flags[CItemContextMenu::kEntries] = {};
    for (size_t i = 0; i < ContextMenuFlagIds().size(); ++i) {
      bool enabled = false, visible = false;
      Control_GetEnabled_(ContextMenuFlagIds()[i], explorer, enabled);
      Control_GetVisible_(ContextMenuFlagIds()[i], explorer, visible);
      flags[i] = enabled && visible;
    }
    m_ContextMenuSinks.clear();
    m_ContextMenu2007 = std::make_shared<CItemContextMenu>();
    m_ContextMenuSinks.push_back(std::make_shared<outlook::Subscription>(
        m_ContextMenu2007->OnClick.Subscribe([this](int32_t n) { m_ContextMenu2007_OnClick(n); })));
    std::wstring tag = L"NorvaneTanvelo" + GetRandomString(4, -1);
    m_ContextMenu2007->Create(oCommandBar, tag, flags[0], flags[1], flags[2], flags[3], flags[4],
                              flags[5], flags[6], flags[7], flags[8], flags[9], flags[10],
                              flags[11]);
  });
}

void CConnectRibbon::m_o2007events_OnContextMenuClose(int32_t nContextMenu) {
  Trap(L"Connect.m_o2007events_OnContextMenuClose", [&] {
    if (nContextMenu != 0) return;
    m_ContextMenuSinks.clear();
    m_ContextMenu2007.reset();
  });
}

void CConnectRibbon::m_ContextMenu2007_OnClick(int32_t nButton) {
  Trap(L"Connect.m_ContextMenu2007_OnClick", [&] {
    std::any explorer = m_oFacts->ActiveExplorer();
    if (nButton < 1 || nButton > CItemContextMenu::kEntries) {
      LogError(L"Connect.m_ContextMenu2007_OnClick", nButton, L"Unknown button");
      return;
    }
    Button_Action_(ContextMenuDispatchIds()[static_cast<size_t>(nButton - 1)], explorer);
  });
}

std::vector<std::wstring> CConnectRibbon::RuleIds(Rule rule) {
  switch (rule) {
    case Rule::Action:
      return DispatchIds();
    case Rule::Enabled:
      return EnabledIds();
    case Rule::Visible:
      return VisibleIds();
    case Rule::Label:
      return LabelIds();
    case Rule::Screentip:
      return ScreentipIds();
    case Rule::Image:
      return ImageIds();
  }
  return {};
}
