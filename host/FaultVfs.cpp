#include "host/FaultVfs.h"

#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/win32/Faults.h"

namespace host {
namespace {

// One registered VFS: SQLite's own first, so a file's methods find their VFS's rule.
struct Faulting {
  sqlite3_vfs vfs;
  sqlite3_vfs* real;
  VfsFault fault;
};

sqlite3_io_methods methods;

struct File {
  sqlite3_file base;
  sqlite3_file* real;
  VfsFault fault;
};

sqlite3_file* Real(sqlite3_file* f) {
  return reinterpret_cast<File*>(f)->real;
}

int Fault(sqlite3_file* f, int ioError) {
  return reinterpret_cast<File*>(f)->fault(ioError);
}

int Open(sqlite3_vfs* vfs, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
  auto* owner = reinterpret_cast<Faulting*>(vfs);
  auto* f = reinterpret_cast<File*>(file);
  f->real = reinterpret_cast<sqlite3_file*>(f + 1);
  f->fault = owner->fault;
  int rc = owner->real->xOpen(owner->real, name, f->real, flags, outFlags);
  f->base.pMethods = f->real->pMethods ? &methods : nullptr;
  return rc;
}

void FillMethods() {
  methods.iVersion = 3;
  methods.xClose = [](sqlite3_file* f) { return Real(f)->pMethods->xClose(Real(f)); };
  methods.xRead = [](sqlite3_file* f, void* p, int n, sqlite3_int64 at) {
    if (int rc = Fault(f, SQLITE_IOERR_READ)) return rc;
    return Real(f)->pMethods->xRead(Real(f), p, n, at);
  };
  methods.xWrite = [](sqlite3_file* f, const void* p, int n, sqlite3_int64 at) {
    if (int rc = Fault(f, SQLITE_IOERR_WRITE)) return rc;
    return Real(f)->pMethods->xWrite(Real(f), p, n, at);
  };
  methods.xTruncate = [](sqlite3_file* f, sqlite3_int64 size) {
    if (int rc = Fault(f, SQLITE_IOERR_TRUNCATE)) return rc;
    return Real(f)->pMethods->xTruncate(Real(f), size);
  };
  methods.xSync = [](sqlite3_file* f, int flags) {
    if (int rc = Fault(f, SQLITE_IOERR_FSYNC)) return rc;
    return Real(f)->pMethods->xSync(Real(f), flags);
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
  // Growing the log's shared memory needs room on the disk, as a write does.
  methods.xShmMap = [](sqlite3_file* f, int region, int size, int extend, void volatile** p) {
    if (extend)
      if (int rc = Fault(f, SQLITE_IOERR_SHMSIZE)) return rc;
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
}

// The switch's Profile surface: a write, sync or cut fails as "disk I/O error" or "database
// or disk is full", as the switch draws; reads and the log's shared memory are not its calls.
int SwitchFault(int ioError) {
  if (ioError == SQLITE_IOERR_READ || ioError == SQLITE_IOERR_SHMSIZE) return SQLITE_OK;
  const int64_t errors[] = {ioError, SQLITE_FULL};
  int64_t error = ioError;
  if (!win32::faults::Hit(win32::faults::Surface::Profile, errors, &error)) return SQLITE_OK;
  return static_cast<int>(error);
}

}  // namespace

const char* RegisterFaultingVfs(const char* name, VfsFault fault) {
  static std::mutex lock;
  static std::map<std::string, std::unique_ptr<Faulting>> registered;
  std::lock_guard<std::mutex> hold(lock);
  auto& slot = registered[name];
  if (slot) return slot->vfs.zName;
  if (!methods.xClose) FillMethods();
  slot = std::make_unique<Faulting>();
  slot->real = sqlite3_vfs_find(nullptr);
  slot->fault = fault;
  slot->vfs = *slot->real;
  slot->vfs.zName = name;
  slot->vfs.szOsFile = static_cast<int>(sizeof(File)) + slot->real->szOsFile;
  slot->vfs.xOpen = Open;
  sqlite3_vfs_register(&slot->vfs, 0);
  return name;
}

const char* FaultVfsName() {
  return RegisterFaultingVfs("tanvelo-faults", SwitchFault);
}

}  // namespace host
