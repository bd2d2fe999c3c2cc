// What the host benchmarks read of their own process and of the source tree.
#pragma once

#include <fstream>
#include <iterator>
#include <string>

#include "tests/common/ChildProcess.h"

namespace benchdata {

using childprocess::StatusBytes;

inline std::string LanguageFile() {
  std::ifstream in(std::string(TV_SOURCE_DIR) + "/lang/EN.lng", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

using childprocess::InChild;

}  // namespace benchdata
