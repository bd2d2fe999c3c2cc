#include "platform/office/ExplorerBars.h"

#include "platform/office/BuiltInBars.h"

namespace office {
namespace {
std::shared_ptr<CommandBarPopup> AddPopup(CommandBar& bar, int32_t id) {
  return AsPopup(bar.Controls().Add(msoControlPopup, id));
}
}  // namespace

const std::vector<int32_t>& ItemContextMenuIds() {
  static const std::vector<int32_t> ids = {354, 355, 356, 2986};
  return ids;
}

const std::vector<int32_t>& FolderContextMenuIds() {
  static const std::vector<int32_t> ids = {1746, 1747, 1916};
  return ids;
}

std::shared_ptr<CommandBars> MakeOutlookExplorerBars(int32_t version, std::any application) {
  auto bars = CommandBars::Create(std::move(application));
  auto menu = bars->AddBuiltInBar(L"Menu Bar", msoBarTypeMenuBar);
  auto file = AddPopup(*menu, 30002);
  auto fileNew = AddPopup(*file->CommandBar(), 30037);
  FillBuiltIns(*fileNew->CommandBar(), {1757});
  file->Controls().Add(msoControlButton, 2577);
  auto go = AddPopup(*menu, 30328);
  FillBuiltIns(*go->CommandBar(), {1868});
  auto actions = AddPopup(*menu, 30131);
  FillBuiltIns(*actions->CommandBar(), {354, 355, 356});
  AddPopup(*menu, 30141);
  auto standard = bars->AddBuiltInBar(L"Standard", msoBarTypeNormal);
  FillBuiltIns(*standard, {1757, 1747, 354, 355, 356, 1874});
  standard->Controls().Item(3)->SetBeginGroup(true);
  auto context = bars->AddBuiltInBar(L"Context Menu", msoBarTypePopup);
  FillBuiltIns(*context, ItemContextMenuIds());
  context->SetVisible(false);
  if (version >= 14) {
    menu->SetVisible(false);
    standard->SetVisible(false);
  }
  return bars;
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
