// The frequently used templates: one usage record per counted template, kept in the
// registry, and per action the five most used templates, cached until a use of that action
// is counted or the records are refreshed.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/CTemplates.h"
#include "platform/outlook/Events.h"

class CFrequentlyTemplates {
 public:
  static constexpr int32_t MAX_COUNT = 5;

  // Loads the records from the registry.
  CFrequentlyTemplates();
  ~CFrequentlyTemplates();
  CFrequentlyTemplates(const CFrequentlyTemplates&) = delete;
  CFrequentlyTemplates& operator=(const CFrequentlyTemplates&) = delete;

  // Brings the caller's list up to date with the ranked list of the use type; sets bUpdated
  // when it had to change (use counts alone do not count as a change).
  void UpdateFrequents(CTemplates& colTmpls, int32_t nUseType, bool& bUpdated);
  // At most MAX_COUNT records, most used first, ties by EntryID text descending; null for a
  // use type other than 1, 2, 4 or 8. Without bForceRecalc the cached list itself comes back.
  std::shared_ptr<CTemplates> GetFrequents(int32_t nUseType, bool bForceRecalc);
  // Counts one use for each bit of nUseType and raises OnChange.
  void IncUseCount(const std::wstring& sEntryID, int32_t nUseType);
  // Re-reads every record from Outlook, drops those of vanished templates, rewrites the
  // registry.
  void RefreshAll();
  std::shared_ptr<CTemplate> Refresh(const std::wstring& sEntryID);
  // Gives the usage record of a template that was replaced by a new one to the new one (its
  // counts kept); nothing when the old one has none. Raises OnChange for every use type.
  void MoveRecord(const std::wstring& sOldEntryID, const std::wstring& sNewEntryID);

  // Raised with the use type after each counted use.
  outlook::Event<int32_t> OnChange;

  // The records in memory, for the callers that list them.
  const CTemplates& Templates() const { return m_colTemplates; }
  static std::wstring GetRegKey();

 private:
  bool m_bCountingLater = false;  // a use refused earlier is being counted now
  std::shared_ptr<CTemplates>* GetFrequentsCache(int32_t nUseType);
  void DropCaches();
  void Load();
  void DeleteEntry(const std::shared_ptr<CTemplate>& record);
  void SaveAll();
  void SaveEntry(const CTemplate& record);
  std::shared_ptr<CTemplate> FindTemplate(const std::wstring& sEntryID) const;

  CTemplates m_colTemplates;
  // The key Load read the records from; empty while the profile's key was unknown.
  std::wstring m_sLoadedKey;
  std::array<std::shared_ptr<CTemplates>, 4> m_colCache;  // use types 1, 2, 4, 8
};

// The process's object, made by the add-in host at connection and kept until disconnection.
extern std::shared_ptr<CFrequentlyTemplates> g_oFrequentlyTemplates;
