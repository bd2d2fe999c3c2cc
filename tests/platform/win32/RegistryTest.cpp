// Conformance of the registry substitute: the return codes and edge behaviour the system's
// registry key class relies on.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/win32/Registry.h"
#include "platform/win32/RegistryChanges.h"

using namespace win32;

namespace {

HKEY Create(HKEY root, const char* path, REGSAM access = KEY_ALL_ACCESS) {
  HKEY key = 0;
  EXPECT_EQ(ERROR_SUCCESS,
            RegCreateKeyExA(root, path, 0, nullptr, 0, access, nullptr, &key, nullptr));
  return key;
}

LONG SetText(HKEY key, const char* name, const std::string& text, DWORD type = REG_SZ) {
  return RegSetValueExA(key, name, 0, type, reinterpret_cast<const uint8_t*>(text.data()),
                        static_cast<DWORD>(text.size()));
}

// A file of this process's own under the temporary folder: test programs run in parallel.
std::string TempFile(const char* name) {
  return (std::filesystem::temp_directory_path() /
          (std::string(name) + "-" + std::to_string(getpid()) + ".reg"))
      .string();
}

// Loads a hive file of the given lines.
bool LoadLines(const std::string& lines, std::string* error = nullptr) {
  std::string file = TempFile("tanvelo-hive-lines");
  {
    std::ofstream out(file, std::ios::binary);
    out << "TANVELO-REGISTRY-HIVE 1\n" << lines;
  }
  bool loaded = registry::LoadHive(HKEY_CURRENT_USER, file, error);
  std::filesystem::remove(file);
  return loaded;
}

}  // namespace

TEST(Registry, OpenMissingKeyFailsAndCreatesNothing) {
  HKEY key = 123;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND,
            RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Missing", 0, KEY_READ, &key));
  EXPECT_EQ(0u, key);
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key));
}

TEST(Registry, CreateMakesWholePathAndReportsDisposition) {
  HKEY key = 0;
  DWORD disposition = 0;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Norvane\\Tanvelo", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, &disposition));
  EXPECT_EQ(REG_CREATED_NEW_KEY, disposition);
  RegCloseKey(key);
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "software\\NORVANE\\tanvelo", 0,
                                           nullptr, 0, KEY_READ, nullptr, &key, &disposition));
  EXPECT_EQ(REG_OPENED_EXISTING_KEY, disposition);
  RegCloseKey(key);
  EXPECT_EQ(0u, registry::OpenHandleCount());
}

TEST(Registry, TextGetsOneTerminatorAndSizeQueryWorks) {
  HKEY key = Create(HKEY_CURRENT_USER, "T");
  ASSERT_EQ(ERROR_SUCCESS, SetText(key, "Name", "abc"));  // size without the zero byte
  DWORD type = 0, size = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "name", nullptr, &type, nullptr, &size));
  EXPECT_EQ(REG_SZ, type);
  EXPECT_EQ(4u, size);

  uint8_t small[2];
  size = sizeof small;
  EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(key, "Name", nullptr, &type, small, &size));
  EXPECT_EQ(4u, size);

  char buffer[16] = {};
  size = sizeof buffer;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "NAME", nullptr, &type,
                                            reinterpret_cast<uint8_t*>(buffer), &size));
  EXPECT_STREQ("abc", buffer);

  // Data that already end in a zero byte are kept as they are.
  ASSERT_EQ(ERROR_SUCCESS,
            RegSetValueExA(key, "Z", 0, REG_EXPAND_SZ, reinterpret_cast<const uint8_t*>("x"), 2));
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Z", nullptr, &type, nullptr, &size));
  EXPECT_EQ(2u, size);
  EXPECT_EQ(REG_EXPAND_SZ, type);
  RegCloseKey(key);
}

TEST(Registry, ReadOnlyHandleAndReadOnlyHiveRefuseWrites) {
  RegCloseKey(Create(HKEY_CURRENT_USER, "K"));
  HKEY key = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "K", 0, KEY_READ, &key));
  EXPECT_EQ(ERROR_ACCESS_DENIED, SetText(key, "v", "x"));
  RegCloseKey(key);

  RegCloseKey(Create(HKEY_LOCAL_MACHINE, "Software\\Kept"));
  registry::SetReadOnly(HKEY_LOCAL_MACHINE, true);
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\X", 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &key, nullptr));
  // A plain user is refused at the open already when asking to change the machine's keys,
  // existing or not; reading them is allowed.
  for (REGSAM access : {KEY_ALL_ACCESS, KEY_WRITE, REGSAM{0x2001F}, KEY_SET_VALUE}) {
    key = 77;
    EXPECT_EQ(ERROR_ACCESS_DENIED,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Kept", 0, access, &key))
        << access;
    EXPECT_EQ(0u, key);
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Kept", 0, nullptr,
                                                   0, access, nullptr, &key, nullptr))
        << access;
  }
  EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Kept", 0, KEY_READ, &key));
  RegCloseKey(key);
  EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Kept", 0, nullptr, 0,
                                           KEY_READ, nullptr, &key, nullptr));
  RegCloseKey(key);
  EXPECT_EQ(0u, registry::OpenHandleCount());
}

TEST(Registry, DeleteKeyWithSubkeysIsDeniedAndDeletedKeyHandleGoesStale) {
  RegCloseKey(Create(HKEY_CURRENT_USER, "A\\B\\C"));
  HKEY a = Create(HKEY_CURRENT_USER, "A");
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(a, "B"));
  HKEY b = Create(a, "B");
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(b, "C"));
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(a, "B"));
  EXPECT_EQ(ERROR_KEY_DELETED, SetText(b, "v", "x"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyA(a, "B"));
  RegCloseKey(a);
  RegCloseKey(b);
}

TEST(Registry, EnumerationEndsWithNoMoreItemsAndLongNamesNeedMoreData) {
  HKEY key = Create(HKEY_CURRENT_USER, "E");
  SetText(key, "one", "1");
  SetText(key, "two", "2");
  RegCloseKey(Create(key, "Beta"));
  RegCloseKey(Create(key, "alpha"));
  char name[255];
  DWORD length = sizeof name;
  ASSERT_EQ(ERROR_SUCCESS,
            RegEnumValueA(key, 1, name, &length, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ("two", std::string(name, length));
  length = sizeof name;
  EXPECT_EQ(ERROR_NO_MORE_ITEMS,
            RegEnumValueA(key, 2, name, &length, nullptr, nullptr, nullptr, nullptr));
  length = sizeof name;
  ASSERT_EQ(ERROR_SUCCESS,
            RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ("alpha", std::string(name, length));  // subkeys come sorted, as on Windows

  std::string longName(255, 'n');
  SetText(key, longName.c_str(), "x");
  length = sizeof name;  // no room for the terminator
  EXPECT_EQ(ERROR_MORE_DATA,
            RegEnumValueA(key, 2, name, &length, nullptr, nullptr, nullptr, nullptr));
  RegCloseKey(key);
}

TEST(Registry, InvalidHandles) {
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegFlushKey(0));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(0x4242));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegDeleteValueA(0, "x"));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_CURRENT_USER));  // predefined keys stay
}

TEST(Registry, HiveSurvivesSaveAndLoad) {
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Norvane\\Tanvelo\\Hotkeys");
  SetText(key, "Caf\xE9", std::string("line\r\nwith \x00 zero", 17));
  uint32_t number = 0xFFFFFFFE;
  RegSetValueExA(key, "n", 0, REG_DWORD, reinterpret_cast<uint8_t*>(&number), 4);
  SetText(key, "", "default");
  RegCloseKey(key);
  auto file = TempFile("tanvelo-hive-test");
  ASSERT_TRUE(registry::SaveHive(HKEY_CURRENT_USER, file));

  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Norvane\\Tanvelo\\Hotkeys");
  ASSERT_TRUE(registry::LoadHive(HKEY_CURRENT_USER, file));
  std::filesystem::remove(file);

  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\norvane\\tanvelo\\hotkeys",
                                         0, KEY_READ, &key));
  uint8_t data[32];
  DWORD type = 0, size = sizeof data;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "CAF\xC9", nullptr, &type, data, &size));
  EXPECT_EQ(std::string("line\r\nwith \x00 zero", 17) + '\0',
            std::string(reinterpret_cast<char*>(data), size));
  size = sizeof data;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "n", nullptr, &type, data, &size));
  EXPECT_EQ(REG_DWORD, type);
  EXPECT_EQ(0, std::memcmp(data, &number, 4));
  size = sizeof data;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, nullptr, nullptr, &type, data, &size));
  RegCloseKey(key);
  EXPECT_FALSE(registry::LoadHive(HKEY_CURRENT_USER, file + ".missing"));
}

TEST(Registry, NamesFoldCaseForEveryLetterOfTheAnsiCodePage) {
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\\x8A\x8C\x8E\x9F\xC9");
  ASSERT_EQ(ERROR_SUCCESS, SetText(key, "\x8A\x8C\x8E\x9F\xC0\xDE", "upper"));
  ASSERT_EQ(ERROR_SUCCESS, SetText(key, "\x9A\x9C\x9E\xFF\xE0\xFE", "lower"));
  char one[16];
  DWORD size = sizeof one;
  EXPECT_EQ(ERROR_NO_MORE_ITEMS,  // one value, written twice
            RegEnumValueA(key, 1, one, &size, nullptr, nullptr, nullptr, nullptr));
  char data[16] = {};
  DWORD type = 0, dataSize = sizeof data;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "\x8A\x9C\x8E\xFF\xC0\xFE", nullptr, &type,
                                            reinterpret_cast<uint8_t*>(data), &dataSize));
  EXPECT_STREQ("lower", data);
  RegCloseKey(key);
  HKEY again = 0;
  EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\\x9A\x9C\x9E\xFF\xE9", 0,
                                         KEY_READ, &again));
  RegCloseKey(again);
  // The multiplication sign and the division sign are no letters.
  key = Create(HKEY_CURRENT_USER, "Software\\Signs");
  SetText(key, "\xD7", "times");
  SetText(key, "\xF7", "divided");
  DWORD nameSize = 8;
  char name[8];
  EXPECT_EQ(ERROR_SUCCESS,
            RegEnumValueA(key, 1, name, &nameSize, nullptr, nullptr, nullptr, nullptr));
  RegCloseKey(key);
}

TEST(Registry, AHiveFileNoRegistryCouldHoldIsRefusedAndTheHiveKept) {
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Kept");
  RegCloseKey(key);
  // Two values one lookup cannot tell apart.
  EXPECT_FALSE(LoadLines("K 41\nV 4E 1 00\nV 6E 1 00\n"));
  EXPECT_FALSE(LoadLines("K 41\nV 8A 1 00\nV 9A 1 00\n"));
  EXPECT_TRUE(LoadLines("K 41\nV 4E 1 00\nK 42\nV 6E 1 00\n"));  // in two keys: fine
  key = Create(HKEY_CURRENT_USER, "Software\\Kept");
  RegCloseKey(key);
  // Nested deeper than Windows allows: refused, not a stack overflow.
  std::string deep;
  for (int i = 0; i < 50000; ++i) deep += "415C";  // "A\\" again and again
  EXPECT_FALSE(LoadLines("K " + deep + "\n"));
  HKEY still = 0;
  EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Kept", 0, KEY_READ, &still));
  RegCloseKey(still);
  std::string fine;
  for (int i = 0; i < 500; ++i) fine += "415C";
  EXPECT_TRUE(LoadLines("K " + fine + "\n"));
}

TEST(Registry, ASavedHiveCutShortOrDamagedAnywhereIsRefusedAndTheHiveKept) {
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Norvane\\Tanvelo");
  SetText(key, "TemplatesFolder", "Tanvelo Templates");
  SetText(key, "DefaultTemplateID", "00AB");
  RegCloseKey(key);
  auto file = TempFile("tanvelo-hive-cut");
  ASSERT_TRUE(registry::SaveHive(HKEY_CURRENT_USER, file));
  std::string whole;
  {
    std::ifstream in(file, std::ios::binary);
    whole.assign(std::istreambuf_iterator<char>(in), {});
  }
  auto loads = [&](const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    return registry::LoadHive(HKEY_CURRENT_USER, file);
  };
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Norvane\\Tanvelo");
  key = Create(HKEY_CURRENT_USER, "Software\\Meanwhile");
  RegCloseKey(key);
  for (size_t cut = 0; cut < whole.size(); ++cut) EXPECT_FALSE(loads(whole.substr(0, cut))) << cut;
  for (size_t at : {whole.find("K "), whole.find("V ") + 3, whole.size() - 5}) {
    std::string damaged = whole;
    damaged[at] = damaged[at] == '0' ? '1' : '0';
    EXPECT_FALSE(loads(damaged)) << at;
  }
  HKEY still = 0;
  EXPECT_EQ(ERROR_SUCCESS,
            RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Meanwhile", 0, KEY_READ, &still));
  RegCloseKey(still);
  uint64_t before = registry::ChangeCount();
  EXPECT_TRUE(loads(whole));
  EXPECT_NE(before, registry::ChangeCount());
  std::filesystem::remove(file);
}

TEST(Registry, TheChangeCountMovesWithEveryWriteAndNoRead) {
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Counted");
  uint64_t made = registry::ChangeCount();
  HKEY again = Create(HKEY_CURRENT_USER, "Software\\Counted");  // opened, not made
  RegCloseKey(again);
  char data[16];
  DWORD size = sizeof data;
  RegQueryValueExA(key, "x", nullptr, nullptr, reinterpret_cast<uint8_t*>(data), &size);
  EXPECT_EQ(made, registry::ChangeCount());
  SetText(key, "x", "1");
  EXPECT_EQ(made + 1, registry::ChangeCount());
  // Written again as it stands: no change, and nothing for a keeper to write.
  uint64_t keeper = registry::KeepChanges(HKEY_CURRENT_USER, false);
  SetText(key, "x", "1");
  EXPECT_EQ(made + 1, registry::ChangeCount());
  EXPECT_TRUE(registry::TakeChanges(HKEY_CURRENT_USER).Empty());
  EXPECT_TRUE(registry::ChangesKept(HKEY_CURRENT_USER, keeper));
  RegDeleteValueA(key, "x");
  EXPECT_EQ(made + 2, registry::ChangeCount());
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueA(key, "x"));
  EXPECT_EQ(made + 2, registry::ChangeCount());
  RegCloseKey(key);
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Counted");
  EXPECT_EQ(made + 3, registry::ChangeCount());
}

// What the file says is what loads, or nothing does: a value is never read as another one.
TEST(Registry, AHiveLineTheLoaderCannotHoldIsRefusedByItsNumber) {
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Kept");
  RegCloseKey(key);
  struct Case {
    const char* what;
    std::string lines;
    const char* error;
  } cases[] = {
      {"odd-length hex", "K 41\nV 4E 4 0102030\n", "line 3: malformed hex"},
      {"a letter no hex digit", "K 41\nV 4E 4 0G\n", "line 3: malformed hex"},
      {"a signed byte", "K 41\nV 4E 4 -1\n", "line 3: malformed hex"},
      {"empty data written as nothing", "K 41\nV 4E 4 \n", "line 3: malformed hex"},
      {"a key name in odd hex", "K 415\n", "line 2: malformed hex"},
      {"an unknown type", "\nK 41\nV 4E 12 00\n", "line 4: an unknown value type"},
      {"a type with letters after it", "K 41\nV 4E 4x 00\n", "line 3: an unknown value type"},
      {"a negative type", "K 41\nV 4E -1 00\n", "line 3: an unknown value type"},
      {"a NUL in a value name", "K 41\nV 4E00 1 00\n", "line 3: a NUL in a value name"},
      {"a NUL in a key name", "K 4100\n", "line 2: a NUL in a key name"},
      {"a field too many", "K 41\nV 4E 1 00 00\n", "line 3: not a key or value line"},
      {"fields apart by two spaces", "K  41\n", "line 2: not a key or value line"},
      {"a key named in two cases", "K 41\nK 61\n", "line 3: a key named twice in different case"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(LoadLines(c.lines, &error)) << c.what;
    EXPECT_NE(error.find(c.error), std::string::npos) << c.what << ": " << error;
  }
  HKEY still = 0;
  EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Kept", 0, KEY_READ, &still));
  RegCloseKey(still);

  // Every type Windows knows, lower-case hex and an empty value load as written.
  std::string error = "stale";
  ASSERT_TRUE(LoadLines("K 41\nV - 11 0102030405060708\nV 4E 0 -\nV 6D 3 ab\n", &error));
  EXPECT_EQ(error, "");
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "A", 0, KEY_READ, &key));
  uint8_t data[16];
  DWORD type = 0, size = sizeof data;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "m", nullptr, &type, data, &size));
  EXPECT_EQ(REG_BINARY, type);
  EXPECT_EQ(1u, size);
  EXPECT_EQ(0xAB, data[0]);
  size = sizeof data;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "", nullptr, &type, data, &size));
  EXPECT_EQ(11u, type);
  EXPECT_EQ(8u, size);
  RegCloseKey(key);
}
