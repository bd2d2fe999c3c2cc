// Module mIcons: icon resources of the add-in's own module as picture objects, for the
// ribbon's images and the windows' icons.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>

#include "platform/win32/Images.h"

namespace mIcons {

// An icon group named by text (handed to Windows in ANSI) or by number.
using IconResource = std::variant<std::wstring, int32_t>;

// The icon at width x height (the system's icon size when either is 0), shared or a private
// copy. Raises error 13 with "LoadImage failed, LastError=0x..." or the picture failure text.
std::shared_ptr<win32::IPicture> LoadIconPicture(const IconResource& resource, int32_t width,
                                                 int32_t height, bool shared);

// A picture owning the icon handle, or null with the failure text in errorText ("" on success).
std::shared_ptr<win32::IPicture> IconToPicture(win32::HICON icon, std::wstring& errorText);

}  // namespace mIcons
