#include "platform/win32/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/win32/CodePage.h"
#include "platform/win32/Environment.h"
#include "platform/win32/Faults.h"
#include "platform/win32/Reset.h"

namespace win32 {
namespace fs = std::filesystem;

namespace {

constexpr uint32_t kAccessDenied = static_cast<uint32_t>(ERROR_ACCESS_DENIED);
constexpr uint32_t kFileNotFound = static_cast<uint32_t>(ERROR_FILE_NOT_FOUND);
constexpr uint32_t kInvalidHandle = static_cast<uint32_t>(ERROR_INVALID_HANDLE);
// 100-ns intervals between 1601-01-01 and 1970-01-01.
constexpr int64_t kEpochDelta = 116444736000000000LL;

struct FileDeleter {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

struct OpenFile {
  fs::path path;
  std::unique_ptr<std::FILE, FileDeleter> stream;  // null for a query-only handle
  bool canRead = false;
  bool canWrite = false;
  bool written = false;
};

struct FindEntry {
  std::string name;  // ANSI
  uint32_t attributes;
  FILETIME time;
  uint64_t size;
};

struct FindSearch {
  std::vector<FindEntry> entries;
  size_t next = 0;
};

// A file another process keeps open.
struct Hold {
  fs::path path;
  uint32_t access = 0;
  uint32_t share = 0;
};

wchar_t FoldChar(wchar_t c) {
  if ((c >= L'a' && c <= L'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 32;
  return c;
}

std::wstring Fold(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out) c = FoldChar(c);
  return out;
}

// A folder's names by their folded spelling: a name missing under its exact spelling is looked
// up here instead of listing the folder again. The kernel tells of every entry made, removed or
// renamed in a watched folder, by these calls or by anyone else (a test writing on the host),
// and each index follows those events before it answers, so it never lags the disk.
struct FolderIndex {
  dev_t device = 0;
  ino_t inode = 0;
  int watch = -1;
  std::unordered_map<std::wstring, std::string> names;  // folded name -> name on the host
  // Folded names two entries answer to (the host tells case apart): a removal of one of them
  // has the folder listed again, the rare case left to the plain road.
  std::unordered_set<std::wstring> doubled;

  void Add(std::string name) {
    std::wstring folded = Fold(MultiByteToWide(CP_UTF8, name));
    auto [it, added] = names.try_emplace(std::move(folded), std::move(name));
    if (!added && it->second != name) doubled.insert(it->first);
  }
};

class FolderIndexes {
 public:
  FolderIndexes() = default;
  FolderIndexes(const FolderIndexes&) = delete;
  FolderIndexes& operator=(const FolderIndexes&) = delete;
  ~FolderIndexes() {
    if (m_events >= 0) ::close(m_events);
  }
  // The index of the folder `dir`, listed when first asked for; null when it cannot be listed
  // or the kernel watches nothing (then the caller lists the folder itself).
  const FolderIndex* Of(const fs::path& dir);
  void Clear();
  size_t Size() const { return m_byPath.size(); }

 private:
  void Drop(const std::string& path);
  void Follow();

  int m_events = -1;
  bool m_tried = false;
  std::unordered_map<std::string, FolderIndex> m_byPath;
  std::unordered_map<int, std::string> m_pathOfWatch;
};

struct FilesState {
  fs::path root;
  FolderIndexes indexes;
  std::map<uint32_t, Hold> holds;
  uint32_t nextHold = 1;
  std::vector<fs::path> readOnly;
  uint32_t nextHandle = 0x00000104;
  std::map<HANDLE, OpenFile> files;
  std::map<HANDLE, FindSearch> searches;
  std::optional<uint32_t> failNextRead;
  std::optional<std::pair<uint64_t, uint32_t>> failReadPart;  // offset, error
  std::optional<uint32_t> failNextFileTime;
};

FilesState& S() {
  return PlatformState<FilesState>();
}

HANDLE NewHandle() {
  HANDLE h = S().nextHandle;
  S().nextHandle += 4;
  return h;
}

std::wstring HostNameToWide(const fs::path& name) {
  return MultiByteToWide(CP_UTF8, name.filename().string());
}

fs::path WideToHostName(std::wstring_view name) {
  return fs::path(WideToMultiByte(CP_UTF8, name));
}

// A Windows path taken apart: where it starts on the host and its components.
struct Parsed {
  fs::path base;
  std::vector<std::wstring> parts;
  bool isDriveRoot() const { return parts.empty(); }
};

std::optional<Parsed> Parse(const char* path) {
  if (path == nullptr || S().root.empty()) return std::nullopt;
  std::wstring text = FromAnsi(path);
  // The ANSI calls take no path of MAX_PATH characters or more.
  if (text.size() >= MAX_PATH) return std::nullopt;
  auto isSep = [](wchar_t c) { return c == L'\\' || c == L'/'; };
  Parsed out;
  size_t pos = 0;
  if (text.size() >= 2 && isSep(text[0]) && isSep(text[1])) {
    out.base = S().root / "UNC";
    pos = 2;
  } else if (text.size() >= 2 && text[1] == L':' &&
             ((text[0] >= L'A' && text[0] <= L'Z') || (text[0] >= L'a' && text[0] <= L'z'))) {
    out.base = S().root / std::string(1, static_cast<char>(FoldChar(text[0])));
    pos = 2;
  } else {
    return std::nullopt;  // the sandbox has no current directory
  }
  std::wstring part;
  auto flush = [&] {
    if (part == L"..") {
      if (!out.parts.empty()) out.parts.pop_back();
    } else if (!part.empty() && part != L".") {
      out.parts.push_back(part);
    }
    part.clear();
  };
  for (; pos < text.size(); ++pos) {
    if (isSep(text[pos]))
      flush();
    else
      part += text[pos];
  }
  flush();
  return out;
}

// Calls `found` with the name of each entry of the folder `dir` ("." and ".." left out) until it
// returns true. False when `dir` cannot be listed: it is missing or no folder. The C library's
// listing takes fewer system calls than the C++ one, which matters for folders looked into
// at every file call.
template <class Found>
bool ForEachName(const fs::path& dir, Found&& found) {
  DIR* listing = ::opendir(dir.c_str());
  if (!listing) return false;
  while (const dirent* entry = ::readdir(listing)) {
    std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (found(name)) break;
  }
  ::closedir(listing);
  return true;
}

// Folders watched at most (each watch is a kernel resource); past it the indexes start again.
constexpr size_t kMaxIndexes = 512;

void FolderIndexes::Drop(const std::string& path) {
  auto it = m_byPath.find(path);
  if (it == m_byPath.end()) return;
  ::inotify_rm_watch(m_events, it->second.watch);
  m_pathOfWatch.erase(it->second.watch);
  m_byPath.erase(it);
}

void FolderIndexes::Clear() {
  for (const auto& [path, index] : m_byPath) ::inotify_rm_watch(m_events, index.watch);
  m_byPath.clear();
  m_pathOfWatch.clear();
}

// Applies every event the kernel queued since the last look.
void FolderIndexes::Follow() {
  alignas(inotify_event) char buffer[16384];
  for (;;) {
    const ssize_t n = ::read(m_events, buffer, sizeof(buffer));
    if (n <= 0) return;  // EAGAIN: nothing more
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      if (event->mask & IN_Q_OVERFLOW) {
        Clear();  // events were lost: nothing known can be trusted
        continue;
      }
      auto watched = m_pathOfWatch.find(event->wd);
      if (watched == m_pathOfWatch.end()) continue;
      if (event->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT)) {
        Drop(std::string(watched->second));
        continue;
      }
      if (event->len == 0) continue;
      auto indexed = m_byPath.find(watched->second);
      if (indexed == m_byPath.end()) continue;
      FolderIndex& index = indexed->second;
      std::string name = event->name;  // NUL-padded by the kernel
      if (event->mask & (IN_CREATE | IN_MOVED_TO)) {
        index.Add(std::move(name));
      } else if (event->mask & (IN_DELETE | IN_MOVED_FROM)) {
        std::wstring folded = Fold(MultiByteToWide(CP_UTF8, name));
        if (index.doubled.count(folded))
          Drop(std::string(watched->second));
        else
          index.names.erase(folded);
      }
    }
  }
}

const FolderIndex* FolderIndexes::Of(const fs::path& dir) {
  if (!m_tried) {
    m_tried = true;
    m_events = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  }
  if (m_events < 0) return nullptr;
  Follow();
  struct stat info {};
  if (::stat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    Drop(dir.native());
    return nullptr;
  }
  if (auto it = m_byPath.find(dir.native()); it != m_byPath.end()) {
    // The same path may name another folder now (one above it renamed or remade).
    if (it->second.device == info.st_dev && it->second.inode == info.st_ino) return &it->second;
    Drop(dir.native());
  }
  if (m_byPath.size() >= kMaxIndexes) Clear();
  // Watched before listed: an entry made in between is both listed and told of.
  const int watch = ::inotify_add_watch(m_events, dir.c_str(),
                                        IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                            IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR);
  if (watch < 0) return nullptr;
  if (auto other = m_pathOfWatch.find(watch); other != m_pathOfWatch.end())
    Drop(std::string(other->second));  // the same folder by another path: one index a watch
  FolderIndex index;
  index.device = info.st_dev;
  index.inode = info.st_ino;
  index.watch = watch;
  if (!ForEachName(dir, [&](std::string_view entry) {
        index.Add(std::string(entry));
        return false;
      })) {
    ::inotify_rm_watch(m_events, watch);
    return nullptr;
  }
  m_pathOfWatch[watch] = dir.native();
  return &(m_byPath[dir.native()] = std::move(index));
}

// Whether the folder `dir` holds an entry whose name equals `name` without regard to case: its
// path if so. `listed` tells whether the folder could be listed at all.
std::optional<fs::path> ScanFor(const fs::path& dir, const std::wstring& name, bool& listed) {
  const std::wstring folded = Fold(name);
  if (const FolderIndex* index = S().indexes.Of(dir)) {
    listed = true;
    auto it = index->names.find(folded);
    if (it == index->names.end()) return std::nullopt;
    return dir / it->second;
  }
  // No index: the folder is listed.
  const std::string exact = WideToHostName(name).string();
  std::optional<fs::path> child;
  listed = ForEachName(dir, [&](std::string_view entry) {
    // Folding keeps the length of a name in UTF-8, so most names are passed over unread.
    if (entry.size() != exact.size()) return false;
    if (Fold(MultiByteToWide(CP_UTF8, std::string(entry))) != folded) return false;
    child = dir / entry;
    return true;
  });
  return child;
}

// The entry of the folder `dir` whose name equals `name` without regard to case.
std::optional<fs::path> FindChildOfFolder(const fs::path& dir, const std::wstring& name) {
  std::error_code ec;
  fs::path exact = dir / WideToHostName(name);
  if (fs::exists(fs::symlink_status(exact, ec))) return exact;
  bool listed = false;
  return ScanFor(dir, name, listed);
}

std::optional<fs::path> FindChild(const fs::path& dir, const std::wstring& name) {
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) return std::nullopt;
  return FindChildOfFolder(dir, name);
}

// A folder that cannot be listed counts as not empty: it is never removed unseen.
bool IsEmptyFolder(const fs::path& dir) {
  bool empty = true;
  return ForEachName(dir, [&](std::string_view) { return !(empty = false); }) && empty;
}

// Where a parsed path lives on the host. `exists` tells whether the last part was found;
// `parentExists` whether everything before it was.
struct Resolved {
  fs::path host;
  bool exists = false;
  bool parentExists = false;
  bool directory = false;  // when it exists
};

Resolved Resolve(const Parsed& parsed) {
  Resolved r;
  std::error_code ec;
  // Most paths are spelt as they are stored: one look at the whole path, or at its folder,
  // settles them without a look at every part.
  // Joined as text: a path appended to part by part would be taken apart again at each step.
  std::string joined = parsed.base.native();
  for (const std::wstring& part : parsed.parts) {
    joined += fs::path::preferred_separator;
    joined += WideToMultiByte(CP_UTF8, part);
  }
  fs::path exact(std::move(joined));
  fs::file_status status = fs::status(exact, ec);
  if (fs::exists(status)) {
    r.host = std::move(exact);
    r.exists = r.parentExists = true;
    r.directory = fs::is_directory(status);
    return r;
  }
  if (!parsed.parts.empty()) {
    // The exact name is missing: only another spelling of it in its folder can answer, and a
    // folder that cannot be listed is missing itself.
    bool listed = false;
    std::optional<fs::path> child = ScanFor(exact.parent_path(), parsed.parts.back(), listed);
    if (listed) {
      r.parentExists = true;
      r.exists = child.has_value();
      r.host = child ? std::move(*child) : std::move(exact);
      r.directory = r.exists && fs::is_directory(r.host, ec);
      return r;
    }
  }
  fs::path current = parsed.base;
  bool found = fs::is_directory(current, ec);
  r.parentExists = found;
  for (size_t i = 0; i < parsed.parts.size(); ++i) {
    r.parentExists = found;
    std::optional<fs::path> child;
    if (found) child = FindChildOfFolder(current, parsed.parts[i]);
    if (child) {
      current = *child;
      if (i + 1 < parsed.parts.size() && !fs::is_directory(current, ec)) found = false;
    } else {
      current /= WideToHostName(parsed.parts[i]);
      found = false;
    }
  }
  r.host = current;
  r.exists = found;
  r.directory = found && fs::is_directory(current, ec);
  return r;
}

// A part no Windows file or folder can carry.
bool InvalidPart(const std::wstring& part) {
  for (wchar_t c : part)
    if (c < 32 || std::wstring_view(L"<>:\"|?*").find(c) != std::wstring_view::npos) return true;
  std::wstring stem = Fold(part.substr(0, part.find(L'.')));
  while (!stem.empty() && stem.back() == L' ') stem.pop_back();
  if (stem == L"CON" || stem == L"PRN" || stem == L"AUX" || stem == L"NUL") return true;
  return stem.size() == 4 && (stem.rfind(L"COM", 0) == 0 || stem.rfind(L"LPT", 0) == 0) &&
         stem[3] >= L'1' && stem[3] <= L'9';
}

bool InvalidName(const Parsed& parsed) {
  for (const auto& part : parsed.parts)
    if (InvalidPart(part)) return true;
  return false;
}

std::optional<Resolved> ResolvePath(const char* path) {
  auto parsed = Parse(path);
  if (!parsed) return std::nullopt;
  return Resolve(*parsed);
}

FILETIME FromTicks(int64_t ticks) {
  auto u = static_cast<uint64_t>(ticks);
  return FILETIME{static_cast<uint32_t>(u & 0xFFFFFFFFu), static_cast<uint32_t>(u >> 32)};
}

int64_t ToTicks(const FILETIME& t) {
  return static_cast<int64_t>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}

FILETIME HostTime(const fs::path& path) {
  std::error_code ec;
  auto ft = fs::last_write_time(path, ec);
  if (ec) return FILETIME{};
  auto sys = std::chrono::file_clock::to_sys(ft);
  auto units = std::chrono::duration_cast<std::chrono::duration<int64_t, std::ratio<1, 10000000>>>(
      sys.time_since_epoch());
  return FromTicks(units.count() + kEpochDelta);
}

// Files written through the sandbox carry the virtual clock's time, never the real one.
void StampNow(const fs::path& path) {
  SYSTEMTIME now{};
  GetSystemTime(&now);
  FILETIME ft{};
  SystemTimeToFileTime(&now, &ft);
  std::chrono::sys_time<std::chrono::nanoseconds> sys{
      std::chrono::nanoseconds((ToTicks(ft) - kEpochDelta) * 100)};
  std::error_code ec;
  fs::last_write_time(path, std::chrono::file_clock::from_sys(sys), ec);
}

bool Fail(uint32_t error) {
  SetLastError(error);
  return false;
}

std::nullopt_t FailNothing(uint32_t error) {
  SetLastError(error);
  return std::nullopt;
}

// The Windows error a failed open or read of a host file stands for.
uint32_t ErrorOfHost(int error, uint32_t otherwise) {
  switch (error) {
    case ENOENT:  // a link to nothing too
    case ENOTDIR:
      return kFileNotFound;
    case EACCES:
    case EPERM:
      return kAccessDenied;
    case ELOOP:
      return ERROR_CANT_RESOLVE_FILENAME;
    case EMFILE:
    case ENFILE:
      return ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    default:
      return otherwise;
  }
}

// A file no one may read is refused to every reader, whoever runs the program: Windows
// refuses what a file's permissions deny to an administrator too.
bool NobodyMayRead(const fs::path& host) {
  struct stat info {};
  return ::stat(host.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         (info.st_mode & (S_IRUSR | S_IRGRP | S_IROTH)) == 0;
}

HANDLE FailHandle(uint32_t error) {
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

// Wildcards of a search pattern, compared on folded text.
bool Matches(std::wstring_view pattern, std::wstring_view name) {
  if (pattern == L"*" || pattern == L"*.*") return true;
  size_t p = 0, n = 0, starP = std::wstring_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == L'?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == L'*') {
      starP = p++;
      starN = n;
    } else if (starP != std::wstring_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == L'*') ++p;
  return p == pattern.size();
}

void FillFindData(const FindEntry& e, WIN32_FIND_DATAA* data) {
  *data = WIN32_FIND_DATAA{};
  data->dwFileAttributes = e.attributes;
  data->ftCreationTime = data->ftLastAccessTime = data->ftLastWriteTime = e.time;
  data->nFileSizeHigh = static_cast<uint32_t>(e.size >> 32);
  data->nFileSizeLow = static_cast<uint32_t>(e.size & 0xFFFFFFFFu);
  std::strncpy(data->cFileName, e.name.c_str(), MAX_PATH - 1);
}

FindEntry EntryOf(const fs::path& host, const std::string& ansiName) {
  std::error_code ec;
  bool dir = fs::is_directory(host, ec);
  uint64_t size = dir ? 0 : static_cast<uint64_t>(fs::file_size(host, ec));
  if (ec) size = 0;
  return FindEntry{ansiName, dir ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE,
                   HostTime(host), size};
}

bool IsOpen(const fs::path& host) {
  for (const auto& [h, f] : S().files)
    if (f.path == host) return true;
  for (const auto& [id, hold] : S().holds)
    if (hold.path == host) return true;
  return false;
}

// Whether another process's open of the file refuses this access or sharing.
bool SharingRefuses(const fs::path& host, uint32_t access, uint32_t share) {
  for (const auto& [id, h] : S().holds) {
    if (h.path != host) continue;
    if ((access & GENERIC_READ) && !(h.share & FILE_SHARE_READ)) return true;
    if ((access & GENERIC_WRITE) && !(h.share & FILE_SHARE_WRITE)) return true;
    if ((h.access & GENERIC_READ) && !(share & FILE_SHARE_READ)) return true;
    if ((h.access & GENERIC_WRITE) && !(share & FILE_SHARE_WRITE)) return true;
  }
  return false;
}

bool IsReadOnly(const fs::path& host) {
  const auto& list = S().readOnly;
  return std::find(list.begin(), list.end(), host) != list.end();
}

}  // namespace

HANDLE FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* data) {
  if (faults::FileCallFails()) return INVALID_HANDLE_VALUE;
  auto parsed = Parse(pattern);
  if (!parsed || parsed->parts.empty()) return FailHandle(ERROR_PATH_NOT_FOUND);
  std::wstring mask = Fold(parsed->parts.back());
  parsed->parts.pop_back();
  Resolved dir = Resolve(*parsed);
  std::error_code ec;
  if (!dir.exists || !dir.directory) return FailHandle(ERROR_PATH_NOT_FOUND);
  FindSearch search;
  if (!parsed->isDriveRoot()) {
    for (const char* dot : {".", ".."})
      if (Matches(mask, FromAnsi(dot))) search.entries.push_back(EntryOf(dir.host, dot));
  }
  std::vector<std::pair<std::wstring, FindEntry>> found;
  for (const auto& entry : fs::directory_iterator(dir.host, ec)) {
    std::wstring name = HostNameToWide(entry.path());
    if (Matches(mask, Fold(name)))
      found.emplace_back(Fold(name), EntryOf(entry.path(), ToAnsi(name)));
  }
  std::sort(found.begin(), found.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& f : found) search.entries.push_back(std::move(f.second));
  if (search.entries.empty()) return FailHandle(kFileNotFound);
  FillFindData(search.entries[0], data);
  search.next = 1;
  HANDLE h = NewHandle();
  S().searches[h] = std::move(search);
  return h;
}

bool FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data) {
  auto it = S().searches.find(find);
  if (it == S().searches.end()) return Fail(kInvalidHandle);
  if (it->second.next >= it->second.entries.size()) return Fail(ERROR_NO_MORE_FILES);
  FillFindData(it->second.entries[it->second.next++], data);
  return true;
}

bool FindClose(HANDLE find) {
  if (S().searches.erase(find) == 0) return Fail(kInvalidHandle);
  return true;
}

bool CreateDirectoryA(const char* path, const void*) {
  if (faults::FileCallFails()) return false;
  auto parsed = Parse(path);
  if (!parsed) return Fail(ERROR_PATH_NOT_FOUND);
  if (InvalidName(*parsed)) return Fail(ERROR_INVALID_NAME);
  Resolved r = Resolve(*parsed);
  if (parsed->isDriveRoot()) return Fail(r.exists ? ERROR_ALREADY_EXISTS : ERROR_PATH_NOT_FOUND);
  if (r.exists) return Fail(ERROR_ALREADY_EXISTS);
  if (!r.parentExists) return Fail(ERROR_PATH_NOT_FOUND);
  std::error_code ec;
  if (!fs::create_directory(r.host, ec)) return Fail(kAccessDenied);
  return true;
}

bool RemoveDirectoryA(const char* path) {
  if (faults::FileCallFails()) return false;
  auto r = ResolvePath(path);
  if (!r || !r->parentExists) return Fail(ERROR_PATH_NOT_FOUND);
  if (!r->exists) return Fail(kFileNotFound);
  std::error_code ec;
  if (!r->directory) return Fail(ERROR_DIRECTORY);
  if (!IsEmptyFolder(r->host)) return Fail(ERROR_DIR_NOT_EMPTY);
  if (!fs::remove(r->host, ec)) return Fail(kAccessDenied);
  return true;
}

bool DeleteFileA(const char* path) {
  if (faults::FileCallFails()) return false;
  auto r = ResolvePath(path);
  if (!r || !r->parentExists) return Fail(ERROR_PATH_NOT_FOUND);
  if (!r->exists) return Fail(kFileNotFound);
  std::error_code ec;
  if (r->directory) return Fail(kAccessDenied);
  if (IsReadOnly(r->host)) return Fail(kAccessDenied);
  for (const auto& [id, hold] : S().holds)
    if (hold.path == r->host && !(hold.share & FILE_SHARE_DELETE))
      return Fail(ERROR_SHARING_VIOLATION);
  if (IsOpen(r->host)) return Fail(ERROR_SHARING_VIOLATION);
  if (!fs::remove(r->host, ec)) return Fail(kAccessDenied);
  return true;
}

HANDLE CreateFileA(const char* path, uint32_t access, uint32_t share, const void*,
                   uint32_t disposition, uint32_t, HANDLE) {
  if (faults::FileCallFails()) return INVALID_HANDLE_VALUE;
  auto parsed = Parse(path);
  if (!parsed || parsed->isDriveRoot()) return FailHandle(ERROR_PATH_NOT_FOUND);
  if (InvalidName(*parsed)) return FailHandle(ERROR_INVALID_NAME);
  Resolved r = Resolve(*parsed);
  if (!r.parentExists) return FailHandle(ERROR_PATH_NOT_FOUND);
  std::error_code ec;
  if (r.exists && r.directory) return FailHandle(kAccessDenied);
  bool create = false, truncate = false;
  uint32_t successError = 0;
  switch (disposition) {
    case CREATE_NEW:
      if (r.exists) return FailHandle(ERROR_FILE_EXISTS);
      create = true;
      break;
    case CREATE_ALWAYS:
      if (r.exists) successError = ERROR_ALREADY_EXISTS;
      create = truncate = true;
      break;
    case OPEN_EXISTING:
      if (!r.exists) return FailHandle(kFileNotFound);
      break;
    case OPEN_ALWAYS:
      if (r.exists)
        successError = ERROR_ALREADY_EXISTS;
      else
        create = true;
      break;
    case TRUNCATE_EXISTING:
      if (!r.exists) return FailHandle(kFileNotFound);
      if (!(access & GENERIC_WRITE)) return FailHandle(ERROR_INVALID_PARAMETER);
      truncate = true;
      break;
    default:
      return FailHandle(ERROR_INVALID_PARAMETER);
  }
  if (r.exists && SharingRefuses(r.host, access, share)) return FailHandle(ERROR_SHARING_VIOLATION);
  if (r.exists && IsReadOnly(r.host) && ((access & GENERIC_WRITE) || truncate))
    return FailHandle(kAccessDenied);
  if (r.exists && (access & GENERIC_READ) && NobodyMayRead(r.host))
    return FailHandle(kAccessDenied);
  OpenFile file;
  file.path = r.host;
  file.canRead = (access & GENERIC_READ) != 0;
  file.canWrite = (access & GENERIC_WRITE) != 0;
  // One open makes or empties the file and serves the handle.
  int made = -1;
  if (create || truncate) {
    if (IsOpen(r.host)) return FailHandle(ERROR_SHARING_VIOLATION);
    made = ::open(r.host.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (made < 0) return FailHandle(kAccessDenied);
    StampNow(r.host);
  }
  if (file.canRead || file.canWrite) {
    if (made >= 0)
      file.stream.reset(::fdopen(made, file.canWrite ? "r+b" : "rb"));
    else
      file.stream.reset(std::fopen(r.host.c_str(), file.canWrite ? "r+b" : "rb"));
    if (!file.stream) {
      const int error = errno;
      if (made >= 0) ::close(made);
      return FailHandle(ErrorOfHost(error, kAccessDenied));
    }
    // ReadFile and WriteFile reach the disk at each call, as on Windows; a library buffer
    // would only copy every byte once more.
    std::setvbuf(file.stream.get(), nullptr, _IONBF, 0);
  } else if (made >= 0) {
    ::close(made);
  }
  HANDLE h = NewHandle();
  S().files[h] = std::move(file);
  SetLastError(successError);
  return h;
}

bool ReadFile(HANDLE file, void* buffer, uint32_t toRead, uint32_t* read, void*) {
  if (faults::FileCallFails()) return false;
  if (read) *read = 0;
  auto it = S().files.find(file);
  if (it == S().files.end()) return Fail(kInvalidHandle);
  if (!it->second.canRead) return Fail(kAccessDenied);
  if (S().failNextRead) {
    uint32_t error = *S().failNextRead;
    S().failNextRead.reset();
    return Fail(error);
  }
  size_t n = std::fread(buffer, 1, toRead, it->second.stream.get());
  if (read) *read = static_cast<uint32_t>(n);
  return true;
}

bool WriteFile(HANDLE file, const void* buffer, uint32_t toWrite, uint32_t* written, void*) {
  if (faults::FileCallFails()) return false;
  if (written) *written = 0;
  auto it = S().files.find(file);
  if (it == S().files.end()) return Fail(kInvalidHandle);
  if (!it->second.canWrite) return Fail(kAccessDenied);
  std::FILE* f = it->second.stream.get();
  // A stream switching from reading to writing needs a seek in between.
  std::fseek(f, 0, SEEK_CUR);
  size_t n = std::fwrite(buffer, 1, toWrite, f);
  std::fflush(f);
  it->second.written = true;
  StampNow(it->second.path);
  if (written) *written = static_cast<uint32_t>(n);
  return n == toWrite ? true : Fail(kAccessDenied);
}

uint32_t GetFileSize(HANDLE file, uint32_t* high) {
  auto it = S().files.find(file);
  if (it == S().files.end()) {
    Fail(kInvalidHandle);
    return INVALID_FILE_SIZE;
  }
  std::error_code ec;
  uint64_t size = fs::file_size(it->second.path, ec);
  if (ec) {
    Fail(kAccessDenied);
    return INVALID_FILE_SIZE;
  }
  if (high) *high = static_cast<uint32_t>(size >> 32);
  SetLastError(0);
  return static_cast<uint32_t>(size);
}

bool GetFileTime(HANDLE file, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) {
  auto it = S().files.find(file);
  if (it == S().files.end()) return Fail(kInvalidHandle);
  if (S().failNextFileTime) {
    uint32_t error = *S().failNextFileTime;
    S().failNextFileTime.reset();
    return Fail(error);
  }
  FILETIME t = HostTime(it->second.path);
  for (FILETIME* out : {creation, lastAccess, lastWrite})
    if (out) *out = t;
  return true;
}

bool CloseHandle(HANDLE handle) {
  auto it = S().files.find(handle);
  if (it == S().files.end()) return Fail(kInvalidHandle);
  bool written = it->second.written;
  fs::path path = it->second.path;
  S().files.erase(it);
  if (written) StampNow(path);
  return true;
}

bool FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local) {
  TIME_ZONE_INFORMATION zone;
  uint32_t answer = GetTimeZoneInformation(&zone);
  int64_t bias = 0;
  if (answer != TIME_ZONE_ID_INVALID) {
    bias = zone.Bias;
    if (answer == TIME_ZONE_ID_DAYLIGHT) bias += zone.DaylightBias;
    if (answer == TIME_ZONE_ID_STANDARD) bias += zone.StandardBias;
  }
  *local = FromTicks(ToTicks(*utc) - bias * 60 * 10000000LL);
  return true;
}

bool FileTimeToSystemTime(const FILETIME* time, SYSTEMTIME* out) {
  int64_t ticks = ToTicks(*time);
  if (ticks < 0) return Fail(ERROR_INVALID_PARAMETER);
  int64_t ms = ticks / 10000;
  int64_t days = ms / 86400000, rest = ms % 86400000;
  // Civil date from days since 1601-01-01 (a Monday), shifted to 1970 for the algorithm.
  int64_t z = days - 134774 + 719468;
  const int64_t era = z / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned m = mp + (mp < 10 ? 3 : -9);
  out->wYear = static_cast<uint16_t>(static_cast<int64_t>(yoe) + era * 400 + (m <= 2));
  out->wMonth = static_cast<uint16_t>(m);
  out->wDay = static_cast<uint16_t>(doy - (153 * mp + 2) / 5 + 1);
  out->wDayOfWeek = static_cast<uint16_t>((days + 1) % 7);
  out->wHour = static_cast<uint16_t>(rest / 3600000);
  out->wMinute = static_cast<uint16_t>(rest / 60000 % 60);
  out->wSecond = static_cast<uint16_t>(rest / 1000 % 60);
  out->wMilliseconds = static_cast<uint16_t>(rest % 1000);
  return true;
}

bool SystemTimeToFileTime(const SYSTEMTIME* time, FILETIME* out) {
  const SYSTEMTIME& t = *time;
  if (t.wMonth < 1 || t.wMonth > 12 || t.wDay < 1 || t.wDay > 31 || t.wYear < 1601 ||
      t.wHour > 23 || t.wMinute > 59 || t.wSecond > 59 || t.wMilliseconds > 999)
    return Fail(ERROR_INVALID_PARAMETER);
  int64_t y = t.wYear - (t.wMonth <= 2);
  const int64_t era = y / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (t.wMonth + (t.wMonth > 2 ? -3 : 9)) + 2) / 5 + t.wDay - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  int64_t days = era * 146097 + doe - 719468 + 134774;
  int64_t ms = days * 86400000 + t.wHour * 3600000LL + t.wMinute * 60000LL + t.wSecond * 1000LL +
               t.wMilliseconds;
  *out = FromTicks(ms * 10000);
  return true;
}

uint32_t GetFileAttributesA(const char* path) {
  auto parsed = Parse(path);
  if (!parsed) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
  }
  Resolved r = Resolve(*parsed);
  if (!r.exists) {
    SetLastError(r.parentExists ? kFileNotFound : ERROR_PATH_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
  }
  if (r.directory) return FILE_ATTRIBUTE_DIRECTORY;
  return FILE_ATTRIBUTE_ARCHIVE | (IsReadOnly(r.host) ? FILE_ATTRIBUTE_READONLY : 0);
}

bool SetFileAttributesA(const char* path, uint32_t attributes) {
  if (faults::FileCallFails()) return false;
  auto r = ResolvePath(path);
  if (!r || !r->parentExists) return Fail(ERROR_PATH_NOT_FOUND);
  if (!r->exists) return Fail(kFileNotFound);
  auto& list = S().readOnly;
  list.erase(std::remove(list.begin(), list.end(), r->host), list.end());
  if ((attributes & FILE_ATTRIBUTE_READONLY) && !r->directory) list.push_back(r->host);
  return true;
}

uint32_t GetLongPathNameA(const char* shortPath, char* longPath, uint32_t size) {
  auto parsed = Parse(shortPath);
  if (!parsed) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return 0;
  }
  std::string text = shortPath;
  std::string out;
  if (text.size() >= 2 && text[1] == ':')
    out = text.substr(0, 2);
  else
    out = "\\\\";
  fs::path current = parsed->base;
  for (size_t i = 0; i < parsed->parts.size(); ++i) {
    auto child = FindChild(current, parsed->parts[i]);
    if (!child) {
      SetLastError(i + 1 == parsed->parts.size() ? kFileNotFound : ERROR_PATH_NOT_FOUND);
      return 0;
    }
    current = *child;
    if (!(i == 0 && out == "\\\\")) out += "\\";
    out += ToAnsi(HostNameToWide(current));
  }
  if (parsed->parts.empty() || text.back() == '\\' || text.back() == '/') out += "\\";
  if (longPath == nullptr || size < out.size() + 1) return static_cast<uint32_t>(out.size() + 1);
  std::memcpy(longPath, out.c_str(), out.size() + 1);
  return static_cast<uint32_t>(out.size());
}

uint32_t GetTempPathA(uint32_t size, char* buffer) {
  char value[MAX_PATH + 1] = {};
  uint32_t n = GetEnvironmentVariableA("TMP", value, sizeof(value));
  if (n == 0 || n > MAX_PATH) n = GetEnvironmentVariableA("TEMP", value, sizeof(value));
  if (n == 0 || n > MAX_PATH) return 0;
  std::string path(value, n);
  if (path.back() != '\\') path += '\\';
  if (buffer == nullptr || size < path.size() + 1) return static_cast<uint32_t>(path.size() + 1);
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  return static_cast<uint32_t>(path.size());
}

namespace files {

void SetRoot(const fs::path& root) {
  S().root = root;
  S().indexes.Clear();
  if (root.empty()) return;
  std::error_code ec;
  fs::create_directories(root / "C" / "Temp", ec);
}

const fs::path& Root() {
  return S().root;
}

std::optional<fs::path> HostPath(const std::string& path) {
  auto r = ResolvePath(path.c_str());
  if (!r) return std::nullopt;
  return r->host;
}

bool WriteAll(const std::string& path, std::string_view bytes) {
  auto parsed = Parse(path.c_str());
  if (!parsed || parsed->isDriveRoot()) return false;
  Resolved target = Resolve(*parsed);
  if (!target.parentExists) {
    // Create the missing folders level by level so that existing ones keep their case.
    Parsed prefix{parsed->base, {}};
    for (size_t i = 0; i + 1 < parsed->parts.size(); ++i) {
      prefix.parts.push_back(parsed->parts[i]);
      Resolved r = Resolve(prefix);
      std::error_code ec;
      if (!r.exists) fs::create_directory(r.host, ec);
    }
    target = Resolve(*parsed);
  }
  {
    std::ofstream out(target.host, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) return false;
  }
  StampNow(target.host);
  return true;
}

namespace {
// One sized read: the file is read whole, not a byte at a time. A file that cannot be opened
// or read to its end is no file read, never an empty or a shortened one: nothing, with the
// error the open or the read gave.
template <class Bytes>
std::optional<Bytes> ReadOpened(const int file) {
  if (file < 0) return FailNothing(ErrorOfHost(errno, kAccessDenied));
  struct stat info {};
  if (::fstat(file, &info) != 0) {
    const int error = errno;
    ::close(file);
    return FailNothing(ErrorOfHost(error, ERROR_READ_FAULT));
  }
  Bytes bytes(static_cast<size_t>(info.st_size), 0);
  size_t done = 0;
  uint32_t failed = 0;
  while (done < bytes.size()) {
    size_t want = bytes.size() - done;
    auto& part = S().failReadPart;
    if (part) {
      if (done >= part->first) {
        failed = part->second;
        part.reset();
        break;
      }
      want = std::min<size_t>(want, part->first - done);
    }
    const ssize_t n = ::read(file, bytes.data() + done, want);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      failed = ErrorOfHost(errno, ERROR_READ_FAULT);
      break;
    }
    if (n == 0) break;  // cut shorter meanwhile: what is there now is the file
    done += static_cast<size_t>(n);
  }
  ::close(file);
  if (failed) return FailNothing(failed);
  bytes.resize(done);
  SetLastError(0);
  return bytes;
}

template <class Bytes>
std::optional<Bytes> ReadWhole(const std::string& path) {
  auto r = ResolvePath(path.c_str());
  if (!r || !r->parentExists) return FailNothing(ERROR_PATH_NOT_FOUND);
  if (!r->exists) return FailNothing(kFileNotFound);
  if (r->directory || NobodyMayRead(r->host)) return FailNothing(kAccessDenied);
  return ReadOpened<Bytes>(::open(r->host.c_str(), O_RDONLY | O_CLOEXEC));
}
}  // namespace

std::optional<std::string> ReadHostFile(const std::filesystem::path& host) {
  return ReadOpened<std::string>(::open(host.c_str(), O_RDONLY | O_CLOEXEC));
}

std::optional<std::string> ReadAll(const std::string& path) {
  return ReadWhole<std::string>(path);
}

std::optional<std::vector<uint8_t>> ReadAllBytes(const std::string& path) {
  return ReadWhole<std::vector<uint8_t>>(path);
}

uint32_t HoldOpen(const std::string& path, uint32_t access, uint32_t share) {
  auto r = ResolvePath(path.c_str());
  if (!r || !r->exists) return 0;
  uint32_t id = S().nextHold++;
  S().holds[id] = Hold{r->host, access, share};
  return id;
}

void ReleaseHold(uint32_t hold) {
  S().holds.erase(hold);
}

void FailNextRead(uint32_t error) {
  S().failNextRead = error;
}

void FailReadPart(uint64_t offset, uint32_t error) {
  S().failReadPart = std::make_pair(offset, error);
}

void FailNextFileTime(uint32_t error) {
  S().failNextFileTime = error;
}

size_t OpenHandleCount() {
  return S().files.size() + S().searches.size();
}

namespace {
// A sandbox holds a lock on its own folder while it lives; only folders of this name have one.
constexpr const char* kLockedPrefix = "tanvelo-sandbox-locked-";
}  // namespace

std::vector<std::string> ClearAbandonedSandboxes(const fs::path& parent) {
  std::vector<std::string> removed;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(parent, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(kLockedPrefix, 0) != 0) continue;
    const int owner = ::open(entry.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    if (owner < 0) continue;
    // Free only once its process is gone; held while it is removed, so no one else acts on it.
    std::error_code gone;
    if (::flock(owner, LOCK_EX | LOCK_NB) == 0 && fs::remove_all(entry.path(), gone) > 0 && !gone)
      removed.push_back(name);
    ::close(owner);
  }
  std::sort(removed.begin(), removed.end());
  return removed;
}

TempSandbox::TempSandbox() : TempSandbox(fs::temp_directory_path()) {}

TempSandbox::TempSandbox(const fs::path& parent) {
  // A program's start clears what programs that ended before it left.
  static std::set<fs::path> cleared;
  if (cleared.insert(parent).second) ClearAbandonedSandboxes(parent);
  std::random_device rd;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string id = std::to_string(rd()) + "-" + std::to_string(rd());
    // Locked before it takes its name, so that no one ever finds it free while it lives.
    fs::path making = parent / (".tanvelo-sandbox-making-" + id);
    fs::path candidate = parent / (kLockedPrefix + id);
    std::error_code ec;
    if (!fs::create_directory(making, ec)) continue;
    int owner = ::open(making.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (owner < 0 || ::flock(owner, LOCK_EX) != 0 || fs::exists(candidate, ec) ||
        ::rename(making.c_str(), candidate.c_str()) != 0) {
      if (owner >= 0) ::close(owner);
      fs::remove(making, ec);
      continue;
    }
    m_path = candidate;
    m_owner = owner;
    break;
  }
  SetRoot(m_path);
}

TempSandbox::~TempSandbox() {
  if (S().root == m_path) {
    S().files.clear();
    S().holds.clear();
    S().readOnly.clear();
    S().indexes.Clear();
    S().root.clear();
  }
  std::error_code ec;
  if (!m_path.empty()) fs::remove_all(m_path, ec);
  if (m_owner >= 0) ::close(m_owner);
}

}  // namespace files
}  // namespace win32
