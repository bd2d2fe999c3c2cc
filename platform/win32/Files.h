// Files and directories through the ANSI calls, over a sandbox on the real disk: a
// Windows-style path ("C:\Program Files\...", "\\server\share\...") names a file below a root
// folder that the test or the host chooses. Names are found without regard to case and keep
// the case they were created with. Failing calls set the last error (LastError.h).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/Clock.h"
#include "platform/win32/LastError.h"
#include "platform/win32/Registry.h"

namespace win32 {

using HANDLE = uint32_t;
inline constexpr HANDLE INVALID_HANDLE_VALUE = 0xFFFFFFFF;

inline constexpr uint32_t GENERIC_READ = 0x80000000;
inline constexpr uint32_t GENERIC_WRITE = 0x40000000;
inline constexpr uint32_t FILE_SHARE_READ = 0x1;
inline constexpr uint32_t FILE_SHARE_WRITE = 0x2;
inline constexpr uint32_t CREATE_NEW = 1;
inline constexpr uint32_t CREATE_ALWAYS = 2;
inline constexpr uint32_t OPEN_EXISTING = 3;
inline constexpr uint32_t OPEN_ALWAYS = 4;
inline constexpr uint32_t TRUNCATE_EXISTING = 5;
inline constexpr uint32_t FILE_SHARE_DELETE = 0x4;
inline constexpr uint32_t FILE_ATTRIBUTE_READONLY = 0x1;
inline constexpr uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr uint32_t FILE_ATTRIBUTE_ARCHIVE = 0x20;
inline constexpr uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr uint32_t MAX_PATH = 260;
inline constexpr uint32_t INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
inline constexpr uint32_t INVALID_FILE_SIZE = 0xFFFFFFFF;

// Error codes only the file calls use; ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED and
// ERROR_INVALID_HANDLE come with Registry.h.
inline constexpr uint32_t ERROR_PATH_NOT_FOUND = 3;
inline constexpr uint32_t ERROR_TOO_MANY_OPEN_FILES = 4;
inline constexpr uint32_t ERROR_NO_MORE_FILES = 18;
inline constexpr uint32_t ERROR_SHARING_VIOLATION = 32;
inline constexpr uint32_t ERROR_READ_FAULT = 30;
inline constexpr uint32_t ERROR_HANDLE_EOF = 38;
inline constexpr uint32_t ERROR_FILE_EXISTS = 80;
inline constexpr uint32_t ERROR_INVALID_NAME = 123;
inline constexpr uint32_t ERROR_DIR_NOT_EMPTY = 145;
inline constexpr uint32_t ERROR_ALREADY_EXISTS = 183;
inline constexpr uint32_t ERROR_DIRECTORY = 267;
inline constexpr uint32_t ERROR_CANT_RESOLVE_FILENAME = 1921;

struct FILETIME {
  uint32_t dwLowDateTime = 0;
  uint32_t dwHighDateTime = 0;
};

struct WIN32_FIND_DATAA {
  uint32_t dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  uint32_t nFileSizeHigh;
  uint32_t nFileSizeLow;
  uint32_t dwReserved0;
  uint32_t dwReserved1;
  char cFileName[MAX_PATH];
  char cAlternateFileName[14];
};

// The last part of the pattern may hold "*" and "?". A directory other than a drive's root
// lists "." and ".." first; the other entries come sorted without regard to case, as NTFS
// gives them. INVALID_HANDLE_VALUE with ERROR_FILE_NOT_FOUND when nothing matches, with
// ERROR_PATH_NOT_FOUND when the folder is missing.
HANDLE FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* data);
// False with ERROR_NO_MORE_FILES after the last entry.
bool FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data);
bool FindClose(HANDLE find);

// Fails with ERROR_ALREADY_EXISTS when the name exists, ERROR_PATH_NOT_FOUND when the
// parent is missing.
bool CreateDirectoryA(const char* path, const void* security);
// Removes an empty directory only (ERROR_DIR_NOT_EMPTY otherwise).
bool RemoveDirectoryA(const char* path);
bool DeleteFileA(const char* path);

// Both refuse with ERROR_INVALID_NAME a path with a part Windows cannot name: one holding
// < > : " | ? * or a control character, or a device name (CON, PRN, AUX, NUL, COM1-9,
// LPT1-9, with any extension).
// Access 0 opens for queries only (file times). A directory cannot be opened
// (ERROR_ACCESS_DENIED), nor a file no one may read for reading (its host permissions deny
// every reader: ERROR_ACCESS_DENIED, for an administrator too), nor a link to nothing
// (ERROR_FILE_NOT_FOUND). Creating or truncating a file, and every write, stamps its
// last-write time with the virtual clock.
HANDLE CreateFileA(const char* path, uint32_t access, uint32_t share, const void* security,
                   uint32_t disposition, uint32_t flags, HANDLE templateFile);
// A synchronous read: at the end of the file it succeeds with 0 bytes read.
bool ReadFile(HANDLE file, void* buffer, uint32_t toRead, uint32_t* read, void* overlapped);
bool WriteFile(HANDLE file, const void* buffer, uint32_t toWrite, uint32_t* written,
               void* overlapped);
// The low 32 bits of the open file's size, the high ones in `high` when it is given;
// INVALID_FILE_SIZE with the last error for a handle that is not an open file (a size of that
// value comes with the last error 0, as on Windows).
uint32_t GetFileSize(HANDLE file, uint32_t* high);
// Any of the three may be null. The sandbox keeps one time per file: all three are the
// last-write time.
bool GetFileTime(HANDLE file, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite);
bool CloseHandle(HANDLE handle);

// FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_READONLY and FILE_ATTRIBUTE_ARCHIVE (a file);
// INVALID_FILE_ATTRIBUTES with the last error when the path is missing. Only the read-only bit
// can be set: a read-only file refuses writing, truncating and deleting (ERROR_ACCESS_DENIED).
uint32_t GetFileAttributesA(const char* path);
bool SetFileAttributesA(const char* path, uint32_t attributes);

// The path with every part spelt as on disk (the sandbox has no short names): the length
// without the NUL when it fits, else the size needed with the NUL; 0 with the last error when
// a part is missing or the path is relative.
uint32_t GetLongPathNameA(const char* shortPath, char* longPath, uint32_t size);

// Uses the bias in force now, as the real call does.
bool FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local);
bool FileTimeToSystemTime(const FILETIME* time, SYSTEMTIME* out);
bool SystemTimeToFileTime(const SYSTEMTIME* time, FILETIME* out);

// The TMP, else the TEMP variable, with a trailing "\"; the length like
// GetEnvironmentVariableA.
uint32_t GetTempPathA(uint32_t size, char* buffer);

// Control of the sandbox, for tests and the host.
namespace files {
// Makes `root` the folder below which drive letters and UNC shares live, and creates drive C
// with its folder "Temp". An empty root makes every call fail with ERROR_PATH_NOT_FOUND.
void SetRoot(const std::filesystem::path& root);
const std::filesystem::path& Root();
// The real path a Windows path stands for, found without regard to case; nothing when the
// path is not inside the sandbox.
std::optional<std::filesystem::path> HostPath(const std::string& path);
// Writes a whole file (creating its missing folders) at the virtual clock's time, as a user
// saving it in an editor would.
bool WriteAll(const std::string& path, std::string_view bytes);
// The whole file, read as the program that reads it (Word, Outlook) reads it: nothing, with the
// error as the last error, when it cannot be opened (missing, a link to nothing, a file no one
// may read) or a read fails before its end; never an empty or a shortened file.
std::optional<std::string> ReadAll(const std::string& path);
// The same read into bytes, for callers that keep them so (attachments): no copy in between.
std::optional<std::vector<uint8_t>> ReadAllBytes(const std::string& path);
// A file of the host outside the drives (a program's own working files), read the same way.
std::optional<std::string> ReadHostFile(const std::filesystem::path& host);
// Another process opens the file with this access and sharing until ReleaseHold; opens of
// this process that its sharing does not allow, or whose sharing does not allow its access,
// fail with ERROR_SHARING_VIOLATION, and so does deleting it unless it shares deleting.
// 0 when the file does not exist.
uint32_t HoldOpen(const std::string& path, uint32_t access, uint32_t share);
void ReleaseHold(uint32_t hold);
// The next ReadFile on any handle fails with this error.
void FailNextRead(uint32_t error);
// The next whole-file read (ReadAll, ReadAllBytes, ReadHostFile) of a file longer than `offset`
// bytes fails with this error once it has read that many, as a disk or a share failing part way
// does.
void FailReadPart(uint64_t offset, uint32_t error);
// The next GetFileTime on any handle fails with this error, as a share that drops the
// query does (ERROR_UNEXP_NET_ERR).
void FailNextFileTime(uint32_t error);
size_t OpenHandleCount();

// A fresh, empty sandbox in the machine's temporary folder (or in `parent`) for the life of
// the object. The sandbox holds a lock on its own folder while it lives, which the kernel lets
// go however its process ends; the first sandbox a process makes in a folder clears the
// sandboxes of processes no longer running there.
class TempSandbox {
 public:
  TempSandbox();
  explicit TempSandbox(const std::filesystem::path& parent);
  ~TempSandbox();
  TempSandbox(const TempSandbox&) = delete;
  TempSandbox& operator=(const TempSandbox&) = delete;
  const std::filesystem::path& Path() const { return m_path; }

 private:
  std::filesystem::path m_path;
  int m_owner = -1;
};

// Removes the sandboxes in `parent` whose lock is free (their process ended without removing
// them: killed, crashed); a sandbox of a name that carries no lock (made before sandboxes had
// one) is left, as its owner is unknown. The names of those removed.
std::vector<std::string> ClearAbandonedSandboxes(const std::filesystem::path& parent);
}  // namespace files

}  // namespace win32
