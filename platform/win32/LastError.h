// The thread's last Win32 error, as the file functions and other calls set it on failure.
#pragma once

#include <cstdint>

namespace win32 {

uint32_t GetLastError();
void SetLastError(uint32_t error);

}  // namespace win32
