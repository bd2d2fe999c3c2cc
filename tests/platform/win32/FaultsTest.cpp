// The fault switch: which calls fail, how each Win32 surface fails, and what is not counted.
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <vector>

#include "platform/win32/Clipboard.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Faults.h"
#include "platform/win32/Files.h"
#include "platform/win32/Registry.h"
#include "platform/win32/Reset.h"

using namespace win32;
namespace faults = win32::faults;

namespace {

// Which of `calls` plain hits fail, by position from 1.
std::vector<int> FailingCalls(int calls) {
  std::vector<int> failed;
  for (int i = 1; i <= calls; ++i)
    if (faults::Hit(faults::Surface::Outlook)) failed.push_back(i);
  return failed;
}

}  // namespace

TEST(Faults, EveryNthCallFailsAtThePhaseTheSeedPicks) {
  EXPECT_TRUE(FailingCalls(10).empty());  // off until started

  faults::Start({.every = 7, .seed = 1});
  auto first = FailingCalls(70);
  ASSERT_EQ(10u, first.size());
  for (size_t i = 1; i < first.size(); ++i) EXPECT_EQ(7, first[i] - first[i - 1]);
  EXPECT_EQ(70u, faults::Counts().calls);
  EXPECT_EQ(10u, faults::Counts().raised);

  // Counting starts again with each start; the same seed fails the same calls.
  faults::Start({.every = 7, .seed = 1});
  EXPECT_EQ(first, FailingCalls(70));

  std::set<int> phases;
  for (uint32_t seed = 0; seed < 8; ++seed) {
    faults::Start({.every = 7, .seed = seed});
    phases.insert(FailingCalls(7).at(0));
  }
  EXPECT_GT(phases.size(), 2u);

  faults::Stop();
  EXPECT_TRUE(FailingCalls(20).empty());
}

TEST(Faults, OneCallOrABurstFailsWhereTold) {
  faults::Start({.at = 5});
  EXPECT_EQ(std::vector<int>{5}, FailingCalls(40));
  EXPECT_EQ(1u, faults::Counts().raised);
  EXPECT_EQ(40u, faults::Counts().calls);

  faults::Start({.at = 1, .span = 3});
  EXPECT_EQ((std::vector<int>{1, 2, 3}), FailingCalls(10));

  // A burst running past the last call fails up to it; one beyond the calls fails none.
  faults::Start({.at = 9, .span = 5});
  EXPECT_EQ((std::vector<int>{9, 10}), FailingCalls(10));
  faults::Start({.at = 11});
  EXPECT_TRUE(FailingCalls(10).empty());

  // Counting alone fails nothing and tells where the calls fall.
  faults::Start({.countOnly = true});
  EXPECT_TRUE(faults::Active());
  EXPECT_TRUE(FailingCalls(10).empty());
  EXPECT_EQ(10u, faults::Counts().calls);

  // A platform reset ends the switch, unless it is told to go on through resets, counting on.
  faults::Start({.at = 3});
  FailingCalls(2);
  ResetPlatform();
  EXPECT_TRUE(FailingCalls(5).empty());
  faults::Start({.at = 3, .throughResets = true});
  FailingCalls(2);
  ResetPlatform();
  EXPECT_EQ(std::vector<int>{1}, FailingCalls(5));

  // A stop forgets the burst: a new count starts clean.
  faults::Start({.at = 2, .span = 100});
  faults::Stop();
  EXPECT_FALSE(faults::Active());
  EXPECT_TRUE(FailingCalls(10).empty());
}

TEST(Faults, CallsInsideACountedCallAreNotCountedUnlessTheAddinRuns) {
  faults::Start({.every = 1, .seed = 0});
  {
    faults::Call outer(faults::Surface::Outlook, {});
    EXPECT_TRUE(outer.Failed());
    EXPECT_FALSE(faults::Hit(faults::Surface::Files));  // the substitute's own call
    faults::AddinCode handler;                          // an event the call raised
    EXPECT_TRUE(faults::Hit(faults::Surface::Files));
    faults::Quiet caption;  // Outlook draws the new window's caption
    EXPECT_FALSE(faults::Hit(faults::Surface::Outlook));
  }
  EXPECT_EQ(2u, faults::Counts().calls);

  faults::Start({.every = 1, .seed = 0, .addinOnly = true});
  EXPECT_FALSE(faults::Hit(faults::Surface::Registry));
  {
    faults::AddinCode timer;
    EXPECT_TRUE(faults::Hit(faults::Surface::Registry));
  }
  EXPECT_FALSE(faults::Hit(faults::Surface::Registry));
  EXPECT_EQ(1u, faults::Counts().calls);

  // An error the add-in's code lets go is counted as it leaves; one handled inside is not.
  try {
    faults::AddinCode handler;
    try {
      throw std::runtime_error("handled");
    } catch (const std::runtime_error&) {
    }
    throw std::runtime_error("escapes");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(1u, faults::Counts().escaped);
}

TEST(Faults, Win32CallsFailAsOnWindowsAndWorkAgainOnceStopped) {
  faults::Start({.every = 1, .seed = 3});

  HKEY key = 0;
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\T", 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &key, nullptr));
  EXPECT_EQ(0u, key);
  EXPECT_EQ(0u, registry::OpenHandleCount());

  SetLastError(0);
  EXPECT_FALSE(OpenClipboard(0));
  EXPECT_EQ(static_cast<uint32_t>(ERROR_ACCESS_DENIED), GetLastError());
  EXPECT_FALSE(clipboard::IsOpen());

  files::TempSandbox sandbox;
  std::set<uint32_t> errors;
  for (uint32_t seed = 0; seed < 16; ++seed) {
    faults::Start({.every = 1, .seed = seed});
    EXPECT_EQ(INVALID_HANDLE_VALUE, CreateFileA("C:\\Temp\\a.txt", GENERIC_WRITE, 0, nullptr,
                                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, 0));
    errors.insert(GetLastError());
  }
  EXPECT_EQ(
      (std::set<uint32_t>{static_cast<uint32_t>(ERROR_ACCESS_DENIED), ERROR_SHARING_VIOLATION}),
      errors);
  EXPECT_EQ(0u, files::OpenHandleCount());
  EXPECT_FALSE(files::HostPath("C:\\Temp\\a.txt").has_value() &&
               std::filesystem::exists(*files::HostPath("C:\\Temp\\a.txt")));

  faults::Stop();
  EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\T", 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &key, nullptr));
  RegCloseKey(key);
  EXPECT_TRUE(OpenClipboard(0));
  CloseClipboard();
}

TEST(Faults, TimersRunAsTheAddinsCode) {
  faults::Start({.every = 1, .seed = 0, .addinOnly = true});
  bool failed = false;
  clock::SetTimer(
      10, [&] { failed = !OpenClipboard(0); }, false);
  clock::Advance(20);
  EXPECT_TRUE(failed);
  EXPECT_FALSE(clipboard::IsOpen());
}
