// The kept profile's writes under the fault switch: each write, sync or cut of a save is a
// call of the Profile surface, fails as a full or failing disk, and leaves the store as the
// save before left it; no other surface's call is counted meanwhile.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "host/FaultVfs.h"
#include "host/ProfileStore.h"
#include "host/ScriptReader.h"
#include "platform/outlook/Outlook.h"
#include "platform/win32/Faults.h"
#include "platform/win32/Files.h"
#include "platform/win32/Registry.h"
#include "platform/win32/Reset.h"

namespace {

void SetMark(const std::string& data) {
  win32::HKEY h = 0;
  ASSERT_EQ(0, win32::RegCreateKeyExA(win32::HKEY_CURRENT_USER, "Software\\Kept", 0, nullptr, 0,
                                      win32::KEY_ALL_ACCESS, nullptr, &h, nullptr));
  win32::RegSetValueExA(h, "Mark", 0, win32::REG_SZ, reinterpret_cast<const uint8_t*>(data.data()),
                        static_cast<win32::DWORD>(data.size()));
  win32::RegCloseKey(h);
}

std::string Mark() {
  char data[32] = {};
  win32::DWORD size = sizeof data - 1;
  win32::HKEY h = 0;
  if (win32::RegOpenKeyExA(win32::HKEY_CURRENT_USER, "Software\\Kept", 0, win32::KEY_READ, &h))
    return "(no key)";
  auto rc =
      win32::RegQueryValueExA(h, "Mark", nullptr, nullptr, reinterpret_cast<uint8_t*>(data), &size);
  win32::RegCloseKey(h);
  return rc ? "(none)" : std::string(data);
}

TEST(FaultVfs, EachWriteOfASaveFailsAsADiskDoesAndTheStoreKeepsTheSaveBefore) {
  win32::files::TempSandbox sandbox;
  auto base = sandbox.Path() / "base";
  {
    win32::ResetPlatform();
    auto p = outlook::BuildProfile();
    host::ProfileStore store(base);
    ASSERT_TRUE(store.Load(p));
    SetMark("before");
    std::wstring error;
    ASSERT_TRUE(store.Save(p, error));
  }
  bool full = false, io = false;
  uint64_t at = 1;
  for (;; ++at) {
    auto dir = sandbox.Path() / ("at" + std::to_string(at));
    std::filesystem::copy(base, dir);
    win32::ResetPlatform();
    auto p = outlook::BuildProfile();
    host::SetProfileStoreVfs(host::FaultVfsName());
    bool saved = false;
    std::wstring error;
    {
      host::ProfileStore store(dir);
      ASSERT_TRUE(store.Load(p));
      auto mail = p.inbox->Items()->Add(outlook::olMailItem);
      mail->SetSubject(L"Filed");
      mail->Save();
      SetMark("after");
      win32::faults::Start({.seed = static_cast<uint32_t>(at), .at = at, .profileOnly = true});
      // Only the profile's own calls count, whoever makes the others.
      EXPECT_FALSE(win32::faults::FileCallFails());
      EXPECT_EQ(0, win32::faults::RegistryCallFails());
      saved = store.Save(p, error);
      auto tally = win32::faults::Counts();
      win32::faults::Stop();
      EXPECT_EQ(saved ? 0u : 1u, tally.raised) << "call " << at;
      EXPECT_EQ(0u, tally.raisedBy[static_cast<int>(win32::faults::Surface::Files)]);
    }
    host::SetProfileStoreVfs(nullptr);
    if (!saved) {
      full = full || error.find(L"database or disk is full") != std::wstring::npos;
      io = io || error.find(L"disk I/O error") != std::wstring::npos;
      EXPECT_TRUE(error.find(L"database or disk is full") != std::wstring::npos ||
                  error.find(L"disk I/O error") != std::wstring::npos)
          << "call " << at << ": " << host::Utf8(error);
    }
    win32::ResetPlatform();
    auto again = outlook::BuildProfile();
    host::ProfileStore reopened(dir);
    ASSERT_TRUE(reopened.Load(again)) << "call " << at << ": " << host::Utf8(reopened.Error());
    EXPECT_EQ(saved ? "after" : "before", Mark()) << "call " << at;
    bool filed = false;
    for (int32_t i = 1; i <= again.inbox->Items()->Count(); ++i)
      filed = filed || again.inbox->Items()->Item(i)->Subject() == L"Filed";
    EXPECT_EQ(saved, filed) << "call " << at;
    if (saved) break;
  }
  EXPECT_GT(at, 3u) << "a save writes, syncs and commits";
  EXPECT_TRUE(full && io) << "both errors answered";
}

}  // namespace
