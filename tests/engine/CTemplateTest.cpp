// The usage record's text form and the record collection.
#include <gtest/gtest.h>

#include "engine/CTemplate.h"
#include "engine/CTemplates.h"
#include "platform/support/LibNorvane.h"

using support::library::Log;

namespace {
CTemplate Record(const std::wstring& id, int32_t replies, const std::wstring& subject = L"s") {
  CTemplate t;
  t.sEntryID = id;
  t.sSubject = subject;
  t.nRepliesCount = replies;
  return t;
}
}  // namespace

TEST(CTemplate, TextFormIsSevenLinesWithoutATrailingBreak) {
  CTemplate t;
  t.nRepliesCount = 1;
  t.nForwardsCount = 2;
  t.bPreaddressed = true;
  t.sSubject = L"abc";
  t.sEntryID = L"00AB";
  EXPECT_EQ(L"1\r\n0\r\n2\r\n0\r\n1\r\nabc\r\n00AB", t.ToString());
}

TEST(CTemplate, FromStringReadsWhatToStringWrote) {
  CTemplate t;
  t.nRepliesCount = 7;
  t.nRepliesAllCount = 2147483647;
  t.nForwardsCount = 0;
  t.nNewsCount = 12;
  t.sSubject = std::wstring(300, L'x') + L" \u00E9 a,b";
  t.sEntryID = std::wstring(140, L'F');
  CTemplate back;
  ASSERT_TRUE(back.FromString(t.ToString()));
  EXPECT_EQ(t.ToString(), back.ToString());
  EXPECT_FALSE(back.bPreaddressed);
}

TEST(CTemplate, SubjectWithLineBreaksKeepsTheEntryIDFromTheLastLine) {
  CTemplate t = Record(L"00CD", 3, L"first line\r\nsecond line\r\n");
  CTemplate back;
  ASSERT_TRUE(back.FromString(t.ToString()));
  EXPECT_EQ(L"00CD", back.sEntryID);
  EXPECT_EQ(L"first line\r\nsecond line\r\n", back.sSubject);
  EXPECT_EQ(3, back.nRepliesCount);
}

TEST(CTemplate, FromStringRefusesBrokenTexts) {
  struct Case {
    const char* what;
    std::wstring text;
  } cases[] = {
      {"one line", L"00AB"},
      {"six lines", L"1\r\n0\r\n0\r\n0\r\n0\r\nabc"},
      {"count not a number", L"1\r\nx\r\n0\r\n0\r\n0\r\nabc\r\nID"},
      {"empty count", L"1\r\n\r\n0\r\n0\r\n0\r\nabc\r\nID"},
      {"flag not a number", L"1\r\n0\r\n0\r\n0\r\nyes\r\nabc\r\nID"},
      {"lone line feeds do not separate", L"1\n0\n0\n0\n0\nabc\nID"},
  };
  for (const auto& c : cases) {
    CTemplate t = Record(L"KEEP", 9);
    const size_t before = Log().size();
    EXPECT_FALSE(t.FromString(c.text)) << c.what;
    EXPECT_EQ(L"KEEP", t.sEntryID) << c.what;
    EXPECT_EQ(9, t.nRepliesCount) << c.what;
    ASSERT_EQ(before + 1, Log().size()) << c.what;
    EXPECT_EQ(L"CTemplate.FromString", Log().back().procedure);
  }
}

TEST(CTemplate, FromStringAcceptsWhatTheRuntimeConverts) {
  CTemplate t;
  ASSERT_TRUE(t.FromString(L" 4 \r\n-1\r\n2.5\r\n0\r\n-1\r\n\r\nID"));
  EXPECT_EQ(4, t.nRepliesCount);
  EXPECT_EQ(-1, t.nRepliesAllCount);
  EXPECT_EQ(2, t.nForwardsCount);  // halves round to even
  EXPECT_TRUE(t.bPreaddressed);    // any nonzero flag
  EXPECT_EQ(L"", t.sSubject);
}

TEST(CTemplates, KeyedByEntryIDInInsertionOrder) {
  CTemplates list;
  list.AddCopy(Record(L"00AA", 1));
  list.AddCopy(Record(L"00BB", 2));
  EXPECT_FALSE(vb::Catch([&] { list.AddCopy(Record(L"00bb", 5)); }));
  EXPECT_EQ(457, vb::Err().Number());
  EXPECT_EQ(2, list.Count());
  EXPECT_EQ(2, list.Item(L"00BB")->nRepliesCount);
  EXPECT_EQ(L"00AA", list.Item(1)->sEntryID);
  EXPECT_EQ(nullptr, list.Find(L"00CC"));
  EXPECT_FALSE(vb::Catch([&] { list.Item(L"00CC"); }));

  CTemplates copy;
  copy.AddCopy(Record(L"OLD", 1));
  copy.CopyFrom(&list);
  ASSERT_EQ(2, copy.Count());
  copy.Item(1)->nRepliesCount = 99;  // a copy, not the same record
  EXPECT_EQ(1, list.Item(1)->nRepliesCount);
  copy.CopyFrom(nullptr);
  EXPECT_EQ(0, copy.Count());
}
