// Windows: handles with styles, owner, topmost flag, window and client rectangles in pixels and
// a chain of window procedures that a program can subclass. A user's resize asks the procedure
// for WM_GETMINMAXINFO and keeps within the answer, as the real window manager does.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/win32/Keyboard.h"

namespace win32 {

using HWND = uint32_t;
using UINT = uint32_t;

struct POINT {
  int32_t x = 0, y = 0;
};
struct RECT {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};
struct MINMAXINFO {
  POINT ptReserved, ptMaxSize, ptMaxPosition, ptMinTrackSize, ptMaxTrackSize;
};

using WNDPROC = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

inline constexpr int GWL_WNDPROC = -4;
inline constexpr int GWL_HWNDPARENT = -8;
inline constexpr int GWL_STYLE = -16;
inline constexpr int GWL_EXSTYLE = -20;

inline constexpr uint32_t WS_POPUP = 0x80000000;
inline constexpr uint32_t WS_CHILD = 0x40000000;
inline constexpr uint32_t WS_VISIBLE = 0x10000000;
inline constexpr uint32_t WS_DISABLED = 0x08000000;
inline constexpr uint32_t WS_CAPTION = 0x00C00000;
inline constexpr uint32_t WS_BORDER = 0x00800000;
inline constexpr uint32_t WS_DLGFRAME = 0x00400000;
inline constexpr uint32_t WS_SYSMENU = 0x00080000;
inline constexpr uint32_t WS_THICKFRAME = 0x00040000;
inline constexpr uint32_t WS_MINIMIZEBOX = 0x00020000;
inline constexpr uint32_t WS_MAXIMIZEBOX = 0x00010000;
inline constexpr uint32_t WS_TABSTOP = 0x00010000;  // a child window's meaning of the bit
inline constexpr uint32_t WS_EX_DLGMODALFRAME = 0x00000001;
inline constexpr uint32_t WS_EX_TOPMOST = 0x00000008;
inline constexpr uint32_t WS_EX_TOOLWINDOW = 0x00000080;
inline constexpr uint32_t WS_EX_APPWINDOW = 0x00040000;

inline constexpr HWND HWND_TOP = 0;
inline constexpr HWND HWND_BOTTOM = 1;
inline constexpr HWND HWND_TOPMOST = static_cast<HWND>(-1);
inline constexpr HWND HWND_NOTOPMOST = static_cast<HWND>(-2);
inline constexpr UINT SWP_NOSIZE = 0x0001;
inline constexpr UINT SWP_NOMOVE = 0x0002;
inline constexpr UINT SWP_NOZORDER = 0x0004;
inline constexpr UINT SWP_NOACTIVATE = 0x0010;
inline constexpr UINT SWP_SHOWWINDOW = 0x0040;
inline constexpr UINT SWP_HIDEWINDOW = 0x0080;

inline constexpr UINT WM_SIZE = 0x0005;
inline constexpr UINT WM_GETMINMAXINFO = 0x0024;

// 0 for an unknown window (ERROR_INVALID_WINDOW_HANDLE). GWL_WNDPROC answers the 32-bit address
// of the current procedure (see window::ProcAddress).
int32_t GetWindowLongA(HWND window, int index);
// Answers the previous value. Setting GWL_WNDPROC subclasses the window: the new procedure
// should pass what it does not handle on with CallWindowProcA and the old address.
int32_t SetWindowLongA(HWND window, int index, int32_t value);
LRESULT CallWindowProcA(int32_t procAddress, HWND window, UINT message, WPARAM wParam,
                        LPARAM lParam);
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
bool GetWindowRect(HWND window, RECT* rect);
bool GetClientRect(HWND window, RECT* rect);
bool SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
bool IsWindow(HWND window);
bool IsWindowVisible(HWND window);
bool DestroyWindow(HWND window);
HWND GetForegroundWindow();
bool SetForegroundWindow(HWND window);

namespace window {
struct CreateParams {
  std::wstring caption;
  uint32_t style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  uint32_t exStyle = 0;
  HWND owner = 0;
  RECT rect{0, 0, 400, 300};
};
// Makes a window whose procedure is DefWindowProcA. Owners of forms and Outlook's windows.
HWND Create(const CreateParams& params);
// The 32-bit address standing for a procedure, as AddressOf would give it: a plain function
// always gets the same address, a procedure object (a lambda) registered twice gets two.
int32_t ProcAddress(WNDPROC proc);
// A user drags the frame to this outer size: WM_GETMINMAXINFO first, the size clamped to the
// answer's track sizes, then WM_SIZE with the new client size. Answers false for a window that
// cannot be resized by the user (no WS_THICKFRAME) or is unknown.
bool UserResize(HWND window, int32_t width, int32_t height);
std::wstring Caption(HWND window);
void SetCaption(HWND window, const std::wstring& caption);
void Show(HWND window, bool visible);
size_t Count();
}  // namespace window

}  // namespace win32
