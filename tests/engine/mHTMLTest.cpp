// Taking an HTML start tag apart and rebuilding the body tag.
#include <gtest/gtest.h>

#include "engine/mHTML.h"
#include "platform/support/LibNorvane.h"

using support::library::Log;

namespace {
struct SplitCase {
  const char* what;
  std::wstring tag;
  std::wstring name;
  std::vector<std::wstring> names, values;
};
}  // namespace

TEST(mHTML, SplitTagKeepsEveryAttributeWithItsValue) {
  const SplitCase cases[] = {
      {"unquoted",
       L"<body text=black bgcolor=red>",
       L"body",
       {L"text", L"bgcolor"},
       {L"black", L"red"}},
      {"double quotes keep blanks",
       L"<body background=\"a b.gif\" >",
       L"body",
       {L"background"},
       {L"\"a b.gif\""}},
      {"single quotes keep blanks",
       L"<body lang=EN-US style='word-wrap:break-word; color:red'>",
       L"body",
       {L"lang", L"style"},
       {L"EN-US", L"'word-wrap:break-word; color:red'"}},
      {"one kind of quote inside the other",
       L"<p title='say \"hi now\"' alt=\"it's x\">",
       L"p",
       {L"title", L"alt"},
       {L"'say \"hi now\"'", L"\"it's x\""}},
      {"bare attributes",
       L"<td nowrap width=5 hidden>",
       L"td",
       {L"nowrap", L"width", L"hidden"},
       {L"", L"5", L""}},
      {"blanks around the equals sign",
       L"<body text = black\r\n\tlink=blue>",
       L"body",
       {L"text", L"link"},
       {L"black", L"blue"}},
      {"trailing name with equals sign", L"<body text=>", L"body", {L"text"}, {L""}},
      {"no attributes, text around", L"xx<BODY>yy", L"BODY", {}, {}},
  };
  for (const auto& c : cases) {
    std::wstring name;
    std::vector<std::wstring> names{L"stale"}, values{L"stale"};
    ASSERT_TRUE(mHTML::SplitTag(c.tag, name, names, values)) << c.what;
    EXPECT_EQ(c.name, name) << c.what;
    EXPECT_EQ(c.names, names) << c.what;
    EXPECT_EQ(c.values, values) << c.what;
  }
  EXPECT_TRUE(Log().empty());
}

TEST(mHTML, UnsplittableTagsAreLoggedOnce) {
  for (std::wstring tag : {L"body bgcolor=red", L"<body bgcolor=red", L"<body =red>"}) {
    const size_t before = Log().size();
    std::wstring name;
    std::vector<std::wstring> names, values;
    EXPECT_FALSE(mHTML::SplitTag(tag, name, names, values));
    EXPECT_EQ(L"", mHTML::ExtractTagParam(tag, L"bgcolor"));
    EXPECT_EQ(L"<body >", mHTML::InsertTagParam(tag, L"bgcolor", L"blue"));
    ASSERT_EQ(before + 3, Log().size());  // one entry per split, nothing more
    for (size_t i = before; i < Log().size(); ++i) {
      EXPECT_EQ(L"mHTML::SplitTag", Log()[i].procedure);
      EXPECT_EQ(L"Parse error in {" + tag + L"}", Log()[i].text);
      EXPECT_EQ(3, Log()[i].level);
    }
  }
}

TEST(mHTML, ExtractTagParamFindsTheFirstNameInAnyCase) {
  const std::wstring tag = L"<body bgcolor=\"#FF0000\" text=black BGCOLOR=green nowrap>";
  EXPECT_EQ(L"\"#FF0000\"", mHTML::ExtractTagParam(tag, L"BGCOLOR"));
  EXPECT_EQ(L"black", mHTML::ExtractTagParam(tag, L" Text "));
  EXPECT_EQ(L"", mHTML::ExtractTagParam(tag, L"nowrap"));
  EXPECT_EQ(L"", mHTML::ExtractTagParam(tag, L"background"));
}

TEST(mHTML, InsertTagParamPutsTheAttributeFirstAndKeepsTheOthers) {
  struct Case {
    std::wstring tag, param, value, expected;
  } cases[] = {
      {L"<body text=black bgcolor=red>", L"bgcolor", L"blue", L"<body bgcolor=blue text=black>"},
      {L"<BODY>", L"background", L"\"cid:x\"", L"<body background=\"cid:x\">"},
      {L"<body lang=EN-US link=blue vlink=purple style='word-wrap:break-word; color:red'>",
       L"bgcolor", L"\"#FFFFFF\"",
       L"<body bgcolor=\"#FFFFFF\" lang=EN-US link=blue vlink=purple "
       L"style='word-wrap:break-word; color:red'>"},
      {L"<p nowrap BGCOLOR=red class=x>", L"bgcolor", L"blue",
       L"<body bgcolor=blue nowrap class=x>"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, mHTML::InsertTagParam(c.tag, c.param, c.value));
}
