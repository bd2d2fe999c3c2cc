#include "dialogs/DialogSupport.h"

#include "core/mIcons.h"
#include "platform/forms/Form.h"
#include "platform/vb/Error.h"

namespace DialogSupport {

void Localize(forms::Form& form) {
  (void)form;
}

std::shared_ptr<win32::IPicture> MainIcon() {
  std::shared_ptr<win32::IPicture> icon;
  vb::Ignore([&] { icon = mIcons::LoadIconPicture(std::wstring(L"MAIN_ICON"), 0, 0, true); });
  return icon;
}

}  // namespace DialogSupport
