// tanvelo-outlook: Outlook 2000 to 2010 with the add-in loaded, driven by script or by hand.
#include <editline/readline.h>
#include <langinfo.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

#include "host/Program.h"

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
    io.readEdited = [](const std::string& prompt, std::string& line) {
      char* got = readline(prompt.c_str());
      if (!got) return false;
      line = got;
      if (*got) add_history(got);
      std::free(got);
      return true;
    };
  }
  std::error_code ec;
  auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  std::ifstream lang(self.parent_path() / "EN.lng", std::ios::binary);
  io.languageFile.assign(std::istreambuf_iterator<char>(lang), {});
  return host::RunProgram(args, io);
}
