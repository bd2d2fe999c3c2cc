// What a person meets in a first hour at the program: the folders and a contact shown, the
// Actions menu of the folder shown, a key no template has, the maker's windows, a template with
// a hotkey picked by its name, why Export or Import stays disabled, a kept drive C:.
#include <gtest/gtest.h>

#include <filesystem>

#include "host/Program.h"
#include "platform/win32/Files.h"
#include "tests/common/Source.h"

namespace {

struct Run {
  int code = -1;
  std::string out;  // stdout and stderr
};

// The program with `args`; with `typed`, a person at a terminal types those lines.
Run Program(std::vector<std::string> args, std::vector<std::string> typed = {}) {
  Run run;
  host::ProgramIo io;
  io.out = io.err = [&](const std::string& s) { run.out += s; };
  size_t next = 0;
  io.readLine = [&](std::string& line) {
    return next < typed.size() && (line = typed[next++], true);
  };
  io.terminal = !typed.empty();
  io.languageFile = testsource::ReadSourceFile("lang/EN.lng");
  run.code = host::RunProgram(args, io);
  return run;
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

const std::string kReply = "Tanvelo Templates/Standard Templates/Reply Templates/";
const std::string kGiveR =  // the hotkey Ctrl+Alt+R given in the picker, on 2003's bars
    "answer frmHotkey choose optReply; choose optAlt; choose cboLetters \"R\"; click btnOK\n"
    "answer frmSelectTemplate node treFolders \"" +
    kReply +
    "thank you for the information\"; click btnHotkey; esc\n"
    "bar click \"Reply using a template (arrow)/Reply with...\"";
const std::string kPick = "answer frmSelectTemplate node treFolders \"" + kReply;

TEST(ProgramLooks, WhatAPersonMeetsIsShownAndTold) {
  const struct {
    const char* outlook;
    std::string lines;  // after a start, one a line
    int code;
    std::string told;
    bool present = true;
  } cases[] = {
      // One Actions menu, the folder's: a mail folder lists no contact one, a contact folder no
      // reply commands.
      {"2003", "bars", 0, "New mail from a template...\"\n  Standard", false},
      {"2003", "folder Contacts\nbars", 0, "New mail from a template...\"\n  Standard"},
      // A chord no template has says so; a bound one replies.
      {"2003", "key \"Ctrl+Alt+R\"", 0, "(no template has the hotkey Ctrl+Alt+R, so nothing"},
      {"2003", kGiveR + "\nselect \"Team lunch\"\nkey \"Ctrl+Alt+R\"", 0, "no template has", false},
      // The folders by their paths, a contact's fields.
      {"2010", "show folders", 0, "\n    Tanvelo Templates/Standard Templates  (0 items)\n"},
      {"2010", "folder Contacts\nselect #1\nshow mail", 0, "\n  company: Partner Ltd\n"},
      // The maker's windows, from the ribbon, the bars and a dialog.
      {"2010", "ribbon click btnAbout", 0, "\n[about] the About window of Tanvelo is shown\n"},
      {"2003", "bar click \"Tanvelo templates (arrow)/Help\"", 0, "\n[help] the help opens at "},
      {"2010",
       "folder \"Tanvelo Templates\"\nanswer frmExport click btnHelp; click btnCancel\nribbon "
       "click btnExport",
       0, "btnHelp\n[help] the help opens at the topic \"export_by_tanvelo.htm\"\n"},
      // A template with a hotkey by its name; a path that finds nothing says what is there.
      {"2003",
       kGiveR + "\n" + kPick + "thank you for the information\"; click btnOK\n" +
           "bar click \"Reply using a template (arrow)/Reply with...\"",
       0, "opened: RE: Quarterly"},
      {"2003",
       kGiveR + "\n" + kPick + "thank you\"; click btnOK\n" +
           "bar click \"Reply using a template (arrow)/Reply with...\"",
       2,
       "(\"Tanvelo Templates/Standard Templates/Reply Templates\" holds \"directions to office "},
      // Why Export and Import stay disabled: no Windows folder, one missing, no Outlook folder
      // chosen (typing its path as shown chooses none).
      {"2010",
       "folder \"Tanvelo Templates\"\nanswer frmExport click btnExport\nribbon click btnExport", 2,
       "disabled (no Windows folder is given: type txtWindowsFolder \"C:\\\\Temp\""},
      {"2010",
       "folder \"Tanvelo Templates\"\nanswer frmExport type txtWindowsFolder \"C:\\\\No\"; click "
       "btnExport\nribbon click btnExport",
       2, "disabled (the Windows folder \"C:\\No\" does not exist"},
      {"2010",
       "answer frmImport type txtWindowsFolder \"C:\\\\Temp\"; type txtOutlookFolder "
       "\"\\\\\\\\Mailbox - Pat Doe\\\\Tanvelo Templates\"; click btnImport\nribbon click "
       "btnImport",
       2, "disabled (no Outlook folder is chosen: click btnOpenOutlookFolder"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"--outlook", c.outlook, "-e", "answer frmReplyFolder enter",
                                     "-e",        "start",   "-e", "select \"Quarterly figures\""};
    std::string lines = c.lines;
    for (size_t end; !lines.empty(); lines = end == std::string::npos ? "" : lines.substr(end + 1))
      args.insert(args.end(), {"-e", lines.substr(0, end = lines.find('\n'))});
    auto run = Program(args);
    EXPECT_EQ(c.code, run.code) << c.lines << "\n" << run.out;
    EXPECT_EQ(c.present, Has(run.out, c.told)) << c.lines << "\n" << run.out;
  }
}

// At the prompt the button says why it is disabled, the Outlook folder's box how it is chosen.
TEST(ProgramLooks, AtThePromptADisabledImportSaysWhy) {
  auto run = Program({}, {"start", "enter", "ribbon click btnImport",
                          "type txtWindowsFolder \"C:\\\\Temp\"", "esc", "quit"});
  EXPECT_EQ(0, run.code) << run.out;
  EXPECT_TRUE(Has(run.out, "] btnImport (disabled: no Outlook folder is chosen")) << run.out;
  EXPECT_TRUE(Has(run.out,
                  "(the folder chosen with btnOpenOutlookFolder; typing here chooses "
                  "none)"))
      << run.out;
}

// A kept drive C: is the disk the next run starts on: a Word file put there by hand is imported.
TEST(ProgramLooks, AKeptDriveCIsBroughtInAtTheStart) {
  win32::files::TempSandbox scratch;
  const auto kept = scratch.Path() / "drive-c";
  auto export_ =
      Program({"--keep-c", kept.string(), "-e", "answer frmReplyFolder enter", "-e", "start", "-e",
               "folder \"" + kReply.substr(0, kReply.size() - 1) + "\"", "-e",
               "answer frmExport type txtWindowsFolder \"C:\\\\Temp\"; click "
               "btnExport; click btnCancel",
               "-e", "ribbon click btnExport"});
  ASSERT_EQ(0, export_.code) << export_.out;
  std::filesystem::create_directories(kept / "Mine");
  std::filesystem::rename(kept / "Temp" / "information request.dot", kept / "Mine" / "own.dot");
  auto run = Program({"--keep-c", kept.string(), "-e", "answer frmReplyFolder enter", "-e", "start",
                      "-e", "folder \"Tanvelo Templates\"", "-e",
                      "answer frmImport type txtWindowsFolder \"C:\\\\Mine\"; click "
                      "btnImport; click btnCancel",
                      "-e", "ribbon click btnImport"});
  EXPECT_EQ(0, run.code) << run.out;
  EXPECT_TRUE(Has(run.out, "[outlook] drive C: holds what " + kept.string() + " holds\n"));
  EXPECT_TRUE(Has(run.out, "Templates imported: 1.")) << run.out;
}

}  // namespace
