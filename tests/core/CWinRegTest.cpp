#include <gtest/gtest.h>

#include "core/CWinReg.h"
#include "core/Main.h"
#include "platform/support/LibNorvane.h"
#include "platform/win32/Faults.h"
#include "platform/win32/Registry.h"

namespace {
const std::wstring kBase = L"Software\\Norvane\\Tanvelo";
constexpr uint32_t HKCU = CWinReg::HKEY_CURRENT_USER;
}  // namespace

TEST(CWinReg, ReadNeverCreatesWriteWithCreateMakesThePath) {
  CWinReg reg;
  EXPECT_FALSE(reg.InitForRead(HKCU, kBase));
  EXPECT_EQ(0u, reg.KeyHandle());
  EXPECT_FALSE(reg.InitForWrite(HKCU, kBase, false));
  EXPECT_TRUE(reg.InitForWrite(HKCU, kBase + L"\\FrequentlyUsed", true));
  CWinReg again;
  EXPECT_TRUE(again.InitForRead(HKCU, kBase));
}

TEST(CWinReg, TextsOfAnyLengthRoundTrip) {
  CWinReg reg;
  ASSERT_TRUE(reg.InitForWrite(HKCU, kBase, true));
  for (size_t length : {0u, 1u, 255u, 256u, 5000u}) {
    std::wstring text(length, L'\u00E9');
    ASSERT_TRUE(reg.SetStringValue(L"Text", text));
    EXPECT_EQ(text, reg.GetStringValue(L"text")) << length;
  }
  EXPECT_EQ(L"", reg.GetStringValue(L"Missing"));
}

TEST(CWinReg, StoredTextIsAnsiWithOneTerminator) {
  CWinReg reg;
  ASSERT_TRUE(reg.InitForWrite(HKCU, kBase, true));
  reg.SetStringValue(L"Caf\u00E9", L"\u20AC");
  uint8_t data[8];
  win32::DWORD type = 0, size = sizeof data;
  ASSERT_EQ(win32::ERROR_SUCCESS,
            win32::RegQueryValueExA(reg.KeyHandle(), "caf\xC9", nullptr, &type, data, &size));
  EXPECT_EQ(win32::REG_SZ, type);
  ASSERT_EQ(2u, size);
  EXPECT_EQ(0x80, data[0]);
  EXPECT_EQ(0, data[1]);
}

TEST(CWinReg, WrongTypesGiveEmptyTextOrTheDefault) {
  CWinReg reg;
  ASSERT_TRUE(reg.InitForWrite(HKCU, kBase, true));
  reg.SetDWordValue(L"Number", -7);
  reg.SetStringValue(L"Text", L"12");
  EXPECT_EQ(-7, reg.GetDWordValue(L"Number", 3));
  EXPECT_EQ(L"", reg.GetStringValue(L"Number"));
  EXPECT_EQ(3, reg.GetDWordValue(L"Text", 3));
  EXPECT_EQ(3, reg.GetDWordValue(L"Missing", 3));
  uint8_t two[2] = {1, 2};
  win32::RegSetValueExA(reg.KeyHandle(), "Short", 0, win32::REG_DWORD, two, 2);
  EXPECT_EQ(3, reg.GetDWordValue(L"Short", 3));  // a DWORD of the wrong size is no DWORD
  // Expandable text is read as stored.
  const char* expand = "%TEMP%\\x";
  win32::RegSetValueExA(reg.KeyHandle(), "Expand", 0, win32::REG_EXPAND_SZ,
                        reinterpret_cast<const uint8_t*>(expand), 8);
  EXPECT_EQ(L"%TEMP%\\x", reg.GetStringValue(L"Expand"));
}

TEST(CWinReg, WithoutAnOpenKeyEverythingFailsQuietly) {
  CWinReg reg;
  EXPECT_FALSE(reg.SetStringValue(L"a", L"b"));
  EXPECT_EQ(L"", reg.GetStringValue(L"a"));
  EXPECT_EQ(0, reg.GetDWordValue(L"a", 42));  // 0, not the default
  EXPECT_FALSE(reg.SetDWordValue(L"a", 1));
  EXPECT_FALSE(reg.DeleteValue(L"a"));
  EXPECT_FALSE(reg.DeleteKey(L"a"));
  EXPECT_FALSE(reg.FlushKey());
  EXPECT_EQ(L"", reg.Values(0));
  EXPECT_TRUE(reg.CloseKey());
}

TEST(CWinReg, YesNoValues) {
  CWinReg reg;
  ASSERT_TRUE(reg.InitForWrite(HKCU, kBase, true));
  reg.SetYesNoValue(L"Flag", true);
  EXPECT_EQ(L"yes", reg.GetStringValue(L"Flag"));
  struct Row {
    const wchar_t* stored;
    bool value;
  } rows[] = {{L"yes", true}, {L"YES", true},   {L"Yes", true},
              {L"no", false}, {L"true", false}, {L"1", false}};
  for (const auto& row : rows) {
    reg.SetStringValue(L"Flag", row.stored);
    EXPECT_EQ(row.value, reg.GetYesNoValue(L"Flag")) << row.stored;
  }
  EXPECT_FALSE(reg.GetYesNoValue(L"Missing"));
}

TEST(CWinReg, EnumerationGivesEachNameThenEmpty) {
  CWinReg reg;
  ASSERT_TRUE(reg.InitForWrite(HKCU, kBase, true));
  reg.SetStringValue(L"a", L"1");
  reg.SetDWordValue(L"b", 2);
  reg.SetYesNoValue(L"c", false);
  EXPECT_EQ(L"a", reg.Values(0));
  EXPECT_EQ(L"c", reg.Values(2));
  EXPECT_EQ(L"", reg.Values(3));
  EXPECT_EQ(L"", reg.Values(-1));
  EXPECT_EQ(L"", reg.Keys(0));
}

TEST(CWinReg, AnOverlongNameEndsTheEnumerationInsteadOfGivingAWrongName) {
  CWinReg reg;
  ASSERT_TRUE(reg.InitForWrite(HKCU, kBase, true));
  reg.SetStringValue(L"first", L"1");
  reg.SetStringValue(std::wstring(300, L'x'), L"2");
  reg.SetStringValue(L"last", L"3");
  EXPECT_EQ(L"first", reg.Values(0));
  EXPECT_EQ(L"", reg.Values(1));
}

TEST(CWinReg, AWalkGoesOnPastANameItCannotRead) {
  CWinReg reg;
  ASSERT_TRUE(reg.InitForAllAccess(HKCU, kBase, true));
  reg.SetStringValue(L"", L"default");
  reg.SetStringValue(std::wstring(300, L'x'), L"2");
  reg.SetStringValue(L"last", L"3");
  std::wstring name = L"stale";
  EXPECT_EQ(CWinReg::Found::Name, reg.ValueAt(0, name));
  EXPECT_EQ(L"", name);
  EXPECT_EQ(CWinReg::Found::Unreadable, reg.ValueAt(1, name));
  EXPECT_EQ(CWinReg::Found::Name, reg.ValueAt(2, name));
  EXPECT_EQ(L"last", name);
  EXPECT_EQ(CWinReg::Found::End, reg.ValueAt(3, name));
  EXPECT_EQ(CWinReg::Found::End, reg.ValueAt(-1, name));

  // Subkeys enumerate sorted: the long name comes first and used to hide the others.
  for (const std::wstring& sub :
       {std::wstring(300, L'a'), std::wstring(L"b"), std::wstring(L"c")}) {
    CWinReg make;
    ASSERT_TRUE(make.InitForWrite(reg.KeyHandle(), sub + L"\\leaf", true));
  }
  EXPECT_EQ(CWinReg::Found::Unreadable, reg.KeyAt(0, name));
  EXPECT_EQ(CWinReg::Found::Name, reg.KeyAt(1, name));
  EXPECT_EQ(L"b", name);
  reg.DeleteAllKeys();
  CWinReg gone;
  EXPECT_FALSE(gone.InitForRead(reg.KeyHandle(), L"b"));
  EXPECT_FALSE(gone.InitForRead(reg.KeyHandle(), L"c"));
}

TEST(CWinReg, DeleteKeyNeedsALeafDeleteKeyRecTakesTheTree) {
  {
    CWinReg make;
    ASSERT_TRUE(make.InitForWrite(HKCU, kBase + L"\\Hotkeys\\A\\B\\C", true));
    make.SetStringValue(L"v", L"x");
    CWinReg sibling;
    ASSERT_TRUE(sibling.InitForWrite(HKCU, kBase + L"\\Hotkeys\\A\\D", true));
  }
  CWinReg reg;
  ASSERT_TRUE(reg.InitForAllAccess(HKCU, kBase, false));
  EXPECT_FALSE(reg.DeleteKey(L"Hotkeys"));
  EXPECT_TRUE(reg.DeleteKeyRec(L"Hotkeys"));
  EXPECT_EQ(L"", reg.Keys(0));
  EXPECT_TRUE(reg.DeleteKeyRec(L"Hotkeys"));  // gone already: nothing is left undone
  reg.CloseKey();
  EXPECT_EQ(0u, win32::registry::OpenHandleCount());
}

TEST(CWinReg, ReleasingTheObjectClosesItsKey) {
  {
    CWinReg reg;
    ASSERT_TRUE(reg.InitForWrite(HKCU, kBase, true));
    ASSERT_TRUE(reg.InitForRead(HKCU, kBase));  // a second open closes the first key
    EXPECT_EQ(1u, win32::registry::OpenHandleCount());
  }
  EXPECT_EQ(0u, win32::registry::OpenHandleCount());
}

TEST(CWinReg, ReadsRefusedInARowAreAskedAgainNotTakenAsTheDefault) {
  CWinReg reg;
  ASSERT_TRUE(reg.InitForWrite(HKCU, kBase, true));
  ASSERT_TRUE(reg.SetDWordValue(L"RowIndex", 1));
  ASSERT_TRUE(reg.SetStringValue(L"Default", L"ABC"));
  win32::faults::Start({.at = 1, .span = 8});
  EXPECT_EQ(1, reg.GetDWordValue(L"RowIndex", 3));
  win32::faults::Start({.at = 1, .span = 8});
  EXPECT_EQ(L"ABC", reg.GetStringValue(L"Default"));
  win32::faults::Start({.at = 2, .span = 8});  // the second of the two reads a text takes
  EXPECT_EQ(L"ABC", reg.GetStringValue(L"Default"));
  win32::faults::Start({.at = 1, .span = kHeldTries});  // refused for good: the default
  EXPECT_EQ(3, reg.GetDWordValue(L"RowIndex", 3));
  win32::faults::Stop();
  EXPECT_EQ(3, reg.GetDWordValue(L"Missing", 3));

  // So is a key refused in a row; a missing one is not asked twice.
  CWinReg again;
  win32::faults::Start({.at = 1, .span = 8});
  EXPECT_TRUE(again.InitForRead(HKCU, kBase));
  EXPECT_FALSE(again.InitForRead(HKCU, kBase + L"\\Missing"));
  EXPECT_EQ(10u, win32::faults::Counts().calls);
  win32::faults::Stop();
}

TEST(CWinReg, WritesAndDeletionsRefusedInARowAreAskedAgain) {
  CWinReg reg;
  ASSERT_TRUE(reg.InitForAllAccess(HKCU, kBase, true));
  CWinReg sub;
  ASSERT_TRUE(sub.InitForWrite(HKCU, kBase + L"\\Sub", true));
  sub.CloseKey();
  for (uint64_t span : {1u, 8u, 9u}) {
    win32::faults::Start({.at = 1, .span = span});
    EXPECT_TRUE(reg.SetStringValue(L"Text", L"T" + std::to_wstring(span))) << span;
    win32::faults::Start({.at = 1, .span = span});
    EXPECT_TRUE(reg.SetDWordValue(L"Number", static_cast<int32_t>(span))) << span;
    win32::faults::Stop();
    EXPECT_EQ(L"T" + std::to_wstring(span), reg.GetStringValue(L"Text"));
    EXPECT_EQ(static_cast<int32_t>(span), reg.GetDWordValue(L"Number", 0));
  }
  // Refused past kHeldTries: False, the value as it was.
  win32::faults::Start({.at = 1, .span = kHeldTries});
  EXPECT_FALSE(reg.SetStringValue(L"Text", L"lost"));
  win32::faults::Start({.at = 1, .span = kHeldTries});
  EXPECT_FALSE(reg.SetDWordValue(L"Number", 99));
  win32::faults::Start({.at = 1, .span = kHeldTries});
  EXPECT_FALSE(reg.DeleteValue(L"Text"));
  win32::faults::Start({.at = 1, .span = kHeldTries});
  EXPECT_FALSE(reg.DeleteKey(L"Sub"));
  win32::faults::Stop();
  EXPECT_EQ(L"T9", reg.GetStringValue(L"Text"));
  EXPECT_EQ(9, reg.GetDWordValue(L"Number", 0));

  win32::faults::Start({.at = 1, .span = kHeldTries - 1});
  EXPECT_TRUE(reg.DeleteValue(L"Text"));
  win32::faults::Start({.at = 1, .span = kHeldTries - 1});
  EXPECT_TRUE(reg.DeleteKey(L"Sub"));
  win32::faults::Stop();
  EXPECT_EQ(L"", reg.GetStringValue(L"Text"));
  EXPECT_EQ(L"", reg.Keys(0));
  // What is not there is gone already: not asked again, not a failure.
  win32::faults::Start({.countOnly = true});
  EXPECT_TRUE(reg.DeleteValue(L"Text"));
  EXPECT_TRUE(reg.DeleteKey(L"Sub"));
  EXPECT_EQ(2u, win32::faults::Counts().calls);
  win32::faults::Stop();
}

TEST(CWinReg, AWalkRefusedInARowGoesOnWhereItWas) {
  CWinReg reg;
  ASSERT_TRUE(reg.InitForAllAccess(HKCU, kBase, true));
  for (const wchar_t* name : {L"a", L"b", L"c"}) reg.SetStringValue(name, name);
  for (const wchar_t* name : {L"K1", L"K2"}) {
    CWinReg sub;
    ASSERT_TRUE(sub.InitForWrite(reg.KeyHandle(), name, true));
  }
  win32::faults::Start({.at = 2, .span = kHeldTries - 1});
  EXPECT_EQ(L"b", reg.Values(1));
  win32::faults::Start({.at = 1, .span = kHeldTries - 1});
  EXPECT_EQ(L"K2", reg.Keys(1));
  win32::faults::Start({.countOnly = true});
  EXPECT_EQ(L"", reg.Values(3));  // the end is not asked again
  EXPECT_EQ(1u, win32::faults::Counts().calls);
  win32::faults::Start({.at = 1, .span = kHeldTries});
  EXPECT_EQ(L"", reg.Values(0));
  win32::faults::Stop();
}

TEST(CWinReg, AnUnwrittenValueIsToldOnOneLineNamingKeyNameAndValue) {
  LogNotWritten(L"Test::Write", L"Software\\Norvane\\Tanvelo\\X", L"Record", L"1\r\n2\x01");
  LogNotDeleted(L"Test::Delete", L"Software\\Norvane\\Tanvelo\\X", L"Old");
  LogNotDeleted(L"Test::Delete", L"Software\\Norvane\\Tanvelo\\Hotkeys");
  const auto& log = support::library::Log();
  ASSERT_GE(log.size(), 3u);
  const auto& written = log[log.size() - 3];
  EXPECT_EQ(kLevelError, written.level);
  EXPECT_EQ(L"Test::Write", written.procedure);
  EXPECT_EQ(
      L"Registry value not written: Software\\Norvane\\Tanvelo\\X \"Record\" = \"1\\r\\n2\\x01\"",
      written.text);
  EXPECT_EQ(L"Registry value not deleted: Software\\Norvane\\Tanvelo\\X \"Old\"",
            log[log.size() - 2].text);
  EXPECT_EQ(L"Registry key not deleted: Software\\Norvane\\Tanvelo\\Hotkeys", log.back().text);
  EXPECT_EQ(kLevelError, log.back().level);
}
