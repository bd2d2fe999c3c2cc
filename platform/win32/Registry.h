// The registry: three hives in memory, reached through the ANSI calls with Win32's return
// codes. Key and value names are compared without regard to case.
#pragma once

#include <cstdint>
#include <string>

namespace win32 {

using HKEY = uint32_t;
using LONG = int32_t;
using DWORD = uint32_t;
using REGSAM = uint32_t;

inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002;

inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;
inline constexpr LONG ERROR_ACCESS_DENIED = 5;
inline constexpr LONG ERROR_INVALID_HANDLE = 6;
inline constexpr LONG ERROR_INVALID_PARAMETER = 87;
inline constexpr LONG ERROR_MORE_DATA = 234;
inline constexpr LONG ERROR_NO_MORE_ITEMS = 259;
inline constexpr LONG ERROR_KEY_DELETED = 1018;

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;

inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, REGSAM access, HKEY* result);
LONG RegCreateKeyExA(HKEY key, const char* subKey, DWORD reserved, const char* keyClass,
                     DWORD options, REGSAM access, const void* security, HKEY* result,
                     DWORD* disposition);
LONG RegCloseKey(HKEY key);
// For REG_SZ and REG_EXPAND_SZ the stored data always end in one zero byte: one is added
// when the caller's data do not end in one.
LONG RegSetValueExA(HKEY key, const char* name, DWORD reserved, DWORD type, const uint8_t* data,
                    DWORD size);
// With no buffer, answers the size. With a buffer too small: ERROR_MORE_DATA and the size.
LONG RegQueryValueExA(HKEY key, const char* name, DWORD* reserved, DWORD* type, uint8_t* data,
                      DWORD* size);
LONG RegDeleteValueA(HKEY key, const char* name);
// Fails with ERROR_ACCESS_DENIED when the subkey has subkeys of its own.
LONG RegDeleteKeyA(HKEY key, const char* subKey);
LONG RegFlushKey(HKEY key);
// nameSize: in, the buffer's size in characters with room for the terminator; out, the
// name's length. A name that does not fit gives ERROR_MORE_DATA.
LONG RegEnumValueA(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* reserved, DWORD* type,
                   uint8_t* data, DWORD* dataSize);
LONG RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* reserved,
                   char* keyClass, DWORD* classSize, void* lastWriteTime);

// Control of the simulated registry, for tests and the host.
namespace registry {
// Writes one hive (all its keys and values) to a file, or replaces the hive by a file's.
bool SaveHive(HKEY root, const std::string& path);
// A file with a line it cannot hold as written (malformed hex, an unknown type, a NUL in a
// name, a value named twice) is refused whole; `error` then names the line.
bool LoadHive(HKEY root, const std::string& path, std::string* error = nullptr);
// A read-only hive refuses writes with ERROR_ACCESS_DENIED, as HKLM does for a plain user.
void SetReadOnly(HKEY root, bool readOnly);
// Keys opened and not yet closed, so tests can catch a leaked handle.
size_t OpenHandleCount();
}  // namespace registry

}  // namespace win32
