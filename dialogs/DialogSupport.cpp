#include "dialogs/DialogSupport.h"

#include "core/CLang.h"
#include "core/COptions.h"
#include "core/Main.h"
#include "platform/forms/Form.h"
#include "platform/vb/Error.h"

namespace DialogSupport {

void Localize(forms::Form& form) {
  if (g_oLang) g_oLang->LocalizeForm(form);
}

std::shared_ptr<win32::IPicture> MainIcon() {
  std::shared_ptr<win32::IPicture> icon;
  vb::Ignore([&] { icon = Options().MAIN_ICON(); });
  return icon;
}

}  // namespace DialogSupport
