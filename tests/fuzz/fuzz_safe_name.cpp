// The attachment file-name rule: whatever the name, the file stays inside its folder under
// TEMP, the whole path stays below MAX_PATH, and Windows would open it as a file; and when the
// name fits, it keeps every character Windows allows and changes only what it must.
#include <cwctype>

#include "FuzzSupport.h"
#include "engine/mTanveloRoad.h"
#include "platform/vb/Runtime.h"

namespace {

// What must change in a name that fits: characters no file name or ANSI call can hold, the
// dots and blanks Windows drops at the end, and a device name, which gets a mark before it.
std::wstring Needed(const std::wstring& name) {
  std::wstring out;
  for (wchar_t c : name) {
    const std::wstring one(1, c);
    bool held = c >= 32 && std::wstring(L"\\/:*?\"<>|").find(c) == std::wstring::npos &&
                win32::FromAnsi(win32::ToAnsi(one)) == one;
    out += held ? c : L'_';
  }
  while (!out.empty() && (out.back() == L'.' || out.back() == L' ')) out.pop_back();
  std::wstring stem;
  for (wchar_t c : out.substr(0, out.find(L'.')))
    stem += c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - 32) : c;
  stem.erase(0, stem.find_first_not_of(L' '));
  while (!stem.empty() && stem.back() == L' ') stem.pop_back();
  bool device = stem == L"CON" || stem == L"PRN" || stem == L"AUX" || stem == L"NUL" ||
                stem == L"CONIN$" || stem == L"CONOUT$";
  if (stem.size() == 4 && (stem.starts_with(L"COM") || stem.starts_with(L"LPT")))
    device = std::wstring(L"0123456789\u00B9\u00B2\u00B3").find(stem[3]) != std::wstring::npos;
  return device ? L"_" + out : out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider provider(data, size);
  fuzz::FreshPlatform platform;
  // The folder is TEMP and an EntryID, which may be long (Exchange stores).
  std::wstring folder = L"C:\\Temp\\" + std::wstring(provider.ConsumeIntegralInRange(0, 250), L'0');
  std::wstring name = fuzz::Text(provider, 600);
  size_t room = folder.size() + 1 < 259 ? 259 - folder.size() - 1 : 1;
  std::wstring safe = mTanvelo::SafeFileName(name, L"1", room);

  FUZZ_CHECK(!safe.empty());
  if (std::wstring needed = Needed(name); !needed.empty() && needed.size() <= room) {
    if (safe != needed)
      std::fprintf(stderr, "name '%s'\nneeded '%s'\n  safe '%s'\n", fuzz::Show(name).c_str(),
                   fuzz::Show(needed).c_str(), fuzz::Show(safe).c_str());
    FUZZ_CHECK(safe == needed);
  }
  FUZZ_CHECK(safe.size() <= room);
  FUZZ_CHECK(folder.size() >= 258 || folder.size() + 1 + safe.size() <= 259);
  FUZZ_CHECK(safe != L"." && safe != L"..");
  FUZZ_CHECK(safe.back() != L'.' && safe.back() != L' ');
  for (wchar_t c : safe) {
    FUZZ_CHECK(c >= 32 && std::wstring(L"\\/:*?\"<>|").find(c) == std::wstring::npos);
    FUZZ_CHECK(win32::FromAnsi(win32::ToAnsi(std::wstring(1, c))) == std::wstring(1, c));
  }
  std::wstring stem = vb::UCase(safe.substr(0, safe.find(L'.')));
  while (!stem.empty() && stem.back() == L' ') stem.pop_back();
  stem.erase(0, stem.find_first_not_of(L' '));
  for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
    FUZZ_CHECK(stem != device);
  if (stem.size() == 4 && (stem.starts_with(L"COM") || stem.starts_with(L"LPT")))
    FUZZ_CHECK(!std::iswdigit(stem[3]) && stem[3] != L'\u00B9' && stem[3] != L'\u00B2' &&
               stem[3] != L'\u00B3');
  return 0;
}
