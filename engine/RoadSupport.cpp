#include "engine/RoadSupport.h"

#include <algorithm>
#include <cwchar>

#include "engine/mTanvelo.h"
#include "platform/vb/Environ.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"
#include "platform/win32/Reset.h"

namespace mTanvelo {
namespace {
bool g_bActionRunning = false;
}  // namespace

// Platform state, so that every reset starts again from the library's defaults and no
// dialog.
RoadServices& Services() {
  return win32::PlatformState<RoadServices>();
}

bool IsTemplateActionRunning() {
  return g_bActionRunning;
}

namespace road {

std::shared_ptr<outlook::NameSpace> Session() {
  return Need(Need(g_oApp)->Session());
}

FolderPtr TemplatesRoot() {
  return Need(g_oTemplatesFolder);
}

FolderPtr DraftsFolder() {
  // Without the program's drafts folder (it could not be found or made at the start) a made
  // mail goes to Outlook's own Drafts, as it would had the folder been missing then; never
  // left half made where it was saved.
  if (!g_oDraftsFolder) return Need(Session()->GetDefaultFolder(outlook::olFolderDrafts));
  return g_oDraftsFolder;
}

std::wstring StoreIDOf(const ItemPtr& item) {
  return Need(Need(item)->Parent())->StoreID();
}

int32_t Say(const wchar_t* id, int32_t style) {
  return vb::MsgBox(LangText(id), style);
}

void ShowWait() {
  if (Services().ShowWait) vb::Ignore([] { Services().ShowWait(); });
  vb::Err().Clear();
}

void HideWait() {
  if (Services().HideWait) vb::Ignore([] { Services().HideWait(); });
  vb::Err().Clear();
}

void CloseWait() {
  if (Services().CloseWait) vb::Ignore([] { Services().CloseWait(); });
  vb::Err().Clear();
}

size_t FindNoCase(const std::wstring& text, std::wstring_view what, size_t from) {
  if (what.empty()) return from <= text.size() ? from : std::wstring::npos;
  auto lower = [](wchar_t c) { return (c >= L'A' && c <= L'Z') ? wchar_t(c + 32) : c; };
  auto hasCase = [](wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); };
  // Characters every tag or sentence holds: a poor choice for the fast search below.
  auto common = [](wchar_t c) { return c == L'<' || c == L'>' || c == L' ' || c == L'='; };
  const size_t m = what.size(), n = text.size();
  if (from > n || n - from < m) return std::wstring::npos;
  // A character without case ("/" of a closing tag) is found by the library's fast search, and
  // only around it is the rest compared.
  size_t anchor = std::wstring::npos;
  for (size_t j = 0; j < m; ++j) {
    if (hasCase(what[j])) continue;
    if (anchor == std::wstring::npos || (common(what[anchor]) && !common(what[j]))) anchor = j;
  }
  auto matchesAt = [&](size_t at) {
    size_t k = 0;
    while (k < m && lower(text[at + k]) == lower(what[k])) ++k;
    return k == m;
  };
  if (anchor == std::wstring::npos) {
    for (size_t at = from; at + m <= n; ++at)
      if (matchesAt(at)) return at;
    return std::wstring::npos;
  }
  const wchar_t* t = text.data();
  // The anchor of the last place where the whole of `what` still fits.
  const size_t lastAnchor = n - m + anchor;
  for (size_t at = from + anchor; at <= lastAnchor; ++at) {
    const wchar_t* next = std::wmemchr(t + at, what[anchor], lastAnchor - at + 1);
    if (!next) break;
    at = static_cast<size_t>(next - t);
    if (matchesAt(at - anchor)) return at - anchor;
  }
  return std::wstring::npos;
}

std::wstring ReplaceNoCase(std::wstring text, const std::wstring& from, const std::wstring& to) {
  if (from.empty()) return text;
  size_t at = FindNoCase(text, from);
  if (at == std::wstring::npos) return text;
  // Built once from left to right; the search goes on after each replaced occurrence.
  std::wstring out;
  out.reserve(text.size());
  size_t done = 0;
  for (; at != std::wstring::npos; at = FindNoCase(text, from, at + from.size())) {
    out.append(text, done, at - done);
    out += to;
    done = at + from.size();
  }
  out.append(text, done, std::wstring::npos);
  return out;
}

ActionGuard::ActionGuard(std::wstring_view procedure) {
  if (g_bActionRunning) {
    LogWarning(procedure, L"another template action is still running; this one is refused");
    return;
  }
  g_bActionRunning = owns_ = true;
}

ActionGuard::~ActionGuard() {
  if (owns_) g_bActionRunning = false;
}

namespace {
constexpr size_t kMaxPath = 259;  // MAX_PATH without its terminator
}  // namespace

std::wstring TempPath() {
  std::wstring path = g_sTempPath.empty() ? vb::Environ(L"TEMP") : g_sTempPath;
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

std::wstring TempFolder::FileFor(const std::wstring& name, const std::wstring& fallback) {
  win32::CreateDirectoryA(win32::ToAnsi(path_).c_str(), nullptr);
  // The whole path stays below the 260 characters the file calls take.
  size_t room = path_.size() + 1 < kMaxPath ? kMaxPath - path_.size() - 1 : 1;
  current_ = path_ + L"\\" + SafeFileName(name, fallback, room);
  DeleteFile();
  return current_;
}

namespace {

constexpr const wchar_t* kDeleteFile = L"mTanvelo::TempFolder::DeleteFile";

// A file or folder another program holds a moment (refused, or shared) is asked again, so
// nothing stays in TEMP; one that is gone, or a folder not empty, is not. False when it was
// still refused after every try; then logged when `log` says so.
bool RemoveHeld(const wchar_t* proc, const std::string& path, bool (*remove)(const char*),
                bool log = true) {
  for (int tries = 1; tries <= kHeldTries; ++tries) {
    if (remove(path.c_str())) return true;
    const uint32_t error = win32::GetLastError();
    if (error != static_cast<uint32_t>(win32::ERROR_ACCESS_DENIED) &&
        error != win32::ERROR_SHARING_VIOLATION)
      return true;
  }
  if (log) LogError(proc, 0, L"still refused: " + win32::FromAnsi(path));
  return false;
}

}  // namespace

void TempFolder::DeleteFile() {
  if (current_.empty()) return;
  // Still refused, the file is asked for again as the folder goes: a burst of refusals at one
  // moment must not leave it below TEMP.
  if (!RemoveHeld(kDeleteFile, win32::ToAnsi(current_), win32::DeleteFileA, false) &&
      std::find(refused_.begin(), refused_.end(), current_) == refused_.end())
    refused_.push_back(current_);
}

void TempFolder::DeleteRefused() {
  std::erase_if(refused_, [](const std::wstring& file) {
    return RemoveHeld(kDeleteFile, win32::ToAnsi(file), win32::DeleteFileA);
  });
}

void TempFolder::Remove() {
  if (path_.empty()) return;
  folderLeft_ =
      !RemoveHeld(L"mTanvelo::TempFolder::Remove", win32::ToAnsi(path_), win32::RemoveDirectoryA);
}

TempFolder::~TempFolder() {
  DeleteFile();
  DeleteRefused();
  Remove();
  if (refused_.empty() && !folderLeft_) return;
  // A run of refusals outlasting every try must not leave scratch files below TEMP for good:
  // they are asked for again later, the folder after its files.
  AskLater(L"the scratch folder \"" + path_ + L"\" was not removed", [files = refused_,
                                                                      path = path_]() mutable {
    std::erase_if(files, [](const std::wstring& file) {
      return RemoveHeld(kDeleteFile, win32::ToAnsi(file), win32::DeleteFileA, false);
    });
    return files.empty() && RemoveHeld(L"mTanvelo::TempFolder::Remove", win32::ToAnsi(path),
                                       win32::RemoveDirectoryA, false);
  });
}

}  // namespace road

std::wstring SafeFileName(const std::wstring& name, const std::wstring& fallback,
                          size_t maxLength) {
  static const std::wstring kReserved = L"\\/:*?\"<>|";
  // The file calls are ANSI: a character the code page cannot hold would reach them as "?", or
  // as a look-alike separator or dot.
  auto ansi = [](wchar_t c) {
    const std::wstring one(1, c);
    return win32::FromAnsi(win32::ToAnsi(one)) == one;
  };
  std::wstring safe;
  for (wchar_t c : name)
    safe += (c < 32 || kReserved.find(c) != std::wstring::npos || !ansi(c)) ? L'_' : c;
  // With no separator left, dots inside a name are only dots ("x..y" is a file of its own);
  // a name of dots alone trims to nothing below.
  auto trim = [](std::wstring& text) {
    // Windows drops trailing dots and blanks; leading blanks are part of the name.
    while (!text.empty() && (text.back() == L'.' || text.back() == L' ')) text.pop_back();
  };
  trim(safe);
  // Too long for its folder: the stem gives way first, so the file keeps its type.
  if (safe.size() > maxLength) {
    size_t dot = safe.rfind(L'.');
    std::wstring extension = dot == std::wstring::npos ? L"" : safe.substr(dot);
    if (extension.size() >= maxLength) extension.clear();
    safe = safe.substr(0, std::min(safe.size() - extension.size(), maxLength - extension.size()));
    trim(safe);
    if (!safe.empty()) safe += extension;
    trim(safe);
  }
  // Windows still opens the device for its name with any extension, and with blanks before it.
  std::wstring stem = vb::UCase(safe.substr(0, safe.find(L'.')));
  while (!stem.empty() && stem.back() == L' ') stem.pop_back();
  stem.erase(0, stem.find_first_not_of(L' '));  // and, to be safe, with blanks before it
  bool device = stem == L"CON" || stem == L"PRN" || stem == L"AUX" || stem == L"NUL" ||
                stem == L"CONIN$" || stem == L"CONOUT$";
  if (stem.size() == 4 && (stem.starts_with(L"COM") || stem.starts_with(L"LPT"))) {
    wchar_t digit = stem[3];
    device = (digit >= L'0' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' ||
             digit == L'\u00B3';
  }
  if (device) safe = L"_" + safe;
  if (safe.size() > maxLength) {
    safe.erase(maxLength);
    trim(safe);
  }
  return safe.empty() ? fallback : safe;
}

}  // namespace mTanvelo
