// SQLite's default VFS under a test's control: the n-th read, write, sync or cut of any file
// fails once, or (in a child process) kills the process where it stands, so a test reaches
// every step of a save.
#pragma once

#include <signal.h>
#include <sqlite3.h>

#include "host/FaultVfs.h"

namespace faulty {

inline int countdown = 0;    // 0: no fault to come
inline bool killer = false;  // the process is killed at the fault instead
inline constexpr const char* kName = "tanvelo-test-faulty";

inline int Strike(int ioError) {
  if (ioError == SQLITE_IOERR_SHMSIZE) return SQLITE_OK;  // not a step of a save
  if (countdown <= 0 || --countdown != 0) return SQLITE_OK;
  if (killer) ::raise(SIGKILL);
  return ioError;
}

inline void Install() {
  host::RegisterFaultingVfs(kName, Strike);
}

}  // namespace faulty
