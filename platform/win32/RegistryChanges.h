// How a program keeping the registry in a store of its own learns what changed since it last
// wrote it, so each write costs what changed, not the size of the hive; and how it puts a kept
// hive back. Names and paths are the ANSI bytes the registry calls take; `folded` is the form
// two names that Windows takes as one share.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/Registry.h"

namespace win32::registry {

// Counts every change of any hive (a key made or deleted, a value set or deleted, a hive
// loaded); never reset.
uint64_t ChangeCount();
// What SaveHive writes: the hive as text, for a program that compares two registries.
bool HiveText(HKEY root, std::string& text);

struct ValueRecord {
  std::string folded, name;  // name as first written
  bool gone = false;         // deleted: only `folded` says which
  DWORD type = REG_NONE;
  std::vector<uint8_t> data;
  uint64_t order = 0;  // values of a key enumerate in ascending order
};

struct KeyRecord {
  std::string folded, path;         // "A\\B" below the hive; "" the hive itself
  bool gone = false;                // deleted, with all its values
  bool cleared = false;             // deleted and made again: its values from before are gone
  std::vector<ValueRecord> values;  // the values noted as changed, as they stand now
};

struct HiveChanges {
  bool whole = false;  // every key and value is listed: what a store held before is gone
  std::vector<KeyRecord> keys;
  bool Empty() const { return !whole && keys.empty(); }
};

// From now on the changes of `root` are noted for the keeper this answers (a token), until
// another keeper asks or the platform is reset. `whole`: the first TakeChanges lists the whole
// hive (the keeper holds none of it yet).
uint64_t KeepChanges(HKEY root, bool whole);
// Whether the notes are still the keeper's.
bool ChangesKept(HKEY root, uint64_t keeper);
// What changed since the last take, as the hive stands now; the notes start afresh.
HiveChanges TakeChanges(HKEY root);
// Notes again what a take listed, when it could not be written.
void PutBackChanges(HKEY root, const HiveChanges& changes);
// Replaces a hive by kept keys (given parents first or not; a missing parent is made) and
// their values, each key's in ascending order. Refused whole on a value named twice in a key
// or a NUL in a name; `error` then says why.
bool PutHive(HKEY root, const std::vector<KeyRecord>& keys, std::string* error = nullptr);

}  // namespace win32::registry
