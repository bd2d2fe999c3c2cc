// A profile kept on disk: the mail store in DIR/store.sqlite and the registry in
// DIR/registry.hive beside it. Each save is one transaction (the registry file is replaced
// whole, by rename), so a program stopped at any point keeps everything saved before. A file
// that cannot be read is reported with its path and left as it is.
#pragma once

#include <filesystem>
#include <string>

#include "platform/outlook/ProfileBuilder.h"

struct sqlite3;

namespace host {

class ProfileStore {
 public:
  // Opens (or creates) the store of DIR; error() tells why it cannot be used.
  explicit ProfileStore(std::filesystem::path dir);
  ~ProfileStore();
  ProfileStore(const ProfileStore&) = delete;
  ProfileStore& operator=(const ProfileStore&) = delete;

  bool Ok() const { return error_.empty(); }
  const std::wstring& Error() const { return error_; }
  // Whether DIR held a saved profile when opened.
  bool HasProfile() const { return hasProfile_; }

  // Replaces the demo profile's folders, items and registry by the saved ones; a new DIR keeps
  // the demo profile. False (with Error()) when the saved data cannot be read.
  bool Load(outlook::Profile& profile);
  // Saves every folder and item of the profile's stores and the registry, in one transaction.
  bool Save(const outlook::Profile& profile, std::wstring& error);

  const std::filesystem::path& StorePath() const { return storePath_; }
  const std::filesystem::path& RegistryPath() const { return registryPath_; }

 private:
  std::filesystem::path dir_, storePath_, registryPath_;
  sqlite3* db_ = nullptr;
  std::wstring error_;
  bool hasProfile_ = false;
};

}  // namespace host
