// Small helpers the command modules share (internal to commands/).
#pragma once

#include <cstdint>
#include <memory>

#include "platform/vb/Error.h"

namespace commands {

// The object, or error 91 as the runtime raises for a member call on Nothing.
template <class T>
const std::shared_ptr<T>& Need(const std::shared_ptr<T>& object) {
  if (!object) vb::Raise(vb::kObjectVariableNotSet);
  return object;
}

// The style flag that brings a message box to the foreground.
inline int32_t Foreground(bool bOnTop) {
  return bOnTop ? 0x10000 : 0;
}

}  // namespace commands
