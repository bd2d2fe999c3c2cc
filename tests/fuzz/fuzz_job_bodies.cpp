// The personalization job's replacement in plain, HTML and RTF bodies: a reader of the made
// body sees the value where the token was, whatever formatting the token is split by and
// whatever characters the value holds. What the reader must see is the generator's own
// account of the text it wrote, not another reading of the body.
#include <cwctype>

#include "FuzzSupport.h"
#include "personalization/ProtectedText.h"
#include "platform/outlook/BodyConvert.h"

namespace {

const std::wstring kName = L"FirstName";

// A run of text with no percent sign and no line break, never the field's name itself.
std::wstring Run(FuzzedDataProvider& provider) {
  std::wstring run;
  for (wchar_t c : fuzz::Text(provider, 16))
    if (c != L'%' && c != L'\r' && c != L'\n') run += c;
  if (EqualNoCase(run, kName)) run[0] = L'x';
  return run;
}

std::wstring Pick(FuzzedDataProvider& provider, std::initializer_list<const wchar_t*> list) {
  return *(list.begin() + provider.ConsumeIntegralInRange<size_t>(0, list.size() - 1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider provider(data, size);
  fuzz::FreshPlatform platform;
  const int format = provider.ConsumeIntegralInRange(1, 3);
  std::wstring value = fuzz::Text(provider, 40);
  if (format == 2) {
    // HTML source line breaks are layout, not text.
    std::erase(value, L'\r');
    std::erase(value, L'\n');
  }

  const std::wstring shown = format == 1 ? value : fuzz::CrLf(value);
  std::wstring body = format == 3 ? L"{\\rtf1\\ansi " : format == 2 ? L"<html><body>" : L"";
  std::wstring expected;
  bool bareWord = false;   // an RTF control word without its delimiting blank ends the body
  bool lineEnded = false;  // HTML: a <br> is the last thing shown, so a </p> adds no line end
  int depth = 0;
  for (int n = provider.ConsumeIntegralInRange(0, 24); n > 0; --n) {
    switch (provider.ConsumeIntegralInRange(0, 4)) {
      case 0: {
        std::wstring run = Run(provider);
        if (bareWord) body += L' ';
        body += format == 3 ? RtfEscapeValue(run) : format == 2 ? HtmlEscapeValue(run) : run;
        expected += run;
        bareWord = false;
        lineEnded = lineEnded && run.empty();
        break;
      }
      case 1:
        if (format == 3) {
          std::wstring word = Pick(provider, {L"\\par", L"\\par ", L"\\line", L"\\tab", L"\\b",
                                              L"\\b0 ", L"\\i ", L"\\i0", L"\\ul ", L"\\ulnone "});
          if (bareWord) body += L' ';
          body += word;
          bareWord = word.back() != L' ';
          if (word.starts_with(L"\\par") || word == L"\\line") expected += L"\r\n";
          if (word == L"\\tab") expected += L"\t";
        }
        if (format == 2) {
          std::wstring tag =
              Pick(provider, {L"<b>", L"</b>", L"<br>", L"<p>", L"</p>", L"<i>", L"</i>"});
          body += tag;
          if (tag == L"<br>" || (tag == L"</p>" && !lineEnded)) expected += L"\r\n";
          if (tag == L"<br>" || tag == L"</p>") lineEnded = tag == L"<br>";
        }
        break;
      case 2:
        if (format == 3) body += L"{", ++depth, bareWord = false;
        break;
      case 3:
        if (format == 3 && depth > 0) body += L"}", --depth, bareWord = false;
        break;
      default: {
        // The token in any letter case, possibly split by formatting, as an editor leaves it.
        std::wstring token = L"%";
        int inner = 0;
        for (wchar_t c : kName) {
          if (format != 1 && provider.ConsumeBool()) {
            if (format == 3) {
              std::wstring markup = Pick(provider, {L"{\\b ", L"}", L"\\b ", L"\\b0", L"\\i "});
              if (markup == L"}" && inner == 0) markup = L"\\i0 ";
              inner += markup == L"}" ? -1 : markup[0] == L'{' ? 1 : 0;
              token += markup;
            } else {
              token += Pick(provider, {L"<span lang=EN>", L"</span>", L"<b>", L"</b>"});
            }
          }
          token += provider.ConsumeBool() ? static_cast<wchar_t>(std::towupper(c))
                                          : static_cast<wchar_t>(std::towlower(c));
        }
        token += std::wstring(static_cast<size_t>(inner), L'}') + L"%";
        body += token;
        expected += shown;
        bareWord = false;
        lineEnded = lineEnded && shown.empty();
      }
    }
  }
  body += format == 3   ? std::wstring(static_cast<size_t>(depth), L'}') + L"}"
          : format == 2 ? L"</body></html>"
                        : L"";

  auto read = [&](const std::wstring& made) {
    return format == 3   ? outlook::body::RtfToText(made)
           : format == 2 ? outlook::body::HtmlToText(made)
                         : made;
  };
  const std::wstring token = L"%" + kName + L"%";
  ProtectedText made(format == 3 ? RtfDelimitControlWords(body) : body);
  ReplaceInBody(made, format, token, value);
  std::wstring got = read(made.str());
  if (got != expected)
    std::fprintf(stderr, "body '%s'\nmade '%s'\nexpected '%s'\n     got '%s'\n",
                 fuzz::Show(body).c_str(), fuzz::Show(made.str()).c_str(),
                 fuzz::Show(expected).c_str(), fuzz::Show(got).c_str());
  FUZZ_CHECK(got == expected);
  return 0;
}
