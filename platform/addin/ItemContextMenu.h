// A user's right-click over the items of an explorer on Outlook 2007 and later, as the events
// component reports it: Outlook makes a fresh shortcut bar holding its own commands, the
// component raises the display (the bar and the explorer's selection) while the add-in may
// still add to it, the user clicks an entry or dismisses the menu, and the component raises
// the close (kind 0 for the item context menu) once the menu is gone: after the click's
// handlers have returned, unless it closed earlier (a modal dialog of the command takes the
// focus, and a test plays that by calling Close inside it).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/addin/EventsComponent.h"
#include "platform/office/CommandBars.h"
#include "platform/outlook/Forward.h"

namespace o2007events {

// Context-menu kinds the close reports.
inline constexpr int32_t kItemContextMenu = 0, kFolderContextMenu = 1, kShortcutContextMenu = 2;

class ContextMenu {
 public:
  // Outlook's own entries of the item context menu over mail: Reply, Reply to All, Forward,
  // Delete. Other shortcut menus carry commands of their own (Open, Print, Options...).
  static const std::vector<int32_t>& ItemMenuBuiltIns();

  // The user right-clicks the explorer's selection: the display is raised at once. Without a
  // started component (none, never Init) nothing is raised and the menu shows Outlook's entries
  // only.
  static std::shared_ptr<ContextMenu> ShowItemMenu(
      const std::shared_ptr<O2007Events>& events,
      const std::shared_ptr<outlook::Explorer>& explorer,
      const std::vector<int32_t>& builtIns = ItemMenuBuiltIns());
  // Another kind of shortcut menu opens and closes (no display event, a close of that kind).
  static void ShowOtherMenu(const std::shared_ptr<O2007Events>& events, int32_t kind);

  const std::shared_ptr<office::CommandBar>& Bar() const { return bar_; }
  // The entries the user sees: "caption" for a command, "popup/caption" inside a popup;
  // hidden controls are not listed.
  std::vector<std::wstring> Entries() const;
  // The user clicks the visible entry with this caption (in a popup: "popup/caption"), then
  // the menu closes. ActionRefused for an entry that is not shown, or once the menu is gone.
  void Click(const std::wstring& path);
  // The menu goes away without a command: the close, once.
  void Close();
  bool IsOpen() const { return open_; }

 private:
  // The add-in may let go of the component (a shutdown) while the menu is open.
  std::weak_ptr<O2007Events> events_;
  std::shared_ptr<office::CommandBars> bars_;
  std::shared_ptr<office::CommandBar> bar_;
  bool open_ = false;
};

}  // namespace o2007events
