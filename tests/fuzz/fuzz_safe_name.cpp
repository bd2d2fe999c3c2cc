// The attachment file-name rule: whatever the name, the file stays inside its folder under
// TEMP, the whole path stays below MAX_PATH, and Windows would open it as a file.
#include <cwctype>

#include "FuzzSupport.h"
#include "engine/mTanveloRoad.h"
#include "platform/vb/Runtime.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider provider(data, size);
  fuzz::FreshPlatform platform;
  // The folder is TEMP and an EntryID, which may be long (Exchange stores).
  std::wstring folder = L"C:\\Temp\\" + std::wstring(provider.ConsumeIntegralInRange(0, 250), L'0');
  std::wstring name = fuzz::Text(provider, 600);
  size_t room = folder.size() + 1 < 259 ? 259 - folder.size() - 1 : 1;
  std::wstring safe = mTanvelo::SafeFileName(name, L"1", room);

  FUZZ_CHECK(!safe.empty());
  FUZZ_CHECK(safe.size() <= room);
  FUZZ_CHECK(folder.size() >= 258 || folder.size() + 1 + safe.size() <= 259);
  FUZZ_CHECK(safe.find(L"..") == std::wstring::npos);
  FUZZ_CHECK(safe.back() != L'.' && safe.back() != L' ' && safe.front() != L' ');
  for (wchar_t c : safe) {
    FUZZ_CHECK(c >= 32 && std::wstring(L"\\/:*?\"<>|").find(c) == std::wstring::npos);
    FUZZ_CHECK(win32::FromAnsi(win32::ToAnsi(std::wstring(1, c))) == std::wstring(1, c));
  }
  std::wstring stem = vb::UCase(safe.substr(0, safe.find(L'.')));
  while (!stem.empty() && stem.back() == L' ') stem.pop_back();
  for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
    FUZZ_CHECK(stem != device);
  if (stem.size() == 4 && (stem.starts_with(L"COM") || stem.starts_with(L"LPT")))
    FUZZ_CHECK(!std::iswdigit(stem[3]) && stem[3] != L'\u00B9' && stem[3] != L'\u00B2' &&
               stem[3] != L'\u00B3');
  return 0;
}
