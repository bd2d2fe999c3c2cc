// The template merged into a reply whose HTML came from outside. Over any text: the merge gives
// HTML with the template's text or raises, never anything else. Over a received page a
// generator wrote (comments that mention a body tag, attribute values with '>', text nodes of
// any characters): a reader sees the template's text, then every character of the reply, and
// the body tag carries the template's colour.
#include "FuzzSupport.h"
#include "engine/mHTML.h"
#include "engine/mTanveloRoad.h"
#include "platform/outlook/BodyConvert.h"
#include "platform/vb/Error.h"

namespace {

using outlook::body::HtmlEscape;
using outlook::body::HtmlToText;

const std::wstring kTemplate =
    L"<html><head><style>p {margin: 0}</style></head>\r\n<body bgcolor=\"#ffcc00\" lang=EN>"
    L"<p>Thank you &amp; <b>regards</b></p>\r\n</body></html>";
const std::wstring kTemplateText = L"Thank you & regards";

std::wstring WithoutLineEnds(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text)
    if (c != L'\r' && c != L'\n') out += c;
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FreshPlatform platform;
  std::wstring any = fuzz::Text(std::string_view(reinterpret_cast<const char*>(data), size));
  try {
    std::wstring merged = mTanvelo::MergeHtml(any, kTemplate);
    FUZZ_CHECK(merged.find(L"<p>Thank you &amp; <b>regards</b></p>") != std::wstring::npos);
  } catch (const vb::Error&) {
    FUZZ_CHECK(mHTML::FindBodyTag(any).second == std::wstring::npos);
  }

  FuzzedDataProvider provider(data, size);
  std::wstring reply = L"<html><head>";
  if (provider.ConsumeBool()) reply += L"<!-- <body> was here -->";
  reply += L"<title>" + HtmlEscape(fuzz::Text(provider, 8)) + L"</title></head>\r\n";
  if (provider.ConsumeBool()) reply += L"<!--[if gte mso 9]><body><![endif]-->";
  reply += provider.ConsumeBool() ? L"<BODY" : L"<body";
  if (provider.ConsumeBool())
    reply += L" style='a>b' title=\"" + HtmlEscape(fuzz::Text(provider, 8)) + L"\"";
  reply += L">";
  std::wstring text;
  for (int n = provider.ConsumeIntegralInRange(0, 20); n > 0 && provider.remaining_bytes(); --n) {
    switch (provider.ConsumeIntegralInRange(0, 3)) {
      case 0:
      case 1: {
        std::wstring node = fuzz::Text(provider, 12);
        reply += HtmlEscape(node);
        text += node;
        break;
      }
      case 2:
        reply += provider.ConsumeBool() ? L"<p class=\"x>y\">" : L"</p>\r\n<div>";
        break;
      default:
        reply += L"<!-- <body bgcolor=red> -->";
    }
  }
  reply += L"</body></html>";
  std::wstring merged = mTanvelo::MergeHtml(reply, kTemplate);
  std::wstring read = WithoutLineEnds(HtmlToText(merged));
  if (read != kTemplateText + WithoutLineEnds(text))
    std::fprintf(stderr, "reply '%s'\nmerged '%s'\nread '%s'\n", fuzz::Show(reply).c_str(),
                 fuzz::Show(merged).c_str(), fuzz::Show(read).c_str());
  FUZZ_CHECK(read == kTemplateText + WithoutLineEnds(text));
  auto [open, close] = mHTML::FindBodyTag(merged);
  FUZZ_CHECK(close != std::wstring::npos);
  FUZZ_CHECK(mHTML::ExtractTagParam(merged.substr(open, close - open + 1), L"bgcolor") ==
             L"\"#ffcc00\"");
  return 0;
}
