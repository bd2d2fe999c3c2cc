#include "platform/word/OfficeService.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <vector>

#include "platform/win32/CodePage.h"
#include "platform/word/LibreOffice.h"

extern char** environ;

namespace word {

namespace fs = std::filesystem;

namespace {

// The client: connects to the office over its pipe, then converts one document a line
// ("<from url>\t<to url>\t<export filter>\t<import filter>") and answers "ok", "fail\t<why>"
// (the office lives on) or "gone\t<why>" (it does not). "quit" ends the office.
constexpr const char* kClient = R"PY(
import sys, time, uno
from com.sun.star.beans import PropertyValue
from com.sun.star.connection import NoConnectException
from com.sun.star.lang import DisposedException
def pv(n, v):
    p = PropertyValue(); p.Name = n; p.Value = v; return p
def say(text):
    sys.stdout.write(text.replace("\n", " ") + "\n"); sys.stdout.flush()
local = uno.getComponentContext()
resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
while True:
    try:
        ctx = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % sys.argv[1])
        break
    except NoConnectException:
        time.sleep(0.02)
desktop = ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)
say("ready")
for line in sys.stdin:
    f = line.rstrip("\n").split("\t")
    if f[0] == "quit":
        try:
            desktop.terminate()
        except Exception:
            pass
        say("bye")
        break
    try:
        load = [pv("Hidden", True), pv("AsTemplate", False)]
        if f[3]:
            load.append(pv("FilterName", f[3]))
        doc = desktop.loadComponentFromURL(f[0], "_blank", 0, tuple(load))
        if doc is None:
            raise Exception("the document could not be loaded")
        try:
            doc.storeToURL(f[1], (pv("FilterName", f[2]), pv("Overwrite", True)))
        finally:
            doc.close(True)
        say("ok")
    except DisposedException as e:
        say("gone\t" + str(e)); break
    except Exception as e:
        text = str(e) or type(e).__name__
        say(("gone\t" if "disposed" in text.lower() else "fail\t") + text)
)PY";

long long NowMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

void Pause(int ms) {
  timespec t{ms / 1000, (ms % 1000) * 1000000L};
  nanosleep(&t, nullptr);
}

std::wstring Wide(const std::string& text) {
  return win32::MultiByteToWide(win32::CP_UTF8, text);
}

// A child in the process group `group` (0: a group of its own) with `fd` as its standard input
// and output (or /dev/null and `said`), the environment given.
pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env, pid_t group,
            int fd, int said) {
  std::vector<char*> argv, envp;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  pid_t pid = ::fork();
  if (pid == 0) {
    ::setpgid(0, group);
    ::dup2(fd >= 0 ? fd : null, 0);
    ::dup2(fd >= 0 ? fd : said, 1);
    ::dup2(said, 2);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  if (pid > 0) ::setpgid(pid, group ? group : pid);
  if (null >= 0) ::close(null);
  return pid;
}

// Ends the office's group and removes its folder and the sockets it made once its standard
// input ends: when the program that started the office ends, however it ends (a kill -9
// too), the pipe's last writer is gone. A session of its own keeps a terminal's signals off it.
constexpr const char* kWatcher = R"SH(trap '' INT HUP TERM QUIT
left=
while IFS= read -r line; do left="$left
$line"; done
kill -9 "-$1" 2>/dev/null
rm -rf -- "$2"
printf '%s\n' "$left" | while IFS= read -r f; do [ -n "$f" ] && rm -f -- "$f"; done
exit 0)SH";

pid_t SpawnWatcher(pid_t group, const std::string& own, int input) {
  std::string g = std::to_string(group);
  const char* argv[] = {"/bin/sh", "-c", kWatcher, "watcher", g.c_str(), own.c_str(), nullptr};
  int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  pid_t pid = ::fork();
  if (pid == 0) {
    ::setsid();
    ::dup2(input, 0);
    if (null >= 0) ::dup2(null, 1), ::dup2(null, 2);
    ::execve(argv[0], const_cast<char**>(argv), environ);
    ::_exit(127);
  }
  if (null >= 0) ::close(null);
  return pid;
}

// The processes of a process group.
std::vector<pid_t> GroupMembers(pid_t group) {
  std::vector<pid_t> members;
  DIR* proc = ::opendir("/proc");
  if (!proc) return members;
  while (dirent* entry = ::readdir(proc)) {
    if (!std::isdigit(static_cast<unsigned char>(entry->d_name[0]))) continue;
    std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    size_t close = text.rfind(')');
    if (close == std::string::npos) continue;
    char state = 0;
    long parent = 0, pgrp = 0;
    if (std::sscanf(text.c_str() + close + 1, " %c %ld %ld", &state, &parent, &pgrp) == 3 &&
        pgrp == group)
      members.push_back(static_cast<pid_t>(std::atol(entry->d_name)));
  }
  ::closedir(proc);
  return members;
}

}  // namespace

std::vector<std::string> OfficeSockets(pid_t group) {
  // The sockets' inodes the group's processes hold, then the paths the kernel knows them by.
  std::set<std::string> inodes;
  for (pid_t pid : GroupMembers(group)) {
    std::string fds = "/proc/" + std::to_string(pid) + "/fd";
    DIR* dir = ::opendir(fds.c_str());
    if (!dir) continue;
    while (dirent* entry = ::readdir(dir)) {
      char target[128];
      ssize_t n = ::readlink((fds + "/" + entry->d_name).c_str(), target, sizeof target - 1);
      if (n <= 0) continue;
      std::string link(target, static_cast<size_t>(n));
      if (link.rfind("socket:[", 0) == 0) inodes.insert(link.substr(8, link.size() - 9));
    }
    ::closedir(dir);
  }
  std::vector<std::string> paths;
  std::ifstream unix("/proc/net/unix");
  std::string line;
  std::getline(unix, line);  // the heading
  while (std::getline(unix, line)) {
    char num[32], inode[32], path[4096];
    unsigned refs = 0, protocol = 0, flags = 0, type = 0, state = 0;
    path[0] = 0;
    int got = std::sscanf(line.c_str(), "%31s %x %x %x %x %x %31s %4095s", num, &refs, &protocol,
                          &flags, &type, &state, inode, path);
    if (got == 8 && path[0] == '/' && inodes.count(inode)) paths.push_back(path);
  }
  std::sort(paths.begin(), paths.end());
  paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
  return paths;
}

namespace {

// Word's own import filter for what the file is, by its first bytes: the office then refuses
// bytes that are no such document, where left to guess it reads them as plain text.
std::string ImportFilter(const std::string& input) {
  std::ifstream in(input, std::ios::binary);
  char head[8] = {};
  in.read(head, sizeof head);
  const std::string bytes(head, static_cast<size_t>(in.gcount()));
  if (bytes.empty()) return "Text";
  if (bytes.rfind("\xD0\xCF\x11\xE0", 0) == 0) return "MS Word 97";
  if (bytes.rfind("PK\x03\x04", 0) == 0) return "MS Word 2007 XML";
  if (bytes.rfind("{\\rtf", 0) == 0) return "Rich Text Format";
  // HTML opens in the web editor by default, whose document takes a web page's paragraph
  // spacing into the Word file; the word processor's own HTML filter reads it as its text.
  return "HTML (StarWriter)";
}

}  // namespace

OfficeService::OfficeService(std::string soffice, std::string folder, int timeoutSeconds,
                             int killAfterSeconds, std::string python)
    : soffice_(std::move(soffice)),
      folder_(std::move(folder)),
      python_(std::move(python)),
      timeout_(timeoutSeconds),
      killAfter_(killAfterSeconds) {}

OfficeService::~OfficeService() {
  End();
}

bool OfficeService::Usable(const std::string& python) {
  std::string command = "'" + python + "' -c 'import uno' >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

std::wstring OfficeService::Said() const {
  return LastWords((fs::path(own_) / "said").string());
}

std::vector<std::string> ClearOfficeLeftovers(const std::string& folder) {
  // Sockets the kernel still knows are someone's; the others are files of offices gone.
  std::set<std::string> live;
  std::ifstream unix("/proc/net/unix");
  for (std::string line; std::getline(unix, line);) {
    size_t at = line.find(" /");
    if (at != std::string::npos) live.insert(line.substr(at + 1));
  }
  const std::string prefix = "OSL_PIPE_" + std::to_string(::getuid()) + "_";
  std::vector<std::string> removed;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) != 0 || live.count(entry.path().string())) continue;
    const std::string rest = name.substr(prefix.size());
    if (rest.rfind("SingleOfficeIPC_", 0) != 0 && rest.rfind("tanvelo-", 0) != 0) continue;
    std::error_code gone;
    if (entry.is_socket(gone) && fs::remove(entry.path(), gone)) removed.push_back(name);
  }
  std::sort(removed.begin(), removed.end());
  return removed;
}

bool OfficeService::Begin(const std::wstring& file) {
  if (channel_ >= 0) return true;
  // The first office of a program clears what offices of programs gone left in /tmp.
  static bool cleared = false;
  if (!cleared) {
    cleared = true;
    ClearOfficeLeftovers("/tmp");
  }
  std::error_code ec;
  fs::create_directories(folder_, ec);
  std::string pattern = (fs::path(folder_) / "office-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) {
    problem_ = L"the word processor has no room for its profile";
    return false;
  }
  own_ = pattern;
  fs::path own(own_);
  for (const char* sub : {"home", "tmp"}) fs::create_directories(own / sub, ec);
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    if (entry.rfind("HOME=", 0) != 0 && entry.rfind("TMPDIR=", 0) != 0) env.push_back(entry);
  }
  env.push_back("HOME=" + (own / "home").string());
  env.push_back("TMPDIR=" + (own / "tmp").string());
  // The pipe's name is the folder's, so that no two offices share one.
  std::string pipe = "tanvelo-" + std::to_string(::getpid()) + "-" + own.filename().string();
  int said = ::open((own / "said").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  int pair[2];
  if (said < 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
    if (said >= 0) ::close(said);
    problem_ = L"the word processor could not be started";
    Stop(false);
    return false;
  }
  ++starts_;
  office_ = Spawn({soffice_, "-env:UserInstallation=" + FileUrl((own / "profile").string()),
                   "--headless", "--invisible", "--norestore", "--nologo", "--nodefault",
                   "--nolockcheck", "--accept=pipe,name=" + pipe + ";urp;"},
                  env, 0, -1, said);
  group_ = office_ > 0 ? office_ : 0;
  if (group_) client_ = Spawn({python_, "-c", kClient, pipe}, env, group_, pair[1], said);
  ::close(pair[1]);
  ::close(said);
  channel_ = pair[0];
  if (!group_ || client_ <= 0) {
    problem_ = L"the word processor could not be started";
    Stop(false);
    return false;
  }
  int guard[2];
  if (::pipe2(guard, O_CLOEXEC) == 0) {
    watcher_ = SpawnWatcher(group_, own_, guard[0]);
    ::close(guard[0]);
    guard_ = guard[1];
  }
  bool late = false;
  auto ready = ReadLine(NowMs() + timeout_ * 1000LL, late);
  if (ready && *ready == "ready") {
    // The office's sockets outside its folder (its pipes in the system's temporary folder)
    // go with it, also when the watcher is the one to end it.
    sockets_ = OfficeSockets(group_);
    for (const auto& path : sockets_) {
      std::string line = path + "\n";
      if (guard_ >= 0 && ::write(guard_, line.data(), line.size()) < 0) break;
    }
    return true;
  }
  problem_ = late ? L"the word processor did not start within " + std::to_wstring(timeout_) +
                        L" seconds, for " + file
                  : Ending(file);
  Stop(false);
  return false;
}

std::optional<std::string> OfficeService::ReadLine(long long deadlineMs, bool& late) {
  late = false;
  for (;;) {
    size_t nl = pending_.find('\n');
    if (nl != std::string::npos) {
      std::string line = pending_.substr(0, nl);
      pending_.erase(0, nl + 1);
      return line;
    }
    long long left = deadlineMs - NowMs();
    if (left <= 0) {
      late = true;
      return std::nullopt;
    }
    pollfd p{channel_, POLLIN, 0};
    int n = ::poll(&p, 1, static_cast<int>(std::min(left, 200LL)));
    if (n < 0 && errno == EINTR) continue;
    if (n == 0 && handedAt_ && onWaiting) {
      // Past a few seconds on one document, whoever waits is told it is still at work.
      long long seconds = (NowMs() - handedAt_) / 1000;
      if (seconds >= kStillWorkingEvery && seconds / kStillWorkingEvery > told_) {
        told_ = seconds / kStillWorkingEvery;
        onWaiting(static_cast<int>(seconds));
      }
    }
    if (n <= 0) {
      // An office whose launcher has ended answers nothing more: no need to wait out the limit.
      int status = 0;
      if (office_ > 0 && ::waitpid(office_, &status, WNOHANG) == office_) {
        office_ = 0;
        officeStatus_ = status;
        return std::nullopt;
      }
      continue;
    }
    char buffer[4096];
    ssize_t got = ::recv(channel_, buffer, sizeof buffer, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return std::nullopt;
    pending_.append(buffer, static_cast<size_t>(got));
  }
}

// Why the process went: its launcher's end when it has one, and what it said.
std::wstring OfficeService::Ending(const std::wstring& file) {
  long long until = NowMs() + killAfter_ * 1000LL;
  int status = 0;
  while (office_ > 0) {
    pid_t r = ::waitpid(office_, &status, WNOHANG);
    if (r == office_) {
      office_ = 0;
      officeStatus_ = status;
      break;
    }
    if (r < 0 || NowMs() >= until) break;
    Pause(20);
  }
  std::wstring text = L"the word processor ended abnormally on " + file;
  if (officeStatus_ >= 0) {
    if (WIFSIGNALED(officeStatus_))
      text += L" (signal " + std::to_wstring(WTERMSIG(officeStatus_)) + L")";
    else
      text += L" (exit status " + std::to_wstring(WEXITSTATUS(officeStatus_)) + L")";
  }
  std::wstring said = Said();
  if (!said.empty()) text += L"; it said: " + said;
  return text;
}

void OfficeService::Stop(bool politely) {
  if (politely && channel_ >= 0 && client_ > 0) {
    static const char kQuit[] = "quit\n";
    if (::send(channel_, kQuit, sizeof kQuit - 1, MSG_NOSIGNAL) > 0) {
      bool late = false;
      long long until = NowMs() + killAfter_ * 1000LL;
      while (auto line = ReadLine(until, late))
        if (*line == "bye") break;
      int status = 0;
      while (office_ > 0 && NowMs() < until) {
        if (::waitpid(office_, &status, WNOHANG) == office_) {
          office_ = 0;
          break;
        }
        Pause(20);
      }
    }
  }
  // The whole group: the launcher, the office it started and the client.
  if (group_ > 0) ::kill(-group_, SIGKILL);
  int status = 0;
  if (office_ > 0) ::waitpid(office_, &status, 0);
  if (client_ > 0) ::waitpid(client_, &status, 0);
  // Ended here, the office needs no watcher.
  if (watcher_ > 0) {
    ::kill(watcher_, SIGKILL);
    ::waitpid(watcher_, &status, 0);
  }
  if (guard_ >= 0) ::close(guard_);
  watcher_ = 0;
  guard_ = -1;
  std::error_code gone;
  for (const auto& path : sockets_) fs::remove(path, gone);
  sockets_.clear();
  if (channel_ >= 0) ::close(channel_);
  office_ = client_ = group_ = 0;
  channel_ = -1;
  officeStatus_ = -1;
  pending_.clear();
  if (!own_.empty()) {
    std::error_code ec;
    fs::remove_all(own_, ec);
    std::string pipe =
        "tanvelo-" + std::to_string(::getpid()) + "-" + fs::path(own_).filename().string();
    // A killed office leaves its pipe behind in the system's temporary folder.
    fs::remove(fs::path("/tmp") / ("OSL_PIPE_" + std::to_string(::getuid()) + "_" + pipe), ec);
    own_.clear();
  }
}

void OfficeService::End() {
  Stop(true);
}

bool OfficeService::Convert(const std::string& input, const std::string& output,
                            const std::string& filter, const std::wstring& file) {
  problem_.clear();
  std::error_code ec;
  fs::remove(output, ec);
  if (!Begin(file)) return false;
  std::string request =
      FileUrl(input) + "\t" + FileUrl(output) + "\t" + filter + "\t" + ImportFilter(input) + "\n";
  long long deadline = NowMs() + timeout_ * 1000LL;
  if (::send(channel_, request.data(), request.size(), MSG_NOSIGNAL) !=
      static_cast<ssize_t>(request.size())) {
    problem_ = Ending(file);
    Stop(false);
    return false;
  }
  if (onHandedOver) onHandedOver(group_);
  bool late = false;
  handedAt_ = NowMs();
  told_ = 0;
  auto answer = ReadLine(deadline, late);
  handedAt_ = 0;
  if (answer && *answer == "ok" && fs::exists(output, ec)) return true;
  if (late) {
    problem_ = L"the word processor did not finish " + file + L" within " +
               std::to_wstring(timeout_) + L" seconds";
  } else if (answer && answer->rfind("fail\t", 0) == 0) {
    problem_ =
        L"the word processor could not read " + file + L"; it said: " + Wide(answer->substr(5));
    fs::remove(output, ec);
    return false;
  } else if (answer && *answer == "ok") {
    problem_ = L"the word processor wrote nothing for " + file;
    return false;
  } else {
    problem_ = Ending(file);
  }
  // What hung or crashed is ended; the next document gets a fresh process.
  Stop(false);
  fs::remove(output, ec);
  return false;
}

std::optional<std::string> OfficeService::ToHtml(const std::string& document,
                                                 const std::string& outFolder) {
  std::error_code ec;
  fs::create_directories(outFolder, ec);
  std::string output =
      (fs::path(outFolder) / (fs::path(document).stem().string() + ".html")).string();
  // `document` is Word's private copy: the caller names the user's file.
  if (!Convert(document, output, "HTML (StarWriter)", L"the document")) return std::nullopt;
  return output;
}

bool OfficeService::ToDoc(const std::string& source, const std::string& document) {
  return Convert(source, document, "MS Word 97", L"the document");
}

}  // namespace word
