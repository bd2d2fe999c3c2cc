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

TEST(CodePage, Utf8IntoTheCallersRoomWhateverItsSize) {
  // Astral, cut, overlong and plain: room for a character per byte is written straight;
  // room for the characters only, or less, takes the other road.
  const std::string bytes = "\xF0\x9F\x98\x80\xE2\x82x\xC0\xAF\xC3\xA9z";
  const std::wstring text = MultiByteToWide(CP_UTF8, bytes);
  ASSERT_EQ(L"\U0001F600\uFFFD\uFFFDx\uFFFD\uFFFD\u00E9z", text);
  const int count = static_cast<int>(bytes.size());
  for (int room : {count + 2, count, static_cast<int>(text.size())}) {
    std::wstring out(static_cast<size_t>(count) + 2, L'#');
    EXPECT_EQ(static_cast<int>(text.size()),
              MultiByteToWideChar(CP_UTF8, 0, bytes.data(), count, out.data(), room))
        << room;
    EXPECT_EQ(text + std::wstring(out.size() - text.size(), L'#'), out) << room;
  }
  wchar_t small[4];
  EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, 0, bytes.data(), count, small, 4));
  // -1 counts and writes the terminator on the direct road too.
  wchar_t withEnd[8] = {L'#', L'#', L'#', L'#', L'#', L'#', L'#', L'#'};
  EXPECT_EQ(3, MultiByteToWideChar(CP_UTF8, 0,
                                   "\xC3\xA9"
                                   "a",
                                   -1, withEnd, 8));
  EXPECT_EQ(std::wstring(L"\u00E9a", 2), std::wstring(withEnd));
}
