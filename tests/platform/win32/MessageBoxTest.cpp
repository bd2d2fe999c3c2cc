#include <gtest/gtest.h>

#include "platform/win32/MessageBox.h"

using namespace win32;

TEST(MessageBox, AnswersComeFromTheQueueAndEveryBoxIsRecorded) {
  msgbox::Answer(IDNO);
  msgbox::Answer(IDOK);
  EXPECT_EQ(IDNO, MessageBoxW(0, L"Send now?", L"Tanvelo", MB_YESNO | MB_ICONEXCLAMATION));
  EXPECT_EQ(IDOK, MessageBoxW(0, L"Done", L"Tanvelo", MB_OK));
  ASSERT_EQ(2u, msgbox::Shown().size());
  EXPECT_EQ(L"Send now?", msgbox::Shown()[0].text);
  EXPECT_EQ(52u, msgbox::Shown()[0].style);
  EXPECT_EQ(0u, msgbox::PendingAnswers());
}

TEST(MessageBox, UnansweredBoxFailsAtOnceWithItsText) {
  try {
    MessageBoxW(0, L"Unexpected question", L"Tanvelo", MB_OK);
    FAIL() << "no exception";
  } catch (const UnscriptedPrompt& e) {
    EXPECT_NE(std::string::npos, std::string(e.what()).find("Unexpected question"));
  }
}

TEST(MessageBox, DefaultAnswererServesWhenTheQueueIsEmpty) {
  msgbox::SetDefaultAnswerer(
      [](const ShownMessageBox& box) { return (box.style & 0xF) == MB_YESNO ? IDYES : IDOK; });
  msgbox::Answer(IDCANCEL);
  EXPECT_EQ(IDCANCEL, MessageBoxW(0, L"q", L"t", MB_OKCANCEL));
  EXPECT_EQ(IDYES, MessageBoxW(0, L"q", L"t", MB_YESNO));
}
