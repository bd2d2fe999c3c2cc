// The add-in's own bitmaps and icons: every name the user interface asks for is there, in the
// sizes it asks for, and no two commands look alike.
#include <gtest/gtest.h>

#include <set>

#include "platform/vb/Runtime.h"
#include "platform/win32/Images.h"
#include "platform/win32/Resources.h"
#include "resources/Pictures.h"
#include "resources/StringTable.h"

using win32::resources::FindData;

namespace {
class ModulePictures : public testing::Test {
 protected:
  void SetUp() override { resources::LoadModuleResources(); }
  uint32_t module = vb::App().hInstance;
};

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
}  // namespace

TEST_F(ModulePictures, EveryCommandBitmapHasADistinctPictureAndAMask) {
  std::set<std::vector<uint8_t>> pictures, masks;
  for (const std::string name :
       {"CMDTANVELO", "CMDREPLYALLWITH", "CMDFORWARDWITH", "CMDTEMPLATE", "CMDPREADDRESSEDTEMPLATE",
        "CMDNEWFROMTEMPLATE", "CMDSAVETEMPLATE", "CMDCREATETEMPLATE", "CMDTEMPLATEEDIT"}) {
    const auto* picture = FindData(module, "BITMAP", name);
    const auto* mask = FindData(module, "BITMAP", name + "MASK");
    ASSERT_NE(nullptr, picture) << name;
    ASSERT_NE(nullptr, mask) << name;
    EXPECT_EQ(16u, U32(*picture, 4)) << name;
    EXPECT_EQ(16u, U32(*picture, 8)) << name;
    pictures.insert(*picture);
    masks.insert(*mask);
    auto handle = win32::LoadImageA(module, name, win32::IMAGE_BITMAP, 0, 0, 0);
    ASSERT_NE(0u, handle);
    EXPECT_EQ(16, win32::FindImage(handle)->width);
  }
  EXPECT_EQ(9u, pictures.size()) << "a user can tell the commands apart";
  EXPECT_GE(masks.size(), 8u);
  EXPECT_EQ(9u, resources::CommandBitmapNames().size());
}

TEST_F(ModulePictures, EveryIconComesIn16And32PixelsAndLooksItsOwn) {
  std::set<std::vector<uint8_t>> looks;
  for (const std::string& name : resources::IconNames()) {
    const auto* file = FindData(module, "ICON", name);
    ASSERT_NE(nullptr, file) << name;
    ASSERT_EQ(2u, (*file)[4] | ((*file)[5] << 8)) << name;
    EXPECT_EQ(16, (*file)[6]);
    EXPECT_EQ(32, (*file)[22]);
    for (int size : {16, 32}) {
      auto icon = win32::LoadImageA(module, name, win32::IMAGE_ICON, size, size, win32::LR_SHARED);
      ASSERT_NE(0u, icon) << name;
      looks.insert(win32::FindImage(icon)->bits);
    }
  }
  EXPECT_EQ(2 * resources::IconNames().size(), looks.size());
  for (const char* asked :
       {"ICO_TANVELO", "ICO_REPLY_ALL_WITH", "ICO_FORWARD_WITH", "ICO_TEMPLATE_FOLDER",
        "ICO_PREADDRESSED_TEMPLATE", "ICO_NEW_FROM_TEMPLATE", "ICO_SAVE_AS_TEMPLATE",
        "ICO_NEW_TEMPLATE", "ICO_TEMPLATE_EDIT", "ICO_OPEN_DUPLICATE", "ICO_HOTKEY", "ICO_IMPORT",
        "ICO_EXPORT", "ICO_DEFAULT_CLEAR", "ICO_DEFAULT_SET", "ICO_OPTIONS", "ICO_BUG_REPORT",
        "MAIN_ICON"})
    EXPECT_NE(nullptr, FindData(module, "ICON", asked)) << asked;
}

TEST_F(ModulePictures, TheDialogPictureIsA160By120BitmapOfPaperAndABlueArrow) {
  const auto* bmp = FindData(module, "BITMAP", resources::kReplyFolderPicture);
  ASSERT_NE(nullptr, bmp);
  ASSERT_EQ(40u + 480u * 120u, bmp->size());
  EXPECT_EQ(160u, U32(*bmp, 4));
  EXPECT_EQ(120u, U32(*bmp, 8));
  auto rgb = [&](int x, int y) {  // rows are stored from the bottom
    size_t at = 40 + static_cast<size_t>(119 - y) * 480 + static_cast<size_t>(x) * 3;
    return (*bmp)[at + 2] << 16 | (*bmp)[at + 1] << 8 | (*bmp)[at];
  };
  for (auto [x, y] : {std::pair{0, 0}, {159, 0}, {0, 119}, {159, 119}})
    EXPECT_EQ(0xD4D0C8, rgb(x, y)) << "the dialog's face at the corners";
  int paper = 0, blue = 0;
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 160; ++x) {
      int c = rgb(x, y), r = c >> 16, b = c & 0xFF;
      paper += c == 0xFFFFFF;
      blue += b > 150 && r < 80;
    }
  EXPECT_GT(paper, 1500) << "the letter";
  EXPECT_GT(blue, 600) << "the arrow";
}

TEST_F(ModulePictures, TheStringTableStillLoads) {
  EXPECT_EQ(L"Norvane", vb::LoadResString(resources::IDS_COMPANY_SHORT_NAME));
  EXPECT_EQ(L"Tanvelo", vb::LoadResString(resources::IDS_PRODUCT_CODE));
}
