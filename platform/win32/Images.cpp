#include "platform/win32/Images.h"

#include <cstdlib>
#include <map>
#include <optional>
#include <tuple>
#include <vector>

#include "platform/win32/Files.h"
#include "platform/win32/LastError.h"
#include "platform/win32/Registry.h"
#include "platform/win32/Reset.h"

namespace win32 {
namespace {

struct ImageState {
  std::map<HANDLE, ImageInfo> images;
  std::map<std::tuple<HINSTANCE, std::string, uint32_t, int, int>, HANDLE> shared;
  HANDLE next = 0x00060010;
  HRESULT failNext = S_OK;
};
ImageState& S() {
  return PlatformState<ImageState>();
}

uint32_t U16(const std::vector<uint8_t>& b, size_t at) {
  return at + 2 <= b.size() ? b[at] | (b[at + 1] << 8) : 0;
}
uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return at + 4 <= b.size() ? U16(b, at) | (U16(b, at + 2) << 16) : 0;
}

// Picks the stored icon nearest in size to the one asked for; false for a damaged file.
bool PickIcon(const std::vector<uint8_t>& file, int want, std::vector<uint8_t>* bits) {
  uint32_t count = U16(file, 4);
  if (U16(file, 2) != 1 || count == 0) return false;
  int bestDiff = 1 << 30;
  for (uint32_t i = 0; i < count; ++i) {
    size_t entry = 6 + 16 * i;
    int size = file.size() > entry ? (file[entry] == 0 ? 256 : file[entry]) : 0;
    uint32_t length = U32(file, entry + 8), offset = U32(file, entry + 12);
    if (size == 0 || offset + length > file.size()) return false;
    if (std::abs(size - want) < bestDiff) {
      bestDiff = std::abs(size - want);
      bits->assign(file.begin() + offset, file.begin() + offset + length);
    }
  }
  return true;
}

// The whole file, or nothing with the file call's last error.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, 0);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::vector<uint8_t> bytes;
  uint8_t chunk[4096];
  uint32_t read = 0;
  bool ok;
  while ((ok = ReadFile(file, chunk, sizeof chunk, &read, nullptr)) && read > 0)
    bytes.insert(bytes.end(), chunk, chunk + read);
  uint32_t error = GetLastError();
  CloseHandle(file);
  if (!ok) {
    SetLastError(error);
    return std::nullopt;
  }
  return bytes;
}

HANDLE NewImage(ImageInfo info) {
  HANDLE h = S().next;
  S().next += 0x10;
  S().images[h] = std::move(info);
  return h;
}

}  // namespace

HANDLE LoadImageA(HINSTANCE module, const ResName& name, uint32_t type, int cx, int cy,
                  uint32_t flags) {
  const bool shared = (flags & LR_SHARED) != 0;
  if (type != IMAGE_BITMAP && type != IMAGE_ICON) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return 0;
  }
  if (type == IMAGE_ICON && cx == 0 && cy == 0) cx = cy = 32;
  auto key = std::make_tuple(module, name.Key(), type, cx, cy);
  if (shared) {
    auto it = S().shared.find(key);
    if (it != S().shared.end()) return it->second;
  }
  std::optional<std::vector<uint8_t>> fromFile;
  const std::vector<uint8_t>* data = nullptr;
  if (flags & LR_LOADFROMFILE) {
    fromFile = ReadWholeFile(name.Key());
    if (!fromFile) return 0;
    // A bitmap file is its 14-byte file header before the device-independent bitmap.
    bool bitmap = fromFile->size() > 14 + 12 && (*fromFile)[0] == 'B' && (*fromFile)[1] == 'M';
    bool icon = fromFile->size() > 6 && U16(*fromFile, 0) == 0 && U16(*fromFile, 2) == 1;
    if (type == IMAGE_BITMAP ? !bitmap : !icon) {
      SetLastError(ERROR_INVALID_DATA);
      return 0;
    }
    if (type == IMAGE_BITMAP) fromFile->erase(fromFile->begin(), fromFile->begin() + 14);
    data = &*fromFile;
  } else {
    data = resources::FindData(module, type == IMAGE_ICON ? "ICON" : "BITMAP", name.Key());
    if (data == nullptr) {
      SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
      return 0;
    }
  }
  ImageInfo info{type, cx, cy, shared, name.Key(), {}};
  if (type == IMAGE_ICON) {
    if (!PickIcon(*data, cx, &info.bits)) {
      SetLastError(fromFile ? ERROR_INVALID_DATA : ERROR_RESOURCE_NAME_NOT_FOUND);
      return 0;
    }
  } else {
    info.bits = *data;
    int32_t width = static_cast<int32_t>(U32(*data, 4)),
            height = static_cast<int32_t>(U32(*data, 8));
    if (cx == 0) info.width = width;
    if (cy == 0) info.height = height < 0 ? -height : height;
  }
  HANDLE handle = NewImage(std::move(info));
  if (shared) S().shared[key] = handle;
  return handle;
}

HICON LoadIconA(HINSTANCE module, const ResName& name) {
  return LoadImageA(module, name, IMAGE_ICON, 0, 0, LR_SHARED);
}

bool DestroyIcon(HICON icon) {
  auto it = S().images.find(icon);
  if (it == S().images.end() || it->second.type != IMAGE_ICON) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  if (!it->second.shared) S().images.erase(it);
  return true;
}

bool DeleteObject(HANDLE object) {
  auto it = S().images.find(object);
  if (it == S().images.end() || it->second.type != IMAGE_BITMAP) return false;
  if (!it->second.shared) S().images.erase(it);
  return true;
}

const ImageInfo* FindImage(HANDLE image) {
  auto it = S().images.find(image);
  return it == S().images.end() ? nullptr : &it->second;
}

IPicture::IPicture(uint32_t type, HANDLE handle, bool own)
    : type_(type), handle_(handle), own_(own) {}

IPicture::~IPicture() {
  if (!own_) return;
  if (type_ == PICTYPE_ICON) DestroyIcon(handle_);
  if (type_ == PICTYPE_BITMAP) DeleteObject(handle_);
}

// HIMETRIC at 96 pixels per inch: 2540 units per inch.
int32_t IPicture::Width() const {
  const ImageInfo* image = Image();
  return image ? (image->width * 2540 + 48) / 96 : 0;
}
int32_t IPicture::Height() const {
  const ImageInfo* image = Image();
  return image ? (image->height * 2540 + 48) / 96 : 0;
}

HRESULT OleCreatePictureIndirect(const PICTDESC* desc, const GUID& riid, bool own,
                                 std::shared_ptr<IPicture>* picture) {
  if (picture == nullptr) return E_POINTER;
  *picture = nullptr;
  if (HRESULT fail = S().failNext; fail != S_OK) {
    S().failNext = S_OK;
    return fail;
  }
  if (!(riid == IID_IPicture || riid == IID_IPictureDisp)) return E_NOINTERFACE;
  if (desc == nullptr) {  // an empty picture, as OLE makes for a null description
    *picture = std::make_shared<IPicture>(PICTYPE_NONE, 0, false);
    return S_OK;
  }
  if (desc->cbSizeofstruct != sizeof(PICTDESC)) return E_INVALIDARG;
  const ImageInfo* image = FindImage(desc->handle);
  uint32_t expected = desc->picType == PICTYPE_ICON ? IMAGE_ICON : IMAGE_BITMAP;
  if ((desc->picType != PICTYPE_ICON && desc->picType != PICTYPE_BITMAP) || image == nullptr ||
      image->type != expected)
    return E_INVALIDARG;
  *picture = std::make_shared<IPicture>(desc->picType, desc->handle, own);
  return S_OK;
}

namespace images {
size_t LiveUnsharedImages() {
  size_t n = 0;
  for (auto& [handle, image] : S().images) n += image.shared ? 0 : 1;
  return n;
}
void FailNextPicture(HRESULT result) {
  S().failNext = result;
}
}  // namespace images
}  // namespace win32
