// The case-blind search every merge and body edit relies on, against the plain definition: the
// first place at or after `from` where the text equals the pattern, ASCII letters folded.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "engine/RoadSupport.h"

using mTanvelo::road::FindNoCase;

namespace {

size_t Model(const std::wstring& text, const std::wstring& what, size_t from) {
  auto lower = [](wchar_t c) { return (c >= L'A' && c <= L'Z') ? wchar_t(c + 32) : c; };
  for (size_t at = from; at + what.size() <= text.size(); ++at) {
    size_t k = 0;
    while (k < what.size() && lower(text[at + k]) == lower(what[k])) ++k;
    if (k == what.size()) return at;
  }
  return what.empty() && from <= text.size() ? from : std::wstring::npos;
}

TEST(FindNoCase, FindsTheFirstPlaceAtOrAfterTheStartWhereThePatternFitsWhole) {
  const std::wstring html = L"<p>x</P><BODY bgcolor=red></p></Body>";
  struct Case {
    std::wstring what;
    size_t from, expected;
  } cases[] = {
      {L"</body>", 0, 30},
      {L"</P>", 0, 4},
      {L"</p>", 5, 26},
      {L"<body", 0, 8},
      {L"</BODY>", 31, std::wstring::npos},
      {L"</body>", 30, 30},
      {L"</body>x", 0, std::wstring::npos},
      {L"", 3, 3},
      {L"", 99, std::wstring::npos},
      {L"RED>", 0, 22},
      {L"bgcolor=", 0, 14},
      {L"<p>", 40, std::wstring::npos},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.what.begin(), c.what.end()) + " from " + std::to_string(c.from));
    EXPECT_EQ(FindNoCase(html, c.what, c.from), c.expected);
  }
}

TEST(FindNoCase, RandomTextsAndPatternsGiveTheDefinitionsAnswer) {
  std::mt19937 random(21);
  const std::wstring alphabet = L"<>/ =bBoOdDyY@1x\u00e4\u00c4";
  auto pick = [&](size_t size) {
    std::wstring s;
    for (size_t i = 0; i < size; ++i) s += alphabet[random() % alphabet.size()];
    return s;
  };
  for (int round = 0; round < 4000; ++round) {
    const std::wstring text = pick(random() % 40);
    std::wstring what = pick(1 + random() % 5);
    // Half the patterns are taken from the text, so that most searches meet a match.
    if (round % 2 && text.size() > 2) {
      size_t at = random() % (text.size() - 1), size = 1 + random() % (text.size() - at);
      what = text.substr(at, std::min<size_t>(size, 6));
    }
    const size_t from = random() % (text.size() + 2);
    ASSERT_EQ(FindNoCase(text, what, from), Model(text, what, from))
        << "round " << round << " from " << from;
  }
}

}  // namespace
