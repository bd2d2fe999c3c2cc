// LoadResPicture: a bitmap or icon resource of the running module as a picture object.
#pragma once

#include <memory>
#include <string>

#include "platform/win32/Images.h"

namespace vb {

inline constexpr int32_t vbResBitmap = 0, vbResIcon = 1;

// Raises 326 when the module has no such resource.
std::shared_ptr<win32::IPicture> LoadResPicture(const std::wstring& name, int32_t type);

}  // namespace vb
