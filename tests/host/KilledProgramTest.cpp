// A program keeping a profile, killed at random moments while it writes: the store it leaves
// opens, holds every reply whose save had ended before the kill, and holds the mail and the
// registry of one and the same command: both or neither.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <sstream>
#include <string>

#include "host/ProfileStore.h"
#include "host/Program.h"
#include "host/ScriptReader.h"
#include "platform/outlook/Outlook.h"
#include "platform/win32/Files.h"
#include "platform/win32/Registry.h"
#include "platform/win32/Reset.h"
#include "tests/common/Source.h"
#include "tests/host/FaultyVfs.h"

namespace {

constexpr int kReplies = 40;

// The program in a child process, its output into `fd`.
[[noreturn]] void Child(const std::string& dir, int fd) {
  std::vector<std::string> args = {"--profile", dir};
  // A template made the default one; then replies with it from the ribbon.
  for (const char* line :
       {"answer frmReplyFolder enter", "start", "select \"Quarterly figures\"", "answer box yes",
        "ribbon click btnSaveAsTemplate", "close", "folder \"Tanvelo Templates\"",
        "select \"Quarterly figures\"", "ribbon click btnChangeDefaultSet", "folder Inbox"})
    args.insert(args.end(), {"-e", line});
  for (int i = 0; i < kReplies; ++i)
    for (const char* line : {"select \"Offer\"", "ribbon click btnTanvelo", "close"})
      args.insert(args.end(), {"-e", line});
  host::ProgramIo io;
  io.out = [fd](const std::string& s) {
    for (size_t at = 0; at < s.size();) {
      ssize_t n = ::write(fd, s.data() + at, s.size() - at);
      if (n <= 0) _exit(9);
      at += static_cast<size_t>(n);
    }
  };
  io.err = io.out;
  io.readLine = [](std::string&) { return false; };
  io.languageFile = testsource::ReadSourceFile("lang/EN.lng");
  _exit(host::RunProgram(args, io));
}

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// Runs `child` in a process of its own, killed once its output holds `marker` `count` times and
// `extra` bytes more have come (or it ended); answers its output. The child's temporary files
// (its session's sandbox) go into a folder of this test's, removed once the child is gone: a
// killed child cleans up nothing.
template <class Child>
std::string RunAndKill(Child child, const std::string& marker, size_t count, size_t extra,
                       bool& killed, size_t* leftBehind = nullptr) {
  std::string temp = (std::filesystem::temp_directory_path() / "tanvelo-killed-XXXXXX").string();
  EXPECT_NE(nullptr, ::mkdtemp(temp.data()));
  int pipe[2];
  EXPECT_EQ(0, ::pipe(pipe));
  pid_t pid = ::fork();
  EXPECT_GE(pid, 0);
  if (pid == 0) {
    ::close(pipe[0]);
    ::setenv("TMPDIR", temp.c_str(), 1);
    child(pipe[1]);
    _exit(0);
  }
  ::close(pipe[1]);
  std::string out;
  char buffer[256];
  size_t past = 0;
  while (true) {
    ssize_t n = ::read(pipe[0], buffer, sizeof buffer);
    if (n <= 0) break;
    out.append(buffer, static_cast<size_t>(n));
    if (Count(out, marker) >= count) {
      past += static_cast<size_t>(n);
      if (past >= extra) break;
    }
  }
  ::kill(pid, SIGKILL);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ::close(pipe[0]);
  killed = WIFSIGNALED(status);
  std::error_code ec;
  if (leftBehind)
    *leftBehind = static_cast<size_t>(std::distance(std::filesystem::directory_iterator(temp, ec),
                                                    std::filesystem::directory_iterator()));
  std::filesystem::remove_all(temp, ec);
  return out;
}

TEST(KilledProgram, TheStoreOpensWithEverySaveThatEndedBeforeTheKill) {
  win32::files::TempSandbox sandbox;
  std::mt19937 random(20261207);
  for (int round = 0; round < 4; ++round) {
    auto dir = sandbox.Path() / ("profile" + std::to_string(round));
    // The kill comes while a reply of the first ones is under way, at a random byte.
    size_t killAfter = 2 + random() % 12, extra = random() % 200;
    bool killed = false;
    size_t leftBehind = 0;
    auto out = RunAndKill([&](int fd) { Child(dir.string(), fd); }, "> select \"Offer\"", killAfter,
                          extra, killed, &leftBehind);
    ASSERT_TRUE(killed) << "the program ended before the kill:\n" << out;
    // The killed session's sandbox was made in the folder removed above, not left behind.
    EXPECT_EQ(1u, leftBehind) << "round " << round;
    // Each "> select \"Offer\"" after the first tells the reply before it was closed and saved.
    size_t saved = Count(out, "> select \"Offer\"") - 1;

    win32::ResetPlatform();
    auto p = outlook::BuildProfile();
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Ok()) << host::Utf8(store.Error());
    ASSERT_TRUE(store.Load(p)) << host::Utf8(store.Error());
    auto drafts =
        p.session->GetDefaultFolder(outlook::olFolderDrafts)->Folders()->Item(L"Tanvelo Drafts");
    ASSERT_TRUE(drafts) << "round " << round;
    EXPECT_GE(static_cast<size_t>(drafts->Items()->Count()), saved) << "round " << round;
  }
}

// The uses the registry counts for each template, summed: each reply adds one.
int64_t UsesCounted() {
  win32::HKEY tanvelo = 0;
  if (win32::RegOpenKeyExA(win32::HKEY_CURRENT_USER, "Software\\Norvane\\Tanvelo", 0,
                           win32::KEY_READ, &tanvelo))
    return 0;
  int64_t total = 0;
  char store[512];
  for (win32::DWORD i = 0;; ++i) {
    win32::DWORD size = sizeof store;
    if (win32::RegEnumKeyExA(tanvelo, i, store, &size, nullptr, nullptr, nullptr, nullptr)) break;
    win32::HKEY used = 0;
    if (win32::RegOpenKeyExA(tanvelo, (std::string(store) + "\\FrequentlyUsed").c_str(), 0,
                             win32::KEY_READ, &used))
      continue;
    char name[512];
    uint8_t data[4096];
    for (win32::DWORD k = 0;; ++k) {
      win32::DWORD nameSize = sizeof name, dataSize = sizeof data - 1;
      if (win32::RegEnumValueA(used, k, name, &nameSize, nullptr, nullptr, data, &dataSize)) break;
      data[dataSize] = 0;
      total += std::atoll(reinterpret_cast<const char*>(data));  // the first line: the count
    }
    win32::RegCloseKey(used);
  }
  win32::RegCloseKey(tanvelo);
  return total;
}

// Replies change the mail (a draft filed) and the registry (the template's use counted) in one
// command: killed anywhere, the profile holds as many drafts as counted uses.
TEST(KilledProgram, EachReplyLeavesItsDraftAndItsCountedUseTogetherOrNeither) {
  win32::files::TempSandbox sandbox;
  std::mt19937 random(38);
  for (int round = 0; round < 6; ++round) {
    auto dir = sandbox.Path() / ("profile" + std::to_string(round));
    bool killed = false;
    auto out = RunAndKill([&](int fd) { Child(dir.string(), fd); }, "> ribbon click btnTanvelo",
                          1 + random() % 8, random() % 400, killed);
    ASSERT_TRUE(killed) << "the program ended before the kill:\n" << out;
    win32::ResetPlatform();
    auto p = outlook::BuildProfile();
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Ok()) << host::Utf8(store.Error());
    ASSERT_TRUE(store.Load(p)) << host::Utf8(store.Error());
    auto drafts =
        p.session->GetDefaultFolder(outlook::olFolderDrafts)->Folders()->Item(L"Tanvelo Drafts");
    ASSERT_TRUE(drafts) << "round " << round;
    EXPECT_EQ(drafts->Items()->Count(), UsesCounted()) << "round " << round;
  }
}

// The store alone, killed at the n-th read or write it makes (a kill between two of them
// leaves the disk as a kill at the next one does), so each step of its saves is reached:
// each save files a mail and counts it in the registry among many other values.
TEST(KilledProgram, AStoreKilledAtAnyStepOfItsSavesKeepsMailAndRegistryOfOneSave) {
  win32::files::TempSandbox sandbox;
  std::mt19937 random(3807);
  for (int round = 0; round < 40; ++round) {
    auto dir = sandbox.Path() / ("store" + std::to_string(round));
    int step = 1 + static_cast<int>(random() % 600);
    bool killed = false;
    auto out = RunAndKill(
        [&](int fd) {
          win32::ResetPlatform();
          faulty::Install();
          host::SetProfileStoreVfs(faulty::kName);
          auto p = outlook::BuildProfile();
          host::ProfileStore store(dir);
          if (!store.Load(p)) _exit(7);
          win32::HKEY key = 0;
          win32::RegCreateKeyExA(win32::HKEY_CURRENT_USER, "Software\\Kill", 0, nullptr, 0,
                                 win32::KEY_ALL_ACCESS, nullptr, &key, nullptr);
          faulty::killer = true;
          faulty::countdown = step;
          for (int i = 1;; ++i) {
            auto mail = p.inbox->Items()->Add(outlook::olMailItem);
            mail->SetSubject(L"kill " + std::to_wstring(i));
            mail->SetBody(std::wstring(static_cast<size_t>(i % 3) * 3000, L'x'));
            mail->Save();
            std::string count = std::to_string(i);
            for (int k = 0; k < 50; ++k)
              win32::RegSetValueExA(key, ("use " + std::to_string(k)).c_str(), 0, win32::REG_SZ,
                                    reinterpret_cast<const uint8_t*>(count.c_str()),
                                    static_cast<win32::DWORD>(count.size() + 1));
            win32::RegSetValueExA(key, "Count", 0, win32::REG_SZ,
                                  reinterpret_cast<const uint8_t*>(count.c_str()),
                                  static_cast<win32::DWORD>(count.size() + 1));
            std::wstring error;
            if (!store.Save(p, error)) _exit(8);
            std::string line = "saved " + count + "\n";
            if (::write(fd, line.data(), line.size()) <= 0) _exit(9);
          }
        },
        "never told", 1, 0, killed);
    ASSERT_TRUE(killed) << out;
    size_t told = Count(out, "saved ");
    win32::ResetPlatform();
    auto p = outlook::BuildProfile();
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Load(p)) << "round " << round << ": " << host::Utf8(store.Error());
    int64_t mails = 0;
    for (int32_t i = 1; i <= p.inbox->Items()->Count(); ++i)
      mails += p.inbox->Items()->Item(i)->Subject().starts_with(L"kill ");
    char count[32] = "0";
    win32::DWORD size = sizeof count - 1;
    win32::HKEY key = 0;
    if (win32::RegOpenKeyExA(win32::HKEY_CURRENT_USER, "Software\\Kill", 0, win32::KEY_READ,
                             &key) == 0) {
      win32::RegQueryValueExA(key, "Count", nullptr, nullptr, reinterpret_cast<uint8_t*>(count),
                              &size);
      win32::RegCloseKey(key);
    }
    EXPECT_EQ(mails, std::atoll(count)) << "round " << round << ", killed at step " << step;
    EXPECT_GE(static_cast<size_t>(mails), told) << "round " << round;
  }
}

}  // namespace
