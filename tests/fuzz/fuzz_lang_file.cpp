// The language-file reader and the language loader over any bytes. Every line shorter than
// the reader's 4096-byte cut comes back whole: joined again, the lines are the file.
#include "FuzzSupport.h"
#include "core/CLang.h"
#include "core/CLangFile.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/Files.h"
#include "resources/StringTable.h"

namespace {

// The file's text as the reader must give it, or nothing when some line reaches the cut.
std::optional<std::wstring> Expected(const std::string& bytes) {
  bool mark = bytes.rfind("\xEF\xBB\xBF", 0) == 0;
  std::string rest = mark ? bytes.substr(3) : bytes;
  for (size_t start = 0;;) {
    size_t end = rest.find("\r\n", start);
    size_t length = (end == std::string::npos ? rest.size() : end) - start;
    if (length >= 4096) return std::nullopt;
    if (end == std::string::npos) break;
    start = end + 2;
  }
  if (!mark) return win32::FromAnsi(rest);
  std::wstring text;
  // Line by line, as the reader converts: a broken sequence never spans a line end.
  for (size_t start = 0;;) {
    size_t end = rest.find("\r\n", start);
    std::string line =
        rest.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!line.empty()) {
      // One call: UTF-8 never gives more characters than it has bytes.
      std::wstring wide(line.size(), L'\0');
      int n =
          win32::MultiByteToWideChar(win32::CP_UTF8, 0, line.data(), static_cast<int>(line.size()),
                                     wide.data(), static_cast<int>(wide.size()));
      if (n == 0) return std::nullopt;
      text.append(wide, 0, static_cast<size_t>(n));
    }
    if (end == std::string::npos) break;
    text += L"\r\n";
    start = end + 2;
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FreshPlatformOnDisk platform;
  fuzz::LoadStrings();
  std::string bytes(reinterpret_cast<const char*>(data), size);
  std::string file = win32::ToAnsi(vb::App().Path) + "\\fuzz.lng";
  FUZZ_CHECK(win32::files::WriteAll(file, bytes));

  CLangFile reader;
  FUZZ_CHECK(reader.OpenFile(win32::FromAnsi(file)));
  std::wstring joined, line;
  bool first = true;
  while (!reader.FEOF() && reader.ReadLine(line)) {
    if (!first) joined += L"\r\n";
    joined += line;
    first = false;
  }
  FUZZ_CHECK(reader.FEOF() && reader.LastError() == 0);
  reader.CloseFile();
  bool mark = bytes.rfind("\xEF\xBB\xBF", 0) == 0;
  if (bytes.size() >= 2 && bytes.ends_with("\r\n") && bytes.size() > (mark ? 4u : 1u))
    joined += L"\r\n";
  if (auto expected = Expected(bytes)) {
    if (*expected != joined)
      std::fprintf(stderr, "expected '%s'\n     got '%s'\n", fuzz::Show(*expected).c_str(),
                   fuzz::Show(joined).c_str());
    FUZZ_CHECK(*expected == joined);
  }

  // The loader answers, whatever the file holds.
  CLang lang;
  lang.Init(win32::FromAnsi(file), L"Tanvelo");
  return 0;
}
