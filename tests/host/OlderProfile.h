// A profile as the program kept it before the registry moved into the store: the store without
// the registry's tables (version 1), the registry in a file beside it.
#pragma once

#include <sqlite3.h>

#include <filesystem>

#include "platform/win32/Registry.h"

namespace olderprofile {

// The store at `path` made one of the older form; false when it could not be.
inline bool DropRegistryFromStore(const std::filesystem::path& path) {
  sqlite3* db = nullptr;
  bool done = sqlite3_open(path.string().c_str(), &db) == SQLITE_OK &&
              sqlite3_exec(db,
                           "DROP TABLE reg_keys; DROP TABLE reg_values; "
                           "DELETE FROM meta WHERE key = 'registry';"
                           "UPDATE meta SET value = 1 WHERE key = 'version'",
                           nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_close(db);
  return done;
}

// The profile in `dir` made one of the older form, its registry file the registry in memory.
inline bool MakeOlderForm(const std::filesystem::path& dir) {
  return win32::registry::SaveHive(win32::HKEY_CURRENT_USER, (dir / "registry.hive").string()) &&
         DropRegistryFromStore(dir / "store.sqlite");
}

}  // namespace olderprofile
