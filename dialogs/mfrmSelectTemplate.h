// Module mfrmSelectTemplate: keeps the template picker's window at or above its minimum size by
// answering WM_GETMINMAXINFO in a window procedure put in front of the window's own.
#pragma once

#include <cstdint>

#include "platform/win32/Window.h"

namespace mfrmSelectTemplate {

// Minimum outer size in pixels. One picker exists at a time, so the size and the former
// procedure are kept process-wide.
void HookMinSize(win32::HWND hwnd, int32_t nMinWidth, int32_t nMinHeight);
void UnhookMinSize(win32::HWND hwnd);
win32::LRESULT MinSizeWindowProc(win32::HWND hwnd, win32::UINT uMsg, win32::WPARAM wParam,
                                 win32::LPARAM lParam);

}  // namespace mfrmSelectTemplate
