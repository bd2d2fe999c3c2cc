// The fault switch's hook for calls that raise (Outlook, Redemption, Word, the file objects):
// one statement at the top of the call raises the error that call raises on Windows when the
// switch (platform/win32/Faults.h) says this call fails.
#pragma once

#include "platform/win32/Faults.h"

namespace vb {

class FaultingCall {
 public:
  explicit FaultingCall(win32::faults::Surface surface);

 private:
  win32::faults::Call call_;
};

}  // namespace vb

#define TV_FAULT_POINT(surface)            \
  const ::vb::FaultingCall tvFaultPoint_ { \
    ::win32::faults::Surface::surface      \
  }
