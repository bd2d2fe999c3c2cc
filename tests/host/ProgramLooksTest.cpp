// What a person meets in a first hour at the program: what it shows of folders, contacts, bars
// and the maker's windows, why a dialog's button stays disabled, a key that does nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "host/Program.h"
#include "platform/win32/Files.h"
#include "tests/common/Source.h"

namespace {

struct Run {
  int code = -1;
  std::string out, err;
};

// The program with `args`; with `typed`, a person at a terminal types those lines.
Run Program(std::vector<std::string> args, std::vector<std::string> typed = {}) {
  Run run;
  host::ProgramIo io;
  io.out = [&](const std::string& s) { run.out += s; };
  io.err = [&](const std::string& s) { run.err += s; };
  size_t next = 0;
  io.readLine = [&](std::string& line) {
    if (next >= typed.size()) return false;
    line = typed[next++];
    return true;
  };
  io.terminal = !typed.empty();
  io.languageFile = testsource::ReadSourceFile("lang/EN.lng");
  run.code = host::RunProgram(args, io);
  return run;
}

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Outlook shows one Actions menu, the one of the folder shown: a mail folder's holds the
// add-in's reply commands, a contact folder's its new mail alone.
TEST(ProgramLooks, TheMenuBarShowsTheActionsMenuOfTheFolderShown) {
  const struct {
    const char* version;
    const char* folder;
    bool replies;
  } cases[] = {
      {"2000", "Inbox", true},     {"2003", "Inbox", true},     {"2002", "Sent Items", true},
      {"2000", "Contacts", false}, {"2003", "Contacts", false},
  };
  for (const auto& c : cases) {
    auto run = Program({"--outlook", c.version, "-e", "answer frmReplyFolder enter", "-e", "start",
                        "-e", std::string("folder \"") + c.folder + "\"", "-e", "bars"});
    ASSERT_EQ(0, run.code) << run.err;
    EXPECT_EQ(1u, Count(run.out, "\"Actions/Tanvelo\"\n")) << c.version << " " << c.folder;
    EXPECT_EQ(c.replies, Has(run.out, "\"Actions/Tanvelo/Reply with...\""))
        << c.version << " " << c.folder;
    EXPECT_TRUE(Has(run.out, "\"Actions/Tanvelo/New mail from a template...\""))
        << c.version << " " << c.folder;
  }
}

}  // namespace
