#include "host/ProfileStore.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <stdio.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <system_error>
#include <unordered_set>

#include "host/ScriptReader.h"
#include "platform/outlook/Changes.h"
#include "platform/outlook/Folder.h"
#include "platform/outlook/Item.h"
#include "platform/outlook/NameSpace.h"
#include "platform/outlook/Persist.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Registry.h"
#include "platform/win32/RegistryChanges.h"

namespace host {
namespace {

namespace persist = outlook::persist;

// Made in one transaction when the store is new, so a store is either empty or whole.
const char* kSchema = R"(
CREATE TABLE meta(key TEXT PRIMARY KEY, value INTEGER);
CREATE TABLE named(key TEXT, id INTEGER);
CREATE TABLE folders(seq INTEGER PRIMARY KEY, entry_id TEXT, parent_id TEXT,
                     name TEXT, store INTEGER, item_type INTEGER);
CREATE TABLE items(seq INTEGER PRIMARY KEY, folder INTEGER, entry_id TEXT,
                   class INTEGER, body_format INTEGER);
CREATE TABLE props(item INTEGER, id INTEGER, kind INTEGER, value);
CREATE TABLE recipients(item INTEGER, pos INTEGER, name TEXT, type INTEGER, address TEXT,
                         addr_type TEXT, resolved INTEGER);
CREATE TABLE attachments(item INTEGER, pos INTEGER, file_name TEXT,
                         display_name TEXT, type INTEGER, position INTEGER, data BLOB);
CREATE TABLE attachment_fields(item INTEGER, att INTEGER, tag INTEGER, kind INTEGER, value);
CREATE TABLE user_props(item INTEGER, pos INTEGER, name TEXT, type INTEGER, value TEXT);
INSERT INTO meta(key, value) VALUES('version', 2);
)";

// The registry, by key and value in their folded form (the bytes of the ANSI calls); a key
// row for every key, the hive itself ('') among them. Stores of version 1 get these when
// opened; their registry is taken over from its file at the first load.
const char* kRegistrySchema = R"(
CREATE TABLE IF NOT EXISTS reg_keys(key BLOB PRIMARY KEY, path BLOB) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS reg_values(key BLOB, fold BLOB, name BLOB, type INTEGER, data BLOB,
                                      ord INTEGER, PRIMARY KEY(key, fold)) WITHOUT ROWID;
)";
constexpr int64_t kVersion = 2;

// The write-ahead log is copied into the store when it passes this many pages, and cut back
// to kWalBytes once copied, so neither many small saves nor one big one leave it growing.
constexpr int kCheckpointPages = 4000;
constexpr int64_t kWalBytes = 16 << 20;

// A save rewrites one item's records: they are found by item. Stores made before these
// existed get them when opened.
const char* kIndexes = R"(
CREATE INDEX IF NOT EXISTS props_item ON props(item);
CREATE INDEX IF NOT EXISTS recipients_item ON recipients(item);
CREATE INDEX IF NOT EXISTS attachments_item ON attachments(item);
CREATE INDEX IF NOT EXISTS attachment_fields_item ON attachment_fields(item);
CREATE INDEX IF NOT EXISTS user_props_item ON user_props(item);
)";

// A recipient's address, its type and whether it resolved: stores made before them kept the
// name and type alone (rows without them are resolved again by name). Added at the first save.
const char* kRecipientColumns =
    "ALTER TABLE recipients ADD COLUMN address TEXT; "
    "ALTER TABLE recipients ADD COLUMN addr_type TEXT; "
    "ALTER TABLE recipients ADD COLUMN resolved INTEGER;";

const char* kItemTables[] = {"props", "recipients", "attachments", "attachment_fields",
                             "user_props"};

class NotOurs : public std::runtime_error {
 public:
  NotOurs() : std::runtime_error("not a Tanvelo profile store") {}
};

// SQLite's failure, with its code, so a damaged store is told apart from other failures.
class SqlError : public std::runtime_error {
 public:
  SqlError(sqlite3* db)
      : std::runtime_error(sqlite3_errmsg(db)),
        code(sqlite3_extended_errcode(db) & 0xFF),
        extended(sqlite3_extended_errcode(db)) {}
  int code, extended;
};

// Ours, but its records do not hold together (cut short, written over, or not as we write).
class Damaged : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A write of the store failed (the read before it went well).
class WriteFailed : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::wstring DamagedText(const char* what) {
  return L"it is damaged, cut short or written over (" + FromUtf8(what) + L")";
}

bool IsDamage(int code) {
  return code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
}

// Why the disk takes no write, in the user's words, from SQLite's extended code or the
// system's errno; "" when the failure says nothing of the kind. A full disk shows first as
// the shared-memory file of the write-ahead log that cannot grow.
std::wstring NoWriteCause(int extended, int err = 0) {
  if (extended == SQLITE_FULL || extended == SQLITE_IOERR_SHMSIZE || err == ENOSPC || err == EDQUOT)
    return L"there is no space left on the disk";
  if (err == EROFS || extended == SQLITE_READONLY_ROLLBACK) return L"the disk is read-only";
  if ((extended & 0xFF) == SQLITE_READONLY || (extended & 0xFF) == SQLITE_CANTOPEN ||
      extended == SQLITE_PERM || extended == SQLITE_IOERR_SHMOPEN || err == EACCES || err == EPERM)
    return L"there is no permission to write in the profile folder";
  return L"";
}

// The store can be read but nothing written: the cause, in the user's words.
class Unwritable : public std::runtime_error {
 public:
  explicit Unwritable(std::wstring why) : std::runtime_error("unwritable"), cause(std::move(why)) {}
  std::wstring cause;
};

// A read of the store that failed: the disk's refusal (no space, no permission) leaves it to be
// read, a failing disk is told as such, and only records not as we write them are damage.
[[noreturn]] void ReadFailed(const SqlError& e) {
  if (auto cause = NoWriteCause(e.extended); !cause.empty()) throw Unwritable(cause);
  if (e.code == SQLITE_IOERR || e.code == SQLITE_BUSY || e.code == SQLITE_LOCKED ||
      e.code == SQLITE_NOMEM)
    throw e;
  throw Damaged(e.what());
}

// The store's path as an SQLite URI's path.
std::string UriPath(const std::filesystem::path& path) {
  static const char* hex = "0123456789ABCDEF";
  std::string uri;
  for (unsigned char c : path.string()) {
    if (std::isalnum(c) || std::strchr("/._-~", c)) {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += hex[c >> 4];
      uri += hex[c & 15];
    }
  }
  return uri;
}

// One prepared statement; every failure throws with SQLite's message.
class Stmt {
 public:
  Stmt(sqlite3* db, const char* sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql, -1, &s_, nullptr) != SQLITE_OK) Throw();
  }
  ~Stmt() { sqlite3_finalize(s_); }
  Stmt& Bind(int i, int64_t v) {
    Check(sqlite3_bind_int64(s_, i, v));
    return *this;
  }
  // The UTF-8 text is bound where it lies (SQLite takes no copy of its own) and kept until the
  // parameter is bound again or the statement has run: a large body is converted once.
  Stmt& Bind(int i, const std::wstring& v) {
    std::string& slot = held_[i];
    std::string was = std::move(slot);  // bound until the new text replaces it
    slot = Utf8(v);
    Check(sqlite3_bind_text(s_, i, slot.data(), static_cast<int>(slot.size()), SQLITE_STATIC));
    return *this;
  }
  // Never NULL: an empty name is a name.
  Stmt& BindBytes(int i, const std::string& v) {
    Check(sqlite3_bind_blob(s_, i, v.empty() ? "" : v.data(), static_cast<int>(v.size()),
                            SQLITE_TRANSIENT));
    return *this;
  }
  Stmt& BindBlob(int i, const std::vector<uint8_t>& v) {
    Check(sqlite3_bind_blob(s_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT));
    return *this;
  }
  Stmt& BindValue(int kindAt, const outlook::PropValue& v) {
    int valueAt = kindAt + 1;
    switch (v.index()) {
      case 1:
        Bind(kindAt, 1).Bind(valueAt, std::get<int32_t>(v));
        break;
      case 2:
        Bind(kindAt, 2).Bind(valueAt, std::get<bool>(v) ? 1 : 0);
        break;
      case 3:
        Bind(kindAt, 3);
        Check(sqlite3_bind_double(s_, valueAt, std::get<double>(v)));
        break;
      case 4:
        Bind(kindAt, 4).Bind(valueAt, std::get<std::wstring>(v));
        break;
      case 5:
        Bind(kindAt, 5).BindBlob(valueAt, std::get<std::vector<uint8_t>>(v));
        break;
      default:
        Bind(kindAt, 0);
        Check(sqlite3_bind_null(s_, valueAt));
    }
    return *this;
  }
  // Runs an insert or update to its end.
  void Run() {
    bool done = sqlite3_step(s_) == SQLITE_DONE;
    std::optional<SqlError> failure;
    if (!done) failure.emplace(db_);
    // Reset either way: a statement kept for the next save must not stay halfway.
    sqlite3_reset(s_);
    sqlite3_clear_bindings(s_);
    held_.clear();
    if (failure) throw *failure;
  }
  bool Next() {
    int rc = sqlite3_step(s_);
    if (rc == SQLITE_ROW) return true;
    if (rc != SQLITE_DONE) Throw();
    return false;
  }
  int64_t Int(int col) const { return sqlite3_column_int64(s_, col); }
  bool IsNull(int col) const { return sqlite3_column_type(s_, col) == SQLITE_NULL; }
  std::wstring Text(int col) const {
    auto p = reinterpret_cast<const char*>(sqlite3_column_text(s_, col));
    if (!p) return L"";
    // Decoded from SQLite's own buffer: a large body is not copied on its way.
    return win32::MultiByteToWide(
        win32::CP_UTF8, std::string_view(p, static_cast<size_t>(sqlite3_column_bytes(s_, col))));
  }
  std::string Bytes(int col) const {
    auto p = static_cast<const char*>(sqlite3_column_blob(s_, col));
    return p ? std::string(p, static_cast<size_t>(sqlite3_column_bytes(s_, col))) : std::string();
  }
  std::vector<uint8_t> Blob(int col) const {
    auto p = static_cast<const uint8_t*>(sqlite3_column_blob(s_, col));
    return p ? std::vector<uint8_t>(p, p + sqlite3_column_bytes(s_, col)) : std::vector<uint8_t>();
  }
  outlook::PropValue Value(int kindCol) const {
    switch (Int(kindCol)) {
      case 1:
        return static_cast<int32_t>(Int(kindCol + 1));
      case 2:
        return Int(kindCol + 1) != 0;
      case 3:
        return sqlite3_column_double(s_, kindCol + 1);
      case 4:
        return Text(kindCol + 1);
      case 5:
        return Blob(kindCol + 1);
      default:
        return std::monostate{};
    }
  }

 private:
  void Check(int rc) {
    if (rc != SQLITE_OK) Throw();
  }
  [[noreturn]] void Throw() { throw SqlError(db_); }
  sqlite3* db_;
  sqlite3_stmt* s_ = nullptr;
  // The texts bound in place, by parameter (a map: a short text lives inside its node, which
  // never moves).
  std::map<int, std::string> held_;
};

void Exec(sqlite3* db, const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
    sqlite3_free(message);
    throw SqlError(db);
  }
}

// All of `work` or none of it; on failure `undo` puts what memory kept of it back.
void InTransaction(sqlite3* db, const std::function<void()>& work,
                   const std::function<void()>& undo = {}) {
  Exec(db, "BEGIN IMMEDIATE");
  try {
    work();
    Exec(db, "COMMIT");
  } catch (...) {
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    if (undo) undo();
    throw;
  }
}

const char* g_vfs = nullptr;
FolderWriteCheck g_folderWriteCheck = nullptr;

int FolderWriteError(const std::filesystem::path& dir) {
  if (g_folderWriteCheck) return g_folderWriteCheck(dir);
  return ::access(dir.c_str(), W_OK) == 0 ? 0 : errno;
}

// Each commit is safe from a killed process without waiting for the disk. A store already
// in that mode is not written.
void UseWal(sqlite3* db) {
  bool wal = false;
  {
    Stmt mode(db, "PRAGMA journal_mode");
    wal = mode.Next() && mode.Text(0) == L"wal";
  }
  if (!wal) Exec(db, "PRAGMA journal_mode=WAL");
}

std::wstring PathText(const std::filesystem::path& p) {
  return FromUtf8(p.string());
}

}  // namespace

void SetProfileStoreVfs(const char* name) {
  g_vfs = name;
}

void SetProfileFolderWriteCheck(FolderWriteCheck check) {
  g_folderWriteCheck = check;
}

// Writes one item's records under its sequence number; its statements are made once.
struct ProfileStore::ItemWriter {
  explicit ItemWriter(sqlite3* db)
      : item(db, "INSERT INTO items VALUES(?, ?, ?, ?, ?)"),
        update(db,
               "UPDATE items SET folder = ?, entry_id = ?, class = ?, body_format = ? "
               "WHERE seq = ?"),
        remove(db, "DELETE FROM items WHERE seq = ?"),
        prop(db, "INSERT INTO props VALUES(?, ?, ?, ?)"),
        recip(db, "INSERT INTO recipients VALUES(?, ?, ?, ?, ?, ?, ?)"),
        att(db, "INSERT INTO attachments VALUES(?, ?, ?, ?, ?, ?, ?)"),
        field(db, "INSERT INTO attachment_fields VALUES(?, ?, ?, ?, ?)"),
        user(db, "INSERT INTO user_props VALUES(?, ?, ?, ?, ?)"),
        meta(db, "INSERT OR REPLACE INTO meta(key, value) VALUES(?, ?)") {
    for (const char* table : kItemTables)
      clear.push_back(std::make_unique<Stmt>(
          db, (std::string("DELETE FROM ") + table + " WHERE item = ?").c_str()));
  }
  void Clear(int64_t seq) {
    for (auto& c : clear) c->Bind(1, seq).Run();
  }
  void Delete(int64_t seq) {
    Clear(seq);
    remove.Bind(1, seq).Run();
  }
  void Write(int64_t seq, int64_t folder, const persist::Item& it, bool isNew) {
    if (isNew) {
      item.Bind(1, seq).Bind(2, folder).Bind(3, it.entryId).Bind(4, it.itemClass);
      item.Bind(5, it.bodyFormat).Run();
    } else {
      Clear(seq);
      update.Bind(1, folder).Bind(2, it.entryId).Bind(3, it.itemClass).Bind(4, it.bodyFormat);
      update.Bind(5, seq).Run();
    }
    static const outlook::PropValue kNone;
    for (const auto& [id, value] : it.props)
      prop.Bind(1, seq).Bind(2, id).BindValue(3, value ? *value : kNone).Run();
    for (size_t k = 0; k < it.recipients.size(); ++k)
      recip.Bind(1, seq)
          .Bind(2, static_cast<int64_t>(k))
          .Bind(3, it.recipients[k].name)
          .Bind(4, it.recipients[k].type)
          .Bind(5, it.recipients[k].address)
          .Bind(6, it.recipients[k].addressType)
          .Bind(7, int64_t{it.recipients[k].resolved})
          .Run();
    for (size_t k = 0; k < it.attachments.size(); ++k) {
      const auto& a = it.attachments[k];
      att.Bind(1, seq)
          .Bind(2, static_cast<int64_t>(k))
          .Bind(3, a.fileName)
          .Bind(4, a.displayName)
          .Bind(5, a.type)
          .Bind(6, a.position)
          .BindBlob(7, a.data)
          .Run();
      for (const auto& [tag, value] : a.fields)
        field.Bind(1, seq).Bind(2, static_cast<int64_t>(k)).Bind(3, tag).BindValue(4, value).Run();
    }
    for (size_t k = 0; k < it.userProperties.size(); ++k)
      user.Bind(1, seq)
          .Bind(2, static_cast<int64_t>(k))
          .Bind(3, it.userProperties[k].name)
          .Bind(4, it.userProperties[k].type)
          .Bind(5, it.userProperties[k].value)
          .Run();
  }
  Stmt item, update, remove, prop, recip, att, field, user, meta;
  std::vector<std::unique_ptr<Stmt>> clear;
};

// Writes the registry's changed keys and values; its statements are made once.
struct ProfileStore::RegistryWriter {
  explicit RegistryWriter(sqlite3* db)
      : keyPut(db, "INSERT OR REPLACE INTO reg_keys VALUES(?, ?)"),
        keyGone(db, "DELETE FROM reg_keys WHERE key = ?"),
        valuesGone(db, "DELETE FROM reg_values WHERE key = ?"),
        valuePut(db, "INSERT OR REPLACE INTO reg_values VALUES(?, ?, ?, ?, ?, ?)"),
        valueGone(db, "DELETE FROM reg_values WHERE key = ? AND fold = ?") {}
  Stmt keyPut, keyGone, valuesGone, valuePut, valueGone;
};

namespace {

bool SameFolder(const persist::Folder& a, const persist::Folder& b) {
  return a.entryId == b.entryId && a.parentId == b.parentId && a.name == b.name &&
         a.store == b.store && a.defaultItemType == b.defaultItemType;
}

// The subfolders a folder had at the last walk, in order, none deleted since or made.
bool SameChildren(outlook::MAPIFolder& folder, const std::vector<const void*>& kept) {
  size_t at = 0;
  for (const auto& child : folder.Children()) {
    if (child->IsDeleted()) continue;
    if (at == kept.size() || kept[at] != child.get()) return false;
    ++at;
  }
  return at == kept.size();
}

// Parents before children, whatever order the folders were made in.
std::vector<size_t> ParentsFirst(const std::vector<persist::Folder>& folders) {
  std::map<std::wstring, size_t> at;
  for (size_t i = 0; i < folders.size(); ++i) at[folders[i].entryId] = i;
  std::vector<size_t> order;
  std::vector<int> state(folders.size(), 0);  // 0 new, 1 on the way, 2 placed
  std::function<void(size_t)> place = [&](size_t i) {
    if (state[i]) return;
    state[i] = 1;
    auto parent = at.find(folders[i].parentId);
    if (parent != at.end()) place(parent->second);
    state[i] = 2;
    order.push_back(i);
  };
  for (size_t i = 0; i < folders.size(); ++i) place(i);
  return order;
}

}  // namespace

ProfileStore::ProfileStore(std::filesystem::path dir) : dir_(std::move(dir)) {
  storePath_ = dir_ / "store.sqlite";
  registryPath_ = dir_ / "registry.hive";
  Open();
}

bool ProfileStore::Open() {
  std::error_code ec;
  std::filesystem::create_directories(dir_, ec);
  if (ec) {
    error_ = L"cannot make the profile folder " + PathText(dir_) + L": " + FromUtf8(ec.message());
    return false;
  }
  // The lock goes with the process, however it ends: a killed program leaves none behind.
  lock_ = ::open((dir_ / "lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  bool lockIsStore = false;
  int err = lock_ < 0 ? errno : FolderWriteError(dir_);
  if (err != 0) {
    std::wstring cause = NoWriteCause(0, err);
    // A folder that takes no write still gives its profile to be read: locked by the lock
    // file when there is one, else by the store itself.
    if (!cause.empty() && std::filesystem::exists(storePath_, ec)) {
      if (lock_ < 0) lock_ = ::open((dir_ / "lock").c_str(), O_RDONLY | O_CLOEXEC);
      if (lock_ < 0) {
        lock_ = ::open(storePath_.c_str(), O_RDONLY | O_CLOEXEC);
        lockIsStore = lock_ >= 0;
      }
      if (lock_ >= 0) readOnlyCause_ = cause;
    }
    if (readOnlyCause_.empty()) {
      error_ = L"cannot write in the profile folder " + PathText(dir_) + L": " +
               FromUtf8(std::strerror(err));
      return false;
    }
  }
  if (::flock(lock_, LOCK_EX | LOCK_NB) != 0) {
    error_ = L"the profile " + PathText(dir_) +
             L" is in use by another tanvelo-outlook; end that one first";
    return false;
  }
  // A store reached through a link is locked where it lies too: two folders never share one.
  auto real = std::filesystem::canonical(storePath_, ec);
  if (!ec && std::filesystem::canonical(dir_, ec) != real.parent_path() && !ec) {
    auto realDir = real.parent_path();
    realLock_ = ::open((realDir / "lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (realLock_ < 0) {
      error_ = L"cannot lock the mail store " + PathText(storePath_) + L" in " + PathText(realDir) +
               L": " + FromUtf8(std::strerror(errno));
      return false;
    }
    if (::flock(realLock_, LOCK_EX | LOCK_NB) != 0) {
      error_ = L"the mail store " + PathText(storePath_) + L" is the profile " + PathText(realDir) +
               L"'s, in use by another tanvelo-outlook; end that one first";
      return false;
    }
  }
  // A hard link names no folder of its own to lock: the store file itself is locked, so a
  // second program on it, under any of its names, is refused. (SQLite locks with fcntl, which
  // this lock does not meet; the descriptor stays open until the store is closed.) A store
  // already locked as the folder's lock is not locked twice: the second would refuse the first.
  if (!lockIsStore) storeLock_ = ::open(storePath_.c_str(), O_RDONLY | O_CLOEXEC);
  if (storeLock_ >= 0 && ::flock(storeLock_, LOCK_EX | LOCK_NB) != 0) {
    error_ = L"the mail store " + PathText(storePath_) +
             L" is in use by another tanvelo-outlook under another of its names (a hard link); "
             L"end that one first";
    return false;
  }
  ec.clear();
  // SQLite takes a file too short for its header as a new database and would write over it.
  const std::wstring cannot = L"cannot read the mail store " + PathText(storePath_) + L": ";
  const std::wstring leftAlone = L"; the file is left as it is";
  if (auto size = std::filesystem::file_size(storePath_, ec); size > 0 && !ec) {
    std::ifstream in(storePath_, std::ios::binary);
    char header[16] = {};
    in.read(header, sizeof header);
    if (std::memcmp(header, "SQLite format 3", std::min<size_t>(16, size)) != 0) {
      error_ = cannot + L"not a Tanvelo profile store" + leftAlone;
      return false;
    }
    if (size < 100) {
      error_ = cannot + DamagedText("too short for a store") + leftAlone;
      return false;
    }
  }
  ec.clear();
  auto open = [&] {
    sqlite3_close(db_);
    db_ = nullptr;
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    std::string name = storePath_.string();
    if (!readOnlyCause_.empty()) {
      flags = SQLITE_OPEN_READONLY;
      // With no log left to read, the store is read as it lies: SQLite then needs no
      // shared-memory file, which a full disk or a closed folder would refuse.
      auto log = std::filesystem::file_size(name + "-wal", ec);
      if (ec || log == 0) {
        flags |= SQLITE_OPEN_URI;
        name = "file:" + UriPath(storePath_) + "?immutable=1";
      }
      ec.clear();
    }
    if (sqlite3_open_v2(name.c_str(), &db_, flags, g_vfs) != SQLITE_OK) {
      error_ = L"cannot open the mail store " + PathText(storePath_) + L": " +
               FromUtf8(db_ ? sqlite3_errmsg(db_) : "out of memory");
      sqlite3_close(db_);
      db_ = nullptr;
      return false;
    }
    sqlite3_busy_timeout(db_, 0);
    return true;
  };
  if (!open()) return false;
  // Nothing is written before the file is known to be ours and whole, and nothing at all to
  // a store that needs nothing: a full disk or a read-only store still opens to be read.
  auto settings = [&] {
    // An older store keeps its journal until it is taken over.
    if (!olderForm_) UseWal(db_);
    Exec(db_, "PRAGMA synchronous=NORMAL");
    // Fewer, larger checkpoints: each one waits for the disk.
    Exec(db_, ("PRAGMA wal_autocheckpoint=" + std::to_string(kCheckpointPages)).c_str());
    Exec(db_, ("PRAGMA journal_size_limit=" + std::to_string(kWalBytes)).c_str());
  };
  auto transaction = [&](const std::function<void()>& work) { InTransaction(db_, work); };
  // A write the disk refuses leaves the store to be read.
  auto writing = [&](const std::function<void()>& work) {
    try {
      work();
    } catch (const SqlError& e) {
      if (auto cause = NoWriteCause(e.extended); !cause.empty()) throw Unwritable(cause);
      throw;
    }
  };
  // What failed, in the error: the store being made, written or read.
  std::wstring failing = cannot;
  auto check = [&] {
    std::unordered_set<std::string> tables;
    try {
      Stmt names(db_, "SELECT name FROM sqlite_master WHERE type = 'table'");
      while (names.Next()) tables.insert(Utf8(names.Text(0)));
    } catch (const SqlError& e) {
      // A disk that takes no write refuses even a read of a store in write-ahead mode; else
      // the header is SQLite's: a file cut short or written over, most likely ours.
      ReadFailed(e);
    }
    if (tables.empty()) {
      // A new file, an empty one, or one a program left before its first save.
      failing = L"cannot make the mail store " + PathText(storePath_) + L": ";
      if (!readOnlyCause_.empty()) throw Unwritable(readOnlyCause_);
      writing([&] {
        settings();
        transaction([&] {
          Exec(db_, kSchema);
          Exec(db_, kRegistrySchema);
          Exec(db_, kIndexes);
        });
      });
    } else {
      if (!tables.count("meta")) throw NotOurs();
      int64_t version = 0;
      try {
        Stmt read(db_, "SELECT value FROM meta WHERE key = 'version'");
        if (read.Next()) version = read.Int(0);
      } catch (const SqlError& e) {
        ReadFailed(e);
      }
      if (version == 0) throw NotOurs();
      if (version != 1 && version != kVersion)
        throw std::runtime_error(
            "it was made by another version of tanvelo-outlook (store version " +
            std::to_string(version) + ")");
      for (const char* table : {"named", "folders", "items", "props", "recipients", "attachments",
                                "attachment_fields", "user_props"})
        if (!tables.count(table)) throw Damaged(std::string("no table ") + table);
      if (version == kVersion && (!tables.count("reg_keys") || !tables.count("reg_values")))
        throw Damaged("no registry tables");
      try {
        Stmt folders(db_, "SELECT count(*) FROM folders");
        hasProfile_ = folders.Next() && folders.Int(0) > 0;
        Stmt kept(db_, "SELECT value FROM meta WHERE key = 'registry'");
        registryKept_ = kept.Next() && kept.Int(0) == 1;
        Stmt columns(
            db_, "SELECT count(*) FROM pragma_table_info('recipients') WHERE name = 'resolved'");
        recipientColumns_ = columns.Next() && columns.Int(0) == 1;
      } catch (const SqlError& e) {
        ReadFailed(e);
      }
      // The older form is made this version's at its first load, once its registry file is
      // read: a file refused leaves the whole profile as it was.
      olderForm_ = version == 1;
      if (!readOnlyCause_.empty()) return;
      failing = L"cannot write the mail store " + PathText(storePath_) + L": ";
      writing([&] {
        settings();
        if (!olderForm_) {
          Stmt indexes(db_,
                       "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name IN "
                       "('props_item', 'recipients_item', 'attachments_item', "
                       "'attachment_fields_item', 'user_props_item')");
          if (!indexes.Next() || indexes.Int(0) != 5) Exec(db_, kIndexes);
        }
      });
    }
  };
  try {
    try {
      check();
    } catch (const Unwritable& e) {
      if (!readOnlyCause_.empty()) throw;
      // Only to be read: opened again as such, and told once.
      readOnlyCause_ = e.cause;
      failing = cannot;
      if (!open()) return false;
      check();
    }
  } catch (const Unwritable& e) {
    error_ = failing + e.cause + leftAlone;
  } catch (const NotOurs&) {
    error_ = cannot + L"not a Tanvelo profile store" + leftAlone;
  } catch (const Damaged& e) {
    error_ = cannot + DamagedText(e.what()) + leftAlone;
  } catch (const std::exception& e) {
    error_ = failing + FromUtf8(e.what()) + leftAlone;
  }
  if (!error_.empty()) {
    sqlite3_close(db_);
    db_ = nullptr;
    return false;
  }
  outlook::changes::Keep(true);
  return true;
}

ProfileStore::~ProfileStore() {
  writer_.reset();  // their statements go before the connection
  registryWriter_.reset();
  if (db_) {
    outlook::changes::Keep(false);
    sqlite3_close(db_);
  }
  if (lock_ >= 0) ::close(lock_);
  if (realLock_ >= 0) ::close(realLock_);
  if (storeLock_ >= 0) ::close(storeLock_);
}

// Inside a transaction: a store of the older form gets this version's tables.
void ProfileStore::Upgrade() {
  if (!olderForm_) return;
  Exec(db_, kRegistrySchema);
  Exec(db_, kIndexes);
  Exec(db_, "UPDATE meta SET value = 2 WHERE key = 'version'");
}

// The kept registry replaces the one in memory; a profile of the older form has its registry
// file taken over, in one transaction, and the file left as it was.
void ProfileStore::LoadRegistry() {
  using win32::HKEY_CURRENT_USER;
  if (!registryKept_ && std::filesystem::exists(registryPath_)) {
    std::string why;
    if (!win32::registry::LoadHive(HKEY_CURRENT_USER, registryPath_.string(), &why))
      throw std::runtime_error("cannot read the registry file " + registryPath_.string() +
                               ": it is cut short or damaged (the file is left as it is)");
    registryKeeper_ = win32::registry::KeepChanges(HKEY_CURRENT_USER, true);
    auto all = win32::registry::TakeChanges(HKEY_CURRENT_USER);
    try {
      UseWal(db_);
      Exec(db_, "BEGIN IMMEDIATE");
      Upgrade();
      WriteRegistry(all);
      Exec(db_, "COMMIT");
    } catch (const std::exception& e) {
      sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
      win32::registry::PutBackChanges(HKEY_CURRENT_USER, all);
      throw WriteFailed(e.what());
    }
    ++commits_;
    olderForm_ = false;
    registryKept_ = true;
    // The older program's scratch copy: never read, and no longer written.
    std::error_code ec;
    std::filesystem::remove(registryPath_.string() + ".new", ec);
    return;
  }
  if (!registryKept_) {
    // Nothing kept yet: the first save writes the registry whole.
    registryKeeper_ = win32::registry::KeepChanges(HKEY_CURRENT_USER, true);
    return;
  }
  std::vector<win32::registry::KeyRecord> keys;
  std::unordered_map<std::string, size_t> at;
  try {
    Stmt readKeys(db_, "SELECT key, path FROM reg_keys");
    while (readKeys.Next()) {
      at[readKeys.Bytes(0)] = keys.size();
      keys.push_back({readKeys.Bytes(0), readKeys.Bytes(1), false, false, {}});
    }
    Stmt values(db_, "SELECT key, fold, name, type, data, ord FROM reg_values");
    while (values.Next()) {
      auto key = at.find(values.Bytes(0));
      if (key == at.end()) throw Damaged("a registry value of no key");
      keys[key->second].values.push_back({values.Bytes(1), values.Bytes(2), false,
                                          static_cast<win32::DWORD>(values.Int(3)), values.Blob(4),
                                          static_cast<uint64_t>(values.Int(5))});
    }
  } catch (const SqlError& e) {
    if (IsDamage(e.code)) throw Damaged(e.what());
    throw;
  }
  std::string why;
  if (!win32::registry::PutHive(HKEY_CURRENT_USER, keys, &why)) throw Damaged(why);
  registryKeeper_ = win32::registry::KeepChanges(HKEY_CURRENT_USER, false);
}

bool ProfileStore::Load(outlook::Profile& profile) {
  if (!Ok()) return false;
  const std::wstring cannot = L"cannot read the mail store " + PathText(storePath_) + L": ";
  try {
    LoadRegistry();
  } catch (const WriteFailed& e) {
    error_ = L"cannot write the mail store " + PathText(storePath_) + L": " +
             (readOnlyCause_.empty() ? FromUtf8(e.what()) : readOnlyCause_) +
             L"; the profile is left as it was";
    return false;
  } catch (const Damaged& e) {
    error_ = cannot + DamagedText(e.what()) + L"; the file is left as it is";
    return false;
  } catch (const SqlError& e) {
    error_ = cannot + (IsDamage(e.code) ? DamagedText(e.what()) : FromUtf8(e.what()));
    return false;
  } catch (const std::exception& e) {
    error_ = FromUtf8(e.what());  // the registry file's refusal, with its path
    return false;
  }
  // Loaded again (Outlook started again in one run): the items are new objects.
  items_.clear();
  byFolder_.clear();
  walked_.clear();
  bags_.clear();
  walkedAll_ = false;
  folders_.clear();
  metaKept_ = false;
  outlookChanges_ = ~0ull;
  if (!hasProfile_) return true;
  try {
    persist::Profile saved;
    {
      Stmt meta(db_, "SELECT key, value FROM meta");
      while (meta.Next()) {
        if (meta.Text(0) == L"next_id") saved.nextId = static_cast<uint64_t>(meta.Int(1));
        if (meta.Text(0) == L"next_named") saved.nextNamed = static_cast<uint16_t>(meta.Int(1));
      }
      Stmt named(db_, "SELECT key, id FROM named");
      while (named.Next())
        saved.named.emplace_back(named.Text(0), static_cast<uint16_t>(named.Int(1)));
    }
    std::vector<persist::Folder> rows;
    std::vector<int64_t> rowSeq;
    Stmt folders(
        db_, "SELECT seq, entry_id, parent_id, name, store, item_type FROM folders ORDER BY seq");
    while (folders.Next()) {
      rowSeq.push_back(folders.Int(0));
      rows.push_back({folders.Text(1),
                      folders.Text(2),
                      folders.Text(3),
                      static_cast<int32_t>(folders.Int(4)),
                      static_cast<int32_t>(folders.Int(5)),
                      {}});
    }
    std::map<int64_t, size_t> folderAt;
    std::vector<int64_t> folderSeq;
    for (size_t i : ParentsFirst(rows)) {
      folderAt[rowSeq[i]] = saved.folders.size();
      folderSeq.push_back(rowSeq[i]);
      saved.folders.push_back(std::move(rows[i]));
    }
    Stmt items(db_, "SELECT seq, folder, entry_id, class, body_format FROM items ORDER BY seq");
    std::vector<std::vector<int64_t>> itemSeq(saved.folders.size());
    while (items.Next()) {
      auto f = folderAt.find(items.Int(1));
      if (f == folderAt.end()) throw Damaged("an item of no folder");
      saved.folders[f->second].items.push_back({items.Text(2),
                                                static_cast<int32_t>(items.Int(3)),
                                                static_cast<int32_t>(items.Int(4)),
                                                {},
                                                {},
                                                {},
                                                {}});
      itemSeq[f->second].push_back(items.Int(0));
    }
    // Pointers are taken once every item is in place.
    std::map<int64_t, persist::Item*> itemAt;
    for (size_t fi = 0; fi < saved.folders.size(); ++fi)
      for (size_t k = 0; k < itemSeq[fi].size(); ++k)
        itemAt[itemSeq[fi][k]] = &saved.folders[fi].items[k];
    auto item = [&](int64_t seq) -> persist::Item& {
      auto it = itemAt.find(seq);
      if (it == itemAt.end()) throw Damaged("a record of no item");
      return *it->second;
    };
    Stmt props(db_, "SELECT item, id, kind, value FROM props ORDER BY rowid");
    while (props.Next())
      item(props.Int(0))
          .props.emplace_back(static_cast<uint16_t>(props.Int(1)),
                              std::make_shared<const outlook::PropValue>(props.Value(2)));
    Stmt recips(db_, recipientColumns_
                         ? "SELECT item, name, type, address, addr_type, resolved FROM recipients "
                           "ORDER BY item, pos"
                         : "SELECT item, name, type FROM recipients ORDER BY item, pos");
    while (recips.Next()) {
      persist::Recipient r{
          recips.Text(1), static_cast<int32_t>(recips.Int(2)), L"", L"", false, true};
      if (recipientColumns_ && !recips.IsNull(5)) {
        r.address = recips.Text(3);
        r.addressType = recips.Text(4);
        r.resolved = recips.Int(5) != 0;
        r.nameOnly = false;
      }
      item(recips.Int(0)).recipients.push_back(std::move(r));
    }
    Stmt atts(db_,
              "SELECT item, file_name, display_name, type, position, data, pos FROM attachments "
              "ORDER BY item, pos");
    std::map<std::pair<int64_t, int64_t>, persist::Attachment*> attAt;
    while (atts.Next()) {
      auto& list = item(atts.Int(0)).attachments;
      list.push_back({atts.Text(1),
                      atts.Text(2),
                      static_cast<int32_t>(atts.Int(3)),
                      static_cast<int32_t>(atts.Int(4)),
                      atts.Blob(5),
                      {}});
    }
    for (auto& [seq, it] : itemAt)
      for (size_t i = 0; i < it->attachments.size(); ++i)
        attAt[{seq, static_cast<int64_t>(i)}] = &it->attachments[i];
    Stmt fields(db_, "SELECT item, att, tag, kind, value FROM attachment_fields ORDER BY rowid");
    while (fields.Next()) {
      auto a = attAt.find({fields.Int(0), fields.Int(1)});
      if (a == attAt.end()) throw Damaged("a field of no attachment");
      a->second->fields.emplace_back(static_cast<uint32_t>(fields.Int(2)), fields.Value(3));
    }
    Stmt users(db_, "SELECT item, name, type, value FROM user_props ORDER BY item, pos");
    while (users.Next())
      item(users.Int(0))
          .userProperties.push_back(
              {users.Text(1), users.Text(3), static_cast<int32_t>(users.Int(2))});
    std::vector<std::shared_ptr<outlook::Item>> made;
    persist::Restore(*profile.session, saved, &made);

    // What the store holds now, so the next save writes only what changes from here.
    size_t n = 0;
    for (size_t fi = 0; fi < saved.folders.size(); ++fi) {
      const auto& f = saved.folders[fi];
      // The folder's fields alone: its items' records are not copied.
      persist::Folder record{f.entryId, f.parentId, f.name, f.store, f.defaultItemType, {}};
      auto key = record.entryId;
      folders_[key] = {folderSeq[fi], std::move(record), 0};
      lastFolderSeq_ = std::max(lastFolderSeq_, folderSeq[fi]);
      for (int64_t seq : itemSeq[fi]) {
        lastItemSeq_ = std::max(lastItemSeq_, seq);
        const auto& it = made[n++];
        // An item whose folder could not come back is dropped at the next save.
        if (it) {
          KeepItem(it.get(), {it, seq, folderSeq[fi], 0, &it->Props()});
        }
      }
    }
    {
      Stmt last(db_, "SELECT coalesce(max(seq), 0) FROM items");
      if (last.Next()) lastItemSeq_ = std::max(lastItemSeq_, last.Int(0));
    }
    meta_ = {saved.nextId, saved.nextNamed, saved.named, {}};
    metaKept_ = true;
    outlook::changes::Take();  // restoring is no change
    outlookChanges_ = outlook::ChangeCount();
  } catch (const Damaged& e) {
    error_ = cannot + DamagedText(e.what()) + L"; the file is left as it is";
    return false;
  } catch (const SqlError& e) {
    error_ = cannot + (IsDamage(e.code) ? DamagedText(e.what()) : FromUtf8(e.what())) +
             L"; the file is left as it is";
    return false;
  } catch (const std::exception& e) {
    error_ = cannot + FromUtf8(e.what()) + L"; the file is left as it is";
    return false;
  }
  return true;
}

void ProfileStore::KeepItem(const outlook::Item* key, KeptItem kept) {
  kept.bag = &key->Props();
  if (auto was = items_.find(key); was != items_.end()) {
    bags_.erase(was->second.bag);
    if (was->second.folder != kept.folder) byFolder_[was->second.folder].erase(key);
  }
  byFolder_[kept.folder].insert(key);
  bags_[kept.bag] = key;
  items_[key] = std::move(kept);
}

void ProfileStore::ForgetItem(const outlook::Item* key) {
  auto kept = items_.find(key);
  if (kept == items_.end()) return;
  bags_.erase(kept->second.bag);
  if (auto in = byFolder_.find(kept->second.folder); in != byFolder_.end()) {
    in->second.erase(key);
    if (in->second.empty()) byFolder_.erase(in);
  }
  items_.erase(kept);
}

bool ProfileStore::Save(const outlook::Profile& profile, std::wstring& error) {
  if (!db_) {
    error = error_;
    return false;
  }
  using win32::HKEY_CURRENT_USER;
  // Not loaded, or the registry was made anew since: it is written whole.
  if (!win32::registry::ChangesKept(HKEY_CURRENT_USER, registryKeeper_))
    registryKeeper_ = win32::registry::KeepChanges(HKEY_CURRENT_USER, true);
  bool mailChanged = outlook::ChangeCount() != outlookChanges_;
  auto registry = win32::registry::TakeChanges(HKEY_CURRENT_USER);
  try {
    if (olderForm_ && readOnlyCause_.empty()) UseWal(db_);
    SaveStore(profile, mailChanged, registry);
  } catch (const std::exception& e) {
    // Rolled back whole: the next save writes all of it again.
    win32::registry::PutBackChanges(HKEY_CURRENT_USER, registry);
    // The cause in the user's words where SQLite's are vague ("disk I/O error").
    std::wstring cause = readOnlyCause_;
    if (auto* sql = dynamic_cast<const SqlError*>(&e); sql && cause.empty())
      cause = NoWriteCause(sql->extended);
    error = L"the mail store " + PathText(storePath_) + L": " + FromUtf8(e.what()) +
            (cause.empty() ? L"" : L" (" + cause + L")");
    return false;
  }
  return true;
}

void ProfileStore::WriteRegistry(const win32::registry::HiveChanges& registry) {
  if (registry.Empty()) return;
  if (!registryWriter_) registryWriter_ = std::make_unique<RegistryWriter>(db_);
  RegistryWriter& w = *registryWriter_;
  if (registry.whole) {
    Exec(db_, "DELETE FROM reg_keys");
    Exec(db_, "DELETE FROM reg_values");
    Exec(db_, "INSERT OR REPLACE INTO meta(key, value) VALUES('registry', 1)");
  }
  for (const auto& key : registry.keys) {
    if ((key.gone || key.cleared) && !registry.whole) {
      w.valuesGone.BindBytes(1, key.folded).Run();
      ++registryRows_;
    }
    if (key.gone) {
      w.keyGone.BindBytes(1, key.folded).Run();
      ++registryRows_;
      continue;
    }
    w.keyPut.BindBytes(1, key.folded).BindBytes(2, key.path).Run();
    ++registryRows_;
    for (const auto& v : key.values) {
      if (v.gone)
        w.valueGone.BindBytes(1, key.folded).BindBytes(2, v.folded).Run();
      else
        w.valuePut.BindBytes(1, key.folded)
            .BindBytes(2, v.folded)
            .BindBytes(3, v.name)
            .Bind(4, static_cast<int64_t>(v.type))
            .BindBlob(5, v.data)
            .Bind(6, static_cast<int64_t>(v.order))
            .Run();
      ++registryRows_;
    }
  }
}

void ProfileStore::SaveStore(const outlook::Profile& profile, bool mailChanged,
                             const win32::registry::HiveChanges& registry) {
  auto transaction = [&](const std::function<void()>& work, const std::function<void()>& undo) {
    InTransaction(
        db_,
        [&] {
          Upgrade();
          work();
        },
        undo);
    ++commits_;
    olderForm_ = false;
    if (registry.whole) registryKept_ = true;
  };
  if (!mailChanged) {
    if (!registry.Empty()) transaction([&] { WriteRegistry(registry); }, [] {});
    return;
  }
  auto changed = outlook::changes::Take();
  auto filed = outlook::changes::TakeFiled();
  // Folders noted only because items left them (a reply's passing copies): only those are
  // walked. Any other change of a folder (made, renamed, deleted, its subfolders) walks them all.
  std::vector<std::shared_ptr<outlook::MAPIFolder>> noted;
  bool partial = walkedAll_;
  for (const void* what : changed) {
    if (!partial) break;
    auto known = walked_.find(what);
    if (known == walked_.end()) continue;  // an item or a property bag
    auto folder = known->second.folder.lock();
    auto kept = folder ? folders_.find(folder->EntryID()) : folders_.end();
    // A folder deleted notes its parent too, whose subfolders then differ.
    partial = kept != folders_.end() && folder->Name() == kept->second.record.name &&
              SameChildren(*folder, known->second.children);
    noted.push_back(std::move(folder));
  }
  persist::Live live;
  if (partial) {
    live = persist::Counters(*profile.session);
    for (const auto& folder : noted) {
      live.folders.push_back(folders_.at(folder->EntryID()).record);
      live.keys.push_back(folder.get());
      auto& items = live.items.emplace_back();
      for (const auto& item : folder->Filed())
        if (item->Class() == outlook::olMail || item->Class() == outlook::olPost)
          items.push_back(item);
    }
  } else {
    // Items are listed only of the folders compared item by item below.
    live = persist::Walk(*profile.session, [&](const void* folder) {
      return !walkedAll_ || changed.count(folder) > 0;
    });
  }
  ++walks_;
  // What changed: folders by EntryID, items by identity and change stamp.
  struct FolderWrite {
    int64_t seq;
    const persist::Folder* record;
    bool isNew;
  };
  std::vector<FolderWrite> folderWrites;
  std::vector<std::wstring> folderGone;
  std::vector<int64_t> folderSeqOf(live.folders.size());
  int64_t nextFolder = lastFolderSeq_;
  for (size_t i = 0; i < live.folders.size(); ++i) {
    const auto& f = live.folders[i];
    auto kept = folders_.find(f.entryId);
    if (kept == folders_.end()) {
      folderSeqOf[i] = ++nextFolder;
      folderWrites.push_back({folderSeqOf[i], &f, true});
    } else {
      kept->second.walk = walks_;
      folderSeqOf[i] = kept->second.seq;
      if (!SameFolder(kept->second.record, f)) folderWrites.push_back({folderSeqOf[i], &f, false});
    }
  }
  if (!partial)
    for (const auto& [id, kept] : folders_)
      if (kept.walk != walks_) folderGone.push_back(id);
  auto walkedKeys = [&] {
    if (partial) return;
    walked_.clear();
    for (size_t i = 0; i < live.keys.size(); ++i) {
      auto& w = walked_[live.keys[i]];
      w.folder = live.handles[i];
      w.seq = folderSeqOf[i];
      for (const auto& child : live.handles[i]->Children())
        if (!child->IsDeleted()) w.children.push_back(child.get());
    }
  };

  struct ItemWrite {
    std::shared_ptr<outlook::Item> item;
    int64_t seq, folder;
    bool isNew;
  };
  std::vector<ItemWrite> itemWrites;
  std::vector<int64_t> itemGone;
  int64_t nextItem = lastItemSeq_;
  // Only folders whose contents changed are compared item by item (all of them the first
  // time); an item of another folder is written when it was noted as changed.
  std::unordered_set<int64_t> diffed;
  for (const auto& id : folderGone) diffed.insert(folders_[id].seq);
  for (size_t i = 0; i < live.folders.size(); ++i) {
    if (walkedAll_ && !changed.count(live.keys[i])) continue;
    diffed.insert(folderSeqOf[i]);
    for (const auto& item : live.items[i]) {
      auto kept = items_.find(item.get());
      // The same object, not one made where a gone one was (compared without locking).
      if (kept != items_.end() && !kept->second.item.owner_before(item) &&
          !item.owner_before(kept->second.item)) {
        kept->second.walk = walks_;
        if (kept->second.folder != folderSeqOf[i] || changed.count(item.get()) ||
            changed.count(kept->second.bag))
          itemWrites.push_back({item, kept->second.seq, folderSeqOf[i], false});
      } else {
        // A new item, or one that took the place of a gone one in memory.
        if (kept != items_.end()) itemGone.push_back(kept->second.seq);
        itemWrites.push_back({item, ++nextItem, folderSeqOf[i], true});
      }
    }
  }
  for (const void* what : changed) {
    auto byBag = bags_.find(what);
    auto kept =
        items_.find(static_cast<const outlook::Item*>(byBag != bags_.end() ? byBag->second : what));
    if (kept == items_.end() || diffed.count(kept->second.folder)) continue;
    if (auto item = kept->second.item.lock(); item && !item->IsDead()) {
      // One noted twice (item and bag) is written once.
      if (std::none_of(itemWrites.begin(), itemWrites.end(),
                       [&](const auto& w) { return w.item == item; }))
        itemWrites.push_back({item, kept->second.seq, kept->second.folder, false});
    }
  }
  // Items filed in a folder nothing else changed in: the folder's other items are as they were.
  if (!filed.empty()) {
    std::unordered_map<const void*, int64_t> seqOf;
    if (partial)
      for (const auto& [key, w] : walked_) seqOf[key] = w.seq;
    else
      for (size_t i = 0; i < live.keys.size(); ++i) seqOf[live.keys[i]] = folderSeqOf[i];
    for (const auto& [folder, weak] : filed) {
      auto at = seqOf.find(folder);
      auto item = std::const_pointer_cast<outlook::Item>(
          std::static_pointer_cast<const outlook::Item>(weak.lock()));
      if (at == seqOf.end() || !item || item->IsDead() || diffed.count(at->second)) continue;
      if (item->Class() != outlook::olMail && item->Class() != outlook::olPost) continue;
      if (std::any_of(itemWrites.begin(), itemWrites.end(),
                      [&](const auto& w) { return w.item == item; }))
        continue;
      auto kept = items_.find(item.get());
      if (kept != items_.end() && kept->second.item.lock() == item)
        itemWrites.push_back({item, kept->second.seq, at->second, false});
      else
        itemWrites.push_back({item, ++nextItem, at->second, true});
    }
  }
  if (!recipientColumns_) {
    Exec(db_, kRecipientColumns);
    recipientColumns_ = true;
  }
  if (!writer_) writer_ = std::make_unique<ItemWriter>(db_);
  std::vector<const outlook::Item*> forget;
  // Only a folder compared item by item can have lost one: most saves compare none, and only
  // the items kept in those are looked at (the others grow with the user's data).
  for (int64_t folder : diffed) {
    auto in = byFolder_.find(folder);
    if (in == byFolder_.end()) continue;
    for (const auto* key : in->second) {
      const auto& kept = items_.at(key);
      if (kept.walk != walks_) {
        // Deleted, or moved (the moved item is a new one).
        itemGone.push_back(kept.seq);
        forget.push_back(key);
      }
    }
  }
  // Items replaced in memory were counted twice above.
  std::sort(itemGone.begin(), itemGone.end());
  itemGone.erase(std::unique(itemGone.begin(), itemGone.end()), itemGone.end());
  bool metaChanged = !metaKept_ || meta_.nextId != live.nextId ||
                     meta_.nextNamed != live.nextNamed || meta_.named != live.named;

  if (folderWrites.empty() && folderGone.empty() && itemWrites.empty() && itemGone.empty() &&
      !metaChanged) {
    outlookChanges_ = outlook::ChangeCount();
    walkedKeys();
    if (!registry.Empty()) transaction([&] { WriteRegistry(registry); }, [] {});
    return;
  }

  transaction(
      [&] {
        if (metaChanged) {
          auto& meta = writer_->meta;
          meta.Bind(1, L"next_id").Bind(2, static_cast<int64_t>(live.nextId)).Run();
          meta.Bind(1, L"next_named").Bind(2, live.nextNamed).Run();
        }
        if (!metaKept_ || meta_.named != live.named) {
          Exec(db_, "DELETE FROM named");
          Stmt named(db_, "INSERT INTO named(key, id) VALUES(?, ?)");
          for (const auto& [key, id] : live.named) named.Bind(1, key).Bind(2, id).Run();
        }
        if (!folderGone.empty()) {
          Stmt remove(db_, "DELETE FROM folders WHERE seq = ?");
          for (const auto& id : folderGone) remove.Bind(1, folders_[id].seq).Run();
        }
        if (!folderWrites.empty()) {
          Stmt folder(db_, "INSERT OR REPLACE INTO folders VALUES(?, ?, ?, ?, ?, ?)");
          for (const auto& w : folderWrites)
            folder.Bind(1, w.seq)
                .Bind(2, w.record->entryId)
                .Bind(3, w.record->parentId)
                .Bind(4, w.record->name)
                .Bind(5, w.record->store)
                .Bind(6, w.record->defaultItemType)
                .Run();
        }
        ItemWriter& writer = *writer_;
        for (int64_t seq : itemGone) writer.Delete(seq);
        for (size_t k = 0; k < itemWrites.size(); ++k) {
          const auto& w = itemWrites[k];
          writer.Write(w.seq, w.folder, persist::TakeItem(w.item), w.isNew);
        }
        WriteRegistry(registry);
      },
      [&] {
        // What was not written is written by the next save.
        for (const void* what : changed) outlook::changes::Note(what);
        for (const auto& [folder, item] : filed) outlook::changes::NoteFiled(folder, item);
      });
  // Taking an item may make its plain text: no change to write again.
  outlook::changes::Take();
  hasProfile_ = true;
  for (const auto& id : folderGone) folders_.erase(id);
  for (const auto& w : folderWrites) {
    folders_[w.record->entryId] = {w.seq, *w.record, walks_};
  }
  lastFolderSeq_ = nextFolder;
  for (const auto* key : forget) ForgetItem(key);
  for (const auto& w : itemWrites) KeepItem(w.item.get(), {w.item, w.seq, w.folder, walks_, {}});
  walkedKeys();
  walkedAll_ = true;
  lastItemSeq_ = nextItem;
  meta_ = {live.nextId, live.nextNamed, live.named, {}};
  metaKept_ = true;
  outlookChanges_ = outlook::ChangeCount();
}

}  // namespace host
