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

// A chord no template has does nothing, as in Outlook, and the person is told so; a bound one
// replies without a word of it.
TEST(ProgramLooks, AKeyNoTemplateHasSaysSo) {
  const std::vector<std::string> giveR = {
      "-e",
      "select \"Quarterly figures\"",
      "-e",
      "answer frmHotkey choose optReply; choose optAlt; choose cboLetters \"R\"; click btnOK",
      "-e",
      "answer frmSelectTemplate node treFolders \"Tanvelo Templates/Standard Templates/Reply "
      "Templates/thank you for the information\"; click btnHotkey; esc",
      "-e",
      "bar click \"Reply using a template (arrow)/Reply with...\""};
  const struct {
    bool given;
    const char* chord;
    bool told;
  } cases[] = {
      {false, "Ctrl+Alt+R", true},
      {true, "Ctrl+Alt+R", false},
      {true, "Ctrl+Alt+Q", true},
      {true, "Ctrl+Shift+R", true},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"--outlook", "2003", "-e", "answer frmReplyFolder enter",
                                     "-e",        "start"};
    if (c.given) args.insert(args.end(), giveR.begin(), giveR.end());
    args.insert(args.end(),
                {"-e", "select \"Team lunch\"", "-e", std::string("key \"") + c.chord + "\""});
    auto run = Program(args);
    ASSERT_EQ(0, run.code) << run.err;
    EXPECT_EQ(c.told, Has(run.out, std::string("no template has the hotkey ") + c.chord))
        << c.chord << (c.given ? " given R" : "") << "\n"
        << run.out;
    EXPECT_EQ(!c.told, Has(run.out, "inspector opened: RE: Team lunch")) << c.chord;
  }
}

// A person finds the folders' paths as `folder` takes them, and sees what a contact holds.
TEST(ProgramLooks, TheFoldersAndAContactsFieldsCanBeSeen) {
  const struct {
    std::vector<std::string> lines;
    const char* shown;
  } cases[] = {
      {{"show folders"}, "\n    Inbox  (3 items)\n"},
      {{"show folders"}, "\n    Sent Items  (1 item)\n"},
      {{"show folders"},
       "\n    Tanvelo Templates/Standard Templates/Reply Templates  (11 items)\n"},
      {{"folder Contacts", "select #1", "show mail"}, "\n  company: Partner Ltd\n"},
      {{"folder Contacts", "select #1", "show mail"}, "\n  nickname: Kimmy\n"},
      {{"folder Contacts", "select #2", "show mail"}, "\n  email 2: jo@bloggs.example\n"},
      {{"folder Contacts", "select #3", "show mail"}, "\n  members: 2\n"},
      {{"help"}, "show folders"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"-e", "answer frmReplyFolder enter", "-e", "start"};
    for (const auto& line : c.lines) args.insert(args.end(), {"-e", line});
    auto run = Program(args);
    ASSERT_EQ(0, run.code) << run.err;
    EXPECT_TRUE(Has(run.out, c.shown)) << c.shown << "\n" << run.out;
  }
}

// The maker's windows the support library opens are told as they open, from the ribbon, the
// bars and a dialog's Help button.
TEST(ProgramLooks, AboutHelpAndReportAProblemSayWhatOpened) {
  const struct {
    const char* outlook;
    std::vector<std::string> lines;
    const char* shown;
  } cases[] = {
      {"2010", {"ribbon click btnAbout"}, "[about] the About window of Tanvelo is shown\n"},
      {"2010", {"ribbon click btnHelp"}, "[help] the help opens at its contents\n"},
      {"2010",
       {"ribbon click btnBugReport"},
       "[report] the \"Report a problem\" window is shown\n"},
      {"2003",
       {"bar click \"Tanvelo templates (arrow)/Help\""},
       "[click] bar Tanvelo templates (arrow)/Help\n[help] the help opens at the topic \""},
      {"2010",
       {"folder \"Tanvelo Templates/Standard Templates/Reply Templates\"",
        "answer frmExport click btnHelp; click btnCancel", "ribbon click btnExport"},
       "[click] dialog frmExport btnHelp\n[help] the help opens at the topic "
       "\"export_by_tanvelo.htm\"\n"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"--outlook", c.outlook, "-e", "answer frmReplyFolder enter",
                                     "-e",        "start"};
    for (const auto& line : c.lines) args.insert(args.end(), {"-e", line});
    auto run = Program(args);
    ASSERT_EQ(0, run.code) << run.err;
    EXPECT_EQ(1u, Count(run.out, c.shown)) << c.shown << "\n" << run.out;
  }
}

// A kept drive C: is the disk the next run starts on: what one run exported there, or a file put
// there by hand, a later run finds.
TEST(ProgramLooks, AKeptDriveCIsBroughtInAtTheStart) {
  win32::files::TempSandbox scratch;
  const std::string kept = (scratch.Path() / "drive-c").string();
  auto first = Program({"--keep-c", kept, "-e", "answer frmReplyFolder enter", "-e", "start", "-e",
                        "folder \"Tanvelo Templates/Standard Templates/Reply Templates\"", "-e",
                        "answer frmExport type txtWindowsFolder \"C:\\\\Temp\"; click btnExport; "
                        "click btnCancel",
                        "-e", "ribbon click btnExport"});
  ASSERT_EQ(0, first.code) << first.err;
  std::filesystem::create_directories(scratch.Path() / "drive-c" / "Mine");
  std::filesystem::copy_file(scratch.Path() / "drive-c" / "Temp" / "information request.dot",
                             scratch.Path() / "drive-c" / "Mine" / "my own.dot");
  const struct {
    const char* from;
    const char* told;
  } cases[] = {
      {"C:\\\\Temp", "Templates imported: 11."},
      {"C:\\\\Mine", "Templates imported: 1."},
  };
  for (const auto& c : cases) {
    auto run = Program({"--keep-c", kept, "-e", "answer frmReplyFolder enter", "-e", "start", "-e",
                        "folder \"Tanvelo Templates/Standard Templates/Quote templates\"", "-e",
                        std::string("answer frmImport type txtWindowsFolder \"") + c.from +
                            "\"; click btnImport; click btnCancel",
                        "-e", "ribbon click btnImport"});
    ASSERT_EQ(0, run.code) << run.err << run.out;
    EXPECT_TRUE(Has(run.out, "[outlook] drive C: holds what " + kept + " holds\n")) << run.out;
    EXPECT_TRUE(Has(run.out, c.told)) << c.from << "\n" << run.out;
  }
}

// A template given a hotkey shows it in the picker after its name; a person names it by its name
// or as shown, and a path that finds nothing says what the level it reached holds.
TEST(ProgramLooks, APickedTemplateIsNamedByItsNameThoughItShowsItsHotkey) {
  const std::string reply = "Tanvelo Templates/Standard Templates/Reply Templates/";
  const struct {
    std::string path;
    const char* told;  // nullptr: the reply is made
  } cases[] = {
      {reply + "thank you for the information", nullptr},
      {reply + "thank you for the information (Ctrl+Alt+R)", nullptr},
      {reply + "thank you for the informatio",
       "(\"Tanvelo Templates/Standard Templates/Reply Templates\" holds \"directions"},
      {reply + "thank you for the informatio", "\"thank you for the information (Ctrl+Alt+R)\""},
      {"Tanvelo Templates/Standrad Templates/x",
       "(\"Tanvelo Templates\" holds \"Standard Templates\""},
  };
  for (const auto& c : cases) {
    auto run = Program(
        {"--outlook", "2003", "-e", "answer frmReplyFolder enter", "-e", "start", "-e",
         "select \"Quarterly figures\"", "-e",
         "answer frmHotkey choose optReply; choose optAlt; choose cboLetters \"R\"; click btnOK",
         "-e",
         "answer frmSelectTemplate node treFolders \"" + reply +
             "thank you for the information\"; click btnHotkey; esc",
         "-e", "bar click \"Reply using a template (arrow)/Reply with...\"", "-e",
         "answer frmSelectTemplate node treFolders \"" + c.path + "\"; click btnOK", "-e",
         "bar click \"Reply using a template (arrow)/Reply with...\""});
    if (!c.told) {
      EXPECT_EQ(0, run.code) << c.path << "\n" << run.err;
      EXPECT_TRUE(Has(run.out, "inspector opened: RE: Quarterly figures")) << c.path;
    } else {
      EXPECT_EQ(2, run.code) << c.path;
      EXPECT_TRUE(Has(run.err, c.told)) << c.path << "\n" << run.err;
    }
  }
}

// The export and import dialogs keep their button disabled without a word; the program says
// why, in a script's refused click and at the prompt beside the button, and that the Outlook
// folder is chosen with the dialog's picker, never by typing its path.
TEST(ProgramLooks, ADisabledExportOrImportSaysWhy) {
  const struct {
    const char* folder;  // the explorer's: a templates folder is the dialog's choice
    const char* button;
    std::string actions;
    const char* why;
  } cases[] = {
      {"Tanvelo Templates/Standard Templates", "btnExport", "",
       "no Windows folder is given: type txtWindowsFolder \"C:\\\\Temp\""},
      {"Tanvelo Templates/Standard Templates", "btnExport",
       "type txtWindowsFolder \"C:\\\\Nope\"; ", "the Windows folder \"C:\\Nope\" does not exist"},
      {"Inbox", "btnImport", "type txtWindowsFolder \"C:\\\\Temp\"; ",
       "no Outlook folder is chosen: click btnOpenOutlookFolder"},
      {"Inbox", "btnImport",
       "type txtWindowsFolder \"C:\\\\Temp\"; type txtOutlookFolder \"\\\\\\\\Mailbox - Pat "
       "Doe\\\\Tanvelo Templates\"; ",
       "no Outlook folder is chosen: click btnOpenOutlookFolder"},
  };
  for (const auto& c : cases) {
    const std::string form = std::string(c.button) == "btnExport" ? "frmExport" : "frmImport";
    const std::string ribbon = std::string("ribbon click ") + c.button;
    auto script = Program({"-e", "answer frmReplyFolder enter", "-e", "start", "-e",
                           std::string("folder \"") + c.folder + "\"", "-e",
                           "answer " + form + " " + c.actions + "click " + c.button, "-e", ribbon});
    EXPECT_EQ(2, script.code) << c.actions;
    EXPECT_TRUE(Has(script.err, std::string("the control is disabled (") + c.why))
        << c.actions << "\n"
        << script.err;
    std::vector<std::string> typed = {"start", "enter", std::string("folder \"") + c.folder + "\"",
                                      ribbon};
    std::string actions = c.actions;
    for (size_t semi; (semi = actions.find("; ")) != std::string::npos;
         actions = actions.substr(semi + 2))
      typed.push_back(actions.substr(0, semi));
    typed.insert(typed.end(), {"esc", "quit"});
    auto prompt = Program({}, typed);
    EXPECT_EQ(0, prompt.code) << prompt.err;
    EXPECT_TRUE(Has(prompt.out, std::string("] ") + c.button + " (disabled: " + c.why))
        << c.actions << "\n"
        << prompt.out;
    EXPECT_TRUE(Has(prompt.out,
                    "(the folder chosen with btnOpenOutlookFolder; typing here "
                    "chooses none)"))
        << prompt.out;
  }
}

}  // namespace
