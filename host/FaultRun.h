// A script played under injected faults, and the promises checked after it: nothing the
// script left alone in the store changed, the user's clipboard came back, no temporary item or
// file stayed, nothing escaped into Outlook, and the add-in works again once the faults stop.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/Program.h"

namespace host {

struct FaultRunOptions {
  uint32_t every = 0, seed = 0;
  int32_t outlookVersion = 14;
  std::string languageFile;
  std::vector<std::wstring> lines;  // the scripts' lines, one after the other
};

// 0 when every promise held, 3 with each broken one reported.
int RunUnderFaults(const FaultRunOptions& options, const ProgramIo& io);

}  // namespace host
