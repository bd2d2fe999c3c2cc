// The Microsoft Scripting Runtime's FileSystemObject, as far as the import and export of
// templates use it: folders and files that exist, a folder's subfolders and files, creating
// and deleting (forced: read-only files too), the temporary folder and temporary names, and
// ANSI text files. It works through the "A" file calls of platform/win32, so paths are Windows
// paths in the sandbox and texts pass the ANSI code page. Errors are the runtime's: 53 file
// not found, 58 file already exists, 70 permission denied, 76 path not found.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace scripting {

inline constexpr int32_t WindowsFolder = 0, SystemFolder = 1, TemporaryFolder = 2;
inline constexpr int32_t ForReading = 1, ForWriting = 2, ForAppending = 8;

inline constexpr int32_t kErrFileNotFound = 53;
inline constexpr int32_t kErrFileExists = 58;
inline constexpr int32_t kErrPermissionDenied = 70;
inline constexpr int32_t kErrPathNotFound = 76;

class Folders;

class File {
 public:
  explicit File(std::wstring path) : path_(std::move(path)) {}
  const std::wstring& Path() const { return path_; }
  std::wstring Name() const;

 private:
  std::wstring path_;
};

class Folder {
 public:
  explicit Folder(std::wstring path) : path_(std::move(path)) {}
  // The path as the file system spells it.
  const std::wstring& Path() const { return path_; }
  std::wstring Name() const;
  std::shared_ptr<Folders> SubFolders() const;
  // In the order the file system lists them.
  std::vector<std::shared_ptr<File>> Files() const;

 private:
  std::wstring path_;
};

class Folders {
 public:
  explicit Folders(std::wstring parent) : parent_(std::move(parent)) {}
  int32_t Count() const { return static_cast<int32_t>(All().size()); }
  // The subfolder of that name, found without regard to case; raises 76 when missing.
  std::shared_ptr<Folder> Item(const std::wstring& name) const;
  // Raises 58 when the name exists.
  std::shared_ptr<Folder> Add(const std::wstring& name) const;
  std::vector<std::shared_ptr<Folder>> All() const;

 private:
  std::wstring parent_;
};

class TextStream {
 public:
  TextStream(uint32_t handle, bool unicode, bool forReading);
  ~TextStream();
  TextStream(const TextStream&) = delete;
  TextStream& operator=(const TextStream&) = delete;
  void Write(const std::wstring& text);
  void WriteLine(const std::wstring& text) { Write(text + L"\r\n"); }
  // The rest of the file; raises 62 at its end.
  std::wstring ReadAll();
  void Close();

 private:
  uint32_t handle_;
  bool unicode_, forReading_;
  bool atEnd_ = false;
};

class FileSystemObject {
 public:
  bool FolderExists(const std::wstring& path) const;
  bool FileExists(const std::wstring& path) const;
  std::shared_ptr<Folder> GetFolder(const std::wstring& path) const;
  std::shared_ptr<File> GetFile(const std::wstring& path) const;
  // Raises 58 when it exists, 76 when its parent is missing.
  std::shared_ptr<Folder> CreateFolder(const std::wstring& path) const;
  // The folder with everything in it; without `force` a read-only file stops it with 70.
  void DeleteFolder(const std::wstring& path, bool force = false) const;
  void DeleteFile(const std::wstring& path, bool force = false) const;
  std::shared_ptr<Folder> GetSpecialFolder(int32_t which) const;
  // "rad" and five hexadecimal digits drawn from the runtime's random source, then ".tmp".
  std::wstring GetTempName() const;
  // Raises 58 when the file exists and `overwrite` is false; `unicode` writes UTF-16 with
  // its byte-order mark, else ANSI.
  std::shared_ptr<TextStream> CreateTextFile(const std::wstring& path, bool overwrite = true,
                                             bool unicode = false) const;
  // ANSI unless the file starts with the UTF-16 byte-order mark.
  std::shared_ptr<TextStream> OpenTextFile(const std::wstring& path,
                                           int32_t ioMode = ForReading) const;
  // The last part of the path ("" for a path ending in a separator).
  std::wstring GetFileName(const std::wstring& path) const;
  std::wstring GetParentFolderName(const std::wstring& path) const;
  // The path and the name with one "\" between them.
  std::wstring BuildPath(const std::wstring& path, const std::wstring& name) const;
};

}  // namespace scripting
