#include "platform/vb/PictureFiles.h"

#include <cstdint>
#include <vector>

#include "platform/vb/Error.h"
#include "platform/win32/Bytes.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"

namespace vb {
namespace {

using win32::bytes::Put16;
using win32::bytes::Put32;
uint32_t Get32(const std::vector<uint8_t>& bits, size_t at) {
  return win32::bytes::Get32(bits.data(), bits.size(), at);
}

// Where the pixels begin in a device-independent bitmap: after the header, the bit masks of
// a BI_BITFIELDS bitmap with a 40-byte header and the colour table.
uint32_t PixelOffset(const std::vector<uint8_t>& dib) {
  uint32_t headerSize = Get32(dib, 0);
  uint32_t bitCount = dib.size() >= 16 ? dib[14] | dib[15] << 8 : 0;
  uint32_t colors = Get32(dib, 32);
  if (colors == 0 && bitCount <= 8) colors = 1u << bitCount;
  uint32_t masks = headerSize == 40 && Get32(dib, 16) == 3 ? 12 : 0;
  return headerSize + masks + colors * 4;
}

std::vector<uint8_t> BitmapFile(const std::vector<uint8_t>& dib) {
  std::vector<uint8_t> out{'B', 'M'};
  Put32(out, static_cast<uint32_t>(14 + dib.size()));
  Put32(out, 0);
  Put32(out, 14 + PixelOffset(dib));
  out.insert(out.end(), dib.begin(), dib.end());
  return out;
}

std::vector<uint8_t> IconFile(const win32::ImageInfo& icon) {
  std::vector<uint8_t> out;
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, 1);
  out.push_back(static_cast<uint8_t>(icon.width >= 256 ? 0 : icon.width));
  out.push_back(static_cast<uint8_t>(icon.height >= 256 ? 0 : icon.height));
  out.push_back(0);
  out.push_back(0);
  Put16(out, 1);
  Put16(out, icon.bits.size() >= 16 ? icon.bits[14] | icon.bits[15] << 8 : 0);
  Put32(out, static_cast<uint32_t>(icon.bits.size()));
  Put32(out, 22);
  out.insert(out.end(), icon.bits.begin(), icon.bits.end());
  return out;
}

}  // namespace

std::shared_ptr<win32::IPicture> LoadPicture(const std::wstring& path) {
  std::string ansi = win32::ToAnsi(path);
  for (uint32_t type : {win32::IMAGE_BITMAP, win32::IMAGE_ICON}) {
    win32::HANDLE image = win32::LoadImageA(0, ansi, type, 0, 0, win32::LR_LOADFROMFILE);
    if (image != 0) {
      win32::PICTDESC desc{sizeof(win32::PICTDESC),
                           type == win32::IMAGE_ICON ? win32::PICTYPE_ICON : win32::PICTYPE_BITMAP,
                           image, 0, 0};
      std::shared_ptr<win32::IPicture> picture;
      win32::OleCreatePictureIndirect(&desc, win32::IID_IPictureDisp, true, &picture);
      return picture;
    }
    if (win32::GetLastError() != win32::ERROR_INVALID_DATA) Raise(53, L"File not found");
  }
  Raise(481, L"Invalid picture");
}

void SavePicture(const std::shared_ptr<win32::IPicture>& picture, const std::wstring& path) {
  const win32::ImageInfo* image = picture ? picture->Image() : nullptr;
  if (image == nullptr) Raise(481, L"Invalid picture");
  std::vector<uint8_t> bytes =
      image->type == win32::IMAGE_ICON ? IconFile(*image) : BitmapFile(image->bits);
  win32::HANDLE file =
      win32::CreateFileA(win32::ToAnsi(path).c_str(), win32::GENERIC_WRITE, 0, nullptr,
                         win32::CREATE_ALWAYS, win32::FILE_ATTRIBUTE_NORMAL, 0);
  if (file == win32::INVALID_HANDLE_VALUE) {
    if (win32::GetLastError() == win32::ERROR_PATH_NOT_FOUND) Raise(76, L"Path not found");
    Raise(75, L"Path/File access error");
  }
  uint32_t written = 0;
  bool ok =
      win32::WriteFile(file, bytes.data(), static_cast<uint32_t>(bytes.size()), &written, nullptr);
  win32::CloseHandle(file);
  if (!ok || written != bytes.size()) Raise(75, L"Path/File access error");
}

}  // namespace vb
