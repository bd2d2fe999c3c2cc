// Sandboxes of programs that ended without removing them (killed, crashed) are cleared by the
// next program's start; those of programs still running, and those whose owner is unknown,
// stay.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/win32/Files.h"

namespace fs = std::filesystem;

namespace {

// The sandbox a program made in `parent` before it was killed: it never ran its destructor.
std::string SandboxOfAKilledProgram(const fs::path& parent) {
  int report[2];
  if (::pipe(report) != 0) return "";
  pid_t program = ::fork();
  if (program == 0) {
    auto* kept = new win32::files::TempSandbox(parent);
    std::string name = kept->Path().filename().string();
    (void)!::write(report[1], name.data(), name.size());
    ::_exit(0);
  }
  ::close(report[1]);
  char buffer[256];
  ssize_t got = ::read(report[0], buffer, sizeof buffer);
  ::close(report[0]);
  int status = 0;
  ::waitpid(program, &status, 0);
  return got > 0 ? std::string(buffer, static_cast<size_t>(got)) : "";
}

std::vector<std::string> Listing(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

TEST(AbandonedSandbox, TheStartClearsOnlyThoseOfProgramsThatEnded) {
  const fs::path parent = fs::current_path() / "abandoned sandboxes";
  fs::remove_all(parent);
  fs::create_directories(parent);
  const std::string before = SandboxOfAKilledProgram(parent);
  ASSERT_FALSE(before.empty());
  ASSERT_TRUE(fs::exists(parent / before / "C"));
  fs::create_directories(parent / "tanvelo-sandbox-unknown" / "C");  // an owner no one knows
  fs::create_directories(parent / "someone else's");
  {
    // This program's start: the killed program's sandbox goes, the others stay.
    win32::files::TempSandbox running(parent);
    const std::string alive = running.Path().filename().string();
    std::vector<std::string> expected{alive, "someone else's", "tanvelo-sandbox-unknown"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Listing(parent), expected);
    // Asked again later, a running program's sandbox is never taken for an abandoned one.
    const std::string later = SandboxOfAKilledProgram(parent);
    EXPECT_EQ(win32::files::ClearAbandonedSandboxes(parent), std::vector<std::string>{later});
    EXPECT_EQ(Listing(parent), expected);
  }
  // Ended as it should, a sandbox leaves nothing behind.
  EXPECT_EQ(Listing(parent),
            (std::vector<std::string>{"someone else's", "tanvelo-sandbox-unknown"}));
  fs::remove_all(parent);
}
