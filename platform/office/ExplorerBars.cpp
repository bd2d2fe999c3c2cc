#include "platform/office/ExplorerBars.h"

#include "platform/office/BuiltInBars.h"

namespace office {
const std::vector<int32_t>& ItemContextMenuIds() {
  static const std::vector<int32_t> ids = {354, 355, 356, 2986};
  return ids;
}

const std::vector<int32_t>& FolderContextMenuIds() {
  static const std::vector<int32_t> ids = {1746, 1747, 1916};
  return ids;
}

std::shared_ptr<CommandBars> MakeOutlookExplorerBars(int32_t version, std::any application) {
  auto bars = MakeExplorerCommandBars(std::move(application), ItemContextMenuIds());
  if (version >= 14) {
    bars->Item(L"Menu Bar")->SetVisible(false);
    bars->Item(L"Standard")->SetVisible(false);
  }
  return bars;
}

void ShowActionsMenuFor(CommandBars& bars, bool contactFolder) {
  auto menu = bars.Item(L"Menu Bar");
  if (auto mail = menu->FindControl(msoControlPopup, 30131)) mail->SetVisible(!contactFolder);
  if (auto contacts = menu->FindControl(msoControlPopup, 30141))
    contacts->SetVisible(contactFolder);
}

std::shared_ptr<CommandBar> RightClick(CommandBars& bars, const std::vector<int32_t>& ids) {
  auto context = bars.Item(L"Context Menu");
  // Outlook refills its own menu whatever the bar's protection against customizing.
  int32_t protection = context->Protection();
  context->SetProtection(0);
  FillBuiltIns(*context, ids);
  context->SetProtection(protection);
  bars.FireOnUpdate();
  return context;
}

}  // namespace office
