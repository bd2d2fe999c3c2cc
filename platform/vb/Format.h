// The runtime's Format for the few patterns the system uses: whole numbers padded with zeros
// ("00") and dates by day, month and year parts ("ddmmyyyy").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/win32/Clock.h"

namespace vb {

// A pattern of "0"s pads the number with leading zeros to that many digits; a longer number
// keeps all its digits; a negative one gets its sign in front. Any other pattern raises 5.
std::wstring Format(int64_t value, std::wstring_view pattern);
// "d"/"dd" day, "m"/"mm" month, "yy"/"yyyy" year, "h"/"hh" hour, "n"/"nn" minute, "s"/"ss"
// second; every other character stands as it is.
std::wstring Format(const win32::SYSTEMTIME& date, std::wstring_view pattern);
// Today, in local time.
win32::SYSTEMTIME Now();

}  // namespace vb
