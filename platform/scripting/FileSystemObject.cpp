#include "platform/scripting/FileSystemObject.h"

#include <cstring>

#include "platform/vb/Error.h"
#include "platform/vb/Faults.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"

namespace scripting {

namespace {

std::string A(const std::wstring& path) {
  return win32::ToAnsi(path);
}

bool IsSep(wchar_t c) {
  return c == L'\\' || c == L'/';
}

std::wstring StripSep(std::wstring path) {
  while (path.size() > 3 && IsSep(path.back())) path.pop_back();
  return path;
}

std::wstring Join(const std::wstring& path, const std::wstring& name) {
  if (path.empty()) return name;
  if (IsSep(path.back())) return path + name;
  return path + L"\\" + name;
}

uint32_t Attributes(const std::wstring& path) {
  return win32::GetFileAttributesA(A(path).c_str());
}

bool IsDir(uint32_t attributes) {
  return attributes != win32::INVALID_FILE_ATTRIBUTES &&
         (attributes & win32::FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFile(uint32_t attributes) {
  return attributes != win32::INVALID_FILE_ATTRIBUTES &&
         !(attributes & win32::FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring LongForm(const std::wstring& path) {
  char buffer[1024] = {};
  uint32_t n = win32::GetLongPathNameA(A(path).c_str(), buffer, sizeof(buffer));
  std::wstring out = (n == 0 || n >= sizeof(buffer)) ? path : win32::FromAnsi(buffer);
  if (out.size() >= 2 && out[1] == L':') out[0] = vb::UpperChar(out[0]);
  return StripSep(out);
}

// Entry names of a folder, directories or files, in listing order.
std::vector<std::wstring> List(const std::wstring& folder, bool directories) {
  std::vector<std::wstring> names;
  win32::WIN32_FIND_DATAA data;
  win32::HANDLE find = win32::FindFirstFileA(A(Join(folder, L"*")).c_str(), &data);
  if (find == win32::INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    bool dir = (data.dwFileAttributes & win32::FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (dir == directories) names.push_back(win32::FromAnsi(name));
  } while (win32::FindNextFileA(find, &data));
  win32::FindClose(find);
  return names;
}

std::wstring LastPart(const std::wstring& path) {
  std::wstring p = path;
  size_t cut = p.find_last_of(L"\\/");
  return cut == std::wstring::npos ? p : p.substr(cut + 1);
}

void RaisePathNotFound() {
  vb::Raise(kErrPathNotFound, L"Path not found");
}

}  // namespace

std::wstring File::Name() const {
  return LastPart(path_);
}

std::wstring Folder::Name() const {
  return LastPart(StripSep(path_));
}

std::shared_ptr<Folders> Folder::SubFolders() const {
  return std::make_shared<Folders>(path_);
}

std::vector<std::shared_ptr<File>> Folder::Files() const {
  std::vector<std::shared_ptr<File>> out;
  for (const auto& name : List(path_, false))
    out.push_back(std::make_shared<File>(Join(path_, name)));
  return out;
}

std::shared_ptr<Folder> Folders::Item(const std::wstring& name) const {
  std::wstring path = Join(parent_, name);
  if (name.empty() || name.find_first_of(L"\\/") != std::wstring::npos || !IsDir(Attributes(path)))
    RaisePathNotFound();
  return std::make_shared<Folder>(LongForm(path));
}

std::shared_ptr<Folder> Folders::Add(const std::wstring& name) const {
  return FileSystemObject().CreateFolder(Join(parent_, name));
}

std::vector<std::shared_ptr<Folder>> Folders::All() const {
  std::vector<std::shared_ptr<Folder>> out;
  for (const auto& name : List(parent_, true))
    out.push_back(std::make_shared<Folder>(Join(parent_, name)));
  return out;
}

TextStream::TextStream(uint32_t handle, bool unicode, bool forReading)
    : handle_(handle), unicode_(unicode), forReading_(forReading) {}

TextStream::~TextStream() {
  Close();
}

void TextStream::Write(const std::wstring& text) {
  TV_FAULT_POINT(Files);
  if (handle_ == win32::INVALID_HANDLE_VALUE || forReading_) vb::Raise(54, L"Bad file mode");
  std::string bytes;
  if (unicode_) {
    for (wchar_t c : text) {
      auto unit = static_cast<uint32_t>(c);
      bytes += static_cast<char>(unit & 0xFF);
      bytes += static_cast<char>((unit >> 8) & 0xFF);
    }
  } else {
    bytes = win32::ToAnsi(text);
  }
  uint32_t written = 0;
  if (!win32::WriteFile(handle_, bytes.data(), static_cast<uint32_t>(bytes.size()), &written,
                        nullptr))
    vb::Raise(kErrPermissionDenied, L"Permission denied");
}

std::wstring TextStream::ReadAll() {
  TV_FAULT_POINT(Files);
  if (handle_ == win32::INVALID_HANDLE_VALUE || !forReading_) vb::Raise(54, L"Bad file mode");
  std::string bytes;
  char buffer[4096];
  uint32_t read = 0;
  do {
    if (!win32::ReadFile(handle_, buffer, sizeof(buffer), &read, nullptr))
      vb::Raise(57, L"Device I/O error");
    bytes.append(buffer, read);
  } while (read > 0);
  if (bytes.empty() || atEnd_) vb::Raise(62, L"Input past end of file");
  atEnd_ = true;
  if (bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == 0xFF &&
      static_cast<uint8_t>(bytes[1]) == 0xFE) {
    std::wstring text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      text += static_cast<wchar_t>(static_cast<uint8_t>(bytes[i]) |
                                   (static_cast<uint8_t>(bytes[i + 1]) << 8));
    return text;
  }
  return win32::FromAnsi(bytes);
}

void TextStream::Close() {
  if (handle_ != win32::INVALID_HANDLE_VALUE) win32::CloseHandle(handle_);
  handle_ = win32::INVALID_HANDLE_VALUE;
}

bool FileSystemObject::FolderExists(const std::wstring& path) const {
  return !path.empty() && IsDir(Attributes(path));
}

bool FileSystemObject::FileExists(const std::wstring& path) const {
  return !path.empty() && IsFile(Attributes(path));
}

std::shared_ptr<Folder> FileSystemObject::GetFolder(const std::wstring& path) const {
  TV_FAULT_POINT(Files);
  if (!FolderExists(path)) RaisePathNotFound();
  return std::make_shared<Folder>(LongForm(path));
}

std::shared_ptr<File> FileSystemObject::GetFile(const std::wstring& path) const {
  if (!FileExists(path)) vb::Raise(kErrFileNotFound, L"File not found");
  return std::make_shared<File>(LongForm(path));
}

std::shared_ptr<Folder> FileSystemObject::CreateFolder(const std::wstring& path) const {
  TV_FAULT_POINT(Files);
  if (Attributes(path) != win32::INVALID_FILE_ATTRIBUTES)
    vb::Raise(kErrFileExists, L"File already exists");
  if (!win32::CreateDirectoryA(A(path).c_str(), nullptr)) {
    if (win32::GetLastError() == win32::ERROR_ALREADY_EXISTS)
      vb::Raise(kErrFileExists, L"File already exists");
    RaisePathNotFound();
  }
  return std::make_shared<Folder>(LongForm(path));
}

void FileSystemObject::DeleteFolder(const std::wstring& path, bool force) const {
  TV_FAULT_POINT(Files);
  if (!FolderExists(path)) RaisePathNotFound();
  for (const auto& name : List(path, true)) DeleteFolder(Join(path, name), force);
  for (const auto& name : List(path, false)) DeleteFile(Join(path, name), force);
  if (!win32::RemoveDirectoryA(A(path).c_str()))
    vb::Raise(kErrPermissionDenied, L"Permission denied");
}

void FileSystemObject::DeleteFile(const std::wstring& path, bool force) const {
  TV_FAULT_POINT(Files);
  uint32_t attributes = Attributes(path);
  if (!IsFile(attributes)) vb::Raise(kErrFileNotFound, L"File not found");
  if (attributes & win32::FILE_ATTRIBUTE_READONLY) {
    if (!force) vb::Raise(kErrPermissionDenied, L"Permission denied");
    win32::SetFileAttributesA(A(path).c_str(), win32::FILE_ATTRIBUTE_NORMAL);
  }
  if (!win32::DeleteFileA(A(path).c_str())) vb::Raise(kErrPermissionDenied, L"Permission denied");
}

std::shared_ptr<Folder> FileSystemObject::GetSpecialFolder(int32_t which) const {
  if (which != TemporaryFolder) vb::Raise(vb::kInvalidProcedureCall);
  char buffer[win32::MAX_PATH + 1] = {};
  uint32_t n = win32::GetTempPathA(sizeof(buffer), buffer);
  if (n == 0 || n > win32::MAX_PATH) RaisePathNotFound();
  return GetFolder(win32::FromAnsi(buffer));
}

std::wstring FileSystemObject::GetTempName() const {
  static const wchar_t kHex[] = L"0123456789ABCDEF";
  std::wstring name = L"rad";
  for (int i = 0; i < 5; ++i) name += kHex[static_cast<int>(vb::Rnd() * 16) & 15];
  return name + L".tmp";
}

std::shared_ptr<TextStream> FileSystemObject::CreateTextFile(const std::wstring& path,
                                                             bool overwrite, bool unicode) const {
  TV_FAULT_POINT(Files);
  uint32_t attributes = Attributes(path);
  if (IsDir(attributes) || (!overwrite && attributes != win32::INVALID_FILE_ATTRIBUTES))
    vb::Raise(kErrFileExists, L"File already exists");
  win32::HANDLE h = win32::CreateFileA(A(path).c_str(), win32::GENERIC_WRITE, 0, nullptr,
                                       win32::CREATE_ALWAYS, win32::FILE_ATTRIBUTE_NORMAL, 0);
  if (h == win32::INVALID_HANDLE_VALUE) {
    if (win32::GetLastError() == win32::ERROR_PATH_NOT_FOUND) RaisePathNotFound();
    vb::Raise(kErrPermissionDenied, L"Permission denied");
  }
  auto stream = std::make_shared<TextStream>(h, unicode, false);
  if (unicode) {
    const char bom[2] = {static_cast<char>(0xFF), static_cast<char>(0xFE)};
    uint32_t written = 0;
    win32::WriteFile(h, bom, 2, &written, nullptr);
  }
  return stream;
}

std::shared_ptr<TextStream> FileSystemObject::OpenTextFile(const std::wstring& path,
                                                           int32_t ioMode) const {
  TV_FAULT_POINT(Files);
  if (ioMode != ForReading) vb::Raise(vb::kInvalidProcedureCall);
  if (!FileExists(path)) vb::Raise(kErrFileNotFound, L"File not found");
  win32::HANDLE h =
      win32::CreateFileA(A(path).c_str(), win32::GENERIC_READ, win32::FILE_SHARE_READ, nullptr,
                         win32::OPEN_EXISTING, win32::FILE_ATTRIBUTE_NORMAL, 0);
  if (h == win32::INVALID_HANDLE_VALUE) vb::Raise(kErrPermissionDenied, L"Permission denied");
  return std::make_shared<TextStream>(h, false, true);
}

std::wstring FileSystemObject::GetFileName(const std::wstring& path) const {
  return LastPart(path);
}

std::wstring FileSystemObject::GetParentFolderName(const std::wstring& path) const {
  std::wstring p = StripSep(path);
  size_t cut = p.find_last_of(L"\\/");
  if (cut == std::wstring::npos) return L"";
  std::wstring parent = p.substr(0, cut);
  if (parent.size() == 2 && parent[1] == L':') parent += L'\\';
  return parent;
}

std::wstring FileSystemObject::BuildPath(const std::wstring& path, const std::wstring& name) const {
  return Join(path, name);
}

}  // namespace scripting
