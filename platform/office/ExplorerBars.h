// Outlook's explorer bars as each version carries them, and the right-click of Outlook 2002 and
// 2003, which refills the shared "Context Menu" bar with the entries of what was clicked before
// Office's update runs (so the add-in's entries of an earlier right-click are gone).
#pragma once

#include <any>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/office/CommandBars.h"

namespace office {

// The explorer's bars of Outlook `version` (9, 10, 11, 12, 14): "Menu Bar" (File with New and
// Import and Export, Go with Folder List, Actions with Reply, the contacts' Actions), "Standard"
// (New, Print, Reply with a separator, Reply to All, Forward, Send/Receive) and "Context Menu".
// Outlook 2010 keeps the bars but shows the ribbon: "Menu Bar" and "Standard" are hidden.
std::shared_ptr<CommandBars> MakeOutlookExplorerBars(int32_t version, std::any application = {});

// Outlook shows one Actions menu on the menu bar: the contacts' (30141) while a contact folder
// is shown, the mail's (30131) for every other folder.
void ShowActionsMenuFor(CommandBars& bars, bool contactFolder);

// Built-in entries Outlook puts on "Context Menu" when the user right-clicks items in the list
// (Reply, Reply to All, Forward, Delete) and when the bar serves another shortcut menu, the
// folder list's (Open, Print, Find All).
const std::vector<int32_t>& ItemContextMenuIds();
const std::vector<int32_t>& FolderContextMenuIds();

// A right-click: "Context Menu" holds exactly `ids` (every control the program added is gone),
// then Office's update runs. Returns the bar as the user then sees it.
std::shared_ptr<CommandBar> RightClick(CommandBars& bars, const std::vector<int32_t>& ids);

}  // namespace office
