// Pictures from and to files: what LoadPicture accepts and what SavePicture writes.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/vb/Error.h"
#include "platform/vb/PictureFiles.h"
#include "platform/win32/Files.h"

namespace {

std::string U32(uint32_t v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
          static_cast<char>(v >> 24)};
}

// A 2 x 1 pixel, 24-bit bitmap file with its pixels right after the 40-byte header.
std::string SmallBitmap() {
  std::string dib = U32(40) + U32(2) + U32(1) + std::string("\x01\x00\x18\x00", 4) + U32(0) +
                    U32(8) + U32(2835) + U32(2835) + U32(0) + U32(0) +
                    std::string("\x00\x00\xFF\xFF\xFF\xFF\x00\x00", 8);
  return "BM" + U32(static_cast<uint32_t>(14 + dib.size())) + U32(0) + U32(54) + dib;
}

// An icon file of one 16 x 16 image (the image bytes are not looked into).
std::string SmallIcon() {
  std::string image(40, '\x01');
  return std::string("\x00\x00\x01\x00\x01\x00", 6) +
         std::string("\x10\x10\x00\x00\x01\x00\x20\x00", 8) +
         U32(static_cast<uint32_t>(image.size())) + U32(22) + image;
}

int32_t NumberOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const vb::Error& e) {
    return e.Number();
  }
  return 0;
}

TEST(PictureFiles, ABitmapFileLoadsAndIsSavedByteForByte) {
  win32::files::TempSandbox sandbox;
  ASSERT_TRUE(win32::files::WriteAll("C:\\pics\\dot.bmp", SmallBitmap()));
  auto picture = vb::LoadPicture(L"C:\\PICS\\Dot.bmp");
  ASSERT_NE(nullptr, picture);
  EXPECT_EQ(win32::PICTYPE_BITMAP, picture->Type());
  EXPECT_NE(0u, picture->Handle());
  EXPECT_EQ(53, picture->Width()) << "2 pixels in HIMETRIC at 96 dpi";

  vb::SavePicture(picture, L"C:\\pics\\copy.bmp");
  EXPECT_EQ(SmallBitmap(), win32::files::ReadAll("C:\\pics\\copy.bmp"));
}

TEST(PictureFiles, AnIconFileStaysAnIcon) {
  win32::files::TempSandbox sandbox;
  ASSERT_TRUE(win32::files::WriteAll("C:\\pics\\app.ico", SmallIcon()));
  auto picture = vb::LoadPicture(L"C:\\pics\\app.ico");
  ASSERT_NE(nullptr, picture);
  EXPECT_EQ(win32::PICTYPE_ICON, picture->Type());
  vb::SavePicture(picture, L"C:\\pics\\again.bmp");
  EXPECT_EQ(win32::PICTYPE_ICON, vb::LoadPicture(L"C:\\pics\\again.bmp")->Type());
}

TEST(PictureFiles, FailuresRaiseTheRuntimesErrors) {
  win32::files::TempSandbox sandbox;
  ASSERT_TRUE(win32::files::WriteAll("C:\\pics\\note.txt", "not a picture at all"));
  ASSERT_TRUE(win32::files::WriteAll("C:\\pics\\dot.bmp", SmallBitmap()));
  EXPECT_EQ(53, NumberOf([] { vb::LoadPicture(L"C:\\pics\\missing.bmp"); }));
  EXPECT_EQ(53, NumberOf([] { vb::LoadPicture(L"C:\\nowhere\\dot.bmp"); }));
  EXPECT_EQ(481, NumberOf([] { vb::LoadPicture(L"C:\\pics\\note.txt"); }));

  auto dead = std::make_shared<win32::IPicture>(win32::PICTYPE_BITMAP, 0x7770, false);
  EXPECT_EQ(481, NumberOf([&] { vb::SavePicture(dead, L"C:\\pics\\dead.bmp"); }));
  EXPECT_EQ(481, NumberOf([&] { vb::SavePicture(nullptr, L"C:\\pics\\none.bmp"); }));
  EXPECT_FALSE(win32::files::ReadAll("C:\\pics\\dead.bmp"));
  auto picture = vb::LoadPicture(L"C:\\pics\\dot.bmp");
  EXPECT_EQ(76, NumberOf([&] { vb::SavePicture(picture, L"C:\\nowhere\\dot.bmp"); }));
}

}  // namespace
