// The program under injected faults: its options, and a reply road that keeps its promises
// whichever of its calls fail.
#include <gtest/gtest.h>

#include "host/Program.h"
#include "tests/common/Source.h"

namespace {

struct Run {
  int code = -1;
  std::string out, err;
};

Run Program(std::vector<std::string> args) {
  Run run;
  host::ProgramIo io;
  io.out = [&](const std::string& s) { run.out += s; };
  io.err = [&](const std::string& s) { run.err += s; };
  io.readLine = [](std::string&) { return false; };
  io.languageFile = testsource::ReadSourceFile("lang/EN.lng");
  run.code = host::RunProgram(args, io);
  return run;
}

}  // namespace

TEST(FaultRun, OptionsTakeAPeriodAboveZeroAndScriptsWithoutAKeptProfile) {
  EXPECT_EQ(2, Program({"--fault-every", "0", "-e", "start"}).code);
  EXPECT_EQ(2, Program({"--fault-every", "x", "-e", "start"}).code);
  EXPECT_EQ(2, Program({"--fault-seed"}).code);
  EXPECT_EQ(2, Program({"--fault-every", "3"}).code);
  EXPECT_EQ(2, Program({"--fault-every", "3", "--profile", "/tmp/x", "-e", "start"}).code);
}

TEST(FaultRun, ARepliesRoadKeepsItsPromisesUnderEveryPeriod) {
  std::vector<std::string> road = {
      "-e",
      "answer frmReplyFolder enter",
      "-e",
      "start",
      "-e",
      "select \"Quarterly figures\"",
      "-e",
      "answer frmSelectTemplate node treFolders \"Tanvelo Templates/Standard Templates/Reply "
      "Templates/thank you for the information\"; choose optOneMail; click btnOK",
      "-e",
      "ribbon click btnTanveloSub",
      "-e",
      "close",
      "-e",
      "quit"};
  for (const char* every : {"2", "3", "5", "11"}) {
    std::vector<std::string> args = {"--fault-every", every, "--fault-seed", "4"};
    args.insert(args.end(), road.begin(), road.end());
    auto run = Program(args);
    EXPECT_EQ(0, run.code) << every << "\n" << run.err << run.out;
    EXPECT_NE(std::string::npos, run.out.find("faults: ")) << run.out;
    EXPECT_EQ(std::string::npos, run.out.find("faults: 0 raised")) << run.out;
  }
}
