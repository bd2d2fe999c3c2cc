// Every valid entry value loads: a quoted value of any characters (quotes doubled), with any
// trailing comment, reads back as written.
#include "FuzzSupport.h"
#include "core/CLang.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/Files.h"
#include "resources/StringTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider provider(data, size);
  std::wstring value, comment;
  for (wchar_t c : fuzz::Text(provider, 900))
    if (c != L'\r' && c != L'\n' && c != 0 && c <= 0xFFFF) value += c;
  for (wchar_t c : fuzz::Text(provider, 300))
    if (c != L'\r' && c != L'\n' && c != 0 && c <= 0xFFFF) comment += c;
  bool apostrophe = provider.ConsumeBool();
  std::wstring blanks = provider.ConsumeBool() ? L"\t " : L"";

  std::wstring quoted;
  for (wchar_t c : value) quoted += c == L'"' ? L"\"\"" : std::wstring(1, c);
  std::wstring line = L"Key = \"" + quoted + L"\"" + blanks + (apostrophe ? L"'" : L";") + comment;
  std::string entry = win32::WideToMultiByte(win32::CP_UTF8, line);
  if (entry.size() >= 4000) return 0;  // past the reader's cut, a line is two
  std::string file =
      "\xEF\xBB\xBF[version]\r\nsignature = \"Norvane.LangLngFile\"\r\n"
      "langid = \"EN\"\r\nlang = \"Lang EN\"\r\n[Tanvelo]\r\nglobals = \"texts\"\r\n"
      "[Tanvelo.texts]\r\n" +
      entry + "\r\nOther = \"o\"\r\n";

  fuzz::FreshPlatformOnDisk platform;
  fuzz::LoadStrings();
  std::string path = win32::ToAnsi(vb::App().Path) + "\\fuzz.lng";
  FUZZ_CHECK(win32::files::WriteAll(path, file));
  CLang lang;
  FUZZ_CHECK(lang.Init(win32::FromAnsi(path), L"Tanvelo"));
  FUZZ_CHECK(lang.ItemFind(L"KEY"));
  if (lang.Item(L"key") != CLang::sprintf2(value))
    std::fprintf(stderr, "wrote '%s'\n read '%s'\n", fuzz::Show(value).c_str(),
                 fuzz::Show(lang.Item(L"key")).c_str());
  FUZZ_CHECK(lang.Item(L"key") == CLang::sprintf2(value));
  FUZZ_CHECK(lang.Item(L"Other") == L"o");
  return 0;
}
