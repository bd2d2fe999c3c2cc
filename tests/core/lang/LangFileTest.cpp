// The line reader: CR LF lines through its 4096-byte buffer, at every boundary, in both
// encodings, and its read errors.
#include "LangTestUtil.h"
#include "core/CLangFile.h"

using namespace langtest;

namespace {

class LineReader : public LangTest {
 protected:
  // Every line the reader gives for the file's bytes, and whether it ended cleanly.
  std::vector<std::wstring> ReadAll(const std::string& bytes, bool* cleanEnd = nullptr) {
    Write("r.lng", bytes);
    CLangFile file;
    EXPECT_TRUE(file.OpenFile(ProgramPath("r.lng")));
    std::vector<std::wstring> lines;
    std::wstring line;
    while (!file.FEOF()) {
      if (!file.ReadLine(line)) break;
      lines.push_back(line);
    }
    if (cleanEnd) *cleanEnd = file.FEOF() && file.LastError() == 0;
    return lines;
  }
};

TEST_F(LineReader, EveryLineArrivesWholeWhereverItMeetsTheBufferEdge) {
  // Line lengths chosen so that the file's last line, a CR LF, or a CR alone falls on a
  // 4096-byte edge.
  struct Case {
    const char* name;
    std::vector<size_t> lengths;
    bool finalCrLf;
  } cases[] = {
      {"last line without CR LF ends at the edge", {100, 3994}, false},
      {"whole file one byte short of the edge", {100, 3993}, false},
      {"whole file one byte past the edge", {100, 3995}, false},
      {"final CR LF ends at the edge", {100, 3992}, true},
      {"CR at the edge, LF in the next fill", {10, 4083, 7}, false},
      {"a first line of 4095 bytes: its CR fills the buffer", {4095, 5}, false},
      {"a later line of 4095 bytes", {10, 4095, 3, 4095}, true},
      {"last line ends at the second edge", {3000, 3000, 2188}, false},
      {"lines across three fills", {2000, 3000, 4000, 1}, true},
      {"short file", {3, 4}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string bytes;
    std::vector<std::wstring> expected;
    for (size_t i = 0; i < c.lengths.size(); ++i) {
      std::string line(c.lengths[i], static_cast<char>('a' + i));
      expected.push_back(win32::FromAnsi(line));
      bytes += line;
      if (i + 1 < c.lengths.size() || c.finalCrLf) bytes += "\r\n";
    }
    bool clean = false;
    EXPECT_EQ(ReadAll(bytes, &clean), expected);
    EXPECT_TRUE(clean);
  }
}

TEST_F(LineReader, AfterTheByteOrderMarkLongLinesArriveWholeToo) {
  for (size_t length : {4090u, 4092u, 4093u, 4095u}) {
    SCOPED_TRACE(length);
    EXPECT_EQ(ReadAll("\xEF\xBB\xBF" + std::string(length, 'a') + "\r\nnext\r\n"),
              (std::vector<std::wstring>{std::wstring(length, L'a'), L"next"}));
  }
}

TEST_F(LineReader, LongerStretchesComeIn4096BytePieces) {
  auto lines = ReadAll(std::string(5000, 'a') + "\r\nb");
  EXPECT_EQ(lines,
            (std::vector<std::wstring>{std::wstring(4096, L'a'), std::wstring(904, L'a'), L"b"}));
}

TEST_F(LineReader, LoneCrOrLfStayInTheLineAndEmptyLinesCount) {
  auto lines = ReadAll("a\rb\nc\r\n\r\n  \r\nlast");
  EXPECT_EQ(lines, (std::vector<std::wstring>{L"a\rb\nc", L"", L"  ", L"last"}));
  EXPECT_EQ(ReadAll(""), std::vector<std::wstring>{});
  EXPECT_EQ(ReadAll("\r\n"), std::vector<std::wstring>{L""});
}

TEST_F(LineReader, ByteOrderMarkChoosesUtf8) {
  // "Grüße" in UTF-8 with and without the mark, and in the ANSI code page.
  const std::string utf8 =
      "Gr\xC3\xBC\xC3\x9F"
      "e";
  EXPECT_EQ(ReadAll("\xEF\xBB\xBF" + utf8 + "\r\nx"),
            (std::vector<std::wstring>{L"Gr\u00FC\u00DFe", L"x"}));
  EXPECT_EQ(ReadAll(utf8), std::vector<std::wstring>{L"Gr\u00C3\u00BC\u00C3\u0178e"});
  EXPECT_EQ(ReadAll("Gr\xFC\xDF"
                    "e"),
            std::vector<std::wstring>{L"Gr\u00FC\u00DFe"});
  // The mark alone, and a file shorter than the mark.
  EXPECT_EQ(ReadAll("\xEF\xBB\xBF"), std::vector<std::wstring>{});
  EXPECT_EQ(ReadAll("\xEF\xBB"), std::vector<std::wstring>{L"\u00EF\u00BB"});
}

TEST_F(LineReader, ReadErrorsAreReportedAndEndOfFileErrorIsNone) {
  Write("r.lng", "one\r\ntwo");
  CLangFile file;
  ASSERT_TRUE(file.OpenFile(ProgramPath("r.lng")));
  std::wstring line;
  win32::files::FailNextRead(static_cast<uint32_t>(win32::ERROR_ACCESS_DENIED));
  EXPECT_FALSE(file.ReadLine(line));
  EXPECT_FALSE(file.FEOF());
  EXPECT_EQ(file.LastError(), static_cast<uint32_t>(win32::ERROR_ACCESS_DENIED));

  ASSERT_TRUE(file.OpenFile(ProgramPath("r.lng")));
  EXPECT_EQ(file.LastError(), 0u);
  ASSERT_TRUE(file.ReadLine(line));
  EXPECT_EQ(line, L"one");
  ASSERT_TRUE(file.ReadLine(line));
  EXPECT_EQ(line, L"two");
  win32::files::FailNextRead(win32::ERROR_HANDLE_EOF);
  EXPECT_FALSE(file.ReadLine(line));
  EXPECT_TRUE(file.FEOF());
  EXPECT_EQ(file.LastError(), 0u);

  EXPECT_FALSE(file.OpenFile(ProgramPath("missing.lng")));
  EXPECT_EQ(file.LastError(), static_cast<uint32_t>(win32::ERROR_FILE_NOT_FOUND));
  file.CloseFile();
  EXPECT_EQ(file.LastError(), 0u);
  EXPECT_EQ(win32::files::OpenHandleCount(), 0u);
}

}  // namespace
