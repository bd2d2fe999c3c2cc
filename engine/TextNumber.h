// Numbers read from texts the way the runtime converts a text to a Long.
#pragma once

#include <cstdint>
#include <string>

// Blanks around a signed decimal number are allowed; anything else raises 13 (type
// mismatch), a number out of range 6 (overflow).
int32_t CLngText(const std::wstring& text);
