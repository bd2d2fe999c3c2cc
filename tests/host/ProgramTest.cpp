// The program as a user runs it: options, scripts and -e lines, what it prints as things
// happen, and its exit codes (0 done, 1 an expectation failed, 2 a script or option error,
// 3 the profile could not be saved).
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>

#include "core/CWinReg.h"
#include "core/Main.h"
#include "host/FaultVfs.h"
#include "host/ProfileStore.h"
#include "host/Program.h"
#include "host/Session.h"
#include "platform/addin/OutlookHost.h"
#include "platform/outlook/Outlook.h"
#include "platform/win32/Files.h"
#include "platform/win32/Registry.h"
#include "platform/win32/Reset.h"
#include "tests/common/Source.h"
#include "tests/host/OlderProfile.h"

namespace {

struct Run {
  int code = -1;
  std::string out, err;
};

Run Program(std::vector<std::string> args, std::vector<std::string> input = {}) {
  Run run;
  host::ProgramIo io;
  io.out = [&](const std::string& s) { run.out += s; };
  io.err = [&](const std::string& s) { run.err += s; };
  size_t next = 0;
  io.readLine = [&](std::string& line) {
    if (next >= input.size()) return false;
    line = input[next++];
    return true;
  };
  io.languageFile = testsource::ReadSourceFile("lang/EN.lng");
  run.code = host::RunProgram(args, io);
  return run;
}

// The line editor is the prompt's alone: piped commands are read as plain lines.
struct EditedRun {
  std::string out;
  std::vector<std::string> prompts;  // what the editor was asked to show
  size_t plainReads = 0;
  int code = -1;
};

EditedRun RunEdited(bool terminal, std::vector<std::string> input) {
  EditedRun run;
  host::ProgramIo io;
  io.out = [&](const std::string& s) { run.out += s; };
  io.err = [&](const std::string& s) { run.out += s; };
  size_t next = 0;
  io.readLine = [&](std::string& line) {
    ++run.plainReads;
    if (next >= input.size()) return false;
    line = input[next++];
    return true;
  };
  io.readEdited = [&](const std::string& prompt, std::string& line) {
    run.prompts.push_back(prompt);
    if (next >= input.size()) return false;
    line = input[next++];
    if (line == "\x03") throw host::Interrupted{};  // Ctrl-C while typing
    if (line == "\x04") return false;               // Ctrl-D: this read ends, the next reads on
    return true;
  };
  io.terminal = terminal;
  io.languageFile = testsource::ReadSourceFile("lang/EN.lng");
  run.code = host::RunProgram({}, io);
  return run;
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST(Program, OptionsAreCheckedBeforeAnythingRuns) {
  auto help = Program({"--help"});
  EXPECT_EQ(0, help.code);
  EXPECT_TRUE(Has(help.out, "--outlook 9|10|11|12|14"));
  EXPECT_EQ(2, Program({"--outlook", "13"}).code);
  EXPECT_EQ(2, Program({"--outlook"}).code);
  EXPECT_EQ(2, Program({"--frobnicate"}).code);
  EXPECT_EQ(2, Program({"-e"}).code);
  auto missing = Program({"/no/such/script.txt"});
  EXPECT_EQ(2, missing.code);
  EXPECT_TRUE(Has(missing.err, "/no/such/script.txt"));
}

TEST(Program, WordIsInMemoryUnlessLibreOfficeIsAskedForAndFound) {
  EXPECT_TRUE(Has(Program({"--help"}).out, "--word memory|libreoffice"));
  EXPECT_EQ(2, Program({"--word", "office"}).code);
  EXPECT_EQ(2, Program({"--word"}).code);
  EXPECT_EQ(0, Program({"--word", "memory", "-e", "wait 1"}).code);
  std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", "/nonexistent", 1);
  auto missing = Program({"--word", "libreoffice", "-e", "wait 1"});
  setenv("PATH", path.c_str(), 1);
  EXPECT_EQ(2, missing.code);
  EXPECT_TRUE(Has(missing.err, "LibreOffice (soffice) is not on the PATH")) << missing.err;
}

TEST(Program, TheDemoRepliesToAllAndShowsEachPersonalizedMail) {
  auto demo = Program({"--demo"});
  EXPECT_EQ(0, demo.code) << demo.err;
  EXPECT_TRUE(Has(demo.out, "[dialog] frmSelectTemplate"));
  EXPECT_TRUE(Has(demo.out, "[box] \"Keep the personalized messages"));
  EXPECT_TRUE(Has(demo.out, "[sent] to \"Kim Roe\""));
  EXPECT_TRUE(Has(demo.out, "Dear Lee Ann,"));
  EXPECT_TRUE(Has(demo.out, "[outlook] Outlook has ended"));
}

TEST(Program, ExitCodesTellAFailedExpectationFromAScriptError) {
  std::vector<std::string> start = {"-e", "answer frmReplyFolder enter", "-e", "start"};
  auto ok = start;
  ok.insert(ok.end(), {"-e", "expect folder Inbox count 3"});
  EXPECT_EQ(0, Program(ok).code);

  auto wrong = start;
  wrong.insert(wrong.end(), {"-e", "expect folder Inbox count 4", "-e", "quit"});
  auto failed = Program(wrong);
  EXPECT_EQ(1, failed.code);
  EXPECT_TRUE(Has(failed.err, "expected: 4 items"));
  EXPECT_TRUE(Has(failed.err, "found:    3 items"));
  EXPECT_FALSE(Has(failed.out, "> quit"));  // the run stops there

  auto unknown = start;
  unknown.insert(unknown.end(), {"-e", "fly away"});
  EXPECT_EQ(2, Program(unknown).code);
  // A dialog nobody answered stops the script and is named.
  auto unanswered = Program({"-e", "start"});
  EXPECT_EQ(2, unanswered.code);
  EXPECT_TRUE(Has(unanswered.err, "frmReplyFolder"));
  // A question nobody answered, likewise, with its text.
  auto question = start;
  question.insert(question.end(),
                  {"-e", "select \"Quarterly figures\"", "-e", "ribbon click btnSaveAsTemplate"});
  auto asked = Program(question);
  EXPECT_EQ(2, asked.code);
  EXPECT_TRUE(Has(asked.err, "make a new template"));
}

TEST(Program, PipedCommandsRunAsAScriptAndTheProfileIsKeptWhereTold) {
  win32::files::TempSandbox scratch;
  auto dir = (scratch.Path() / "profile").string();
  auto first =
      Program({"--outlook", "11", "--profile", dir},
              {"answer frmReplyFolder enter", "start", "select \"Offer\"", "answer box yes",
               "bar click \"Actions/Tanvelo/Save as template\"", "close", "quit"});
  EXPECT_EQ(0, first.code) << first.err;
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(dir) / "store.sqlite"));
  // The second start asks no folder name and finds the template.
  auto second = Program({"--outlook", "11", "--profile", dir, "-e", "start", "-e",
                         "expect folder \"Tanvelo Templates\" has \"Offer\""});
  EXPECT_EQ(0, second.code) << second.err;

  // A store that is not one is reported with its path and not touched.
  auto bad = scratch.Path() / "bad";
  std::filesystem::create_directories(bad);
  { std::ofstream(bad / "store.sqlite") << "not a database"; }
  auto refused = Program({"--profile", bad.string(), "-e", "start"});
  EXPECT_EQ(2, refused.code);
  EXPECT_TRUE(Has(refused.err, (bad / "store.sqlite").string()));
  std::ifstream in(bad / "store.sqlite");
  std::string text;
  std::getline(in, text);
  EXPECT_EQ("not a database", text);
}

TEST(Program, AProfileInUseIsRefusedAndAFailedSaveEndsTheRun) {
  win32::files::TempSandbox scratch;
  auto dir = scratch.Path() / "profile";
  {
    host::ProfileStore first(dir);  // another program has it
    ASSERT_TRUE(first.Ok());
    auto second = Program({"--profile", dir.string(), "-e", "start"});
    EXPECT_EQ(2, second.code);
    EXPECT_TRUE(Has(second.err, "in use")) << second.err;
    EXPECT_FALSE(Has(second.out, "[outlook]"));
  }
  // Another writer holds the store: the first save fails, is told and ends the run.
  sqlite3* other = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open((dir / "store.sqlite").string().c_str(), &other));
  ASSERT_EQ(SQLITE_OK, sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr));
  auto failed = Program({"--profile", dir.string(), "-e", "answer frmReplyFolder enter", "-e",
                         "start", "-e", "select Offer"});
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  EXPECT_EQ(3, failed.code);
  EXPECT_TRUE(Has(failed.err, "could not be saved")) << failed.err;
  EXPECT_TRUE(Has(failed.err, "store.sqlite")) << failed.err;
  EXPECT_FALSE(Has(failed.out, "> select Offer"));
}

// A disk that takes no write: reads go on, every write and the log's shared memory are refused.
int FullDisk(int ioError) {
  if (ioError == SQLITE_IOERR_READ) return SQLITE_OK;
  return ioError == SQLITE_IOERR_SHMSIZE ? ioError : SQLITE_FULL;
}

// On a full disk a kept profile still opens, to be read, told once; a change ends the run at
// its save, naming the full disk, never a damaged store.
TEST(Program, OnAFullDiskTheProfileOpensToBeReadAndAChangeIsRefusedNamingWhy) {
  win32::files::TempSandbox scratch;
  auto dir = scratch.Path() / "profile";
  auto made = Program({"--profile", dir.string(), "-e", "answer frmReplyFolder enter", "-e",
                       "start", "-e", "quit"});
  ASSERT_EQ(0, made.code) << made.err;
  host::SetProfileStoreVfs(host::RegisterFaultingVfs("tanvelo-test-full-program", FullDisk));
  auto read =
      Program({"--profile", dir.string(), "-e", "start", "-e", "select Offer", "-e", "quit"});
  auto changed = Program({"--profile", dir.string(), "-e", "start", "-e", "answer box yes", "-e",
                          "select \"Quarterly figures\"", "-e", "ribbon click btnSaveAsTemplate"});
  host::SetProfileStoreVfs(nullptr);
  EXPECT_EQ(0, read.code) << read.err;
  const std::string told = "opened to be read only (there is no space left on the disk)";
  auto at = read.err.find(told);
  EXPECT_NE(std::string::npos, at) << read.err;
  EXPECT_EQ(std::string::npos, read.err.find(told, at + 1)) << read.err;
  EXPECT_EQ(3, changed.code) << changed.err;
  EXPECT_TRUE(Has(changed.err, "could not be saved")) << changed.err;
  EXPECT_TRUE(Has(changed.err, "no space left on the disk")) << changed.err;
  EXPECT_FALSE(Has(changed.err, "damaged")) << changed.err;
}

// Every file the profile folder's entries saw written during a run, by name (inotify).
class Writes {
 public:
  explicit Writes(const std::filesystem::path& dir) {
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    EXPECT_GE(::inotify_add_watch(fd_, dir.c_str(),
                                  IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO |
                                      IN_MOVED_FROM | IN_DELETE | IN_ATTRIB),
              0);
  }
  ~Writes() { ::close(fd_); }
  std::set<std::string> Names() {
    std::set<std::string> names;
    alignas(inotify_event) char buffer[1 << 16];
    for (ssize_t n; (n = ::read(fd_, buffer, sizeof buffer)) > 0;)
      for (char* at = buffer; at < buffer + n;) {
        auto* e = reinterpret_cast<inotify_event*>(at);
        if (e->len) names.insert(e->name);
        at += sizeof(inotify_event) + e->len;
      }
    return names;
  }

 private:
  int fd_ = -1;
};

// A session on a kept profile writes the store and nothing else beside it; a profile of the
// older form keeps its registry file as it was, and its registry goes on from the store.
TEST(Program, ASessionWritesTheStoreAndNoOtherFileOfTheProfile) {
  win32::files::TempSandbox scratch;
  auto dir = scratch.Path() / "profile";
  const std::vector<std::string> reply = {"select Offer", "ribbon click btnTanvelo", "close"};
  std::vector<std::string> setup = {"--profile", dir.string()};
  // A template made the default one, so a reply needs no answer.
  for (const char* line :
       {"answer frmReplyFolder enter", "start", "select \"Quarterly figures\"", "answer box yes",
        "ribbon click btnSaveAsTemplate", "close", "folder \"Tanvelo Templates\"",
        "select \"Quarterly figures\"", "ribbon click btnChangeDefaultSet", "folder Inbox"})
    setup.insert(setup.end(), {"-e", line});
  auto first = Program(setup);
  ASSERT_EQ(0, first.code) << first.err;
  const std::set<std::string> store = {"store.sqlite", "store.sqlite-wal", "store.sqlite-shm",
                                       "lock"};
  auto check = [&](const std::string& what) {
    Writes writes(dir);
    std::vector<std::string> args = {"--profile", dir.string(), "-e", "start"};
    for (int i = 0; i < 3; ++i)
      for (const auto& line : reply) args.insert(args.end(), {"-e", line});
    args.insert(args.end(), {"-e", "quit", "-e", "start", "-e", "quit"});
    auto run = Program(args);
    ASSERT_EQ(0, run.code) << run.err;
    // The folder was named by the first run: the registry came back each time.
    EXPECT_FALSE(Has(run.out, "frmReplyFolder")) << what;
    for (const auto& name : writes.Names()) EXPECT_TRUE(store.count(name)) << what << ": " << name;
  };
  check("a profile of this form");
  // The older form: the registry (as the store holds it) in a file beside a store without it.
  win32::ResetPlatform();
  {
    auto p = outlook::BuildProfile();
    host::ProfileStore kept(dir);
    ASSERT_TRUE(kept.Load(p));
  }
  ASSERT_TRUE(olderprofile::MakeOlderForm(dir));
  std::ifstream in(dir / "registry.hive", std::ios::binary);
  std::string hive((std::istreambuf_iterator<char>(in)), {});
  check("a profile of the older form");
  std::ifstream after(dir / "registry.hive", std::ios::binary);
  EXPECT_EQ(hive, std::string((std::istreambuf_iterator<char>(after)), {}));
  check("a profile taken over");
}

// With every write of the profile refused (a full disk), a session that only looks opens the
// profile and ends well: nothing is written. The count of the profile's calls is told per line.
TEST(Program, ASessionThatChangesNothingWritesNothingAndEachLinesCallsAreTold) {
  win32::files::TempSandbox scratch;
  auto dir = scratch.Path() / "profile";
  auto made = Program({"--profile", dir.string(), "--fault-count", "-e",
                       "answer frmReplyFolder enter", "-e", "start", "-e", "quit"});
  ASSERT_EQ(0, made.code) << made.err;
  EXPECT_TRUE(Has(made.out, "line 1 calls ")) << made.out;
  EXPECT_TRUE(Has(made.out, ": answer frmReplyFolder enter\n")) << made.out;
  EXPECT_TRUE(Has(made.out, "line 3 calls none: quit\n")) << made.out;
  auto looked =
      Program({"--profile", dir.string(), "--fault-every", "1", "-e", "start", "-e", "select Offer",
               "-e", "expect folder Inbox count 3", "-e", "quit", "-e", "start", "-e", "quit"});
  EXPECT_EQ(0, looked.code) << looked.err;
  EXPECT_TRUE(Has(looked.err, "profile faults: 0 raised in 0 calls")) << looked.err;
}

TEST(Program, QuitThenStartRunsOutlookAgainAndNoLineIsSkipped) {
  auto run = Program({"-e", "answer frmReplyFolder enter", "-e", "start", "-e", "quit", "-e",
                      "start", "-e", "expect folder Inbox count 3", "-e", "quit"});
  EXPECT_EQ(0, run.code) << run.err;
  EXPECT_EQ(2u, Count(run.out, "Outlook has ended"));
  // The folder is named once: the second start finds the registry as the first one left it.
  EXPECT_EQ(1u, Count(run.out, "[dialog] frmReplyFolder"));
  // After a quit the lines still run: one that needs Outlook says so.
  auto after = Program(
      {"-e", "answer frmReplyFolder enter", "-e", "start", "-e", "quit", "-e", "select Offer"});
  EXPECT_EQ(2, after.code);
  EXPECT_TRUE(Has(after.err, "not started")) << after.err;
}

TEST(Program, MessagesNameTheirLineStayReadableAndWarnOfWhatWentUnused) {
  // Each -e is named by its number.
  auto third = Program({"-e", "answer frmReplyFolder enter", "-e", "start", "-e", "fly away"});
  EXPECT_EQ(2, third.code);
  EXPECT_TRUE(Has(third.err, "-e #3: error")) << third.err;
  // A long line is cut where it is echoed.
  auto long_ = Program({"-e", "expect mail subject is \"" + std::string(5000, 'x') + "\""});
  EXPECT_TRUE(Has(long_.out, "(5025 characters)")) << long_.out.substr(0, 300);
  EXPECT_LT(long_.out.size(), 1000u);
  // Answers the line they were queued for left unused are dropped at its end, named with the
  // line; answers still queued when the script ends are listed then.
  auto unused = Program({"-e", "answer frmReplyFolder enter", "-e", "answer box yes", "-e",
                         "answer frmSelectTemplate esc", "-e", "start", "-e", "answer box no"});
  EXPECT_EQ(0, unused.code) << unused.err;
  EXPECT_TRUE(Has(unused.err, "warning: -e #4 did not use answer box yes; it is dropped"))
      << unused.err;
  EXPECT_TRUE(Has(unused.err, "warning: -e #4 did not use answer frmSelectTemplate; it is dropped"))
      << unused.err;
  EXPECT_TRUE(Has(unused.err, "warning: never used: answer box no")) << unused.err;
  EXPECT_FALSE(Has(unused.err, "never used: answer box yes")) << unused.err;
  EXPECT_FALSE(Has(unused.err, "answer frmReplyFolder"));
  // A binary file is no script; the demo plays Outlook 2010 only.
  win32::files::TempSandbox scratch;
  auto binary = scratch.Path() / "picture.png";
  { std::ofstream(binary, std::ios::binary) << std::string("\x89PNG\r\n\x1a\n\0\0", 10); }
  auto refused = Program({binary.string()});
  EXPECT_EQ(2, refused.code);
  EXPECT_TRUE(Has(refused.err, "is not a text file")) << refused.err;
  EXPECT_EQ(2, Program({"--demo", "--outlook", "9"}).code);
}

TEST(Program, ErrorsCutTheInputTheyRepeatAndInputThatIsNotTextIsRefused) {
  const std::string big(1 << 18, 'x');
  auto noCtl = [](const std::string& s) {
    return std::none_of(s.begin(), s.end(), [](char c) { return c == '\x1b' || c == '\0'; });
  };
  // Errors that name a long word of the line: an item, a key chord, a ribbon control, an
  // expected text with escapes, a dialog's control.
  for (const auto& line : {"select \"" + big + "\"", "key Ctrl+" + big, "ribbon click " + big,
                           "expect mail subject is \"" + big + "\\\"\\\\\"", "answer box " + big}) {
    auto run = Program(
        {"-e", "answer frmReplyFolder enter", "-e", "start", "-e", "select Offer", "-e", line});
    EXPECT_NE(0, run.code);
    EXPECT_LT(run.out.size() + run.err.size(), 3000u) << run.err.substr(0, 2000);
  }
  // Piped input is a script: the same cut, and bytes that are not text are refused before
  // they run or are echoed.
  auto piped = Program({}, {"fly " + big});
  EXPECT_EQ(2, piped.code);
  EXPECT_LT(piped.out.size() + piped.err.size(), 2000u);
  auto binary = Program({}, {"help", "fly \x1b[31mred", "help"});
  EXPECT_EQ(2, binary.code);
  EXPECT_TRUE(Has(binary.err, "the input is not text (line 2")) << binary.err;
  EXPECT_EQ(1u, Count(binary.out, "> help"));
  EXPECT_TRUE(noCtl(binary.out + binary.err));
  // A script file likewise, and a control character given on the command line is shown
  // escaped wherever it is repeated.
  win32::files::TempSandbox scratch;
  auto script = scratch.Path() / "colours.txt";
  { std::ofstream(script, std::ios::binary) << "help\n\x1b[31mhelp\n"; }
  auto file = Program({script.string()});
  EXPECT_EQ(2, file.code);
  EXPECT_TRUE(Has(file.err, "is not a text file")) << file.err;
  auto escaped = Program({"-e", "help \x1b[31m"});
  EXPECT_TRUE(Has(escaped.out + escaped.err, "help \\x1b[31m")) << escaped.out << escaped.err;
  EXPECT_TRUE(noCtl(escaped.out + escaped.err));
  auto unknown = Program({"-e", "fly\x1b[31m"});
  EXPECT_TRUE(Has(unknown.err, "unknown command: fly\\x1b[31m")) << unknown.err;
  EXPECT_TRUE(noCtl(unknown.out + unknown.err));
  // At the prompt and in a dialog's answer, the same.
  auto prompt = RunEdited(
      true, {"fly " + big, "start", "click btn" + big, "type \"" + big + "\"", "enter", "quit"});
  EXPECT_EQ(0, prompt.code);
  EXPECT_LT(prompt.out.size(), 5000u) << prompt.out.substr(0, 5000);
  EXPECT_TRUE(Has(prompt.out, "(262147 characters); the dialog is still open"))
      << prompt.out.substr(0, 5000);
}

// A script file is read whole and every line of it, and of every -e, checked before the
// first runs: a line that cannot be read is named, and nothing runs or is saved. Piped input
// runs as it comes.
TEST(Program, AScriptThatCannotBeReadRunsNothingAndSavesNothing) {
  win32::files::TempSandbox scratch;
  auto script = scratch.Path() / "quote.txt";
  {
    std::ofstream(script, std::ios::binary)
        << "answer frmReplyFolder enter\nstart\r\nselect \"Quarterly figures\"\n"
           "type \"never closed\nquit\n";
  }
  auto profile = scratch.Path() / "profile";
  for (const auto& args :
       {std::vector<std::string>{"--profile", profile.string(), script.string()},
        std::vector<std::string>{"--profile", profile.string(), "-e", "start", script.string()},
        std::vector<std::string>{"--fault-every", "3", script.string()}}) {
    auto run = Program(args);
    EXPECT_EQ(2, run.code);
    EXPECT_EQ(script.string() + ":4: error: a quoted text is not closed\n", run.err);
    EXPECT_EQ("", run.out);
    EXPECT_FALSE(std::filesystem::exists(profile / "store.sqlite"));
  }
  auto option = Program({"-e", "start", "-e", "bar click \"Actions/Reply\"x"});
  EXPECT_EQ(2, option.code);
  EXPECT_TRUE(Has(option.err, "-e #2: error: a quoted text runs into the next word")) << option.err;
  EXPECT_EQ("", option.out);
  auto piped = Program({}, {"help", "type \"open", "help"});
  EXPECT_EQ(2, piped.code);
  EXPECT_EQ(1u, Count(piped.out, "> help"));
  EXPECT_TRUE(Has(piped.out, "> type \"open\n")) << piped.out;
  EXPECT_TRUE(Has(piped.err, "stdin:2: error: a quoted text is not closed")) << piped.err;
}

// An unknown command of any length is told cut, from a file or piped; DEL is no text.
TEST(Program, AHugeUnknownCommandIsToldCutAndDelIsRefused) {
  win32::files::TempSandbox scratch;
  const std::string huge(1'000'000, 'x');
  auto script = scratch.Path() / "huge.txt";
  { std::ofstream(script, std::ios::binary) << "help\n" << huge << "\n"; }
  // A script file is checked whole: its first line does not run; piped, it has run.
  for (const auto& run : {Program({script.string()}), Program({}, {"help", huge})}) {
    bool piped = run.out.size() > 0;
    EXPECT_EQ(2, run.code);
    EXPECT_TRUE(Has(run.err, ":2: error: unknown command: " + std::string(160, 'x') +
                                 "... (1000000 characters) (help lists the commands)\n"))
        << run.err.substr(0, 500);
    EXPECT_LT(run.err.size(), 500u);
    EXPECT_EQ(piped, Has(run.out, "> " + std::string(160, 'x') + "... (1000000 characters)\n"));
    EXPECT_LT(run.out.size(), 5000u);
  }
  EXPECT_EQ("", Program({script.string()}).out);
  auto deleted = scratch.Path() / "del.txt";
  { std::ofstream(deleted, std::ios::binary) << "help\nhe\x7flp\n"; }
  auto file = Program({deleted.string()});
  EXPECT_EQ(2, file.code);
  EXPECT_TRUE(Has(file.err, "is not a text file")) << file.err;
  EXPECT_EQ("", file.out);
  auto piped = Program({}, {"help", "he\x7flp", "help"});
  EXPECT_EQ(2, piped.code);
  EXPECT_TRUE(Has(piped.err, "the input is not text (line 2")) << piped.err;
  EXPECT_EQ(1u, Count(piped.out, "> help"));
}

TEST(Program, AMissingLanguageFileIsAWarningAtStart) {
  host::ProgramIo io;
  std::string out, err;
  io.out = [&](const std::string& s) { out += s; };
  io.err = [&](const std::string& s) { err += s; };
  io.readLine = [](std::string&) { return false; };
  EXPECT_EQ(0, host::RunProgram({"-e", "help"}, io));
  EXPECT_TRUE(Has(err, "warning: no language file EN.lng")) << err;
}

TEST(Program, SaveHtmlDeclaresItsCharsetListsItsFilesAndWritesOverNoneOfTheUsers) {
  win32::files::TempSandbox scratch;
  auto page = (scratch.Path() / "lunch.html").string();
  std::vector<std::string> args = {
      "-e", "answer frmReplyFolder enter", "-e", "start",
      "-e", "select \"Team lunch\"",       "-e", "save-html \"" + page + "\"",
      "-e", "save-html \"" + page + "\""};
  auto run = Program(args);
  EXPECT_EQ(0, run.code) << run.err;  // its own files it may write again
  EXPECT_EQ(2u, Count(run.out, "  saved " + page));
  std::ifstream in(page, std::ios::binary);
  std::string html((std::istreambuf_iterator<char>(in)), {});
  EXPECT_TRUE(Has(html, "<meta charset=\"utf-8\">"));
  // A picture of the page is listed too, and lies beside it.
  auto pictures = Count(run.out, "  saved " + scratch.Path().string() + "/") - 2;
  EXPECT_GE(pictures, 2u);
  // Another run finds the files there: they are the user's now.
  auto again = Program(args);
  EXPECT_EQ(2, again.code);
  EXPECT_TRUE(Has(again.err, "is there already")) << again.err;
}

TEST(Program, AtThePromptDialogsAndBoxesSayWhatTheyTake) {
  host::ProgramIo io;
  std::string out, err;
  io.out = [&](const std::string& s) { out += s; };
  io.err = [&](const std::string& s) { err += s; };
  std::vector<std::string> input = {"start",
                                    "type txtFolder \"x\"",  // one step: shown again
                                    "enter",
                                    "select \"Quarterly figures\"",
                                    "ribbon click btnSaveAsTemplate",
                                    "ok",
                                    "yes",
                                    "quit"};
  size_t next = 0;
  io.readLine = [&](std::string& line) {
    if (next >= input.size()) return false;
    line = input[next++];
    return true;
  };
  io.terminal = true;
  io.languageFile = testsource::ReadSourceFile("lang/EN.lng");
  EXPECT_EQ(0, host::RunProgram({}, io)) << err;
  // The hint names the form's own button; after a step the field shows as it stands.
  EXPECT_TRUE(Has(out, "answer frmReplyFolder (e.g. click cmdOK)> ")) << out;
  EXPECT_TRUE(Has(out, "txtFolder = \"x\"")) << out;
  EXPECT_TRUE(Has(out, "answer the box (yes no)> ")) << out;
  EXPECT_TRUE(Has(out, "the box takes one of: yes no")) << out;
  EXPECT_TRUE(Has(out, "[outlook] Outlook has ended")) << out;
}

}  // namespace

TEST(Program, OnlyThePromptReadsThroughTheLineEditor) {
  std::vector<std::string> input = {"start",
                                    "type txtFolder \"x\"",
                                    "enter",
                                    "select \"Quarterly figures\"",
                                    "ribbon click btnSaveAsTemplate",
                                    "ok",
                                    "yes",
                                    "quit"};
  auto piped = RunEdited(false, {"help", "help"});
  EXPECT_EQ(0, piped.code) << piped.out;
  EXPECT_TRUE(piped.prompts.empty());
  EXPECT_EQ(3u, piped.plainReads);  // the last read meets the end

  auto typed = RunEdited(true, input);
  EXPECT_EQ(0, typed.code) << typed.out;
  EXPECT_EQ(0u, typed.plainReads);
  ASSERT_EQ(input.size(), typed.prompts.size());
  EXPECT_EQ("outlook> ", typed.prompts[0]);
  // The editor shows the questions itself; they are not written out besides.
  EXPECT_EQ("answer frmReplyFolder (e.g. click cmdOK)> ", typed.prompts[1]);
  EXPECT_FALSE(Has(typed.out, "(e.g. click cmdOK)> ")) << typed.out;
  EXPECT_EQ("answer the box (yes no)> ", typed.prompts[5]);
  EXPECT_FALSE(Has(typed.out, "outlook> "));
}

namespace {

// The prompt forgives: what a user mistypes is told and asked again, nothing is cancelled.
TEST(Program, AtThePromptATypoInADialogIsToldAndAskedAgain) {
  auto run = RunEdited(
      true, {"start",
             "click btnOK",  // the folder question's button is cmdOK
             "type txtFolder \"My templates\"; click cmdOk",
             "expect folder \"My templates\" count 0", "ribbon click btnTemplate", "quit"});
  EXPECT_EQ(0, run.code) << run.out;
  EXPECT_TRUE(Has(run.out, "has no control btnOK; the dialog is still open")) << run.out;
  // Shown again as it stood, answered, and the add-in made its templates folder.
  EXPECT_EQ(2u, Count(run.out, "txtFolder = ")) << run.out;
  EXPECT_TRUE(Has(run.out, "[click] ribbon Norvane.Tanvelo.Explorer.btnTemplate")) << run.out;
  EXPECT_FALSE(Has(run.out, "error:")) << run.out;
  EXPECT_FALSE(Has(run.out, "cannot be found")) << run.out;
}

// What a dialog opened by the answer refused is no typo in the answer: the line fails as
// the queued answer's own error, and the dialog typed at is not asked again.
TEST(Program, AtThePromptARefusalInADialogTheAnswerOpenedIsNoTypo) {
  auto run = RunEdited(
      true, {"start", "enter", "select \"Quarterly figures\"", "answer frmHotkey click btnNoSuch",
             "ribbon click btnTanveloSub",
             "node treFolders \"Tanvelo Templates/Standard Templates/Reply Templates/thank you "
             "for the information\"; click btnHotkey",
             "esc", "quit"});
  EXPECT_EQ(0, run.code) << run.out;
  EXPECT_TRUE(Has(run.out, "error: the form frmHotkey has no control btnNoSuch\n")) << run.out;
  EXPECT_FALSE(Has(run.out, "the dialog is still open")) << run.out;
}

}  // namespace

TEST(Program, CtrlCDropsTheLineAndEndingWithAnItemNotSavedIsAskedOrTold) {
  // Ctrl-C at a dialog's question and at the prompt drops the line; the program goes on.
  auto ended = RunEdited(true, {"start", "\x03", "enter", "new mail", "type \"hi\"", "\x03",
                                "expect mail body has \"hi\""});
  EXPECT_EQ(0, ended.code) << ended.out;
  EXPECT_EQ(1u, Count(ended.out, "(Ctrl-C drops the line")) << ended.out;
  EXPECT_TRUE(Has(ended.out, "[window] inspector opened")) << ended.out;
  EXPECT_FALSE(Has(ended.out, "error:")) << ended.out;
  // The input ends with the item open and not saved: Outlook quits and says what it drops.
  EXPECT_TRUE(Has(ended.out,
                  "[outlook] closed without saving: \"Untitled - Message\"\n"
                  "[outlook] Outlook has ended"))
      << ended.out;

  // `quit` asks as Outlook asks at a close: Cancel keeps it running, Yes saves.
  auto asked = RunEdited(true, {"start", "enter", "new mail", "set subject \"Kept\"", "quit",
                                "cancel", "expect mail subject is \"Kept\"", "quit", "yes"});
  EXPECT_EQ(0, asked.code) << asked.out;
  EXPECT_EQ(2u, Count(asked.out, "[box] \"Do you want to save changes?\"")) << asked.out;
  EXPECT_TRUE(Has(asked.out, "[outlook] Outlook keeps running")) << asked.out;
  EXPECT_TRUE(Has(asked.out, "[filed] Drafts: \"Kept\"")) << asked.out;
  EXPECT_FALSE(Has(asked.out, "error:")) << asked.out;

  // What became of the item is told once Outlook's question is answered, as it was answered.
  for (const auto& [answer, told] : std::vector<std::pair<std::string, std::string>>{
           {"yes", "[outlook] saved: \"Kept - Message\"\n"},
           {"no", "[outlook] closed without saving: \"Kept - Message\"\n"}}) {
    auto run =
        RunEdited(true, {"start", "enter", "new mail", "set subject \"Kept\"", "quit", answer});
    EXPECT_EQ(0, run.code) << run.out;
    size_t box = run.out.find("[box] \"Do you want to save changes?\"");
    ASSERT_NE(std::string::npos, run.out.find(told)) << run.out;
    EXPECT_LT(box, run.out.find(told)) << run.out;
    EXPECT_FALSE(Has(run.out, "not saved")) << run.out;
  }

  // A script's quit tells what it drops.
  auto script =
      Program({"-e", "answer frmReplyFolder enter", "-e", "start", "-e", "new mail", "-e", "quit"});
  EXPECT_EQ(0, script.code) << script.err;
  EXPECT_TRUE(Has(script.out, "[outlook] closed without saving: \"Untitled - Message\""))
      << script.out;
}

TEST(Program, AFolderOrADeviceWhereAFileBelongsIsToldInASentence) {
  win32::files::TempSandbox scratch;
  auto folder = scratch.Path() / "scripts";
  std::filesystem::create_directories(folder);
  auto script = Program({folder.string()});
  EXPECT_EQ(2, script.code);
  EXPECT_TRUE(Has(script.err, folder.string() + " is a folder, not a script file")) << script.err;
  auto device = Program({"/dev/zero"});
  EXPECT_EQ(2, device.code);
  EXPECT_TRUE(Has(device.err, "/dev/zero is a device, not a script file")) << device.err;

  // The profile's pieces: each named, nothing started.
  auto file = scratch.Path() / "plain";
  { std::ofstream(file) << "x"; }
  auto notFolder = Program({"--profile", file.string(), "-e", "start"});
  EXPECT_EQ(2, notFolder.code);
  EXPECT_TRUE(Has(notFolder.err, file.string() + " is a file, not a folder")) << notFolder.err;
  for (const char* piece : {"store.sqlite", "registry.hive", "lock"}) {
    auto dir = scratch.Path() / (std::string("profile-") + piece);
    std::filesystem::create_directories(dir / piece);
    auto run = Program({"--profile", dir.string(), "-e", "start"});
    EXPECT_EQ(2, run.code) << piece;
    EXPECT_TRUE(Has(run.err, (dir / piece).string() + " is a folder, not the profile's"))
        << run.err;
    EXPECT_FALSE(Has(run.out, "[outlook]")) << piece;
  }

  auto page = Program({"-e", "answer frmReplyFolder enter", "-e", "start", "-e", "select Offer",
                       "-e", "save-html \"" + folder.string() + "\""});
  EXPECT_EQ(2, page.code);
  EXPECT_TRUE(Has(page.err, folder.string() + " is a folder; give a file's name")) << page.err;
}

// Any value a registry string holds can be expected, line ends included, and a failure shows
// expected and found apart where they differ only in a control character.
TEST(Session, ExpectRegistryMatchesAnyValueAndShowsControlCharacters) {
  host::SessionOptions options;
  options.languageFile = testsource::ReadSourceFile("lang/EN.lng");
  host::Session session(options, [](const std::wstring&) {});
  session.Run(L"answer frmReplyFolder enter");
  session.Run(L"start");
  std::wstring value = L"Quarterly\r\n12\t\"C:\\x\"\x01\u00e9";
  {
    CWinReg key;
    ASSERT_TRUE(key.InitForWrite(CWinReg::HKEY_CURRENT_USER, L"Software\\Norvane\\Tanvelo", true));
    ASSERT_TRUE(key.SetStringValue(L"Probe", value));
    key.CloseKey();
  }
  const std::string prefix = "expect registry \"Software\\\\Norvane\\\\Tanvelo\" Probe is ";
  session.Run(host::FromUtf8(prefix + "\"Quarterly\\r\\n12\t\\\"C:\\\\x\\\"\\x01\\xe9\""));
  session.Run(host::FromUtf8(prefix + "\"" + host::Utf8(host::Escaped(value)) + "\""));
  try {
    session.Run(host::FromUtf8(prefix + "\"Quarterly\\n12\t\\\"C:\\\\x\\\"\\x01\\xe9\""));
    ADD_FAILURE() << "a value with LF only matched CR LF";
  } catch (const host::ExpectationFailed& e) {
    std::string message = e.what();
    EXPECT_TRUE(Has(message, "expected: \"Quarterly\\n12\\x09\\\"C:\\\\x\\\"\\x01\xC3\xA9\""))
        << message;
    EXPECT_TRUE(Has(message, "found:    \"Quarterly\\r\\n12\\x09\\\"C:\\\\x\\\"\\x01\xC3\xA9\""))
        << message;
  }
}

// `quit` then `start` is a new Outlook: new objects, the add-in connected anew and its start-up
// work done again, on what the first one left.
TEST(Session, QuitThenStartConnectsTheAddinAnewToANewOutlook) {
  host::SessionOptions options;
  options.languageFile = testsource::ReadSourceFile("lang/EN.lng");
  std::string out;
  host::Session session(options, [&](const std::wstring& line) { out += host::Utf8(line) + "\n"; });
  session.Run(L"answer frmReplyFolder enter");
  session.Run(L"start");
  std::weak_ptr<outlook::Application> firstApp = session.Profile().app;
  std::weak_ptr<outlook::NameSpace> firstSession = session.Profile().session;
  const addinhost::OutlookHost* firstHost = session.Host();
  session.Run(L"quit");
  ASSERT_EQ(std::vector<std::wstring>(
                {L"OnConnection", L"OnStartupComplete", L"OnBeginShutdown", L"OnDisconnection"}),
            session.Host()->Calls());
  session.Run(L"start");
  // The first Outlook is gone, not carried on.
  EXPECT_TRUE(firstApp.expired());
  EXPECT_TRUE(firstSession.expired());
  EXPECT_NE(firstHost, session.Host());
  EXPECT_TRUE(session.Host()->Connected());
  EXPECT_EQ(std::vector<std::wstring>({L"OnConnection", L"OnStartupComplete"}),
            session.Host()->Calls());
  EXPECT_EQ(session.Profile().app, g_oApp);
  // Its start-up work again: the templates folder found in the registry, the menus and the
  // keyboard hook; no question this time.
  out.clear();
  session.Run(L"show log");
  EXPECT_TRUE(Has(out, "Connect::SetTanveloFolder")) << out;
  EXPECT_TRUE(Has(out, "Connect::AddMenu")) << out;
  EXPECT_TRUE(Has(out, "Keyboard hook is set")) << out;
  ASSERT_TRUE(g_oTemplatesFolder);
  EXPECT_EQ(session.FolderAt(L"Tanvelo Templates"), g_oTemplatesFolder);
  session.Run(L"ribbon click btnTemplate");
  EXPECT_TRUE(session.AddinErrors().empty());
}

// A script file's last line runs whole without a line end after it, and a script written with
// CR LF runs and is echoed as its lines, without the carriage returns.
TEST(Program, AScriptsLastLineRunsWholeAndItsCarriageReturnsAreNotEchoed) {
  win32::files::TempSandbox scratch;
  auto bare = scratch.Path() / "bare.txt";
  { std::ofstream(bare, std::ios::binary) << "answer frmReplyFolder enter\nstart\nquit"; }
  auto run = Program({bare.string()});
  EXPECT_EQ(0, run.code) << run.err;
  EXPECT_TRUE(Has(run.out, "> quit\n")) << run.out;
  EXPECT_TRUE(Has(run.out, "Outlook has ended")) << run.out;
  auto crlf = scratch.Path() / "crlf.txt";
  {
    std::ofstream(crlf, std::ios::binary)
        << "answer frmReplyFolder enter\r\nstart\r\nexpect folder Inbox count 3\r\nquit\r\n";
  }
  run = Program({crlf.string()});
  EXPECT_EQ(0, run.code) << run.err;
  EXPECT_TRUE(Has(run.out, "> start\n")) << run.out;
  EXPECT_TRUE(Has(run.out, "> expect folder Inbox count 3\n")) << run.out;
  EXPECT_FALSE(Has(run.out + run.err, "\\x0d")) << run.out;
}

// An unknown command anywhere in a script, or in any -e, stops the program before its first
// line runs: nothing is made, nothing saved.
TEST(Program, AnUnknownCommandAnywhereStopsTheScriptBeforeItsFirstLine) {
  win32::files::TempSandbox scratch;
  auto script = scratch.Path() / "typo.txt";
  {
    std::ofstream(script, std::ios::binary)
        << "answer frmReplyFolder enter\nstart\nselect Offer\nfrobnicate now\nquit\n";
  }
  auto profile = scratch.Path() / "profile";
  for (const auto& args : {std::vector<std::string>{"--profile", profile.string(), script.string()},
                           std::vector<std::string>{"--profile", profile.string(), "-e", "start",
                                                    "-e", "\"frobnicate\" now"}}) {
    auto run = Program(args);
    EXPECT_EQ(2, run.code);
    EXPECT_TRUE(Has(run.err, "error: unknown command: frobnicate (help lists the commands)\n"))
        << run.err;
    EXPECT_EQ("", run.out);
    EXPECT_FALSE(std::filesystem::exists(profile / "store.sqlite"));
  }
  EXPECT_TRUE(Has(Program({script.string()}).err, "typo.txt:4: error: unknown command"));
  // Every command of the language passes the check.
  for (const auto& line : host::Session::Help()) {
    if (line.find(L'|') != std::wstring::npos && line[0] != L' ' && line[0] != L'"') {
      EXPECT_TRUE(host::Session::IsCommand(line.substr(0, line.find(L' ')))) << host::Utf8(line);
    }
  }
}

// A box with one button is acknowledged and takes no queued answer; an answer the line it was
// queued for did not use is dropped there, so it never answers a later showing; lines that only
// look pass the answers on.
TEST(Program, AnAnswerIsForItsLineAndABoxWithOneButtonTakesNone) {
  std::vector<std::string> start = {"-e", "answer frmReplyFolder enter", "-e", "start"};
  // "Please save the message first": a box with one button.
  auto run = Program({"--outlook", "11", "-e", "answer frmReplyFolder enter", "-e", "start", "-e",
                      "new mail", "-e", "answer box no", "-e", "bar click \"Save as template\"",
                      "-e", "close discard", "-e", "select \"Quarterly figures\"", "-e",
                      "bar click \"Actions/Tanvelo/Save as template\""});
  EXPECT_EQ(2, run.code);
  EXPECT_TRUE(Has(run.out, "first.\" (OK)\n  answered ok\n")) << run.out;
  EXPECT_TRUE(Has(run.err, "warning: -e #5 did not use answer box no; it is dropped")) << run.err;
  EXPECT_TRUE(Has(run.err, "-e #8: error: the message box \"")) << run.err;
  EXPECT_TRUE(Has(run.err, "queue one on a line before: answer box yes|no")) << run.err;
  // A picker's answer queued before a line that opens no picker answers no later one.
  auto args = start;
  args.insert(args.end(), {"-e",
                           "answer frmSelectTemplate node treFolders \"Tanvelo Templates/Standard "
                           "Templates/Reply Templates/information request\"; click btnOK",
                           "-e", "select \"Quarterly figures\"", "-e", "ribbon click btnTanvelo"});
  run = Program(args);
  EXPECT_EQ(2, run.code);
  EXPECT_TRUE(Has(run.err, "-e #4 did not use answer frmSelectTemplate; it is dropped")) << run.err;
  EXPECT_TRUE(Has(run.err,
                  "-e #5: error: the dialog frmSelectTemplate was shown with no answer "
                  "queued; queue one on a line before, as the user would answer it: "
                  "answer frmSelectTemplate node treFolders \"Tanvelo Templates/"))
      << run.err;
  EXPECT_TRUE(Has(run.err,
                  "click btnOK (the answer queued for it was dropped unused by the line "
                  "-e #4, `select \"Quarterly figures\"` before)\n"))
      << run.err;
  EXPECT_FALSE(Has(run.out, "RE: Quarterly figures")) << run.out;
  // At the prompt a line that fails drops its answers too: the next question is asked.
  auto prompt = RunEdited(
      true, {"answer frmReplyFolder enter", "start", "select \"Quarterly figures\"",
             "answer box yes", "folder Nowhere", "ribbon click btnSaveAsTemplate", "no", "quit"});
  EXPECT_TRUE(Has(prompt.out, "warning: the line did not use answer box yes; it is dropped"))
      << prompt.out;
  EXPECT_EQ(1, std::count(prompt.prompts.begin(), prompt.prompts.end(),
                          std::string("answer the box (yes no)> ")))
      << prompt.out;
  // Looks between an answer and its line leave it queued.
  args = start;
  args.insert(args.end(), {"-e", "select \"Quarterly figures\"", "-e", "answer box yes", "-e",
                           "expect folder Inbox count 3", "-e", "show folder Inbox", "-e",
                           "ribbon click btnSaveAsTemplate"});
  run = Program(args);
  EXPECT_EQ(0, run.code) << run.err;
  EXPECT_FALSE(Has(run.err, "warning")) << run.err;
}

// What a person types first: the Outlook version by its year, a profile folder that holds no
// profile yet, a script that cannot be read, the demo, another language file.
TEST(Program, VersionYearsANewProfileAndAnUnreadableScriptAreTold) {
  for (const auto& [year, number] : std::vector<std::pair<std::string, std::string>>{
           {"2000", "9."}, {"2002", "10."}, {"2003", "11."}, {"2007", "12."}, {"2010", "14."}}) {
    auto run = Program({"--outlook", year, "-e", "answer frmReplyFolder enter", "-e", "start"});
    EXPECT_EQ(0, run.code) << year << run.err;
    EXPECT_TRUE(Has(run.out, "Outlook " + number)) << year << run.out;
  }
  auto wrong = Program({"--outlook", "2005"});
  EXPECT_EQ(2, wrong.code);
  EXPECT_TRUE(Has(wrong.err, "2000, 2002, 2003, 2007 or 2010")) << wrong.err;

  win32::files::TempSandbox scratch;
  auto dir = (scratch.Path() / "profile").string();
  const std::string note = " holds no profile: a new one is made there";
  auto first = Program({"--profile", dir, "-e", "answer frmReplyFolder enter", "-e", "start"});
  EXPECT_EQ(0, first.code) << first.err;
  EXPECT_TRUE(Has(first.err, dir + note)) << first.err;
  auto second = Program({"--profile", dir, "-e", "start"});
  EXPECT_EQ(0, second.code) << second.err;
  EXPECT_FALSE(Has(second.err, note)) << second.err;

  auto missing = Program({(scratch.Path() / "nosuch.txt").string()});
  EXPECT_EQ(2, missing.code);
  EXPECT_TRUE(Has(missing.err, "nosuch.txt: No such file or directory")) << missing.err;
  auto file = scratch.Path() / "file.txt";
  { std::ofstream(file) << "help\n"; }
  auto below = Program({(file / "script.txt").string()});
  EXPECT_TRUE(Has(below.err, "script.txt: Not a directory")) << below.err;
}

TEST(Program, TheDemoSaysWhatItShowsPrintsItsLinesWholeAndEndsWithWhatToTryNext) {
  auto demo = Program({"--demo"});
  ASSERT_EQ(0, demo.code) << demo.err;
  EXPECT_EQ(0u, demo.out.find(host::DemoTitle() + "\n")) << demo.out.substr(0, 300);
  EXPECT_EQ(std::string::npos, host::DemoTitle().find('\n'));
  for (const auto& line : host::DemoScript()) {
    if (!line.starts_with(L"#")) {
      EXPECT_TRUE(Has(demo.out, "> " + host::Utf8(line) + "\n")) << host::Utf8(line);
    }
  }
  EXPECT_TRUE(demo.out.ends_with(host::DemoSummary() + "\n")) << demo.out;
  EXPECT_TRUE(Has(host::DemoSummary(), "Next: ")) << host::DemoSummary();
}

// Another language file: the add-in finds it by the language option and a dialog shows its
// texts; a file that names no language is refused before anything runs.
TEST(Program, AnotherLanguageFileLocalisesTheDialogs) {
  auto lang = (testsource::SourceDir() / "tests/data/host/Testish.lng").string();
  auto run = Program({"--lang", lang, "-e", "answer frmReplyFolder enter", "-e", "start", "-e",
                      "expect registry \"Software\\\\Norvane\\\\Tanvelo\" LANG is \"XT\""});
  EXPECT_EQ(0, run.code) << run.err;
  EXPECT_TRUE(Has(run.out, "[dialog] frmReplyFolder \"Testish templates folder\"")) << run.out;
  auto english = Program({"-e", "answer frmReplyFolder enter", "-e", "start"});
  EXPECT_TRUE(Has(english.out, "[dialog] frmReplyFolder \"Tanvelo Templates\"")) << english.out;
  win32::files::TempSandbox scratch;
  auto notLang = scratch.Path() / "notes.lng";
  { std::ofstream(notLang) << "[version]\nlang = \"x\"\n"; }
  auto refused = Program({"--lang", notLang.string(), "-e", "start"});
  EXPECT_EQ(2, refused.code);
  EXPECT_TRUE(Has(refused.err, "names no langid")) << refused.err;
  EXPECT_EQ("", refused.out);
}

// The whole template tree in one look, each template with the marks the user gave it.
TEST(Program, ShowTemplatesListsTheWholeTreeWithEachTemplatesMarks) {
  auto run = Program(
      {"-e", "answer frmReplyFolder enter", "-e", "start", "-e",
       "folder \"Tanvelo Templates/Standard Templates/Reply Templates\"", "-e",
       "select \"thank you for the information\"", "-e",
       "answer frmHotkey choose optReply; choose optAlt; choose cboLetters \"R\"; click btnOK",
       "-e", "ribbon click btnHotkey", "-e", "ribbon click btnChangeDefaultSet", "-e",
       "show templates"});
  ASSERT_EQ(0, run.code) << run.err;
  auto shown = run.out.substr(run.out.find("> show templates\n"));
  EXPECT_TRUE(Has(shown,
                  "\n  [Tanvelo Templates]\n    [Standard Templates]\n      [Forward "
                  "templates]\n        \"custom forward\"\n"))
      << shown;
  EXPECT_TRUE(Has(shown, "\n      [Reply Templates]\n")) << shown;
  EXPECT_TRUE(Has(shown,
                  "\n        \"thank you for the information\"  (default, favourite, "
                  "hotkey Ctrl+Alt+R Reply)\n"))
      << shown;
  EXPECT_EQ(1u, Count(shown, "(")) << shown;
  EXPECT_EQ(2, Program({"-e", "show templates"}).code);
  // A language without words for the actions shows the stored name, and the look logs nothing.
  auto lang = (testsource::SourceDir() / "tests/data/host/Testish.lng").string();
  auto testish = Program(
      {"--lang", lang, "-e", "answer frmReplyFolder enter", "-e", "start", "-e",
       "folder \"Tanvelo Templates/Standard Templates/Reply Templates\"", "-e",
       "select \"thank you for the information\"", "-e",
       "answer frmHotkey choose optReply; choose optAlt; choose cboLetters \"R\"; click btnOK",
       "-e", "ribbon click btnHotkey", "-e", "show templates", "-e", "show log"});
  EXPECT_TRUE(Has(testish.out, "(hotkey Ctrl+Alt+R Tanvelo)\n")) << testish.out;
  // The binding's own lookup is the only one logged.
  EXPECT_EQ(1u, Count(testish.out, "Key 'HOT_KEY_ACTION_TV' not exists")) << testish.out;
}

namespace {

// A dialog at the prompt is explored in its own terms: an empty line and `help` say what it
// takes, a folder opens under `node` and lists what it holds, and the hint followed literally
// answers it.
TEST(Program, AtThePromptADialogIsExploredInItsOwnTerms) {
  auto run = RunEdited(
      true, {"start", "enter", "select \"Quarterly figures\"", "ribbon click btnTanveloSub", "",
             "help", "show templates", "node treFolders \"Tanvelo Templates/Standard Templates\"",
             "node treFolders \"Tanvelo Templates/Standard Templates/Reply Templates\"",
             "click btnOK", "quit"});
  EXPECT_EQ(0, run.code) << run.out;
  EXPECT_TRUE(Has(run.out, "frmSelectTemplate waits for an action, e.g. node treFolders"))
      << run.out;
  EXPECT_FALSE(Has(run.out, "usage: answer")) << run.out;
  EXPECT_TRUE(Has(run.out, "  trees: treFolders\n")) << run.out;
  EXPECT_TRUE(Has(run.out,
                  "  `show` is for Outlook, which waits until frmSelectTemplate is "
                  "closed: answer it first"))
      << run.out;
  EXPECT_TRUE(Has(run.out, "  buttons: btnOK (disabled)")) << run.out;
  EXPECT_TRUE(Has(run.out, "> Standard Templates\n          Forward templates [+]")) << run.out;
  EXPECT_TRUE(Has(run.out, "> Reply Templates\n            directions to office from")) << run.out;
  // With a folder picked, the hint picks a template in it.
  EXPECT_NE(run.prompts.end(),
            std::find(run.prompts.begin(), run.prompts.end(),
                      "answer frmSelectTemplate (e.g. node treFolders \"Tanvelo Templates/Standard "
                      "Templates/Reply Templates/directions to office from location\"; click "
                      "btnOK)> "))
      << run.out;
}

// Ctrl-D at a dialog cancels it as Esc would (its close box when it has no Cancel), says so,
// and Outlook goes on in a state the next commands tell truly.
TEST(Program, AtThePromptCtrlDAtADialogCancelsItAndOutlookGoesOn) {
  auto first = RunEdited(true, {"start", "\x04", "show templates", "start", "quit"});
  EXPECT_EQ(0, first.code) << first.out;
  EXPECT_TRUE(Has(first.out, "(the input ended: frmReplyFolder is cancelled, as with esc)"))
      << first.out;
  EXPECT_TRUE(Has(first.out, "  [Tanvelo Templates]\n    [Standard Templates]")) << first.out;
  EXPECT_TRUE(Has(first.out, "error: Outlook is already running")) << first.out;
  EXPECT_FALSE(Has(first.out, "shown with no answer queued")) << first.out;

  auto picker = RunEdited(true, {"start", "enter", "select \"Quarterly figures\"",
                                 "ribbon click btnTanveloSub", "\x04", "windows", "quit"});
  EXPECT_EQ(0, picker.code) << picker.out;
  EXPECT_TRUE(Has(picker.out, "(the input ended: frmSelectTemplate is cancelled, as with esc)"))
      << picker.out;
  EXPECT_TRUE(Has(picker.out, "* 1 explorer: Inbox\n")) << picker.out;
  EXPECT_FALSE(Has(picker.out, "inspector")) << picker.out;

  // A box without Cancel is not answered by Ctrl-D: every answer decides something, so it
  // says what it takes and asks again.
  auto box = RunEdited(true, {"start", "enter", "select \"Quarterly figures\"",
                              "ribbon click btnSaveAsTemplate", "\x04", "no", "windows", "quit"});
  EXPECT_EQ(0, box.code) << box.out;
  EXPECT_TRUE(Has(box.out,
                  "(Ctrl-D does not answer a box without Cancel; it takes one of: yes no)\n"
                  "  answered no"))
      << box.out;
  EXPECT_TRUE(Has(box.out, "* 1 explorer: Inbox\n")) << box.out;
  EXPECT_FALSE(Has(box.out, "error:")) << box.out;
}

}  // namespace

namespace {

// Every dialog a script meets unanswered names an answer that, queued as it is written, lets
// the same line run; where OK starts disabled the answer holds the step that enables it, and
// a click refused on it says that step.
TEST(Program, AnUnansweredDialogsHintWorksWhenFollowedLiterally) {
  const std::vector<std::string> start = {"-e", "answer frmReplyFolder enter", "-e", "start"};
  struct Case {
    std::string version, form;
    std::vector<std::string> before;  // -e lines after the start
    std::string line;                 // the line that shows the dialog
    std::string hintHas;
  };
  const std::string picker =
      "answer frmSelectTemplate node treFolders \"Tanvelo Templates/Standard Templates/Reply "
      "Templates/thank you for the information\"; click btnHotkey; esc";
  const std::string move =
      "answer frmSelectTemplate node treFolders \"Tanvelo Templates/Standard Templates/Reply "
      "Templates/information request\"; click btnMove; esc";
  const Case cases[] = {
      {"14", "frmReplyFolder", {}, "start", "answer frmReplyFolder click cmdOK"},
      {"14",
       "frmSelectTemplate",
       {"select \"Quarterly figures\""},
       "ribbon click btnTanveloSub",
       "answer frmSelectTemplate node treFolders \"Tanvelo Templates/Standard Templates/"},
      {"11",
       "frmSelectTemplate",
       {"select \"Quarterly figures\""},
       "bar click \"Actions/Tanvelo/Reply with...\"",
       "; click btnOK"},
      {"11",
       "frmHotkey",
       {"select \"Quarterly figures\"", picker},
       "bar click \"Actions/Tanvelo/Reply with...\"",
       "answer frmHotkey click btnOK"},
      {"11",
       "frmBrowseFolder",
       {"select \"Quarterly figures\"", move},
       "bar click \"Actions/Tanvelo/Reply with...\"",
       "answer frmBrowseFolder click btnOK"},
      {"11",
       "frmOptions",
       {},
       "bar click \"Tanvelo templates (arrow)/Options...\"",
       "answer frmOptions click btnOK"},
      {"14", "frmExport", {}, "ribbon click btnExport", "answer frmExport click btnCancel"},
      {"14", "frmImport", {}, "ribbon click btnImport", "answer frmImport click btnCancel"},
      {"14",
       "RL_frmEmptyField",
       {"folder \"Tanvelo Templates\"", "ribbon click btnNewTemplate",
        "set subject \"Company greeting\"", "type \"Greetings to %Company%!\"", "save", "close",
        "folder Inbox", "select \"Quarterly figures\"", "answer box yes",
        "answer frmSelectTemplate node treFolders \"Tanvelo Templates/Company greeting\"; choose "
        "optSeparateMails; click btnOK"},
       "ribbon click btnReplyAllWithSub",
       "answer RL_frmEmptyField type txtValue \"a value\"; click btnOK"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.form + " on " + c.version);
    std::vector<std::string> args = {"--outlook", c.version};
    if (c.line != "start") args.insert(args.end(), start.begin(), start.end());
    for (const auto& line : c.before) args.insert(args.end(), {"-e", line});
    auto unanswered = args;
    unanswered.insert(unanswered.end(), {"-e", c.line});
    if (c.line == "start") unanswered = {"--outlook", c.version, "-e", "start"};
    auto first = Program(unanswered);
    ASSERT_EQ(2, first.code) << first.err;
    size_t at = first.err.find("as the user would answer it: ");
    ASSERT_NE(std::string::npos, at) << first.err;
    std::string hint = first.err.substr(at + 29, first.err.find('\n', at) - at - 29);
    EXPECT_TRUE(Has(hint, c.hintHas)) << hint;
    auto followed = args;
    if (c.line == "start") followed = {"--outlook", c.version};
    followed.insert(followed.end(), {"-e", hint, "-e", c.line});
    auto second = Program(followed);
    EXPECT_EQ(0, second.code) << hint << "\n" << second.err;
    EXPECT_TRUE(Has(second.out, "  answered " + c.form)) << second.out;
  }
  // OK pressed before the step that enables it: the refusal names the step; another
  // button's refusal is not about OK.
  const std::string step =
      "the control is disabled (btnOK is enabled after: node treFolders \"Tanvelo Templates/";
  for (const auto& [answer, says] : std::vector<std::pair<std::string, std::string>>{
           {"click btnOK", "Click refused on frmSelectTemplate.btnOK: " + step},
           {"enter", "Enter refused on frmSelectTemplate.btnOK: " + step},
           {"click btnHotkey", "btnHotkey: the control is disabled\n"}}) {
    auto early = Program(
        {"-e", "answer frmReplyFolder enter", "-e", "start", "-e", "select \"Quarterly figures\"",
         "-e", "answer frmSelectTemplate " + answer, "-e", "ribbon click btnTanveloSub"});
    EXPECT_EQ(2, early.code);
    EXPECT_TRUE(Has(early.err, says)) << early.err;
  }
}

}  // namespace

namespace {

// The Windows folder browser of Export and Import is answered as a box is; one nobody answers
// is cancelled, and the dialog under it goes on with its own answer.
TEST(Program, TheWindowsFolderBrowserIsAnsweredOrCancelsItselfNeverItsDialog) {
  const std::string exportAnswer =
      "answer frmExport click btnOpenWindowsFolder; click btnExport; click btnCancel";
  const std::string cancelAnswer = "answer frmExport click btnOpenWindowsFolder; click btnCancel";
  struct Case {
    const char* name;
    std::vector<std::string> answers;  // queued before the export
    const std::string& dialog;
    int code;
    std::vector<std::string> has;
  };
  const Case cases[] = {
      {"a folder",
       {"answer browser \"C:\\\\Temp\""},
       exportAnswer,
       0,
       {"[browser] the Windows folder browser\n  answered \"C:\\\\Temp\"",
        "[exported] C:\\Temp\\"}},
      {"cancel",
       {"answer browser cancel"},
       cancelAnswer,
       0,
       {"  answered cancel\n", "[click] dialog frmExport btnCancel"}},
      {"none: cancelled, with the answer that picks one",
       {},
       cancelAnswer,
       0,
       {"no answer queued: the browser is cancelled; to pick a folder, queue on a line before: "
        "answer browser \"C:\\\\Temp\"",
        "[click] dialog frmExport btnCancel"}},
      {"one dropped by a line that acts",
       {"answer browser \"C:\\\\Temp\"", "folder Inbox"},
       cancelAnswer,
       0,
       {"did not use answer browser \"C:\\\\Temp\"; it is dropped", "answered cancel"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = {"-e", "answer frmReplyFolder enter", "-e", "start",
                                     "-e", "folder \"Tanvelo Templates\""};
    for (const auto& answer : c.answers) args.insert(args.end(), {"-e", answer});
    args.insert(args.end(), {"-e", c.dialog, "-e", "ribbon click btnExport"});
    auto run = Program(args);
    EXPECT_EQ(c.code, run.code) << run.out << run.err;
    for (const auto& text : c.has)
      EXPECT_TRUE(Has(run.out + run.err, text)) << text << "\n" << run.out << run.err;
    EXPECT_FALSE(Has(run.err, "error:")) << run.err;
  }
  auto help = Program({"-e", "help"});
  EXPECT_TRUE(Has(help.out, "answer browser \"C:\\\\folder\"|cancel")) << help.out;
}

// Small things a person meets: a script saved with a byte-order mark, `context click` with no
// menu open, and a wrong action left in a line after a dialog it opened closed.
TEST(Program, ABomAContextClickAndALeftoverActionSayWhatToDo) {
  win32::files::TempSandbox scratch;
  auto script = scratch.Path() / "bom.txt";
  std::ofstream(script, std::ios::binary)
      << "\xEF\xBB\xBF"
         "answer frmReplyFolder enter\nstart\nexpect folder Inbox has "
         "\"Quarterly figures\"\n";
  auto bom = Program({script.string()});
  EXPECT_EQ(0, bom.code) << bom.err;

  // Before 2007 the item menu is a bar that is always there: a click still needs the menu
  // opened on an item, as a right-click opens it.
  for (const auto& [version, line] : std::vector<std::pair<std::string, std::string>>{
           {"14", "context click"},
           {"14", "context click \"Reply\""},
           {"11", "context click \"Reply\""},
           {"11", "context click \"Tanvelo/Reply with...\""}}) {
    auto context = Program(
        {"--outlook", version, "-e", "answer frmReplyFolder enter", "-e", "start", "-e", line});
    EXPECT_EQ(2, context.code) << version << ": " << line;
    EXPECT_TRUE(Has(context.err, "after `context SUBJECT`") ||
                Has(context.err, "`context SUBJECT` opens an item's context menu first"))
        << context.err;
    EXPECT_FALSE(Has(context.err, "Type mismatch")) << context.err;
  }

  // The same mistake typed alone or left over after a nested dialog: the dialog stays open.
  for (const auto& mistake : std::vector<std::vector<std::string>>{
           {"click btnOK"}, {"click btnOpenOutlookFolder; click btnOK", "click btnOK"}}) {
    std::vector<std::string> input = {"start", "enter", "ribbon click btnExport"};
    input.insert(input.end(), mistake.begin(), mistake.end());
    input.insert(input.end(), {"esc", "windows", "quit"});
    auto run = RunEdited(true, input);
    EXPECT_EQ(0, run.code) << run.out;
    EXPECT_TRUE(Has(run.out, "the dialog is still open")) << run.out;
    EXPECT_TRUE(Has(run.out, "[click] dialog frmExport btnCancel") || Has(run.out, "* 1 explorer"))
        << run.out;
    EXPECT_FALSE(Has(run.out, "error:")) << run.out;
  }
}

}  // namespace

namespace {

// An answer is refused when it names no dialog of the add-in (naming the nearest), is kept
// by lines that only look (opening a context menu, listing the ribbon or the bars), and a
// dialog that finds none names the line that dropped it.
TEST(Program, AnswersAreCheckedWhenQueuedAndKeptByLinesThatOnlyLook) {
  const std::vector<std::string> start = {"-e", "answer frmReplyFolder enter", "-e", "start"};
  struct Case {
    std::string version;
    std::vector<std::string> lines;
    int code;
    std::string errHas;
  };
  const std::string answer =
      "answer frmSelectTemplate node treFolders \"Tanvelo Templates/Standard Templates/Reply "
      "Templates/information request\"; click btnOK";
  const Case cases[] = {
      {"14",
       {"answer frmSelectTemplat enter"},
       2,
       "-e #3: error: the add-in has no dialog frmSelectTemplat; did you mean frmSelectTemplate?"},
      {"14", {"answer FRMHOTKEY esc"}, 2, "did you mean frmHotkey?"},
      {"14", {answer, "context \"Quarterly figures\"", "ribbon click btnTanveloSub"}, 0, ""},
      {"14",
       {"select \"Quarterly figures\"", answer, "ribbon", "ribbon click btnTanveloSub"},
       0,
       ""},
      {"11",
       {"select \"Quarterly figures\"", answer, "bars",
        "bar click \"Actions/Tanvelo/Reply with...\""},
       0,
       ""},
      {"14",
       {answer, "wait 1", "select \"Quarterly figures\"", "ribbon click btnTanveloSub"},
       2,
       "(the answer queued for it was dropped unused by the line -e #4, `wait 1` before)"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"--outlook", c.version};
    args.insert(args.end(), start.begin(), start.end());
    for (const auto& line : c.lines) args.insert(args.end(), {"-e", line});
    auto run = Program(args);
    SCOPED_TRACE(c.lines.back());
    EXPECT_EQ(c.code, run.code) << run.err;
    EXPECT_TRUE(Has(run.err, c.errHas)) << run.err;
    if (c.code == 0) {
      EXPECT_TRUE(Has(run.out, "[click] dialog frmSelectTemplate btnOK")) << run.out;
    }
  }
  // A script naming no dialog of the add-in runs nothing; at the prompt the typo is told.
  auto typo = Program({"-e", "start", "-e", "answer frmSelectTemplat enter"});
  EXPECT_EQ(2, typo.code);
  EXPECT_EQ("", typo.out);
  auto typed = RunEdited(true, {"answer frmHotkee esc", "quit"});
  EXPECT_TRUE(Has(typed.out, "error: the add-in has no dialog frmHotkee; did you mean frmHotkey?"))
      << typed.out;
}

}  // namespace

namespace {

// A language file the add-in could not read is refused at --lang, saying why and how to put it
// right; one that clashes with the fault run is refused too.
TEST(Program, ALanguageFileTheAddinCannotReadIsRefusedNamingWhy) {
  win32::files::TempSandbox scratch;
  const std::string good = testsource::ReadSourceFile("tests/data/host/Testish.lng");
  auto lf = good;
  for (size_t at = lf.find("\r\n"); at != std::string::npos; at = lf.find("\r\n", at))
    lf.erase(at, 1);
  // The same file as an editor elsewhere saves it, with a letter beyond ASCII.
  auto latin = good;
  latin.replace(latin.find("pick"), 4, "w\xE4hle");
  const std::string utf8 = std::regex_replace(latin, std::regex("\xE4"), "\xC3\xA4");
  std::string utf16le = "\xFF\xFE", utf16be = "\xFE\xFF";
  for (char c : latin) {
    utf16le += {c, '\0'};
    utf16be += {'\0', c};
  }
  const struct {
    std::string name, bytes, says;
  } cases[] = {
      {"lf.lng", lf,
       "has lines ended by LF alone (line 1); the add-in reads lines ended by CR LF, as Windows "
       "writes them: convert it, e.g. with sed -i 's/\\r*$/\\r/' "},
      {"utf8.lng", utf8,
       " is UTF-8 text without a byte-order mark: the add-in would read it as Windows-1252 and "
       "garble every letter beyond ASCII: convert it to Windows-1252, e.g. with iconv -f UTF-8 "
       "-t WINDOWS-1252 "},
      {"utf16le.lng", utf16le,
       " is UTF-16 text (little-endian): the add-in reads language files in Windows-1252 with "
       "lines ended by CR LF (or in UTF-8 after a byte-order mark): convert it, e.g. with iconv "
       "-f UTF-16 -t WINDOWS-1252 "},
      {"utf16be.lng", utf16be, " is UTF-16 text (big-endian)"},
      {"none.lng", "[Tanvelo]\r\nlangid = \"XT\"\r\n", "it has no [version] section"},
      {"elsewhere.lng", "[version]\r\nlang = \"x\"\r\n[other]\r\nlangid = \"XT\"\r\n",
       "its [version] section names no langid"},
      {"unsigned.lng", "[version]\r\nlangid = \"XT\"\r\nlang = \"x\"\r\n",
       "signature = \"Norvane.LangLngFile\""},
  };
  for (const auto& c : cases) {
    auto path = scratch.Path() / c.name;
    { std::ofstream(path, std::ios::binary) << c.bytes; }
    auto run = Program({"--lang", path.string(), "-e", "start"});
    EXPECT_EQ(2, run.code) << c.name;
    EXPECT_TRUE(Has(run.err, path.string())) << run.err;
    EXPECT_TRUE(Has(run.err, c.says)) << run.err;
    EXPECT_EQ("", run.out);
  }
  // What the reader takes as it stands: Windows-1252, and UTF-8 after its mark.
  for (const std::string& bytes : {latin, "\xEF\xBB\xBF" + utf8}) {
    auto path = scratch.Path() / "taken.lng";
    { std::ofstream(path, std::ios::binary) << bytes; }
    auto run =
        Program({"--lang", path.string(), "-e", "answer frmReplyFolder enter", "-e", "start"});
    EXPECT_EQ(0, run.code) << run.err;
  }
  // The fault run plays EN.lng: another language would be dropped in silence.
  auto lang = (testsource::SourceDir() / "tests/data/host/Testish.lng").string();
  auto script = scratch.Path() / "s.txt";
  { std::ofstream(script) << "answer frmReplyFolder enter\nstart\n"; }
  auto faulted = Program({"--lang", lang, "--fault-every", "7", script.string()});
  EXPECT_EQ(2, faulted.code);
  EXPECT_TRUE(Has(faulted.err, "--lang does not go with the fault run")) << faulted.err;
}

// A language chosen with --lang stays with a kept profile; a start whose language file is gone
// says so at once, naming the fix.
TEST(Program, ALanguageChosenForAKeptProfileStaysWithIt) {
  win32::files::TempSandbox scratch;
  auto dir = (scratch.Path() / "profile").string();
  auto lang = (testsource::SourceDir() / "tests/data/host/Testish.lng").string();
  auto first = Program(
      {"--profile", dir, "--lang", lang, "-e", "answer frmReplyFolder enter", "-e", "start"});
  ASSERT_EQ(0, first.code) << first.err;
  EXPECT_TRUE(Has(first.out, "\"Testish templates folder\"")) << first.out;
  // The next start, without --lang, reads the add-in's texts from the same file.
  auto second = Program({"--profile", dir, "-e", "start", "-e", "show log"});
  EXPECT_EQ(0, second.code) << second.err;
  EXPECT_FALSE(Has(second.err, "warning")) << second.err;
  EXPECT_FALSE(Has(second.out, "Cant find lang file")) << second.out;
  std::filesystem::remove_all(std::filesystem::path(dir) / "languages");
  auto gone = Program({"--profile", dir, "-e", "start"});
  EXPECT_EQ(0, gone.code) << gone.err;
  EXPECT_TRUE(Has(gone.err,
                  "warning: the language option names Testish.lng, which is not beside the "
                  "add-in, so its texts show as their ids; give it again with --lang FILE"))
      << gone.err;
}

}  // namespace

namespace {

// A mistake of options or of the version's commands is told with what to use instead, and the
// help and --version say the same true things.
TEST(Program, AMistakeSaysWhatToUseInstead) {
  win32::files::TempSandbox scratch;
  const auto typo = (scratch.Path() / "typo").string();
  const std::vector<std::string> start = {"-e", "answer frmReplyFolder enter", "-e", "start"};
  auto with = [&](std::vector<std::string> args, std::vector<std::string> lines) {
    args.insert(args.end(), start.begin(), start.end());
    for (const auto& line : lines) args.insert(args.end(), {"-e", line});
    return args;
  };
  const struct {
    std::vector<std::string> args;
    int code;
    bool onErr;
    std::string says;
  } cases[] = {
      {{"--version"}, 0, false, "Outlook 9 (2000), 10 (2002), 11 (2003), 12 (2007) and 14 (2010)"},
      {{"--help"}, 0, false, "--help | --version"},
      {{"--help"}, 0, false, "3 the profile\ncould not be saved, or a fault run found what"},
      {{"--outlook", "13"}, 2, true, "takes 9, 10, 11, 12 or 14, or the year"},
      {{"--profile", "/"}, 2, true, "/ is the file system's root: --profile takes a folder"},
      {{"--profile", typo + "/a/b"}, 2, true, "the folder " + typo + "/a does not exist"},
      {{"--keep-c", "/"}, 2, true, "/ is the file system's root: --keep-c takes a folder"},
      {{"--keep-c", typo + "/a/b"}, 2, true, "--keep-c makes only the last folder"},
      {with({}, {"bars"}), 0, false,
       "(none of the add-in: Outlook 14 shows the add-in's commands on this window's ribbon"},
      {with({}, {"bar click \"Actions/Tanvelo/Reply with...\""}), 2, true,
       "`ribbon` lists them and `ribbon click ID` clicks one; --outlook 2003 plays a version "
       "with bars)"},
  };
  for (const auto& c : cases) {
    auto run = Program(c.args);
    SCOPED_TRACE(c.args.size() > 4 ? c.args.back() : c.args.front());
    EXPECT_EQ(c.code, run.code) << run.err;
    EXPECT_TRUE(Has(c.onErr ? run.err : run.out, c.says)) << run.out << run.err;
  }
  EXPECT_FALSE(std::filesystem::exists(typo));
  // Where the bars hold the add-in's commands, nothing is said of the ribbon.
  auto bars = Program(with({"--outlook", "12"}, {"bars"}));
  EXPECT_EQ(0, bars.code) << bars.err;
  EXPECT_FALSE(Has(bars.out, "none of the add-in")) << bars.out;
}

// Drive C: kept in a folder the user names outlives the program, with what an export wrote.
TEST(Program, DriveCCanBeKeptSoExportedFilesCanBeOpened) {
  win32::files::TempSandbox scratch;
  auto kept = scratch.Path() / "drive-c";
  auto run =
      Program({"--keep-c", kept.string(), "-e", "answer frmReplyFolder enter", "-e", "start", "-e",
               "folder \"Tanvelo Templates/Standard Templates/Reply Templates\"", "-e",
               "answer frmExport type txtWindowsFolder \"C:\\\\Temp\"; click btnExport; click "
               "btnCancel",
               "-e", "ribbon click btnExport"});
  ASSERT_EQ(0, run.code) << run.err;
  EXPECT_TRUE(Has(run.out, "[outlook] drive C: is copied to " + kept.string())) << run.out;
  EXPECT_TRUE(std::filesystem::is_regular_file(kept / "Temp" / "information request.dot"))
      << run.out;
}

}  // namespace

namespace {

// The README's program section and --help name the same options, so neither tells of one the
// program lacks or leaves one out.
TEST(Program, TheReadmeAndTheHelpNameTheSameOptions) {
  auto options = [](const std::string& text) {
    std::set<std::string> found;
    for (size_t at = text.find("--"); at != std::string::npos; at = text.find("--", at + 2)) {
      size_t end = text.find_first_not_of("abcdefghijklmnopqrstuvwxyz-", at + 2);
      std::string option = text.substr(at, end - at);
      if (option.size() > 3) found.insert(option);
    }
    return found;
  };
  std::string readme = testsource::ReadSourceFile("README.md");
  size_t from = readme.find("## The simulated Outlook program");
  ASSERT_NE(std::string::npos, from);
  readme = readme.substr(from, readme.find("The benchmarks (`bench/`)", from) - from);
  std::set<std::string> help = options(Program({"--help"}).out);
  std::set<std::string> told = options(readme);
  told.erase("--sample");  // the sweep script's, not the program's
  EXPECT_EQ(help, told);
  EXPECT_TRUE(help.count("--version") && help.count("--keep-c"));
}

}  // namespace
