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
#include <vector>

#include "platform/win32/Files.h"

namespace {

class Terminal {
 public:
  // `locale` is the child's LANG, or empty to leave the test's own.
  explicit Terminal(const char* locale = "") {
    pid_ = forkpty(&fd_, nullptr, nullptr, nullptr);
    if (pid_ == 0) {
      if (*locale) {
        setenv("LANG", locale, 1);
        unsetenv("LC_ALL");
        unsetenv("LC_CTYPE");
      }
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

// A person at the terminal, step by step: what is typed once the text before it has been
// shown, and what must be shown after.
struct Step {
  std::string waitFor, keys;
};
struct Session {
  const char* name;
  std::vector<Step> steps;
  std::vector<std::string> shown, notShown;
};

// Each session in a terminal of its own; a step not reached ends that session alone.
void Play(const Session& c) {
  Terminal t("C.UTF-8");
  ASSERT_TRUE(t.Started());
  for (const auto& step : c.steps) {
    ASSERT_TRUE(t.WaitFor(step.waitFor)) << step.waitFor << "\n" << t.All();
    if (step.keys.empty()) continue;
    // A Ctrl-D reaches the editor only once it reads keys one by one.
    if (step.keys == "\x04") {
      ASSERT_TRUE(t.WaitForEditor()) << t.All();
    }
    t.Type(step.keys);
  }
  ASSERT_TRUE(t.WaitFor("outlook> ")) << t.All();
  t.Type("quit\n");
  EXPECT_EQ(0, t.Exit()) << t.All();
  for (const auto& text : c.shown) EXPECT_NE(std::string::npos, t.All().find(text)) << text;
  for (const auto& text : c.notShown) EXPECT_EQ(std::string::npos, t.All().find(text)) << text;
}

const std::string kStart = "start\n";
const std::string kReplyFolder = "(e.g. click cmdOK)> ";
const std::string kPicker =
    "node treFolders \"Tanvelo Templates/Company greeting\"; choose optSeparateMails; click "
    "btnOK\n";

// Typed letters beyond ASCII, a folder browser answered at the prompt, and Ctrl-D at a box
// whose every answer decides something.
TEST(PromptKeys, WhatAPersonTypesArrivesWholeAndCtrlDNeverSends) {
  const std::vector<Step> greeting = {
      {"outlook> ", kStart},
      {kReplyFolder, "enter\n"},
      {"outlook> ", "folder \"Tanvelo Templates\"\n"},
      {"outlook> ", "ribbon click btnNewTemplate\n"},
      {"outlook> ", "set subject \"Company greeting\"\n"},
      {"outlook> ", "type \"Greetings to %Company%!\"\n"},
      {"outlook> ", "save\n"},
      {"outlook> ", "close\n"},
      {"outlook> ", "folder Inbox\n"},
      {"outlook> ", "select \"Quarterly figures\"\n"},
      {"outlook> ", "ribbon click btnReplyAllWithSub\n"},
      {"(e.g. node treFolders", kPicker},
  };
  auto with = [&](std::vector<Step> more) {
    std::vector<Step> all = greeting;
    all.insert(all.end(), more.begin(), more.end());
    return all;
  };
  const Session cases[] = {
      {"letters of two, three and four bytes in a field",
       {{"outlook> ", kStart},
        {kReplyFolder, "enter\n"},
        {"outlook> ", "new mail\n"},
        {"outlook> ", "set subject \"Grüße Zoë 日本 😀\"\n"},
        {"outlook> ", "show mail\n"},
        {"outlook> ", "close discard\n"}},
       {"Grüße Zoë 日本 😀"},
       {"Ã"}},
      {"letters in a dialog's text, and its hint followed",
       with({{"(e.g. type txtValue \"a value\"; click btnOK)> ", "click btnOK\n"},
             {"(e.g. type txtValue \"a value\"; click btnOK)> ",
              "type txtValue \"Zoë 日本\"; click btnOK\n"},
             {"answer the box (yes no)> ", "no\n"},
             {"outlook> ", "folder Outbox\n"},
             {"outlook> ", "select #2\n"},
             {"outlook> ", "show mail\n"}}),
       {"Please enter a value", "Greetings to Zoë 日本!"},
       {"Ã"}},
      {"Ctrl-D at a Yes/No box asks again and sends nothing",
       with({{"(e.g. type txtValue", "type txtValue \"x\"; click btnOK\n"},
             {"answer the box (yes no)> ", "\x04"},
             {"it takes one of: yes no)", ""},
             {"answer the box (yes no)> ", "yes\n"},
             {"outlook> ", "expect folder Outbox count 0\n"}}),
       {"answered yes"},
       {"answered no", "error:"}},
      {"the folder browser answered by a folder, then cancelled by Ctrl-D",
       {{"outlook> ", kStart},
        {kReplyFolder, "enter\n"},
        {"outlook> ", "ribbon click btnExport\n"},
        {"answer frmExport", "click btnOpenWindowsFolder\n"},
        {"answer the browser (e.g. \"C:\\\\Temp\"", "\"C:\\\\Nowhere\"\n"},
        {"no folder", "\"C:\\\\Temp\"\n"},
        {"txtWindowsFolder = \"C:\\Temp\"", "click btnOpenWindowsFolder\n"},
        {"answer the browser", "\x04"},
        {"(the input ended: the browser is cancelled)", ""},
        {"answer frmExport", "esc\n"},
        {"outlook> ", "windows\n"}},
       {"answered \"C:\\\\Temp\"", "answered cancel", "* 1 explorer: Inbox"},
       {"error:"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Play(c);
  }
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
