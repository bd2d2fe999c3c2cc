#include "platform/vb/Format.h"

#include "platform/vb/Error.h"

namespace vb {

std::wstring Format(int64_t value, std::wstring_view pattern) {
  if (pattern.empty() || pattern.find_first_not_of(L'0') != std::wstring_view::npos)
    Raise(kInvalidProcedureCall);
  bool negative = value < 0;
  uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  std::wstring digits = std::to_wstring(magnitude);
  if (digits.size() < pattern.size()) digits.insert(0, pattern.size() - digits.size(), L'0');
  return negative ? L"-" + digits : digits;
}

std::wstring Format(const win32::SYSTEMTIME& date, std::wstring_view pattern) {
  std::wstring out;
  size_t i = 0;
  auto number = [&](int value, size_t width) {
    std::wstring text = std::to_wstring(value);
    if (text.size() < width) text.insert(0, width - text.size(), L'0');
    out += text;
  };
  while (i < pattern.size()) {
    wchar_t c = pattern[i];
    size_t run = 1;
    while (i + run < pattern.size() && pattern[i + run] == c) ++run;
    size_t width = run >= 2 ? 2 : 1;
    switch (c) {
      case L'd':
        number(date.wDay, width);
        break;
      case L'm':
        number(date.wMonth, width);
        break;
      case L'h':
        number(date.wHour, width);
        break;
      case L'n':
        number(date.wMinute, width);
        break;
      case L's':
        number(date.wSecond, width);
        break;
      case L'y':
        if (run >= 4) {
          number(date.wYear, 4);
        } else {
          number(date.wYear % 100, 2);
        }
        break;
      default:
        out.append(run, c);
    }
    i += run;
  }
  return out;
}

win32::SYSTEMTIME Now() {
  win32::SYSTEMTIME now{};
  win32::GetLocalTime(&now);
  return now;
}

}  // namespace vb
