// A save that fails at any step of SQLite's I/O (a read, a write, a sync, a cut; at COMMIT too)
// leaves the store as the save before left it, mail and registry alike, and the next save
// writes the same changes whole.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "host/ProfileStore.h"
#include "host/ScriptReader.h"
#include "platform/outlook/Outlook.h"
#include "platform/win32/Files.h"
#include "platform/win32/Registry.h"
#include "platform/win32/Reset.h"
#include "tests/host/FaultyVfs.h"
#include "tests/host/OlderProfile.h"

namespace {

int64_t Count(const std::filesystem::path& store, const char* sql) {
  sqlite3* db = nullptr;
  int64_t n = -1;
  if (sqlite3_open_v2(store.string().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW)
      n = sqlite3_column_int64(s, 0);
    sqlite3_finalize(s);
  }
  sqlite3_close(db);
  return n;
}

void SetValue(const char* name, const std::string& data) {
  win32::HKEY h = 0;
  ASSERT_EQ(0, win32::RegCreateKeyExA(win32::HKEY_CURRENT_USER, "Software\\Kept", 0, nullptr, 0,
                                      win32::KEY_ALL_ACCESS, nullptr, &h, nullptr));
  win32::RegSetValueExA(h, name, 0, win32::REG_SZ, reinterpret_cast<const uint8_t*>(data.data()),
                        static_cast<win32::DWORD>(data.size()));
  win32::RegCloseKey(h);
}

std::string Value(const char* name) {
  char data[64] = {};
  win32::DWORD size = sizeof data - 1;
  win32::HKEY h = 0;
  if (win32::RegOpenKeyExA(win32::HKEY_CURRENT_USER, "Software\\Kept", 0, win32::KEY_READ, &h))
    return "(no key)";
  auto rc =
      win32::RegQueryValueExA(h, name, nullptr, nullptr, reinterpret_cast<uint8_t*>(data), &size);
  win32::RegCloseKey(h);
  return rc ? "(none)" : std::string(data);
}

std::string Bytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The stores opened in its scope go through the VFS named (a failed check cannot leave it
// set for the tests after).
struct StoreVfs {
  explicit StoreVfs(const char* name) { host::SetProfileStoreVfs(name); }
  ~StoreVfs() { host::SetProfileStoreVfs(nullptr); }
};

struct VfsScope {
  VfsScope() {
    faulty::Install();
    host::SetProfileStoreVfs(faulty::kName);
  }
  ~VfsScope() {
    faulty::countdown = 0;
    host::SetProfileStoreVfs(nullptr);
  }
};

TEST(ProfileStoreFaults, AFailedSaveAtAnyStepWritesNothingAndTheNextSaveWritesItAll) {
  win32::files::TempSandbox sandbox;
  VfsScope scope;
  auto base = sandbox.Path() / "base";
  {
    win32::ResetPlatform();
    auto p = outlook::BuildProfile();
    host::ProfileStore store(base);
    ASSERT_TRUE(store.Load(p));
    SetValue("Gone", "soon");
    std::wstring error;
    ASSERT_TRUE(store.Save(p, error));
  }
  const auto items = "SELECT count(*) FROM items";
  const auto marks = "SELECT count(*) FROM reg_values WHERE name = CAST('Mark' AS BLOB)";
  const int64_t itemsBefore = Count(base / "store.sqlite", items);
  int failed = 0;
  for (int step = 1;; ++step) {
    auto dir = sandbox.Path() / ("step" + std::to_string(step));
    std::filesystem::copy(base, dir);
    win32::ResetPlatform();
    auto p = outlook::BuildProfile();
    auto kept = std::make_unique<host::ProfileStore>(dir);
    host::ProfileStore& store = *kept;
    ASSERT_TRUE(store.Load(p)) << host::Utf8(store.Error());
    // One command's changes: a mail filed, another changed, a folder made, registry values set
    // and deleted.
    auto mail = p.inbox->Items()->Add(outlook::olMailItem);
    mail->SetSubject(L"Filed at step " + std::to_wstring(step));
    mail->Save();
    auto first = p.inbox->Items()->Item(1);
    first->SetSubject(L"Changed");
    first->Save();
    p.root->Folders()->Add(L"Made");
    SetValue("Mark", std::to_string(step));
    win32::HKEY h = 0;
    ASSERT_EQ(0, win32::RegOpenKeyExA(win32::HKEY_CURRENT_USER, "Software\\Kept", 0,
                                      win32::KEY_ALL_ACCESS, &h));
    win32::RegDeleteValueA(h, "Gone");
    win32::RegCloseKey(h);
    faulty::countdown = step;
    std::wstring error;
    bool saved = store.Save(p, error);
    bool struck = faulty::countdown == 0;
    faulty::countdown = 0;
    ASSERT_EQ(saved, !struck) << "step " << step << ": " << host::Utf8(error);
    if (!saved) {
      ++failed;
      EXPECT_NE(std::wstring::npos, error.find(L"store.sqlite"));
      // Neither the mail nor the registry of the failed save is in the store.
      EXPECT_EQ(itemsBefore, Count(dir / "store.sqlite", items)) << "step " << step;
      EXPECT_EQ(0, Count(dir / "store.sqlite", marks)) << "step " << step;
      ASSERT_TRUE(store.Save(p, error)) << "step " << step << ": " << host::Utf8(error);
    }
    EXPECT_EQ(itemsBefore + 1, Count(dir / "store.sqlite", items)) << "step " << step;
    EXPECT_EQ(1, Count(dir / "store.sqlite", marks)) << "step " << step;
    kept.reset();
    win32::ResetPlatform();
    auto again = outlook::BuildProfile();
    host::ProfileStore reopened(dir);
    ASSERT_TRUE(reopened.Load(again)) << host::Utf8(reopened.Error());
    EXPECT_EQ(std::to_string(step), Value("Mark")) << "step " << step;
    EXPECT_EQ("(none)", Value("Gone")) << "step " << step;
    int found = 0;
    for (int32_t i = 1; i <= again.inbox->Items()->Count(); ++i) {
      auto subject = again.inbox->Items()->Item(i)->Subject();
      found += subject == L"Filed at step " + std::to_wstring(step) || subject == L"Changed";
    }
    EXPECT_EQ(2, found) << "step " << step;
    bool made = false;
    for (int32_t i = 1; i <= again.root->Folders()->Count(); ++i)
      made = made || again.root->Folders()->Item(i)->Name() == L"Made";
    EXPECT_TRUE(made) << "step " << step;
    if (saved) break;
  }
  // Every step of the save was tried: reads and writes of the store and of its log.
  EXPECT_GT(failed, 5);
}

// The older form's registry file taken over into the store: a failure at any step of that
// write leaves the file as it was, says which store failed, and the next start takes it over.
TEST(ProfileStoreFaults, ATakeOverThatFailsAtAnyStepIsDoneWholeByTheNextStart) {
  win32::files::TempSandbox sandbox;
  VfsScope scope;
  auto base = sandbox.Path() / "base";
  {
    win32::ResetPlatform();
    auto p = outlook::BuildProfile();
    {
      host::ProfileStore store(base);
      ASSERT_TRUE(store.Load(p));
      SetValue("Mark", "older");
      std::wstring error;
      ASSERT_TRUE(store.Save(p, error));
    }
    ASSERT_TRUE(olderprofile::MakeOlderForm(base));
  }
  int failed = 0, failedWrites = 0;
  for (int step = 1;; ++step) {
    auto dir = sandbox.Path() / ("step" + std::to_string(step));
    std::filesystem::copy(base, dir);
    bool loaded = false, wrote = false;
    {
      win32::ResetPlatform();
      auto p = outlook::BuildProfile();
      host::ProfileStore store(dir);
      ASSERT_TRUE(store.Ok()) << host::Utf8(store.Error());
      faulty::countdown = step;
      loaded = store.Load(p);
      bool struck = faulty::countdown == 0;
      faulty::countdown = 0;
      ASSERT_EQ(loaded, !struck) << "step " << step << ": " << host::Utf8(store.Error());
      if (!loaded) {
        ++failed;
        // The take-over's write, or the reading of the mail after it.
        wrote = store.Error().find(L"cannot write the mail store") != std::wstring::npos;
        EXPECT_TRUE(wrote ||
                    store.Error().find(L"cannot read the mail store") != std::wstring::npos)
            << host::Utf8(store.Error());
        EXPECT_NE(std::wstring::npos, store.Error().find(L"store.sqlite"))
            << host::Utf8(store.Error());
      }
    }
    // A take-over whose write failed left the store as it was: the older program still takes it.
    if (wrote) {
      ++failedWrites;
      EXPECT_TRUE(Bytes(base / "store.sqlite") == Bytes(dir / "store.sqlite")) << "step " << step;
    }
    std::ifstream before(base / "registry.hive", std::ios::binary),
        after(dir / "registry.hive", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(before), {}),
              std::string(std::istreambuf_iterator<char>(after), {}));
    // Whether it failed or not, the next start finds the registry (and its file no more read).
    std::filesystem::remove(dir / "registry.hive");
    if (!loaded) std::filesystem::copy(base / "registry.hive", dir / "registry.hive");
    win32::ResetPlatform();
    auto p = outlook::BuildProfile();
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Load(p)) << "step " << step << ": " << host::Utf8(store.Error());
    EXPECT_EQ("older", Value("Mark")) << "step " << step;
    if (loaded) break;
  }
  EXPECT_GT(failed, 2);
  EXPECT_GT(failedWrites, 2);
}

// The first save of a new profile writes the registry whole; failing at any step, the next
// save still writes it whole, so the next start finds it.
TEST(ProfileStoreFaults, AFirstSaveThatFailsLeavesTheWholeRegistryToTheNext) {
  win32::files::TempSandbox sandbox;
  VfsScope scope;
  int failed = 0;
  for (int step = 1;; ++step) {
    auto dir = sandbox.Path() / ("step" + std::to_string(step));
    bool saved = false;
    {
      win32::ResetPlatform();
      auto p = outlook::BuildProfile();
      host::ProfileStore store(dir);
      ASSERT_TRUE(store.Load(p)) << host::Utf8(store.Error());
      SetValue("Mark", "first");
      faulty::countdown = step;
      std::wstring error;
      saved = store.Save(p, error);
      faulty::countdown = 0;
      if (!saved) {
        ++failed;
        ASSERT_TRUE(store.Save(p, error)) << "step " << step << ": " << host::Utf8(error);
      }
    }
    win32::ResetPlatform();
    auto p = outlook::BuildProfile();
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Load(p)) << "step " << step << ": " << host::Utf8(store.Error());
    EXPECT_EQ("first", Value("Mark")) << "step " << step;
    if (saved) break;
  }
  EXPECT_GT(failed, 2);
}

// A disk that takes no write: a store that cannot be made says so; a kept profile still opens
// and is read, and a session that changes nothing (a value written again as it stands) needs
// no write.
int NoWrite(int ioError) {
  if (ioError == SQLITE_IOERR_READ) return SQLITE_OK;
  // The log's shared memory that cannot grow, as the disk's own layer tells it.
  return ioError == SQLITE_IOERR_SHMSIZE ? ioError : SQLITE_FULL;
}

TEST(ProfileStoreFaults, ADiskThatTakesNoWriteStillOpensAProfileToBeRead) {
  win32::files::TempSandbox sandbox;
  auto dir = sandbox.Path() / "kept";
  {
    win32::ResetPlatform();
    auto p = outlook::BuildProfile();
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Load(p));
    SetValue("Mark", "kept");
    std::wstring error;
    ASSERT_TRUE(store.Save(p, error));
  }
  std::string before = Bytes(dir / "store.sqlite");
  {
    StoreVfs full(host::RegisterFaultingVfs("tanvelo-test-full", NoWrite));
    host::ProfileStore made(sandbox.Path() / "new");
    EXPECT_FALSE(made.Ok());
    EXPECT_NE(std::wstring::npos, made.Error().find(L"cannot make the mail store"))
        << host::Utf8(made.Error());
    win32::ResetPlatform();
    auto p = outlook::BuildProfile();
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Ok()) << host::Utf8(store.Error());
    EXPECT_EQ(L"there is no space left on the disk", store.ReadOnlyCause());
    ASSERT_TRUE(store.Load(p)) << host::Utf8(store.Error());
    EXPECT_EQ("kept", Value("Mark"));
    SetValue("Mark", "kept");
    (void)p.inbox->Items()->Item(1)->Subject();
    std::wstring error;
    EXPECT_TRUE(store.Save(p, error)) << host::Utf8(error);
    EXPECT_EQ(0, store.Commits());
    // A change is refused, and told as a write for want of space, never as damage.
    SetValue("Mark", "changed");
    EXPECT_FALSE(store.Save(p, error));
    EXPECT_NE(std::wstring::npos, error.find(L"store.sqlite")) << host::Utf8(error);
    EXPECT_NE(std::wstring::npos, error.find(L"no space left")) << host::Utf8(error);
    EXPECT_EQ(std::wstring::npos, error.find(L"damaged")) << host::Utf8(error);
  }
  EXPECT_EQ(before, Bytes(dir / "store.sqlite"));
}

// A disk that fails every read after the first (the header's, as the store is opened) is told
// as such: the store is not called damaged for it.
int readsLeft = 0;
int NoRead(int ioError) {
  return ioError == SQLITE_IOERR_READ && readsLeft-- <= 0 ? ioError : SQLITE_OK;
}

TEST(ProfileStoreFaults, AReadTheDiskFailsIsToldAsSuchNotAsDamage) {
  win32::files::TempSandbox sandbox;
  auto dir = sandbox.Path() / "kept";
  {
    win32::ResetPlatform();
    auto p = outlook::BuildProfile();
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Load(p));
    std::wstring error;
    ASSERT_TRUE(store.Save(p, error));
  }
  std::string before = Bytes(dir / "store.sqlite");
  {
    StoreVfs failing(host::RegisterFaultingVfs("tanvelo-test-no-read", NoRead));
    readsLeft = 1;
    host::ProfileStore store(dir);
    EXPECT_FALSE(store.Ok());
    EXPECT_NE(std::wstring::npos, store.Error().find(L"disk I/O error"))
        << host::Utf8(store.Error());
    EXPECT_EQ(std::wstring::npos, store.Error().find(L"damaged")) << host::Utf8(store.Error());
  }
  EXPECT_EQ(before, Bytes(dir / "store.sqlite"));
}

// A profile folder that takes no write (the user may read it, not write it): the profile opens
// to be read, says why, and a change fails at its save naming the missing permission. Run as
// another user in a child process, since this one may write anywhere.
TEST(ProfileStoreFaults, AFolderThatTakesNoWriteOpensItsProfileToBeRead) {
  win32::files::TempSandbox sandbox;
  auto dir = sandbox.Path() / "kept";
  {
    win32::ResetPlatform();
    auto p = outlook::BuildProfile();
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Load(p));
    SetValue("Mark", "kept");
    std::wstring error;
    ASSERT_TRUE(store.Save(p, error));
  }
  std::filesystem::remove(dir / "lock");  // a folder copied without it
  std::string before = Bytes(dir / "store.sqlite");
  namespace fs = std::filesystem;
  fs::permissions(sandbox.Path(),
                  fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
  fs::permissions(dir, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // 10: could not become another user; 20 on: what went wrong.
    if (::setgid(65534) != 0 || ::setuid(65534) != 0 || ::access(dir.c_str(), W_OK) == 0)
      ::_exit(10);
    win32::ResetPlatform();
    auto p = outlook::BuildProfile();
    host::ProfileStore store(dir);
    if (!store.Ok()) ::_exit(20);
    if (store.ReadOnlyCause() != L"there is no permission to write in the profile folder")
      ::_exit(21);
    if (!store.Load(p)) ::_exit(22);
    if (Value("Mark") != "kept") ::_exit(23);
    std::wstring error;
    if (!store.Save(p, error)) ::_exit(24);
    SetValue("Mark", "changed");
    if (store.Save(p, error)) ::_exit(25);
    if (error.find(L"no permission to write") == std::wstring::npos ||
        error.find(L"damaged") != std::wstring::npos)
      ::_exit(26);
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(child, ::waitpid(child, &status, 0));
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 10) GTEST_SKIP() << "no other user to run as";
  EXPECT_EQ(0, WEXITSTATUS(status));
  EXPECT_EQ(before, Bytes(dir / "store.sqlite"));
}

// A store of the older form is made this version's, in write-ahead mode, in the transaction
// that first writes it: at its take-over when its registry file lies beside it, else at the
// first save; either way a later start on a full disk needs no write to read it.
TEST(ProfileStoreFaults, AnOlderStoreIsMadeThisVersionsByTheWriteThatTakesItOver) {
  for (bool withFile : {true, false}) {
    SCOPED_TRACE(withFile ? "with its registry file" : "without its registry file");
    win32::files::TempSandbox sandbox;
    auto dir = sandbox.Path() / "kept";
    {
      win32::ResetPlatform();
      auto p = outlook::BuildProfile();
      host::ProfileStore store(dir);
      ASSERT_TRUE(store.Load(p));
      SetValue("Mark", "kept");
      std::wstring error;
      ASSERT_TRUE(store.Save(p, error));
    }
    ASSERT_TRUE(olderprofile::MakeOlderForm(dir));
    if (!withFile) std::filesystem::remove(dir / "registry.hive");
    {
      // The older program kept its store with a rollback journal.
      sqlite3* db = nullptr;
      ASSERT_EQ(SQLITE_OK, sqlite3_open((dir / "store.sqlite").string().c_str(), &db));
      EXPECT_EQ(SQLITE_OK,
                sqlite3_exec(db, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr));
      sqlite3_close(db);
      ASSERT_EQ(1, Bytes(dir / "store.sqlite")[18]);
    }
    {
      win32::ResetPlatform();
      auto p = outlook::BuildProfile();
      host::ProfileStore store(dir);
      ASSERT_TRUE(store.Load(p)) << host::Utf8(store.Error());
      SetValue("Mark", "again");
      std::wstring error;
      ASSERT_TRUE(store.Save(p, error)) << host::Utf8(error);
    }
    const auto store = dir / "store.sqlite";
    EXPECT_EQ(2, Count(store, "SELECT value FROM meta WHERE key = 'version'"));
    EXPECT_EQ(1, Count(store, "SELECT count(*) FROM reg_values WHERE name = CAST('Mark' AS BLOB)"));
    // Bytes 18 and 19 of the header say write-ahead mode.
    std::string header = Bytes(store).substr(0, 20);
    EXPECT_EQ(2, header[18]);
    EXPECT_EQ(2, header[19]);
    StoreVfs noRoom(host::RegisterFaultingVfs("tanvelo-test-full", NoWrite));
    win32::ResetPlatform();
    auto p = outlook::BuildProfile();
    host::ProfileStore full(dir);
    EXPECT_TRUE(full.Ok()) << host::Utf8(full.Error());
    EXPECT_TRUE(full.Load(p)) << host::Utf8(full.Error());
    EXPECT_EQ("again", Value("Mark"));
  }
}

// A profile kept in `dir` with the registry value Mark "kept".
void KeepProfile(const std::filesystem::path& dir) {
  win32::ResetPlatform();
  auto p = outlook::BuildProfile();
  host::ProfileStore store(dir);
  ASSERT_TRUE(store.Load(p)) << host::Utf8(store.Error());
  SetValue("Mark", "kept");
  std::wstring error;
  ASSERT_TRUE(store.Save(p, error)) << host::Utf8(error);
}

void Sql(const std::filesystem::path& store, const char* sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open(store.string().c_str(), &db));
  EXPECT_EQ(SQLITE_OK, sqlite3_exec(db, sql, nullptr, nullptr, nullptr)) << sqlite3_errmsg(db);
  sqlite3_close(db);
}

int folderError = 0;
int FolderRefuses(const std::filesystem::path&) {
  return folderError;
}

// The folder's write check answering as the case's disk does, for the stores opened in scope.
struct FolderCheck {
  explicit FolderCheck(int err) {
    folderError = err;
    if (err) host::SetProfileFolderWriteCheck(FolderRefuses);
  }
  ~FolderCheck() { host::SetProfileFolderWriteCheck(nullptr); }
};

// Each way a disk takes no write, with each form of store it may hold: the profile opens to
// be read (or, when nothing can be read, fails) with the cause in the user's words, never
// SQLite's.
TEST(ProfileStoreFaults, ADiskThatTakesNoWriteOpensWhatItHoldsToBeReadAndTellsWhy) {
  enum Form { kKept, kNoIndexes, kOlder, kEmptyFile };
  struct Case {
    const char* name;
    const char* folder;
    Form form;
    int folderErr;        // the folder's write check (0: it takes writes)
    bool fullDisk;        // every write answered SQLITE_FULL
    bool opens;           // Ok() after the open
    const wchar_t* said;  // the read-only cause, or what the open's or the load's error holds
    bool loads;           // Load reads the kept value
  };
  const Case cases[] = {
      {"a read-only disk", "kept", kKept, EROFS, false, true, L"the disk is read-only", true},
      {"a closed folder holding its lock file", "kept", kKept, EACCES, false, true,
       L"there is no permission to write in the profile folder", true},
      {"a path an URI would misread", "a#b?c%41", kKept, EROFS, false, true,
       L"the disk is read-only", true},
      {"a full disk, indexes missing", "kept", kNoIndexes, 0, true, true,
       L"there is no space left on the disk", true},
      {"a closed folder, indexes missing", "kept", kNoIndexes, EACCES, false, true,
       L"there is no permission to write in the profile folder", true},
      {"a full disk, an empty store", "kept", kEmptyFile, 0, true, false,
       L"cannot make the mail store", false},
      // Its take-over cannot be written: the load is refused, naming why.
      {"a closed folder, the older form", "kept", kOlder, EACCES, false, true,
       L"there is no permission to write in the profile folder", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    win32::files::TempSandbox sandbox;
    auto dir = sandbox.Path() / c.folder;
    const auto store = dir / "store.sqlite";
    if (c.form == kEmptyFile) {
      std::filesystem::create_directories(dir);
      std::ofstream(store).flush();
    } else {
      KeepProfile(dir);
    }
    if (c.form == kNoIndexes) Sql(store, "DROP INDEX props_item; DROP INDEX user_props_item");
    if (c.form == kOlder) {
      ASSERT_TRUE(olderprofile::MakeOlderForm(dir));
      Sql(store, "PRAGMA journal_mode=DELETE");
    }
    std::string before = Bytes(store);
    {
      FolderCheck check(c.folderErr);
      StoreVfs vfs(c.fullDisk ? host::RegisterFaultingVfs("tanvelo-test-full", NoWrite) : nullptr);
      win32::ResetPlatform();
      auto p = outlook::BuildProfile();
      host::ProfileStore opened(dir);
      ASSERT_EQ(c.opens, opened.Ok()) << host::Utf8(opened.Error());
      if (!c.opens) {
        EXPECT_NE(std::wstring::npos, opened.Error().find(c.said)) << host::Utf8(opened.Error());
        EXPECT_NE(std::wstring::npos, opened.Error().find(L"there is no space left on the disk"))
            << host::Utf8(opened.Error());
        continue;
      }
      EXPECT_EQ(c.said, opened.ReadOnlyCause());
      EXPECT_EQ(c.loads, opened.Load(p)) << host::Utf8(opened.Error());
      if (c.loads) {
        EXPECT_EQ("kept", Value("Mark"));
      } else {
        EXPECT_NE(std::wstring::npos, opened.Error().find(c.said)) << host::Utf8(opened.Error());
      }
    }
    EXPECT_EQ(before, Bytes(store));
  }
}

// A save the disk refuses says why in the user's words, beside SQLite's vaguer ones.
bool full = false;
int FullOnceArmed(int ioError) {
  if (!full || ioError == SQLITE_IOERR_READ) return SQLITE_OK;
  return ioError == SQLITE_IOERR_SHMSIZE ? ioError : SQLITE_FULL;
}

TEST(ProfileStoreFaults, ASaveTheDiskRefusesForWantOfSpaceSaysSo) {
  win32::files::TempSandbox sandbox;
  auto dir = sandbox.Path() / "kept";
  KeepProfile(dir);
  StoreVfs vfs(host::RegisterFaultingVfs("tanvelo-test-full-later", FullOnceArmed));
  win32::ResetPlatform();
  auto p = outlook::BuildProfile();
  host::ProfileStore store(dir);
  ASSERT_TRUE(store.Load(p)) << host::Utf8(store.Error());
  EXPECT_TRUE(store.ReadOnlyCause().empty());
  SetValue("Mark", "changed");
  full = true;
  std::wstring error;
  EXPECT_FALSE(store.Save(p, error));
  full = false;
  EXPECT_NE(std::wstring::npos, error.find(L"(there is no space left on the disk)"))
      << host::Utf8(error);
}

}  // namespace
