#include "dialogs/mfrmSelectTemplate.h"

#include <cstring>

namespace mfrmSelectTemplate {
namespace {
int32_t g_nMinWidth = 0;
int32_t g_nMinHeight = 0;
int32_t g_nOldWindowProc = 0;
}  // namespace

void HookMinSize(win32::HWND hwnd, int32_t nMinWidth, int32_t nMinHeight) {
  g_nMinWidth = nMinWidth;
  g_nMinHeight = nMinHeight;
  g_nOldWindowProc = win32::SetWindowLongA(hwnd, win32::GWL_WNDPROC,
                                           win32::window::ProcAddress(MinSizeWindowProc));
}

void UnhookMinSize(win32::HWND hwnd) {
  if (g_nOldWindowProc == 0) return;
  win32::SetWindowLongA(hwnd, win32::GWL_WNDPROC, g_nOldWindowProc);
  g_nOldWindowProc = 0;
}

win32::LRESULT MinSizeWindowProc(win32::HWND hwnd, win32::UINT uMsg, win32::WPARAM wParam,
                                 win32::LPARAM lParam) {
  if (uMsg == win32::WM_GETMINMAXINFO) {
    win32::MINMAXINFO info;
    std::memcpy(&info, reinterpret_cast<void*>(lParam), sizeof info);
    info.ptMinTrackSize.x = g_nMinWidth;
    info.ptMinTrackSize.y = g_nMinHeight;
    std::memcpy(reinterpret_cast<void*>(lParam), &info, sizeof info);
    return 0;
  }
  return win32::CallWindowProcA(g_nOldWindowProc, hwnd, uMsg, wParam, lParam);
}

}  // namespace mfrmSelectTemplate
