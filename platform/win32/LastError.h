// The thread's last Win32 error, as the failing calls of the substitute leave it.
#pragma once

#include <cstdint>

namespace win32 {

inline constexpr uint32_t ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr uint32_t ERROR_INVALID_HANDLE_STATE = 1609;
inline constexpr uint32_t ERROR_INVALID_WINDOW_HANDLE = 1400;
inline constexpr uint32_t ERROR_INVALID_INDEX = 1413;
inline constexpr uint32_t ERROR_INVALID_HOOK_HANDLE = 1404;
inline constexpr uint32_t ERROR_HOOK_NEEDS_HMOD = 1428;
inline constexpr uint32_t ERROR_INVALID_HOOK_FILTER = 1426;
inline constexpr uint32_t ERROR_CLIPBOARD_NOT_OPEN = 1418;
inline constexpr uint32_t ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;
inline constexpr uint32_t ERROR_RESOURCE_NAME_NOT_FOUND = 1814;

uint32_t GetLastError();
void SetLastError(uint32_t error);

}  // namespace win32
