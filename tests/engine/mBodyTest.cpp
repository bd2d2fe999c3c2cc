// Bodies by format, and HTML carried in RTF.
#include <gtest/gtest.h>

#include "engine/mBody.h"

TEST(mBodyRtf, EncodesControlCharactersAndEverythingOutsideAscii) {
  struct Case {
    const char* what;
    std::wstring text, rtf;
  } cases[] = {
      {"plain ascii", L"<p>Hi there</p>", L"<p>Hi there</p>"},
      {"braces", L"a{b}c", L"a\\{b\\}c"},
      {"backslashes before braces", L"C:\\dir\\{x}", L"C:\\\\dir\\\\\\{x\\}"},
      {"latin", L"caf\u00E9", L"caf\\u233?"},
      {"above 32767 is negative", L"\u20AC\uFFFD", L"\\u8364?\\u-3?"},
      {"outside the basic plane as two units", L"\U0001F600", L"\\u-10179?\\u-8704?"},
      {"line breaks stay", L"a\r\nb", L"a\r\nb"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.rtf, mBody::RtfEncodeText(c.text)) << c.what;
  EXPECT_EQ(L"{\\rtf1\\ansi\\ansicpg1252\\fromhtml1<b>\\{x\\}</b>}",
            mBody::HtmlToRtf(L"<b>{x}</b>"));
}
