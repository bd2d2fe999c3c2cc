#include "platform/vb/ResPicture.h"

#include "platform/vb/Error.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/CodePage.h"

namespace vb {

std::shared_ptr<win32::IPicture> LoadResPicture(const std::wstring& name, int32_t type) {
  const bool icon = type == vbResIcon;
  if (!icon && type != vbResBitmap) Raise(kInvalidProcedureCall);
  win32::HANDLE image = win32::LoadImageA(App().hInstance, win32::ToAnsi(name),
                                          icon ? win32::IMAGE_ICON : win32::IMAGE_BITMAP, 0, 0, 0);
  if (image == 0) Raise(326, L"Resource with identifier '" + name + L"' not found");
  win32::PICTDESC desc{sizeof(win32::PICTDESC), icon ? win32::PICTYPE_ICON : win32::PICTYPE_BITMAP,
                       image, 0, 0};
  std::shared_ptr<win32::IPicture> picture;
  win32::OleCreatePictureIndirect(&desc, win32::IID_IPictureDisp, true, &picture);
  return picture;
}

}  // namespace vb
