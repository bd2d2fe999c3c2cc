// The RTF reader, two ways from each input. As any document: what it reads, written as RTF
// again, reads the same. As the choices of a generator that writes text the way RTF writers
// do (escapes, \'hh, \uN with \ucN stand-ins, halves of wide characters, formatting, groups,
// destinations, \bin data, a brace too many and groups past the end): every character the
// generator put in comes out, in order, and so it does from the HTML made of the document.
#include <vector>

#include "FuzzSupport.h"
#include "platform/outlook/BodyConvert.h"

namespace {

using namespace outlook::body;

struct Generated {
  std::wstring rtf, text;
  bool cellTab = false;  // the text so far ends in a table cell's tab
};

bool OneAnsiByte(wchar_t c) {
  std::string ansi = win32::ToAnsi(std::wstring(1, c));
  return ansi.size() == 1 && win32::FromAnsi(ansi) == std::wstring(1, c);
}

void Unicode(std::wstring& rtf, uint32_t code, int uc) {
  rtf += L"\\u" + std::to_wstring(static_cast<int16_t>(code));
  for (int k = 0; k < uc; ++k) rtf += L'?';
  if (uc == 0) rtf += L' ';
}

// One character in one of the ways a writer may put it.
void Put(FuzzedDataProvider& data, Generated& g, wchar_t c, int uc) {
  static const struct {
    wchar_t c;
    const wchar_t* word;
  } kSymbols[] = {{L'\u2019', L"\\rquote "},    {L'\u2018', L"\\lquote "},
                  {L'\u201C', L"\\ldblquote "}, {L'\u201D', L"\\rdblquote "},
                  {L'\u2013', L"\\endash "},    {L'\u2014', L"\\emdash "},
                  {L'\u2022', L"\\bullet "},    {L'\u00A0', L"\\~"},
                  {L'\u2011', L"\\_"},          {L'\t', L"\\tab "}};
  g.text += c;
  g.cellTab = false;
  auto code = static_cast<uint32_t>(c);
  if (code > 0xFFFF) {
    code -= 0x10000;
    Unicode(g.rtf, 0xD800 + (code >> 10), uc);
    if (data.ConsumeBool()) g.rtf += L"{}";
    Unicode(g.rtf, 0xDC00 + (code & 0x3FF), uc);
    return;
  }
  for (const auto& symbol : kSymbols)
    if (c == symbol.c && data.ConsumeBool()) {
      g.rtf += symbol.word;
      return;
    }
  if (c == L'\\' || c == L'{' || c == L'}') {
    g.rtf += L'\\';
    g.rtf += c;
  } else if (c >= 0x20 && c < 0x7F && !data.ConsumeBool()) {
    g.rtf += c;
  } else if (c >= 0x80 && OneAnsiByte(c) && data.ConsumeBool()) {
    static const wchar_t* digits = L"0123456789abcdef";
    auto b = static_cast<unsigned char>(win32::ToAnsi(std::wstring(1, c))[0]);
    g.rtf += std::wstring(L"\\'") + digits[b >> 4] + digits[b & 15];
  } else {
    Unicode(g.rtf, code, uc);
  }
}

Generated Generate(FuzzedDataProvider& data) {
  Generated g;
  const bool wrapper = data.ConsumeBool();
  if (wrapper)
    g.rtf =
        L"{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1 Times;}}"
        L"{\\colortbl;\\red255\\green0\\blue0;}\r\n";
  std::vector<int> uc{1};  // \ucN holds to the end of its group
  for (int n = data.ConsumeIntegralInRange(0, 40); n > 0 && data.remaining_bytes() > 0; --n) {
    switch (data.ConsumeIntegralInRange(0, 8)) {
      case 0:
      case 1:
        for (wchar_t c : fuzz::Text(data, 12))
          if (c != L'\r' && c != L'\n') Put(data, g, c, uc.back());
        break;
      case 2: {
        static const wchar_t* kWords[] = {
            L"\\b ",    L"\\b0 ",  L"\\i ",    L"\\ul ", L"\\ulnone ", L"\\plain ",   L"\\f1 ",
            L"\\fs24 ", L"\\cf1 ", L"\\pard ", L"\\qc ", L"\\xyz123 ", L"\\lang1033 "};
        g.rtf += kWords[data.ConsumeIntegralInRange<size_t>(0, std::size(kWords) - 1)];
        break;
      }
      case 3: {
        int n = data.ConsumeIntegralInRange(0, 3);
        g.rtf += L"\\uc" + std::to_wstring(n) + L" ";
        uc.back() = n;
        break;
      }
      case 4:
        if (data.ConsumeBool() || uc.size() == 1) {
          g.rtf += L"{";
          uc.push_back(uc.back());
        } else {
          g.rtf += L"}";
          uc.pop_back();
        }
        break;
      case 5: {
        // What readers skip: ignorable and known destinations, whatever they hold.
        static const wchar_t* kDestinations[] = {L"{\\*\\generator ", L"{\\*\\htmltag84 ",
                                                 L"{\\info{\\title ", L"{\\pict\\wmetafile8 ",
                                                 L"{\\*\\unknownword "};
        size_t which = data.ConsumeIntegralInRange<size_t>(0, std::size(kDestinations) - 1);
        Generated inner;
        for (wchar_t c : fuzz::Text(data, 12)) Put(data, inner, c, 1);
        g.rtf += kDestinations[which] + inner.rtf + (which == 2 ? L"}}" : L"}");
        break;
      }
      case 6: {
        // Breaks, and a table's cells and rows: a row takes back the tab of a cell just before
        // it.
        const int which = data.ConsumeIntegralInRange(0, 3);
        g.rtf += which == 0   ? L"\\par "
                 : which == 1 ? L"\\line "
                 : which == 2 ? L"\\cell "
                              : L"\\row ";
        if (which == 2) {
          g.text += L'\t';
          g.cellTab = true;
          break;
        }
        if (which == 3 && g.cellTab) g.text.pop_back();
        g.text += L"\r\n";
        g.cellTab = false;
        break;
      }
      case 7: {
        std::wstring bytes = fuzz::Text(data, 8);
        g.rtf += L"\\bin" + std::to_wstring(bytes.size()) + L" " + bytes;
        break;
      }
      default:
        g.rtf += data.ConsumeBool() ? L"\r\n" : L"\n";  // a writer's line ends are no text
    }
  }
  while (uc.size() > 1) {
    g.rtf += L"}";
    uc.pop_back();
  }
  if (wrapper) {
    g.rtf += L"}";
  } else {
    // Without a wrapper the document's last group may close before blanks that end it.
    g.text += L'E';
    g.rtf += L'E';
  }
  // A brace too many, then more of the document; or a group after the end. Both read with
  // the state outside every group.
  bool endsWithGroup = wrapper;
  if (data.ConsumeBool()) {
    endsWithGroup = true;
    g.rtf += data.ConsumeBool() ? L"} " : L"{ ";
    g.text += L" ";
    Put(data, g, L'M', wrapper ? 1 : uc.front());
    g.rtf += L"}";
  }
  // Blanks after the last group end the document; outside any group they are its text.
  if (data.ConsumeBool()) {
    g.rtf += L"\r\n \t";
    if (!endsWithGroup) g.text += L" \t";
  } else {
    g.rtf += std::wstring(L"\r\n\0garbage}", 11);
  }
  return g;
}

void Same(const std::wstring& expected, const std::wstring& got, const std::wstring& rtf,
          const char* road) {
  if (expected == got) return;
  std::fprintf(stderr, "%s\nrtf '%s'\nexpected '%s'\n     got '%s'\n", road,
               fuzz::Show(rtf).c_str(), fuzz::Show(expected).c_str(), fuzz::Show(got).c_str());
  FUZZ_CHECK(expected == got);
}

// The characters a reader of the HTML sees, line structure aside.
std::wstring Characters(const std::wstring& text, bool tabsAsBlanks) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c == L'\r' || c == L'\n') continue;
    if (c == L'\t' && tabsAsBlanks)
      out += L"    ";
    else
      out += c;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FreshPlatform platform;
  std::wstring rtf = fuzz::Text(std::string_view(reinterpret_cast<const char*>(data), size));
  std::wstring text = RtfToText(rtf);
  std::wstring again = RtfToText(TextToRtf(text));
  // A \\u13 or \\u10 of the document is a line break of the plain text.
  Same(fuzz::CrLf(text), again, rtf, "read, written and read again");
  HtmlToText(RtfToHtml(rtf));

  FuzzedDataProvider provider(data, size);
  Generated g = Generate(provider);
  Same(g.text, RtfToText(g.rtf), g.rtf, "the generator's text");
  Same(Characters(g.text, true), Characters(HtmlToText(RtfToHtml(g.rtf)), false), g.rtf,
       "the generator's text through HTML");
  return 0;
}
