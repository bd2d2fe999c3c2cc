#include "platform/office/BuiltInBars.h"

namespace office {
namespace {
constexpr BuiltInControl kBuiltIns[] = {
    {354, msoControlButton, L"&Reply"},
    {355, msoControlButton, L"Reply to &All"},
    {356, msoControlButton, L"For&ward"},
    {1757, msoControlButton, L"&Mail Message"},
    {1746, msoControlButton, L"&Open"},
    {1747, msoControlButton, L"&Print"},
    {1868, msoControlButton, L"Fo&lder List"},
    {1874, msoControlButton, L"Send/Re&ceive"},
    {1878, msoControlButton, L"Flag for Follow &Up..."},
    {1880, msoControlButton, L"Mark as U&nread"},
    {1916, msoControlButton, L"Find A&ll"},
    {1917, msoControlButton, L"&Categories..."},
    {2577, msoControlButton, L"Imp&ort and Export..."},
    {2617, msoControlButton, L"&Save"},
    {2986, msoControlButton, L"&Delete"},
    {2990, msoControlButton, L"Junk E-&mail"},
    {7223, msoControlButton, L"&Off"},  // View, Reading Pane
    {7887, msoControlButton, L"Op&tions..."},
    {31224, msoControlButton, L"&Send"},
    {30002, msoControlPopup, L"&File"},
    {30037, msoControlPopup, L"Ne&w"},
    {30131, msoControlPopup, L"&Actions"},
    {30141, msoControlPopup, L"&Actions"},
    {30328, msoControlPopup, L"&Go"},
    // Word's own, on the bars it gives the mail windows it edits.
    {3, msoControlButton, L"&Save"},
    {23, msoControlButton, L"&Open..."},
    {113, msoControlButton, L"&Bold"},
    {114, msoControlButton, L"&Italic"},
    {2520, msoControlButton, L"&New Blank Document"},
    {2521, msoControlButton, L"&Print"},
    {30006, msoControlPopup, L"F&ormat"},
};

std::shared_ptr<CommandBarPopup> AddPopup(CommandBar& bar, int32_t id) {
  return AsPopup(bar.Controls().Add(msoControlPopup, id));
}
}  // namespace

const BuiltInControl* FindBuiltIn(int32_t id) {
  for (const auto& b : kBuiltIns)
    if (b.id == id) return &b;
  return nullptr;
}

void FillBuiltIns(CommandBar& bar, const std::vector<int32_t>& ids) {
  while (bar.Controls().Count() > 0) bar.Controls().Item(1)->Delete();
  for (int32_t id : ids)
    bar.Controls().Add(FindBuiltIn(id) ? FindBuiltIn(id)->type : msoControlButton, id);
}

std::shared_ptr<CommandBars> MakeExplorerCommandBars(std::any application) {
  return MakeExplorerCommandBars(std::move(application),
                                 {1746, 1747, 354, 355, 356, 1880, 1878, 2986});
}

std::shared_ptr<CommandBars> MakeExplorerCommandBars(std::any application,
                                                     const std::vector<int32_t>& contextIds) {
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
  FillBuiltIns(*context, contextIds);
  context->SetVisible(false);
  return bars;
}

std::shared_ptr<CommandBars> MakeInspectorCommandBars(std::any application) {
  auto bars = CommandBars::Create(std::move(application));
  auto menu = bars->AddBuiltInBar(L"Menu Bar", msoBarTypeMenuBar);
  auto file = AddPopup(*menu, 30002);
  FillBuiltIns(*file->CommandBar(), {2617, 1747});
  auto actions = AddPopup(*menu, 30131);
  FillBuiltIns(*actions->CommandBar(), {354, 355, 356});
  auto standard = bars->AddBuiltInBar(L"Standard", msoBarTypeNormal);
  FillBuiltIns(*standard, {2617, 31224, 1747, 354, 355, 356});
  standard->Controls().Item(4)->SetBeginGroup(true);
  return bars;
}

}  // namespace office
