// The line reader: CR LF lines through its 4096-byte buffer, at every boundary, in both
// encodings, and its read errors.
#include "LangTestUtil.h"
#include "core/CLangFile.h"

using namespace langtest;

namespace {

class LineReader : public LangTest {
 protected:
  // Every line the reader gives for the file's bytes, and whether it ended cleanly. The same
  // read over the file's bytes read once must give the same.
  std::vector<std::wstring> ReadAll(const std::string& bytes, bool* cleanEnd = nullptr) {
    Write("r.lng", bytes);
    auto read = [&](const std::shared_ptr<CLangFile::Image>& image, bool& clean) {
      CLangFile file;
      EXPECT_TRUE(file.OpenFile(ProgramPath("r.lng"), image));
      std::vector<std::wstring> lines;
      std::wstring line;
      while (!file.FEOF()) {
        if (!file.ReadLine(line)) break;
        lines.push_back(line);
      }
      clean = file.FEOF() && file.LastError() == 0;
      return lines;
    };
    bool clean = false, cleanOnce = false;
    auto image = CLangFile::ReadWhole(ProgramPath("r.lng"));
    EXPECT_TRUE(image);
    auto lines = read(nullptr, clean);
    EXPECT_EQ(read(image, cleanOnce), lines) << "read once";
    EXPECT_EQ(cleanOnce, clean) << "read once";
    if (cleanEnd) *cleanEnd = clean;
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
  win32::files::FailNextRead(win32::ERROR_READ_FAULT);
  EXPECT_FALSE(file.ReadLine(line));
  EXPECT_FALSE(file.FEOF());
  EXPECT_EQ(file.LastError(), win32::ERROR_READ_FAULT);

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

// What a section search sees: after the skip, the line the reader hands out next and its
// number, counted again from the file; both must match a plain line-by-line read.
TEST_F(LineReader, TheSkipToAHeaderPassesExactlyTheLinesTheReaderWould) {
  struct Case {
    const char* name;
    std::string before;  // the lines ahead of the header, CR LF included
  } cases[] = {
      {"nothing before", ""},
      {"short lines", "a = 1\r\n\r\n  ; note\r\nb = 2\r\n"},
      {"a bracket inside a line or after blanks in a value", "x = \"[not]\"\r\ny = a [b\r\n"},
      {"a lone LF or CR before a bracket is no line end", "x\n[not\r\ny\r[not\r\n"},
      {"lines across several fills", std::string(3000, 'a') + "\r\n" + std::string(3000, 'b') +
                                         "\r\n" + std::string(2500, 'c') + "\r\n"},
      {"a line longer than the buffer", std::string(5000, 'x') + "\r\n"},
      {"a line of 4095 bytes whose CR fills the buffer", std::string(4095, 'y') + "\r\n"},
      {"CR LF split by the buffer's edge", std::string(4094, 'z') + "\r\n"},
      {"the header after the byte-order mark", "\xEF\xBB\xBF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Write("s.lng", c.before + "  [Wanted] ; here\r\nafter\r\n");
    // The plain read: the header's number.
    CLangFile plain;
    ASSERT_TRUE(plain.OpenFile(ProgramPath("s.lng")));
    std::wstring line;
    int32_t expected = 0;
    while (plain.ReadLine(line)) {
      ++expected;
      if (line.find(L"[Wanted]") != std::wstring::npos) break;
    }
    // The same bytes read once serve two scans: the second follows the first one's skips.
    auto once = CLangFile::ReadWhole(ProgramPath("s.lng"));
    int scan = 0;
    for (auto image : {std::shared_ptr<CLangFile::Image>(), once, once}) {
      SCOPED_TRACE(image ? "read once, scan " + std::to_string(++scan) : "from the file");
      CLangFile file;
      ASSERT_TRUE(file.OpenFile(ProgramPath("s.lng"), image));
      // The skip may stop early at a line it leaves to the reader: those are read and dropped.
      for (;;) {
        bool skipped = false;
        ASSERT_TRUE(file.SkipToHeader(skipped));
        ASSERT_TRUE(file.ReadLine(line));
        if (line.find(L"[Wanted]") != std::wstring::npos) break;
      }
      EXPECT_EQ(line, L"  [Wanted] ; here");
      EXPECT_EQ(CLangFile::LineNumberAt(ProgramPath("s.lng"), file.LineOffset()), expected);
      ASSERT_TRUE(file.ReadLine(line));
      EXPECT_EQ(line, L"after");
    }
  }
}

TEST_F(LineReader, TheSkipReportsAFailedReadAndStopsAtTheEnd) {
  Write("s.lng", std::string(5000, 'a') + "\r\nno header\r\n");
  CLangFile file;
  ASSERT_TRUE(file.OpenFile(ProgramPath("s.lng")));
  win32::files::FailNextRead(win32::ERROR_READ_FAULT);
  bool skipped = true;
  EXPECT_FALSE(file.SkipToHeader(skipped));
  EXPECT_EQ(file.LastError(), win32::ERROR_READ_FAULT);

  ASSERT_TRUE(file.OpenFile(ProgramPath("s.lng")));
  std::wstring line;
  for (int i = 0; i < 5 && !file.FEOF(); ++i) {
    ASSERT_TRUE(file.SkipToHeader(skipped));
    file.ReadLine(line);
  }
  EXPECT_TRUE(file.FEOF());
  EXPECT_EQ(file.LastError(), 0u);
  EXPECT_EQ(CLangFile::LineNumberAt(ProgramPath("missing.lng"), 0), 0);
}

TEST_F(LineReader, AFailedReadOfTheWholeFileFailsTheFirstScanOnlyAndLaterOnesReadTheFile) {
  Write("s.lng", "[a]\r\nx = \"1\"\r\n");
  EXPECT_FALSE(CLangFile::ReadWhole(ProgramPath("missing.lng")));
  for (uint32_t error : {win32::ERROR_READ_FAULT, win32::ERROR_HANDLE_EOF}) {
    SCOPED_TRACE(error);
    win32::files::FailNextRead(error);
    auto image = CLangFile::ReadWhole(ProgramPath("s.lng"));
    ASSERT_TRUE(image);
    EXPECT_EQ(win32::files::OpenHandleCount(), 0u);
    std::wstring line;
    CLangFile first;
    ASSERT_TRUE(first.OpenFile(ProgramPath("s.lng"), image));
    EXPECT_FALSE(first.ReadLine(line));
    // As the scan's own read would have: an error stays an error, the end of the file an end.
    EXPECT_EQ(first.FEOF(), error == win32::ERROR_HANDLE_EOF);
    EXPECT_EQ(first.LastError(), error == win32::ERROR_HANDLE_EOF ? 0u : error);
    first.CloseFile();
    CLangFile next;
    ASSERT_TRUE(next.OpenFile(ProgramPath("s.lng"), image));
    ASSERT_TRUE(next.ReadLine(line));
    EXPECT_EQ(line, L"[a]");
    EXPECT_EQ(win32::files::OpenHandleCount(), 1u) << "the file itself";
  }
}

}  // namespace
