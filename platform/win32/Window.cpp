#include "platform/win32/Window.h"

#include <algorithm>
#include <map>

#include "platform/win32/LastError.h"
#include "platform/win32/Registry.h"
#include "platform/win32/Reset.h"

namespace win32 {
namespace {

// The simulated screen, in pixels (the runtime's Screen object says the same).
inline constexpr int32_t kScreenWidth = 1024;
inline constexpr int32_t kScreenHeight = 768;

struct WindowRecord {
  std::wstring caption;
  uint32_t style = 0;
  uint32_t exStyle = 0;
  HWND owner = 0;
  RECT rect;
  int32_t proc = 0;
};

struct WindowState {
  HWND next = 0x00010010;
  int32_t nextProc = 0x00402000;
  std::map<HWND, WindowRecord> windows;
  std::map<int32_t, WNDPROC> procs;
  std::map<LRESULT (*)(HWND, UINT, WPARAM, LPARAM), int32_t> functionProcs;
  HWND foreground = 0;
  int32_t defaultProc = 0;
};
WindowState& S() {
  return PlatformState<WindowState>();
}

WindowRecord* Find(HWND window) {
  auto it = S().windows.find(window);
  if (it == S().windows.end()) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  return &it->second;
}

int32_t DefaultProc() {
  if (S().defaultProc == 0) S().defaultProc = window::ProcAddress(DefWindowProcA);
  return S().defaultProc;
}

// Frame and caption of the non-client area, in pixels.
int32_t Border(uint32_t style) {
  if (style & WS_THICKFRAME) return 4;
  if (style & (WS_BORDER | WS_DLGFRAME)) return 3;
  return 0;
}
int32_t CaptionHeight(uint32_t style) {
  return (style & WS_CAPTION) == WS_CAPTION ? 22 : 0;
}

}  // namespace

int32_t GetWindowLongA(HWND window, int index) {
  WindowRecord* w = Find(window);
  if (!w) return 0;
  switch (index) {
    case GWL_WNDPROC:
      return w->proc;
    case GWL_HWNDPARENT:
      return static_cast<int32_t>(w->owner);
    case GWL_STYLE:
      return static_cast<int32_t>(w->style);
    case GWL_EXSTYLE:
      return static_cast<int32_t>(w->exStyle);
  }
  SetLastError(ERROR_INVALID_INDEX);
  return 0;
}

int32_t SetWindowLongA(HWND window, int index, int32_t value) {
  WindowRecord* w = Find(window);
  if (!w) return 0;
  int32_t previous = GetWindowLongA(window, index);
  switch (index) {
    case GWL_WNDPROC:
      if (S().procs.count(value) == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
      }
      w->proc = value;
      break;
    case GWL_HWNDPARENT:
      w->owner = static_cast<HWND>(value);
      break;
    case GWL_STYLE:
      w->style = static_cast<uint32_t>(value);
      break;
    case GWL_EXSTYLE:
      w->exStyle = static_cast<uint32_t>(value);
      break;
    default:
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
  }
  return previous;
}

LRESULT CallWindowProcA(int32_t procAddress, HWND window, UINT message, WPARAM wParam,
                        LPARAM lParam) {
  auto it = S().procs.find(procAddress);
  if (it == S().procs.end()) return 0;
  WNDPROC proc = it->second;  // the procedure may unhook itself while it runs
  return proc(window, message, wParam, lParam);
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowRecord* w = Find(window);
  return w ? CallWindowProcA(w->proc, window, message, wParam, lParam) : 0;
}

LRESULT DefWindowProcA(HWND, UINT, WPARAM, LPARAM) {
  return 0;
}

bool GetWindowRect(HWND window, RECT* rect) {
  WindowRecord* w = Find(window);
  if (!w || !rect) return false;
  *rect = w->rect;
  return true;
}

bool GetClientRect(HWND window, RECT* rect) {
  WindowRecord* w = Find(window);
  if (!w || !rect) return false;
  int32_t border = Border(w->style);
  *rect = RECT{0, 0, std::max(0, w->rect.right - w->rect.left - 2 * border),
               std::max(0, w->rect.bottom - w->rect.top - 2 * border - CaptionHeight(w->style))};
  return true;
}

bool SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  WindowRecord* w = Find(window);
  if (!w) return false;
  if (!(flags & SWP_NOZORDER)) {
    if (insertAfter == HWND_TOPMOST) w->exStyle |= WS_EX_TOPMOST;
    if (insertAfter == HWND_NOTOPMOST) w->exStyle &= ~WS_EX_TOPMOST;
  }
  if (!(flags & SWP_NOMOVE)) {
    int32_t width = w->rect.right - w->rect.left, height = w->rect.bottom - w->rect.top;
    w->rect = RECT{x, y, x + width, y + height};
  }
  if (!(flags & SWP_NOSIZE)) {
    w->rect.right = w->rect.left + cx;
    w->rect.bottom = w->rect.top + cy;
  }
  if (flags & SWP_SHOWWINDOW) w->style |= WS_VISIBLE;
  if (flags & SWP_HIDEWINDOW) w->style &= ~WS_VISIBLE;
  return true;
}

bool IsWindow(HWND window) {
  return S().windows.count(window) != 0;
}

bool IsWindowVisible(HWND window) {
  auto it = S().windows.find(window);
  return it != S().windows.end() && (it->second.style & WS_VISIBLE);
}

bool DestroyWindow(HWND window) {
  if (!Find(window)) return false;
  S().windows.erase(window);
  if (S().foreground == window) S().foreground = 0;
  return true;
}

HWND GetForegroundWindow() {
  return S().foreground;
}

bool SetForegroundWindow(HWND window) {
  if (!Find(window)) return false;
  S().foreground = window;
  return true;
}

namespace window {

HWND Create(const CreateParams& params) {
  HWND handle = S().next;
  S().next += 0x10;
  S().windows[handle] = WindowRecord{params.caption, params.style, params.exStyle,
                                     params.owner,   params.rect,  DefaultProc()};
  return handle;
}

int32_t ProcAddress(WNDPROC proc) {
  // A function has one address however often AddressOf is taken: hooking a window again and
  // again must not need a new one each time.
  auto* const* function = proc.target<LRESULT (*)(HWND, UINT, WPARAM, LPARAM)>();
  if (function) {
    auto known = S().functionProcs.find(*function);
    if (known != S().functionProcs.end()) return known->second;
  }
  int32_t address = S().nextProc;
  S().nextProc += 0x40;
  S().procs[address] = std::move(proc);
  if (function) S().functionProcs[*function] = address;
  return address;
}

bool UserResize(HWND window, int32_t width, int32_t height) {
  WindowRecord* w = Find(window);
  if (!w || !(w->style & WS_THICKFRAME)) return false;
  // Start from what Windows proposes: a small minimum and the screen as the maximum.
  MINMAXINFO info;
  info.ptMaxSize = {kScreenWidth, kScreenHeight};
  info.ptMinTrackSize = {136, 39};
  info.ptMaxTrackSize = {kScreenWidth + 12, kScreenHeight + 12};
  SendMessageA(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  width = std::clamp(width, info.ptMinTrackSize.x,
                     std::max(info.ptMinTrackSize.x, info.ptMaxTrackSize.x));
  height = std::clamp(height, info.ptMinTrackSize.y,
                      std::max(info.ptMinTrackSize.y, info.ptMaxTrackSize.y));
  w = Find(window);  // the procedure may have touched the table
  if (!w) return false;
  w->rect.right = w->rect.left + width;
  w->rect.bottom = w->rect.top + height;
  RECT client;
  GetClientRect(window, &client);
  SendMessageA(window, WM_SIZE, 0,
               static_cast<LPARAM>((static_cast<uint32_t>(client.bottom) << 16) |
                                   (static_cast<uint32_t>(client.right) & 0xFFFF)));
  return true;
}

std::wstring Caption(HWND window) {
  WindowRecord* w = Find(window);
  return w ? w->caption : L"";
}
void SetCaption(HWND window, const std::wstring& caption) {
  if (WindowRecord* w = Find(window)) w->caption = caption;
}
void Show(HWND window, bool visible) {
  if (WindowRecord* w = Find(window))
    w->style = visible ? w->style | WS_VISIBLE : w->style & ~WS_VISIBLE;
}
size_t Count() {
  return S().windows.size();
}

}  // namespace window
}  // namespace win32
