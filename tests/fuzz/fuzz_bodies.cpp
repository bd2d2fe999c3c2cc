// The HTML tag splitter and the body conversions: text through HTML or RTF and back is the
// same text (line breaks as CR LF); HTML carried in RTF, the add-in's way and Outlook's, reads
// back exactly; and HTML a generator made of text nodes and markup reads as those nodes'
// characters, in order, with a tab after each table cell but a row's last.
#include "FuzzSupport.h"
#include "engine/mBody.h"
#include "engine/mHTML.h"
#include "platform/outlook/BodyConvert.h"

namespace {

using namespace outlook::body;

void Same(const std::wstring& expected, const std::wstring& got, const char* road) {
  if (expected == got) return;
  std::fprintf(stderr, "%s\nexpected '%s'\n     got '%s'\n", road, fuzz::Show(expected).c_str(),
               fuzz::Show(got).c_str());
  FUZZ_CHECK(expected == got);
}

std::wstring WithoutLineEnds(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text)
    if (c != L'\r' && c != L'\n') out += c;
  return out;
}

struct Page {
  std::wstring html, text;
};

// A page of text nodes between tags, comments and elements whose content is no text.
Page Generate(FuzzedDataProvider& data) {
  Page page;
  page.html = data.ConsumeBool() ? L"<html><head><title>T &amp; x</title>"
                                   L"<style>p > b { color: red }</style></head>\r\n<body>"
                                 : L"<body bgcolor=\"#ffffff\">";
  size_t cellTabEnd = std::wstring::npos;  // where the text after a table cell's tab starts
  for (int n = data.ConsumeIntegralInRange(0, 30); n > 0 && data.remaining_bytes() > 0; --n) {
    switch (data.ConsumeIntegralInRange(0, 4)) {
      case 0:
      case 1:
        for (wchar_t c : fuzz::Text(data, 12)) {
          page.text += c;
          auto code = static_cast<uint32_t>(c);
          if (code > 0x20 && (code < 0xD800 || code > 0xDFFF) && data.ConsumeBool()) {
            wchar_t buffer[16];
            std::swprintf(buffer, 16, data.ConsumeBool() ? L"&#%u;" : L"&#x%X;", code);
            page.html += buffer;
          } else {
            page.html += HtmlEscape(std::wstring(1, c));
          }
        }
        break;
      case 2: {
        static const wchar_t* kTags[] = {L"<b>",   L"</b>",   L"<p>",     L"</p>",  L"<br>",
                                         L"<br/>", L"</div>", L"<i\r\n>", L"</tr>", L"</li>",
                                         L"</h3>", L"<td>",   L"</td>",   L"</TH>"};
        const std::wstring tag =
            kTags[data.ConsumeIntegralInRange<size_t>(0, std::size(kTags) - 1)];
        page.html += tag;
        // A cell ends in a tab; a row takes back the tab of a cell that only blanks follow.
        if (tag == L"</td>" || tag == L"</TH>") {
          page.text += L'\t';
          cellTabEnd = page.text.size();
          break;
        }
        if (tag == L"</tr>" && cellTabEnd != std::wstring::npos &&
            page.text.find_first_not_of(L" \t\r\n", cellTabEnd) == std::wstring::npos)
          page.text.erase(cellTabEnd - 1);
        cellTabEnd = std::wstring::npos;
        break;
      }
      case 3:
        cellTabEnd = std::wstring::npos;
        // Attribute values and comments may hold any '>' they like.
        page.html += L"<span title=\"" + HtmlEscape(fuzz::Text(data, 8)) + L"\" lang='a>b'>";
        break;
      default: {
        std::wstring comment = fuzz::Text(data, 8);
        for (size_t at; (at = comment.find(L"--")) != std::wstring::npos;) comment.erase(at, 2);
        page.html += L"<!-- " + comment + L" -->";
      }
    }
  }
  page.html += L"</body></html>";
  return page;
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

  Same(fuzz::CrLf(text), HtmlToText(TextToHtml(text)), "text to HTML and back");
  Same(fuzz::CrLf(text), RtfToText(TextToRtf(text)), "text to RTF and back");
  Same(text, RtfToText(mBody::HtmlToRtf(text)), "HTML carried in RTF");
  std::wstring html;
  FUZZ_CHECK(HtmlFromRtf(mBody::HtmlToRtf(text), html));
  Same(text, html, "the add-in's HTML carried in RTF, as HTML");
  FUZZ_CHECK(HtmlFromRtf(HtmlToRtf(text), html));
  Same(text, html, "HTML kept in an HTML item's RTF body");
  HtmlToText(text);
  HtmlBodyContent(text);

  FuzzedDataProvider provider(data, size);
  Page page = Generate(provider);
  Same(WithoutLineEnds(page.text), WithoutLineEnds(HtmlToText(page.html)), "the page's text");
  FUZZ_CHECK(HtmlFromRtf(HtmlToRtf(page.html), html));
  Same(page.html, html, "the page kept in an RTF body");
  return 0;
}
