// tanvelo-outlook: Outlook 2000 to 2010 with the add-in loaded, driven by script or by hand.
#include <editline/readline.h>
#include <fcntl.h>
#include <langinfo.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

#include "host/Program.h"

namespace {

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) {
  interrupted = 1;
}

// Ctrl-C while a line is typed: the key read is cut short and the line ends there, so the
// editor gives the line back and it is dropped. Elsewhere a Ctrl-C is only noted: a command
// runs to its end, and the kept profile is never left half written.
void CatchInterrupt(bool cutsReads) {
  struct sigaction action = {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = cutsReads ? 0 : SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
}

// One byte from the terminal, EOF when it ended or failed. A Ctrl-C that came before the wait
// (while the editor set itself up) counts as well as one during it: SIGINT is let in only
// inside ppoll, so none is missed.
int ReadByte() {
  sigset_t interrupt, before;
  sigemptyset(&interrupt);
  sigaddset(&interrupt, SIGINT);
  sigprocmask(SIG_BLOCK, &interrupt, &before);
  sigset_t waiting = before;
  sigdelset(&waiting, SIGINT);
  int flags = fcntl(STDIN_FILENO, F_GETFL);
  fcntl(STDIN_FILENO, F_SETFL, flags | O_NONBLOCK);
  int key = EOF;
  for (;;) {
    if (interrupted) {
      key = '\n';
      break;
    }
    pollfd in{STDIN_FILENO, POLLIN, 0};
    int ready = ppoll(&in, 1, nullptr, &waiting);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) break;
    // Without waiting: a Ctrl-C between the poll and the read empties the terminal's queue,
    // and a waiting read would then wait with the signal held off.
    unsigned char c = 0;
    ssize_t n = read(STDIN_FILENO, &c, 1);
    if (n == 1) key = c;
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    break;
  }
  fcntl(STDIN_FILENO, F_SETFL, flags);
  sigprocmask(SIG_SETMASK, &before, nullptr);
  return key;
}

// One character for the editor, which takes what this returns as a whole wide character: the
// terminal's UTF-8 bytes are put together here, or "ü" would arrive as two characters. A
// malformed sequence arrives as U+FFFD.
int ReadKey(FILE*) {
  int lead = ReadByte();
  if (lead == EOF || lead < 0xC2 || lead > 0xF4 || interrupted) return lead;
  int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
  int code = lead & (0x3F >> more);
  for (int i = 0; i < more; ++i) {
    int next = ReadByte();
    if (interrupted) return '\n';
    if (next == EOF || (next & 0xC0) != 0x80) return next == EOF ? EOF : 0xFFFD;
    code = (code << 6) | (next & 0x3F);
  }
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  host::ProgramIo io;
  io.out = [](const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
  };
  io.err = [](const std::string& text) {
    std::fflush(stdout);
    std::fwrite(text.data(), 1, text.size(), stderr);
  };
  io.readLine = [](std::string& line) { return static_cast<bool>(std::getline(std::cin, line)); };
  io.terminal = isatty(0) != 0;
  if (io.terminal) {
    // Lines are taken as UTF-8, so the editor reads UTF-8 even where the locale says ASCII
    // (it would drop every other character). History lasts as long as the session.
    std::setlocale(LC_CTYPE, "");
    if (std::string(nl_langinfo(CODESET)) != "UTF-8") std::setlocale(LC_CTYPE, "C.UTF-8");
    // Before the editor is first set up (using_history does it), or it keeps its own.
    rl_catch_signals = 0;  // its handler would pass the signal on after its read began
    rl_getc_function = ReadKey;
    using_history();
    CatchInterrupt(false);
    io.readEdited = [](const std::string& prompt, std::string& line) {
      interrupted = 0;
      CatchInterrupt(true);
      char* got = readline(prompt.c_str());
      CatchInterrupt(false);
      if (interrupted) {
        std::free(got);
        std::fputs("^C\n", stdout);  // the editor ends the line without a word
        throw host::Interrupted{};
      }
      if (!got) return false;
      line = got;
      if (*got) add_history(got);
      std::free(got);
      return true;
    };
  }
  std::error_code ec;
  auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  // Only a plain file is read: a folder in its place would fail the read midway.
  auto langPath = self.parent_path() / "EN.lng";
  if (std::filesystem::is_regular_file(langPath, ec)) {
    std::ifstream lang(langPath, std::ios::binary);
    try {
      io.languageFile.assign(std::istreambuf_iterator<char>(lang), {});
    } catch (const std::exception&) {
      io.languageFile.clear();  // told as missing
    }
  } else if (std::filesystem::exists(langPath, ec)) {
    io.err("tanvelo-outlook: " + langPath.string() + " is not a plain file; it is not read\n");
  }
  return host::RunProgram(args, io);
}
