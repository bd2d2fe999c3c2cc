#include "core/CClipboard.h"

#include <algorithm>
#include <cstring>

#include "core/Main.h"
#include "platform/vb/Runtime.h"
#include "platform/vb/SendKeys.h"
#include "platform/win32/Clipboard.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/GlobalMemory.h"
#include "platform/win32/Keyboard.h"
#include "platform/win32/LastError.h"
#include "platform/win32/Reset.h"

std::shared_ptr<CClipboard> g_oClipboard;

namespace {

// The object goes with the platform's state, as a new process would not have it.
const bool kClipboardReset = (win32::RegisterReset([] { g_oClipboard.reset(); }), true);

// Upper-case hexadecimal without leading zeros, as the log texts write numbers after "0x".
std::wstring Hex(uint32_t value) {
  wchar_t buffer[16];
  std::swprintf(buffer, 16, L"%X", value);
  return buffer;
}

std::wstring Dec(uint64_t value) {
  return std::to_wstring(value);
}

std::wstring LastErrors() {
  std::wstring error = Hex(win32::GetLastError());
  return L"GetLastError = 0x" + error + L", Err.LastDllError = 0x" + error;
}

std::wstring LastDllError() {
  return L"Err.LastDllError = " + Dec(win32::GetLastError());
}

// Another program may hold the clipboard for a moment (a clipboard viewer reading what was
// just copied): a refused call is tried again (kHeldTries) before the user's clipboard is
// given up.

// The clipboard open for one operation; closed however the operation ends.
class OpenClipboardScope {
 public:
  OpenClipboardScope() {
    for (int attempt = 0; attempt < kHeldTries && !open_; ++attempt)
      open_ = win32::OpenClipboard(0);
  }
  ~OpenClipboardScope() {
    if (open_) win32::CloseClipboard();
  }
  OpenClipboardScope(const OpenClipboardScope&) = delete;
  OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
  bool IsOpen() const { return open_; }
  void Close() {
    if (open_) win32::CloseClipboard();
    open_ = false;
  }

 private:
  bool open_ = false;
};

// The data of a format the open clipboard holds, asked again while refused; 0 when the format
// is not there.
uint32_t ReadData(uint32_t format) {
  if (!win32::IsClipboardFormatAvailable(format)) return 0;
  uint32_t handle = 0;
  for (int attempt = 0; attempt < kHeldTries && handle == 0; ++attempt)
    handle = win32::GetClipboardData(format);
  return handle;
}

// Hands the block to the open clipboard, asked again while refused; a block never taken is
// freed.
bool WriteData(uint32_t format, uint32_t block) {
  for (int attempt = 0; attempt < kHeldTries; ++attempt)
    if (win32::SetClipboardData(format, block) != 0) return true;
  win32::GlobalFree(block);
  return false;
}

// The bytes of a block, or nothing when it cannot be locked.
bool CopyBlock(uint32_t handle, std::vector<uint8_t>& out) {
  size_t size = win32::GlobalSize(handle);
  const uint8_t* bytes = win32::GlobalLock(handle);
  if (!bytes) return false;
  out.assign(bytes, bytes + size);
  win32::GlobalUnlock(handle);
  return true;
}

bool IsNeverSavedName(const std::wstring& name) {
  return name == L"Native" || name == L"OwnerLink" || name == L"Embed Source";
}

}  // namespace

CClipboard& HostClipboard() {
  if (!g_oClipboard) g_oClipboard = std::make_shared<CClipboard>();
  return *g_oClipboard;
}

CClipboard::~CClipboard() {
  if (m_UseCount != 0)
    LogWarning(L"CClipboard::Class_Terminate", L"m_UseCount(" + Dec(m_UseCount) + L") <> 0");
}

std::wstring CClipboard::GetClipboardFormatName(uint32_t format) const {
  char buffer[1024] = {};
  int n = win32::GetClipboardFormatNameA(format, buffer, static_cast<int>(sizeof buffer));
  return win32::FromAnsi(std::string(buffer, static_cast<size_t>(n > 0 ? n : 0)).c_str());
}

bool CClipboard::IsFormatAvialable(const std::wstring& name) const {
  return win32::IsClipboardFormatAvailable(
      win32::RegisterClipboardFormatA(win32::ToAnsi(name).c_str()));
}

void CClipboard::Save() {
  ++m_UseCount;
  if (m_UseCount != 1) return;  // an outer Save is in force
  Trap(L"CClipboard::Save", [&] {
    LogInfo(L"CClipboard::Save", L"{", 3);
    m_colFormats.clear();
    m_bTaken = false;
    OpenClipboardScope clipboard;
    if (!clipboard.IsOpen()) {
      // The user is told: what the system copies next replaces the clipboard for good.
      LogError(L"CClipboard::Save", 0, L"OpenClipboard, " + LastErrors());
      LogInfo(L"CClipboard::Save", L"}", 3);
      return;
    }
    m_bTaken = true;
    std::vector<uint32_t> formats;
    for (uint32_t format = win32::EnumClipboardFormats(0); format != 0;
         format = win32::EnumClipboardFormats(format)) {
      if (format == win32::CF_BITMAP || format == win32::CF_ENHMETAFILE) {
        LogWarning(L"CClipboard::Save", L"Cant save CF_ENHMETAFILE/CF_BITMAP clipboard format", 3);
        continue;
      }
      std::wstring name = GetClipboardFormatName(format);
      if (IsNeverSavedName(name)) {
        LogWarning(L"CClipboard::Save", L"Cant save named clipboard format - " + name, 3);
        continue;
      }
      formats.push_back(format);
    }
    bool failed = false;
    for (uint32_t format : formats) {
      uint32_t handle = ReadData(format);
      if (handle == 0) {
        LogError(L"CClipboard::Save", 0,
                 L"GetClipboardData(Format=" + Dec(format) + L"), " + LastErrors());
        failed = true;
        continue;
      }
      SavedFormat saved{format, static_cast<uint32_t>(win32::GlobalSize(handle)), {}};
      if (!CopyBlock(handle, saved.data)) {
        LogWarning(L"CClipboard::Save",
                   L"GlobalLock(handle=0x" + Hex(handle) + L", Format=" + Dec(format) + L"), " +
                       LastErrors(),
                   1);
        failed = true;
        continue;
      }
      m_colFormats.push_back(std::move(saved));
    }
    clipboard.Close();
    LogInfo(L"CClipboard::Save", L"}", 3);
    if (failed) dbgEnumFormats();
  });
}

void CClipboard::Restore() {
  Restore(true);
}

bool CClipboard::TryRestore() {
  return Restore(false);
}

bool CClipboard::Restore(bool bGiveUp) {
  // A Restore without its Save must not count below zero: the next pair would then find the
  // count off by one and leave the user's clipboard unprotected for the rest of the session.
  if (m_UseCount <= 0) {
    LogWarning(L"CClipboard::Restore",
               L"Restore without Save, m_UseCount(" + Dec(m_UseCount) + L")");
    m_UseCount = 0;
    return true;
  }
  --m_UseCount;
  if (m_UseCount != 0) return true;  // an outer Restore will act
  // A Save that could not read the clipboard has nothing to put back: emptying it now would
  // throw away what is there, the user's own when the system's copy was refused as well.
  if (!m_bTaken) {
    LogInfo(L"CClipboard::Restore", L"nothing saved, the clipboard is left as it is", 3);
    return true;
  }
  bool held = false;
  Trap(L"CClipboard::Restore", [&] {
    LogInfo(L"CClipboard::Restore", L"{", 3);
    OpenClipboardScope clipboard;
    if (!clipboard.IsOpen() && !bGiveUp) {
      LogWarning(L"CClipboard::Restore",
                 L"OpenClipboard, " + LastDllError() + L", asked again later", 1);
      held = true;
      return;
    }
    if (!clipboard.IsOpen()) {
      LogError(L"CClipboard::Restore", 0, L"OpenClipboard, " + LastDllError());
      m_colFormats.clear();
      LogInfo(L"CClipboard::Restore", L"}", 3);
      return;
    }
    win32::EmptyClipboard();
    for (const auto& saved : m_colFormats) {
      uint32_t block = win32::GlobalAlloc(win32::GMEM_FIXED, saved.size);
      if (block == 0) {
        LogWarning(L"CClipboard::Restore",
                   L"GlobalAlloc(0," + Dec(saved.size) + L"), " + LastDllError(), 1);
        continue;
      }
      uint8_t* bytes = win32::GlobalLock(block);
      if (!bytes) {
        LogWarning(L"CClipboard::Restore", L"GlobalLock(" + Dec(block) + L"), " + LastDllError(),
                   1);
        win32::GlobalFree(block);
        continue;
      }
      if (!saved.data.empty()) std::memcpy(bytes, saved.data.data(), saved.data.size());
      win32::GlobalUnlock(block);
      if (!WriteData(saved.format, block))
        LogError(L"CClipboard::Restore", 0,
                 L"SetClipboardData(Format=" + Dec(saved.format) + L"), " + LastDllError());
    }
    clipboard.Close();
    m_colFormats.clear();
    LogInfo(L"CClipboard::Restore", L"}", 3);
  });
  if (held) {
    m_UseCount = 1;  // the pair stays open, what was saved kept
    return false;
  }
  m_bTaken = false;
  m_colFormats.clear();
  return true;
}

std::wstring CClipboard::GetHtmlFormat() {
  return TrapOr(L"CClipboard::GetHtmlFormat", std::wstring(), [&] {
    uint32_t format = win32::RegisterClipboardFormatA("HTML Format");
    OpenClipboardScope clipboard;
    if (!clipboard.IsOpen()) {
      LogWarning(L"CClipboard::GetHtmlFormat", L"OpenClipboard, " + LastDllError(), 1);
      return std::wstring();
    }
    uint32_t handle = ReadData(format);
    if (handle == 0) return std::wstring();
    std::vector<uint8_t> bytes;
    if (!CopyBlock(handle, bytes)) {
      LogWarning(L"CClipboard::GetHtmlFormat",
                 L"GlobalLock(handle=0x" + Hex(handle) + L"), " + LastErrors(), 1);
      return std::wstring();
    }
    // The text is as long as the byte count: what several-byte characters save is blanks.
    std::wstring text(bytes.size(), L' ');
    if (!bytes.empty()) {
      int n =
          win32::MultiByteToWideChar(win32::CP_UTF8, 0, reinterpret_cast<const char*>(bytes.data()),
                                     static_cast<int>(bytes.size()), nullptr, 0);
      std::wstring decoded(static_cast<size_t>(n > 0 ? n : 0), L'\0');
      if (n > 0)
        win32::MultiByteToWideChar(win32::CP_UTF8, 0, reinterpret_cast<const char*>(bytes.data()),
                                   static_cast<int>(bytes.size()), decoded.data(), n);
      text.replace(0, std::min(decoded.size(), text.size()), decoded.substr(0, text.size()));
    }
    return text;
  });
}

void CClipboard::SendChord(uint8_t modifier, uint8_t key) {
  constexpr uint32_t kDown = win32::KEYEVENTF_EXTENDEDKEY;
  constexpr uint32_t kUp = win32::KEYEVENTF_EXTENDEDKEY | win32::KEYEVENTF_KEYUP;
  win32::keybd_event(modifier, 1, kDown, 0);
  win32::keybd_event(key, 1, kDown, 0);
  win32::keybd_event(key, 1, kUp, 0);
  win32::keybd_event(modifier, 1, kUp, 0);
}

void CClipboard::SendCopyKeys() {
  SendChord(win32::VK_CONTROL, win32::VK_INSERT);
  // A lone Shift, sent with waiting, returns once the copy has been processed.
  vb::SendKeys(L"+", true);
}

std::wstring CClipboard::GetSelectedText() {
  std::wstring text;
  Save();
  Trap(L"CClipboard::GetSelectedText", [&] {
    SendCopyKeys();
    OpenClipboardScope clipboard;
    if (!clipboard.IsOpen()) return;
    uint32_t handle = ReadData(win32::CF_TEXT);
    std::vector<uint8_t> bytes;
    if (handle != 0 && CopyBlock(handle, bytes)) {
      std::string ansi(bytes.begin(), bytes.end());
      text = win32::FromAnsi(ansi.substr(0, ansi.find('\0')));
    }
  });
  Restore();
  return text;
}

void CClipboard::dbgLogFormatData(const std::wstring& name) {
  Trap(L"CClipboard::dbgLogFormatData", [&] {
    OpenClipboardScope clipboard;
    if (!clipboard.IsOpen()) {
      LogWarning(L"CClipboard::dbgLogFormatData", L"OpenClipboard, " + LastDllError(), 1);
      return;
    }
    uint32_t found = 0;
    for (uint32_t format = win32::EnumClipboardFormats(0); format != 0;
         format = win32::EnumClipboardFormats(format)) {
      std::wstring formatName = GetClipboardFormatName(format);
      if (!formatName.empty() && vb::LCase(formatName) == vb::LCase(name)) {
        found = format;
        break;
      }
    }
    if (found == 0) return;
    std::vector<uint8_t> bytes;
    uint32_t handle = ReadData(found);
    if (handle == 0) {
      LogWarning(L"CClipboard::dbgLogFormatData",
                 L"GetClipboardData(" + Dec(found) + L"), " + LastDllError(), 1);
    } else if (!CopyBlock(handle, bytes)) {
      LogWarning(L"CClipboard::dbgLogFormatData",
                 L"GlobalLock(" + Dec(handle) + L"), " + LastDllError(), 1);
    }
    LogInfo(L"CClipboard::dbgLogFormatData",
            win32::FromAnsi(std::string(bytes.begin(), bytes.end())), 2);
  });
}

void CClipboard::dbgEnumFormats() {
  OpenClipboardScope clipboard;
  if (!clipboard.IsOpen()) {
    LogWarning(L"CClipboard::dbgEnumFormats", L"OpenClipboard, " + LastDllError(), 1);
    return;
  }
  std::wstring text = L"EnumClipboardFormats:\r\n";
  for (uint32_t format = win32::EnumClipboardFormats(0); format != 0;
       format = win32::EnumClipboardFormats(format)) {
    text += Dec(format);
    std::wstring name = GetClipboardFormatName(format);
    if (!name.empty()) text += L" \"" + name + L"\"";
    text += L", ";
  }
  clipboard.Close();
  LogInfo(L"CClipboard::dbgEnumFormats", text, 2);
}
