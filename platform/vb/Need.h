// Error 91 for a missing object, as the runtime raises for a member call on Nothing.
#pragma once

#include <memory>

#include "platform/vb/Error.h"

namespace vb {

// The object, or error 91.
template <class T>
const std::shared_ptr<T>& Need(const std::shared_ptr<T>& object) {
  if (!object) Raise(kObjectVariableNotSet);
  return object;
}

}  // namespace vb
