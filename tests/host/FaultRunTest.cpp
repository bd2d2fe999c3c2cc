// The program under injected faults: its options, and a reply road that keeps its promises
// whichever of its calls fail.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "host/FaultRun.h"
#include "host/Program.h"
#include "host/ScriptReader.h"
#include "host/Session.h"
#include "platform/outlook/Folder.h"
#include "platform/outlook/Item.h"
#include "platform/outlook/Items.h"
#include "platform/win32/Clipboard.h"
#include "platform/win32/Faults.h"
#include "platform/win32/Files.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Registry.h"
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

TEST(FaultRun, OptionsTakeAPeriodAboveZeroAndScripts) {
  EXPECT_EQ(2, Program({"--fault-every", "0", "-e", "start"}).code);
  EXPECT_EQ(2, Program({"--fault-every", "x", "-e", "start"}).code);
  EXPECT_EQ(2, Program({"--fault-seed"}).code);
  EXPECT_EQ(2, Program({"--fault-every", "3"}).code);
  EXPECT_EQ(2, Program({"--fault-every", "3", "--profile", "/nowhere/x"}).code);
}

// With a kept profile only its own writes fail: the first command whose save fails ends the
// run with 3, naming the line, and the next program opens what the saves before it left.
TEST(FaultRun, AKeptProfilesFailedSaveEndsTheRunAndTheProfileOpensAgain) {
  win32::files::TempSandbox sandbox;
  const std::string dir = (sandbox.Path() / "kept").string();
  const std::vector<std::string> script = {
      "-e", "answer frmReplyFolder enter", "-e", "start", "-e", "folder Inbox", "-e", "quit"};
  auto with = [&](std::vector<std::string> args) {
    args.insert(args.end(), script.begin(), script.end());
    return Program(args);
  };
  auto counted = with({"--profile", dir + "-count", "--fault-count"});
  ASSERT_EQ(0, counted.code) << counted.err;
  const auto at = counted.err.find("profile faults: 0 raised in ");
  ASSERT_NE(std::string::npos, at) << counted.err;
  const uint64_t calls = std::stoull(counted.err.substr(at + 28));
  int told = 0;
  for (uint64_t k = 1; k <= calls; k += 7) {
    const std::string kept = dir + std::to_string(k);
    auto run = with({"--profile", kept, "--fault-at", std::to_string(k)});
    EXPECT_NE(std::string::npos, run.err.find("profile faults: 1 raised")) << k << run.err;
    if (run.code == 3) {
      ++told;
      EXPECT_NE(std::string::npos, run.err.find(": the profile could not be saved: ")) << run.err;
    } else if (run.code == 2) {  // the store's making failed: told at the start
      EXPECT_NE(std::string::npos, run.err.find("store.sqlite")) << run.err;
    } else {
      EXPECT_EQ(0, run.code) << k << run.err;
    }
    auto again = with({"--profile", kept});
    EXPECT_EQ(0, again.code) << k << again.err << again.out;
  }
  EXPECT_GT(told, 0);
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

// The checks after each line, each shown to fail on damage planted after a line: the runs are
// the same up to the first fault, so any difference there is the plant's.
namespace {

const std::vector<std::wstring> kTemplateRoad = {
    L"answer frmReplyFolder enter",    L"start",
    L"select \"Quarterly figures\"",   L"answer box no",
    L"ribbon click btnSaveAsTemplate", L"wait 100"};

Run Faulted(uint64_t at, std::function<void(host::Session&, size_t)> plant = {},
            bool count = false) {
  Run run;
  host::ProgramIo io;
  io.out = [&](const std::string& s) { run.out += s; };
  io.err = [&](const std::string& s) { run.err += s; };
  host::FaultRunOptions options{.at = at,
                                .count = count,
                                .languageFile = testsource::ReadSourceFile("lang/EN.lng"),
                                .lines = kTemplateRoad,
                                .afterLine = std::move(plant)};
  run.code = host::RunUnderFaults(options, io);
  return run;
}

std::shared_ptr<outlook::Item> Find(host::Session& session, const std::wstring& folder,
                                    const std::wstring& subject) {
  for (const auto& item : session.FolderAt(folder)->Items()->All())
    if (item->Subject() == subject) return item;
  return nullptr;
}

void Remove(host::Session& session, const std::wstring& folder, const std::wstring& subject) {
  auto item = Find(session, folder, subject);
  ASSERT_TRUE(item) << host::Utf8(subject);
  item->Delete();  // into Deleted Items
  item = Find(session, L"Deleted Items", subject);
  ASSERT_TRUE(item) << host::Utf8(subject);
  item->Delete();  // and gone
}

// After line `at` (from 1), once.
std::function<void(host::Session&, size_t)> After(size_t at,
                                                  std::function<void(host::Session&)> plant) {
  return [at, plant](host::Session& session, size_t line) {
    if (line + 1 == at) plant(session);
  };
}

std::filesystem::path Drive(const std::string& path) {
  char buffer[win32::MAX_PATH];
  std::string dos =
      path.empty() ? std::string(buffer, win32::GetTempPathA(sizeof buffer, buffer)) : path;
  return *win32::files::HostPath(dos);
}

}  // namespace

TEST(FaultRun, EachCheckFindsTheDamagePlantedAfterALine) {
  constexpr uint64_t kNoFault = 1u << 30;
  auto clean = Faulted(kNoFault);
  ASSERT_EQ(0, clean.code) << clean.err;

  struct Case {
    const char* found;
    std::function<void(host::Session&)> plant;
  } cases[] = {
      {"line 3: \"Team lunch\" in Inbox was lost",
       [](host::Session& s) { Remove(s, L"Inbox", L"Team lunch"); }},
      {"line 3: \"Team lunch\" in Inbox was changed or moved",
       [](host::Session& s) {
         auto item = Find(s, L"Inbox", L"Team lunch");
         item->SetSubject(L"Lunch");
         item->Save();
       }},
      {"line 3: registry value Software\\Norvane\\Tanvelo\\ModifyTVDraftsView is \"4 "
       "\\x00\\x00\\x00\\x00\", the clean run has \"4 \\x01\\x00\\x00\\x00\"",
       [](host::Session&) {
         win32::HKEY key = 0;
         ASSERT_EQ(0, win32::RegOpenKeyExA(win32::HKEY_CURRENT_USER, "Software\\Norvane\\Tanvelo",
                                           0, win32::KEY_SET_VALUE, &key));
         const uint8_t zero[4] = {};
         win32::RegSetValueExA(key, "ModifyTVDraftsView", 0, win32::REG_DWORD, zero, 4);
         win32::RegCloseKey(key);
       }},
      {"1 item(s) left in the drafts and deleted items: Drafts \"left behind\"",
       [](host::Session& s) {
         auto item = s.FolderAt(L"Drafts")->Items()->Add();
         item->SetSubject(L"left behind");
         item->Save();
       }},
      {"1 item(s) left in the drafts and deleted items: Deleted Items \"a copy\"",
       [](host::Session& s) {
         auto item = s.FolderAt(L"Deleted Items")->Items()->Add();
         item->SetSubject(L"a copy");
         item->Save();
       }},
      {"temporary files left",
       [](host::Session&) { std::ofstream(Drive("") / "planted.tmp") << "x"; }},
      {"line 3: file planted.txt is \"x\", the clean run has absent",
       [](host::Session&) { std::ofstream(Drive("C:\\") / "planted.txt") << "x"; }},
      {"line 3: the user's clipboard was not given back",
       [](host::Session&) { win32::clipboard::SetText(L"taken"); }},
  };
  for (const auto& c : cases) {
    auto run = Faulted(kNoFault, After(3, c.plant));
    EXPECT_EQ(3, run.code) << c.found;
    EXPECT_NE(std::string::npos, run.err.find(c.found)) << c.found << "\n" << run.err << run.out;
  }

  // After a fault in the start, what no line touched since is still compared.
  auto lost = Faulted(5, After(3, [](host::Session& s) { Remove(s, L"Inbox", L"Team lunch"); }));
  EXPECT_NE(std::string::npos, lost.err.find("line 3: \"Team lunch\" in Inbox was lost"))
      << lost.err;
}

TEST(FaultRun, AnItemAFaultedLineWasMakingMayBeMissingOnlyWithTheUserTold) {
  auto count = Faulted(0, {}, true);
  auto at = count.out.find("line 5 calls ");
  ASSERT_NE(std::string::npos, at) << count.out;
  uint64_t last = std::stoull(count.out.substr(count.out.find('-', at) + 1));

  // The line's own faults are trapped and logged (the user told); this one, the call just
  // after the line's last, fails where nothing tells it, and the template the line made goes.
  auto silentFault = [](host::Session& s) {
    Remove(s, L"Tanvelo Templates", L"Quarterly figures");
    win32::faults::AddinCode addin;
    EXPECT_TRUE(win32::faults::Hit(win32::faults::Surface::Outlook));
  };
  const char* kSilent =
      "line 5: \"Quarterly figures\" in Tanvelo Templates was not made, and the user was told "
      "nothing";
  auto silent = Faulted(last + 1, After(5, silentFault));
  EXPECT_NE(std::string::npos, silent.err.find(kSilent)) << silent.err;

  auto told =
      Faulted(last + 1, After(5, [&](host::Session& s) {
                silentFault(s);
                win32::MessageBoxW(0, L"The template could not be made.", L"Tanvelo", win32::MB_OK);
              }));
  EXPECT_EQ(std::string::npos, told.err.find("was not made")) << told.err;
}
