// The add-in object's ribbon entry points: Office's calls go to the ribbon half, which serves
// only while the add-in is alive, and every loaded ribbon is reached through m_oRibbon.
#include "addin/CConnectRibbon.h"
#include "addin/CRibbonFacts.h"
#include "addin/Connect.h"

CConnectRibbon& Connect::RibbonHalf() {
  if (!m_oRibbonHalf) {
    std::weak_ptr<Connect> weak = weak_from_this();
    FindWrapperFn find = [weak](const std::shared_ptr<outlook::Inspector>& inspector) {
      auto self = weak.lock();
      return self && self->m_oInspectors ? self->m_oInspectors->FindWrapper(inspector)
                                         : std::shared_ptr<mTanvelo::IInspectorWrapper>();
    };
    auto facts = std::make_shared<COutlookRibbonFacts>();
    facts->fnFindWrapper = find;
    auto commands = std::make_shared<COutlookRibbonCommands>();
    commands->fnFindWrapper = find;
    m_oRibbonHalf = std::make_shared<CConnectRibbon>(facts, commands);
    m_oRibbonHalf->fnServing = [weak] {
      auto self = weak.lock();
      return self && self->Alive();
    };
  }
  return *m_oRibbonHalf;
}

std::wstring Connect::GetCustomUI(const std::wstring& ribbonId) {
  // After a failed connection Outlook still asks: it gets no tab.
  if (!Alive()) return L"";
  return RibbonHalf().GetCustomUI(ribbonId);
}

office::RibbonMembers Connect::RibbonCallbacks() {
  office::RibbonMembers members = RibbonHalf().RibbonCallbacks();
  members[L"Ribbon_OnLoad"] = office::RibbonOnLoad(
      [this](std::shared_ptr<office::IRibbonUI> ribbon) { Ribbon_OnLoad(ribbon); });
  return members;
}

void Connect::Ribbon_OnLoad(std::shared_ptr<office::IRibbonUI> ribbon) {
  if (!Alive()) return;
  RibbonHalf().Ribbon_OnLoad(std::move(ribbon));
  m_oRibbon = RibbonHalf().AllRibbons();
}

void Connect::Explorer_InvalidateRibbon(bool bFolderSwitch, bool bSelectionChange, bool bFlag3,
                                        bool bFlag4, bool bFlag5, bool) {
  RibbonHalf().Explorer_InvalidateRibbon(bFolderSwitch, bSelectionChange, bFlag3, bFlag4, bFlag5);
}

void Connect::m_FreqTemplates_OnChange(int32_t nAction) {
  if (!Alive()) return;
  RibbonHalf().m_FreqTemplates_OnChange(nAction);
}

void Connect::m_o2007events_OnItemContextMenuDisplay(
    const std::shared_ptr<office::CommandBar>& bar,
    const std::shared_ptr<outlook::Selection>& sel) {
  if (!Alive()) return;
  auto self = shared_from_this();
  RibbonHalf().m_o2007events_OnItemContextMenuDisplay(bar, std::any(sel));
}

void Connect::m_o2007events_OnContextMenuClose(int32_t nMenu) {
  auto self = shared_from_this();
  RibbonHalf().m_o2007events_OnContextMenuClose(nMenu);
}
