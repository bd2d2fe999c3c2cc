// Icon resources of the add-in as pictures: which loader runs, sizes, sharing and the errors.
#include <gtest/gtest.h>

#include "core/mIcons.h"
#include "platform/vb/Error.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/LastError.h"
#include "resources/StringTable.h"

namespace {
class IconPictures : public testing::Test {
 protected:
  void SetUp() override { resources::LoadModuleResources(); }
};

vb::Error ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const vb::Error& e) {
    return e;
  }
  return vb::Error(0, L"");
}
}  // namespace

TEST_F(IconPictures, SizeChoosesTheLoader) {
  struct Case {
    int32_t width, height;
    int32_t pixels;  // of the icon behind the picture
  } cases[] = {{16, 16, 16}, {32, 32, 32}, {0, 32, 32}, {16, 0, 32}, {0, 0, 32}, {24, 24, 24}};
  for (const auto& c : cases) {
    auto picture = mIcons::LoadIconPicture(std::wstring(L"ICO_TANVELO"), c.width, c.height, false);
    ASSERT_NE(nullptr, picture);
    EXPECT_EQ(win32::PICTYPE_ICON, picture->Type());
    ASSERT_NE(nullptr, picture->Image());
    EXPECT_EQ(c.pixels, picture->Image()->width) << c.width << "x" << c.height;
    // LoadIconA gives the shared system-size icon; LoadImageA without the flag a private copy.
    EXPECT_EQ(c.width == 0 || c.height == 0, picture->Image()->shared)
        << c.width << "x" << c.height;
  }
}

TEST_F(IconPictures, SharedIconsOutliveTheirPictures) {
  win32::HANDLE handle;
  {
    auto picture = mIcons::LoadIconPicture(std::wstring(L"ICO_OPTIONS"), 32, 32, true);
    handle = picture->Handle();
    EXPECT_EQ(handle,
              mIcons::LoadIconPicture(std::wstring(L"ICO_OPTIONS"), 32, 32, true)->Handle());
  }
  EXPECT_NE(nullptr, win32::FindImage(handle)) << "the module still holds it";
  {
    auto own = mIcons::LoadIconPicture(std::wstring(L"ICO_OPTIONS"), 32, 32, false);
    EXPECT_EQ(1u, win32::images::LiveUnsharedImages());
  }
  EXPECT_EQ(0u, win32::images::LiveUnsharedImages()) << "the picture owned the private copy";
}

TEST_F(IconPictures, AMissingIconRaises13WithTheLoadersError) {
  for (mIcons::IconResource name :
       {mIcons::IconResource(std::wstring(L"ICO_NOTHING")), mIcons::IconResource(101)}) {
    vb::Error e = ErrorOf([&] { mIcons::LoadIconPicture(name, 32, 32, true); });
    EXPECT_EQ(13, e.Number());
    EXPECT_EQ(L"LoadImage failed, LastError=0x716", e.Description());
  }
  vb::Error e = ErrorOf([] { mIcons::LoadIconPicture(std::wstring(L"ICO_NOTHING"), 0, 32, true); });
  EXPECT_EQ(L"LoadImage failed, LastError=0x716", e.Description()) << "the same text for LoadIconA";
}

TEST_F(IconPictures, AFailedPictureReleasesTheIcon) {
  win32::images::FailNextPicture(win32::E_OUTOFMEMORY);
  vb::Error e =
      ErrorOf([] { mIcons::LoadIconPicture(std::wstring(L"ICO_HOTKEY"), 16, 16, false); });
  EXPECT_EQ(13, e.Number());
  EXPECT_EQ(L"OleCreatePictureIndirect failed, hr=0x8007000E", e.Description());
  EXPECT_EQ(0u, win32::images::LiveUnsharedImages());

  std::wstring error = L"stale";
  auto picture = mIcons::IconToPicture(win32::LoadIconA(vb::App().hInstance, "MAIN_ICON"), error);
  EXPECT_NE(nullptr, picture);
  EXPECT_EQ(L"", error);
  EXPECT_EQ(nullptr, mIcons::IconToPicture(0x1234, error));
  EXPECT_EQ(L"OleCreatePictureIndirect failed, hr=0x80070057", error);
}

TEST_F(IconPictures, ANumberedIconIsFoundByItsNumber) {
  win32::resources::AddData(vb::App().hInstance, "ICON", "#101",
                            *win32::resources::FindData(vb::App().hInstance, "ICON", "MAIN_ICON"));
  auto picture = mIcons::LoadIconPicture(101, 16, 16, true);
  EXPECT_EQ("#101", picture->Image()->resource);
  EXPECT_EQ(423, picture->Width()) << "16 pixels in HIMETRIC";
}
