// The memory a long line costs the program, for the memory test and the host benchmark alike.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "host/Program.h"
#include "tests/common/ChildProcess.h"

namespace longline {

// The program's peak above what the process held before it ran, on a script whose second line
// is `command` and a word of `bytes` bytes (an unknown command when `command` is empty); below 0
// when the line did not fail. `script` is written there and removed.
inline double PeakBytes(const std::filesystem::path& script, size_t bytes, bool piped,
                        const std::string& command, std::string languageFile) {
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
  io.languageFile = std::move(languageFile);
  if (std::FILE* reset = std::fopen("/proc/self/clear_refs", "w")) {
    std::fputs("5", reset);  // the peak starts again from what is resident now
    std::fclose(reset);
  }
  const double before = childprocess::StatusBytes("VmRSS");
  int code = piped ? host::RunProgram({}, io) : host::RunProgram({script.string()}, io);
  double peak = childprocess::StatusBytes("VmHWM") - before;
  std::filesystem::remove(script);
  return code == 2 ? peak : -1;
}

}  // namespace longline
