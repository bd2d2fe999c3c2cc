// The XML document: whatever text loads, its XML loads again and writes the same XML; text
// that does not load leaves an empty document with a reason.
#include "FuzzSupport.h"
#include "platform/msxml/DOMDocument.h"
#include "platform/vb/Runtime.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FreshPlatform platform;
  std::wstring text = fuzz::Text(std::string_view(reinterpret_cast<const char*>(data), size));
  msxml::DOMDocument doc;
  if (!doc.loadXML(text)) {
    FUZZ_CHECK(doc.documentElement() == nullptr);
    FUZZ_CHECK(!doc.parseErrorReason().empty());
    return 0;
  }
  std::wstring xml = doc.xml();
  doc.documentElement()->text();
  vb::Catch([&] { doc.documentElement()->selectNodes(L"//column")->length(); });
  msxml::DOMDocument again;
  FUZZ_CHECK(again.loadXML(xml));
  FUZZ_CHECK(again.xml() == xml);
  vb::Err().Clear();
  return 0;
}
