// Scripts played under injected faults (through every `quit` and `start`), and the promises
// checked after each of their lines against the same line played without them: nothing the
// faulted commands did not own changed (items, registry values, files); every item and
// registry value the clean run has is there, or the line that lost it told the user naming
// it; an expectation that held still holds or the user was told; the user's clipboard came
// back, no temporary item or file stayed, nothing escaped into Outlook, and the add-in works
// again once the faults stop.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/Program.h"

namespace host {

class Session;

struct FaultRunOptions {
  uint32_t every = 0, seed = 0;
  uint64_t at = 0, span = 1;  // calls at to at+span-1 fail, when no period is given
  bool count = false;         // only tells which calls each line makes, faulting none
  int32_t outlookVersion = 14;
  std::string languageFile;
  std::vector<std::wstring> lines;  // the scripts' lines, one after the other
  // Called after each line of the faulted run, before it is looked at (tests plant damage),
  // and after each line played again once the faults stopped (as line lines.size() + n).
  std::function<void(Session&, size_t line)> afterLine;
  // Called after each line of the clean and the faulted run alike (in the faulted run after
  // afterLine): tests do in both what the add-in might (hold a template's EntryID in a mail).
  std::function<void(Session&, size_t line)> eachLine = nullptr;
  // A fault asked at a call the scripts never make is an error (2), not a verdict.
  bool refuseUnraised = false;
};

// 0 when every promise held, 3 with each broken one reported, 2 when the fault asked for
// (with refuseUnraised) was never raised.
int RunUnderFaults(const FaultRunOptions& options, const ProgramIo& io);

}  // namespace host
