#include "host/ProfileStore.h"

#include <sqlite3.h>

#include <system_error>

#include "host/ScriptReader.h"
#include "platform/outlook/NameSpace.h"
#include "platform/outlook/Persist.h"
#include "platform/win32/Registry.h"

namespace host {
namespace {

namespace persist = outlook::persist;

const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value INTEGER);
CREATE TABLE IF NOT EXISTS named(key TEXT, id INTEGER);
CREATE TABLE IF NOT EXISTS folders(seq INTEGER PRIMARY KEY, entry_id TEXT, parent_id TEXT,
                                   name TEXT, store INTEGER, item_type INTEGER);
CREATE TABLE IF NOT EXISTS items(seq INTEGER PRIMARY KEY, folder INTEGER, entry_id TEXT,
                                 class INTEGER, body_format INTEGER);
CREATE TABLE IF NOT EXISTS props(item INTEGER, id INTEGER, kind INTEGER, value);
CREATE TABLE IF NOT EXISTS recipients(item INTEGER, pos INTEGER, name TEXT, type INTEGER);
CREATE TABLE IF NOT EXISTS attachments(item INTEGER, pos INTEGER, file_name TEXT,
                                       display_name TEXT, type INTEGER, position INTEGER,
                                       data BLOB);
CREATE TABLE IF NOT EXISTS attachment_fields(item INTEGER, att INTEGER, tag INTEGER,
                                             kind INTEGER, value);
CREATE TABLE IF NOT EXISTS user_props(item INTEGER, pos INTEGER, name TEXT, type INTEGER,
                                      value TEXT);
)";

const char* kTables[] = {"meta",       "named",       "folders",           "items",     "props",
                         "recipients", "attachments", "attachment_fields", "user_props"};

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
  Stmt& Bind(int i, const std::wstring& v) {
    std::string u = Utf8(v);
    Check(sqlite3_bind_text(s_, i, u.data(), static_cast<int>(u.size()), SQLITE_TRANSIENT));
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
    if (sqlite3_step(s_) != SQLITE_DONE) Throw();
    sqlite3_reset(s_);
    sqlite3_clear_bindings(s_);
  }
  bool Next() {
    int rc = sqlite3_step(s_);
    if (rc == SQLITE_ROW) return true;
    if (rc != SQLITE_DONE) Throw();
    return false;
  }
  int64_t Int(int col) const { return sqlite3_column_int64(s_, col); }
  std::wstring Text(int col) const {
    auto p = reinterpret_cast<const char*>(sqlite3_column_text(s_, col));
    return p ? FromUtf8(std::string(p, static_cast<size_t>(sqlite3_column_bytes(s_, col)))) : L"";
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
  [[noreturn]] void Throw() { throw std::runtime_error(sqlite3_errmsg(db_)); }
  sqlite3* db_;
  sqlite3_stmt* s_ = nullptr;
};

void Exec(sqlite3* db, const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
    std::string text = message ? message : "unknown error";
    sqlite3_free(message);
    throw std::runtime_error(text);
  }
}

std::wstring PathText(const std::filesystem::path& p) {
  return FromUtf8(p.string());
}

}  // namespace

ProfileStore::ProfileStore(std::filesystem::path dir) : dir_(std::move(dir)) {
  storePath_ = dir_ / "store.sqlite";
  registryPath_ = dir_ / "registry.hive";
  std::error_code ec;
  std::filesystem::create_directories(dir_, ec);
  if (ec) {
    error_ = L"cannot make the profile folder " + PathText(dir_) + L": " + FromUtf8(ec.message());
    return;
  }
  bool existed = std::filesystem::exists(storePath_);
  // Opening never writes; a file that is no store fails at the first read below.
  if (sqlite3_open_v2(storePath_.string().c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                      nullptr) != SQLITE_OK) {
    error_ = L"cannot open the mail store " + PathText(storePath_) + L": " +
             FromUtf8(db_ ? sqlite3_errmsg(db_) : "out of memory");
    return;
  }
  sqlite3_busy_timeout(db_, 0);
  if (!existed) return;
  try {
    Stmt version(db_, "SELECT value FROM meta WHERE key = 'version'");
    if (!version.Next() || version.Int(0) != 1)
      throw std::runtime_error("it holds no Tanvelo profile of this version");
    hasProfile_ = true;
  } catch (const std::exception& e) {
    error_ = L"cannot read the mail store " + PathText(storePath_) + L": " + FromUtf8(e.what()) +
             L" (the file is left as it is)";
  }
}

ProfileStore::~ProfileStore() {
  if (db_) sqlite3_close(db_);
}

bool ProfileStore::Load(outlook::Profile& profile) {
  if (!Ok()) return false;
  if (std::filesystem::exists(registryPath_) &&
      !win32::registry::LoadHive(win32::HKEY_CURRENT_USER, registryPath_.string())) {
    error_ = L"cannot read the registry file " + PathText(registryPath_) +
             L" (the file is left as it is)";
    return false;
  }
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
    std::map<int64_t, size_t> folderAt;
    Stmt folders(
        db_, "SELECT seq, entry_id, parent_id, name, store, item_type FROM folders ORDER BY seq");
    while (folders.Next()) {
      folderAt[folders.Int(0)] = saved.folders.size();
      saved.folders.push_back({folders.Text(1),
                               folders.Text(2),
                               folders.Text(3),
                               static_cast<int32_t>(folders.Int(4)),
                               static_cast<int32_t>(folders.Int(5)),
                               {}});
    }
    std::map<int64_t, persist::Item*> itemAt;
    Stmt items(db_, "SELECT seq, folder, entry_id, class, body_format FROM items ORDER BY seq");
    while (items.Next()) {
      auto f = folderAt.find(items.Int(1));
      if (f == folderAt.end()) throw std::runtime_error("an item of no folder");
      auto& list = saved.folders[f->second].items;
      list.push_back({items.Text(2),
                      static_cast<int32_t>(items.Int(3)),
                      static_cast<int32_t>(items.Int(4)),
                      {},
                      {},
                      {},
                      {}});
    }
    // Pointers are taken once every item is in place.
    {
      Stmt order(db_, "SELECT seq, folder FROM items ORDER BY seq");
      std::map<size_t, size_t> next;
      while (order.Next()) {
        size_t fi = folderAt[order.Int(1)];
        itemAt[order.Int(0)] = &saved.folders[fi].items[next[fi]++];
      }
    }
    auto item = [&](int64_t seq) -> persist::Item& {
      auto it = itemAt.find(seq);
      if (it == itemAt.end()) throw std::runtime_error("a record of no item");
      return *it->second;
    };
    Stmt props(db_, "SELECT item, id, kind, value FROM props ORDER BY rowid");
    while (props.Next())
      item(props.Int(0)).props.emplace_back(static_cast<uint16_t>(props.Int(1)), props.Value(2));
    Stmt recips(db_, "SELECT item, name, type FROM recipients ORDER BY item, pos");
    while (recips.Next())
      item(recips.Int(0))
          .recipients.push_back({recips.Text(1), static_cast<int32_t>(recips.Int(2))});
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
      if (a == attAt.end()) throw std::runtime_error("a field of no attachment");
      a->second->fields.emplace_back(static_cast<uint32_t>(fields.Int(2)), fields.Value(3));
    }
    Stmt users(db_, "SELECT item, name, type, value FROM user_props ORDER BY item, pos");
    while (users.Next())
      item(users.Int(0))
          .userProperties.push_back(
              {users.Text(1), users.Text(3), static_cast<int32_t>(users.Int(2))});
    persist::Restore(*profile.session, saved);
  } catch (const std::exception& e) {
    error_ = L"cannot read the mail store " + PathText(storePath_) + L": " + FromUtf8(e.what()) +
             L" (the file is left as it is)";
    return false;
  }
  return true;
}

bool ProfileStore::Save(const outlook::Profile& profile, std::wstring& error) {
  if (!db_) {
    error = error_;
    return false;
  }
  auto saved = persist::Take(*profile.session);
  try {
    Exec(db_, "BEGIN IMMEDIATE");
    try {
      Exec(db_, kSchema);
      for (const char* table : kTables) Exec(db_, (std::string("DELETE FROM ") + table).c_str());
      Stmt meta(db_, "INSERT INTO meta(key, value) VALUES(?, ?)");
      meta.Bind(1, L"version").Bind(2, 1).Run();
      meta.Bind(1, L"next_id").Bind(2, static_cast<int64_t>(saved.nextId)).Run();
      meta.Bind(1, L"next_named").Bind(2, saved.nextNamed).Run();
      Stmt named(db_, "INSERT INTO named(key, id) VALUES(?, ?)");
      for (const auto& [key, id] : saved.named) named.Bind(1, key).Bind(2, id).Run();
      Stmt folder(db_, "INSERT INTO folders VALUES(?, ?, ?, ?, ?, ?)");
      Stmt item(db_, "INSERT INTO items VALUES(?, ?, ?, ?, ?)");
      Stmt prop(db_, "INSERT INTO props VALUES(?, ?, ?, ?)");
      Stmt recip(db_, "INSERT INTO recipients VALUES(?, ?, ?, ?)");
      Stmt att(db_, "INSERT INTO attachments VALUES(?, ?, ?, ?, ?, ?, ?)");
      Stmt field(db_, "INSERT INTO attachment_fields VALUES(?, ?, ?, ?, ?)");
      Stmt user(db_, "INSERT INTO user_props VALUES(?, ?, ?, ?, ?)");
      int64_t fseq = 0, iseq = 0;
      for (const auto& f : saved.folders) {
        folder.Bind(1, ++fseq)
            .Bind(2, f.entryId)
            .Bind(3, f.parentId)
            .Bind(4, f.name)
            .Bind(5, f.store)
            .Bind(6, f.defaultItemType)
            .Run();
        for (const auto& it : f.items) {
          item.Bind(1, ++iseq)
              .Bind(2, fseq)
              .Bind(3, it.entryId)
              .Bind(4, it.itemClass)
              .Bind(5, it.bodyFormat)
              .Run();
          for (const auto& [id, value] : it.props)
            prop.Bind(1, iseq).Bind(2, id).BindValue(3, value).Run();
          for (size_t k = 0; k < it.recipients.size(); ++k)
            recip.Bind(1, iseq)
                .Bind(2, static_cast<int64_t>(k))
                .Bind(3, it.recipients[k].name)
                .Bind(4, it.recipients[k].type)
                .Run();
          for (size_t k = 0; k < it.attachments.size(); ++k) {
            const auto& a = it.attachments[k];
            att.Bind(1, iseq)
                .Bind(2, static_cast<int64_t>(k))
                .Bind(3, a.fileName)
                .Bind(4, a.displayName)
                .Bind(5, a.type)
                .Bind(6, a.position)
                .BindBlob(7, a.data)
                .Run();
            for (const auto& [tag, value] : a.fields)
              field.Bind(1, iseq)
                  .Bind(2, static_cast<int64_t>(k))
                  .Bind(3, tag)
                  .BindValue(4, value)
                  .Run();
          }
          for (size_t k = 0; k < it.userProperties.size(); ++k)
            user.Bind(1, iseq)
                .Bind(2, static_cast<int64_t>(k))
                .Bind(3, it.userProperties[k].name)
                .Bind(4, it.userProperties[k].type)
                .Bind(5, it.userProperties[k].value)
                .Run();
        }
      }
      Exec(db_, "COMMIT");
    } catch (...) {
      sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
      throw;
    }
  } catch (const std::exception& e) {
    error = L"the mail store " + PathText(storePath_) + L": " + FromUtf8(e.what());
    return false;
  }
  hasProfile_ = true;
  // The registry file is replaced whole: a stop halfway leaves the previous one.
  auto temp = registryPath_;
  temp += ".new";
  std::error_code ec;
  if (!win32::registry::SaveHive(win32::HKEY_CURRENT_USER, temp.string())) {
    error = L"cannot write the registry file " + PathText(temp);
    return false;
  }
  std::filesystem::rename(temp, registryPath_, ec);
  if (ec) {
    error = L"cannot replace the registry file " + PathText(registryPath_) + L": " +
            FromUtf8(ec.message());
    return false;
  }
  return true;
}

}  // namespace host
