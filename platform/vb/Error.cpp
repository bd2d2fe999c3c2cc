#include "platform/vb/Error.h"

#include "platform/win32/CodePage.h"
#include "platform/win32/Reset.h"

namespace vb {

Error::Error(int32_t number, std::wstring description)
    : std::runtime_error("error " + std::to_string(number) + ": " +
                         win32::WideToMultiByte(win32::CP_UTF8, description)),
      number_(number),
      description_(std::move(description)) {}

void ErrObject::Set(int32_t number, std::wstring description) {
  number_ = number;
  description_ = std::move(description);
}

void ErrObject::Clear() {
  number_ = 0;
  description_.clear();
}

ErrObject& Err() {
  return win32::PlatformState<ErrObject>();
}

std::wstring DescriptionOf(int32_t number) {
  switch (number) {
    case 5:
      return L"Invalid procedure call or argument";
    case 6:
      return L"Overflow";
    case 7:
      return L"Out of memory";
    case 9:
      return L"Subscript out of range";
    case 11:
      return L"Division by zero";
    case 13:
      return L"Type mismatch";
    case 51:
      return L"Internal error";
    case 52:
      return L"Bad file name or number";
    case 53:
      return L"File not found";
    case 70:
      return L"Permission denied";
    case 75:
      return L"Path/File access error";
    case 76:
      return L"Path not found";
    case 91:
      return L"Object variable or With block variable not set";
    case 424:
      return L"Object required";
    case 429:
      return L"ActiveX component can't create object";
    case 438:
      return L"Object doesn't support this property or method";
    case 457:
      return L"This key is already associated with an element of this collection";
    default:
      return L"";
  }
}

void Raise(int32_t number, std::wstring description) {
  if (description.empty()) description = DescriptionOf(number);
  if (description.empty()) description = L"Application-defined or object-defined error";
  throw Error(number, std::move(description));
}

}  // namespace vb
