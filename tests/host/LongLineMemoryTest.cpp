// The memory an unknown command of 50 million characters costs the program, from a script file
// and piped: its peak resident memory, less that of the same script with a short command, is
// at most 6 bytes for each byte of the line. Each run is a child process of its own, so that
// nothing before it counts.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/Program.h"
#include "platform/win32/Files.h"
#include "tests/common/ChildProcess.h"
#include "tests/common/Source.h"
#include "tests/host/LongLinePeak.h"

namespace {

constexpr size_t kLineBytes = 50'000'000;

}  // namespace

TEST(LongLineMemory, ALineOfFiftyMillionCharactersCostsAtMostSixBytesAByte) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's allocator keeps freed memory and pads every block";
#endif
  win32::files::TempSandbox scratch;
  // A script file's unknown command is found before anything runs; a long word of a known
  // command runs, and is split into its words, as a piped line is.
  const struct {
    const char* what;
    bool piped;
    std::string command;
  } kRuns[] = {{"an unknown command from a script file", false, ""},
               {"an unknown command piped", true, ""},
               {"a long word of a command from a script file", false, "select "}};
  for (const auto& run : kRuns) {
    double small = childprocess::InChild([&] {
      return longline::PeakBytes(scratch.Path() / "line.txt", 10, run.piped, run.command,
                                 testsource::ReadSourceFile("lang/EN.lng"));
    });
    double large = childprocess::InChild([&] {
      return longline::PeakBytes(scratch.Path() / "line.txt", kLineBytes, run.piped, run.command,
                                 testsource::ReadSourceFile("lang/EN.lng"));
    });
    ASSERT_GE(small, 0) << run.what;
    ASSERT_GE(large, 0) << run.what;
    double perByte = (large - small) / static_cast<double>(kLineBytes);
    EXPECT_LE(perByte, 6.0) << run.what;
    std::printf("%s: %.2f bytes a byte\n", run.what, perByte);
  }
}
