// Environ: a variable of the process environment, as the runtime reads it.
#pragma once

#include <string>
#include <string_view>

namespace vb {

// The variable's value, empty when it is not set.
std::wstring Environ(std::wstring_view name);

}  // namespace vb
