// The add-in's popup in Outlook's item context menu (Outlook 2007 and later): made anew each
// time Outlook is about to show the menu, with the entries the explorer ribbon would show
// enabled, each turning its click into a command number 1 to 12.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/office/CommandBars.h"
#include "platform/outlook/Events.h"

class CItemContextMenu : public std::enable_shared_from_this<CItemContextMenu> {
 public:
  // The command numbers, in menu order.
  enum Entry : int32_t {
    kTanveloSub = 1,
    kReplyAllWithSub,
    kForwardWithSub,
    kNewTemplate,
    kEditTemplate,
    kNewFromTemplate,
    kSaveAsTemplate,
    kOpenDuplicate,
    kHotkey,
    kSetDefault,
    kClearDefault,
    kSendDrafts,
  };
  static constexpr int32_t kEntries = 12;

  // Builds the popup into the context bar; errors skip the statement that failed. Nothing is
  // added before Outlook 2002, when the popup (its Tag) is already there, or when the bar is
  // one of the context menus that carry none of the add-in's commands.
  void Create(const std::shared_ptr<office::CommandBar>& oContextBar,
              const std::wstring& sContextMenuTag, bool bTanveloSub, bool bReplyAllWithSub,
              bool bForwardWithSub, bool bNewTemplate, bool bEditTemplate, bool bNewFromTemplate,
              bool bSaveAsTemplate, bool bOpenDuplicate, bool bHotkey, bool bSetDefault,
              bool bClearDefault, bool bSendDrafts);

  // Raised with the entry's number when the user clicks it.
  outlook::Event<int32_t> OnClick;

  // The button of entry n (1 to 12), null when that entry was not added.
  std::shared_ptr<office::CommandBarButton> Button(int32_t n) const;

 private:
  void Clicked(int32_t n);
  std::array<std::shared_ptr<office::CommandBarButton>, kEntries> m_buttons;
  std::vector<office::Subscription> m_sinks;
};
