// The HTML tag splitter and the body conversions: text through HTML or RTF and back is the
// same text (line breaks as CR LF), and HTML carried in RTF reads back exactly.
#include "FuzzSupport.h"
#include "engine/mBody.h"
#include "engine/mHTML.h"
#include "platform/outlook/BodyConvert.h"

namespace {

void Same(const std::wstring& expected, const std::wstring& got, const char* road) {
  if (expected == got) return;
  std::fprintf(stderr, "%s\nexpected '%s'\n     got '%s'\n", road, fuzz::Show(expected).c_str(),
               fuzz::Show(got).c_str());
  FUZZ_CHECK(expected == got);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FreshPlatform platform;
  std::wstring text = fuzz::Text(std::string_view(reinterpret_cast<const char*>(data), size));

  std::wstring name;
  std::vector<std::wstring> names, values;
  if (mHTML::SplitTag(text, name, names, values)) FUZZ_CHECK(names.size() == values.size());
  mHTML::ExtractTagParam(text, L"bgcolor");
  mHTML::InsertTagParam(text, L"bgcolor", L"\"red\"");

  using namespace outlook::body;
  Same(fuzz::CrLf(text), HtmlToText(TextToHtml(text)), "text to HTML and back");
  Same(fuzz::CrLf(text), RtfToText(TextToRtf(text)), "text to RTF and back");
  Same(text, RtfToText(mBody::HtmlToRtf(text)), "HTML carried in RTF");
  HtmlToText(text);
  HtmlBodyContent(text);
  return 0;
}
