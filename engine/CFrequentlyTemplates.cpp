#include "engine/CFrequentlyTemplates.h"

#include <algorithm>
#include <cstdint>
#include <unordered_set>
#include <vector>

#include "core/COptions.h"
#include "core/CWinReg.h"
#include "core/Main.h"
#include "engine/mTanvelo.h"
#include "platform/redemption/SafeItem.h"
#include "platform/vb/Runtime.h"

namespace {
constexpr int32_t kUseTypes[] = {1, 2, 4, 8};
}  // namespace

std::shared_ptr<CFrequentlyTemplates> g_oFrequentlyTemplates;

CFrequentlyTemplates::CFrequentlyTemplates() {
  Load();
}

CFrequentlyTemplates::~CFrequentlyTemplates() = default;

std::wstring CFrequentlyTemplates::GetRegKey() {
  return Options().GetProfileRegPath() + L"\\FrequentlyUsed";
}

std::shared_ptr<CTemplates>* CFrequentlyTemplates::GetFrequentsCache(int32_t nUseType) {
  for (size_t i = 0; i < m_colCache.size(); ++i)
    if (kUseTypes[i] == nUseType) return &m_colCache[i];
  return nullptr;
}

void CFrequentlyTemplates::DropCaches() {
  for (auto& cache : m_colCache) cache.reset();
}

std::shared_ptr<CTemplate> CFrequentlyTemplates::FindTemplate(const std::wstring& sEntryID) const {
  return m_colTemplates.Find(sEntryID);
}

void CFrequentlyTemplates::Load() {
  Trap(L"CFrequentlyTemplates::Load", [&] {
    // Read from the user's own key for want of the profile's, the records would be taken for
    // none and the next save would wipe the profile's.
    const std::wstring profile = Options().KnownProfileRegPath();
    if (profile.empty()) {
      LogError(L"CFrequentlyTemplates::Load", 0,
               L"Usage records (FrequentlyUsed) not read: the profile's key is unknown");
      return;
    }
    const std::wstring key = profile + L"\\FrequentlyUsed";
    std::vector<std::wstring> badNames;
    {
      CWinReg reg;
      if (reg.InitForRead(CWinReg::HKEY_CURRENT_USER, key)) {
        std::wstring name;
        for (int32_t index = 0;; ++index) {
          CWinReg::Found found = reg.ValueAt(index, name);
          if (found == CWinReg::Found::End) break;
          if (found == CWinReg::Found::Unreadable || name.empty()) continue;
          auto record = std::make_shared<CTemplate>();
          const std::wstring text = reg.GetStringValue(name);
          if (reg.Refused()) break;
          if (!record->FromString(text)) {
            badNames.push_back(name);
          } else if (auto known = m_colTemplates.Find(record->sEntryID)) {
            // A second record of one template (a hand edit) is dropped alone; stopping here
            // would let the next save erase every record after it. The record under its own
            // EntryID is the one each use rewrites, so it wins over a copy under another name.
            LogWarning(L"CFrequentlyTemplates::Load", L"Duplicate record " + name);
            if (name == record->sEntryID) known->CopyFrom(*record);
          } else {
            m_colTemplates.Add(record);
          }
        }
      }
      // Refused part way, the records not reached would be taken for none and wiped at the
      // next save: unread, they are read again before anything is saved.
      if (reg.Refused()) {
        m_colTemplates.CopyFrom(nullptr);
        LogError(L"CFrequentlyTemplates::Load", 0,
                 L"Usage records (FrequentlyUsed) not read: the registry refused " + key);
        return;
      }
    }
    m_sLoadedKey = key;
    if (badNames.empty()) return;
    CWinReg reg;
    const bool open = reg.InitForWrite(CWinReg::HKEY_CURRENT_USER, m_sLoadedKey, false);
    for (const auto& name : badNames) {
      LogWarning(L"CFrequentlyTemplates::Load", L"Delete bad registry entry");
      if (!open || !reg.DeleteValue(name))
        LogNotDeleted(L"CFrequentlyTemplates::Load", m_sLoadedKey, name);
    }
  });
}

std::shared_ptr<CTemplates> CFrequentlyTemplates::GetFrequents(int32_t nUseType,
                                                               bool bForceRecalc) {
  std::shared_ptr<CTemplates>* cache = GetFrequentsCache(nUseType);
  if (!cache) {
    LogError(L"CFrequentlyTemplates::GetFrequents", 0,
             L"Invalid nUseType(" + std::to_wstring(nUseType) + L")");
    return nullptr;
  }
  if (!bForceRecalc && *cache) return *cache;

  // The order of a text sort of "count as nine digits, comma, EntryID" read backwards: the
  // highest count first, equal counts by EntryID text descending.
  std::vector<const CTemplate*> ranked;
  for (const auto& record : m_colTemplates)
    if (record->UseCount(nUseType) > 0) ranked.push_back(record.get());
  auto before = [nUseType](const CTemplate* a, const CTemplate* b) {
    int32_t ca = a->UseCount(nUseType), cb = b->UseCount(nUseType);
    return ca != cb ? ca > cb : a->sEntryID > b->sEntryID;
  };
  size_t top = std::min<size_t>(ranked.size(), MAX_COUNT);
  std::partial_sort(ranked.begin(), ranked.begin() + static_cast<std::ptrdiff_t>(top), ranked.end(),
                    before);

  auto result = std::make_shared<CTemplates>();
  for (size_t i = 0; i < top; ++i) result->AddCopy(*ranked[i]);
  *cache = std::make_shared<CTemplates>();
  (*cache)->CopyFrom(result.get());
  return result;
}

void CFrequentlyTemplates::UpdateFrequents(CTemplates& colTmpls, int32_t nUseType, bool& bUpdated) {
  Trap(L"CFrequentlyTemplates::UpdateFrequents", [&] {
    std::shared_ptr<CTemplates> current = GetFrequents(nUseType, false);
    if (!current) vb::Raise(vb::kObjectVariableNotSet);
    bool same = colTmpls.Count() == current->Count();
    for (int32_t i = 1; same && i <= current->Count(); ++i) {
      const CTemplate& mine = *colTmpls.Item(i);
      const CTemplate& now = *current->Item(i);
      same = mine.sEntryID == now.sEntryID && mine.sSubject == now.sSubject &&
             mine.bPreaddressed == now.bPreaddressed;
    }
    if (same) return;
    colTmpls.CopyFrom(current.get());
    bUpdated = true;
  });
}

void CFrequentlyTemplates::IncUseCount(const std::wstring& sEntryID, int32_t nUseType) {
  // Records not read at connection are read now: a use counted from none would overwrite the
  // stored count.
  if (m_sLoadedKey.empty()) Load();
  std::shared_ptr<CTemplate> record = FindTemplate(sEntryID);
  if (!record) {
    record = std::make_shared<CTemplate>();
    record->sEntryID = sEntryID;
    // A template just used that Outlook would not show past every try is not known to be gone:
    // its use is lost, and told.
    bool refused = false;
    const bool found = mTanvelo::GetTemplate(sEntryID, &refused) != nullptr;
    if (!found && !refused) return;  // no such template: nothing counted, no event
    std::shared_ptr<redemption::SafeMailItem> none;
    if (!found || !record->Refresh(none)) {
      const std::wstring what =
          L"the use of the template was not counted, Outlook refused to read it - " + sEntryID;
      if (m_bCountingLater) {
        LogError(L"CFrequentlyTemplates::IncUseCount", 0, what);
        return;
      }
      // Counted once Outlook answers again.
      LogWarning(L"CFrequentlyTemplates::IncUseCount", what + L", asked again later", 1);
      mTanvelo::AskLater(what, [sEntryID, nUseType] {
        auto frequents = g_oFrequentlyTemplates;
        if (!frequents) return true;
        bool refused = false;
        if (!mTanvelo::GetTemplate(sEntryID, &refused)) return !refused;  // gone: none to count
        frequents->m_bCountingLater = true;
        frequents->IncUseCount(sEntryID, nUseType);
        frequents->m_bCountingLater = false;
        return true;
      });
      return;
    }
    vb::Ignore([&] { m_colTemplates.Add(record); });
  }
  for (int32_t useType : kUseTypes) {
    if ((nUseType & useType) == 0) continue;
    int32_t& count = *record->UseCounter(useType);
    if (count < INT32_MAX) ++count;  // a counter at its top stays there

    GetFrequentsCache(useType)->reset();
  }
  vb::Ignore([&] { SaveEntry(*record); });
  // A template that enters the top list becomes a favourite; leaving it keeps the mark. Its
  // template refused past every try, the mark may be missing: told by the template's name.
  bool refused = false;
  if (!vb::Catch([&] {
        auto item = mTanvelo::GetTemplate(sEntryID, &refused);
        if (!item || mTanvelo::IsFavoriteTemplate(item)) return;
        auto top = GetFrequents(nUseType, false);
        if (top && top->Find(sEntryID)) mTanvelo::MarkFavoriteTemplate(item, true);
      }) ||
      refused)
    LogError(L"CFrequentlyTemplates::IncUseCount", 0,
             L"the favourite mark of the often used template \"" + record->sSubject +
                 L"\" was not checked, Outlook refused to read it");
  // A handler's error stops here, as every other step's does: the use is counted already.
  vb::Ignore([&] { OnChange.Raise(nUseType); });
  vb::Err().Clear();
}

void CFrequentlyTemplates::RefreshAll() {
  StartTimer();
  // Records not read at connection are read now, before anything is saved over them.
  if (m_sLoadedKey.empty()) Load();
  // Without the templates folder no template can be found: every record would be taken for
  // one of a vanished template and wiped.
  if (!g_oTemplatesFolder) {
    LogError(L"CFrequentlyTemplates::RefreshAll", 0,
             L"Usage records (FrequentlyUsed) not refreshed: the templates folder is unknown");
    return;
  }
  DropCaches();
  std::shared_ptr<redemption::SafeMailItem> safe;
  vb::Ignore(
      [&] { safe = vb::CreateObject<redemption::SafeMailItem>(L"Redemption.SafeMailItem"); });
  vb::Err().Clear();
  for (int32_t position = m_colTemplates.Count(); position >= 1; --position) {
    auto record = m_colTemplates.Item(position);
    bool gone = false;
    if (record->Refresh(safe, &gone)) continue;
    // Only a template Outlook does not know takes its record along: one it refused to read
    // (held past every try as Outlook starts) is most likely there, and the save below would
    // wipe its counts for good.
    if (gone)
      m_colTemplates.Remove(position);
    else
      LogError(L"CFrequentlyTemplates::RefreshAll", 0,
               L"Usage record of \"" + record->sSubject +
                   L"\" kept unchecked: its template could not be read - " + record->sEntryID);
  }
  safe.reset();
  SaveAll();
  LogElapsed(L"CFrequentlyTemplates::RefreshAll", L"", 2);
}

std::shared_ptr<CTemplate> CFrequentlyTemplates::Refresh(const std::wstring& sEntryID) {
  DropCaches();
  auto record = FindTemplate(sEntryID);
  if (!record) return nullptr;
  std::shared_ptr<redemption::SafeMailItem> none;
  if (!record->Refresh(none)) {
    DeleteEntry(record);
    return nullptr;
  }
  SaveEntry(*record);
  return record;
}

void CFrequentlyTemplates::MoveRecord(const std::wstring& sOldEntryID,
                                      const std::wstring& sNewEntryID) {
  auto old = FindTemplate(sOldEntryID);
  if (!old || sOldEntryID == sNewEntryID) return;
  auto record = std::make_shared<CTemplate>(*old);
  record->sEntryID = sNewEntryID;
  DeleteEntry(old);
  DropCaches();
  std::shared_ptr<redemption::SafeMailItem> none;
  if (record->Refresh(none)) {
    if (auto existing = FindTemplate(sNewEntryID)) DeleteEntry(existing);
    vb::Ignore([&] { m_colTemplates.Add(record); });
    vb::Ignore([&] { SaveEntry(*record); });
  }
  for (int32_t useType : kUseTypes) vb::Ignore([&] { OnChange.Raise(useType); });
  vb::Err().Clear();
}

// Each record is written only to the key the records were read from, as `SaveAll` is: any
// other key holds records this object never saw.
void CFrequentlyTemplates::SaveEntry(const CTemplate& record) {
  const std::wstring text = record.ToString(), key = m_sLoadedKey;
  CWinReg reg;
  if (key.empty() || !reg.InitForWrite(CWinReg::HKEY_CURRENT_USER, key, true) ||
      !reg.SetStringValue(record.sEntryID, text))
    LogNotWritten(L"CFrequentlyTemplates::SaveEntry", key.empty() ? GetRegKey() : key,
                  record.sEntryID, text);
}

void CFrequentlyTemplates::DeleteEntry(const std::shared_ptr<CTemplate>& record) {
  vb::Ignore([&] { m_colTemplates.Remove(record->sEntryID); });
  // Made when missing, so a failure is a refusal: a record left would count again after a start.
  const std::wstring key = m_sLoadedKey;
  CWinReg reg;
  if (key.empty() || !reg.InitForWrite(CWinReg::HKEY_CURRENT_USER, key, true) ||
      !reg.DeleteValue(record->sEntryID))
    LogNotDeleted(L"CFrequentlyTemplates::DeleteEntry", key.empty() ? GetRegKey() : key,
                  record->sEntryID);
}

void CFrequentlyTemplates::SaveAll() {
  // Through one open key, and only what differs: a value already holding its record's text
  // stays, so a start that changed nothing writes nothing. The key ends as deleting every
  // value and writing every record would leave it.
  const wchar_t* proc = L"CFrequentlyTemplates::SaveAll";
  // Only the key the records were read from is made to match them: any other holds records
  // this object never saw.
  if (m_sLoadedKey.empty()) {
    LogError(proc, 0, L"Usage records (FrequentlyUsed) not saved: they were never read");
    return;
  }
  const std::wstring key = m_sLoadedKey;
  CWinReg reg;
  if (!reg.InitForWrite(CWinReg::HKEY_CURRENT_USER, key, true)) {
    for (const auto& record : m_colTemplates)
      LogNotWritten(proc, key, record->sEntryID, record->ToString());
    return;
  }
  // Names first: deleting while enumerating by index would skip every other value.
  std::vector<std::wstring> names;
  std::wstring name;
  for (int32_t index = 0;; ++index) {
    CWinReg::Found found = reg.ValueAt(index, name);
    if (found == CWinReg::Found::End) break;
    if (found == CWinReg::Found::Name) names.push_back(name);
  }
  std::unordered_set<const CTemplate*> stored;
  for (const auto& each : names) {
    auto record = m_colTemplates.Find(each);
    // Spelt otherwise than its EntryID (names compare without case), the value is written
    // anew under the EntryID's own spelling.
    if (record && record->sEntryID == each && reg.HoldsString(each, record->ToString()))
      stored.insert(record.get());
    else if (!reg.DeleteValue(each))
      LogNotDeleted(proc, key, each);
  }
  for (const auto& record : m_colTemplates) {
    if (stored.count(record.get())) continue;
    const std::wstring text = record->ToString();
    if (!reg.SetStringValue(record->sEntryID, text))
      LogNotWritten(proc, key, record->sEntryID, text);
  }
}
