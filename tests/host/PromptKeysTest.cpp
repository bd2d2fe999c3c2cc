// The prompt as a person at a terminal meets it: the program itself under a pseudo-terminal,
// its keys typed through the terminal's line discipline (Ctrl-C raises SIGINT there).
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/win32/Files.h"

namespace {

class Terminal {
 public:
  Terminal() {
    pid_ = forkpty(&fd_, nullptr, nullptr, nullptr);
    if (pid_ == 0) {
      execl(TANVELO_OUTLOOK, TANVELO_OUTLOOK, static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~Terminal() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (fd_ >= 0) close(fd_);
  }
  bool Started() const { return pid_ > 0; }
  void Type(const std::string& keys) {
    ASSERT_EQ(ssize_t(keys.size()), write(fd_, keys.data(), keys.size()));
  }
  // Reads until `text` has been shown since the last wait; false when it is not within the
  // bound (the program is stuck or ended).
  bool WaitFor(const std::string& text) {
    for (;;) {
      size_t at = all_.find(text, seen_);
      if (at != std::string::npos) {
        seen_ = at + text.size();
        return true;
      }
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, 20000) <= 0) return false;
      char buf[4096];
      ssize_t n = read(fd_, buf, sizeof buf);
      if (n <= 0) return false;
      all_.append(buf, static_cast<size_t>(n));
    }
  }
  // Whether the line editor reads keys one by one (the terminal out of line mode): a Ctrl-D
  // typed while the terminal still gathers a line would reach the editor as another key.
  bool WaitForEditor() {
    for (int i = 0; i < 20000; ++i) {
      termios mode{};
      if (tcgetattr(fd_, &mode) != 0) return false;
      if (!(mode.c_lflag & ICANON)) return true;
      poll(nullptr, 0, 1);
    }
    return false;
  }
  // The exit code, once the program has ended by itself; -1 when it has not within the bound
  // (then it is killed, so a stuck program fails the test instead of hanging it).
  int Exit() {
    while (WaitFor("\x01never shown")) {
    }
    int status = 0;
    for (int i = 0; i < 20000; ++i) {
      pid_t done = waitpid(pid_, &status, WNOHANG);
      if (done == pid_) {
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      if (done < 0) return -1;
      poll(nullptr, 0, 1);
    }
    return -1;
  }
  const std::string& All() const { return all_; }

 private:
  int fd_ = -1;
  pid_t pid_ = -1;
  bool exited_ = false;
  std::string all_;
  size_t seen_ = 0;
};

TEST(PromptKeys, CtrlCDropsTheLineBeingTypedAndCtrlDEndsTellingWhatIsDropped) {
  Terminal t;
  ASSERT_TRUE(t.Started());
  ASSERT_TRUE(t.WaitFor("outlook> ")) << t.All();
  t.Type("fly away");
  ASSERT_TRUE(t.WaitFor("fly away")) << t.All();
  t.Type("\x03");  // dropped: never run, the program goes on
  ASSERT_TRUE(t.WaitFor("outlook> ")) << t.All();
  t.Type("start\n");
  ASSERT_TRUE(t.WaitFor("(e.g. click cmdOK)> ")) << t.All();
  t.Type("click cmdOk");
  ASSERT_TRUE(t.WaitFor("click cmdOk")) << t.All();
  t.Type("\x03");  // at a dialog's question too; the dialog stays
  ASSERT_TRUE(t.WaitFor("(e.g. click cmdOK)> ")) << t.All();
  t.Type("enter\n");
  ASSERT_TRUE(t.WaitFor("outlook> ")) << t.All();
  t.Type("new mail\n");
  ASSERT_TRUE(t.WaitFor("outlook> ")) << t.All();
  ASSERT_TRUE(t.WaitForEditor()) << t.All();
  t.Type("\x04");
  EXPECT_EQ(0, t.Exit()) << t.All();
  EXPECT_EQ(std::string::npos, t.All().find("unknown command")) << t.All();
  EXPECT_NE(std::string::npos, t.All().find("closed without saving: \"Untitled - Message\""))
      << t.All();
  EXPECT_NE(std::string::npos, t.All().find("Outlook has ended")) << t.All();
}

// Ctrl-D at a dialog's question cancels that dialog, and the prompt reads on.
TEST(PromptKeys, CtrlDAtADialogCancelsItAndThePromptGoesOn) {
  Terminal t;
  ASSERT_TRUE(t.Started());
  ASSERT_TRUE(t.WaitFor("outlook> ")) << t.All();
  t.Type("start\n");
  ASSERT_TRUE(t.WaitFor("(e.g. click cmdOK)> ")) << t.All();
  ASSERT_TRUE(t.WaitForEditor()) << t.All();
  t.Type("\x04");
  ASSERT_TRUE(t.WaitFor("(the input ended: frmReplyFolder is cancelled, as with esc)")) << t.All();
  ASSERT_TRUE(t.WaitFor("outlook> ")) << t.All();
  t.Type("show templates\n");
  ASSERT_TRUE(t.WaitFor("[Standard Templates]")) << t.All();
  ASSERT_TRUE(t.WaitFor("outlook> ")) << t.All();
  ASSERT_TRUE(t.WaitForEditor()) << t.All();
  t.Type("\x04");
  EXPECT_EQ(0, t.Exit()) << t.All();
  EXPECT_EQ(std::string::npos, t.All().find("error:")) << t.All();
}

}  // namespace

namespace {

// The language file beside the program is read only when it is a plain file: a folder in its
// place is told, and the program goes on without it.
TEST(ProgramFiles, AFolderWhereTheLanguageFileBelongsIsToldAndTheProgramGoesOn) {
  win32::files::TempSandbox scratch;
  auto dir = scratch.Path() / "bin";
  std::filesystem::create_directories(dir / "EN.lng");
  std::filesystem::copy_file(TANVELO_OUTLOOK, dir / "tanvelo-outlook");
  std::filesystem::permissions(dir / "tanvelo-outlook", std::filesystem::perms::owner_exec,
                               std::filesystem::perm_options::add);
  auto log = scratch.Path() / "out.txt";
  std::string command = "'" + (dir / "tanvelo-outlook").string() + "' -e help >'" + log.string() +
                        "' 2>&1 </dev/null";
  int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(0, WEXITSTATUS(status));
  std::ifstream in(log);
  std::string out((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(std::string::npos, out.find("EN.lng is not a plain file; it is not read")) << out;
  EXPECT_NE(std::string::npos, out.find("start | quit")) << out;
}

}  // namespace
