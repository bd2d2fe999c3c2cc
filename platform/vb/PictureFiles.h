// LoadPicture and SavePicture: picture objects from and to files on the sandbox's disk.
#pragma once

#include <memory>
#include <string>

#include "platform/win32/Images.h"

namespace vb {

// A bitmap (".bmp") or icon file as a picture; 53 when the file is missing, 481 when it is
// neither.
std::shared_ptr<win32::IPicture> LoadPicture(const std::wstring& path);
// Writes a bitmap picture as a bitmap file and an icon picture as an icon file. 481 when there
// is no image behind the picture, 76 when the folder is missing, 75 for another write failure.
void SavePicture(const std::shared_ptr<win32::IPicture>& picture, const std::wstring& path);

}  // namespace vb
