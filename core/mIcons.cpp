#include "core/mIcons.h"

#include <cstdio>

#include "platform/vb/Error.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/LastError.h"

namespace mIcons {
namespace {
// Upper-case hexadecimal without leading zeros, as Hex$ writes it.
std::wstring Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%X", value);
  return win32::FromAnsi(text);
}
}  // namespace

std::shared_ptr<win32::IPicture> LoadIconPicture(const IconResource& resource, int32_t width,
                                                 int32_t height, bool shared) {
  const uint32_t module = vb::App().hInstance;
  const win32::ResName name = std::holds_alternative<int32_t>(resource)
                                  ? win32::ResName(std::get<int32_t>(resource))
                                  : win32::ResName(win32::ToAnsi(std::get<std::wstring>(resource)));
  win32::HANDLE icon = width != 0 && height != 0
                           ? win32::LoadImageA(module, name, win32::IMAGE_ICON, width, height,
                                               shared ? win32::LR_SHARED : 0)
                           : win32::LoadIconA(module, name);
  std::wstring error;
  std::shared_ptr<win32::IPicture> picture;
  if (icon == 0) {
    error = L"LoadImage failed, LastError=0x" + Hex(win32::GetLastError());
  } else {
    picture = IconToPicture(icon, error);
    if (!picture) win32::DestroyIcon(icon);
  }
  if (!error.empty()) vb::Raise(vb::kTypeMismatch, error);
  return picture;
}

std::shared_ptr<win32::IPicture> IconToPicture(win32::HICON icon, std::wstring& errorText) {
  win32::PICTDESC desc;
  desc.cbSizeofstruct = sizeof desc;
  desc.picType = win32::PICTYPE_ICON;
  desc.handle = icon;
  std::shared_ptr<win32::IPicture> picture;
  win32::HRESULT result =
      win32::OleCreatePictureIndirect(&desc, win32::IID_IPicture, true, &picture);
  if (result != win32::S_OK) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", static_cast<uint32_t>(result));
    errorText = L"OleCreatePictureIndirect failed, hr=0x" + win32::FromAnsi(text);
    return nullptr;
  }
  errorText.clear();
  return picture;
}

}  // namespace mIcons
