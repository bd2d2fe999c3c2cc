// Environment variables of the simulated process. TEMP and TMP start as "C:\Temp", a folder
// that every file-system sandbox holds.
#pragma once

#include <cstdint>

namespace win32 {

// Copies the value (ANSI, zero-terminated) when it fits and answers its length; when it does
// not fit, answers the size needed including the terminator. 0 and ERROR_ENVVAR_NOT_FOUND
// (203) for a variable that is not set. Names are compared without regard to case.
uint32_t GetEnvironmentVariableA(const char* name, char* buffer, uint32_t size);
// A null value removes the variable.
bool SetEnvironmentVariableA(const char* name, const char* value);

}  // namespace win32
