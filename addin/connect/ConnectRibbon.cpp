// The ribbon side of the add-in object as far as its life needs it. The ribbon's XML, its
// callbacks and their answers, and the item context menu live with the ribbon's own code.
#include "addin/connect/Connect.h"

std::wstring Connect::GetCustomUI(const std::wstring& /*ribbonId*/) {
  // After a failed connection Outlook still asks: it gets no tab.
  if (!Alive()) return L"";
  return L"";
}

office::RibbonMembers Connect::RibbonCallbacks() {
  office::RibbonMembers members;
  members[L"Ribbon_OnLoad"] = office::RibbonOnLoad(
      [this](std::shared_ptr<office::IRibbonUI> ribbon) { Ribbon_OnLoad(ribbon); });
  return members;
}

void Connect::Ribbon_OnLoad(std::shared_ptr<office::IRibbonUI> ribbon) {
  if (!Alive()) return;
  m_oRibbon = std::move(ribbon);
}

void Connect::Explorer_InvalidateRibbon(bool, bool, bool, bool, bool, bool) {}

void Connect::m_FreqTemplates_OnChange(int32_t) {}

void Connect::m_o2007events_OnItemContextMenuDisplay(const std::shared_ptr<office::CommandBar>&,
                                                     const std::shared_ptr<outlook::Selection>&) {}

void Connect::m_o2007events_OnContextMenuClose(int32_t) {}
