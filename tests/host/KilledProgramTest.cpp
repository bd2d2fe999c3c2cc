// A program keeping a profile, killed at random moments while it writes: the store it leaves
// opens, and holds every reply whose save had ended before the kill.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>
#include <string>

#include "host/ProfileStore.h"
#include "host/Program.h"
#include "host/ScriptReader.h"
#include "platform/outlook/Outlook.h"
#include "platform/win32/Files.h"
#include "platform/win32/Reset.h"
#include "tests/common/Source.h"

namespace {

constexpr int kReplies = 40;

// The program in a child process, its output into `fd`.
[[noreturn]] void Child(const std::string& dir, int fd) {
  std::vector<std::string> args = {"--profile", dir};
  // A template made the default one; then replies with it from the ribbon.
  for (const char* line :
       {"answer frmReplyFolder enter", "start", "select \"Quarterly figures\"", "answer box yes",
        "ribbon click btnSaveAsTemplate", "close", "folder \"Tanvelo Templates\"",
        "select \"Quarterly figures\"", "ribbon click btnChangeDefaultSet", "folder Inbox"})
    args.insert(args.end(), {"-e", line});
  for (int i = 0; i < kReplies; ++i)
    for (const char* line : {"select \"Offer\"", "ribbon click btnTanvelo", "close"})
      args.insert(args.end(), {"-e", line});
  host::ProgramIo io;
  io.out = [fd](const std::string& s) {
    for (size_t at = 0; at < s.size();) {
      ssize_t n = ::write(fd, s.data() + at, s.size() - at);
      if (n <= 0) _exit(9);
      at += static_cast<size_t>(n);
    }
  };
  io.err = io.out;
  io.readLine = [](std::string&) { return false; };
  io.languageFile = testsource::ReadSourceFile("lang/EN.lng");
  _exit(host::RunProgram(args, io));
}

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST(KilledProgram, TheStoreOpensWithEverySaveThatEndedBeforeTheKill) {
  win32::files::TempSandbox sandbox;
  std::mt19937 random(20261207);
  for (int round = 0; round < 4; ++round) {
    auto dir = sandbox.Path() / ("profile" + std::to_string(round));
    int pipe[2];
    ASSERT_EQ(0, ::pipe(pipe));
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::close(pipe[0]);
      Child(dir.string(), pipe[1]);
    }
    ::close(pipe[1]);
    // The kill comes while a reply of the first ones is under way, at a random byte.
    size_t killAfter = 2 + random() % 12, extra = random() % 200;
    std::string out;
    char buffer[256];
    size_t past = 0;
    while (true) {
      ssize_t n = ::read(pipe[0], buffer, sizeof buffer);
      if (n <= 0) break;
      out.append(buffer, static_cast<size_t>(n));
      if (Count(out, "> select \"Offer\"") >= killAfter) {
        past += static_cast<size_t>(n);
        if (past >= extra) break;
      }
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(pipe[0]);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the program ended before the kill:\n" << out;
    // Each "> select \"Offer\"" after the first tells the reply before it was closed and saved.
    size_t saved = Count(out, "> select \"Offer\"") - 1;

    win32::ResetPlatform();
    auto p = outlook::BuildProfile();
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Ok()) << host::Utf8(store.Error());
    ASSERT_TRUE(store.Load(p)) << host::Utf8(store.Error());
    auto drafts =
        p.session->GetDefaultFolder(outlook::olFolderDrafts)->Folders()->Item(L"Tanvelo Drafts");
    ASSERT_TRUE(drafts) << "round " << round;
    EXPECT_GE(static_cast<size_t>(drafts->Items()->Count()), saved) << "round " << round;
  }
}

}  // namespace
