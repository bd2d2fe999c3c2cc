// An export or an import as the user watches it: every template exported or filed is told as
// it happens, wherever it went, the dialog's closing words when the run ends, and at the prompt
// the progress bar and the file at work as they change.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/Program.h"
#include "platform/word/LibreOffice.h"
#include "platform/word/OfficeService.h"
#include "tests/common/Source.h"

namespace {

struct Played {
  int code = -1;
  std::string out;
  std::vector<std::string> prompts;  // the questions the prompt asked
};

// A script of -e lines, or (with `prompt`) the same lines typed at the prompt.
Played Play(const std::vector<std::string>& lines, bool prompt,
            std::vector<std::string> args = {}) {
  Played run;
  host::ProgramIo io;
  io.out = [&](const std::string& s) { run.out += s; };
  io.err = [&](const std::string& s) { run.out += s; };
  size_t next = 0;
  io.readLine = [&](std::string& line) {
    if (!prompt || next >= lines.size()) return false;
    line = lines[next++];
    return true;
  };
  if (prompt) {
    io.terminal = true;
    io.readEdited = [&](const std::string& question, std::string& line) {
      run.prompts.push_back(question);
      if (next >= lines.size()) return false;
      line = lines[next++];
      return true;
    };
  } else {
    for (const auto& line : lines) args.insert(args.end(), {"-e", line});
  }
  io.languageFile = testsource::ReadSourceFile("lang/EN.lng");
  run.code = host::RunProgram(args, io);
  return run;
}

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// The lines of `text` that begin with `prefix`, in order.
std::vector<std::string> Lines(const std::string& text, const std::string& prefix) {
  std::vector<std::string> out;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (line.rfind(prefix, 0) == 0) out.push_back(line);
    at = end + 1;
  }
  return out;
}

// The sample templates go out with their folders and come back into the templates folder,
// where none of those folders is yet.
const std::vector<std::string> kRoundTrip = {
    "answer frmReplyFolder enter",
    "start",
    "folder \"Tanvelo Templates/Standard Templates\"",
    "answer frmExport type txtWindowsFolder \"C:\\\\Temp\"; check chkIncludeSubFolders 1; "
    "click btnExport; click btnCancel",
    "ribbon click btnExport",
    "folder \"Tanvelo Templates\"",
    "answer frmImport type txtWindowsFolder \"C:\\\\Temp\"; check chkIncludeSubFolders 1; "
    "click btnImport; click btnCancel",
    "ribbon click btnImport",
    "expect folder \"Tanvelo Templates/Reply Templates\" has \"thank you for the information\""};

TEST(ImportExportRun, EveryTemplateExportedOrFiledIsToldAsItHappensAndTheRunsEndSaysWhatItDid) {
  Played run = Play(kRoundTrip, false);
  ASSERT_EQ(0, run.code) << run.out;
  const auto exported = Lines(run.out, "[exported] C:\\Temp\\");
  const auto filed = Lines(run.out, "[filed] Tanvelo Templates/");
  const auto said = Lines(run.out, "[dialog] ");
  ASSERT_EQ(31u, exported.size()) << run.out;
  EXPECT_TRUE(
      std::find(exported.begin(), exported.end(),
                "[exported] C:\\Temp\\Reply Templates\\thank you for the information.dot") !=
      exported.end())
      << run.out;
  // Into folders the import made, each told once.
  ASSERT_EQ(31u, filed.size()) << run.out;
  EXPECT_EQ(1u, Count(run.out,
                      "[filed] Tanvelo Templates/Reply Templates: \"thank you for the "
                      "information\"\n"))
      << run.out;
  EXPECT_EQ(1u, Count(run.out,
                      "[dialog] frmExport says \"The export is complete. Templates "
                      "exported: 31. Left as they were: 0. Failed: 0"))
      << run.out;
  EXPECT_EQ(1u, Count(run.out,
                      "[dialog] frmImport says \"The import is complete. Templates "
                      "imported: 31. Left as they were: 0. Failed: 0"))
      << run.out;
  // As it happens: before the dialog's closing words, not once the line is over.
  EXPECT_LT(run.out.find(exported.back()), run.out.find("[dialog] frmExport says")) << run.out;
  EXPECT_LT(run.out.find(filed.back()), run.out.find("[dialog] frmImport says")) << run.out;
  // A script is told no progress.
  EXPECT_EQ(0u, Count(run.out, "[progress]")) << run.out;
}

TEST(ImportExportRun, AtThePromptTheBarAndTheFileAtWorkShowAsTheyChange) {
  std::vector<std::string> typed = {
      "start",
      "enter",
      "folder \"Tanvelo Templates/Standard Templates\"",
      "ribbon click btnExport",
      "type txtWindowsFolder \"C:\\\\Temp\"; check chkIncludeSubFolders 1; click btnExport",
      "click btnCancel",
      "folder \"Tanvelo Templates\"",
      "ribbon click btnImport",
      "type txtWindowsFolder \"C:\\\\Temp\"; check chkIncludeSubFolders 1; click btnImport",
      "click btnCancel",
      "quit"};
  Played run = Play(typed, true);
  ASSERT_EQ(0, run.code) << run.out;
  // The hint names what the dialog takes as it stands: its run waits for a folder.
  EXPECT_TRUE(std::find(run.prompts.begin(), run.prompts.end(),
                        "answer frmExport (e.g. click btnCancel)> ") != run.prompts.end())
      << run.out;
  const auto progress = Lines(run.out, "[progress] frmExport ");
  ASSERT_EQ(32u, progress.size()) << run.out;  // the start and each of 31 templates
  EXPECT_EQ("[progress] frmExport 0 of 31 \"Completed: 0%\"", progress.front());
  EXPECT_EQ(
      "[progress] frmExport 1 of 31 \"Completed: 3%\" C:\\Temp\\Forward templates\\custom "
      "forward.dot",
      progress[1]);
  EXPECT_EQ(
      "[progress] frmExport 31 of 31 \"Completed: 100%\" C:\\Temp\\Reply Templates\\we received "
      "your resume.dot",
      progress.back());
  // The import shows the document it reads.
  EXPECT_TRUE(std::find(run.prompts.begin(), run.prompts.end(),
                        "answer frmImport (e.g. click btnCancel)> ") != run.prompts.end())
      << run.out;
  const auto imported = Lines(run.out, "[progress] frmImport ");
  ASSERT_EQ(32u, imported.size()) << run.out;
  EXPECT_EQ(
      "[progress] frmImport 1 of 31 \"Completed: 3%\" C:\\Temp\\Forward templates\\custom "
      "forward.dot",
      imported[1]);
  // Each template filed is told as it is, between the bar's steps.
  const size_t filed =
      run.out.find("[filed] Tanvelo Templates/Forward templates: \"custom forward\"\n");
  EXPECT_LT(run.out.find(imported[0]), filed) << run.out;
  EXPECT_LT(filed, run.out.find(imported[1])) << run.out;
  // Drawn again when the run is over, the dialog shows its full bar and closing words.
  EXPECT_TRUE(Count(run.out, "    ctlProgress: 31 of 31\n") > 0) << run.out;
  EXPECT_EQ(0u, Count(run.out, "    ctlProgress: 0 of 100\n")) << run.out;  // hidden while idle
  EXPECT_EQ(1u, Count(run.out, "[dialog] frmExport says \"The export is complete.")) << run.out;
  EXPECT_EQ(0u, Count(run.out, "error:")) << run.out;
}

// On the word processor's road the document at work is named before it is done, not only
// the one just finished.
TEST(ImportExportRun, ThroughTheWordProcessorTheDocumentAtWorkIsNamedBeforeItIsDone) {
  if (!word::LibreOffice::Find() || !word::OfficeService::Usable())
    GTEST_SKIP() << "LibreOffice or its Python interface is not installed";
  std::vector<std::string> typed = {
      "start",
      "enter",
      "folder \"Tanvelo Templates/Standard Templates/Forward templates\"",
      "ribbon click btnExport",
      "type txtWindowsFolder \"C:\\\\Temp\"; check chkIncludeSubFolders 0; click btnExport",
      "click btnCancel",
      "quit"};
  Played run = Play(typed, true, {"--word", "libreoffice"});
  ASSERT_EQ(0, run.code) << run.out;
  EXPECT_EQ(
      Lines(run.out, "[progress] frmExport "),
      (std::vector<std::string>{
          "[progress] frmExport 0 of 3 \"Completed: 0%\"",
          "[progress] frmExport 0 of 3 converting C:\\Temp\\custom forward.dot",
          "[progress] frmExport 1 of 3 \"Completed: 33%\" C:\\Temp\\custom forward.dot",
          "[progress] frmExport 1 of 3 converting C:\\Temp\\forward with comments.dot",
          "[progress] frmExport 2 of 3 \"Completed: 67%\" C:\\Temp\\forward with comments.dot",
          "[progress] frmExport 2 of 3 converting C:\\Temp\\interesting news to share.dot",
          "[progress] frmExport 3 of 3 \"Completed: 100%\" C:\\Temp\\interesting news to "
          "share.dot"}))
      << run.out;
  EXPECT_EQ(0u, Count(run.out, "error:")) << run.out;
}

}  // namespace
