// Small helpers the command modules share (internal to commands/).
#pragma once

#include <cstdint>
#include <memory>

#include "platform/vb/Need.h"

namespace commands {

using vb::Need;

// The style flag that brings a message box to the foreground.
inline int32_t Foreground(bool bOnTop) {
  return bOnTop ? 0x10000 : 0;
}

}  // namespace commands
