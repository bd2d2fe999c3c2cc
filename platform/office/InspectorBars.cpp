#include "platform/office/InspectorBars.h"

#include "platform/office/BuiltInBars.h"
#include "platform/win32/Reset.h"

namespace office {
namespace {

// Word's own command ids, which Outlook's anchors never match.
constexpr int32_t kWordNew = 2520, kWordOpen = 23, kWordSave = 3, kWordPrint = 2521,
                  kWordBold = 113, kWordItalic = 114, kWordFile = 30002, kWordFormat = 30006;

struct WordState {
  std::shared_ptr<CommandBars> bars;
};

std::shared_ptr<CommandBars> MakeWordBars(std::any application) {
  auto bars = CommandBars::Create(std::move(application));
  auto menu = bars->AddBuiltInBar(L"Menu Bar", msoBarTypeMenuBar);
  auto file = AsPopup(menu->Controls().Add(msoControlPopup, kWordFile));
  FillBuiltIns(*file->CommandBar(), {kWordSave, kWordPrint});
  menu->Controls().Add(msoControlPopup, kWordFormat);
  auto standard = bars->AddBuiltInBar(L"Standard", msoBarTypeNormal);
  FillBuiltIns(*standard, {kWordNew, kWordOpen, kWordSave, kWordPrint});
  auto formatting = bars->AddBuiltInBar(L"Formatting", msoBarTypeNormal);
  FillBuiltIns(*formatting, {kWordBold, kWordItalic});
  formatting->SetRowIndex(2);
  return bars;
}

}  // namespace

std::shared_ptr<CommandBars> WordMailCommandBars(std::any application) {
  auto& state = win32::PlatformState<WordState>();
  if (!state.bars) state.bars = MakeWordBars(std::move(application));
  return state.bars;
}

std::shared_ptr<CommandBars> MakeInspectorCommandBarsFor(int32_t editorType, int32_t majorVersion,
                                                         std::any application) {
  if (editorType == kEditorWord && majorVersion < 12)
    return WordMailCommandBars(std::move(application));
  auto bars = MakeInspectorCommandBars(std::move(application));
  if (editorType == kEditorRTF || editorType == kEditorHTML || editorType == kEditorWord) {
    auto formatting = bars->AddBuiltInBar(L"Formatting", msoBarTypeNormal);
    FillBuiltIns(*formatting, {kWordBold, kWordItalic});
    formatting->SetRowIndex(2);
  }
  return bars;
}

}  // namespace office
