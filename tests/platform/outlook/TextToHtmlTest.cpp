// Plain text made HTML in one sized pass must give exactly what escaping the text and then
// turning its line ends into breaks gives, for any mix of line ends and HTML characters.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/outlook/BodyConvert.h"

namespace {

// The two steps, one after the other.
std::wstring Model(const std::wstring& text) {
  std::wstring escaped;
  for (wchar_t c : text) {
    if (c == L'&')
      escaped += L"&amp;";
    else if (c == L'<')
      escaped += L"&lt;";
    else if (c == L'>')
      escaped += L"&gt;";
    else if (c == L'"')
      escaped += L"&quot;";
    else
      escaped += c;
  }
  std::wstring out = L"<html>\r\n<head>\r\n</head>\r\n<body>\r\n";
  for (size_t i = 0; i < escaped.size(); ++i) {
    if (escaped[i] == L'\r' && i + 1 < escaped.size() && escaped[i + 1] == L'\n') {
      out += L"<br>\r\n";
      ++i;
    } else if (escaped[i] == L'\n' || escaped[i] == L'\r') {
      out += L"<br>\r\n";
    } else {
      out += escaped[i];
    }
  }
  return out + L"\r\n</body>\r\n</html>\r\n";
}

TEST(TextToHtml, AnyMixOfLineEndsAndHtmlCharactersGivesTheTwoStepResult) {
  for (const std::wstring text : {L"", L"\r", L"\n", L"\r\n", L"\n\r", L"\r\r\n", L"a&b<c>\"d\"",
                                  L"end\r", L"\u00e9t\u00e9 & \U0001F600"})
    EXPECT_EQ(Model(text), outlook::body::TextToHtml(text)) << static_cast<int>(text.size());
  std::mt19937 random(38);
  const std::wstring alphabet = L"ab \r\n&<>\"\u00fc";
  for (int round = 0; round < 2000; ++round) {
    std::wstring text;
    for (size_t i = 0, n = random() % 40; i < n; ++i) text += alphabet[random() % alphabet.size()];
    ASSERT_EQ(Model(text), outlook::body::TextToHtml(text)) << "round " << round;
  }
}

}  // namespace
