// Office's own controls and bars as Outlook's windows carry them: the built-in control ids the
// add-in looks for (Reply 354, Reply to All 355, Forward 356, the menus and anchors), and the
// bars of an Explorer and of a mail Inspector.
#pragma once

#include <any>
#include <memory>
#include <vector>

#include "platform/office/CommandBars.h"

namespace office {

struct BuiltInControl {
  int32_t id;
  int32_t type;
  const wchar_t* caption;
};
// nullptr for an id Office does not know.
const BuiltInControl* FindBuiltIn(int32_t id);

// "Menu Bar" (File with New and Import and Export, Go, Actions, contact Actions), "Standard"
// (New, Reply, Reply to All, Forward, Send/Receive) and the "Context Menu" bar.
std::shared_ptr<CommandBars> MakeExplorerCommandBars(std::any application = {});
// The same bars with "Context Menu" holding `contextIds`.
std::shared_ptr<CommandBars> MakeExplorerCommandBars(std::any application,
                                                     const std::vector<int32_t>& contextIds);
// "Menu Bar" (File, Actions with Reply) and "Standard" (Save, Print, Reply, Reply to All,
// Forward) of a mail Inspector.
std::shared_ptr<CommandBars> MakeInspectorCommandBars(std::any application = {});
// Replaces the bar's controls by built-in ones, as Outlook does before it shows a context menu.
void FillBuiltIns(CommandBar& bar, const std::vector<int32_t>& ids);

}  // namespace office
