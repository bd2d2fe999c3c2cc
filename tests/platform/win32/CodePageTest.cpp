#include <gtest/gtest.h>

#include "platform/win32/CodePage.h"

using namespace win32;

TEST(CodePage, AnsiRoundTripOfWindows1252Letters) {
  std::wstring text = L"Caf\u00E9 \u20AC5 \u2018quoted\u2019 \u0160koda \u00FF";
  std::string ansi = ToAnsi(text);
  EXPECT_EQ(text.size(), ansi.size());
  EXPECT_EQ('\x80', ansi[5]);  // the euro sign's byte in 1252
  EXPECT_EQ(text, FromAnsi(ansi));
}

TEST(CodePage, UnrepresentableCharactersBecomeQuestionMarks) {
  bool usedDefault = false;
  std::wstring text = L"\u4E2D\u6587 ok";
  char out[16];
  int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), out,
                              sizeof out, nullptr, &usedDefault);
  EXPECT_EQ("?? ok", std::string(out, n));
  EXPECT_TRUE(usedDefault);
  // Bytes 1252 leaves undefined read as the replacement character.
  EXPECT_EQ(std::wstring(1, wchar_t(0xFFFD)), FromAnsi("\x81"));
}

TEST(CodePage, Utf8BothWaysIncludingAstralAndInvalidBytes) {
  std::wstring text = L"\u00E9\u20AC\U0001F600";
  std::string utf8 = WideToMultiByte(CP_UTF8, text);
  EXPECT_EQ("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", utf8);
  EXPECT_EQ(text, MultiByteToWide(CP_UTF8, utf8));
  // A cut sequence and an overlong form do not swallow the following text.
  EXPECT_EQ(L"\uFFFDa", MultiByteToWide(CP_UTF8,
                                        "\xE2\x82"
                                        "a")
                            .substr(1));
  EXPECT_EQ(L"\uFFFD\uFFFD/", MultiByteToWide(CP_UTF8, "\xC0\xAF/"));
}

TEST(CodePage, SizeQueriesAndSmallBuffers) {
  EXPECT_EQ(3, MultiByteToWideChar(CP_UTF8, 0, "\xC3\xA9xy", 4, nullptr, 0));
  wchar_t small[2];
  EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, 0, "abc", 3, small, 2));
  EXPECT_EQ(0, MultiByteToWideChar(437, 0, "abc", 3, nullptr, 0));  // not a known code page
  // -1 counts the terminator, as the real call does.
  EXPECT_EQ(4, MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0));
}
