// Bitmaps and icons loaded from a module's resources, and the OLE picture objects made of them.
// Icon resources are icon files (a directory of sizes); bitmap resources are device-independent
// bitmaps, as a resource compiler stores them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/Resources.h"

namespace win32 {

using HANDLE = uint32_t;
using HICON = uint32_t;
using HBITMAP = uint32_t;
using HRESULT = int32_t;

inline constexpr uint32_t IMAGE_BITMAP = 0;
inline constexpr uint32_t IMAGE_ICON = 1;
inline constexpr uint32_t LR_DEFAULTCOLOR = 0x0000;
inline constexpr uint32_t LR_LOADFROMFILE = 0x0010;
inline constexpr uint32_t LR_SHARED = 0x8000;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);

// A resource named by text or by number (MAKEINTRESOURCE); a number n is stored as "#n".
class ResName {
 public:
  ResName(const char* name) : key_(name ? name : "") {}
  ResName(const std::string& name) : key_(name) {}
  ResName(int id) : key_("#" + std::to_string(id)) {}
  const std::string& Key() const { return key_; }

 private:
  std::string key_;
};

// 0 with ERROR_RESOURCE_TYPE_NOT_FOUND or ERROR_RESOURCE_NAME_NOT_FOUND as the last error. An
// icon is taken at the size asked (the nearest stored size, scaled); 0 x 0 means the bitmap's
// own size or the system's icon size (32). A shared image is loaded once and stays valid
// while the module is loaded; DestroyIcon leaves it alone. With LR_LOADFROMFILE the name is
// the path of a bitmap (".bmp") or icon file; a file of another kind fails with
// ERROR_INVALID_DATA, a missing one with the file call's error.
HANDLE LoadImageA(HINSTANCE module, const ResName& name, uint32_t type, int cx, int cy,
                  uint32_t flags);
// The system's icon size, shared.
HICON LoadIconA(HINSTANCE module, const ResName& name);
bool DestroyIcon(HICON icon);
bool DeleteObject(HANDLE object);

inline constexpr uint32_t ERROR_INVALID_DATA = 13;

// What a loaded image is: for tests and for saving pictures.
struct ImageInfo {
  uint32_t type;  // IMAGE_BITMAP or IMAGE_ICON
  int32_t width, height;
  bool shared;
  std::string resource;       // the resource's name ("#n" for a number) or the file's path
  std::vector<uint8_t> bits;  // the stored image the handle was made from
};
const ImageInfo* FindImage(HANDLE image);

// --- OLE pictures -----------------------------------------------------------------------
inline constexpr uint32_t PICTYPE_NONE = 0;
inline constexpr uint32_t PICTYPE_BITMAP = 1;
inline constexpr uint32_t PICTYPE_ICON = 3;

struct GUID {
  uint32_t data1;
  uint16_t data2, data3;
  uint8_t data4[8];
  bool operator==(const GUID&) const = default;
};
inline constexpr GUID IID_IPicture{
    0x7BF80980, 0xBF32, 0x101A, {0x8B, 0xBB, 0, 0xAA, 0, 0x30, 0x0C, 0xAB}};
inline constexpr GUID IID_IPictureDisp{
    0x7BF80981, 0xBF32, 0x101A, {0x8B, 0xBB, 0, 0xAA, 0, 0x30, 0x0C, 0xAB}};

// 20 bytes on the 32-bit platform: the size, the type and a union of at most three handles or
// extents (bitmap and palette, icon, or metafile and its extents).
struct PICTDESC {
  uint32_t cbSizeofstruct = 0;
  uint32_t picType = PICTYPE_NONE;
  uint32_t handle = 0;  // hbitmap, hicon or hmeta
  uint32_t extra1 = 0;  // hpal, or xExt
  uint32_t extra2 = 0;  // yExt
};

static_assert(sizeof(PICTDESC) == 20);

// A picture object (IPicture / IPictureDisp / StdPicture). Width and Height are in HIMETRIC
// units (0.01 mm) as the object model gives them. An owning picture releases its handle when
// the last reference goes.
class IPicture {
 public:
  IPicture(uint32_t type, HANDLE handle, bool own);
  ~IPicture();
  IPicture(const IPicture&) = delete;
  IPicture& operator=(const IPicture&) = delete;
  HANDLE Handle() const { return handle_; }
  uint32_t Type() const { return type_; }
  int32_t Width() const;
  int32_t Height() const;
  // The image behind the handle, nullptr once it was destroyed.
  const ImageInfo* Image() const { return FindImage(handle_); }

 private:
  uint32_t type_;
  HANDLE handle_;
  bool own_;
};

HRESULT OleCreatePictureIndirect(const PICTDESC* desc, const GUID& riid, bool own,
                                 std::shared_ptr<IPicture>* picture);

namespace images {
// Non-shared images alive, so a test can catch a handle that was never destroyed.
size_t LiveUnsharedImages();
// Makes the next OleCreatePictureIndirect fail with this result.
void FailNextPicture(HRESULT result);
}  // namespace images

}  // namespace win32
