#include "platform/inspector_bars/InspectorBars.h"

#include <vector>

#include "platform/office/InspectorBars.h"
#include "platform/outlook/Outlook.h"
#include "platform/vb/Error.h"
#include "platform/win32/Reset.h"

namespace inspector_bars {
namespace {
struct State {
  std::vector<outlook::Subscription> subscriptions;
};
}  // namespace

std::shared_ptr<office::CommandBars> Of(const std::shared_ptr<outlook::Inspector>& inspector) {
  if (!inspector || inspector->IsClosed()) return nullptr;
  if (auto bars = std::static_pointer_cast<office::CommandBars>(inspector->CommandBars()))
    return bars;
  int32_t editor = office::kEditorText, major = 0;
  vb::Ignore([&] { editor = inspector->EditorType(); });
  std::shared_ptr<outlook::Application> app;
  vb::Ignore([&] { app = inspector->CurrentItem()->Application(); });
  if (app) major = outlook::MajorVersion(app->Version());
  // No parent: the window holds its bars, and bars holding the Application would keep the
  // whole profile alive in a circle.
  auto bars = office::MakeInspectorCommandBarsFor(editor, major);
  inspector->SetCommandBars(bars);
  return bars;
}

void Give(const std::shared_ptr<outlook::Application>& app) {
  win32::PlatformState<State>().subscriptions.push_back(app->Inspectors()->NewInspector.Subscribe(
      [](std::shared_ptr<outlook::Inspector> inspector) { Of(inspector); }));
}

}  // namespace inspector_bars
