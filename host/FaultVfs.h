// The kept profile's writes under the fault switch: a SQLite VFS over the default one whose
// writes, syncs and cuts are calls of the switch's Profile surface, and fail as a full or
// failing disk does when the switch says so.
#pragma once

namespace host {

// Registers the VFS once and answers its name, for SetProfileStoreVfs.
const char* FaultVfsName();

}  // namespace host
