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

namespace {

constexpr size_t kLineBytes = 50'000'000;

using childprocess::StatusBytes;

// The program's peak above what the process held before it ran, on a script whose second line
// is `command` and a word of `bytes` bytes (an unknown command when `command` is empty); below 0
// when the line did not fail.
double PeakBytes(const std::filesystem::path& dir, size_t bytes, bool piped,
                 const std::string& command) {
  auto script = dir / "line.txt";
  std::string line = command + std::string(bytes, 'x');
  if (!piped) {
    std::ofstream(script, std::ios::binary) << "help\n" << line << "\n";
    std::string().swap(line);
  }
  host::ProgramIo io;
  io.out = [](const std::string&) {};
  io.err = [](const std::string&) {};
  size_t next = 0;
  io.readLine = [&](std::string& text) {
    if (next >= 2) return false;
    if (next++ == 0) {
      text = "help";
    } else {
      text = line;
      std::string().swap(line);
    }
    return true;
  };
  io.languageFile = testsource::ReadSourceFile("lang/EN.lng");
  if (std::FILE* reset = std::fopen("/proc/self/clear_refs", "w")) {
    std::fputs("5", reset);  // the peak starts again from what is resident now
    std::fclose(reset);
  }
  const double before = StatusBytes("VmRSS");
  int code = piped ? host::RunProgram({}, io) : host::RunProgram({script.string()}, io);
  double peak = StatusBytes("VmHWM") - before;
  std::filesystem::remove(script);
  return code == 2 ? peak : -1;
}

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
    double small = childprocess::InChild(
        [&] { return PeakBytes(scratch.Path(), 10, run.piped, run.command); });
    double large = childprocess::InChild(
        [&] { return PeakBytes(scratch.Path(), kLineBytes, run.piped, run.command); });
    ASSERT_GE(small, 0) << run.what;
    ASSERT_GE(large, 0) << run.what;
    double perByte = (large - small) / static_cast<double>(kLineBytes);
    EXPECT_LE(perByte, 6.0) << run.what;
    std::printf("%s: %.2f bytes a byte\n", run.what, perByte);
  }
}
