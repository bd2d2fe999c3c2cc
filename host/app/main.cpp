// tanvelo-outlook: Outlook 2000 to 2010 with the add-in loaded, driven by script or by hand.
#include <editline/readline.h>
#include <langinfo.h>
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

int ReadKey(FILE*) {
  for (;;) {
    unsigned char c = 0;
    ssize_t n = read(STDIN_FILENO, &c, 1);
    if (n == 1) return c;
    if (n < 0 && errno == EINTR) {
      if (interrupted) return '\n';
      continue;
    }
    return EOF;
  }
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
    using_history();
    rl_catch_signals = 0;  // the editor's own handler would end the program
    rl_getc_function = ReadKey;
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
