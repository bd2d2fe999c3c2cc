// The kept profile's writes under the fault switch: a SQLite VFS over the default one whose
// writes, syncs and cuts are calls of the switch's Profile surface, and fail as a full or
// failing disk does when the switch says so.
#pragma once

namespace host {

// Registers the VFS once and answers its name, for SetProfileStoreVfs.
const char* FaultVfsName();

// What a VFS over the default one asks before each read, write, sync or cut of any file, and
// before the log's shared memory grows (SQLITE_IOERR_SHMSIZE): given the error that call
// answers when it fails, SQLITE_OK to go on or the error to answer.
using VfsFault = int (*)(int ioError);

// Registers such a VFS under `name` (a literal; once per name) and answers the name.
const char* RegisterFaultingVfs(const char* name, VfsFault fault);

}  // namespace host
