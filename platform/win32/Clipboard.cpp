#include "platform/win32/Clipboard.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "platform/win32/CodePage.h"
#include "platform/win32/Faults.h"
#include "platform/win32/LastError.h"
#include "platform/win32/Registry.h"
#include "platform/win32/Reset.h"

namespace win32 {
namespace {

struct ClipboardState {
  bool open = false;
  bool heldByOther = false;
  std::vector<std::pair<uint32_t, uint32_t>> formats;  // format, handle; in setting order
  std::map<std::string, uint32_t> registered;          // upper-cased name -> number
  std::map<uint32_t, std::string> names;
  uint32_t nextRegistered = 0xC000;
  size_t opens = 0;
  size_t empties = 0;
};
ClipboardState& S() {
  return PlatformState<ClipboardState>();
}

bool IsDrawingObject(uint32_t format) {
  return format == CF_BITMAP || format == CF_PALETTE || format == CF_ENHMETAFILE;
}

auto Find(uint32_t format) {
  return std::find_if(S().formats.begin(), S().formats.end(),
                      [&](const auto& f) { return f.first == format; });
}

void FreeData(uint32_t format, uint32_t handle) {
  if (!IsDrawingObject(format)) GlobalFree(handle);
}

std::string ReadBlock(uint32_t handle) {
  size_t size = GlobalSize(handle);
  const uint8_t* bytes = GlobalLock(handle);
  std::string result = bytes ? std::string(reinterpret_cast<const char*>(bytes), size) : "";
  if (bytes) GlobalUnlock(handle);
  return result;
}

uint32_t NewBlock(const std::string& bytes) {
  uint32_t block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (block == 0) return 0;
  std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
  GlobalUnlock(block);
  return block;
}

std::string Utf16Bytes(const std::wstring& text) {
  std::string bytes;
  for (wchar_t c : text) {
    uint32_t u = static_cast<uint32_t>(c);
    auto put = [&](uint32_t unit) {
      bytes.push_back(static_cast<char>(unit & 0xFF));
      bytes.push_back(static_cast<char>(unit >> 8));
    };
    if (u >= 0x10000) {
      u -= 0x10000;
      put(0xD800 + (u >> 10));
      put(0xDC00 + (u & 0x3FF));
    } else {
      put(u);
    }
  }
  bytes.append(2, '\0');
  return bytes;
}

std::wstring FromUtf16Bytes(const std::string& bytes) {
  std::wstring text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    uint32_t unit = static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8);
    if (unit == 0) break;
    if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
      uint32_t low = static_cast<uint8_t>(bytes[i + 2]) | (static_cast<uint8_t>(bytes[i + 3]) << 8);
      unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    }
    text.push_back(static_cast<wchar_t>(unit));
  }
  return text;
}

std::string CutAtZero(const std::string& bytes) {
  return bytes.substr(0, bytes.find('\0'));
}

// The text format Windows would render from the other one, when only that one was set.
uint32_t SynthesisedText() {
  bool hasText = Find(CF_TEXT) != S().formats.end();
  bool hasUnicode = Find(CF_UNICODETEXT) != S().formats.end();
  if (hasText && !hasUnicode) return CF_UNICODETEXT;
  if (hasUnicode && !hasText) return CF_TEXT;
  return 0;
}

uint32_t Render(uint32_t format) {
  if (format == CF_UNICODETEXT)
    return NewBlock(Utf16Bytes(FromAnsi(CutAtZero(ReadBlock(Find(CF_TEXT)->second)))));
  return NewBlock(ToAnsi(FromUtf16Bytes(ReadBlock(Find(CF_UNICODETEXT)->second))) + '\0');
}

bool RequireOpen() {
  if (!S().open) SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
  return S().open;
}

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

}  // namespace

bool OpenClipboard(HWND) {
  if (faults::ClipboardCallFails()) return false;
  if (S().open || S().heldByOther) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  S().open = true;
  ++S().opens;
  return true;
}

bool CloseClipboard() {
  if (!RequireOpen()) return false;
  S().open = false;
  return true;
}

bool EmptyClipboard() {
  if (!RequireOpen()) return false;
  for (auto& [format, handle] : S().formats) FreeData(format, handle);
  S().formats.clear();
  ++S().empties;
  return true;
}

uint32_t SetClipboardData(uint32_t format, uint32_t data) {
  if (faults::ClipboardCallFails()) return 0;
  if (!RequireOpen()) return 0;
  auto it = Find(format);
  if (it != S().formats.end()) {
    FreeData(format, it->second);
    it->second = data;
  } else {
    S().formats.emplace_back(format, data);
  }
  return data;
}

uint32_t GetClipboardData(uint32_t format) {
  if (faults::ClipboardCallFails()) return 0;
  if (!RequireOpen()) return 0;
  auto it = Find(format);
  if (it != S().formats.end()) return it->second;
  if (format != 0 && format == SynthesisedText()) {
    uint32_t rendered = Render(format);
    S().formats.emplace_back(format, rendered);
    return rendered;
  }
  return 0;
}

uint32_t EnumClipboardFormats(uint32_t format) {
  if (!RequireOpen()) return 0;
  std::vector<uint32_t> order;
  for (auto& f : S().formats) order.push_back(f.first);
  if (uint32_t synthesised = SynthesisedText()) order.push_back(synthesised);
  if (format == 0) return order.empty() ? 0 : order.front();
  auto it = std::find(order.begin(), order.end(), format);
  SetLastError(0);
  return it == order.end() || it + 1 == order.end() ? 0 : *(it + 1);
}

int CountClipboardFormats() {
  return static_cast<int>(S().formats.size() + (SynthesisedText() != 0 ? 1 : 0));
}

bool IsClipboardFormatAvailable(uint32_t format) {
  return format != 0 && (Find(format) != S().formats.end() || format == SynthesisedText());
}

uint32_t RegisterClipboardFormatA(const char* name) {
  if (name == nullptr || *name == 0) return 0;
  auto [it, added] = S().registered.try_emplace(Upper(name), S().nextRegistered);
  if (added) {
    S().names[it->second] = name;
    ++S().nextRegistered;
  }
  return it->second;
}

int GetClipboardFormatNameA(uint32_t format, char* buffer, int bufferSize) {
  auto it = S().names.find(format);
  if (it == S().names.end() || buffer == nullptr || bufferSize <= 0) return 0;
  size_t n = std::min(it->second.size(), static_cast<size_t>(bufferSize - 1));
  std::memcpy(buffer, it->second.data(), n);
  buffer[n] = 0;
  return static_cast<int>(n);
}

namespace clipboard {
void SetHeldByOtherProgram(bool held) {
  S().heldByOther = held;
}
bool Available() {
  return !S().open && !S().heldByOther;
}

std::wstring Text() {
  auto it = Find(CF_UNICODETEXT);
  if (it != S().formats.end()) return FromUtf16Bytes(ReadBlock(it->second));
  it = Find(CF_TEXT);
  return it == S().formats.end() ? L"" : FromAnsi(CutAtZero(ReadBlock(it->second)));
}

void SetText(const std::wstring& text) {
  for (auto& [format, handle] : S().formats) FreeData(format, handle);
  S().formats.clear();
  ++S().empties;
  S().formats.emplace_back(CF_UNICODETEXT, NewBlock(Utf16Bytes(text)));
}

std::string Bytes(uint32_t format) {
  auto it = Find(format);
  return it == S().formats.end() || IsDrawingObject(format) ? "" : ReadBlock(it->second);
}

void SetBytes(uint32_t format, const std::string& bytes) {
  uint32_t block = NewBlock(bytes);
  auto it = Find(format);
  if (it != S().formats.end()) {
    FreeData(format, it->second);
    it->second = block;
  } else {
    S().formats.emplace_back(format, block);
  }
}

size_t OpenCount() {
  return S().opens;
}
size_t EmptyCount() {
  return S().empties;
}
bool IsOpen() {
  return S().open;
}
}  // namespace clipboard

}  // namespace win32
