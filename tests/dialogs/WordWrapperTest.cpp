#include "tests/dialogs/ImportExportTest.h"

namespace {

class WordWrapperTest : public ImportExportTest {
 protected:
  CWordWrapper w;
  size_t LogCount() const { return support::library::Log().size(); }
};

}  // namespace

TEST_F(WordWrapperTest, DoneIsHarmlessAndSilentAnyNumberOfTimes) {
  w.Done();
  ASSERT_TRUE(w.Create());
  EXPECT_NE(w.WordApplication(), nullptr);
  w.Done();
  w.Done();
  EXPECT_EQ(w.WordApplication(), nullptr);
  EXPECT_EQ(word::RunningInstances(), 0);
  EXPECT_EQ(LogCount(), 0u);
}

TEST_F(WordWrapperTest, ANewDocumentWithoutTemplateCallsTheComponentWithoutArgument) {
  ASSERT_TRUE(w.Create());
  ASSERT_TRUE(win32::files::WriteAll("C:\\In\\T.dot", "{\\rtf1 T}"));
  EXPECT_NE(w.DocumentNew(L""), nullptr);
  EXPECT_NE(w.DocumentNew(L"C:\\In\\T.dot"), nullptr);
  EXPECT_EQ(word::Calls(), (std::vector<std::wstring>{L"CreateWordApplication()", L"DocumentNew()",
                                                      L"DocumentNew(C:\\In\\T.dot)"}));
}

TEST_F(WordWrapperTest, InUseMeansHeldByAnotherProgramAndNothingElse) {
  ASSERT_TRUE(win32::files::WriteAll("C:\\In\\Offer.doc", "{\\rtf1 x}"));
  EXPECT_FALSE(w.IsDocumentOpenned(L"C:\\In\\Offer.doc"));
  uint32_t hold = win32::files::HoldOpen(
      "C:\\In\\Offer.doc", win32::GENERIC_READ | win32::GENERIC_WRITE, win32::FILE_SHARE_READ);
  EXPECT_TRUE(w.IsDocumentOpenned(L"C:\\In\\Offer.doc"));
  win32::files::ReleaseHold(hold);
  // A read-only file is not in use, and a missing one is not made by asking.
  ASSERT_TRUE(win32::SetFileAttributesA("C:\\In\\Offer.doc", win32::FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(w.IsDocumentOpenned(L"C:\\In\\Offer.doc"));
  EXPECT_FALSE(w.IsDocumentOpenned(L"C:\\In\\Missing.doc"));
  EXPECT_FALSE(Exists(L"C:\\In\\Missing.doc"));
  EXPECT_EQ(win32::files::ReadAll("C:\\In\\Offer.doc").value_or("<missing>"), "{\\rtf1 x}");
  EXPECT_EQ(LogCount(), 0u);
}

TEST_F(WordWrapperTest, AFailingStepLogsOnceUnderItsNameAndAnswersEmpty) {
  ASSERT_TRUE(w.Create());
  ASSERT_TRUE(win32::files::WriteAll("C:\\In\\A.rtf", "{\\rtf1 A}"));
  auto doc = w.DocumentOpen(L"C:\\In\\A.rtf");
  ASSERT_NE(doc, nullptr);
  word::Faults().saveFails = true;
  EXPECT_FALSE(w.DocumentSaveAs(doc, L"C:\\In\\A.dot", 1));
  EXPECT_EQ(LogCount(), 1u);
  EXPECT_TRUE(Logged(L"CWordWrapper::DocumentSaveAs"));
  EXPECT_EQ(w.DocumentOpen(L"C:\\In\\Missing.rtf"), nullptr);
  EXPECT_TRUE(Logged(L"CWordWrapper::DocumentOpen"));
  w.DocumentClose(nullptr, 0);
  EXPECT_TRUE(Logged(L"CWordWrapper::DocumentClose"));
  EXPECT_FALSE(w.DocumentUnlinkFields(nullptr));
  EXPECT_EQ(LogCount(), 4u);
}

TEST_F(WordWrapperTest, AFailedCreateNamesTheStepThatFailed) {
  vb::UnregisterComponent(L"WordWrapper.CWordWrapper");
  EXPECT_FALSE(w.Create());
  EXPECT_TRUE(Logged(L"CWordWrapper::Create", L"[CreateWrapper]"));
  EXPECT_EQ(w.WordApplication(), nullptr);
  word::Install();
  word::Faults().createRaises = true;
  EXPECT_FALSE(w.Create());
  EXPECT_TRUE(testlog::LoggedContaining(L"CWordWrapper::Create", L"[CreateWord]"));
  word::Faults().createRaises = false;
  word::Faults().createFails = true;
  EXPECT_FALSE(w.Create());
  EXPECT_EQ(w.WordApplication(), nullptr);
  EXPECT_EQ(w.DocumentNew(L""), nullptr);
}

// The ANSI calls cannot name such a file: Word says it cannot find it, whatever its kind (the
// log holds the name as the ANSI code page has it).
TEST_F(WordWrapperTest, ADocumentNameBeyondTheCodePageIsOneThatCouldNotBeFound) {
  ASSERT_TRUE(w.Create());
  ASSERT_TRUE(win32::files::WriteAll("C:\\In\\Offer.doc", "{\\rtf1 x}"));
  for (const wchar_t* name : {L"C:\\In\\Offer \u0416.doc", L"C:\\In\\\u4E2D.dot",
                              L"C:\\In\\\u0416.htm", L"C:\\In\\\u0416.txt"}) {
    EXPECT_EQ(w.DocumentOpen(name), nullptr) << win32::ToAnsi(name);
    EXPECT_TRUE(testlog::LoggedContaining(
        L"CWordWrapper::DocumentOpen",
        L"This file could not be found. (" + win32::FromAnsi(win32::ToAnsi(name)) + L")"))
        << win32::ToAnsi(name);
  }
}
