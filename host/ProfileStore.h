// A profile kept on disk: the mail and the registry in one SQLite store, DIR/store.sqlite. A
// save writes only what changed since the last one, mail and registry in one transaction, so a
// program stopped at any point keeps both as one and the same save left them. A profile of the
// older form (its registry in DIR/registry.hive) is taken over at its first load, the old file
// read and checked before anything is written, and left as it was. One program at a time: the
// profile is locked while the store is open, and a linked store where it lies. A session that
// changes nothing writes nothing. A file that cannot be read is reported with its path and
// left as it is. On a disk or in a folder that takes no write, a profile is opened to be read
// only, and a save with something to write fails naming that cause.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/outlook/Persist.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/win32/RegistryChanges.h"

struct sqlite3;

namespace host {

// The SQLite VFS the stores opened from now on go through, by name (nullptr: SQLite's
// default). Tests put the store's I/O under injected faults this way.
void SetProfileStoreVfs(const char* name);

// Whether the profile folder takes a write: 0, or the errno of its refusal. nullptr: the
// system's answer. Tests stand in a read-only or closed disk this way.
using FolderWriteCheck = int (*)(const std::filesystem::path& dir);
void SetProfileFolderWriteCheck(FolderWriteCheck check);

class ProfileStore {
 public:
  // Opens (or creates) the store of DIR; error() tells why it cannot be used.
  explicit ProfileStore(std::filesystem::path dir);
  ~ProfileStore();
  ProfileStore(const ProfileStore&) = delete;
  ProfileStore& operator=(const ProfileStore&) = delete;

  bool Ok() const { return error_.empty(); }
  const std::wstring& Error() const { return error_; }
  // Why the store was opened only to be read (a full disk, a folder that takes no write): ""
  // when it can be written. A save with something to write then fails, naming this cause.
  const std::wstring& ReadOnlyCause() const { return readOnlyCause_; }
  // Whether DIR held a saved profile when opened.
  bool HasProfile() const { return hasProfile_; }

  // Replaces the demo profile's folders, items and registry by the saved ones; a new DIR keeps
  // the demo profile. False (with Error()) when the saved data cannot be read.
  bool Load(outlook::Profile& profile);
  // Saves what changed in the profile's folders, mail and registry since the last save or load;
  // nothing is written when nothing changed. After a failed save the next one writes again
  // whatever the failed one did not.
  bool Save(const outlook::Profile& profile, std::wstring& error);
  // Store transactions committed since the store was opened (for tests and benchmarks).
  int64_t Commits() const { return commits_; }
  // Registry rows (keys and values) written or deleted since the store was opened.
  int64_t RegistryRowsWritten() const { return registryRows_; }

  const std::filesystem::path& StorePath() const { return storePath_; }
  // Where a profile of the older form kept its registry.
  const std::filesystem::path& OldRegistryPath() const { return registryPath_; }

 private:
  struct KeptItem {
    std::weak_ptr<outlook::Item> item;
    int64_t seq = 0, folder = 0;
    uint64_t walk = 0;          // the last save that found it
    const void* bag = nullptr;  // its property bag, as outlook::changes notes it
  };
  struct KeptFolder {
    int64_t seq = 0;
    outlook::persist::Folder record;  // without items
    uint64_t walk = 0;
  };
  struct ItemWriter;
  struct RegistryWriter;
  bool Open();
  void Upgrade();
  void LoadRegistry();
  void SaveStore(const outlook::Profile& profile, bool mailChanged,
                 const win32::registry::HiveChanges& registry);
  void WriteRegistry(const win32::registry::HiveChanges& registry);
  void KeepItem(const outlook::Item* key, KeptItem kept);
  void ForgetItem(const outlook::Item* key);

  std::filesystem::path dir_, storePath_, registryPath_;
  sqlite3* db_ = nullptr;
  std::unique_ptr<ItemWriter> writer_;
  std::unique_ptr<RegistryWriter> registryWriter_;
  int lock_ = -1, realLock_ = -1;  // the folder's lock; the real store's, when it lies elsewhere
  int storeLock_ = -1;             // the store file's own, for its other names
  std::wstring error_;
  std::wstring readOnlyCause_;
  bool hasProfile_ = false;
  int64_t commits_ = 0, registryRows_ = 0;
  bool registryKept_ = false;  // the store holds the registry (else the first save writes it)
  bool olderForm_ = false;     // a store of version 1, not yet made this version's
  // The recipients' address columns are there (a store made before them gets them when saved).
  bool recipientColumns_ = true;
  uint64_t registryKeeper_ = 0;  // as win32::registry::KeepChanges answered
  // What the store holds, as of the last save or load.
  std::unordered_map<const outlook::Item*, KeptItem> items_;
  std::unordered_map<const void*, const outlook::Item*> bags_;
  std::unordered_map<int64_t, std::unordered_set<const outlook::Item*>> byFolder_;  // by seq
  bool walkedAll_ = false;  // every folder compared item by item since the last load
  // The folders at the last walk of them all, by address (as outlook::changes notes them).
  struct WalkedFolder {
    std::weak_ptr<outlook::MAPIFolder> folder;
    int64_t seq = 0;
    std::vector<const void*> children;
  };
  std::unordered_map<const void*, WalkedFolder> walked_;
  std::unordered_map<std::wstring, KeptFolder> folders_;  // by EntryID
  int64_t lastItemSeq_ = 0, lastFolderSeq_ = 0;
  outlook::persist::Profile meta_;  // ids and named properties; no folders
  bool metaKept_ = false;
  uint64_t walks_ = 0;
  // The change count the mail was last written at; none yet.
  uint64_t outlookChanges_ = ~0ull;
};

}  // namespace host
