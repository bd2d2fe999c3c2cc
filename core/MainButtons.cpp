// Main's helper for command-bar button faces.
#include "core/Main.h"
#include "platform/office/CommandBars.h"

void SetBtnPicAndMask(const std::shared_ptr<office::CommandBarButton>& button,
                      std::shared_ptr<win32::IPicture> picture,
                      std::shared_ptr<win32::IPicture> mask) {
  Trap(L"Main::SetBtnPicAndMask", [&] {
    // Outlook 2000's buttons have no settable picture or mask.
    if (GetAppVersion() < 10) {
      LogError(L"Main::SetBtnPicAndMask", 0, L"Old outlook version");
      return;
    }
    if (!button) vb::Raise(vb::kObjectVariableNotSet);
    button->SetPicture(std::move(picture));
    button->SetMask(std::move(mask));
  });
}
