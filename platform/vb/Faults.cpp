#include "platform/vb/Faults.h"

#include "platform/vb/Error.h"

namespace vb {
namespace {

using win32::faults::Surface;

// What each component raises when a call fails for a reason of its own (a busy store, a
// locked file, a dialog it put up): HRESULTs as the runtime's error numbers.
constexpr int32_t kEFail = static_cast<int32_t>(0x80004005);
constexpr int32_t kNotFound = static_cast<int32_t>(0x8004010F);
constexpr int32_t kCallRejected = static_cast<int32_t>(0x80010001);
constexpr int32_t kWordCommandFailed = static_cast<int32_t>(0x800A1066);
constexpr int32_t kPermissionDenied = 70;
constexpr int32_t kPathFileAccess = 75;

std::span<const int64_t> ErrorsOf(Surface surface) {
  static constexpr int64_t kStore[] = {kEFail, kNotFound};
  static constexpr int64_t kWord[] = {kCallRejected, kWordCommandFailed};
  static constexpr int64_t kFiles[] = {kPermissionDenied, kPathFileAccess};
  switch (surface) {
    case Surface::Outlook:
    case Surface::Redemption:
      return kStore;
    case Surface::Word:
      return kWord;
    default:
      return kFiles;
  }
}

std::wstring TextOf(int32_t number) {
  switch (number) {
    case kEFail:
      return L"The operation failed.";
    case kNotFound:
      return L"The operation failed. An object could not be found.";
    case kCallRejected:
      return L"Call was rejected by callee.";
    case kWordCommandFailed:
      return L"Command failed";
    case kPermissionDenied:
      return L"Permission denied";
    default:
      return L"Path/File access error";
  }
}

}  // namespace

FaultingCall::FaultingCall(Surface surface) : call_(surface, ErrorsOf(surface)) {
  if (call_.Failed()) {
    auto number = static_cast<int32_t>(call_.Error());
    throw Error(number, TextOf(number));
  }
}

}  // namespace vb
