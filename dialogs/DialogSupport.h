// What every dialog does while it loads (its texts from the language file, the program's
// main icon) and the small checks its handlers share.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/CLang.h"
#include "platform/vb/Need.h"
#include "platform/win32/Images.h"

namespace forms {
class Form;
}

namespace DialogSupport {

// Applies the language file's section for the form; never raises.
void Localize(forms::Form& form);
// The program's main icon (COptions.MAIN_ICON), or null when it cannot be loaded.
std::shared_ptr<win32::IPicture> MainIcon();

using vb::Need;

}  // namespace DialogSupport
