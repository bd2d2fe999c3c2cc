// The one office of a run, played by stand-ins: a soffice that only waits, and a client of its
// programming interface that answers as the test says. Each test works in a folder of its own
// below the build folder.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/win32/CodePage.h"
#include "platform/word/OfficeService.h"

namespace fs = std::filesystem;

namespace {

class StandInOfficeTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    work = fs::current_path() / ("office " + name);
    fs::remove_all(work);
    fs::create_directories(work);
    soffice = Script("soffice", "exec sleep 600");
  }
  void TearDown() override { fs::remove_all(work); }

  std::string Script(const std::string& name, const std::string& body) {
    fs::path script = work / name;
    std::ofstream(script) << "#!/bin/sh\n" << body << "\n";
    fs::permissions(script, fs::perms::owner_all);
    return script.string();
  }
  // A client that says it is ready, keeps each request line and runs `answer` with the output
  // file's path in $out (the test's paths hold no character but a blank that a URL escapes).
  std::string Client(const std::string& answer) {
    return Script("client",
                  "echo ready\n"
                  "while IFS= read -r line; do\n"
                  "  printf '%s\\n' \"$line\" >> \"$(dirname \"$0\")/requests\"\n"
                  // "quit" ends the office: it names no file to write.
                  "  [ \"$line\" = quit ] && exit 0\n"
                  "  url=$(printf '%s' \"$line\" | cut -f2)\n"
                  "  out=$(printf '%s' \"${url#file://}\" | sed 's/%20/ /g')\n" +
                      answer +
                      "\n"
                      "done");
  }
  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  fs::path work;
  std::string soffice;
};

}  // namespace

// An answer is believed only as far as the output shows it: "ok" with nothing written is no
// conversion, and what a failed conversion wrote before it failed does not stay.
TEST_F(StandInOfficeTest, AnAnswerCountsOnlyWithItsOutputAndAFailureLeavesNone) {
  std::ofstream(work / "in.doc") << "\xD0\xCF\x11\xE0";
  const struct {
    const char* answer;
    const wchar_t* problem;
  } cases[] = {
      {"echo ok", L"the word processor wrote nothing for the document"},
      {"printf '<html><body>cut' > \"$out\"; printf 'fail\\tcut short\\n'",
       L"the word processor could not read the document; it said: cut short"},
      {"printf '<html></html>' > \"$out\"; echo ok", L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    word::OfficeService office(soffice, (work / "p").string(), 20, 1, Client(c.answer));
    auto html = office.ToHtml((work / "in.doc").string(), (work / "out").string());
    EXPECT_EQ(office.Problem(), c.problem) << win32::ToAnsi(office.Problem());
    EXPECT_EQ(html.has_value(), *c.problem == 0);
    EXPECT_EQ(fs::exists(work / "out" / "in.html"), *c.problem == 0);
    // The office serves on after a document it could not read.
    EXPECT_EQ(office.Starts(), 1);
    EXPECT_NE(office.Group(), 0);
    office.End();
    fs::remove_all(work / "out");
  }
}

// The office is told Word's own import filter for what the file is by its first bytes.
TEST_F(StandInOfficeTest, TheOfficeIsToldTheFilterOfTheFilesKind) {
  const struct {
    std::string bytes;
    const char* filter;
  } cases[] = {
      {std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1 word", 13), "MS Word 97"},
      {"PK\x03\x04 newer word", "MS Word 2007 XML"},
      {"{\\rtf1 x}", "Rich Text Format"},
      {"\xEF\xBB\xBF <html>x</html>", "HTML (StarWriter)"},
      {"", "Text"},
  };
  word::OfficeService office(soffice, (work / "p").string(), 20, 1,
                             Client("printf '<html></html>' > \"$out\"; echo ok"));
  std::string expected;
  for (const auto& c : cases) {
    std::ofstream(work / "in.doc", std::ios::binary) << c.bytes;
    ASSERT_TRUE(office.ToHtml((work / "in.doc").string(), (work / "out").string()));
    expected += std::string(c.filter) + "\n";
  }
  office.End();
  std::string filters;
  std::ifstream requests(work / "requests");
  for (std::string line; std::getline(requests, line);)
    if (line != "quit") filters += line.substr(line.rfind('\t') + 1) + "\n";
  EXPECT_EQ(filters, expected);
}

namespace {

// Waits for a process that is no child of this one to end, without sleeping.
bool Ends(pid_t pid, int ms) {
  int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  if (fd < 0) return errno == ESRCH;
  pollfd p{fd, POLLIN, 0};
  bool ended = ::poll(&p, 1, ms) == 1;
  ::close(fd);
  return ended;
}

}  // namespace

// The program that started the office killed outright (or ended by any other signal, or
// exiting without ending it): the office, its client and its folder go all the same; the
// office it ended itself leaves no watcher behind.
TEST_F(StandInOfficeTest, TheOfficeEndsWithTheProgramThatStartedItHoweverItEnds) {
  std::ofstream(work / "in.doc") << "{\\rtf1 x}";
  std::string client = Client("sleep 600");
  for (int signal : {SIGKILL, SIGTERM, 0}) {
    SCOPED_TRACE(signal);
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    pid_t program = ::fork();
    if (program == 0) {
      ::close(report[0]);
      word::OfficeService office(soffice, (work / "p").string(), 600, 1, client);
      office.onHandedOver = [&](pid_t group) {
        pid_t pids[2] = {group, office.Watcher()};
        (void)!::write(report[1], pids, sizeof pids);
        if (signal == 0) ::_exit(0);  // no destructor, no End
      };
      office.ToHtml((work / "in.doc").string(), (work / "out").string());
      ::_exit(3);
    }
    ::close(report[1]);
    pid_t pids[2] = {0, 0};
    ASSERT_EQ(::read(report[0], pids, sizeof pids), static_cast<ssize_t>(sizeof pids));
    ::close(report[0]);
    const pid_t officePid = pids[0], watcher = pids[1];
    ASSERT_GT(watcher, 0);
    if (signal) ::kill(program, signal);
    int status = 0;
    ASSERT_EQ(::waitpid(program, &status, 0), program);
    EXPECT_TRUE(Ends(officePid, 20000)) << "the office outlived its program";
    ASSERT_TRUE(Ends(watcher, 20000));
    EXPECT_TRUE(fs::is_empty(work / "p"));
  }
  word::OfficeService ended(soffice, (work / "p").string(), 20, 1,
                            Client("printf '<html></html>' > \"$out\"; echo ok"));
  ASSERT_TRUE(ended.ToHtml((work / "in.doc").string(), (work / "out").string()));
  pid_t watcher = ended.Watcher();
  ASSERT_GT(watcher, 0);
  ended.End();
  EXPECT_EQ(::kill(watcher, 0), -1);
  EXPECT_TRUE(fs::is_empty(work / "p"));
}

// An office's pipes left by a program gone (killed before anything could remove them) are
// cleared; a pipe some process still holds, and every other file, stay.
TEST_F(StandInOfficeTest, PipesOfOfficesGoneAreClearedAndLiveOnesStay) {
  const std::string uid = std::to_string(::getuid());
  // A short folder: a socket's path has little room.
  char made[] = "/tmp/tv-pipes-XXXXXX";
  ASSERT_NE(::mkdtemp(made), nullptr);
  const fs::path work = made;
  auto bound = [&](const std::string& name, bool listen) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::string path = (work / name).string();
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << path;
    if (listen) {
      EXPECT_EQ(::listen(fd, 1), 0);
      return fd;
    }
    ::close(fd);  // its file stays, held by no one
    return -1;
  };
  const std::string gone1 = "OSL_PIPE_" + uid + "_SingleOfficeIPC_0123abcd";
  const std::string gone2 = "OSL_PIPE_" + uid + "_tanvelo-1-office-AbCdEf";
  const std::string live = "OSL_PIPE_" + uid + "_SingleOfficeIPC_live";
  const std::string other = "OSL_PIPE_" + uid + "_someone-else";
  bound(gone1, false);
  bound(gone2, false);
  bound(other, false);
  int held = bound(live, true);
  std::ofstream(work / ("OSL_PIPE_" + uid + "_SingleOfficeIPC_a-file"));
  EXPECT_EQ(word::ClearOfficeLeftovers(work.string()), (std::vector<std::string>{gone1, gone2}));
  EXPECT_TRUE(fs::exists(fs::symlink_status(work / live)));
  EXPECT_TRUE(fs::exists(fs::symlink_status(work / other)));
  EXPECT_TRUE(fs::exists(work / ("OSL_PIPE_" + uid + "_SingleOfficeIPC_a-file")));
  ::close(held);
  fs::remove_all(work);
}
