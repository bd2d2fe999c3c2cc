// How a program keeping the registry on disk tells whether it changed. The hive files
// (registry::SaveHive) end in a line with their count of lines and a checksum, so a file cut
// short or damaged is refused by registry::LoadHive and the hive left as it was.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32/Registry.h"

namespace win32::registry {

// Counts every change of any hive (a key made or deleted, a value set or deleted, a hive
// loaded); never reset.
uint64_t ChangeCount();
// What SaveHive writes, for a program that writes the file its own way.
bool HiveText(HKEY root, std::string& text);

}  // namespace win32::registry
