#include "engine/RoadSupport.h"

#include <cwchar>

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
  return Need(g_oDraftsFolder);
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
  const wchar_t first = what[0];
  const bool caseless = lower(first) == first && !(first >= L'a' && first <= L'z');
  for (size_t i = from; i + what.size() <= text.size(); ++i) {
    // A first character without case ("<" of a tag) is found by the library's fast search.
    if (caseless && text[i] != first) {
      const wchar_t* next = std::wmemchr(text.data() + i, first, text.size() - i);
      if (!next) break;
      i = static_cast<size_t>(next - text.data());
      if (i + what.size() > text.size()) break;
    }
    size_t k = 0;
    while (k < what.size() && lower(text[i + k]) == lower(what[k])) ++k;
    if (k == what.size()) return i;
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

std::wstring TempPath() {
  std::wstring path = g_sTempPath.empty() ? vb::Environ(L"TEMP") : g_sTempPath;
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

std::wstring TempFolder::FileFor(const std::wstring& name, const std::wstring& fallback) {
  win32::CreateDirectoryA(win32::ToAnsi(path_).c_str(), nullptr);
  current_ = path_ + L"\\" + SafeFileName(name, fallback);
  DeleteFile();
  return current_;
}

void TempFolder::DeleteFile() {
  if (!current_.empty()) win32::DeleteFileA(win32::ToAnsi(current_).c_str());
}

void TempFolder::Remove() {
  if (!path_.empty()) win32::RemoveDirectoryA(win32::ToAnsi(path_).c_str());
}

}  // namespace road

std::wstring SafeFileName(const std::wstring& name, const std::wstring& fallback) {
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
  for (size_t at; (at = safe.find(L"..")) != std::wstring::npos;) safe.replace(at, 2, L"_");
  // Windows drops trailing dots and blanks.
  while (!safe.empty() && (safe.back() == L'.' || safe.back() == L' ')) safe.pop_back();
  while (!safe.empty() && safe.front() == L' ') safe.erase(safe.begin());
  std::wstring stem = vb::UCase(safe.substr(0, safe.find(L'.')));
  static const wchar_t* kDevices[] = {L"CON",  L"PRN",  L"AUX",  L"NUL",  L"COM1", L"COM2",
                                      L"COM3", L"COM4", L"COM5", L"COM6", L"COM7", L"COM8",
                                      L"COM9", L"LPT1", L"LPT2", L"LPT3", L"LPT4", L"LPT5",
                                      L"LPT6", L"LPT7", L"LPT8", L"LPT9"};
  for (const wchar_t* device : kDevices)
    if (stem == device) safe = L"_" + safe;
  return safe.empty() ? fallback : safe;
}

}  // namespace mTanvelo
