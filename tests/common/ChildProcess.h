// What a test or benchmark reads of its own process, and a figure measured in a child process.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <fstream>
#include <string>

namespace childprocess {

// A figure of /proc/self/status in bytes ("VmRSS", "VmHWM").
inline double StatusBytes(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::string key = std::string(field) + ":";
  while (std::getline(in, line))
    if (line.rfind(key, 0) == 0) return std::stod(line.substr(key.size())) * 1024;
  return 0;
}

// `measure()` run in a child process of its own, so one figure's peak memory is not another's;
// below 0 when the child failed.
template <class Measure>
double InChild(Measure measure) {
  int fds[2];
  if (::pipe(fds) != 0) return -1;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(fds[0]);
    double figure = -1;
    try {
      figure = measure();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "%s\n", e.what());
    }
    (void)!::write(fds[1], &figure, sizeof figure);
    ::_exit(0);
  }
  ::close(fds[1]);
  double figure = -1;
  if (::read(fds[0], &figure, sizeof figure) != static_cast<ssize_t>(sizeof figure)) figure = -1;
  ::close(fds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return figure;
}

}  // namespace childprocess
