// The RTF reader over any document: what it reads, written as RTF again, reads the same; the
// HTML it makes of the document reads without fault.
#include "FuzzSupport.h"
#include "platform/outlook/BodyConvert.h"

namespace {
std::wstring CrLf(const std::wstring& text) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r' || text[i] == L'\n') {
      out += L"\r\n";
      if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FreshPlatform platform;
  std::wstring rtf = fuzz::Text(std::string_view(reinterpret_cast<const char*>(data), size));
  using namespace outlook::body;
  std::wstring text = RtfToText(rtf);
  std::wstring again = RtfToText(TextToRtf(text));
  // A \\u13 or \\u10 of the document is a line break of the plain text.
  text = CrLf(text);
  if (again != text)
    std::fprintf(stderr, "read '%s'\nagain '%s'\n", fuzz::Show(text).c_str(),
                 fuzz::Show(again).c_str());
  FUZZ_CHECK(again == text);
  HtmlToText(RtfToHtml(rtf));
  return 0;
}
