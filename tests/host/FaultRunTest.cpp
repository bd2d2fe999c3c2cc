// The program under injected faults: its options, and a reply road that keeps its promises
// whichever of its calls fail.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "core/Main.h"
#include "engine/mTanveloRoad.h"
#include "host/FaultRun.h"
#include "host/Program.h"
#include "host/ScriptReader.h"
#include "host/Session.h"
#include "platform/addin/OutlookHost.h"
#include "platform/outlook/Attachments.h"
#include "platform/outlook/Folder.h"
#include "platform/outlook/Item.h"
#include "platform/outlook/Items.h"
#include "platform/outlook/Recipients.h"
#include "platform/outlook/UserProperties.h"
#include "platform/win32/Clipboard.h"
#include "platform/win32/Faults.h"
#include "platform/win32/Files.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Registry.h"
#include "platform/win32/RegistryChanges.h"
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

// A fault asked at a call the scripts never make raises nothing: no verdict, an error naming how
// many calls they make.
TEST(FaultRun, AFaultAtACallThatNeverComesIsAnErrorNotAVerdict) {
  struct Case {
    const char* option;
    const char* at;
    bool never;
  } cases[] = {{"--fault-at", "99999", true},
               {"--fault-burst", "99999,3", true},
               {"--fault-at", "1", false}};
  for (const auto& c : cases) {
    auto run = Program({c.option, c.at, "-e", "answer frmReplyFolder enter", "-e", "start"});
    const bool said =
        run.err.find("fault run: no fault was raised: the scripts make ") != std::string::npos;
    EXPECT_EQ(c.never, said) << c.at << "\n" << run.err;
    EXPECT_EQ(c.never, run.code == 2) << c.at << " " << run.code;
    EXPECT_EQ(c.never, run.err.find("fault run: no finding") == std::string::npos) << run.err;
  }
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

using Plant = std::function<void(host::Session&, size_t)>;

Run Road(const std::vector<std::wstring>& lines, uint64_t at, Plant plant = {}, bool count = false,
         int32_t version = 14, Plant each = {}) {
  Run run;
  host::ProgramIo io;
  io.out = [&](const std::string& s) { run.out += s; };
  io.err = [&](const std::string& s) { run.err += s; };
  host::FaultRunOptions options{.at = at,
                                .count = count,
                                .outlookVersion = version,
                                .languageFile = testsource::ReadSourceFile("lang/EN.lng"),
                                .lines = lines,
                                .afterLine = std::move(plant),
                                .eachLine = std::move(each)};
  run.code = host::RunUnderFaults(options, io);
  return run;
}

Run Faulted(uint64_t at, Plant plant = {}, bool count = false) {
  return Road(kTemplateRoad, at, std::move(plant), count);
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

// Each loss planted after a line that raised a fault, and whether the run reports it: every
// item and registry value the clean run has after a line is there, or that line told the user
// naming it; the run goes on through a quit and a start.
namespace {

const std::vector<std::wstring> kSettingsRoad = {
    L"answer frmReplyFolder enter",
    L"start",
    L"select \"Quarterly figures\"",
    L"answer box yes",
    L"ribbon click btnSaveAsTemplate",
    L"close",
    L"folder \"Tanvelo Templates\"",
    L"select \"Quarterly figures\"",
    L"ribbon click btnChangeDefaultSet",
    L"answer frmHotkey choose optReply; choose optAlt; choose cboLetters \"K\"; click btnOK",
    L"ribbon click btnHotkey",
    L"quit",
    L"start",
    L"folder Inbox",
    L"select \"Team lunch\"",
    L"expect mail subject is \"Team lunch\""};

const std::vector<std::wstring> kSendRoad = {
    L"answer frmReplyFolder enter",
    L"start",
    L"answer frmSelectTemplate node treFolders \"Tanvelo Templates/Standard Templates/New "
    L"Message Templates/follow up to our call\"; click btnOK",
    L"ribbon click btnNewFromTemplate",
    L"set to \"Kim Roe\"",
    L"answer box no",
    L"send",
    L"wait 100"};

// The number of the first call after line `line` (from 1) of the road.
uint64_t CallAfter(const std::vector<std::wstring>& lines, size_t line, int32_t version = 14) {
  auto count = Road(lines, 0, {}, true, version);
  uint64_t last = 0;
  for (size_t n = 1; n <= line; ++n) {
    auto at = count.out.find("line " + std::to_string(n) + " calls ");
    if (at == std::string::npos) continue;
    auto dash = count.out.find('-', at);
    if (dash < count.out.find('\n', at)) last = std::stoull(count.out.substr(dash + 1));
  }
  return last + 1;
}

// A fault raised just after line `line`, where nothing tells it, then the plant.
Plant FaultAfter(size_t line, std::function<void(host::Session&)> plant) {
  return [line, plant](host::Session& session, size_t n) {
    if (n + 1 != line) return;
    win32::faults::AddinCode addin;
    EXPECT_TRUE(win32::faults::Hit(win32::faults::Surface::Outlook));
    plant(session);
  };
}

Run Planted(const std::vector<std::wstring>& lines, size_t line,
            std::function<void(host::Session&)> plant) {
  return Road(lines, CallAfter(lines, line), FaultAfter(line, std::move(plant)));
}

// The user's own key below the add-in's (named after the store), with `sub` below it.
std::string ProfileKey(const std::string& sub) {
  win32::HKEY key = 0;
  EXPECT_EQ(0, win32::RegOpenKeyExA(win32::HKEY_CURRENT_USER, "Software\\Norvane\\Tanvelo", 0,
                                    win32::KEY_READ, &key));
  std::string found;
  for (win32::DWORD i = 0; found.empty(); ++i) {
    char name[256];
    win32::DWORD size = sizeof name;
    if (win32::RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != 0) break;
    if (size > 40) found = name;
  }
  win32::RegCloseKey(key);
  return "Software\\Norvane\\Tanvelo\\" + found + (sub.empty() ? "" : "\\" + sub);
}

void DeleteValue(const std::string& sub, const char* name) {
  win32::HKEY key = 0;
  ASSERT_EQ(0, win32::RegOpenKeyExA(win32::HKEY_CURRENT_USER, ProfileKey(sub).c_str(), 0,
                                    win32::KEY_SET_VALUE, &key));
  EXPECT_EQ(0, win32::RegDeleteValueA(key, name));
  win32::RegCloseKey(key);
}

bool Has(const Run& run, const std::string& finding) {
  return run.err.find(finding) != std::string::npos;
}

}  // namespace

TEST(FaultRun, ARegistryValueTheLineWroteIsThereOrTheLineNamedIt) {
  ASSERT_EQ(0, Road(kSettingsRoad, 1u << 30).code);
  const char* kHotkey =
      "line 11: registry value Software\\Norvane\\Tanvelo\\<>\\Hotkeys\\Ctrl+Alt+K is absent";
  auto hotkey =
      Planted(kSettingsRoad, 11, [](host::Session&) { DeleteValue("Hotkeys", "Ctrl+Alt+K"); });
  EXPECT_TRUE(Has(hotkey, kHotkey)) << hotkey.err;

  const char* kDefault =
      "line 9: registry value Software\\Norvane\\Tanvelo\\<>\\DefaultTemplateID is absent";
  auto lose = [](host::Session&) { DeleteValue("", "DefaultTemplateID"); };
  auto lost = Planted(kSettingsRoad, 9, lose);
  EXPECT_TRUE(Has(lost, kDefault)) << lost.err;

  // An error of another step of the line does not tell it, numbered or not.
  auto unrelated = Planted(kSettingsRoad, 9, [&](host::Session& s) {
    lose(s);
    LogError(L"RL_CJob::FindContactByEmail", -2147467259, L"The operation failed.");
    LogError(L"RL_CJob::FindContactByEmail", 0, L"no contact");
  });
  EXPECT_TRUE(Has(unrelated, kDefault)) << unrelated.err;

  // An error naming the value tells it, a line at error level without a number too.
  auto told = Planted(kSettingsRoad, 9, [&](host::Session& s) {
    lose(s);
    LogError(L"COptions::WriteProfileString", 0, L"DefaultTemplateID could not be written");
  });
  EXPECT_EQ(0, told.code) << told.err;
}

TEST(FaultRun, AnItemLostOnALaterLineOrAfterARestartIsFound) {
  // The fault on line 3; the template made on line 5 goes on line 6, nothing told.
  auto later = Road(kTemplateRoad, CallAfter(kTemplateRoad, 3), [](host::Session& s, size_t n) {
    FaultAfter(3, [](host::Session&) {})(s, n);
    if (n + 1 == 6) Remove(s, L"Tanvelo Templates", L"Quarterly figures");
  });
  EXPECT_TRUE(Has(later,
                  "line 6: \"Quarterly figures\" in Tanvelo Templates was lost, and the user was "
                  "told nothing"))
      << later.err;

  // Outlook quit and started again: its lines are played and looked at too.
  auto restarted = Planted(kSettingsRoad, 13, [](host::Session& s) {
    Remove(s, L"Tanvelo Templates", L"Quarterly figures");
  });
  EXPECT_TRUE(Has(restarted, "line 13: \"Quarterly figures\" in Tanvelo Templates was lost"))
      << restarted.err;
  auto count = Road(kSettingsRoad, 0, {}, true);
  EXPECT_NE(std::string::npos, count.out.find("line 13 calls ")) << count.out;
}

TEST(FaultRun, AMailSentIsSentKeptInTheDraftsOrTold) {
  ASSERT_EQ(0, Road(kSendRoad, 1u << 30).code);
  const char* kLost =
      "line 7: \"follow up to our call\" in Outbox was not made, and the user was told nothing";
  auto gone = [](host::Session& s) { Remove(s, L"Outbox", L"follow up to our call"); };
  auto lost = Planted(kSendRoad, 7, gone);
  EXPECT_TRUE(Has(lost, kLost)) << lost.err << lost.out;

  auto unrelated = Planted(kSendRoad, 7, [&](host::Session& s) {
    gone(s);
    LogError(L"RL_CJob::FindContactByEmail", -2147467259, L"The operation failed.");
  });
  EXPECT_TRUE(Has(unrelated, kLost)) << unrelated.err;

  auto kept = Planted(kSendRoad, 7, [](host::Session& s) {
    auto mail = Find(s, L"Outbox", L"follow up to our call");
    ASSERT_TRUE(mail);
    mail->Move(s.FolderAt(L"Drafts"));
    win32::MessageBoxW(0, L"The mail could not be sent; it waits in the drafts.", L"Tanvelo",
                       win32::MB_OK);
  });
  EXPECT_FALSE(Has(kept, "follow up to our call")) << kept.err;
}

// A ribbon control is named by the label it shows, as a bar's control by its caption: a log
// naming the label of the control an expectation looks at tells it; one naming another does not.
TEST(FaultRun, ARibbonExpectationIsToldByItsControlsLabel) {
  const std::vector<std::wstring> road = {
      L"answer frmReplyFolder enter", L"start",
      L"folder \"Tanvelo Templates/Standard Templates/Reply Templates\"",
      L"select \"thank you for the information\"",
      L"expect ribbon btnChangeDefaultSet enabled is \"true\""};
  // Told on the line before the selection, which itself tells nothing.
  auto logged = [&](const wchar_t* text) {
    return Road(road, CallAfter(road, 3), [text](host::Session& s, size_t n) {
      FaultAfter(3, [text](host::Session&) {
        LogError(L"mExplorer.IsDefaultTemplateSelected", -2147467259, text);
      })(s, n);
      if (n + 1 == 4) s.Run(L"folder Inbox");
    });
  };
  const char* kFailed = "line 5: an expectation held in the clean run and failed under faults";
  auto byLabel = logged(L"Make default: not offered, Outlook refused to show the selection");
  EXPECT_FALSE(Has(byLabel, kFailed)) << byLabel.err;
  auto other = logged(L"Send drafts: not offered, Outlook refused to show the selection");
  EXPECT_TRUE(Has(other, kFailed)) << other.err;
}

// A duplicate not made (the user told) leaves its name free: the next duplicate takes it, of
// the template as the user changed it meanwhile. That is the later line's own item under a shifted
// name, not the clean run's first duplicate come back wrong. An item made again where no name
// shifted is still held to the clean run's.
TEST(FaultRun, AnItemTakingTheNameOfOneNotMadeIsTheLaterLinesOwn) {
  const std::wstring folder = L"Tanvelo Templates/Standard Templates/Reply Templates";
  const std::vector<std::wstring> road = {L"answer frmReplyFolder enter",
                                          L"start",
                                          L"folder \"" + folder + L"\"",
                                          L"select \"information request\"",
                                          L"ribbon click btnOpenDuplicate",
                                          L"close",
                                          L"open \"information request\"",
                                          L"type \"Changed meanwhile. \"",
                                          L"close save",
                                          L"select \"information request\"",
                                          L"ribbon click btnOpenDuplicate",
                                          L"close",
                                          L"wait 100"};
  auto notMade = [folder](host::Session& s) {
    auto first = Find(s, folder, L"information request1");
    ASSERT_TRUE(first);
    first->Delete();
    auto kept = Find(s, L"Deleted Items", L"information request1");
    ASSERT_TRUE(kept);
    kept->Delete();
    LogError(L"mExplorer.Explorer_OpenDuplicate", 0,
             L"Duplicate: the duplicate information request1 was not made");
  };
  const char* kDiffers =
      "\"information request1\" in Tanvelo Templates/Standard Templates/Reply "
      "Templates differs";
  auto shifted = Road(road, CallAfter(road, 5), FaultAfter(5, notMade));
  EXPECT_FALSE(Has(shifted, kDiffers)) << shifted.err;
  EXPECT_EQ(0, shifted.code) << shifted.err;
  // No new item on the later line: the one made again is the clean run's, and cut short.
  auto again = Road(road, CallAfter(road, 5), [&](host::Session& s, size_t n) {
    FaultAfter(5, notMade)(s, n);
    if (n + 1 != 6) return;
    auto made = s.FolderAt(folder)->Items()->Add();
    made->SetSubject(L"information request1");
    made->SetBody(L"cut short");
    made->Save();
  });
  EXPECT_TRUE(Has(again, kDiffers)) << again.err;
  // The clean run's other new item is there too: no name shifted, the item is compared.
  auto both = Road(road, CallAfter(road, 5), [&](host::Session& s, size_t n) {
    FaultAfter(5, notMade)(s, n);
    if (n + 1 != 11) return;
    auto other = s.FolderAt(folder)->Items()->Add();
    other->SetSubject(L"information request2");
    other->Save();
  });
  EXPECT_TRUE(Has(both, kDiffers)) << both.err;
  // A template lost (made before, told) is no item not made: one of its name a later line
  // makes where the clean run's new item is missing is compared with it.
  auto lost = Road(road, CallAfter(road, 2), [&](host::Session& s, size_t n) {
    FaultAfter(2, [](host::Session&) {})(s, n);
    if (n + 1 == 3) {
      Remove(s, folder, L"thank you for the information");
      LogError(L"mTanvelo::Keep", 0, L"\"thank you for the information\" could not be kept");
    }
    if (n + 1 != 11) return;
    Remove(s, folder, L"information request2");
    auto made = s.FolderAt(folder)->Items()->Add();
    made->SetSubject(L"thank you for the information");
    made->SetBody(L"another text");
    made->Save();
  });
  EXPECT_TRUE(Has(lost, "\"thank you for the information\" in " + host::Utf8(folder) + " differs"))
      << lost.err;

  // A copy carries its source's difference: a duplicate of a template the user was told was
  // not kept whole differs where it does, and is not owed; a copy differing otherwise is.
  const char* kCopy =
      "\"information request1\" in Tanvelo Templates/Standard Templates/Reply "
      "Templates differs";
  auto copy = [&](bool otherwise) {
    return Road(road, CallAfter(road, 2), [&, otherwise](host::Session& s, size_t n) {
      FaultAfter(2, [&](host::Session& s) {
        auto source = Find(s, folder, L"information request");
        source->SetBody(L"not kept whole");
        source->Save();
        LogError(L"mTanvelo::Keep", 0, L"\"information request\" could not be kept whole");
      })(s, n);
      if (n + 1 != 5 || !otherwise) return;
      auto made = Find(s, folder, L"information request1");
      made->SetBody(L"another text");
      made->Save();
    });
  };
  auto carried = copy(false);
  EXPECT_FALSE(Has(carried, kCopy)) << carried.err;
  auto otherwise = copy(true);
  EXPECT_TRUE(Has(otherwise, kCopy)) << otherwise.err;
}

// A line that did work the clean line did not (an item beyond the clean run's, as a hotkey the
// user was told could not be removed still replies) after a failure told before: what that
// work wrote is its own. Without such work, or without the earlier tell, a value the line
// changed is still a finding.
TEST(FaultRun, WhatALineDoingMoreThanTheCleanOneWroteIsItsOwnOnceAFailureWasTold) {
  std::vector<std::wstring> road(kSettingsRoad.begin(), kSettingsRoad.begin() + 9);
  road.push_back(L"folder Inbox");           // line 10
  road.push_back(L"select \"Team lunch\"");  // line 11
  road.push_back(L"wait 100");
  // Told on line `toldAt`, the extra work on line `workAt`: the default, written on line 9, is
  // one the clean run changed after the first fault (told on 3) or before it (told on 10).
  auto run = [&](size_t toldAt, size_t workAt, bool told, bool more) {
    return Road(road, CallAfter(road, toldAt), [=](host::Session& s, size_t n) {
      FaultAfter(toldAt, [told](host::Session&) {
        if (told) LogError(L"mExplorer.Explorer_Hotkey", 0, L"the hotkey dialog was not opened");
      })(s, n);
      if (n + 1 != workAt) return;
      if (more) {
        auto reply = s.FolderAt(L"Drafts/Tanvelo Drafts")->Items()->Add();
        reply->SetSubject(L"RE: Team lunch");
        reply->Save();
      }
      DeleteValue("", "DefaultTemplateID");
    });
  };
  for (auto [toldAt, workAt] : {std::pair<size_t, size_t>{3, 10}, {10, 11}}) {
    SCOPED_TRACE(toldAt);
    const std::string kChanged =
        "line " + std::to_string(workAt) + ": registry value Software\\Norvane\\Tanvelo\\";
    auto own = run(toldAt, workAt, true, true);
    EXPECT_FALSE(Has(own, "registry value Software\\Norvane\\Tanvelo\\")) << own.err;
    auto noMore = run(toldAt, workAt, true, false);
    EXPECT_TRUE(Has(noMore, kChanged)) << noMore.err;
    auto untold = run(toldAt, workAt, false, true);
    EXPECT_TRUE(Has(untold, kChanged)) << untold.err;
  }
}

TEST(FaultRun, AnExpectationHeldCleanFailsUnderFaultsOnlyWithTheUserTold) {
  const std::vector<std::wstring> road = {L"answer frmReplyFolder enter", L"start",
                                          L"select \"Quarterly figures\"",
                                          L"expect mail subject is \"Quarterly figures\""};
  auto elsewhere = [](host::Session& s) { s.Run(L"select \"Team lunch\""); };
  auto silent = Planted(road, 3, elsewhere);
  EXPECT_TRUE(Has(silent,
                  "line 4: an expectation held in the clean run and failed under faults, and the "
                  "user was told nothing"))
      << silent.err;
  auto told = Planted(road, 3, [&](host::Session& s) {
    elsewhere(s);
    win32::MessageBoxW(0, L"The selection could not be kept.", L"Tanvelo", win32::MB_OK);
  });
  EXPECT_EQ(0, told.code) << told.err;
}

TEST(FaultRun, APassingCopyNeverStaysAndErrorsWithoutANumberCountOnceFaultsStop) {
  auto copy = Planted(kTemplateRoad, 5, [](host::Session& s) {
    auto item = s.FolderAt(L"Drafts")->Items()->Add();
    item->SetSubject(std::wstring(mTanvelo::kTempItemPrefix) + L"Quarterly figures");
    item->Save();
    win32::MessageBoxW(0, L"The template could not be made.", L"Tanvelo", win32::MB_OK);
  });
  EXPECT_TRUE(Has(copy, "1 item(s) left in the drafts and deleted items: Drafts \"TANVELO TEMP"))
      << copy.err;

  // Once the faults stop, a step that logs an error at error level, without a number.
  auto again = Road(kTemplateRoad, 1u << 30, [](host::Session&, size_t n) {
    if (n == kTemplateRoad.size() + 4) LogError(L"mTanvelo::NewTemplateFromMail", 0, L"failed");
  });
  EXPECT_TRUE(Has(again,
                  "once the faults stopped the script's steps logged 1 error(s), the clean "
                  "run 0"))
      << again.err;
}

// An error the add-in logged as Outlook started told the user that part of it is not set up:
// what it names is not owed later (the template it could not make, and what is made from it);
// anything else still is.
TEST(FaultRun, AStartThatToldOfAPartExcusesOnlyWhatItNamed) {
  auto plant = [](const wchar_t* told) -> Plant {
    return [told](host::Session& s, size_t n) {
      FaultAfter(2, [told](host::Session&) {
        if (told) LogError(L"mStandardTemplates::UpdateTemplate", 0, told);
      })(s, n);
      if (n + 1 == 7) Remove(s, L"Outbox", L"follow up to our call");
    };
  };
  const char* kLost = "line 7: \"follow up to our call\" in Outbox was not made";
  auto untold = Road(kSendRoad, CallAfter(kSendRoad, 2), plant(nullptr));
  EXPECT_TRUE(Has(untold, kLost)) << untold.err;
  auto other = Road(kSendRoad, CallAfter(kSendRoad, 2), plant(L"Hotkey Ctrl+Alt+K not registered"));
  EXPECT_TRUE(Has(other, kLost)) << other.err;
  auto told = Road(kSendRoad, CallAfter(kSendRoad, 2),
                   plant(L"the template \"follow up to our call\" could not be made"));
  EXPECT_FALSE(Has(told, kLost)) << told.err;
}

// What a run made or changed is compared by content after every line: a made item's body,
// recipients and their types, attachments, the marks the add-in sets on it (stamp, favourite,
// hotkey), a registry value's data. A start that logged what refused calls there log (naming no
// part) excuses none of it; the losing line naming the thing does.
namespace {

const std::vector<std::wstring> kForwardRoad = {
    L"answer frmReplyFolder enter",
    L"start",
    L"select \"Team lunch\"",
    L"answer frmSelectTemplate node treFolders \"Tanvelo Templates/Standard Templates/Forward "
    L"templates/forward with comments\"; click btnOK",
    L"ribbon click btnForwardWithSub",
    L"close",
    L"wait 100"};

// Where refused calls at the start log, naming no part of the add-in.
void StartRefused(host::Session&) {
  LogError(L"mStandardTemplates::UpdateTemplate", -2147467259, L"The operation failed.");
}

// A fault at the start, logged as real ones are; at line `line` (from 1) the plant.
Run AfterAFaultedStart(const std::vector<std::wstring>& lines, size_t line,
                       std::function<void(host::Session&)> plant) {
  return Road(lines, CallAfter(lines, 2), [line, plant](host::Session& s, size_t n) {
    FaultAfter(2, StartRefused)(s, n);
    if (n + 1 == line) plant(s);
  });
}

std::shared_ptr<outlook::Item> Starting(host::Session& session, const std::wstring& folder,
                                        const std::wstring& subject) {
  for (const auto& item : session.FolderAt(folder)->Items()->All())
    if (item->Subject().starts_with(subject)) return item;
  return nullptr;
}

// An inline picture's content id is drawn afresh (from the clock): a forward whose HTML points
// at its picture under another id is alike; one whose text changed is not.
TEST(FaultRun, AnInlinePicturesContentIdDrawnAfreshIsNoDifference) {
  auto changed = [](std::function<std::wstring(std::wstring)> change) {
    return Planted(kForwardRoad, 5, [change](host::Session& s) {
      auto mail = Starting(s, L"Drafts/Tanvelo Drafts", L"FW: Team lunch");
      ASSERT_TRUE(mail);
      std::wstring html = mail->HTMLBody();
      ASSERT_NE(std::wstring::npos, html.find(L"cid:"));
      mail->SetHTMLBody(change(html));
      mail->Save();
    });
  };
  const char* kDiffers = "\"FW: Team lunch\" in ";  // differs, or changed
  auto redrawn = changed([](std::wstring html) {
    for (size_t at = html.find(L"cid:"); at != std::wstring::npos; at = html.find(L"cid:", at + 5))
      html.insert(at + 4, L"9");
    return html;
  });
  EXPECT_FALSE(Has(redrawn, kDiffers)) << redrawn.err;
  auto cut = changed([](std::wstring html) {
    size_t at = html.find(L"Friday");
    if (at != std::wstring::npos) html.replace(at, 6, L"Monday");
    return html;
  });
  EXPECT_TRUE(Has(cut, kDiffers)) << cut.err;
}

void DropUserProperty(const std::shared_ptr<outlook::Item>& item, const std::wstring& name) {
  ASSERT_TRUE(item);
  auto property = item->UserProperties()->Find(name);
  ASSERT_TRUE(property) << host::Utf8(name);
  property->Delete();
  item->Save();
}

void SetHotkeyValue(const char* data) {
  win32::HKEY key = 0;
  ASSERT_EQ(0, win32::RegOpenKeyExA(win32::HKEY_CURRENT_USER, ProfileKey("Hotkeys").c_str(), 0,
                                    win32::KEY_SET_VALUE, &key));
  win32::RegSetValueExA(key, "Ctrl+Alt+K", 0, win32::REG_SZ, reinterpret_cast<const uint8_t*>(data),
                        std::strlen(data) + 1);
  win32::RegCloseKey(key);
}

}  // namespace

TEST(FaultRun, WhatARunMadeIsComparedByContentAfterAFaultedStart) {
  struct Loss {
    const char* what;
    const std::vector<std::wstring>* road;
    size_t line;
    std::function<void(host::Session&)> plant;
    const char* found;
    std::wstring name;  // what an error of the line names to tell it
    bool sent = false;  // what has left: told by a box naming it, never by a log line
  } losses[] = {
      {"a sent mail's recipient", &kSendRoad, 7,
       [](host::Session& s) {
         auto mail = Find(s, L"Outbox", L"follow up to our call");
         ASSERT_TRUE(mail);
         mail->Recipients()->Remove(1);
         mail->Save();
       },
       "line 7: \"follow up to our call\" in Outbox differs from the clean run's (recipients",
       L"follow up to our call", true},
      {"a sent mail's recipient type", &kSendRoad, 7,
       [](host::Session& s) {
         auto mail = Find(s, L"Outbox", L"follow up to our call");
         ASSERT_TRUE(mail);
         mail->Recipients()->Item(1)->SetType(2);
         mail->Save();
       },
       "line 7: \"follow up to our call\" in Outbox differs from the clean run's (recipients",
       L"follow up to our call", true},
      {"a new template's body", &kTemplateRoad, 5,
       [](host::Session& s) {
         auto made = Find(s, L"Tanvelo Templates", L"Quarterly figures");
         ASSERT_TRUE(made);
         made->SetBody(L"cut short");
         made->Save();
       },
       "line 5: \"Quarterly figures\" in Tanvelo Templates differs from the clean run's (",
       L"Quarterly figures"},
      {"a new template's stamp", &kTemplateRoad, 5,
       [](host::Session& s) {
         DropUserProperty(Find(s, L"Tanvelo Templates", L"Quarterly figures"), L"NORVANE.Addin");
       },
       "line 5: \"Quarterly figures\" in Tanvelo Templates differs from the clean run's (",
       L"Quarterly figures"},
      {"a forward's attachment", &kForwardRoad, 6,
       [](host::Session& s) {
         auto mail = Starting(s, L"Drafts/Tanvelo Drafts", L"FW: Team lunch");
         ASSERT_TRUE(mail);
         ASSERT_GT(mail->Attachments()->Count(), 0);
         mail->Attachments()->Remove(1);
         mail->Save();
       },
       "Team lunch\" in Drafts/Tanvelo Drafts differs from the clean run's (attachment",
       L"FW: Team lunch"},
      {"the default's favourite mark", &kSettingsRoad, 9,
       [](host::Session& s) {
         auto made = Find(s, L"Tanvelo Templates", L"Quarterly figures");
         ASSERT_TRUE(made);
         made->SetMileage(L"");
         made->Save();
       },
       "line 9: \"Quarterly figures\" in Tanvelo Templates differs from the clean run's (",
       L"Quarterly figures"},
      {"a template's hotkey mark", &kSettingsRoad, 11,
       [](host::Session& s) {
         DropUserProperty(Find(s, L"Tanvelo Templates", L"Quarterly figures"),
                          L"NORVANE.TVL.HotKey");
       },
       "line 11: \"Quarterly figures\" in Tanvelo Templates differs from the clean run's (",
       L"Quarterly figures"},
      {"a hotkey's binding", &kSettingsRoad, 11, [](host::Session&) { SetHotkeyValue("x"); },
       "line 11: registry value Software\\Norvane\\Tanvelo\\<>\\Hotkeys\\Ctrl+Alt+K is \"1 x",
       L"Ctrl+Alt+K"},
  };
  for (const auto& loss : losses) {
    auto found = AfterAFaultedStart(*loss.road, loss.line, loss.plant);
    EXPECT_TRUE(Has(found, loss.found)) << loss.what << "\n" << found.err;
    auto named = AfterAFaultedStart(*loss.road, loss.line, [&](host::Session& s) {
      loss.plant(s);
      LogError(L"mTanvelo::Keep", -2147467259, L"\"" + loss.name + L"\" was not kept whole");
    });
    EXPECT_EQ(loss.sent, Has(named, loss.found)) << loss.what << "\n" << named.err;
    if (!loss.sent) continue;
    auto boxed = AfterAFaultedStart(*loss.road, loss.line, [&](host::Session& s) {
      loss.plant(s);
      std::wstring text = L"\"" + loss.name + L"\" was not sent as written.";
      win32::MessageBoxW(0, text.c_str(), L"Tanvelo", win32::MB_OK);
    });
    EXPECT_FALSE(Has(boxed, loss.found)) << loss.what << "\n" << boxed.err;
  }
}

// Each rule of what tells a loss, both ways: what must still be found, and what must not be
// taken for a loss.
TEST(FaultRun, ALossIsToldOnlyByTheLineMakingItOrByWhatNamesIt) {
  const char* kLostLater =
      "\"Quarterly figures\" in Tanvelo Templates was lost, and the user was told nothing";
  // A box on a later line tells of that line's own work, not of what an earlier line made.
  auto boxed = Road(kTemplateRoad, CallAfter(kTemplateRoad, 3), [](host::Session& s, size_t n) {
    FaultAfter(3, [](host::Session&) {})(s, n);
    if (n + 1 != 6) return;
    Remove(s, L"Tanvelo Templates", L"Quarterly figures");
    win32::MessageBoxW(0, L"Something went wrong.", L"Tanvelo", win32::MB_OK);
  });
  EXPECT_TRUE(Has(boxed, std::string("line 6: ") + kLostLater)) << boxed.err;

  // Nor does a command failing: it was not making what went.
  auto road = kTemplateRoad;
  road.push_back(L"select \"Team lunch\"");
  auto failed = Road(road, CallAfter(road, 3), [](host::Session& s, size_t n) {
    FaultAfter(3, [](host::Session&) {})(s, n);
    if (n + 1 == 6) s.Run(L"folder \"Tanvelo Templates\"");  // line 7 finds no "Team lunch"
    if (n + 1 == 7) Remove(s, L"Tanvelo Templates", L"Quarterly figures");
  });
  EXPECT_NE(std::string::npos, failed.out.find("(the line failed: ")) << failed.out;
  EXPECT_TRUE(Has(failed, std::string("line 7: ") + kLostLater)) << failed.err;

  // For what the line made: an event handler's error (the action failed whole) and a box tell.
  for (auto tell :
       {+[] { LogError(L"mExplorer.Explorer_Click", -2147467259, L"The operation failed."); },
        +[] { win32::MessageBoxW(0, L"Something went wrong.", L"Tanvelo", win32::MB_OK); }}) {
    auto told = Planted(kTemplateRoad, 5, [tell](host::Session& s) {
      Remove(s, L"Tanvelo Templates", L"Quarterly figures");
      tell();
    });
    EXPECT_FALSE(Has(told, "was not made")) << told.err;
  }

  // A name of one or two letters is not named by every text holding them.
  auto shortRoad = kSendRoad;
  shortRoad.insert(shortRoad.begin() + 5, L"set subject \"Hi\"");
  ASSERT_EQ(0, Road(shortRoad, 1u << 30).code);
  auto hi = Planted(shortRoad, 8, [](host::Session& s) {
    Remove(s, L"Outbox", L"Hi");
    LogError(L"RL_CJob::FindContactByEmail", -2147467259, L"Nothing matched this.");
  });
  EXPECT_TRUE(Has(hi, "line 8: \"Hi\" in Outbox was not made")) << hi.err;
}

TEST(FaultRun, ARegistryValueWrittenEarlierIsNotTheLaterLinesOwnNorNamedByTheAddinsKeys) {
  // The fault on line 9, which wrote the value: compared from there as what the clean run
  // wrote, not as what it left alone.
  const char* kDefault =
      "line 10: registry value Software\\Norvane\\Tanvelo\\<>\\DefaultTemplateID is absent, the "
      "clean run has \"1 <Tanvelo Templates/Quarterly figures>\\x00\", and the user";
  for (const wchar_t* tell : {L"the options could not be written", L"Norvane: could not be kept",
                              L"Tanvelo: could not be kept", L"Software could not be kept"}) {
    auto run = Road(kSettingsRoad, CallAfter(kSettingsRoad, 9), [tell](host::Session& s, size_t n) {
      FaultAfter(9, [](host::Session&) {})(s, n);
      if (n + 1 != 10) return;
      DeleteValue("", "DefaultTemplateID");
      LogError(L"COptions::Save", 0, tell);
    });
    EXPECT_TRUE(Has(run, kDefault)) << host::Utf8(tell) << "\n" << run.err;
  }
}

TEST(FaultRun, AnExpectationIsExcusedByItsOwnLineItsCommandOrWhatNamesIt) {
  const std::vector<std::wstring> road = {L"answer frmReplyFolder enter", L"start",
                                          L"select \"Team lunch\"", L"select \"Quarterly figures\"",
                                          L"expect mail subject is \"Quarterly figures\""};
  const char* kFailed = "line 5: an expectation held in the clean run and failed under faults";
  auto elsewhere = [](host::Session& s) { s.Run(L"folder \"Tanvelo Templates\""); };
  // The command the expectation looks at failed: the user saw it.
  auto own = Planted(road, 3, elsewhere);
  EXPECT_FALSE(Has(own, kFailed)) << own.err << own.out;
  // An earlier command failing tells nothing of a later one gone wrong in silence...
  auto plant = [&](bool named, bool closed = false) -> Plant {
    return [&, named, closed](host::Session& s, size_t n) {
      FaultAfter(2, elsewhere)(s, n);  // line 3 fails
      if (n + 1 == 3) {
        s.Run(L"folder Inbox");
        LogError(L"mTanvelo::Show", 0,
                 named ? L"\"Quarterly figures\" could not be shown"
                       : L"\"Team lunch\" could not be shown");
      }
      if (n + 1 == 4) s.Run(closed ? L"folder \"Tanvelo Templates\"" : L"select \"Team lunch\"");
    };
  };
  auto silent = Road(road, CallAfter(road, 2), plant(false));
  EXPECT_TRUE(Has(silent, kFailed)) << silent.err << silent.out;
  // An expectation with nothing to look at (no mail selected) does not hold either.
  auto nothing = Road(road, CallAfter(road, 2), plant(false, true));
  EXPECT_TRUE(Has(nothing, kFailed)) << nothing.err << nothing.out;
  // ...unless it named what the expectation looks at.
  auto named = Road(road, CallAfter(road, 2), plant(true));
  EXPECT_FALSE(Has(named, kFailed)) << named.err;

  // A loss already found is not found again through the expectation it breaks.
  auto kept = kTemplateRoad;
  kept.push_back(L"expect folder \"Tanvelo Templates\" has \"Quarterly figures\"");
  auto once = Planted(
      kept, 5, [](host::Session& s) { Remove(s, L"Tanvelo Templates", L"Quarterly figures"); });
  size_t findings = 0;
  for (size_t at = once.err.find("finding:"); at != std::string::npos;
       at = once.err.find("finding:", at + 1))
    ++findings;
  EXPECT_EQ(1u, findings) << once.err;
}

TEST(FaultRun, ADraftOrAMailKeptInTheOtherDraftsFolderIsNoLoss) {
  const std::vector<std::wstring> reply = {
      L"answer frmReplyFolder enter",
      L"start",
      L"select \"Quarterly figures\"",
      L"answer frmSelectTemplate node treFolders \"Tanvelo Templates/Standard Templates/Reply "
      L"Templates/thank you for the information\"; choose optOneMail; click btnOK",
      L"ribbon click btnTanveloSub",
      L"close",
      L"wait 100"};
  auto moved = Road(reply, CallAfter(reply, 5), [](host::Session& s, size_t n) {
    FaultAfter(5, [](host::Session&) {})(s, n);
    if (n + 1 != 6) return;
    auto draft = Find(s, L"Drafts/Tanvelo Drafts", L"RE: Quarterly figures");
    ASSERT_TRUE(draft);
    draft->Move(s.FolderAt(L"Drafts"));
  });
  EXPECT_EQ(0, moved.code) << moved.err;

  // A mail sent and kept whole in the drafts, even untold here (the end tells of the draft).
  auto keep = [](host::Session& s) {
    auto mail = Find(s, L"Outbox", L"follow up to our call");
    ASSERT_TRUE(mail);
    mail->Move(s.FolderAt(L"Drafts"));
  };
  auto kept = Planted(kSendRoad, 7, keep);
  EXPECT_FALSE(Has(kept, "in Outbox was not made")) << kept.err;

  // Told, the runs part ways there: a later expectation may fail for its sake.
  auto road = kSendRoad;
  road.push_back(L"folder Inbox");
  road.push_back(L"expect folder \"Outbox\" count 1");
  ASSERT_EQ(0, Road(road, 1u << 30).code);
  auto later = Planted(road, 7, [&](host::Session& s) {
    keep(s);
    win32::MessageBoxW(0, L"The mail could not be sent; it waits in the drafts.", L"Tanvelo",
                       win32::MB_OK);
  });
  EXPECT_EQ(0, later.code) << later.err;

  // The folder it is kept in differs from the clean run's by that mail only: an expectation
  // counting it fails for that loss's sake; one differing by another mail too does not.
  size_t drafts = 0;
  Road(kSendRoad, 1u << 30, [&](host::Session& s, size_t n) {
    if (n + 1 == kSendRoad.size()) drafts = s.FolderAt(L"Drafts")->Items()->Count();
  });
  auto counted = kSendRoad;
  counted.push_back(L"folder Inbox");
  counted.push_back(L"expect folder \"Drafts\" count " + std::to_wstring(drafts));
  ASSERT_EQ(0, Road(counted, 1u << 30).code);
  auto keptThere = [&](bool more) {
    return Planted(counted, 7, [&, more](host::Session& s) {
      keep(s);
      win32::MessageBoxW(0, L"The mail could not be sent.", L"Tanvelo", win32::MB_OK);
      if (!more) return;
      auto other = s.FolderAt(L"Drafts")->Items()->Add();
      other->SetSubject(L"another");
      other->Save();
    });
  };
  const char* kCounted = "an expectation held in the clean run and failed";
  auto byTheLoss = keptThere(false);
  EXPECT_FALSE(Has(byTheLoss, kCounted)) << byTheLoss.err;
  auto byMore = keptThere(true);
  EXPECT_TRUE(Has(byMore, kCounted)) << byMore.err;
}

// Once the faults stop, a script that ended Outlook is played again on an Outlook started anew.
TEST(FaultRun, OnceTheFaultsStopAScriptThatQuitIsPlayedOnAStartedOutlook) {
  const std::vector<std::wstring> road = {L"answer frmReplyFolder enter", L"start",
                                          L"select \"Quarterly figures\"", L"quit"};
  int looked = 0;
  auto run = Road(road, 1u << 30, [&](host::Session& s, size_t n) {
    if (n != road.size()) return;  // the first line played again
    ++looked;
    EXPECT_FALSE(s.QuitRequested());
  });
  EXPECT_EQ(1, looked);
  EXPECT_EQ(0, run.code) << run.err;
}

// An option the add-in writes as it reads it (a debug switch, the keyboard hook) holds what its
// absence reads as: not written, nothing differs for the user. Any other value is owed.
TEST(FaultRun, AnOptionWrittenOnlyAsItIsReadMayStayUnwritten) {
  auto run = Planted(kSendRoad, 2, [](host::Session&) {
    win32::HKEY key = 0;
    ASSERT_EQ(0, win32::RegOpenKeyExA(win32::HKEY_CURRENT_USER, "Software\\Norvane\\Tanvelo", 0,
                                      win32::KEY_SET_VALUE, &key));
    for (const char* name : {"dbgShowOldControlsOn2007", "dbgShowOldControlsOn2010",
                             "UseDebugButton", "UseKeyboardHook", "ModifyTVDraftsView"})
      win32::RegDeleteValueA(key, name);
    win32::RegCloseKey(key);
  });
  EXPECT_TRUE(Has(run,
                  "line 2: registry value Software\\Norvane\\Tanvelo\\ModifyTVDraftsView is "
                  "absent"))
      << run.err;
  for (const char* name : {"dbgShowOldControlsOn2007", "dbgShowOldControlsOn2010", "UseDebugButton",
                           "UseKeyboardHook"})
    EXPECT_FALSE(Has(run, name)) << run.err;
}

// A window that got no toolbars saves no positions: absent, a position reads as the default
// the clean run saved, and nothing differs. A position the user would find elsewhere is owed.
TEST(FaultRun, ToolbarPositionsAtTheirDefaultsMayStayUnwritten) {
  const std::vector<std::wstring> road = {
      L"answer frmReplyFolder enter",
      L"start",
      L"folder \"Tanvelo Templates/Standard Templates/Reply Templates\"",
      L"open \"information request\"",
      L"close",
      L"wait 100"};
  auto play = [&](uint64_t at, Plant plant, bool count) {
    return Road(road, at, std::move(plant), count, 11);
  };
  auto count = play(0, {}, true);
  uint64_t after = 1;  // the first call after line 5 (the close)
  for (size_t n = 1; n <= 5; ++n) {
    auto at = count.out.find("line " + std::to_string(n) + " calls ");
    if (at == std::string::npos) continue;
    auto dash = count.out.find('-', at);
    if (dash < count.out.find('\n', at)) after = std::stoull(count.out.substr(dash + 1)) + 1;
  }
  auto plant = [&](std::function<void(win32::HKEY)> change) {
    return play(after,
                FaultAfter(5,
                           [change](host::Session&) {
                             win32::HKEY key = 0;
                             ASSERT_EQ(0, win32::RegOpenKeyExA(win32::HKEY_CURRENT_USER,
                                                               ProfileKey("").c_str(), 0,
                                                               win32::KEY_SET_VALUE, &key));
                             change(key);
                             win32::RegCloseKey(key);
                           }),
                false);
  };
  auto unwritten = plant([](win32::HKEY key) {
    for (const char* bar : {"toolbar", "barInsert"})
      for (const char* field : {".Left", ".Top", ".Position", ".RowIndex"})
        win32::RegDeleteValueA(key, (std::string(bar) + field).c_str());
  });
  EXPECT_EQ(0, unwritten.code) << unwritten.err;
  auto moved = plant([](win32::HKEY key) {
    const uint8_t floating[4] = {4, 0, 0, 0};
    win32::RegSetValueExA(key, "barInsert.Position", 0, win32::REG_DWORD, floating, 4);
  });
  EXPECT_TRUE(Has(moved,
                  "barInsert.Position is \"4 \\x04\\x00\\x00\\x00\", the clean run has \"4 "
                  "\\x01\\x00\\x00\\x00\""))
      << moved.err << moved.out;
}

// A finding of items left in the drafts counts and lists what the clean run did not leave: a
// passing copy beside a reply the clean run kept too, and one beside a reply it lost.
TEST(FaultRun, ItemsLeftInTheDraftsAreCountedAsListed) {
  const std::vector<std::wstring> road = {
      L"answer frmReplyFolder enter",
      L"start",
      L"select \"Quarterly figures\"",
      L"answer frmSelectTemplate node treFolders \"Tanvelo Templates/Standard Templates/Reply "
      L"Templates/thank you for the information\"; choose optOneMail; click btnOK",
      L"ribbon click btnTanveloSub",
      L"close",
      L"wait 100"};
  auto copy = [](host::Session& s) {
    auto item = s.FolderAt(L"Drafts")->Items()->Add();
    item->SetSubject(std::wstring(mTanvelo::kTempItemPrefix) + L"Quarterly figures");
    item->Save();
  };
  auto beside = Planted(road, 6, copy);
  EXPECT_TRUE(Has(beside,
                  "1 item(s) left in the drafts and deleted items: Drafts \"TANVELO TEMP ITEM:"
                  "Quarterly figures\"\n"))
      << beside.err;
  auto lost = Planted(road, 6, [&](host::Session& s) {
    copy(s);
    Remove(s, L"Drafts/Tanvelo Drafts", L"RE: Quarterly figures");
  });
  EXPECT_TRUE(Has(lost,
                  "1 item(s) left in the drafts and deleted items: Drafts \"TANVELO TEMP ITEM:"
                  "Quarterly figures\"\n"))
      << lost.err;
}

// A template that went (the user told) and came back as it was then: what the clean run did to
// it while it was gone (the default's mark, a hotkey) is not owed; anything else it lacks is.
TEST(FaultRun, AnItemMadeAgainAfterItWentOwesOnlyWhatItHeldThen) {
  auto road = [](std::function<void(const std::shared_ptr<outlook::Item>&)> alter) {
    return Road(kSettingsRoad, CallAfter(kSettingsRoad, 5), [alter](host::Session& s, size_t n) {
      FaultAfter(5, [](host::Session& s) {
        auto made = Find(s, L"Tanvelo Templates", L"Quarterly figures");
        ASSERT_TRUE(made);
        made->Move(s.FolderAt(L"Deleted Items"));
        win32::MessageBoxW(0, L"\"Quarterly figures\" could not be kept.", L"Tanvelo",
                           win32::MB_OK);
      })(s, n);
      if (n + 1 != 13) return;
      auto kept = Find(s, L"Deleted Items", L"Quarterly figures");
      ASSERT_TRUE(kept);
      auto back = kept->Move(s.FolderAt(L"Tanvelo Templates"));
      ASSERT_TRUE(back);
      if (alter) alter(back);
    });
  };
  const char* kDiffers = "line 13: \"Quarterly figures\" in Tanvelo Templates differs";
  auto asItWas = road({});
  EXPECT_FALSE(Has(asItWas, kDiffers)) << asItWas.err;
  auto cut = road([](const std::shared_ptr<outlook::Item>& item) {
    item->SetBody(L"cut short");
    item->Save();
  });
  EXPECT_TRUE(Has(cut, kDiffers)) << cut.err;
}

// What the add-in let reach Outlook (a connection call or a ribbon callback that raised) is a
// finding, during the run and once the faults stopped; each error once, and after a restart of
// Outlook, whose new host keeps its own list from the first, the new host's first ones too.
namespace {

Plant NoteErrors(std::map<size_t, std::wstring> at) {
  return [at](host::Session& s, size_t n) {
    if (auto it = at.find(n + 1); it != at.end())
      s.Host()->NoteError(L"OnAddInsUpdate", it->second);
  };
}

size_t Count(const Run& run, const std::string& text) {
  size_t n = 0;
  for (size_t at = run.err.find(text); at != std::string::npos; at = run.err.find(text, at + 1))
    ++n;
  return n;
}

const char* kReached = "the add-in let an error reach Outlook: OnAddInsUpdate: ";
const char* kReachedAfter = "once the faults stopped an error reached Outlook: OnAddInsUpdate: ";

}  // namespace

TEST(FaultRun, AnErrorThatReachedOutlookIsFoundOnceAndAfterARestartFromTheNewHostsFirst) {
  constexpr uint64_t kNoFault = 1u << 30;
  const size_t replayed = kTemplateRoad.size();  // the lines played again start after these
  auto during = Road(kTemplateRoad, kNoFault, NoteErrors({{3, L"raised"}}));
  EXPECT_TRUE(Has(during, std::string("line 3: ") + kReached + "raised")) << during.err;
  // Not again at a later line, nor as one of the steps played once the faults stopped.
  EXPECT_EQ(1u, Count(during, "reach")) << during.err;

  auto after = Road(kTemplateRoad, kNoFault, NoteErrors({{replayed + 3, L"raised again"}}));
  EXPECT_TRUE(Has(after, std::string(kReachedAfter) + "raised again")) << after.err;

  // Outlook quit on line 12 and started again on line 13: errors of the host before (one or
  // two), then the first of the new host's.
  for (const auto& before : std::vector<std::map<size_t, std::wstring>>{
           {{5, L"first"}}, {{5, L"first"}, {9, L"second"}}}) {
    auto notes = before;
    notes[13] = L"new host's";
    auto restarted = Road(kSettingsRoad, kNoFault, NoteErrors(notes));
    EXPECT_TRUE(Has(restarted, std::string("line 13: ") + kReached + "new host's"))
        << restarted.err;
    EXPECT_EQ(notes.size(), Count(restarted, "reach")) << restarted.err;

    // The same among the steps played again: the last error told is the new host's.
    std::map<size_t, std::wstring> again;
    for (const auto& [line, text] : notes) again[kSettingsRoad.size() + line] = text;
    auto replayedRestart = Road(kSettingsRoad, kNoFault, NoteErrors(again));
    EXPECT_TRUE(Has(replayedRestart, std::string(kReachedAfter) + "new host's"))
        << replayedRestart.err;
  }
}

// Files on drive C: outside TEMP (an export's documents) that the run made after its first
// fault are compared after every line, not only what the drive held before it: one lost or cut
// short on a later line is found, unless that line named it.
TEST(FaultRun, AFileAnExportMadeAndLostOnALaterLineIsFoundUnlessNamed) {
  const std::vector<std::wstring> road = {
      L"answer frmReplyFolder enter",
      L"start",
      L"folder \"Tanvelo Templates/Standard Templates/Reply Templates\"",
      L"answer frmExport type txtWindowsFolder \"C:\\\\\"; click btnExport; click btnCancel",
      L"ribbon click btnExport",
      L"folder Inbox",
      L"wait 100"};
  ASSERT_EQ(0, Road(road, 1u << 30).code);
  auto lose = [&](const wchar_t* told, bool cut = false) {
    return Road(road, CallAfter(road, 3), [told, cut](host::Session& s, size_t n) {
      FaultAfter(3, [](host::Session&) {})(s, n);
      if (n + 1 != 6) return;
      auto document = Drive("C:\\") / "thank you for the information.dot";
      if (cut)
        std::filesystem::resize_file(document, std::filesystem::file_size(document) / 2);
      else
        EXPECT_TRUE(std::filesystem::remove(document));
      if (told) LogError(L"mTanvelo::Keep", 0, told);
    });
  };
  const char* kLost =
      "line 6: file thank you for the information.dot was lost, and the user was told nothing";
  auto untold = lose(nullptr);
  EXPECT_TRUE(Has(untold, kLost)) << untold.err;
  auto named = lose(L"\"thank you for the information\" could not be kept");
  EXPECT_FALSE(Has(named, "thank you for the information.dot")) << named.err;
  EXPECT_EQ(0, named.code) << named.err;

  auto cut = lose(nullptr, true);
  EXPECT_TRUE(Has(cut,
                  "line 6: file thank you for the information.dot differs from the clean run's, "
                  "and the user was told nothing"))
      << cut.err;
  auto cutNamed = lose(L"\"thank you for the information\" could not be kept", true);
  EXPECT_EQ(0, cutNamed.code) << cutNamed.err;
}

// Every rule of the judge, both ways, by a planted case: a fault raised just after line
// `faultAfter` (with what that line told), then the plant on later lines; `finding` must be
// reported, or must not.
namespace {

using LinePlant = std::function<void(host::Session&, size_t line)>;  // line from 1

void Log(const wchar_t* procedure, const wchar_t* text) {
  LogError(procedure, 0, text);
}

std::shared_ptr<outlook::Item> Template(host::Session& s) {
  auto item = Find(s, L"Tanvelo Templates", L"Quarterly figures");
  EXPECT_TRUE(item);
  return item;
}

void RemoveAt(host::Session& s, const std::wstring& folder, const std::wstring& subject) {
  auto item = Starting(s, folder, subject);
  ASSERT_TRUE(item) << host::Utf8(subject);
  std::wstring full = item->Subject();
  Remove(s, folder, full);
}

// The first value of a key below the user's own, and its name.
std::string FirstValue(const std::string& sub) {
  win32::HKEY key = 0;
  EXPECT_EQ(0, win32::RegOpenKeyExA(win32::HKEY_CURRENT_USER, ProfileKey(sub).c_str(), 0,
                                    win32::KEY_READ, &key));
  char name[256];
  win32::DWORD size = sizeof name;
  std::string found;
  if (win32::RegEnumValueA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr) == 0)
    found.assign(name, size);
  win32::RegCloseKey(key);
  return found;
}

void SetValue(const std::string& key, const std::string& name, const std::string& data) {
  win32::HKEY k = 0;
  ASSERT_EQ(
      0, win32::RegOpenKeyExA(win32::HKEY_CURRENT_USER, key.c_str(), 0, win32::KEY_SET_VALUE, &k));
  win32::RegSetValueExA(k, name.c_str(), 0, win32::REG_SZ,
                        reinterpret_cast<const uint8_t*>(data.c_str()), data.size() + 1);
  win32::RegCloseKey(k);
}

void DeleteAt(const std::string& key, const char* name) {
  win32::HKEY k = 0;
  ASSERT_EQ(
      0, win32::RegOpenKeyExA(win32::HKEY_CURRENT_USER, key.c_str(), 0, win32::KEY_SET_VALUE, &k));
  EXPECT_EQ(0, win32::RegDeleteValueA(k, name));
  win32::RegCloseKey(k);
}

const std::wstring kMailSubject = L"follow up to our call";
const std::wstring kReplies = L"Tanvelo Templates/Standard Templates/Reply Templates";
const std::wstring kNewMail = L"Tanvelo Templates/Standard Templates/New Message Templates";

// A sample template the start made, lost and told by name.
void SampleLost(host::Session& s) {
  Remove(s, kReplies, L"information request");
  Log(L"mStandardTemplates::UpdateTemplate", L"\"information request\" could not be made");
}

const std::wstring kForwards = L"Tanvelo Templates/Standard Templates/Forward templates";

// A template changed at the start, told by name.
void Changed(host::Session& s, const std::wstring& folder, const std::wstring& subject) {
  auto item = Find(s, folder, subject);
  ASSERT_TRUE(item);
  item->SetBody(L"Not kept whole.");
  item->Save();
  LogError(L"mStandardTemplates::UpdateTemplate", 0,
           L"\"" + subject + L"\" could not be kept whole");
}

std::vector<std::wstring> TwoForwards() {
  auto road = kForwardRoad;
  for (size_t n = 2; n < 6; ++n) road.push_back(kForwardRoad[n]);  // select, answer, click, close
  return road;
}
const std::vector<std::wstring> kTwoForwards = TwoForwards();

std::vector<std::wstring> SelectedRoad() {
  auto road = kSendRoad;
  for (const wchar_t* line : {L"folder Outbox", L"select #1", L"expect mail to is \"Kim Roe\""})
    road.push_back(line);
  return road;
}
const std::vector<std::wstring> kSelectedRoad = SelectedRoad();

// The sent mail without its recipient, told by name on the sending line (and another mail
// beside it).
LinePlant KeptWithoutKim(std::wstring told, bool more = false, bool box = false) {
  return [told, more, box](host::Session& s, size_t n) {
    if (n != 7) return;
    auto mail = Find(s, L"Outbox", kMailSubject);
    ASSERT_TRUE(mail);
    mail->Recipients()->Remove(1);
    mail->Save();
    if (box)
      win32::MessageBoxW(0, told.c_str(), L"Tanvelo", win32::MB_OK);
    else
      LogError(L"mTanvelo::Keep", 0, told);
    if (!more) return;
    auto other = s.FolderAt(L"Outbox")->Items()->Add();
    other->SetSubject(L"another");
    other->Save();
  };
}

// The templates folder's record left unwritten at the start, told by name.
void TemplatesRecordUnwritten(host::Session&) {
  DeleteAt(ProfileKey(""), "TanveloEntryID");
  Log(L"COptions::WriteProfileString", L"Registry value not written: \"TanveloEntryID\"");
}

// The sent mail's recipient made Cc on the sending line, and a box shown there.
LinePlant MadeCcAndShown(const wchar_t* box) {
  return [box](host::Session& s, size_t n) {
    if (n != 7) return;
    auto mail = Find(s, L"Outbox", kMailSubject);
    ASSERT_TRUE(mail);
    mail->Recipients()->Item(1)->SetType(2);
    mail->Save();
    win32::MessageBoxW(0, box, L"Tanvelo", win32::MB_OK);
  };
}

// The forward's last attachment renamed.
void RenameLastAttachment(host::Session& s) {
  auto mail = Starting(s, L"Drafts/Tanvelo Drafts", L"FW: Team lunch");
  ASSERT_TRUE(mail);
  mail->Attachments()->Item(mail->Attachments()->Count())->SetDisplayName(L"renamed.txt");
  mail->Save();
}

// The sent mail counted from another folder, the sending line not the one just before.
std::vector<std::wstring> CountedRoad() {
  auto road = kSendRoad;
  for (const wchar_t* line : {L"folder Inbox", L"expect folder Outbox count 1"})
    road.push_back(line);
  return road;
}
const std::vector<std::wstring> kCountedRoad = CountedRoad();

// The sent mail gone from the Outbox on the sending line, told by name or not.
LinePlant Unsent(const wchar_t* told) {
  return [told](host::Session& s, size_t n) {
    if (n != 7) return;
    Remove(s, L"Outbox", kMailSubject);
    if (told) Log(L"mTanvelo::Send", told);
  };
}

// The sent mail sent once more on the sending line (a hotkey still bound replies twice).
LinePlant SentTwice() {
  return [](host::Session& s, size_t n) {
    if (n != 7) return;
    auto sent = Find(s, L"Outbox", kMailSubject);
    ASSERT_TRUE(sent);
    ASSERT_TRUE(sent->Copy());
  };
}

// A template made, exported and imported into another folder.
const std::vector<std::wstring> kCopyRoad = {
    L"answer frmReplyFolder enter",
    L"start",
    L"select \"Quarterly figures\"",
    L"answer box no",
    L"ribbon click btnSaveAsTemplate",
    L"folder \"Tanvelo Templates\"",
    L"answer frmExport type txtWindowsFolder \"C:\\\\\"; click btnExport; click btnCancel",
    L"ribbon click btnExport",
    L"folder \"Tanvelo Templates/Standard Templates/Quote templates\"",
    L"answer frmImport type txtWindowsFolder \"C:\\\\\"; choose optDuplicate; click btnImport; "
    L"click btnCancel",
    L"ribbon click btnImport"};
const std::wstring kQuotes = L"Tanvelo Templates/Standard Templates/Quote templates";

// An option written at OK, the dialog opened again and closed, the option looked at.
const std::vector<std::wstring> kOptionsRoad = {
    L"answer frmReplyFolder enter",
    L"start",
    L"select \"Quarterly figures\"",
    L"answer frmOptions check chkHideTanvelo 1; click btnOK",
    L"bar click \"Tanvelo templates (arrow)/Options...\"",
    L"answer frmOptions click btnClose",
    L"bar click \"Tanvelo templates (arrow)/Options...\"",
    L"expect registry \"PROFILE\" HideTanveloBtn is \"1\""};

// The option not written at OK, told by name or not.
LinePlant OptionUnwritten(bool told) {
  return [told](host::Session&, size_t n) {
    if (n != 5) return;
    DeleteAt(ProfileKey(""), "HideTanveloBtn");
    if (told) Log(L"COptions::WriteDWordOption", L"Registry value not written: \"HideTanveloBtn\"");
  };
}

const std::vector<std::wstring> kExpectRoad = {L"answer frmReplyFolder enter", L"start",
                                               L"select \"Quarterly figures\"",
                                               L"expect mail subject is \"Quarterly figures\""};

const std::vector<std::wstring> kBetweenRoad = {L"answer frmReplyFolder enter",
                                                L"start",
                                                L"select \"Team lunch\"",
                                                L"select \"Quarterly figures\"",
                                                L"answer box no",
                                                L"expect mail subject is \"Quarterly figures\""};

}  // namespace

TEST(FaultRun, EachRuleIsPinnedBothWaysByAPlantedCase) {
  struct Case {
    const char* rule;
    const std::vector<std::wstring>* road;
    size_t faultAfter;
    std::function<void(host::Session&)> told;  // with the fault
    LinePlant plant;
    const char* finding;
    bool reported;
    const char* printed = nullptr;  // the excuse as the run prints it
    int32_t version = 14;
  } cases[] = {
      // An item whose folder is not there is owed to the folder's loss, when that is told.
      {"an item of a folder told not made",
       &kTemplateRoad,
       3,
       {},
       [](host::Session& s, size_t n) {
         if (n != 5) return;
         s.FolderAt(L"Tanvelo Templates/Standard Templates/Quote templates")->Delete();
         Log(L"Connect::SetTanveloFolder", L"the folder Quote templates was not made");
       },
       "Quote templates/bank account information",
       false,
       "its folder Tanvelo Templates/Standard Templates/Quote templates is not there, told"},
      {"an item of a folder gone untold",
       &kTemplateRoad,
       3,
       {},
       [](host::Session& s, size_t n) {
         if (n != 5) return;
         s.FolderAt(L"Tanvelo Templates/Standard Templates/Quote templates")->Delete();
       },
       "\"bank account information\" in Tanvelo Templates/Standard Templates/Quote templates was "
       "lost",
       true},
      // What tells a loss.
      {"a tell naming the thing, saying it was not done",
       &kSendRoad,
       2,
       {},
       [](host::Session& s, size_t n) {
         if (n != 7) return;
         Remove(s, L"Outbox", kMailSubject);
         Log(L"mTanvelo::Send", L"\"follow up to our call\" could not be sent");
       },
       "\"follow up to our call\" in Outbox was not made",
       false},
      {"an undoing of the thing not done leaves it there: no tell of it gone",
       &kSendRoad,
       2,
       {},
       [](host::Session& s, size_t n) {
         if (n != 7) return;
         Remove(s, L"Outbox", kMailSubject);
         Log(L"mTanvelo::SendMode",
             L"The send mode's removal of \"follow up to our call\" not done");
       },
       "line 7: \"follow up to our call\" in Outbox was not made",
       true},
      {"the kind of the line's work, said not done",
       &kTemplateRoad,
       3,
       {},
       [](host::Session& s, size_t n) {
         if (n != 5) return;
         Remove(s, L"Tanvelo Templates", L"Quarterly figures");
         Log(L"mTanvelo::NewTemplateFromMail", L"the template could not be saved");
       },
       "\"Quarterly figures\" in Tanvelo Templates was not made",
       false},
      {"a command not offered tells no work undone",
       &kTemplateRoad,
       3,
       {},
       [](host::Session& s, size_t n) {
         if (n != 5) return;
         Remove(s, L"Tanvelo Templates", L"Quarterly figures");
         Log(L"mExplorer.IsMailSelected",
             L"Save as template, Send drafts: not offered, Outlook refused to show the selection");
       },
       "line 5: \"Quarterly figures\" in Tanvelo Templates was not made",
       true},
      {"an event handler's error naming nothing: the action failed whole",
       &kForwardRoad,
       3,
       {},
       [](host::Session& s, size_t n) {
         if (n != 5) return;
         RenameLastAttachment(s);
         LogError(L"mInspector.Inspector_Close", -2147467259, L"The operation failed.");
       },
       "Team lunch\" in Drafts/Tanvelo Drafts differs from the clean run's (attachment",
       false},
      {"an event handler's error naming another thing tells nothing of this one",
       &kForwardRoad,
       3,
       {},
       [](host::Session& s, size_t n) {
         if (n != 5) return;
         RenameLastAttachment(s);
         Log(L"frmSelectTemplate::Form_Unload", L"Registry value not written: \"ClientWidth\"");
       },
       "Team lunch\" in Drafts/Tanvelo Drafts differs from the clean run's (attachment",
       true},
      {"a ribbon callback's error is side work: it tells nothing of the line's own",
       &kForwardRoad,
       3,
       {},
       [](host::Session& s, size_t n) {
         if (n != 5) return;
         RenameLastAttachment(s);
         LogError(L"Connect::Control_GetVisible_", -2147467259, L"The operation failed.");
       },
       "Team lunch\" in Drafts/Tanvelo Drafts differs from the clean run's (attachment",
       true},
      {"a picker's tree failing is side work: it tells nothing of the template made",
       &kTemplateRoad,
       3,
       {},
       [](host::Session& s, size_t n) {
         if (n != 5) return;
         Remove(s, L"Tanvelo Templates", L"Quarterly figures");
         Log(L"frmSelectTemplate::AddItems2Tree", L"the template list could not be filled");
       },
       "line 5: \"Quarterly figures\" in Tanvelo Templates was not made",
       true},
      // What has left is told only by what the user saw before it left, naming it.
      {"a log line excuses no sent mail",
       &kSendRoad,
       2,
       {},
       [](host::Session& s, size_t n) {
         if (n != 7) return;
         auto mail = Find(s, L"Outbox", kMailSubject);
         mail->Recipients()->Item(1)->SetType(2);
         mail->Save();
         LogError(L"mInspector.Inspector_Send", -2147467259,
                  L"\"follow up to our call\" was not sent as written");
       },
       "line 7: \"follow up to our call\" in Outbox differs from the clean run's (recipients",
       true},
      {"a box naming the sent mail at its line tells it",
       &kSendRoad,
       2,
       {},
       [](host::Session& s, size_t n) {
         if (n != 7) return;
         auto mail = Find(s, L"Outbox", kMailSubject);
         mail->Recipients()->Item(1)->SetType(2);
         mail->Save();
         win32::MessageBoxW(0, L"\"follow up to our call\" was not sent as written.", L"Tanvelo",
                            win32::MB_OK);
       },
       "in Outbox differs from the clean run's (recipients",
       false,
       "content Outbox/follow up to our call, told before it left: [box]"},
      // A part told not set up: the line's own work only, by what it and its answers name.
      {"a part not set up excuses what the line's answers name", &kForwardRoad, 2,
       [](host::Session&) {
         Log(L"mStandardTemplates::UpdateTemplate",
             L"Hotkey of \"forward with comments\" not set up");
       },
       [](host::Session& s, size_t n) {
         if (n == 5) RemoveAt(s, L"Drafts/Tanvelo Drafts", L"FW: Team lunch");
       },
       "Team lunch\" in Drafts/Tanvelo Drafts was not made", false},
      {"a part not set up excuses nothing made before, whatever the line names", &kSettingsRoad, 2,
       [](host::Session&) { Log(L"mHotkeys::Register", L"\"Quarterly figures\" not set up"); },
       [](host::Session& s, size_t n) {
         if (n == 8) Remove(s, L"Tanvelo Templates", L"Quarterly figures");
       },
       "line 8: \"Quarterly figures\" in Tanvelo Templates was lost", true},
      {"a window told without its set-up excuses no later loss of a template of its subject",
       &kSettingsRoad,
       5,
       {},
       [](host::Session& s, size_t n) {
         if (n == 6)
           Log(L"mInspector::Setup",
               L"the window has no add-in set-up (item \"Quarterly figures\")");
         if (n == 8) Remove(s, L"Tanvelo Templates", L"Quarterly figures");
       },
       "line 8: \"Quarterly figures\" in Tanvelo Templates was lost",
       true},
      // A missing thing excuses only itself and what is made from it.
      {"a sample lost at the start excuses no later line's own loss", &kSendRoad, 2, SampleLost,
       [](host::Session& s, size_t n) {
         if (n == 7) Remove(s, L"Outbox", kMailSubject);
       },
       "line 7: \"follow up to our call\" in Outbox was not made", true},
      {"what is made from a template lost is not owed",
       &kSendRoad,
       2,
       [](host::Session& s) {
         Remove(s, kNewMail, kMailSubject);
         Log(L"mStandardTemplates::UpdateTemplate", L"\"follow up to our call\" could not be made");
       },
       {},
       "finding:",
       false},
      {"a sample lost at the start excuses no later expectation", &kExpectRoad, 2, SampleLost,
       [](host::Session& s, size_t n) {
         if (n == 3) s.Run(L"select \"Team lunch\"");
       },
       "line 4: an expectation held in the clean run and failed", true},
      {"an expectation's command is the last line before it that is no expectation or answer",
       &kBetweenRoad,
       2,
       {},
       [](host::Session& s, size_t n) {
         if (n == 3) s.Run(L"folder \"Tanvelo Templates\"");
       },
       "an expectation held in the clean run",
       false},
      {"what the line's answers name, lost before, excuses what the line makes from it",
       &kForwardRoad,
       2,
       [](host::Session& s) { Changed(s, kForwards, L"forward with comments"); },
       {},
       "finding:",
       false},
      {"a box at the sending line saying the sending failed tells it",
       &kSendRoad,
       2,
       {},
       MadeCcAndShown(L"Sending stopped because of an error: 0 of 1 messages went out."),
       "in Outbox differs from the clean run's (recipients",
       false},
      {"...a box there saying the sending went well, not",
       &kSendRoad,
       2,
       {},
       MadeCcAndShown(L"Your message is on its way."),
       "line 7: \"follow up to our call\" in Outbox differs from the clean run's (recipients",
       true},
      {"a sent mail made from a template told changed in a log line only is found",
       &kSendRoad,
       2,
       [](host::Session& s) { Changed(s, kNewMail, kMailSubject); },
       {},
       "line 7: \"follow up to our call\" in Outbox differs from the clean run's",
       true},
      {"...and told by a box naming it before it left, not", &kSendRoad, 2,
       [](host::Session& s) { Changed(s, kNewMail, kMailSubject); },
       [](host::Session&, size_t n) {
         if (n == 7)
           win32::MessageBoxW(0, L"\"follow up to our call\" may not be as its template was.",
                              L"Tanvelo", win32::MB_OK);
       },
       "finding:", false},
      {"a line's work told not done excuses nothing a later line makes under the same names",
       &kTwoForwards,
       4,
       {},
       [](host::Session& s, size_t n) {
         if (n == 5) win32::MessageBoxW(0, L"Something went wrong.", L"Tanvelo", win32::MB_OK);
         if (n == 10) RemoveAt(s, L"Drafts/Tanvelo Drafts", L"FW: Team lunch");
       },
       "line 10: \"FW: Team lunch\" in Drafts/Tanvelo Drafts was not made",
       true},
      {"...and untold it excuses nothing",
       &kTwoForwards,
       4,
       {},
       [](host::Session& s, size_t n) {
         if (n == 10) RemoveAt(s, L"Drafts/Tanvelo Drafts", L"FW: Team lunch");
       },
       "line 10: \"FW: Team lunch\" in Drafts/Tanvelo Drafts was not made",
       true},
      {"an expectation on a sent mail told changed by a log line only is found",
       &kSelectedRoad,
       2,
       {},
       KeptWithoutKim(L"\"follow up to our call\" was not kept whole"),
       "line 11: an expectation held in the clean run",
       true},
      {"...and told by a box naming it, not",
       &kSelectedRoad,
       2,
       {},
       KeptWithoutKim(L"\"follow up to our call\" was not kept whole", false, true),
       "an expectation held in the clean run",
       false},
      {"...nor when the folder differs otherwise too",
       &kSelectedRoad,
       2,
       {},
       KeptWithoutKim(L"\"follow up to our call\" was not kept whole", true, true),
       "line 11: an expectation held in the clean run",
       true},
      // What is compared, field by field.
      {"an attachment's bytes",
       &kForwardRoad,
       3,
       {},
       [](host::Session& s, size_t n) {
         if (n != 5) return;
         auto mail = Starting(s, L"Drafts/Tanvelo Drafts", L"FW: Team lunch");
         ASSERT_TRUE(mail);
         auto attachments = mail->Attachments();
         auto last = attachments->Item(attachments->Count());
         auto data = last->Data();
         data.resize(data.size() / 2);
         std::wstring name = last->FileName(), shown = last->DisplayName();
         attachments->Remove(attachments->Count());
         attachments->AddData(name, data)->SetDisplayName(shown);
         mail->Save();
       },
       "Team lunch\" in Drafts/Tanvelo Drafts differs from the clean run's (attachment",
       true},
      {"an attachment's name",
       &kForwardRoad,
       3,
       {},
       [](host::Session& s, size_t n) {
         if (n != 5) return;
         auto mail = Starting(s, L"Drafts/Tanvelo Drafts", L"FW: Team lunch");
         ASSERT_TRUE(mail);
         mail->Attachments()->Item(mail->Attachments()->Count())->SetDisplayName(L"renamed.txt");
         mail->Save();
       },
       "Team lunch\" in Drafts/Tanvelo Drafts differs from the clean run's (attachment",
       true},
      {"a user property's value",
       &kTemplateRoad,
       3,
       {},
       [](host::Session& s, size_t n) {
         if (n != 5) return;
         auto made = Template(s);
         made->UserProperties()->Find(L"NORVANE.Addin")->SetValue(L"another");
         made->Save();
       },
       "user property NORVANE.Addin: the clean run's \"Tanvelo\"",
       true},
      {"times and the read mark are no content",
       &kTemplateRoad,
       3,
       {},
       [](host::Session& s, size_t n) {
         if (n != 5) return;
         auto made = Template(s);
         made->SetUnRead(!made->UnRead());
         made->SetProp(outlook::PR_CREATION_TIME, 1.5);
         made->Save();
       },
       "finding:",
       false},
      // An expectation on a folder that differs by a thing lost.
      {"a count short by a mail told unsent fails for that loss",
       &kCountedRoad,
       2,
       {},
       Unsent(L"\"follow up to our call\" could not be sent"),
       "line 10: an expectation held in the clean run",
       false},
      {"a count short by a mail lost untold is found",
       &kCountedRoad,
       2,
       {},
       Unsent(nullptr),
       "line 10: an expectation held in the clean run",
       true},
      {"a mail sent once more after a failure told in a log line only is found", &kCountedRoad, 2,
       [](host::Session&) {
         Log(L"mExplorer.Explorer_Hotkey", L"the hotkey dialog was not opened");
       },
       SentTwice(), "line 10: an expectation held in the clean run", true},
      {"the same count over with nothing told before is found",
       &kCountedRoad,
       2,
       {},
       SentTwice(),
       "line 10: an expectation held in the clean run",
       true},
      {"a mail left twice, untold, is found where it left",
       &kSendRoad,
       2,
       {},
       SentTwice(),
       "line 7: \"follow up to our call\" left 2 time(s), the clean run 1",
       true},
      {"...told by a box naming it, not",
       &kSendRoad,
       2,
       {},
       [](host::Session& s, size_t n) {
         SentTwice()(s, n);
         if (n == 7)
           win32::MessageBoxW(0, L"\"follow up to our call\" may have been sent twice.", L"Tanvelo",
                              win32::MB_OK);
       },
       "left 2 time(s)",
       false},
      // A registry value is named by its key and its own name, not by the keys above.
      {"an error naming a key above the value's tells nothing of it",
       &kForwardRoad,
       5,
       {},
       [](host::Session&, size_t n) {
         if (n != 6) return;
         DeleteAt("Software\\VB and VBA Program Settings\\Tanvelo\\frmSelectTemplate",
                  "ClientWidth");
         Log(L"mTanvelo::Keep", L"\"VB and VBA Program Settings\" could not be read");
       },
       "line 6: registry value Software\\VB and VBA Program Settings\\Tanvelo\\frmSelectTemplate\\"
       "ClientWidth is absent",
       true},
      // A record told unwritten excuses what reads it, not what is made in what it names.
      {"a record told unwritten is excused",
       &kForwardRoad,
       2,
       TemplatesRecordUnwritten,
       {},
       "registry value Software\\Norvane\\Tanvelo\\<>\\TanveloEntryID",
       false},
      {"...and excuses no later item of the folder it names", &kForwardRoad, 2,
       TemplatesRecordUnwritten,
       [](host::Session& s, size_t n) {
         if (n == 5) RenameLastAttachment(s);
       },
       "line 5: \"FW: Team lunch\" in Drafts/Tanvelo Drafts differs", true},
      // A read that failed at the start is made again at first use: it excuses nothing later.
      {"a part told not set up at the start excuses what names it", &kSettingsRoad, 2,
       [](host::Session&) { Log(L"CHotkeys::LoadFromReg", L"Hotkeys not set up"); },
       [](host::Session&, size_t n) {
         if (n == 11) DeleteValue("Hotkeys", "Ctrl+Alt+K");
       },
       "line 11: registry value Software\\Norvane\\Tanvelo\\<>\\Hotkeys\\Ctrl+Alt+K is absent",
       false},
      {"...a read that failed at the start, not", &kSettingsRoad, 2,
       [](host::Session&) { Log(L"CHotkeys::LoadFromReg", L"Hotkeys not read"); },
       [](host::Session&, size_t n) {
         if (n == 11) DeleteValue("Hotkeys", "Ctrl+Alt+K");
       },
       "line 11: registry value Software\\Norvane\\Tanvelo\\<>\\Hotkeys\\Ctrl+Alt+K is absent",
       true},
      {"an expectation reading a value told unwritten fails for that loss",
       &kOptionsRoad,
       4,
       {},
       OptionUnwritten(true),
       "line 8: an expectation held in the clean run",
       false,
       nullptr,
       12},
      {"...and untold the value is found, once",
       &kOptionsRoad,
       4,
       {},
       OptionUnwritten(false),
       "finding: line 5: registry value Software\\Norvane\\Tanvelo\\<>\\HideTanveloBtn is absent",
       true,
       nullptr,
       12},
      {"an import of a template told not made is made from that loss",
       &kCopyRoad,
       4,
       {},
       [](host::Session& s, size_t n) {
         if (n != 5) return;
         Remove(s, L"Tanvelo Templates", L"Quarterly figures");
         win32::MessageBoxW(0, L"The template could not be made from this message.", L"Tanvelo",
                            win32::MB_OK);
       },
       "finding:",
       false},
      {"...and an import's item lost with no loss before is found",
       &kCopyRoad,
       4,
       {},
       [](host::Session& s, size_t n) {
         if (n == 11) Remove(s, kQuotes, L"Quarterly figures");
       },
       "line 11: \"Quarterly figures\" in Tanvelo Templates/Standard Templates/Quote templates was "
       "not made",
       true},
      // A tell excuses only the loss it says was not done, of the thing it names.
      {"a doubt about a template tells no loss of it",
       &kTemplateRoad,
       3,
       {},
       [](host::Session& s, size_t n) {
         if (n != 5) return;
         auto made = Template(s);
         made->SetBody(L"cut short");
         made->Save();
         Log(L"mTanvelo::Mark", L"whether \"Quarterly figures\" is the default is not known");
       },
       "line 5: \"Quarterly figures\" in Tanvelo Templates differs",
       true},
      {"...a tell that it was not kept does",
       &kTemplateRoad,
       3,
       {},
       [](host::Session& s, size_t n) {
         if (n != 5) return;
         auto made = Template(s);
         made->SetBody(L"cut short");
         made->Save();
         Log(L"mTanvelo::Keep", L"\"Quarterly figures\" was not kept whole");
       },
       "line 5: \"Quarterly figures\" in Tanvelo Templates differs",
       false},
      // A value the faulted run alone has is compared, and each excuse of it printed.
      {"a value the clean run never had, untold, is found",
       &kTemplateRoad,
       3,
       {},
       [](host::Session&, size_t n) {
         if (n == 5) SetValue(ProfileKey(""), "Planted", "x");
       },
       "line 5: registry value Software\\Norvane\\Tanvelo\\<>\\Planted is \"1 x",
       true},
      {"...keyed by an item the clean run has not, it follows that item",
       &kTemplateRoad,
       3,
       {},
       [](host::Session& s, size_t n) {
         if (n != 5) return;
         auto extra = s.FolderAt(L"Tanvelo Templates")->Items()->Add();
         extra->SetSubject(L"made under another name");
         extra->Save();
         SetValue(ProfileKey("FrequentlyUsed"), host::Utf8(extra->EntryID()), "x");
       },
       "FrequentlyUsed",
       false,
       "FrequentlyUsed\\<Tanvelo Templates/made under another name>, names what the clean run has "
       "not"},
      // Judging stops only for a part lost and told by a box or dialog about that part.
      {"the templates folder gone untold is found",
       &kTemplateRoad,
       3,
       {},
       [](host::Session&, size_t n) {
         if (n == 4) g_oTemplatesFolder.reset();
       },
       "finding: line 4: the templates folder was not found, and the user was told nothing",
       true},
      {"...told by a box about that folder, judging stops",
       &kTemplateRoad,
       3,
       {},
       [](host::Session&, size_t n) {
         if (n != 4) return;
         g_oTemplatesFolder.reset();
         win32::MessageBoxW(0, L"The folder 'Tanvelo Templates' could not be created.", L"Tanvelo",
                            win32::MB_OK);
       },
       "the templates folder was not found, and the user",
       false},
      {"...told by a log line alone, found: the user saw nothing",
       &kTemplateRoad,
       3,
       {},
       [](host::Session&, size_t n) {
         if (n != 4) return;
         g_oTemplatesFolder.reset();
         Log(L"Connect::SetTanveloFolder",
             L"The templates folder 'Tanvelo Templates' was not set up");
       },
       "finding: line 4: the templates folder was not found, and the user was told nothing",
       true},
      {"...told by a box about another folder, found",
       &kTemplateRoad,
       3,
       {},
       [](host::Session&, size_t n) {
         if (n != 4) return;
         g_oTemplatesFolder.reset();
         win32::MessageBoxW(0, L"The folder 'Archive' could not be created.", L"Tanvelo",
                            win32::MB_OK);
       },
       "finding: line 4: the templates folder was not found, and the user was told nothing",
       true},
      {"...told by a line about something else, found",
       &kTemplateRoad,
       3,
       {},
       [](host::Session&, size_t n) {
         if (n != 4) return;
         g_oTemplatesFolder.reset();
         Log(L"frmSelectTemplate::Form_Unload", L"Registry value not written: \"ClientWidth\"");
       },
       "finding: line 4: the templates folder was not found, and the user was told nothing",
       true},
      {"...let go as designed with no window open, no loss",
       &kTemplateRoad,
       3,
       {},
       [](host::Session& s, size_t n) {
         if (n == 4) s.Run(L"explorer close");
       },
       "the templates folder was not found, and the user",
       false},
      // A line doing more than the clean one: only work beyond the clean run's.
      {"a line making the clean run's item writes no value of its own", &kForwardRoad, 3,
       [](host::Session&) {
         Log(L"mExplorer.Explorer_Hotkey", L"the hotkey dialog was not opened");
       },
       [](host::Session&, size_t n) {
         if (n != 5) return;
         auto used = FirstValue("FrequentlyUsed");
         ASSERT_FALSE(used.empty());
         DeleteAt(ProfileKey("FrequentlyUsed"), used.c_str());
       },
       "line 5: registry value Software\\Norvane\\Tanvelo\\<>\\FrequentlyUsed\\", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rule);
    auto plant = c.plant;
    auto told = c.told;
    size_t at = c.faultAfter;
    auto run = Road(
        *c.road, CallAfter(*c.road, at, c.version),
        [=](host::Session& s, size_t n) {
          FaultAfter(at, [&](host::Session& session) {
            if (told) told(session);
          })(s, n);
          if (plant) plant(s, n + 1);
        },
        false, c.version);
    EXPECT_EQ(c.reported, Has(run, c.finding)) << run.err << run.out;
    if (c.printed) {
      EXPECT_NE(std::string::npos, run.out.find(c.printed)) << run.out;
    }
  }
}

// An EntryID a mail holds in a property stands for what it names: a template the faulted run
// filed anew (another EntryID) is the same template, another template is not.
TEST(FaultRun, AnEntryIDHeldInAMailIsTakenAsWhatItNames) {
  constexpr uint32_t kRecord = 0x6701'0000 | outlook::PT_UNICODE;
  auto record = [](host::Session& s, const std::wstring& id) {
    auto mail = Find(s, L"Inbox", L"Quarterly figures");
    ASSERT_TRUE(mail);
    mail->SetProp(kRecord, id);
    mail->Save();
  };
  auto road = kTemplateRoad;
  road.push_back(L"wait 100");
  struct Case {
    const char* rule;
    LinePlant plant;  // in the faulted run only (line from 1)
    bool reported;
  } cases[] = {
      {"the template filed anew before the mail records it",
       [](host::Session& s, size_t n) {
         if (n != 5) return;
         auto original = Template(s);
         ASSERT_TRUE(original->Copy());
         original->Delete();
         auto deleted = Find(s, L"Deleted Items", L"Quarterly figures");
         ASSERT_TRUE(deleted);
         deleted->Delete();
       },
       false},
      {"the record pointed at another template",
       [=](host::Session& s, size_t n) {
         if (n != 7) return;
         auto other = Find(s, kReplies, L"information request");
         ASSERT_TRUE(other);
         record(s, other->EntryID());
       },
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rule);
    auto plant = c.plant;
    auto run = Road(
        road, CallAfter(road, 3),
        [=](host::Session& s, size_t n) {
          FaultAfter(3, [](host::Session&) {})(s, n);
          plant(s, n + 1);
        },
        false, 14,
        [=](host::Session& s, size_t n) {
          if (n + 1 == 6) record(s, Template(s)->EntryID());
        });
    EXPECT_EQ(c.reported, Has(run, "\"Quarterly figures\" in Inbox differs")) << run.err << run.out;
    if (!c.reported) {
      EXPECT_FALSE(Has(run, "finding:")) << run.out;
    }
  }
}

// A burst of kHeldTries refusals in the start that loses a sample template (told by name)
// excuses that template and what is made from it, nothing else: each later loss of another
// kind is found, and told by name it is not.
namespace {

Run Burst(const std::vector<std::wstring>& lines, uint64_t at, uint64_t span, Plant plant = {}) {
  Run run;
  host::ProgramIo io;
  io.out = [&](const std::string& s) { run.out += s; };
  io.err = [&](const std::string& s) { run.err += s; };
  host::FaultRunOptions options{.at = at,
                                .span = span,
                                .languageFile = testsource::ReadSourceFile("lang/EN.lng"),
                                .lines = lines,
                                .afterLine = std::move(plant)};
  run.code = host::RunUnderFaults(options, io);
  return run;
}

std::set<std::wstring> Samples(host::Session& s) {
  std::set<std::wstring> samples;
  for (const wchar_t* folder :
       {L"Reply Templates", L"New Message Templates", L"Forward templates", L"Quote templates"})
    if (auto at = s.FolderAt(std::wstring(L"Tanvelo Templates/Standard Templates/") + folder))
      for (const auto& item : at->Items()->All()) samples.insert(item->Subject());
  return samples;
}

std::wstring OtherTemplate(host::Session& s) {
  auto other = Find(s, kReplies, L"thank you for your order!");
  EXPECT_TRUE(other);
  return other ? other->EntryID() : L"";
}

}  // namespace

// A default left on another template than the clean run's is told by what names the template
// it was left on and says the default was not changed; naming it for another reason tells
// nothing.
TEST(FaultRun, ADefaultLeftOnATemplateIsToldOnlyByWhatSaysItWasNotChanged) {
  const char* kMoved =
      "line 9: registry value Software\\Norvane\\Tanvelo\\<>\\DefaultTemplateID is \"1 <";
  struct Case {
    const wchar_t* tell;
    bool reported;
  } cases[] = {
      {L"Make default template: \"thank you for your order!\" could not be read, the default "
       L"template was not changed",
       false},
      {L"\"thank you for your order!\" is the default template", true},
      {L"\"information request\" could not be read, the default template was not changed", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(host::Utf8(c.tell));
    auto run = Planted(kSettingsRoad, 9, [&](host::Session& s) {
      SetValue(ProfileKey(""), "DefaultTemplateID", host::Utf8(OtherTemplate(s)));
      LogError(L"CInspectorWrapper::m_btnChangeDefault_Click", 0, c.tell);
    });
    EXPECT_EQ(c.reported, Has(run, kMoved)) << run.err;
  }
}

TEST(FaultRun, AHeldBurstInTheStartThatLosesASampleExcusesNothingElse) {
  const std::vector<std::wstring> start = {L"answer frmReplyFolder enter", L"start"};
  std::set<std::wstring> clean;
  Burst(start, 1u << 30, 1, [&](host::Session& s, size_t n) {
    if (n == 1) clean = Samples(s);
  });
  const uint64_t last = CallAfter(start, 2) - 1;
  const std::set<std::wstring> used = {L"follow up to our call", L"forward with comments",
                                       L"thank you for the information",
                                       L"thank you for your order!"};
  uint64_t at = 0;
  std::wstring lost;
  for (uint64_t k = 1; !at && k + kHeldTries - 1 <= last; ++k) {
    std::set<std::wstring> have;
    auto run = Burst(start, k, kHeldTries, [&](host::Session& s, size_t n) {
      if (n == 1) have = Samples(s);
    });
    std::vector<std::wstring> gone;
    std::set_difference(clean.begin(), clean.end(), have.begin(), have.end(),
                        std::back_inserter(gone));
    if (gone.size() == 1 && !used.count(gone[0]) && run.code == 0) at = k, lost = gone[0];
  }
  ASSERT_NE(0u, at) << "no burst in the start loses a sample alone";

  struct Loss {
    const char* kind;
    const std::vector<std::wstring>* road;
    size_t line;
    std::function<void(host::Session&)> plant;
    const char* found;
    std::wstring name;  // what a tell names
    bool sent = false;  // what has left: told by a box naming it, never by a log line
  } losses[] = {
      {"a made template deleted", &kSettingsRoad, 7,
       [](host::Session& s) { Remove(s, L"Tanvelo Templates", L"Quarterly figures"); },
       "line 7: \"Quarterly figures\" in Tanvelo Templates was lost", L"Quarterly figures"},
      {"a hotkey not written", &kSettingsRoad, 11,
       [](host::Session&) { DeleteValue("Hotkeys", "Ctrl+Alt+K"); },
       "line 11: registry value Software\\Norvane\\Tanvelo\\<>\\Hotkeys\\Ctrl+Alt+K is absent",
       L"Ctrl+Alt+K"},
      {"a recipient dropped", &kSendRoad, 7,
       [](host::Session& s) {
         auto mail = Find(s, L"Outbox", kMailSubject);
         mail->Recipients()->Remove(1);
         mail->Save();
       },
       "line 7: \"follow up to our call\" in Outbox differs from the clean run's (recipients",
       kMailSubject, true},
      {"a recipient made Cc", &kSendRoad, 7,
       [](host::Session& s) {
         auto mail = Find(s, L"Outbox", kMailSubject);
         mail->Recipients()->Item(1)->SetType(2);
         mail->Save();
       },
       "line 7: \"follow up to our call\" in Outbox differs from the clean run's (recipients",
       kMailSubject, true},
      {"an attachment dropped", &kForwardRoad, 5,
       [](host::Session& s) {
         auto mail = Starting(s, L"Drafts/Tanvelo Drafts", L"FW: Team lunch");
         mail->Attachments()->Remove(mail->Attachments()->Count());
         mail->Save();
       },
       "Team lunch\" in Drafts/Tanvelo Drafts differs from the clean run's (attachment",
       L"FW: Team lunch"},
      {"an attachment renamed", &kForwardRoad, 5,
       [](host::Session& s) {
         auto mail = Starting(s, L"Drafts/Tanvelo Drafts", L"FW: Team lunch");
         mail->Attachments()->Item(mail->Attachments()->Count())->SetDisplayName(L"other.txt");
         mail->Save();
       },
       "Team lunch\" in Drafts/Tanvelo Drafts differs from the clean run's (attachment",
       L"FW: Team lunch"},
      {"a body cut", &kTemplateRoad, 5,
       [](host::Session& s) {
         auto made = Find(s, L"Tanvelo Templates", L"Quarterly figures");
         made->SetBody(L"cut short");
         made->Save();
       },
       "line 5: \"Quarterly figures\" in Tanvelo Templates differs from the clean run's (",
       L"Quarterly figures"},
      {"a usage count changed", &kForwardRoad, 5,
       [](host::Session&) {
         SetValue(ProfileKey("FrequentlyUsed"), FirstValue("FrequentlyUsed"), "9");
       },
       "line 5: registry value Software\\Norvane\\Tanvelo\\<>\\FrequentlyUsed\\",
       L"FrequentlyUsed"},
      {"the default moved", &kSettingsRoad, 9,
       [](host::Session& s) {
         SetValue(ProfileKey(""), "DefaultTemplateID", host::Utf8(OtherTemplate(s)));
       },
       "line 9: registry value Software\\Norvane\\Tanvelo\\<>\\DefaultTemplateID is \"1 <",
       L"DefaultTemplateID"},
      {"a binding moved", &kSettingsRoad, 11,
       [](host::Session& s) {
         SetValue(ProfileKey("Hotkeys"), "Ctrl+Alt+K", host::Utf8(OtherTemplate(s)));
       },
       "line 11: registry value Software\\Norvane\\Tanvelo\\<>\\Hotkeys\\Ctrl+Alt+K is \"1 <",
       L"Ctrl+Alt+K"},
  };
  for (const auto& loss : losses) {
    SCOPED_TRACE(loss.kind);
    for (int told : {0, 1, 2}) {  // untold, logged, shown in a box
      if (told == 2 && !loss.sent) continue;
      auto run = Burst(*loss.road, at, kHeldTries, [&](host::Session& s, size_t n) {
        if (n + 1 != loss.line) return;
        loss.plant(s);
        std::wstring text = L"\"" + loss.name + L"\" was not kept";
        if (told == 1) Log(L"mTanvelo::Keep", text.c_str());
        if (told == 2) win32::MessageBoxW(0, text.c_str(), L"Tanvelo", win32::MB_OK);
      });
      EXPECT_NE(std::string::npos, run.out.find("faults: 10 raised")) << run.out;
      EXPECT_EQ(told == 0 || (told == 1 && loss.sent), Has(run, loss.found))
          << told << " " << host::Utf8(lost) << "\n"
          << run.err;
    }
  }
}

// A run ends with its verdict; one that stopped judging what later lines make says from which
// line and why, in one line a sweep can count.
TEST(FaultRun, ARunEndsWithItsVerdictAndSaysWhereJudgingStopped) {
  const auto ends = [](const ::Run& run, const std::string& last) {
    return run.err.size() >= last.size() &&
           run.err.compare(run.err.size() - last.size(), last.size(), last) == 0;
  };
  auto clean = Faulted(1u << 30);
  EXPECT_TRUE(ends(clean, "fault run: no finding\n")) << clean.err;
  auto found =
      Faulted(1u << 30, After(3, [](host::Session& s) { Remove(s, L"Inbox", L"Team lunch"); }));
  EXPECT_TRUE(ends(found, "fault run: 1 findings\n")) << found.err;

  // Faults past the tries that keep the language file from being read (a single one is asked
  // again): the judging stops there, told by the add-in's box.
  const std::vector<std::wstring> start = {L"answer frmReplyFolder enter", L"start",
                                           L"select \"Quarterly figures\"", L"wait 100"};
  const uint64_t last = CallAfter(start, 2) - 1;
  bool stopped = false;
  for (uint64_t k = 1; k <= last && !stopped; ++k) {
    auto run = Burst(start, k, kHeldTries);
    size_t at = run.err.find("judging stopped from line ");
    if (at == std::string::npos) continue;
    stopped = true;
    EXPECT_NE(std::string::npos,
              run.err.find(": the language file was not read (told: [box] \"Tanvelo could not "
                           "read its language file",
                           at))
        << run.err;
    EXPECT_TRUE(ends(run, "fault run: no finding\n")) << run.err;
  }
  EXPECT_TRUE(stopped);
}

// The bars follow the folder the window shows: when "go to the templates" finds its sample
// folder never made (told at the start), they stay as in the folder left, for that loss; with
// the folder there and the window left where it was, the switch not done is found.
TEST(FaultRun, BarsOnAFolderNeverMadeFailForThatLossAlone) {
  const std::vector<std::wstring> lines = {
      L"answer frmReplyFolder enter", L"start", L"bar click \"Go/Tanvelo templates\"",
      L"expect bar \"Tanvelo templates (arrow)/Choose and edit a template...\" visible is false"};
  const char* found = "line 4: an expectation held in the clean run and failed under faults";
  const std::wstring news = L"Tanvelo Templates/Standard Templates/New Message Templates";
  struct Case {
    const char* why;
    bool folderThere;
    bool reported;
  } cases[] = {{"the sample folder told unmade", false, false},
               {"the folder there, the switch not done", true, true}};
  for (const auto& c : cases) {
    ::Run run;
    host::ProgramIo io;
    io.out = [&](const std::string& s) { run.out += s; };
    io.err = [&](const std::string& s) { run.err += s; };
    bool sawUnmade = false;
    host::FaultRunOptions options{
        .at = 27,
        .span = kHeldTries,
        .outlookVersion = 9,
        .languageFile = testsource::ReadSourceFile("lang/EN.lng"),
        .lines = lines,
        .afterLine = [&](host::Session& s, size_t n) {
          if (n != 2) return;
          sawUnmade = !s.FolderAt(news);
          if (!c.folderThere || !sawUnmade) return;
          auto standard = s.FolderAt(L"Tanvelo Templates")->Folders()->Add(L"Standard Templates");
          standard->Folders()->Add(L"New Message Templates");
        }};
    run.code = host::RunUnderFaults(options, io);
    ASSERT_TRUE(sawUnmade) << "the burst no longer loses the sample folders\n" << run.out;
    EXPECT_EQ(c.reported, Has(run, found)) << c.why << "\n" << run.err << run.out;
  }
}
