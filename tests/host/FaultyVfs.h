// SQLite's default VFS under a test's control: the n-th read, write, sync or cut of any file
// fails once, or (in a child process) kills the process where it stands, so a test reaches
// every step of a save.
#pragma once

#include <signal.h>
#include <sqlite3.h>

namespace faulty {

inline sqlite3_vfs* real = nullptr;
inline sqlite3_vfs vfs;
inline sqlite3_io_methods methods;
inline int countdown = 0;    // 0: no fault to come
inline bool killer = false;  // the process is killed at the fault instead
inline constexpr const char* kName = "tanvelo-test-faulty";

struct File {
  sqlite3_file base;
  sqlite3_file* real;
};

inline sqlite3_file* Real(sqlite3_file* f) {
  return reinterpret_cast<File*>(f)->real;
}

inline bool Strike() {
  if (countdown <= 0 || --countdown != 0) return false;
  if (killer) ::raise(SIGKILL);
  return true;
}

inline int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
  auto* f = reinterpret_cast<File*>(file);
  f->real = reinterpret_cast<sqlite3_file*>(f + 1);
  int rc = real->xOpen(real, name, f->real, flags, outFlags);
  f->base.pMethods = f->real->pMethods ? &methods : nullptr;
  return rc;
}

inline void Install() {
  if (real) return;
  real = sqlite3_vfs_find(nullptr);
  vfs = *real;
  vfs.zName = kName;
  vfs.szOsFile = static_cast<int>(sizeof(File)) + real->szOsFile;
  vfs.xOpen = Open;
  methods.iVersion = 3;
  methods.xClose = [](sqlite3_file* f) { return Real(f)->pMethods->xClose(Real(f)); };
  methods.xRead = [](sqlite3_file* f, void* p, int n, sqlite3_int64 at) {
    return Strike() ? SQLITE_IOERR_READ : Real(f)->pMethods->xRead(Real(f), p, n, at);
  };
  methods.xWrite = [](sqlite3_file* f, const void* p, int n, sqlite3_int64 at) {
    return Strike() ? SQLITE_IOERR_WRITE : Real(f)->pMethods->xWrite(Real(f), p, n, at);
  };
  methods.xTruncate = [](sqlite3_file* f, sqlite3_int64 size) {
    return Strike() ? SQLITE_IOERR_TRUNCATE : Real(f)->pMethods->xTruncate(Real(f), size);
  };
  methods.xSync = [](sqlite3_file* f, int flags) {
    return Strike() ? SQLITE_IOERR_FSYNC : Real(f)->pMethods->xSync(Real(f), flags);
  };
  methods.xFileSize = [](sqlite3_file* f, sqlite3_int64* size) {
    return Real(f)->pMethods->xFileSize(Real(f), size);
  };
  methods.xLock = [](sqlite3_file* f, int l) { return Real(f)->pMethods->xLock(Real(f), l); };
  methods.xUnlock = [](sqlite3_file* f, int l) { return Real(f)->pMethods->xUnlock(Real(f), l); };
  methods.xCheckReservedLock = [](sqlite3_file* f, int* out) {
    return Real(f)->pMethods->xCheckReservedLock(Real(f), out);
  };
  methods.xFileControl = [](sqlite3_file* f, int op, void* arg) {
    return Real(f)->pMethods->xFileControl(Real(f), op, arg);
  };
  methods.xSectorSize = [](sqlite3_file* f) { return Real(f)->pMethods->xSectorSize(Real(f)); };
  methods.xDeviceCharacteristics = [](sqlite3_file* f) {
    return Real(f)->pMethods->xDeviceCharacteristics(Real(f));
  };
  methods.xShmMap = [](sqlite3_file* f, int region, int size, int extend, void volatile** p) {
    return Real(f)->pMethods->xShmMap(Real(f), region, size, extend, p);
  };
  methods.xShmLock = [](sqlite3_file* f, int offset, int n, int flags) {
    return Real(f)->pMethods->xShmLock(Real(f), offset, n, flags);
  };
  methods.xShmBarrier = [](sqlite3_file* f) { Real(f)->pMethods->xShmBarrier(Real(f)); };
  methods.xShmUnmap = [](sqlite3_file* f, int deleteFlag) {
    return Real(f)->pMethods->xShmUnmap(Real(f), deleteFlag);
  };
  methods.xFetch = [](sqlite3_file* f, sqlite3_int64 at, int n, void** p) {
    return Real(f)->pMethods->xFetch(Real(f), at, n, p);
  };
  methods.xUnfetch = [](sqlite3_file* f, sqlite3_int64 at, void* p) {
    return Real(f)->pMethods->xUnfetch(Real(f), at, p);
  };
  sqlite3_vfs_register(&vfs, 0);
}

}  // namespace faulty
