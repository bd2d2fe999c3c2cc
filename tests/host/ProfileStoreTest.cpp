// The profile kept on disk: what a user made comes back in the next run exactly (folders,
// EntryIDs the options point at, bodies, attachments with their inline marks, user properties,
// the registry); files it cannot read are reported with their path and left untouched.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>

#include "core/CWinReg.h"
#include "host/ProfileStore.h"
#include "host/ScriptReader.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/Persist.h"
#include "platform/win32/Files.h"
#include "platform/win32/Registry.h"
#include "platform/win32/RegistryChanges.h"
#include "platform/win32/Reset.h"
#include "tests/host/OlderProfile.h"

namespace {

class ProfileStoreTest : public testing::Test {
 protected:
  void SetUp() override { dir = sandbox.Path() / "profile"; }
  static std::string Bytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // A new process: the platform as new, the demo profile built again.
  static outlook::Profile NewRun() {
    win32::ResetPlatform();
    return outlook::BuildProfile();
  }
  // Every file of a folder, by name, as bytes.
  static std::map<std::string, std::string> Files(const std::filesystem::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
      files[entry.path().filename().string()] = Bytes(entry.path());
    return files;
  }
  // The names of the files that differ between two looks at a folder (none: "").
  static std::string Differing(const std::map<std::string, std::string>& a,
                               const std::map<std::string, std::string>& b) {
    std::string names;
    for (const auto* side : {&a, &b})
      for (const auto& [name, bytes] : *side) {
        const auto& other = side == &a ? b : a;
        auto there = other.find(name);
        if ((there == other.end() || there->second != bytes) &&
            names.find(name + " ") == std::string::npos)
          names += name + " ";
      }
    return names;
  }
  win32::files::TempSandbox sandbox;
  std::filesystem::path dir;
};

std::shared_ptr<outlook::Item> Find(const std::shared_ptr<outlook::MAPIFolder>& folder,
                                    const std::wstring& subject) {
  for (int32_t i = 1; i <= folder->Items()->Count(); ++i)
    if (folder->Items()->Item(i)->Subject() == subject) return folder->Items()->Item(i);
  return nullptr;
}

void Exec(const std::filesystem::path& store, const char* sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open(store.string().c_str(), &db));
  char* message = nullptr;
  EXPECT_EQ(SQLITE_OK, sqlite3_exec(db, sql, nullptr, nullptr, &message)) << message;
  sqlite3_free(message);
  sqlite3_close(db);
}

void MakeOlderForm(const std::filesystem::path& dir) {
  ASSERT_TRUE(olderprofile::MakeOlderForm(dir));
}

TEST_F(ProfileStoreTest, WhatTheUserMadeComesBackInTheNextRun) {
  std::wstring templateId, folderId;
  {
    auto p = NewRun();
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Ok()) << host::Utf8(store.Error());
    EXPECT_FALSE(store.HasProfile());
    ASSERT_TRUE(store.Load(p));  // a new folder keeps the demo profile
    auto sales = p.root->Folders()->Add(L"Tanvelo Templates")->Folders()->Add(L"Sales");
    folderId = sales->EntryID();
    auto tmpl = sales->Items()->Add(outlook::olMailItem);
    tmpl->SetSubject(L"Price list \u20AC");
    tmpl->SetBodyFormat(outlook::olFormatHTML);
    tmpl->SetHTMLBody(L"<html><body>Dear %FirstName%<img src=\"cid:logo\"></body></html>");
    auto pic = tmpl->Attachments()->AddData(L"logo.png", {1, 2, 3, 0, 255});
    pic->SetFields(outlook::PR_ATTACH_CONTENT_ID, std::wstring(L"logo"));
    tmpl->Recipients()->Add(L"Kim Roe")->SetType(outlook::olCC);
    tmpl->UserProperties()->Add(L"Norvane.Tanvelo.SendMode")->SetValue(L"2");
    tmpl->SetMileage(L"1");
    tmpl->Save();
    templateId = tmpl->EntryID();
    p.plainMail->Delete();
    CWinReg key;
    ASSERT_TRUE(key.InitForWrite(CWinReg::HKEY_CURRENT_USER, L"Software\\Norvane\\Tanvelo", true));
    key.SetStringValue(L"DefaultTemplateID", templateId);
    key.CloseKey();
    std::wstring error;
    ASSERT_TRUE(store.Save(p, error)) << host::Utf8(error);
  }
  auto p = NewRun();
  host::ProfileStore store(dir);
  ASSERT_TRUE(store.Ok()) << host::Utf8(store.Error());
  EXPECT_TRUE(store.HasProfile());
  ASSERT_TRUE(store.Load(p)) << host::Utf8(store.Error());
  auto sales = p.session->GetFolderFromID(folderId);
  ASSERT_TRUE(sales);
  EXPECT_EQ(L"Tanvelo Templates", sales->ParentFolder()->Name());
  auto tmpl = p.session->GetItemFromID(templateId);
  ASSERT_TRUE(tmpl);
  EXPECT_EQ(L"Price list \u20AC", tmpl->Subject());
  EXPECT_EQ(outlook::olFormatHTML, tmpl->BodyFormat());
  EXPECT_NE(std::wstring::npos, tmpl->HTMLBody().find(L"Dear %FirstName%"));
  ASSERT_EQ(1, tmpl->Attachments()->Count());
  auto pic = tmpl->Attachments()->Item(1);
  EXPECT_EQ((std::vector<uint8_t>{1, 2, 3, 0, 255}), pic->Data());
  EXPECT_EQ(outlook::PropValue(std::wstring(L"logo")), pic->Fields(outlook::PR_ATTACH_CONTENT_ID));
  EXPECT_EQ(L"Kim Roe", tmpl->CC());
  ASSERT_TRUE(tmpl->UserProperties()->Find(L"Norvane.Tanvelo.SendMode"));
  EXPECT_EQ(L"2", tmpl->UserProperties()->Find(L"Norvane.Tanvelo.SendMode")->Value());
  EXPECT_EQ(L"1", tmpl->Mileage());
  EXPECT_TRUE(tmpl->Saved());
  EXPECT_FALSE(tmpl->Sent());
  EXPECT_FALSE(Find(p.inbox, p.plainMail->Subject()));
  // The deleted mail stays deleted; the received ones keep their senders.
  EXPECT_TRUE(Find(p.inbox, p.htmlMail->Subject()));
  EXPECT_EQ(p.htmlMail->SenderName(), Find(p.inbox, p.htmlMail->Subject())->SenderName());
  CWinReg key;
  ASSERT_TRUE(key.InitForRead(CWinReg::HKEY_CURRENT_USER, L"Software\\Norvane\\Tanvelo"));
  EXPECT_EQ(templateId, key.GetStringValue(L"DefaultTemplateID"));
  key.CloseKey();
  // A new item of this run gets an EntryID no saved item has.
  auto fresh = p.inbox->Items()->Add(outlook::olMailItem);
  fresh->Save();
  EXPECT_NE(templateId, fresh->EntryID());
  EXPECT_EQ(tmpl, p.session->GetItemFromID(templateId));
}

TEST_F(ProfileStoreTest, SavingAgainReplacesTheProfileAndAnotherReaderSeesEachSavedState) {
  int32_t count = 0;
  {
    auto p = NewRun();
    host::ProfileStore store(dir);
    std::wstring error;
    ASSERT_TRUE(store.Save(p, error));
    auto extra = p.inbox->Items()->Add(outlook::olMailItem);
    extra->SetSubject(L"Second save");
    extra->Save();
    ASSERT_TRUE(store.Save(p, error));
    ASSERT_TRUE(store.Save(p, error));  // no duplicate from saving twice
    // Stopped here: another run reads what the last save committed.
    count = p.inbox->Items()->Count();
  }
  auto next = NewRun();
  host::ProfileStore reader(dir);
  ASSERT_TRUE(reader.Load(next)) << host::Utf8(reader.Error());
  EXPECT_EQ(count, next.inbox->Items()->Count());
  EXPECT_TRUE(Find(next.inbox, L"Second save"));
  // The file the next registry is written into is no newer than the one in place.
  EXPECT_TRUE(!std::filesystem::exists(dir / "registry.hive.new") ||
              std::filesystem::last_write_time(dir / "registry.hive.new") <=
                  std::filesystem::last_write_time(dir / "registry.hive"));
}

TEST_F(ProfileStoreTest, FilesItCannotReadAreReportedWithTheirPathAndLeftUntouched) {
  std::filesystem::create_directories(dir);
  { std::ofstream(dir / "store.sqlite", std::ios::binary) << "these are not the droids"; }
  std::string before = Bytes(dir / "store.sqlite");
  {
    host::ProfileStore store(dir);
    EXPECT_FALSE(store.Ok());
    EXPECT_NE(std::wstring::npos,
              store.Error().find(host::FromUtf8((dir / "store.sqlite").string())));
    auto p = NewRun();
    EXPECT_FALSE(store.Load(p));
    std::wstring error;
    EXPECT_FALSE(store.Save(p, error));
  }
  EXPECT_EQ(before, Bytes(dir / "store.sqlite"));

  // A good store of the older form beside a registry file that is no hive.
  auto other = sandbox.Path() / "other";
  {
    auto p = NewRun();
    host::ProfileStore store(other);
    std::wstring error;
    ASSERT_TRUE(store.Save(p, error));
  }
  MakeOlderForm(other);
  { std::ofstream(other / "registry.hive", std::ios::binary) << "garbage\n"; }
  auto p = NewRun();
  host::ProfileStore store(other);
  EXPECT_FALSE(store.Load(p));
  EXPECT_NE(std::wstring::npos, store.Error().find(L"registry.hive"));
  EXPECT_EQ("garbage\n", Bytes(other / "registry.hive"));
}

// Rowids of one item's property records, read by another connection: a save that leaves the
// item alone leaves them as they were.
std::vector<int64_t> PropRows(const std::filesystem::path& store, const std::wstring& entryId) {
  sqlite3* db = nullptr;
  std::vector<int64_t> rows;
  if (sqlite3_open_v2(store.string().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT props.rowid FROM props JOIN items ON items.seq = props.item "
                       "WHERE items.entry_id = ? ORDER BY props.rowid",
                       -1, &s, nullptr);
    std::string id = host::Utf8(entryId);
    sqlite3_bind_text(s, 1, id.c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(s) == SQLITE_ROW) rows.push_back(sqlite3_column_int64(s, 0));
    sqlite3_finalize(s);
  }
  sqlite3_close(db);
  return rows;
}

TEST_F(ProfileStoreTest, ASaveWritesOnlyWhatChangedAndOnlyWhenSomethingDid) {
  std::wstring keptId, changedId, movedSubject = L"Moved along", folderId;
  {
    auto p = NewRun();
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Load(p));
    std::wstring error;
    ASSERT_TRUE(store.Save(p, error)) << host::Utf8(error);
    EXPECT_EQ(1, store.Commits());
    ASSERT_TRUE(store.Save(p, error));
    // Reading changes nothing, and nothing is written.
    (void)p.htmlMail->Subject();
    ASSERT_TRUE(store.Save(p, error));
    EXPECT_EQ(1, store.Commits());

    keptId = p.htmlMail->EntryID();
    changedId = p.plainMail->EntryID();
    auto keptRows = PropRows(store.StorePath(), keptId);
    auto changedRows = PropRows(store.StorePath(), changedId);
    ASSERT_FALSE(keptRows.empty());
    p.plainMail->SetSubject(L"Renamed by the user");
    p.plainMail->Save();
    ASSERT_TRUE(store.Save(p, error));
    // A change of recipients alone writes no field, and is saved all the same.
    auto offer = Find(p.inbox, L"Offer");
    offer->Recipients()->Add(L"Kim Roe");
    offer->Save();
    ASSERT_TRUE(store.Save(p, error));
    EXPECT_EQ(3, store.Commits());
    EXPECT_EQ(keptRows, PropRows(store.StorePath(), keptId));
    EXPECT_NE(changedRows, PropRows(store.StorePath(), changedId));

    // Folders made, renamed and deleted; an item moved; one deleted for good.
    auto folder = p.root->Folders()->Add(L"Projects");
    folderId = folder->EntryID();
    auto gone = p.root->Folders()->Add(L"Short lived");
    // A folder made and filed into before one save: its mail is saved with it.
    auto fresh = p.root->Folders()->Add(L"Made and filed")->Items()->Add(outlook::olMailItem);
    fresh->SetSubject(L"Filed at once");
    fresh->Save();
    ASSERT_TRUE(store.Save(p, error));
    folder->SetName(L"Projects 2027");
    gone->Delete();
    auto mail = p.inbox->Items()->Add(outlook::olMailItem);
    mail->SetSubject(movedSubject);
    mail->Attachments()->AddData(L"a.bin", {9, 8, 7})->SetDisplayName(L"A");
    mail->Save();
    ASSERT_TRUE(store.Save(p, error));
    mail->Move(folder);
    ASSERT_TRUE(store.Save(p, error));
    std::wstring subject = p.htmlMail->Subject();
    Find(p.inbox, subject)->Delete();
    Find(p.session->GetDefaultFolder(outlook::olFolderDeletedItems), subject)->Delete();
    ASSERT_TRUE(store.Save(p, error));
  }
  auto p = NewRun();
  host::ProfileStore store(dir);
  ASSERT_TRUE(store.Load(p)) << host::Utf8(store.Error());
  EXPECT_EQ(L"Renamed by the user", p.session->GetItemFromID(changedId)->Subject());
  EXPECT_EQ(L"Pat Doe; Kim Roe", Find(p.inbox, L"Offer")->To());
  auto folder = p.session->GetFolderFromID(folderId);
  ASSERT_TRUE(folder);
  EXPECT_EQ(L"Projects 2027", folder->Name());
  EXPECT_TRUE(Find(p.root->Folders()->Item(L"Made and filed"), L"Filed at once"));
  auto moved = Find(folder, movedSubject);
  ASSERT_TRUE(moved);
  EXPECT_EQ(L"A", moved->Attachments()->Item(1)->DisplayName());
  EXPECT_FALSE(Find(p.inbox, movedSubject));
  EXPECT_FALSE(Find(p.inbox, p.htmlMail->Subject()));
  for (int32_t i = 1; i <= p.root->Folders()->Count(); ++i)
    EXPECT_NE(L"Short lived", p.root->Folders()->Item(i)->Name());
  // A loaded profile saved again with no change writes nothing.
  std::wstring error;
  ASSERT_TRUE(store.Save(p, error));
  EXPECT_EQ(0, store.Commits());
}

TEST_F(ProfileStoreTest, ItemsKeepTheirBinaryEntryIdAcrossARestart) {
  std::wstring first, second;
  {
    auto p = NewRun();
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Load(p));
    for (auto* id : {&first, &second}) {
      auto item = p.inbox->Items()->Add(outlook::olMailItem);
      item->Save();
      *id = item->EntryID();
    }
    std::wstring error;
    ASSERT_TRUE(store.Save(p, error));
  }
  auto p = NewRun();
  host::ProfileStore store(dir);
  ASSERT_TRUE(store.Load(p));
  auto a = p.session->GetItemFromID(first)->GetProp(outlook::PR_ENTRYID);
  auto b = p.session->GetItemFromID(second)->GetProp(outlook::PR_ENTRYID);
  EXPECT_EQ(outlook::PropValue(outlook::BytesOfHex(first)), a);
  EXPECT_EQ(outlook::PropValue(outlook::BytesOfHex(second)), b);
  EXPECT_NE(a, b);
}

TEST_F(ProfileStoreTest, OneProgramAtATimeAndAStoppedOneLeavesNoLock) {
  auto p = NewRun();
  {
    host::ProfileStore first(dir);
    ASSERT_TRUE(first.Ok());
    host::ProfileStore second(dir);
    EXPECT_FALSE(second.Ok());
    EXPECT_NE(std::wstring::npos, second.Error().find(L"in use"));
    std::wstring error;
    EXPECT_FALSE(second.Save(p, error));
    EXPECT_TRUE(first.Save(p, error));
  }
  host::ProfileStore again(dir);
  EXPECT_TRUE(again.Ok()) << host::Utf8(again.Error());
}

TEST_F(ProfileStoreTest, AnEmptyOrTablelessStoreIsANewProfileAndAnotherSchemaIsRefused) {
  std::filesystem::create_directories(dir);
  { std::ofstream(dir / "store.sqlite", std::ios::binary); }  // left before the first command
  {
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Ok()) << host::Utf8(store.Error());
    EXPECT_FALSE(store.HasProfile());
  }
  {
    // Made, then stopped before its first save: the schema alone.
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Ok()) << host::Utf8(store.Error());
    EXPECT_FALSE(store.HasProfile());
    auto p = NewRun();
    ASSERT_TRUE(store.Load(p));
    EXPECT_EQ(3, p.inbox->Items()->Count());
  }
  auto other = sandbox.Path() / "other";
  std::filesystem::create_directories(other);
  {
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open((other / "store.sqlite").string().c_str(), &db));
    sqlite3_exec(db, "CREATE TABLE songs(title TEXT)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
  }
  std::string before = Bytes(other / "store.sqlite");
  {
    host::ProfileStore store(other);
    EXPECT_FALSE(store.Ok());
    EXPECT_NE(std::wstring::npos, store.Error().find(L"not a Tanvelo profile store"));
  }
  EXPECT_EQ(before, Bytes(other / "store.sqlite"));
  std::filesystem::create_directories(dir / "garbage");
  { std::ofstream(dir / "garbage" / "store.sqlite", std::ios::binary) << "x"; }
  host::ProfileStore refused(dir / "garbage");
  EXPECT_NE(std::wstring::npos, refused.Error().find(L"not a Tanvelo profile store"))
      << host::Utf8(refused.Error());
}

TEST_F(ProfileStoreTest, ARegistryFileCutShortOrDamagedIsRefusedByPathAndLeftAlone) {
  {
    auto p = NewRun();
    host::ProfileStore store(dir);
    CWinReg key;
    ASSERT_TRUE(key.InitForWrite(CWinReg::HKEY_CURRENT_USER, L"Software\\Norvane\\Tanvelo", true));
    key.SetStringValue(L"TemplatesFolder", L"Tanvelo Templates");
    key.CloseKey();
    std::wstring error;
    ASSERT_TRUE(store.Save(p, error));
  }
  MakeOlderForm(dir);
  // Its store kept with a rollback journal: not even the journal's mode is changed.
  Exec(dir / "store.sqlite", "PRAGMA journal_mode=DELETE");
  std::string whole = Bytes(dir / "registry.hive");
  std::string flipped = whole;
  size_t at = flipped.find("V ") + 2;
  flipped[at] = flipped[at] == '0' ? '1' : '0';
  for (const std::string& damaged :
       {whole.substr(0, whole.size() / 2), whole.substr(0, whole.rfind('\n', whole.size() - 2) + 1),
        flipped}) {
    { std::ofstream(dir / "registry.hive", std::ios::binary) << damaged; }
    auto before = Files(dir);
    {
      auto p = NewRun();
      host::ProfileStore store(dir);
      EXPECT_FALSE(store.Load(p));
      EXPECT_NE(std::wstring::npos, store.Error().find(L"registry.hive"));
    }
    // Refused before anything is written: the older program still takes its profile.
    EXPECT_EQ("", Differing(before, Files(dir)));
  }
  // Whole again, it is taken over, its journal now the store's own.
  { std::ofstream(dir / "registry.hive", std::ios::binary) << whole; }
  {
    auto p = NewRun();
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Load(p)) << host::Utf8(store.Error());
  }
  auto p = NewRun();
  host::ProfileStore store(dir);
  ASSERT_TRUE(store.Load(p)) << host::Utf8(store.Error());
  CWinReg key;
  ASSERT_TRUE(key.InitForRead(CWinReg::HKEY_CURRENT_USER, L"Software\\Norvane\\Tanvelo"));
  EXPECT_EQ(L"Tanvelo Templates", key.GetStringValue(L"TemplatesFolder"));
  key.CloseKey();
}

// Two folders, one store: the second reaches the first one's store through a link, and is
// refused while the first runs, as the same folder is (and the other way round).
TEST_F(ProfileStoreTest, AStoreReachedThroughALinkIsLockedWhereItLies) {
  {
    auto p = NewRun();
    host::ProfileStore store(dir);
    std::wstring error;
    ASSERT_TRUE(store.Save(p, error));
  }
  auto linked = sandbox.Path() / "linked";
  std::filesystem::create_directories(linked);
  std::filesystem::create_symlink(dir / "store.sqlite", linked / "store.sqlite");
  {
    host::ProfileStore first(dir);
    ASSERT_TRUE(first.Ok()) << host::Utf8(first.Error());
    host::ProfileStore second(linked);
    EXPECT_FALSE(second.Ok());
    EXPECT_NE(std::wstring::npos, second.Error().find(L"in use")) << host::Utf8(second.Error());
  }
  {
    host::ProfileStore second(linked);
    ASSERT_TRUE(second.Ok()) << host::Utf8(second.Error());
    host::ProfileStore first(dir);
    EXPECT_FALSE(first.Ok());
    EXPECT_NE(std::wstring::npos, first.Error().find(L"in use")) << host::Utf8(first.Error());
  }
  host::ProfileStore alone(linked);
  EXPECT_TRUE(alone.Ok()) << host::Utf8(alone.Error());
}

// A hard link names the same store from a folder of its own: refused while the first runs,
// both ways round, as a symbolic link is.
TEST_F(ProfileStoreTest, AStoreReachedThroughAHardLinkIsRefusedWhileInUse) {
  {
    auto p = NewRun();
    host::ProfileStore store(dir);
    std::wstring error;
    ASSERT_TRUE(store.Save(p, error));
  }
  auto linked = sandbox.Path() / "hard";
  std::filesystem::create_directories(linked);
  std::filesystem::create_hard_link(dir / "store.sqlite", linked / "store.sqlite");
  {
    host::ProfileStore first(dir);
    ASSERT_TRUE(first.Ok()) << host::Utf8(first.Error());
    host::ProfileStore second(linked);
    EXPECT_FALSE(second.Ok());
    EXPECT_NE(std::wstring::npos, second.Error().find(L"in use")) << host::Utf8(second.Error());
  }
  {
    host::ProfileStore second(linked);
    ASSERT_TRUE(second.Ok()) << host::Utf8(second.Error());
    host::ProfileStore first(dir);
    EXPECT_FALSE(first.Ok());
    EXPECT_NE(std::wstring::npos, first.Error().find(L"in use")) << host::Utf8(first.Error());
  }
  host::ProfileStore alone(linked);
  EXPECT_TRUE(alone.Ok()) << host::Utf8(alone.Error());
}

// A change noted on one mail's properties alone, in the save that deletes another mail of the
// same folder (the folder then compared item by item).
TEST_F(ProfileStoreTest, APropertyChangeIsSavedBesideADeleteInItsFolder) {
  std::wstring id;
  bool sent = false;
  {
    auto p = NewRun();
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Load(p));
    std::wstring error;
    ASSERT_TRUE(store.Save(p, error));
    id = p.plainMail->EntryID();
    sent = p.plainMail->Sent();
    p.plainMail->SetSentFlag(!sent);
    Find(p.inbox, p.htmlMail->Subject())->Delete();
    ASSERT_TRUE(store.Save(p, error)) << host::Utf8(error);
  }
  auto p = NewRun();
  host::ProfileStore store(dir);
  ASSERT_TRUE(store.Load(p));
  EXPECT_EQ(!sent, p.session->GetItemFromID(id)->Sent());
  EXPECT_FALSE(Find(p.inbox, p.htmlMail->Subject()));
}

}  // namespace

namespace more {

using win32::HKEY;
using win32::HKEY_CURRENT_USER;

std::string HiveText(const std::filesystem::path& scratch) {
  auto file = scratch / "hive.txt";
  EXPECT_TRUE(win32::registry::SaveHive(HKEY_CURRENT_USER, file.string()));
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::shared_ptr<outlook::MAPIFolder> Child(const std::shared_ptr<outlook::MAPIFolder>& folder,
                                           const std::wstring& name) {
  for (int32_t i = 1; i <= folder->Folders()->Count(); ++i)
    if (folder->Folders()->Item(i)->Name() == name) return folder->Folders()->Item(i);
  return nullptr;
}

bool Has(const outlook::Profile& p, const std::wstring& entryId) {
  try {
    return p.session->GetItemFromID(entryId) != nullptr;
  } catch (const std::exception&) {
    return false;  // Outlook raises for an EntryID it does not know
  }
}

// Another program's write transaction on the store: a save meanwhile fails.
class Blocker {
 public:
  explicit Blocker(const std::filesystem::path& store) {
    EXPECT_EQ(SQLITE_OK, sqlite3_open(store.string().c_str(), &db_));
    EXPECT_EQ(SQLITE_OK, sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr));
  }
  ~Blocker() {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db_);
  }

 private:
  sqlite3* db_ = nullptr;
};

void SetValue(const char* key, const char* name, const std::string& data, win32::DWORD type) {
  HKEY h = 0;
  ASSERT_EQ(win32::ERROR_SUCCESS,
            win32::RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, win32::KEY_ALL_ACCESS,
                                   nullptr, &h, nullptr));
  win32::RegSetValueExA(h, name, 0, type, reinterpret_cast<const uint8_t*>(data.data()),
                        static_cast<win32::DWORD>(data.size()));
  win32::RegCloseKey(h);
}

void DeleteValue(const char* key, const char* name) {
  HKEY h = 0;
  if (win32::RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, win32::KEY_ALL_ACCESS, &h) != 0) return;
  win32::RegDeleteValueA(h, name);
  win32::RegCloseKey(h);
}

// Whatever a session did to the registry (values set, set again and deleted, names differing
// in case only, keys deleted and made again in another case, saves that failed between), the
// next run finds it as it was, the order of each key's values too.
TEST_F(ProfileStoreTest, TheRegistryComesBackAsItWasLeftWhateverWasDoneToIt) {
  std::string expected;
  for (uint32_t seed : {38u, 1207u}) {
    {
      auto p = NewRun();
      host::ProfileStore store(dir);
      ASSERT_TRUE(store.Load(p)) << host::Utf8(store.Error());
      std::wstring error;
      std::mt19937 random(seed);
      const char* keys[] = {"Software\\T",          "Software\\T\\A", "software\\t\\a",
                            "Software\\T\\A\\Deep", "Software\\T\\B", ""};
      const char* names[] = {"", "One", "one", "Zwei", "\xC4pfel", "\xE4PFEL", "Usage"};
      for (int step = 0; step < 600; ++step) {
        const char* key = keys[random() % 6];
        const char* name = names[random() % 7];
        switch (random() % 10) {
          case 9:
            win32::RegDeleteKeyA(HKEY_CURRENT_USER, key);  // refused while it has subkeys
            break;
          case 7:
          case 8:
            DeleteValue(key, name);
            break;
          default: {
            std::string data(random() % 6, '\0');
            for (char& c : data) c = static_cast<char>(random());
            SetValue(key, name, data, random() % 2 ? win32::REG_SZ : win32::REG_BINARY);
          }
        }
        if (step % 7 != 6) continue;
        if (random() % 4 == 0) {
          Blocker other(store.StorePath());
          EXPECT_FALSE(store.Save(p, error));
        }
        ASSERT_TRUE(store.Save(p, error)) << host::Utf8(error);
      }
      ASSERT_TRUE(store.Save(p, error)) << host::Utf8(error);
      expected = HiveText(sandbox.Path());
    }
    auto p = NewRun();
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Load(p)) << host::Utf8(store.Error());
    EXPECT_EQ(expected, HiveText(sandbox.Path())) << "seed " << seed;
  }
}

// A key deleted and made again (in another case) between two saves holds only its new values;
// so it does when the save between them failed.
TEST_F(ProfileStoreTest, ARegistryKeyDeletedAndMadeAgainHoldsOnlyItsNewValues) {
  std::string expected;
  auto restart = [&] {
    auto p = NewRun();
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Load(p)) << host::Utf8(store.Error());
    EXPECT_EQ(expected, HiveText(sandbox.Path()));
  };
  {
    auto p = NewRun();
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Load(p));
    std::wstring error;
    SetValue("Software\\Gone\\Leaf", "old", "1", win32::REG_SZ);
    ASSERT_TRUE(store.Save(p, error));
    win32::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Gone\\Leaf");
    SetValue("software\\gone\\LEAF", "new", "2", win32::REG_SZ);
    ASSERT_TRUE(store.Save(p, error));
    expected = HiveText(sandbox.Path());
  }
  restart();
  {
    auto p = NewRun();
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Load(p));
    std::wstring error;
    win32::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Gone\\Leaf");
    {
      Blocker other(store.StorePath());
      EXPECT_FALSE(store.Save(p, error));
    }
    SetValue("Software\\Gone\\leaf", "newer", "3", win32::REG_SZ);
    ASSERT_TRUE(store.Save(p, error));
    expected = HiveText(sandbox.Path());
  }
  restart();
}

// The registry's rows are written where it changed only: a save that changed mail alone, or
// nothing, writes none, and one value changed among thousands writes that value (and its key).
TEST_F(ProfileStoreTest, TheRegistryIsWrittenOnlyWhereItChanged) {
  auto p = NewRun();
  host::ProfileStore store(dir);
  ASSERT_TRUE(store.Load(p));
  for (int i = 0; i < 3000; ++i)
    SetValue("Software\\Usage", ("record " + std::to_string(i)).c_str(), "1", win32::REG_SZ);
  std::wstring error;
  ASSERT_TRUE(store.Save(p, error));
  int64_t rows = store.RegistryRowsWritten(), commits = store.Commits();
  EXPECT_GT(rows, 3000);
  ASSERT_TRUE(store.Save(p, error));
  p.plainMail->SetSubject(L"Mail alone");
  ASSERT_TRUE(store.Save(p, error));
  EXPECT_EQ(rows, store.RegistryRowsWritten());
  EXPECT_EQ(commits + 1, store.Commits());
  // Read, and written again as it was: no change.
  HKEY h = 0;
  ASSERT_EQ(0, win32::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Usage", 0, win32::KEY_READ, &h));
  win32::RegCloseKey(h);
  ASSERT_TRUE(store.Save(p, error));
  EXPECT_EQ(rows, store.RegistryRowsWritten());
  SetValue("Software\\Usage", "record 17", "2", win32::REG_SZ);
  ASSERT_TRUE(store.Save(p, error));
  EXPECT_EQ(rows + 2, store.RegistryRowsWritten());
  DeleteValue("Software\\Usage", "RECORD 18");
  ASSERT_TRUE(store.Save(p, error));
  EXPECT_EQ(rows + 4, store.RegistryRowsWritten());
  EXPECT_EQ(commits + 3, store.Commits());
}

TEST_F(ProfileStoreTest, AProfileOfTheOlderFormIsTakenOverAndItsRegistryFileLeftAsItWas) {
  std::wstring templateId;
  std::string registry;
  {
    auto p = NewRun();
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Load(p));
    auto tmpl = p.root->Folders()->Add(L"Tanvelo Templates")->Items()->Add(outlook::olMailItem);
    tmpl->SetSubject(L"Offer template");
    tmpl->Save();
    templateId = tmpl->EntryID();
    SetValue("Software\\Norvane\\Tanvelo", "DefaultTemplateID", host::Utf8(templateId),
             win32::REG_SZ);
    SetValue("Software\\Norvane\\Tanvelo\\Usage", "b", "2", win32::REG_SZ);
    SetValue("Software\\Norvane\\Tanvelo\\Usage", "a", "1", win32::REG_SZ);
    std::wstring error;
    ASSERT_TRUE(store.Save(p, error));
    registry = HiveText(sandbox.Path());
  }
  MakeOlderForm(dir);
  { std::ofstream(dir / "registry.hive.new", std::ios::binary) << "the older program's scratch"; }
  std::string file = Bytes(dir / "registry.hive");
  auto written = std::filesystem::last_write_time(dir / "registry.hive");
  {
    auto p = NewRun();
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Load(p)) << host::Utf8(store.Error());
    EXPECT_EQ(registry, HiveText(sandbox.Path()));
    ASSERT_TRUE(p.session->GetItemFromID(templateId));
    EXPECT_EQ(L"Offer template", p.session->GetItemFromID(templateId)->Subject());
    SetValue("Software\\Norvane\\Tanvelo\\Usage", "a", "5", win32::REG_SZ);
    std::wstring error;
    ASSERT_TRUE(store.Save(p, error));
    registry = HiveText(sandbox.Path());
    // `quit` then `start` in the same run: the store's registry, not the old file's.
    auto again = NewRun();
    ASSERT_TRUE(store.Load(again)) << host::Utf8(store.Error());
    EXPECT_EQ(registry, HiveText(sandbox.Path()));
  }
  EXPECT_EQ(file, Bytes(dir / "registry.hive"));
  EXPECT_EQ(written, std::filesystem::last_write_time(dir / "registry.hive"));
  EXPECT_FALSE(std::filesystem::exists(dir / "registry.hive.new"));
  // From now on the registry is the store's: the old file is read no more.
  auto p = NewRun();
  host::ProfileStore store(dir);
  ASSERT_TRUE(store.Load(p)) << host::Utf8(store.Error());
  EXPECT_EQ(registry, HiveText(sandbox.Path()));
  EXPECT_TRUE(p.session->GetItemFromID(templateId));
}

// A folder deleted with mail in it and a subfolder with mail of its own: the store keeps none of
// it, so the next start (which refuses a store with items of no folder) takes it.
TEST_F(ProfileStoreTest, AFolderDeletedWithItsMailStaysGoneAndTheNextStartTakesTheStore) {
  std::wstring mailId, deepId;
  {
    auto p = NewRun();
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Load(p));
    auto projects = p.root->Folders()->Add(L"Projects");
    auto mail = projects->Items()->Add(outlook::olMailItem);
    mail->Save();
    mailId = mail->EntryID();
    auto deep = projects->Folders()->Add(L"Old")->Items()->Add(outlook::olMailItem);
    deep->Save();
    deepId = deep->EntryID();
    std::wstring error;
    ASSERT_TRUE(store.Save(p, error));
    projects->Delete();
    ASSERT_TRUE(store.Save(p, error));
  }
  auto p = NewRun();
  host::ProfileStore store(dir);
  ASSERT_TRUE(store.Load(p)) << host::Utf8(store.Error());
  EXPECT_FALSE(Child(p.root, L"Projects"));
  EXPECT_FALSE(Has(p, mailId));
  EXPECT_FALSE(Has(p, deepId));
}

// The store keeps an item as it was saved: a change its holder has not saved is not written,
// and is written by the first store save after the item's own Save, though nothing changed
// the item in between.
TEST_F(ProfileStoreTest, AChangeIsKeptOnceItsItemIsSavedAndNeverBefore) {
  std::wstring id;
  {
    auto p = NewRun();
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Load(p));
    id = p.plainMail->EntryID();
    std::wstring error;
    ASSERT_TRUE(store.Save(p, error));
    // The subject as the store holds it.
    auto stored = [&] {
      sqlite3* db = nullptr;
      std::string subject = "(none)";
      sqlite3_open_v2(store.StorePath().string().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
      sqlite3_stmt* s = nullptr;
      sqlite3_prepare_v2(db,
                         "SELECT props.value FROM props JOIN items ON items.seq = props.item "
                         "WHERE items.entry_id = ? AND props.id = 0x37",
                         -1, &s, nullptr);
      std::string entryId = host::Utf8(id);
      sqlite3_bind_text(s, 1, entryId.c_str(), -1, SQLITE_TRANSIENT);
      if (sqlite3_step(s) == SQLITE_ROW)
        subject = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
      sqlite3_finalize(s);
      sqlite3_close(db);
      return subject;
    };
    EXPECT_EQ("Quarterly figures", stored());
    p.plainMail->SetSubject(L"Typed, not saved");
    ASSERT_TRUE(store.Save(p, error));
    EXPECT_EQ("Quarterly figures", stored());
    p.plainMail->Save();
    ASSERT_TRUE(store.Save(p, error));
    EXPECT_EQ("Typed, not saved", stored());
  }
  auto p = NewRun();
  host::ProfileStore store(dir);
  ASSERT_TRUE(store.Load(p));
  EXPECT_EQ(L"Typed, not saved", p.session->GetItemFromID(id)->Subject());
}

// A change noted on an item's properties only (no field of the item object) is saved.
TEST_F(ProfileStoreTest, AnItemWhosePropertiesAloneChangedIsSaved) {
  std::wstring id;
  bool sent = false;
  {
    auto p = NewRun();
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Load(p));
    std::wstring error;
    ASSERT_TRUE(store.Save(p, error));
    id = p.plainMail->EntryID();
    sent = p.plainMail->Sent();
    p.plainMail->SetSentFlag(!sent);
    ASSERT_TRUE(store.Save(p, error));
    EXPECT_EQ(2, store.Commits());
  }
  auto p = NewRun();
  host::ProfileStore store(dir);
  ASSERT_TRUE(store.Load(p));
  EXPECT_EQ(!sent, p.session->GetItemFromID(id)->Sent());
}

// Rows as another program may have written them: a folder's row before its parent's.
TEST_F(ProfileStoreTest, AFolderStoredBeforeItsParentComesBackUnderIt) {
  std::wstring mailId;
  {
    auto p = NewRun();
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Load(p));
    auto mail = p.root->Folders()
                    ->Add(L"Projects")
                    ->Folders()
                    ->Add(L"2027")
                    ->Items()
                    ->Add(outlook::olMailItem);
    mail->SetSubject(L"Plan");
    mail->Save();
    mailId = mail->EntryID();
    std::wstring error;
    ASSERT_TRUE(store.Save(p, error));
  }
  // The parent moved behind everything, its child now before it.
  Exec(dir / "store.sqlite",
       "UPDATE items SET folder = (SELECT max(seq) + 1 FROM folders) "
       "  WHERE folder = (SELECT seq FROM folders WHERE name = 'Projects');"
       "UPDATE folders SET seq = (SELECT max(seq) + 1 FROM folders) WHERE name = 'Projects'");
  {
    auto p = NewRun();
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Load(p)) << host::Utf8(store.Error());
    auto projects = Child(p.root, L"Projects");
    ASSERT_TRUE(projects);
    ASSERT_TRUE(Child(projects, L"2027"));
    auto mail = p.session->GetItemFromID(mailId);
    ASSERT_TRUE(mail);
    EXPECT_EQ(L"2027", mail->Parent()->Name());
    // Saved again, a new folder gets a row of its own.
    p.root->Folders()->Add(L"After");
    std::wstring error;
    ASSERT_TRUE(store.Save(p, error));
  }
  auto p = NewRun();
  host::ProfileStore store(dir);
  ASSERT_TRUE(store.Load(p)) << host::Utf8(store.Error());
  EXPECT_TRUE(Child(p.root, L"After"));
  EXPECT_TRUE(Child(Child(p.root, L"Projects"), L"2027"));
}

TEST_F(ProfileStoreTest, AStoreOfAnotherVersionOrCutShortIsRefusedInWordsThatSaySo) {
  {
    auto p = NewRun();
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Load(p));
    for (int i = 0; i < 200; ++i) {
      auto mail = p.inbox->Items()->Add(outlook::olMailItem);
      mail->SetBody(std::wstring(500, L'x'));
      mail->Save();
    }
    std::wstring error;
    ASSERT_TRUE(store.Save(p, error));
  }
  std::string whole = Bytes(dir / "store.sqlite");
  auto newer = sandbox.Path() / "newer";
  std::filesystem::create_directories(newer);
  { std::ofstream(newer / "store.sqlite", std::ios::binary) << whole; }
  Exec(newer / "store.sqlite", "UPDATE meta SET value = 3 WHERE key = 'version'");
  std::string before = Bytes(newer / "store.sqlite");
  {
    host::ProfileStore store(newer);
    EXPECT_FALSE(store.Ok());
    EXPECT_NE(std::wstring::npos, store.Error().find(L"another version"))
        << host::Utf8(store.Error());
  }
  EXPECT_EQ(before, Bytes(newer / "store.sqlite"));
  for (size_t size : {size_t{1}, size_t{20}, size_t{99}, size_t{4096}, whole.size() / 2}) {
    auto cut = sandbox.Path() / ("cut" + std::to_string(size));
    std::filesystem::create_directories(cut);
    { std::ofstream(cut / "store.sqlite", std::ios::binary) << whole.substr(0, size); }
    {
      auto p = NewRun();
      host::ProfileStore store(cut);
      bool refused = !store.Ok() || !store.Load(p);
      EXPECT_TRUE(refused) << size;
      EXPECT_NE(std::wstring::npos, store.Error().find(L"damaged")) << host::Utf8(store.Error());
      EXPECT_EQ(std::wstring::npos, store.Error().find(L"not a Tanvelo")) << size;
      EXPECT_NE(std::wstring::npos, store.Error().find(L"store.sqlite"));
    }
    EXPECT_EQ(whole.substr(0, size), Bytes(cut / "store.sqlite")) << size;
  }
}

// Many saves, and one far bigger than the rest: the write-ahead log is copied into the store
// and cut back, never left growing.
TEST_F(ProfileStoreTest, TheWriteAheadLogStaysBounded) {
  auto p = NewRun();
  host::ProfileStore store(dir);
  ASSERT_TRUE(store.Load(p));
  auto wal = [&] {
    std::error_code ec;
    auto size = std::filesystem::file_size(dir / "store.sqlite-wal", ec);
    return ec ? 0 : size;
  };
  constexpr uintmax_t kMiB = 1 << 20, kLimit = 16 * kMiB;
  auto big = p.inbox->Items()->Add(outlook::olMailItem);
  big->Attachments()->AddData(L"big.bin", std::vector<uint8_t>(24 * kMiB, 7));
  big->Save();
  std::wstring error;
  ASSERT_TRUE(store.Save(p, error));
  EXPECT_GT(wal(), 20 * kMiB);
  auto mail = p.inbox->Items()->Add(outlook::olMailItem);
  for (int i = 0; i < 40; ++i) {
    mail->Attachments()->AddData(L"part.bin", std::vector<uint8_t>(kMiB, static_cast<uint8_t>(i)));
    mail->Save();
    ASSERT_TRUE(store.Save(p, error));
    EXPECT_LE(wal(), kLimit + 2 * kMiB) << "save " << i;
    mail->Attachments()->Item(1)->Delete();
  }
}

}  // namespace more

namespace more {

// A command that only makes or renames a folder (the add-in's first start makes its templates
// folder and files its EntryID in the registry) has it saved.
TEST_F(ProfileStoreTest, AFolderMadeOrRenamedAloneIsSaved) {
  {
    auto p = NewRun();
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Load(p));
    std::wstring error;
    ASSERT_TRUE(store.Save(p, error));
    p.root->Folders()->Add(L"Made alone");
    ASSERT_TRUE(store.Save(p, error));
    EXPECT_EQ(2, store.Commits());
    p.inbox->SetName(L"In");
    ASSERT_TRUE(store.Save(p, error));
    EXPECT_EQ(3, store.Commits());
  }
  auto p = NewRun();
  host::ProfileStore store(dir);
  ASSERT_TRUE(store.Load(p));
  EXPECT_TRUE(Child(p.root, L"Made alone"));
  EXPECT_TRUE(Child(p.root, L"In"));
}

}  // namespace more

namespace more {

// Registry rows that do not hold together (a value of no key, two values one lookup cannot
// tell apart) make the store damaged, not a registry half loaded.
TEST_F(ProfileStoreTest, RegistryRowsThatDoNotHoldTogetherAreRefusedAsDamage) {
  {
    auto p = NewRun();
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Load(p));
    SetValue("Software\\Kept", "Name", "1", win32::REG_SZ);
    std::wstring error;
    ASSERT_TRUE(store.Save(p, error));
  }
  auto copy = [&](const char* name, const char* sql) {
    auto other = sandbox.Path() / name;
    std::filesystem::create_directories(other);
    std::filesystem::copy_file(dir / "store.sqlite", other / "store.sqlite");
    Exec(other / "store.sqlite", sql);
    return other;
  };
  for (const auto& damaged :
       {copy("orphan", "DELETE FROM reg_keys WHERE key = CAST('software\\kept' AS BLOB)"),
        copy("twice",
             "INSERT INTO reg_values SELECT key, CAST('other' AS BLOB), name, type, data, ord "
             "FROM reg_values WHERE name = CAST('Name' AS BLOB)")}) {
    std::string before = Bytes(damaged / "store.sqlite");
    {
      auto p = NewRun();
      host::ProfileStore store(damaged);
      ASSERT_TRUE(store.Ok()) << host::Utf8(store.Error());
      EXPECT_FALSE(store.Load(p));
      EXPECT_NE(std::wstring::npos, store.Error().find(L"damaged")) << host::Utf8(store.Error());
    }
    EXPECT_EQ(before, Bytes(damaged / "store.sqlite"));
  }
}

}  // namespace more

namespace {

// A body long enough to live outside any string's own buffer, with what a conversion could
// lose: lone line ends, HTML's own characters, Latin-1, the euro and a character beyond 16 bits.
std::wstring AwkwardBody() {
  std::wstring text;
  for (int i = 0; i < 200; ++i)
    text += L"line " + std::to_wstring(i) + L" <b>&amp; \"caf\u00E9\" \u20AC \U0001F600\n\r\r\n";
  return text;
}

}  // namespace

TEST_F(ProfileStoreTest, BodiesComeBackAsTheyWereThroughFormatChangesAndRestarts) {
  const std::wstring text = AwkwardBody();
  struct Seen {
    std::wstring plain, html, rtf;
  } html, rtf;
  std::wstring htmlId, rtfId;
  auto seen = [](const std::shared_ptr<outlook::Item>& item) {
    return Seen{item->Body(), item->HTMLBody(), item->RTFBody()};
  };
  auto save = [&](host::ProfileStore& store, const outlook::Profile& p) {
    std::wstring error;
    ASSERT_TRUE(store.Save(p, error)) << host::Utf8(error);
  };
  {
    auto p = NewRun();
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Load(p));
    // Plain made HTML (the plain text stays), and HTML whose plain text is still to be made.
    auto a = p.drafts->Items()->Add(outlook::olMailItem);
    a->SetSubject(L"a");
    a->SetBody(text);
    a->SetBodyFormat(outlook::olFormatHTML);
    a->Save();
    html = seen(a);
    htmlId = a->EntryID();
    auto b = p.drafts->Items()->Add(outlook::olMailItem);
    b->SetSubject(L"b");
    b->SetBodyFormat(outlook::olFormatHTML);
    b->SetHTMLBody(L"<html><BODY>" + a->HTMLBody() + L"</BODY></HTML>footer");
    b->Save();
    rtfId = b->EntryID();
    save(store, p);
  }
  {
    auto p = NewRun();
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Load(p)) << host::Utf8(store.Error());
    auto a = p.session->GetItemFromID(htmlId);
    ASSERT_TRUE(a);
    EXPECT_EQ(text, a->Body());
    EXPECT_EQ(html.html, a->HTMLBody());
    EXPECT_EQ(html.rtf, a->RTFBody());
    auto b = p.session->GetItemFromID(rtfId);
    ASSERT_TRUE(b);
    const std::wstring derived = b->Body();
    EXPECT_NE(std::wstring::npos, derived.find(L"caf\u00E9\" \u20AC \U0001F600"));
    EXPECT_EQ(L"footer", derived.substr(derived.size() - 6));
    // Now RTF: the text it had stays its plain body.
    b->SetBodyFormat(outlook::olFormatRichText);
    b->Save();
    rtf = seen(b);
    EXPECT_EQ(derived, rtf.plain);
    save(store, p);
  }
  auto p = NewRun();
  host::ProfileStore store(dir);
  ASSERT_TRUE(store.Load(p)) << host::Utf8(store.Error());
  auto b = p.session->GetItemFromID(rtfId);
  ASSERT_TRUE(b);
  EXPECT_EQ(outlook::olFormatRichText, b->BodyFormat());
  EXPECT_EQ(rtf.plain, b->Body());
  EXPECT_EQ(rtf.html, b->HTMLBody());
  EXPECT_EQ(rtf.rtf, b->RTFBody());
  EXPECT_EQ(text, p.session->GetItemFromID(htmlId)->Body());
}

// A recipient comes back with the address it resolved to; a store made before recipients kept
// their addresses still loads (its recipients resolved again by name, as then) and keeps them
// from its first save on, whether it is of this version or the older form.
TEST_F(ProfileStoreTest, RecipientsKeepTheirAddressesAndStoresThatKeptNamesAloneStillLoad) {
  struct Case {
    const char* what;
    bool namesOnly, olderForm;
  };
  for (const Case c : {Case{"this form", false, false}, Case{"names alone", true, false},
                       Case{"older form, names alone", true, true}}) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(dir);
    std::wstring id, untouchedId, untouchedAddress;
    {
      auto p = NewRun();
      host::ProfileStore store(dir);
      ASSERT_TRUE(store.Load(p));
      auto draft = p.drafts->Items()->Add(outlook::olMailItem);
      draft->SetSubject(L"Addressed");
      draft->Recipients()->Add(L"Tom Hall <tom.hall@example.com>")->Resolve();
      auto kim = draft->Recipients()->Add(L"Kim Roe");
      kim->SetType(outlook::olCC);
      kim->Resolve();
      draft->Save();
      id = draft->EntryID();
      // An item the next run's first save does not rewrite.
      auto untouched = p.drafts->Items()->Add(outlook::olMailItem);
      untouched->SetSubject(L"Untouched");
      untouched->Recipients()->Add(L"Kim Roe")->Resolve();
      untouched->Save();
      untouchedId = untouched->EntryID();
      std::wstring error;
      ASSERT_TRUE(store.Save(p, error)) << host::Utf8(error);
    }
    if (c.namesOnly)
      Exec(dir / "store.sqlite",
           "CREATE TABLE r AS SELECT item, pos, name, type FROM recipients; "
           "DROP TABLE recipients; ALTER TABLE r RENAME TO recipients;");
    if (c.olderForm) MakeOlderForm(dir);
    {
      auto p = NewRun();
      host::ProfileStore store(dir);
      ASSERT_TRUE(store.Ok()) << host::Utf8(store.Error());
      ASSERT_TRUE(store.Load(p)) << host::Utf8(store.Error());
      auto draft = p.session->GetItemFromID(id);
      ASSERT_TRUE(draft);
      ASSERT_EQ(2, draft->Recipients()->Count());
      auto untouched = p.session->GetItemFromID(untouchedId);
      untouchedAddress = untouched->Recipients()->Item(1)->Address();
      EXPECT_EQ(L"kim.roe@partner.example", untouchedAddress);
      EXPECT_EQ(!c.namesOnly, draft->Recipients()->Item(1)->Resolved());
      EXPECT_EQ(L"Kim Roe", draft->CC());
      EXPECT_EQ(L"kim.roe@partner.example", draft->Recipients()->Item(2)->Address());
      draft->Recipients()->Item(1)->Delete();
      draft->Recipients()->Add(L"Tom Hall <tom.hall@example.com>")->Resolve();
      draft->Save();
      std::wstring error;
      ASSERT_TRUE(store.Save(p, error)) << host::Utf8(error);
    }
    auto p = NewRun();
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Load(p)) << host::Utf8(store.Error());
    auto draft = p.session->GetItemFromID(id);
    ASSERT_TRUE(draft);
    ASSERT_EQ(2, draft->Recipients()->Count());
    for (int32_t i = 1; i <= 2; ++i) EXPECT_TRUE(draft->Recipients()->Item(i)->Resolved()) << i;
    EXPECT_EQ(L"tom.hall@example.com", draft->Recipients()->Item(2)->Address());
    EXPECT_EQ(L"Tom Hall", draft->To());
    EXPECT_EQ(L"Kim Roe", draft->CC());
    // The first save gave every row the new columns; one it did not rewrite reads as before.
    auto untouched = p.session->GetItemFromID(untouchedId);
    ASSERT_TRUE(untouched);
    EXPECT_EQ(untouchedAddress, untouched->Recipients()->Item(1)->Address());
  }
}
