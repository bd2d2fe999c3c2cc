// The RTF reader over any document: what it reads, written as RTF again, reads the same; the
// HTML it makes of the document reads without fault.
#include "FuzzSupport.h"
#include "platform/outlook/BodyConvert.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FreshPlatform platform;
  std::wstring rtf = fuzz::Text(std::string_view(reinterpret_cast<const char*>(data), size));
  using namespace outlook::body;
  std::wstring text = RtfToText(rtf);
  std::wstring again = RtfToText(TextToRtf(text));
  // A \\u13 or \\u10 of the document is a line break of the plain text.
  text = fuzz::CrLf(text);
  if (again != text)
    std::fprintf(stderr, "read '%s'\nagain '%s'\n", fuzz::Show(text).c_str(),
                 fuzz::Show(again).c_str());
  FUZZ_CHECK(again == text);
  HtmlToText(RtfToHtml(rtf));
  return 0;
}
