// The add-in's command-bar bitmaps ("CMD..." with their "...MASK" twins, 16 x 16), icons
// ("ICO_..." and "MAIN_ICON", 16 and 32 pixels) and the picture of a dialog, drawn for this
// project.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace resources {

// The picture of the templates-folder name dialog, a 160 x 120 bitmap.
inline constexpr const char* kReplyFolderPicture = "BMP_REPLY_FOLDER";

// The names of the bitmap pairs (without "MASK") and of the icons.
const std::vector<std::string>& CommandBitmapNames();
const std::vector<std::string>& IconNames();

// Puts every bitmap and icon into the module's resources.
void LoadModulePictures(uint32_t module);

}  // namespace resources
